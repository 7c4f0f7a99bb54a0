#include "brisko/L3Dequant.h"

#include <cmath>
#include <cstring>

#include "brisko/CpuClones.h"
#include "brisko/L3Tables.h"

namespace brisko {

namespace {

// The 4/3 power of 0 .. 8206, the largest value a stream can code (15 + 2^13 - 1); built once, in
// place, as it is too large for a thread's stack.
constexpr int kPowMax = 8207;

const float* powTable()
{
    static float table[kPowMax];
    static const bool built = [] {
        for (int i = 0; i < kPowMax; ++i) {
            double v = i;
            table[i] = static_cast<float>(v * std::cbrt(v));
        }
        return true;
    }();
    (void)built;
    return table;
}

// Signed 4/3 power: the tables for every value a stream can code (the magnitude's power with the
// sign put back is the same float as the signed formula), the power function beyond them.
inline float pow43(const L3Tables& t, const float* big, int v)
{
    unsigned u = static_cast<unsigned>(v + 32);
    if (u < 64) return t.look_pow[u];
    if (v > 0 && v < kPowMax) return big[v];
    if (v < 0 && v > -kPowMax) return -big[-v];
    double a = v;
    return static_cast<float>(a * std::cbrt(std::fabs(a)));
}

}  // namespace

int dequant(float* x, const int* ix, int& nsamp, const ScaleFactors& sf, const GranuleChannel& gc, CbInfo& cb,
            int ncbl_mixed, const BandTable& band, float* re_buf)
{
    const L3Tables& t = l3Tables();
    const float* big = powTable();
    int ncbl;
    if (gc.block_type == 2) {
        cb.cbs0 = gc.mixed_block_flag ? 3 : 0;
        ncbl = gc.mixed_block_flag ? ncbl_mixed : 0;
    } else {
        cb.cbs0 = 12;
        ncbl = 21;
    }
    cb.lb_type = gc.block_type;
    cb.ncbl = ncbl;
    const float gain = t.look_global[gc.global_gain + 6];
    const int scale = gc.scalefac_scale & 1;
    const int pre = gc.preflag & 1;

    int i = 0;
    int cbmax = -1;
    for (int c = 0; c < ncbl; ++c) {
        const float factor = gain * t.look_scale[scale][t.pretab[pre][c]][sf.l[c] & 31];
        const int end = i + band.widthL[c];
        int any = 0;
        for (; i < end; ++i) {
            int v = ix[i];
            any |= v;
            x[i] = factor * pow43(t, big, v);
        }
        if (any) cbmax = c;
        if (i >= nsamp) break;
    }
    cb.cbmax = cbmax;
    cb.cbtype = 0;
    if (gc.block_type != 2) return i;

    // Short part: dequantise window by window, leave the lines window-interleaved.
    for (int w = 0; w < 3; ++w) cb.cbmax_s[w] = cb.cbs0 - 1;
    if (i < nsamp) {
        float gw[3];
        for (int w = 0; w < 3; ++w) gw[w] = gain * t.look_subblock[gc.subblock_gain[w] & 7];
        const int start = i;
        int base = 0;
        for (int c = cb.cbs0; c < 12; ++c) {
            const int n = band.widthS[c];
            for (int w = 0; w < 3; ++w) {
                const float factor = gw[w] * t.look_scale[scale][0][sf.s[w][c] & 31];
                int any = 0;
                for (int j = 0; j < n; ++j, ++i) {
                    int v = ix[i];
                    any |= v;
                    re_buf[base + 3 * j + w] = factor * pow43(t, big, v);
                }
                if (any) cb.cbmax_s[w] = c;
            }
            base += 3 * n;
            if (i >= nsamp) break;
        }
        std::memcpy(x + start, re_buf, sizeof(float) * base);
    }
    nsamp = i;
    int m = cb.cbmax_s[0];
    if (cb.cbmax_s[1] > m) m = cb.cbmax_s[1];
    if (cb.cbmax_s[2] > m) m = cb.cbmax_s[2];
    cb.cbmax = m;
    cb.cbtype = 1;
    return i;
}

void ms_process(float* left, float* right, int n)
{
    for (int i = 0; i < n; ++i) {
        float m = left[i], s = right[i];
        left[i] = m + s;
        right[i] = m - s;
    }
}

void is_process_MPEG1(float* left, float* right, const ScaleFactors& sfRight, const CbInfo& cbRight, int nsampLeft,
                      int ms_mode, const BandTable& band)
{
    const L3Tables& t = l3Tables();
    const auto& lr = t.lr[ms_mode & 1];
    const int first = cbRight.cbmax + 1;
    if (cbRight.cbtype == 0) {
        int i = band.lb[first];
        int budget = nsampLeft - i;
        for (int c = first; c < 21; ++c) {
            int pos = sfRight.l[c] & 15;
            float a = lr[pos][0], b = lr[pos][1];
            for (int j = 0; j < band.widthL[c]; ++j, ++i) {
                if (--budget < 0) return;
                right[i] = b * left[i];
                left[i] = a * left[i];
            }
        }
        return;
    }
    int i = band.sb3[first];
    int budget = nsampLeft - i;
    for (int c = first; c < 12; ++c) {
        float a[3], b[3];
        for (int w = 0; w < 3; ++w) {
            int pos = sfRight.s[w][c] & 15;
            a[w] = lr[pos][0];
            b[w] = lr[pos][1];
        }
        for (int j = 0; j < band.widthS[c]; ++j, i += 3) {
            budget -= 3;
            if (budget < 0) return;
            for (int w = 0; w < 3; ++w) {
                right[i + w] = b[w] * left[i + w];
                left[i + w] = a[w] * left[i + w];
            }
        }
    }
}

void is_process_MPEG2(float* left, float* right, const ScaleFactors& sfRight, const CbInfo cb[2], const IsSfInfo& info,
                      int nsampLeft, int ms_mode, const BandTable& band)
{
    const L3Tables& t = l3Tables();
    const auto& lr = t.lr2[info.intensity_scale & 1][ms_mode & 1];
    const CbInfo& cbRight = cb[1];
    // Illegal position (and start of the factor group) of each band, by the group it belongs to.
    int il[22] = {};
    {
        int c = cbRight.cbtype == 0 ? 0 : cbRight.cbs0;
        int firstGroup = cbRight.cbtype != 0 && cbRight.cbs0 == 3 ? 1 : 0;
        for (int g = firstGroup; g < 3; ++g)
            for (int k = 0; k < info.nr[g] && c < 22; ++k) il[c++] = (1 << info.slen[g]) - 1;
    }
    if (cbRight.cbtype == 0) {
        const int first = cbRight.cbmax + 1;
        int i = band.lb[first];
        int budget = nsampLeft - i;
        for (int c = first; c < 21; ++c) {
            int e = il[c] + sfRight.l[c];
            if (e > 62) e = il[c];
            float a = lr[e][0], b = lr[e][1];
            for (int j = 0; j < band.widthL[c]; ++j, ++i) {
                if (--budget < 0) return;
                right[i] = b * left[i];
                left[i] = a * left[i];
            }
        }
        return;
    }
    for (int w = 0; w < 3; ++w) {
        const int first = cbRight.cbmax_s[w] + 1;
        int i = band.sb3[first] + w;
        for (int c = first; c <= cb[0].cbmax_s[w] && c < 12; ++c) {
            int e = il[c] + sfRight.s[w][c];
            if (e > 62) e = il[c];
            float a = lr[e][0], b = lr[e][1];
            for (int j = 0; j < band.widthS[c]; ++j, i += 3) {
                right[i] = b * left[i];
                left[i] = a * left[i];
            }
        }
    }
}

BRISKO_CLONES void antialias(float* x, int n)
{
    const L3Tables& t = l3Tables();
    // The eight butterflies of a subband boundary side by side: lane k holds line 18 b - 1 - k
    // above and 18 b + k below.
    Lanes cs, ca;
    for (int k = 0; k < 8; ++k) {
        cs[k] = t.csa[k][0];
        ca[k] = t.csa[k][1];
    }
    for (int b = 1; b <= n; ++b) {
        float* up = x + 18 * b - 8;
        float* dn = x + 18 * b;
        Lanes u, d;
        std::memcpy(&u, up, sizeof u);
        std::memcpy(&d, dn, sizeof d);
        u = __builtin_shufflevector(u, u, 7, 6, 5, 4, 3, 2, 1, 0);
        Lanes nu = u * cs - d * ca;
        Lanes nd = d * cs + u * ca;
        nu = __builtin_shufflevector(nu, nu, 7, 6, 5, 4, 3, 2, 1, 0);
        std::memcpy(up, &nu, sizeof nu);
        std::memcpy(dn, &nd, sizeof nd);
    }
}

}  // namespace brisko
