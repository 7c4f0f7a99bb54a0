// Polyphase synthesis against the standard's direct formula, silence, clipping and 8-bit output;
// Layer III dequantisation values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "brisko/L3Dequant.h"
#include "brisko/Synthesis.h"
#include "brisko/Tables.h"

namespace brisko {
namespace {

// The standard's synthesis in double precision: matrixing into a 1024-entry FIFO, windowing with D.
struct DirectSynthesis {
    std::vector<double> v = std::vector<double>(1024, 0.0);
    void slot(const float* s, double* out)
    {
        const double pi = 4.0 * std::atan(1.0);
        for (int i = 1023; i >= 64; --i) v[i] = v[i - 64];
        for (int i = 0; i < 64; ++i) {
            double sum = 0;
            for (int k = 0; k < 32; ++k) sum += std::cos((16 + i) * (2 * k + 1) * pi / 64) * s[k];
            v[i] = sum;
        }
        double u[512];
        for (int i = 0; i < 8; ++i)
            for (int j = 0; j < 32; ++j) {
                u[64 * i + j] = v[128 * i + j];
                u[64 * i + 32 + j] = v[128 * i + 96 + j];
            }
        for (int j = 0; j < 32; ++j) {
            double sum = 0;
            for (int i = 0; i < 16; ++i) sum += u[j + 32 * i] * tables::kSynthWindow65536[j + 32 * i] / 65536.0;
            out[j] = sum;
        }
    }
};

TEST(Synthesis, MatchesTheStandardsFormula)
{
    std::mt19937 rng(1);
    std::uniform_real_distribution<float> amp(-3000.0f, 3000.0f);
    SynthState state;
    sbt_init(state);
    DirectSynthesis direct;
    SbtFn mono = SelectSbt(false, 0, kSbtMono);
    int worst = 0;
    for (int frame = 0; frame < 20; ++frame) {
        std::vector<float> sample(12 * 64, 0.0f);
        for (int t = 0; t < 12; ++t)
            for (int sb = 0; sb < 32; ++sb) sample[64 * t + sb] = sb < 30 ? amp(rng) / (1 + sb) : 0.0f;
        std::int16_t pcm[384];
        mono(state, sample.data(), pcm, 12);
        for (int t = 0; t < 12; ++t) {
            double out[32];
            direct.slot(&sample[64 * t], out);
            for (int j = 0; j < 32; ++j) {
                double expect = std::trunc(std::max(-32768.0, std::min(32767.0, out[j])));
                worst = std::max(worst, static_cast<int>(std::fabs(pcm[32 * t + j] - expect)));
            }
        }
    }
    EXPECT_LE(worst, 1);
}

TEST(Synthesis, SilenceClippingAndEightBit)
{
    SynthState state;
    sbt_init(state);
    std::vector<float> zeros(36 * 64, 0.0f);
    std::int16_t pcm[2304];
    std::memset(pcm, 0x55, sizeof pcm);
    SelectSbt(false, 0, kSbtDual)(state, zeros.data(), pcm, 36);
    for (auto v : pcm) ASSERT_EQ(v, 0);
    std::uint8_t pcm8[2304];
    SelectSbt(true, 1, kSbtDual)(state, zeros.data(), pcm8, 36);
    for (int i = 0; i < 36 * 32; ++i) ASSERT_EQ(pcm8[i], 128);

    // Full-scale subband samples far beyond the 16-bit range clip instead of wrapping.
    std::vector<float> loud(36 * 64, 0.0f);
    for (int t = 0; t < 36; ++t) loud[64 * t] = (t / 6) % 2 ? 4.0e6f : -4.0e6f;
    sbt_init(state);
    SelectSbt(false, 0, kSbtMono)(state, loud.data(), pcm, 36);
    int top = 0, bottom = 0;
    for (int i = 0; i < 36 * 32; ++i) {
        top += pcm[i] == 32767;
        bottom += pcm[i] == -32768;
    }
    EXPECT_GT(top, 100);
    EXPECT_GT(bottom, 100);
    sbt_init(state);
    SelectSbt(true, 0, kSbtMono)(state, loud.data(), pcm8, 36);
    int high = 0, low = 0;
    for (int i = 0; i < 36 * 32; ++i) {
        high += pcm8[i] == 255;
        low += pcm8[i] == 0;
    }
    EXPECT_EQ(high, top);
    EXPECT_EQ(low, bottom);
}

TEST(Synthesis, ReducedRatesUseTheirSubbands)
{
    // Half rate ignores subband 15; quarter rate uses subbands 0..7 only.
    SynthState a, b;
    std::vector<float> s1(36 * 64, 0.0f), s2(36 * 64, 0.0f);
    std::mt19937 rng(2);
    for (int t = 0; t < 36; ++t)
        for (int sb = 0; sb < 15; ++sb) s1[64 * t + sb] = s2[64 * t + sb] = static_cast<float>(rng() % 2000) - 1000;
    for (int t = 0; t < 36; ++t) s2[64 * t + 15] = 5000.0f;
    std::int16_t p1[576], p2[576];
    sbt_init(a);
    sbt_init(b);
    SelectSbt(false, 1, kSbtMono)(a, s1.data(), p1, 36);
    SelectSbt(false, 1, kSbtMono)(b, s2.data(), p2, 36);
    EXPECT_EQ(0, std::memcmp(p1, p2, sizeof p1));
    for (int t = 0; t < 36; ++t) s2[64 * t + 8] += 3000.0f;
    sbt_init(a);
    sbt_init(b);
    SelectSbt(false, 2, kSbtMono)(a, s1.data(), p1, 36);
    SelectSbt(false, 2, kSbtMono)(b, s2.data(), p2, 36);
    EXPECT_EQ(0, std::memcmp(p1, p2, 288 * sizeof(std::int16_t)));
}

TEST(Synthesis, SlotsGiveTheSameSamplesWhateverTheirGrouping)
{
    // The slots of a call are transformed eight at a time; a call of 36 slots must give the very
    // samples of calls of 1, 2, 3, 5, 7, 8 and 10 slots, in every member, and Layer III's members
    // must give those of the Layer I/II member fed the same slots.
    std::mt19937 rng(3);
    std::uniform_real_distribution<float> amp(-6000.0f, 6000.0f);
    std::vector<float> sample(36 * 64);
    for (float& v : sample) v = amp(rng);
    const int pieces[] = {1, 2, 3, 5, 7, 8, 10};
    for (int bits8 = 0; bits8 < 2; ++bits8)
        for (int reduction = 0; reduction < 3; ++reduction)
            for (int variant = 0; variant < 5; ++variant) {
                SbtFn fn = SelectSbt(bits8, reduction, variant);
                const int bytes = (bits8 ? 1 : 2) * kSbtOutChannels[variant] * (32 >> reduction) * 36;
                std::vector<std::uint8_t> whole(bytes), split(bytes);
                SynthState a, b;
                sbt_init(a);
                sbt_init(b);
                fn(a, sample.data(), whole.data(), 36);
                int slot = 0, at = 0;
                for (int n : pieces) {
                    fn(b, sample.data() + 64 * slot, split.data() + at, n);
                    slot += n;
                    at += bytes / 36 * n;
                }
                ASSERT_EQ(slot, 36);
                EXPECT_EQ(whole, split) << "8-bit " << bits8 << " reduction " << reduction << " variant " << variant;
            }
    // Layer III: two granules of one channel, laid out 32 floats a slot.
    std::vector<float> l3(36 * 32);
    for (int t = 0; t < 36; ++t)
        for (int sb = 0; sb < 32; ++sb) l3[32 * t + sb] = sample[64 * t + sb];
    for (int reduction = 0; reduction < 3; ++reduction) {
        const int n = 32 >> reduction;
        std::vector<std::int16_t> fromL12(36 * n), fromL3(36 * n), pairs(2 * 36 * n);
        SynthState a, b, c;
        sbt_init(a);
        sbt_init(b);
        sbt_init(c);
        SelectSbt(false, reduction, kSbtMono)(a, sample.data(), fromL12.data(), 36);
        SbtL3Fn mono = SelectSbtL3(false, reduction, false);
        mono(b, l3.data(), fromL3.data(), 0);
        mono(b, l3.data() + 18 * 32, fromL3.data() + 18 * n, 0);
        EXPECT_EQ(fromL12, fromL3) << "reduction " << reduction;
        // The two-channel member puts channel 0 at even and channel 1 at odd positions, each
        // leaving the other's samples alone.
        SbtL3Fn dual = SelectSbtL3(false, reduction, true);
        std::fill(pairs.begin(), pairs.end(), std::int16_t{0x5555});
        for (int gr = 0; gr < 2; ++gr) {
            dual(c, l3.data() + 18 * 32 * gr, pairs.data() + 2 * 18 * n * gr, 0);
            if (gr == 0) {
                for (int i = 0; i < 18 * n; ++i) ASSERT_EQ(pairs[2 * i + 1], 0x5555) << i;
            }
            dual(c, l3.data() + 18 * 32 * gr, pairs.data() + 2 * 18 * n * gr, 1);
        }
        for (int i = 0; i < 36 * n; ++i) {
            ASSERT_EQ(pairs[2 * i], fromL12[i]) << "reduction " << reduction << " sample " << i;
            ASSERT_EQ(pairs[2 * i + 1], fromL12[i]) << "reduction " << reduction << " sample " << i;
        }
    }
}

TEST(Dequant, GainScaleFactorsAndPowers)
{
    int widthL[22], lb[23];
    int widthS[13] = {4, 4, 4, 4, 6, 8, 10, 12, 14, 18, 22, 30, 56};
    int sb3[14];
    for (int k = 0; k < 22; ++k) widthL[k] = tables::kSfbLong[0][k + 1] - tables::kSfbLong[0][k];
    for (int k = 0; k < 23; ++k) lb[k] = tables::kSfbLong[0][k];
    for (int k = 0; k < 14; ++k) sb3[k] = 3 * tables::kSfbShort[0][k];
    BandTable band{lb, sb3, widthL, widthS};
    std::vector<int> ix(576, 0);
    ix[0] = 1;
    ix[1] = -2;
    ix[2] = 40;
    ix[3] = 31;
    std::vector<float> x(576, 0.0f), re(576);
    ScaleFactors sf{};
    GranuleChannel gc{};
    gc.global_gain = 210;
    CbInfo cb{};
    int nsamp = 4;
    dequant(x.data(), ix.data(), nsamp, sf, gc, cb, 8, band, re.data());
    EXPECT_FLOAT_EQ(x[0], 32768.0f);
    EXPECT_NEAR(x[1], -std::pow(2.0, 4.0 / 3.0) * 32768, 0.05);
    EXPECT_NEAR(x[2], std::pow(40.0, 4.0 / 3.0) * 32768, 5.0);
    EXPECT_NEAR(x[3], std::pow(31.0, 4.0 / 3.0) * 32768, 5.0);
    EXPECT_EQ(cb.cbtype, 0);
    EXPECT_EQ(cb.cbmax, 0);
    EXPECT_EQ(cb.ncbl, 21);

    // A mixed block: 8 long bands, short bands from 3.
    gc.block_type = 2;
    gc.mixed_block_flag = 1;
    std::fill(ix.begin(), ix.end(), 0);
    nsamp = 100;
    dequant(x.data(), ix.data(), nsamp, sf, gc, cb, 8, band, re.data());
    EXPECT_EQ(cb.ncbl, 8);
    EXPECT_EQ(cb.cbs0, 3);
    EXPECT_EQ(cb.cbtype, 1);
}

TEST(Stereo, IntensityPositionsSevenAndAboveAreIllegal)
{
    int widthL[22], lb[23], widthS[13] = {}, sb3[14] = {};
    for (int k = 0; k < 22; ++k) widthL[k] = tables::kSfbLong[0][k + 1] - tables::kSfbLong[0][k];
    for (int k = 0; k < 23; ++k) lb[k] = tables::kSfbLong[0][k];
    BandTable band{lb, sb3, widthL, widthS};
    for (int ms = 0; ms < 2; ++ms)
        for (int pos : {7, 9, 15, 3}) {
            std::vector<float> left(576, 1000.0f), right(576, 0.0f);
            ScaleFactors sf{};
            for (auto& v : sf.l) v = pos;
            CbInfo cb{0, -1, 0, 12, 21, {11, 11, 11}};
            is_process_MPEG1(left.data(), right.data(), sf, cb, 400, ms, band);
            if (pos >= 7) {
                EXPECT_EQ(left[10], 1000.0f) << pos;
                EXPECT_EQ(right[10], ms ? 1000.0f : 0.0f) << pos;
            } else {
                // Position 3: equal parts (tan 45 degrees).
                EXPECT_NEAR(left[10], right[10], 0.01) << pos;
                EXPECT_NEAR(left[10] + right[10], ms ? 1000.0f * std::sqrt(2.0f) : 1000.0f, 0.1) << pos;
            }
            EXPECT_EQ(left[450], 1000.0f) << "lines past the left channel's data are left alone";
        }
}

}  // namespace
}  // namespace brisko
