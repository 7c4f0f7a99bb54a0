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
}  // namespace brisko
