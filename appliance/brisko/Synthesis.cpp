#include "brisko/Synthesis.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "brisko/CpuClones.h"
#include "brisko/Tables.h"

namespace brisko {

const int kSbtOutChannels[5] = {1, 2, 1, 1, 1};

namespace {

struct SynthTables {
    float coef32[31];
    float wincoef[264];
};

// Built once per process; read-only afterwards.
const SynthTables& synthTables()
{
    static const SynthTables t = [] {
        SynthTables s{};
        const double pi = 4.0 * std::atan(1.0);
        int k = 0;
        for (int n = 16; n > 0; n /= 2)
            for (int p = 0; p < n; ++p) s.coef32[k++] = static_cast<float>(0.5 / std::cos((2 * p + 1) * pi / (4 * n)));
        auto d = [](int i) { return tables::kSynthWindow65536[i] / 65536.0; };
        for (int i = 0; i < 16; ++i)
            for (int j = 0; j < 16; ++j) s.wincoef[16 * i + j] = static_cast<float>(-d(i + 32 * j));
        // Output 16 uses the eight taps D[48 + 64 j]; its other half meets zeros of the transform.
        for (int j = 0; j < 8; ++j) s.wincoef[256 + j] = static_cast<float>(d(48 + 64 * j));
        return s;
    }();
    return t;
}

// ---- transforms -------------------------------------------------------------------------------

// How a transform reads its 32 (16, 8) inputs from a slot: all of a one-channel slot, the left
// (even) or right (odd) values of a two-channel slot, or their mean.
enum class In { Plain, Left, Right, DualMono };

// Inputs 8 q .. 8 q + 7 of the slot at x.
template <In mode>
BRISKO_INLINE void slotInputs(const float* x, int q, Lanes& r)
{
    if constexpr (mode == In::Plain) {
        r = *reinterpret_cast<const LanesU*>(x + 8 * q);
    } else {
        const Lanes a = *reinterpret_cast<const LanesU*>(x + 16 * q);
        const Lanes b = *reinterpret_cast<const LanesU*>(x + 16 * q + 8);
        const Lanes even = __builtin_shufflevector(a, b, 0, 2, 4, 6, 8, 10, 12, 14);
        const Lanes odd = __builtin_shufflevector(a, b, 1, 3, 5, 7, 9, 11, 13, 15);
        if constexpr (mode == In::Left) r = even;
        else if constexpr (mode == In::Right) r = odd;
        else r = 0.5f * (even + odd);
    }
}

// The transforms run on eight time slots at once, one slot per lane, so that every step of the
// butterflies is one vector operation; each lane does exactly the arithmetic of a single slot.

template <int n, typename T>
BRISKO_INLINE void forward_bf(int m, const T* x, T* f, const float* coef)
{
    constexpr int h = n / 2;
    for (int g = 0; g < m; ++g, x += n, f += n)
        for (int p = 0; p < h; ++p) {
            f[p] = x[p] + x[n - 1 - p];
            f[h + p] = (x[p] - x[n - 1 - p]) * coef[p];
        }
}

template <int n, typename T>
BRISKO_INLINE void back_bf(int m, const T* x, T* f)
{
    constexpr int h = n / 2;
    for (int g = 0; g < m; ++g, x += n, f += n) {
        for (int p = 0; p < h; ++p) f[2 * p] = x[p];
        for (int p = 0; p < h - 1; ++p) f[2 * p + 1] = x[h + p] + x[h + p + 1];
        f[n - 1] = x[n - 1];
    }
}

// The transforms of the inputs u (32, 16 or 8 of them) into c.
template <typename T>
BRISKO_INLINE void fdct32(const T* u, T* c)
{
    const float* coef = synthTables().coef32;
    T a[32], b[32];
    for (int p = 0; p < 16; ++p) {
        a[p] = u[p] + u[31 - p];
        a[16 + p] = (u[p] - u[31 - p]) * coef[p];
    }
    forward_bf<16>(2, a, b, coef + 16);
    forward_bf<8>(4, b, a, coef + 24);
    forward_bf<4>(8, a, b, coef + 28);
    forward_bf<2>(16, b, a, coef + 30);
    back_bf<4>(8, a, b);
    back_bf<8>(4, b, a);
    back_bf<16>(2, a, b);
    back_bf<32>(1, b, c);
}

template <typename T>
BRISKO_INLINE void fdct16(const T* u, T* c)
{
    const float* coef = synthTables().coef32;
    T a[16], b[16];
    a[0] = u[0];
    a[8] = u[0] * coef[16];
    for (int p = 1; p < 8; ++p) {
        a[p] = u[p] + u[15 - p];
        a[8 + p] = (u[p] - u[15 - p]) * coef[16 + p];
    }
    forward_bf<8>(2, a, b, coef + 24);
    forward_bf<4>(4, b, a, coef + 28);
    forward_bf<2>(8, a, b, coef + 30);
    back_bf<4>(4, b, a);
    back_bf<8>(2, a, b);
    back_bf<16>(1, b, c);
}

template <typename T>
BRISKO_INLINE void fdct8(const T* u, T* c)
{
    const float* coef = synthTables().coef32;
    T a[8], b[8];
    for (int p = 0; p < 4; ++p) {
        a[p] = u[p] + u[7 - p];
        a[4 + p] = (u[p] - u[7 - p]) * coef[24 + p];
    }
    forward_bf<4>(2, a, b, coef + 28);
    forward_bf<2>(4, b, a, coef + 30);
    back_bf<4>(2, a, b);
    back_bf<8>(1, b, c);
}

// Transforms `count` (1 to 8) consecutive slots, `stride` floats apart, into out[slot][0..N).
// Slots are turned into lanes, and back, by 8 x 8 transposes.
template <int N, In mode, int stride>
BRISKO_INLINE void fdctSlots(const float* x, int count, float (*out)[N])
{
    Lanes u[N], c[N];
    for (int q = 0; q < N / 8; ++q) {
        Lanes r[kLanes];
        // Lanes past the last slot repeat it; their results are dropped.
        for (int l = 0; l < kLanes; ++l) slotInputs<mode>(x + stride * (l < count ? l : count - 1), q, r[l]);
        transpose8(r);
        for (int j = 0; j < 8; ++j) u[8 * q + j] = r[j];
    }
    if constexpr (N == 32) fdct32(u, c);
    else if constexpr (N == 16) fdct16(u, c);
    else fdct8(u, c);
    for (int q = 0; q < N / 8; ++q) {
        Lanes r[kLanes];
        for (int j = 0; j < 8; ++j) r[j] = c[8 * q + j];
        transpose8(r);
        for (int l = 0; l < count; ++l) std::memcpy(&out[l][8 * q], &r[l], sizeof r[l]);
    }
}

// ---- windowing --------------------------------------------------------------------------------

// Clipping, then truncation toward zero; no out-of-range float is ever converted. Written as two
// selects (a NaN fails the first comparison and becomes 32767), which vectorise as min and max.
BRISKO_INLINE int toPcm(float sum)
{
    sum = sum < 32767.0f ? sum : 32767.0f;
    sum = sum > -32768.0f ? sum : -32768.0f;
    return static_cast<int>(sum);
}

// The window holds -D (and +D for output 16) while the transform writes the matrixing's values
// without their sign, so each sum is the negated sample.
template <bool B8>
BRISKO_INLINE void store(void* pcm, int index, float sum)
{
    int v = toPcm(-sum);
    if constexpr (B8) static_cast<std::uint8_t*>(pcm)[index] = static_cast<std::uint8_t>(((v >> 8) & 255) ^ 128);
    else static_cast<std::int16_t*>(pcm)[index] = static_cast<std::int16_t>(v);
}

// The window coefficients of one rate, regrouped tap by tap so that the outputs of a phase are
// computed side by side over consecutive history entries. The walk is that of wincoef: output j of
// the first phase uses row j x 32 / N forwards, the last phase the rows backwards from entry 255.
// Terms whose history index falls as the output index rises are kept in reversed order.
template <int N>
struct WindowTaps {
    static constexpr int H = N / 2;
    float a[8][H];  // output j:        + a[k][j]          x V[H + j + 2Nk]
    float b[8][H];  // output H - 1 - u: - b[k][u]          x V[N + 1 + u + 2Nk]
    float mid[8];   // output H:        + mid[k]           x V[N + 2Nk]
    float c[8][H];  // output H + H - u: + c[k][u] (u >= 1) x V[H + u + 2Nk]
    float d[8][H];  // output H + m:    + d[k][m] (m >= 1) x V[N + m + 2Nk]
};

template <int N>
const WindowTaps<N>& windowTaps()
{
    static const WindowTaps<N> t = [] {
        constexpr int H = N / 2;
        WindowTaps<N> w{};
        const float* wc = synthTables().wincoef;
        constexpr int skip = 16 * (32 / N - 1);
        for (int j = 0; j < H; ++j)
            for (int k = 0; k < 8; ++k) {
                w.a[k][j] = wc[j * (16 + skip) + 2 * k];
                w.b[k][H - 1 - j] = wc[j * (16 + skip) + 2 * k + 1];
            }
        for (int k = 0; k < 8; ++k) w.mid[k] = wc[256 + k];
        for (int m = 1; m < H; ++m) {
            int c0 = 255 - skip - (m - 1) * (16 + skip);
            for (int k = 0; k < 8; ++k) {
                w.c[k][H - m] = wc[c0 - 2 * k];
                w.d[k][m] = wc[c0 - 2 * k - 1];
            }
        }
        return w;
    }();
    return t;
}

// One time slot's windowing over an N-sample transform history; writes every `stride`-th output.
template <int N, bool B8, int stride>
BRISKO_INLINE void window(const float* vbuf, int vb_ptr, void* pcm)
{
    constexpr int H = N / 2;
    constexpr int step = 2 * N;
    const WindowTaps<N>& w = windowTaps<N>();
    const float* v = vbuf + vb_ptr;
    float fa[H] = {}, fb[H] = {}, fc[H] = {}, fd[H] = {};
    float mid = 0.0f;
    for (int k = 0; k < 8; ++k) {
        const float* row = v + k * step;
        for (int j = 0; j < H; ++j) {
            fa[j] += w.a[k][j] * row[H + j];
            fb[j] += w.b[k][j] * row[N + 1 + j];
            fc[j] += w.c[k][j] * row[H + j];
            fd[j] += w.d[k][j] * row[N + j];
        }
        mid += w.mid[k] * row[N];
    }
    // The sums first, then one conversion loop over all N outputs, which the compiler vectorises.
    float out[N];
    for (int j = 0; j < H; ++j) out[j] = fa[j] - fb[H - 1 - j];
    out[H] = mid;
    for (int m = 1; m < H; ++m) out[H + m] = fc[H - m] + fd[m];
    for (int j = 0; j < N; ++j) store<B8>(pcm, stride * j, out[j]);
}

// Eight floats from anywhere.
#define load8(p) (*reinterpret_cast<const LanesU*>(p))

// The full-rate 16-bit window of one slot, its sums kept in vector registers: the same products
// and sums, in the same order, as window<32, false, stride>, with the reversals of the taps'
// results done by lane shuffles. For two channels, `half` picks the samples of each pair.
template <int stride>
BRISKO_INLINE void window32(const float* vbuf, int vb_ptr, void* pcm, int half)
{
    const WindowTaps<32>& w = windowTaps<32>();
    const float* v = vbuf + vb_ptr;
    Lanes fa0{}, fa1{}, fb0{}, fb1{}, fc0{}, fc1{}, fd0{}, fd1{};
    float mid = 0.0f;
#pragma GCC unroll 8
    for (int k = 0; k < 8; ++k) {
        const float* row = v + 64 * k;
        const Lanes ra0 = load8(row + 16), ra1 = load8(row + 24);
        const Lanes rb0 = load8(row + 33), rb1 = load8(row + 41);
        const Lanes rd0 = load8(row + 32), rd1 = load8(row + 40);
        fa0 += load8(w.a[k]) * ra0;
        fa1 += load8(w.a[k] + 8) * ra1;
        fb0 += load8(w.b[k]) * rb0;
        fb1 += load8(w.b[k] + 8) * rb1;
        fc0 += load8(w.c[k]) * ra0;
        fc1 += load8(w.c[k] + 8) * ra1;
        fd0 += load8(w.d[k]) * rd0;
        fd1 += load8(w.d[k] + 8) * rd1;
        mid += w.mid[k] * row[32];
    }
    // out[j] = fa[j] - fb[15 - j]; out[16 + m] = fc[16 - m] + fd[m] (m >= 1); out[16] = mid.
    float out[32];
    const Lanes o0 = fa0 - __builtin_shufflevector(fb1, fb1, 7, 6, 5, 4, 3, 2, 1, 0);
    const Lanes o1 = fa1 - __builtin_shufflevector(fb0, fb0, 7, 6, 5, 4, 3, 2, 1, 0);
    const Lanes o2 = __builtin_shufflevector(fc0, fc1, 0, 15, 14, 13, 12, 11, 10, 9) + fd0;
    const Lanes o3 = __builtin_shufflevector(fc0, fc1, 8, 7, 6, 5, 4, 3, 2, 1) + fd1;
    std::memcpy(out, &o0, sizeof o0);
    std::memcpy(out + 8, &o1, sizeof o1);
    std::memcpy(out + 16, &o2, sizeof o2);
    std::memcpy(out + 24, &o3, sizeof o3);
    out[16] = mid;
    if constexpr (stride == 1) {
        for (int j = 0; j < 32; ++j) store<false>(pcm, j, out[j]);
    } else if constexpr (std::endian::native == std::endian::little) {
        // Each pair of samples as one 32-bit word: this channel's half replaced, the other kept.
        std::uint32_t words[32];
        std::memcpy(words, pcm, sizeof words);
        const int shift = 16 * half;
        const std::uint32_t keep = 0xFFFF0000u >> shift;
        for (int j = 0; j < 32; ++j)
            words[j] = (words[j] & keep) | static_cast<std::uint32_t>(static_cast<std::uint16_t>(toPcm(-out[j])))
                                               << shift;
        std::memcpy(pcm, words, sizeof words);
    } else {
        for (int j = 0; j < 32; ++j) store<false>(pcm, 2 * j + half, out[j]);
    }
}

template <bool B8>
inline void* advance(void* pcm, int samples)
{
    if constexpr (B8) return static_cast<std::uint8_t*>(pcm) + samples;
    else return static_cast<std::int16_t*>(pcm) + samples;
}

// One slot's window into the output at pcm (the pair's first sample for two channels).
template <int N, bool B8, int stride>
BRISKO_INLINE void windowSlot(const float* vbuf, int vb_ptr, void* pcm, int half)
{
    if constexpr (N == 32 && !B8) window32<stride>(vbuf, vb_ptr, pcm, half);
    else window<N, B8, stride>(vbuf, vb_ptr, advance<B8>(pcm, half));
}

// Writes a transform into the history and its mirror one region further.
template <int N>
BRISKO_INLINE void toHistory(const float* c, float* vbuf, int vb_ptr)
{
    std::memcpy(vbuf + vb_ptr, c, N * sizeof(float));
    std::memcpy(vbuf + vb_ptr + 16 * N, c, N * sizeof(float));
}

// ---- the members ------------------------------------------------------------------------------

template <int N, bool B8, int variant>
BRISKO_INLINE void sbtL12(SynthState& s, const float* sample, void* pcm, int n)
{
    constexpr int mask = 16 * N - 1;
    float c[kLanes][N], c2[kLanes][N];
    for (int i0 = 0; i0 < n; i0 += kLanes, sample += 64 * kLanes) {
        const int count = n - i0 < kLanes ? n - i0 : kLanes;
        if constexpr (variant == kSbtMono) fdctSlots<N, In::Plain, 64>(sample, count, c);
        else if constexpr (variant == kSbtDual) {
            fdctSlots<N, In::Left, 64>(sample, count, c);
            fdctSlots<N, In::Right, 64>(sample, count, c2);
        } else if constexpr (variant == kSbtDualMono) fdctSlots<N, In::DualMono, 64>(sample, count, c);
        else if constexpr (variant == kSbtRight) fdctSlots<N, In::Right, 64>(sample, count, c);
        else fdctSlots<N, In::Left, 64>(sample, count, c);
        for (int l = 0; l < count; ++l) {
            toHistory<N>(c[l], s.vbuf, s.vb_ptr);
            if constexpr (variant == kSbtDual) {
                toHistory<N>(c2[l], s.vbuf2, s.vb_ptr);
                windowSlot<N, B8, 2>(s.vbuf, s.vb_ptr, pcm, 0);
                windowSlot<N, B8, 2>(s.vbuf2, s.vb_ptr, pcm, 1);
                pcm = advance<B8>(pcm, 2 * N);
            } else {
                windowSlot<N, B8, 1>(s.vbuf, s.vb_ptr, pcm, 0);
                pcm = advance<B8>(pcm, N);
            }
            s.vb_ptr = (s.vb_ptr - N) & mask;
        }
    }
}

template <int N, bool B8, bool dual>
BRISKO_INLINE void sbtL3(SynthState& s, const float* sample, void* pcm, int ch)
{
    constexpr int mask = 16 * N - 1;
    float* vbuf = dual && ch ? s.vbuf2 : s.vbuf;
    int& ptr = dual && ch ? s.vb2_ptr : s.vb_ptr;
    const int half = dual && ch ? 1 : 0;
    float c[kLanes][N];
    for (int i0 = 0; i0 < 18; i0 += kLanes, sample += 32 * kLanes) {
        const int count = 18 - i0 < kLanes ? 18 - i0 : kLanes;
        fdctSlots<N, In::Plain, 32>(sample, count, c);
        for (int l = 0; l < count; ++l) {
            toHistory<N>(c[l], vbuf, ptr);
            windowSlot<N, B8, dual ? 2 : 1>(vbuf, ptr, pcm, half);
            pcm = advance<B8>(pcm, dual ? 2 * N : N);
            ptr = (ptr - N) & mask;
        }
    }
}

// Every member as a plain function (the full-rate 16-bit ones, played almost always, also in the
// wide-vector build).
template <int N, bool B8, int variant>
void sbtMember(SynthState& s, const float* sample, void* pcm, int n)
{
    sbtL12<N, B8, variant>(s, sample, pcm, n);
}

template <int N, bool B8, bool dual>
void sbtMemberL3(SynthState& s, const float* sample, void* pcm, int ch)
{
    sbtL3<N, B8, dual>(s, sample, pcm, ch);
}

BRISKO_CLONES void sbt_mono(SynthState& s, const float* x, void* pcm, int n) { sbtL12<32, false, 0>(s, x, pcm, n); }
BRISKO_CLONES void sbt_dual(SynthState& s, const float* x, void* pcm, int n) { sbtL12<32, false, 1>(s, x, pcm, n); }
BRISKO_CLONES void sbt_dual_mono(SynthState& s, const float* x, void* pcm, int n)
{
    sbtL12<32, false, 2>(s, x, pcm, n);
}
BRISKO_CLONES void sbt_dual_left(SynthState& s, const float* x, void* pcm, int n)
{
    sbtL12<32, false, 3>(s, x, pcm, n);
}
BRISKO_CLONES void sbt_dual_right(SynthState& s, const float* x, void* pcm, int n)
{
    sbtL12<32, false, 4>(s, x, pcm, n);
}
BRISKO_CLONES void sbt_mono_L3(SynthState& s, const float* x, void* pcm, int ch)
{
    sbtL3<32, false, false>(s, x, pcm, ch);
}
BRISKO_CLONES void sbt_dual_L3(SynthState& s, const float* x, void* pcm, int ch)
{
    sbtL3<32, false, true>(s, x, pcm, ch);
}

template <bool B8, int N>
constexpr SbtFn rowL12[5] = {sbtMember<N, B8, 0>, sbtMember<N, B8, 1>, sbtMember<N, B8, 2>, sbtMember<N, B8, 3>,
                             sbtMember<N, B8, 4>};

const SbtFn sbt_table[2][3][5] = {
    {{sbt_mono, sbt_dual, sbt_dual_mono, sbt_dual_left, sbt_dual_right},
     {rowL12<false, 16>[0], rowL12<false, 16>[1], rowL12<false, 16>[2], rowL12<false, 16>[3], rowL12<false, 16>[4]},
     {rowL12<false, 8>[0], rowL12<false, 8>[1], rowL12<false, 8>[2], rowL12<false, 8>[3], rowL12<false, 8>[4]}},
    {{rowL12<true, 32>[0], rowL12<true, 32>[1], rowL12<true, 32>[2], rowL12<true, 32>[3], rowL12<true, 32>[4]},
     {rowL12<true, 16>[0], rowL12<true, 16>[1], rowL12<true, 16>[2], rowL12<true, 16>[3], rowL12<true, 16>[4]},
     {rowL12<true, 8>[0], rowL12<true, 8>[1], rowL12<true, 8>[2], rowL12<true, 8>[3], rowL12<true, 8>[4]}},
};

const SbtL3Fn sbt_table_L3[2][3][2] = {
    {{sbt_mono_L3, sbt_dual_L3},
     {sbtMemberL3<16, false, false>, sbtMemberL3<16, false, true>},
     {sbtMemberL3<8, false, false>, sbtMemberL3<8, false, true>}},
    {{sbtMemberL3<32, true, false>, sbtMemberL3<32, true, true>},
     {sbtMemberL3<16, true, false>, sbtMemberL3<16, true, true>},
     {sbtMemberL3<8, true, false>, sbtMemberL3<8, true, true>}},
};

}  // namespace

void sbt_init(SynthState& s)
{
    std::memset(s.vbuf, 0, sizeof s.vbuf);
    std::memset(s.vbuf2, 0, sizeof s.vbuf2);
    s.vb_ptr = 0;
    s.vb2_ptr = 0;
}

SbtFn SelectSbt(bool bits8, int reduction, int variant) { return sbt_table[bits8 ? 1 : 0][reduction][variant]; }

SbtL3Fn SelectSbtL3(bool bits8, int reduction, bool twoChannels)
{
    return sbt_table_L3[bits8 ? 1 : 0][reduction][twoChannels ? 1 : 0];
}

const float* wincoef_addr() { return synthTables().wincoef; }
const float* dct_coef_addr() { return synthTables().coef32; }

}  // namespace brisko
