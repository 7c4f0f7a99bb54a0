#include "brisko/L3Tables.h"

#include <cmath>
#include <initializer_list>

namespace brisko {

namespace {

const double pi = 4.0 * std::atan(1.0);

void buildQuant(L3Tables& t)
{
    for (int i = 0; i < 262; ++i) t.look_global[i] = static_cast<float>(std::pow(2.0, (i - 156) / 4.0));
    for (int scale = 0; scale < 2; ++scale)
        for (int p = 0; p < 4; ++p)
            for (int s = 0; s < 32; ++s)
                t.look_scale[scale][p][s] = static_cast<float>(std::pow(2.0, -0.5 * (scale + 1) * (p + s)));
    for (int i = 0; i < 64; ++i) {
        double v = i - 32;
        t.look_pow[i] = static_cast<float>(v * std::cbrt(std::fabs(v)));
    }
    for (int g = 0; g < 8; ++g) t.look_subblock[g] = static_cast<float>(std::pow(2.0, -2.0 * g));
    const int pre[22] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0};
    for (int cb = 0; cb < 22; ++cb) {
        t.pretab[0][cb] = 0;
        t.pretab[1][cb] = pre[cb];
    }
    const double ci[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};
    for (int k = 0; k < 8; ++k) {
        double d = std::sqrt(1.0 + ci[k] * ci[k]);
        t.csa[k][0] = static_cast<float>(1.0 / d);
        t.csa[k][1] = static_cast<float>(ci[k] / d);
    }
}

void buildIntensity(L3Tables& t)
{
    for (int ms = 0; ms < 2; ++ms) {
        double tms = ms ? std::sqrt(2.0) : 1.0;
        for (int p = 0; p < 16; ++p) {
            if (p >= 7) {  // the illegal position, and the values above it that 4-bit factors allow
                t.lr[ms][p][0] = 1.0f;
                t.lr[ms][p][1] = ms ? 1.0f : 0.0f;
                continue;
            }
            double s = std::sin(p * pi / 12), c = std::cos(p * pi / 12);
            t.lr[ms][p][0] = static_cast<float>(tms * s / (s + c));
            t.lr[ms][p][1] = static_cast<float>(tms * c / (s + c));
        }
    }
    for (int is = 0; is < 2; ++is)
        for (int ms = 0; ms < 2; ++ms) {
            double k = std::pow(2.0, -(is + 1) / 4.0);
            double tms = ms ? std::sqrt(2.0) : 1.0;
            auto* e = t.lr2[is][ms];
            e[63][0] = e[63][1] = 0.0f;
            for (int s = 0; s < 6; ++s) {
                int base = (1 << s) - 1;
                for (int p = 0; p < (1 << s); ++p) {
                    double a, b;
                    if (p == (1 << s) - 1) {
                        a = 1.0;
                        b = ms ? 1.0 : 0.0;
                    } else if (p == 0) {
                        a = b = tms;
                    } else if (p & 1) {
                        a = tms * std::pow(k, (p + 1) / 2);
                        b = tms;
                    } else {
                        a = tms;
                        b = tms * std::pow(k, p / 2);
                    }
                    e[base + p][0] = static_cast<float>(a);
                    e[base + p][1] = static_cast<float>(b);
                }
            }
        }
}

void buildHybrid(L3Tables& t)
{
    for (int i = 0; i < 36; ++i) t.win[0][i] = static_cast<float>(std::sin(pi / 36 * (i + 0.5)));
    for (int i = 0; i < 18; ++i) t.win[1][i] = static_cast<float>(std::sin(pi / 36 * (i + 0.5)));
    for (int i = 18; i < 24; ++i) t.win[1][i] = 1.0f;
    for (int i = 24; i < 30; ++i) t.win[1][i] = static_cast<float>(std::sin(pi / 12 * (i - 18 + 0.5)));
    for (int i = 30; i < 36; ++i) t.win[1][i] = 0.0f;
    for (int i = 0; i < 6; ++i) t.win[3][i] = 0.0f;
    for (int i = 6; i < 12; ++i) t.win[3][i] = static_cast<float>(std::sin(pi / 12 * (i - 6 + 0.5)));
    for (int i = 12; i < 18; ++i) t.win[3][i] = 1.0f;
    for (int i = 18; i < 36; ++i) t.win[3][i] = static_cast<float>(std::sin(pi / 36 * (i + 0.5)));
    for (int i = 0; i < 12; ++i) t.win[2][i] = static_cast<float>(std::sin(pi / 12 * (i + 0.5)));
    for (int i = 12; i < 36; ++i) t.win[2][i] = 0.0f;
    for (int type : {0, 1, 3})
        for (int i = 9; i < 36; ++i) t.win[type][i] = -t.win[type][i];
    for (int i = 3; i < 12; ++i) t.win[2][i] = -t.win[2][i];
    // q[j] = -z[26 - j] of the 36-point IMDCT, and -z[8 - j] of the 12-point one.
    for (int j = 0; j < 18; ++j)
        for (int k = 0; k < 18; ++k)
            t.cos18[k][j] = static_cast<float>(-std::cos(pi / 72 * (2 * (26 - j) + 1 + 18) * (2 * k + 1)));
    for (int j = 0; j < 6; ++j)
        for (int k = 0; k < 6; ++k)
            t.cos6[j][k] = static_cast<float>(-std::cos(pi / 24 * (2 * (8 - j) + 1 + 6) * (2 * k + 1)));
}

}  // namespace

const L3Tables& l3Tables()
{
    static const L3Tables t = [] {
        L3Tables s{};
        buildQuant(s);
        buildIntensity(s);
        buildHybrid(s);
        return s;
    }();
    return t;
}

}  // namespace brisko
