// Marks the decoder's hottest loops for a second build with the 256-bit vectors of newer x86-64
// processors, chosen by feature when the program loads; other machines run the baseline build.
// The wide build leaves out fused multiply-add, so that both builds round alike and every machine
// decodes a stream to the same samples. (A processor-model clone such as "arch=haswell" is only
// picked on that one model, so it is not used.)
#pragma once

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__)) && defined(__linux__)
#define BRISKO_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define BRISKO_CLONES
#endif

#define BRISKO_INLINE inline __attribute__((always_inline))

// Eight floats side by side: the decoder runs eight time slots or subbands at once, one per lane.
// Vector extension of GCC and Clang; the baseline build splits it into two 128-bit halves.
namespace brisko {
using Lanes = float __attribute__((vector_size(32)));
constexpr int kLanes = 8;

// Eight floats read from anywhere (declared as the compilers' own unaligned vector loads are).
// A typedef, not an alias: Clang keeps a vector's natural alignment on the alias form.
typedef float LanesU __attribute__((vector_size(32), aligned(4), may_alias));

// Transposes the 8 x 8 floats of r[0..7] in place: r[i][j] becomes r[j][i].
BRISKO_INLINE void transpose8(Lanes* r)
{
    Lanes t[8], u[8];
    for (int i = 0; i < 8; i += 2) {
        t[i] = __builtin_shufflevector(r[i], r[i + 1], 0, 8, 1, 9, 4, 12, 5, 13);
        t[i + 1] = __builtin_shufflevector(r[i], r[i + 1], 2, 10, 3, 11, 6, 14, 7, 15);
    }
    for (int i = 0; i < 8; i += 4) {
        u[i] = __builtin_shufflevector(t[i], t[i + 2], 0, 1, 8, 9, 4, 5, 12, 13);
        u[i + 1] = __builtin_shufflevector(t[i], t[i + 2], 2, 3, 10, 11, 6, 7, 14, 15);
        u[i + 2] = __builtin_shufflevector(t[i + 1], t[i + 3], 0, 1, 8, 9, 4, 5, 12, 13);
        u[i + 3] = __builtin_shufflevector(t[i + 1], t[i + 3], 2, 3, 10, 11, 6, 7, 14, 15);
    }
    for (int i = 0; i < 4; ++i) {
        r[i] = __builtin_shufflevector(u[i], u[i + 4], 0, 1, 2, 3, 8, 9, 10, 11);
        r[i + 4] = __builtin_shufflevector(u[i], u[i + 4], 4, 5, 6, 7, 12, 13, 14, 15);
    }
}
}  // namespace brisko
