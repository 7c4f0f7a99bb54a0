// Channel conversion, rate reduction and 8-bit output, checked against the decoder's own 16-bit
// stereo output and against a tone's frequency and level.
#include <gtest/gtest.h>

#include <cmath>

#include "StreamTools.h"

namespace brisko::test {
namespace {

struct ModeCase {
    const char* name;
    const char* encode;
};

class OutputModes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(OutputModes, ConversionsAndEightBit)
{
    const ModeCase& c = GetParam();
    std::string path = makeStream(c.name, 44100, 2, c.encode);
    ASSERT_FALSE(path.empty());
    Decoded stereo = decodeFile(path, 0, 0);
    Decoded left = decodeFile(path, 0, 2);
    Decoded right = decodeFile(path, 0, 3);
    Decoded mono = decodeFile(path, 0, 1);
    Decoded eight = decodeFile(path, 0, 8);
    Decoded eightMono = decodeFile(path, 0, 8 | 1);
    ASSERT_EQ(stereo.format.channels, 2);
    ASSERT_EQ(left.format.channels, 1);
    ASSERT_EQ(mono.format.channels, 1);
    const std::size_t n = stereo.pcm16.size() / 2;
    ASSERT_EQ(left.pcm16.size(), n);
    ASSERT_EQ(right.pcm16.size(), n);
    ASSERT_EQ(mono.pcm16.size(), n);
    ASSERT_EQ(eight.pcm8.size(), 2 * n);
    ASSERT_EQ(eight.format.bits, 8);
    int worstMix = 0;
    for (std::size_t i = 0; i < n; ++i) {
        ASSERT_EQ(left.pcm16[i], stereo.pcm16[2 * i]) << i;
        ASSERT_EQ(right.pcm16[i], stereo.pcm16[2 * i + 1]) << i;
        int mix = (stereo.pcm16[2 * i] + stereo.pcm16[2 * i + 1]) / 2;
        worstMix = std::max(worstMix, std::abs(mono.pcm16[i] - mix));
        ASSERT_EQ(eightMono.pcm8[i], static_cast<std::uint8_t>(((mono.pcm16[i] >> 8) & 255) ^ 128)) << i;
    }
    EXPECT_LE(worstMix, 2);
    for (std::size_t i = 0; i < 2 * n; ++i)
        ASSERT_EQ(eight.pcm8[i], static_cast<std::uint8_t>(((stereo.pcm16[i] >> 8) & 255) ^ 128)) << i;
}

const ModeCase kModes[] = {
    {"modes_l3.mp3", "lame --quiet -t -m j -b 160 %s %s"},
    {"modes_l2.mp2", "twolame --quiet -m j -b 192 %s %s"},
};
INSTANTIATE_TEST_SUITE_P(Streams, OutputModes, ::testing::ValuesIn(kModes),
                         [](const ::testing::TestParamInfo<ModeCase>& i) { return std::to_string(i.index); });

// Frequency from zero crossings and RMS level of one channel, skipping the fades.
void measure(const std::vector<std::int16_t>& pcm, int channels, int rate, double& hz, double& rms)
{
    std::size_t n = pcm.size() / channels;
    std::size_t from = n / 5, to = n - n / 5;
    int crossings = 0;
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) {
        double v = pcm[i * channels];
        sum += v * v;
        if (i > from && (pcm[(i - 1) * channels] < 0) != (v < 0)) ++crossings;
    }
    hz = crossings / 2.0 / (static_cast<double>(to - from) / rate);
    rms = std::sqrt(sum / (to - from));
}

TEST(Reduction, HalfAndQuarterRateKeepTheTone)
{
    std::string wav = makeTone("tone1k", 44100, 2, 1000, 1.5);
    ASSERT_FALSE(wav.empty());
    for (const char* enc : {"lame --quiet -t -b 128 %s %s", "twolame --quiet -b 192 %s %s"}) {
        std::string out = workDir() + (enc[0] == 'l' ? "/tone1k.mp3" : "/tone1k.mp2");
        char cmd[512];
        std::snprintf(cmd, sizeof cmd, enc, wav.c_str(), out.c_str());
        ASSERT_TRUE(run(cmd));
        Decoded full = decodeFile(out, 0, 0);
        double hz0, rms0;
        measure(full.pcm16, 2, full.format.samprate, hz0, rms0);
        EXPECT_NEAR(hz0, 1000, 10);
        for (int reduction : {1, 2}) {
            Decoded d = decodeFile(out, reduction, 0);
            EXPECT_EQ(d.format.samprate, 44100 >> reduction);
            EXPECT_EQ(d.pcm16.size(), full.pcm16.size() >> reduction);
            double hz, rms;
            measure(d.pcm16, 2, d.format.samprate, hz, rms);
            EXPECT_NEAR(hz, 1000, 10) << out << " reduction " << reduction;
            EXPECT_NEAR(20 * std::log10(rms / rms0), 0.0, 1.0) << out << " reduction " << reduction;
        }
    }
}

}  // namespace
}  // namespace brisko::test
