#include "brisko/L3Hybrid.h"

#include <cstring>

#include "brisko/CpuClones.h"
#include "brisko/L3Tables.h"

namespace brisko {

namespace {

// q[j] = -z[26 - j] of the 36-point IMDCT of the subband's 18 lines.
// Written as a sum of table rows, so that the 18 outputs are computed side by side.
BRISKO_INLINE void imdct18(const float* x, float* q, const L3Tables& t)
{
    float acc[20] = {};
    for (int k = 0; k < 18; ++k) {
        const float xk = x[k];
        for (int j = 0; j < 20; ++j) acc[j] += xk * t.cos18[k][j];
    }
    for (int j = 0; j < 18; ++j) q[j] = acc[j];
}

// q[w][j] = -z_w[8 - j] of the 12-point IMDCT of window w (values at x[w], x[w + 3], ...).
BRISKO_INLINE void imdct6_3(const float* x, float q[3][6], const L3Tables& t)
{
    for (int w = 0; w < 3; ++w)
        for (int j = 0; j < 6; ++j) {
            float s = 0.0f;
            for (int k = 0; k < 6; ++k) s += x[w + 3 * k] * t.cos6[j][k];
            q[w][j] = s;
        }
}

inline float& Y(float* y, int i, int sb) { return y[32 * i + sb]; }

// Long subbands transformed with the normal window: the long part of a short block, and the two
// lowest subbands of any mixed block (a start or stop block's too).
inline int normalWindowSubbands(int block_type, bool mixed, int nL)
{
    if (block_type == 2) return nL;
    if (!mixed) return 0;
    return nL < 2 ? nL : 2;
}

// The long-block transform and overlap of eight subbands at once, one subband per vector lane
// (`count` of them, the other lanes repeat the last and are dropped); each lane does exactly the
// arithmetic of imdct18 and the overlap below. The sums of six outputs run side by side, so that
// the additions of one output do not wait on each other.
BRISKO_INLINE void longBlocks8(float* x, const float* prev, float* y, int sb, int count, const float* W,
                               const L3Tables& t)
{
    Lanes in[18], pv[18], q[18];
    int base[kLanes];
    for (int l = 0; l < kLanes; ++l) base[l] = 18 * (sb + (l < count ? l : count - 1));
    // Lines 0-7 and 8-15 of the subbands turned into lanes by 8 x 8 transposes, 16 and 17 one by one.
    for (int h = 0; h < 16; h += 8) {
        for (int l = 0; l < kLanes; ++l) {
            in[h + l] = *reinterpret_cast<const LanesU*>(x + base[l] + h);
            pv[h + l] = *reinterpret_cast<const LanesU*>(prev + base[l] + h);
        }
        transpose8(in + h);
        transpose8(pv + h);
    }
    for (int l = 0; l < kLanes; ++l)
        for (int k = 16; k < 18; ++k) {
            in[k][l] = x[base[l] + k];
            pv[k][l] = prev[base[l] + k];
        }
    for (int j0 = 0; j0 < 18; j0 += 6) {
        Lanes acc[6] = {};
        for (int k = 0; k < 18; ++k)
            for (int m = 0; m < 6; ++m) acc[m] += in[k] * t.cos18[k][j0 + m];
        for (int m = 0; m < 6; ++m) q[j0 + m] = acc[m];
    }
    Lanes out[18];
    for (int i = 0; i < 9; ++i) {
        Lanes lo = W[i] * q[9 + i] + pv[i];
        Lanes hi = W[9 + i] * q[17 - i] + pv[9 + i];
        if (count == kLanes) {
            std::memcpy(&Y(y, i, sb), &lo, sizeof lo);
            std::memcpy(&Y(y, 9 + i, sb), &hi, sizeof hi);
        } else {
            for (int l = 0; l < count; ++l) {
                Y(y, i, sb + l) = lo[l];
                Y(y, 9 + i, sb + l) = hi[l];
            }
        }
        out[i] = W[18 + i] * q[8 - i];
        out[9 + i] = W[27 + i] * q[i];
    }
    transpose8(out);
    transpose8(out + 8);
    for (int l = 0; l < count; ++l) {
        float* o = x + 18 * (sb + l);
        std::memcpy(o, &out[l], sizeof out[l]);
        std::memcpy(o + 8, &out[8 + l], sizeof out[l]);
        o[16] = out[16][l];
        o[17] = out[17][l];
    }
}

}  // namespace

BRISKO_CLONES int hybrid(float* x, const float* prev, float* y, int block_type, bool mixed, int nlong, int ntot,
                         int nprev, int nsbLimit)
{
    const L3Tables& t = l3Tables();
    const int nL = (nlong + 17) / 18;
    const int nT = (ntot + 17) / 18;
    const int nP = (nprev + 17) / 18;
    int sb = 0;
    {
        const int nNormal = normalWindowSubbands(block_type, mixed, nL);
        for (; sb < nNormal; sb += kLanes)
            longBlocks8(x, prev, y, sb, nNormal - sb < kLanes ? nNormal - sb : kLanes, t.win[0], t);
        sb = nNormal;
        const float* W = t.win[block_type & 3];
        for (; sb < nL; sb += kLanes) longBlocks8(x, prev, y, sb, nL - sb < kLanes ? nL - sb : kLanes, W, t);
        sb = nL;
    }
    {
        const float* W = t.win[2];
        for (; sb < nT; ++sb) {
            float* xs = x + 18 * sb;
            const float* p = prev + 18 * sb;
            float q[3][6];
            imdct6_3(xs, q, t);
            for (int i = 0; i < 3; ++i) {
                Y(y, i, sb) = p[i];
                Y(y, 3 + i, sb) = p[3 + i];
                Y(y, 6 + i, sb) = W[i] * q[0][3 + i] + p[6 + i];
                Y(y, 9 + i, sb) = W[3 + i] * q[0][5 - i] + p[9 + i];
                Y(y, 12 + i, sb) = W[6 + i] * q[0][2 - i] + W[i] * q[1][3 + i] + p[12 + i];
                Y(y, 15 + i, sb) = W[9 + i] * q[0][i] + W[3 + i] * q[1][5 - i] + p[15 + i];
            }
            for (int i = 0; i < 3; ++i) {
                xs[i] = W[6 + i] * q[1][2 - i] + W[i] * q[2][3 + i];
                xs[3 + i] = W[9 + i] * q[1][i] + W[3 + i] * q[2][5 - i];
                xs[6 + i] = W[6 + i] * q[2][2 - i];
                xs[9 + i] = W[9 + i] * q[2][i];
            }
            for (int i = 12; i < 18; ++i) xs[i] = 0.0f;
        }
    }
    for (; sb < nP; ++sb) {
        const float* p = prev + 18 * sb;
        for (int i = 0; i < 18; ++i) Y(y, i, sb) = p[i];
    }
    const int n = 18 * sb;
    for (; sb < nsbLimit; ++sb)
        for (int i = 0; i < 18; ++i) Y(y, i, sb) = 0.0f;
    return n;
}

BRISKO_CLONES int hybrid_sum(float* x2, float* x1, float* y, int block_type, bool mixed, int nlong, int ntot)
{
    const L3Tables& t = l3Tables();
    const int nL = (nlong + 17) / 18;
    const int nT = (ntot + 17) / 18;
    const int nNormal = normalWindowSubbands(block_type, mixed, nL);
    int sb = 0;
    {
        for (; sb < nL; ++sb) {
            const float* W = t.win[sb < nNormal ? 0 : block_type & 3];
            float q[18];
            imdct18(x2 + 18 * sb, q, t);
            float* o = x1 + 18 * sb;
            for (int i = 0; i < 9; ++i) {
                Y(y, i, sb) += W[i] * q[9 + i];
                Y(y, 9 + i, sb) += W[9 + i] * q[17 - i];
                o[i] += W[18 + i] * q[8 - i];
                o[9 + i] += W[27 + i] * q[i];
            }
        }
    }
    {
        const float* W = t.win[2];
        for (; sb < nT; ++sb) {
            float q[3][6];
            imdct6_3(x2 + 18 * sb, q, t);
            float* o = x1 + 18 * sb;
            for (int i = 0; i < 3; ++i) {
                Y(y, 6 + i, sb) += W[i] * q[0][3 + i];
                Y(y, 9 + i, sb) += W[3 + i] * q[0][5 - i];
                Y(y, 12 + i, sb) += W[6 + i] * q[0][2 - i] + W[i] * q[1][3 + i];
                Y(y, 15 + i, sb) += W[9 + i] * q[0][i] + W[3 + i] * q[1][5 - i];
                o[i] += W[6 + i] * q[1][2 - i] + W[i] * q[2][3 + i];
                o[3 + i] += W[9 + i] * q[1][i] + W[3 + i] * q[2][5 - i];
                o[6 + i] += W[6 + i] * q[2][2 - i];
                o[9 + i] += W[9 + i] * q[2][i];
            }
        }
    }
    return 18 * sb;
}

void sum_f_bands(float* a, const float* b, int n)
{
    for (int i = 0; i < n; ++i) a[i] += b[i];
}

void FreqInvert(float* y, int n)
{
    int m = (n + 17) / 18;
    if (m > 31) m = 31;
    for (int slot = 1; slot < 18; slot += 2)
        for (int sb = 1; sb <= m; sb += 2) Y(y, slot, sb) = -Y(y, slot, sb);
}

}  // namespace brisko
