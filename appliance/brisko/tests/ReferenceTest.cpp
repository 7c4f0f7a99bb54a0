// Accuracy against independent decoders on streams made by real encoders: ffmpeg's floating-point
// decoders for every layer, madplay as a second reference for Layer III.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "Layer1Writer.h"
#include "StreamTools.h"
#include "brisko/FrameHeader.h"
#include "brisko/Tables.h"

namespace brisko::test {
namespace {

struct Case {
    const char* name;
    int rate;
    int channels;
    const char* encode;  // shell command; %s = input WAV, %s = output stream
    const char* codec;   // ffmpeg decoder of the reference ("" = none: madplay only)
    bool madplay;
};

// Highest frequency the decoder passes: the start of long band 21 for Layer III, 31 subbands for
// Layers I and II.
int bandLimitHz(int rate, bool layer3)
{
    if (!layer3) return rate / 2 * 31 / 32;
    int kind = rate >= 32000 ? 0 : rate >= 16000 ? 1 : 2;
    int index = (rate == 44100 || rate == 22050 || rate == 11025)   ? 0
                : (rate == 48000 || rate == 24000 || rate == 12000) ? 1
                                                                    : 2;
    return tables::kSfbLong[3 * kind + index][21] * rate / 1152;
}

std::string stream(const Case& c)
{
    bool layer3 = std::string(c.name).rfind("l3", 0) == 0;
    int lowpass = bandLimitHz(c.rate, layer3) * 85 / 100;
    std::string src = makeSource(std::string("src_") + c.name, c.rate, c.channels, 1.2, lowpass);
    if (src.empty()) return "";
    std::string out = workDir() + "/" + c.name + (layer3 ? ".mp3" : ".mp2");
    char cmd[1024];
    std::snprintf(cmd, sizeof cmd, c.encode, src.c_str(), out.c_str());
    if (!run(cmd)) return "";
    return out;
}

class Reference : public ::testing::TestWithParam<Case> {};

TEST_P(Reference, MatchesTheIndependentDecoders)
{
    const Case& c = GetParam();
    std::string path = stream(c);
    ASSERT_FALSE(path.empty()) << "encoder failed for " << c.name;
    Decoded ours = decodeFile(path);
    ASSERT_EQ(ours.result, 0);
    ASSERT_FALSE(ours.pcm16.empty());
    EXPECT_EQ(ours.errors, 0u);
    EXPECT_EQ(ours.format.channels, c.channels);
    if (*c.codec) {
        std::vector<float> ref = ffmpegReference(path, c.codec);
        ASSERT_FALSE(ref.empty()) << "ffmpeg could not decode " << path;
        EXPECT_EQ(ours.pcm16.size(), ref.size());
        Accuracy a = compare(ours.pcm16, ref);
        EXPECT_LE(a.rms, 0.6) << c.name;
        EXPECT_LE(a.max, 2.0) << c.name;
        EXPECT_LE(a.maxRaw, 2.0) << c.name;
        RecordProperty("rms_lsb", std::to_string(a.rms));
        RecordProperty("rms_raw_lsb", std::to_string(a.rmsRaw));
    }
    if (c.madplay) {
        std::vector<std::int16_t> ref = madplayReference(path);
        ASSERT_FALSE(ref.empty()) << "madplay could not decode " << path;
        EXPECT_EQ(ours.pcm16.size(), ref.size());
        // madplay rounds where the decoder truncates, so its samples cannot be aligned: up to one
        // step each way.
        Accuracy a = compare(ours.pcm16, ref);
        EXPECT_LE(a.rmsRaw, 0.8) << c.name;
        EXPECT_LE(a.maxRaw, 2.0) << c.name;
    }
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

#define LAME "lame --quiet -t "
const Case kLayer3[] = {
    {"l3_44k_joint", 44100, 2, LAME "-m j -b 128 %s %s", "mp3float", true},
    {"l3_44k_stereo_crc", 44100, 2, LAME "-m s -p -b 192 %s %s", "mp3float", true},
    {"l3_44k_dual", 44100, 2, LAME "-m d -b 160 %s %s", "mp3float", false},
    {"l3_44k_mono", 44100, 1, LAME "-m m -b 64 %s %s", "mp3float", true},
    {"l3_44k_vbr", 44100, 2, LAME "-V 2 %s %s", "mp3float", true},
    {"l3_48k_joint", 48000, 2, LAME "-m j -b 320 %s %s", "mp3float", true},
    {"l3_48k_mono_crc", 48000, 1, LAME "-m m -p -b 96 %s %s", "mp3float", true},
    {"l3_32k_stereo", 32000, 2, LAME "-m s -b 96 %s %s", "mp3float", true},
    {"l3_32k_joint_vbr", 32000, 2, LAME "-V 5 %s %s", "mp3float", true},
    {"l3_44k_free_format", 44100, 2, LAME "--freeformat -b 200 %s %s", "", true},
    {"l3_22k_joint", 22050, 2, LAME "-m j -b 64 %s %s", "mp3float", true},
    {"l3_24k_stereo_crc", 24000, 2, LAME "-m s -p -b 96 %s %s", "mp3float", true},
    {"l3_16k_mono", 16000, 1, LAME "-m m -b 32 %s %s", "mp3float", true},
    {"l3_16k_dual", 16000, 2, LAME "-m d -b 64 %s %s", "mp3float", false},
    {"l3_11k_joint", 11025, 2, LAME "-m j -b 32 %s %s", "mp3float", true},
    {"l3_12k_mono_crc", 12000, 1, LAME "-m m -p -b 24 %s %s", "mp3float", true},
    {"l3_8k_stereo", 8000, 2, LAME "-m s -b 24 %s %s", "mp3float", true},
    {"l3_8k_vbr", 8000, 1, LAME "-V 6 %s %s", "mp3float", true},
};
INSTANTIATE_TEST_SUITE_P(LayerIII, Reference, ::testing::ValuesIn(kLayer3), caseName);

#define TWOLAME "twolame --quiet "
#define FFMP2 "ffmpeg -v error -y -i %s -c:a mp2 "
const Case kLayer2[] = {
    {"l2_44k_stereo", 44100, 2, TWOLAME "-m s -b 192 %s %s", "mp2float", false},
    {"l2_44k_joint", 44100, 2, TWOLAME "-m j -b 128 %s %s", "mp2float", false},
    {"l2_44k_dual_crc", 44100, 2, TWOLAME "-m d -p -b 256 %s %s", "mp2float", false},
    {"l2_44k_vbr", 44100, 2, TWOLAME "-m s -v -V 5 %s %s", "mp2float", false},
    {"l2_48k_padded", 48000, 2, TWOLAME "-m j -d -b 224 %s %s", "mp2float", false},
    {"l2_44k_free_format", 44100, 2, TWOLAME "-m s --freeformat -b 200 %s %s", "", true},
    {"l2_44k_mono", 44100, 1, TWOLAME "-m m -b 96 %s %s", "mp2float", false},
    {"l2_48k_joint", 48000, 2, TWOLAME "-m j -b 384 %s %s", "mp2float", false},
    {"l2_48k_mono_low", 48000, 1, TWOLAME "-m m -b 48 %s %s", "mp2float", false},
    {"l2_32k_stereo_low", 32000, 2, TWOLAME "-m s -b 64 %s %s", "mp2float", false},
    {"l2_32k_stereo", 32000, 2, TWOLAME "-m s -b 160 %s %s", "mp2float", false},
    {"l2_22k_joint", 22050, 2, TWOLAME "-m j -b 96 %s %s", "mp2float", false},
    {"l2_24k_mono", 24000, 1, TWOLAME "-m m -b 64 %s %s", "mp2float", false},
    {"l2_16k_dual", 16000, 2, TWOLAME "-m d -b 80 %s %s", "mp2float", false},
    {"l2_ffmpeg_44k", 44100, 2, FFMP2 "-b:a 224k %s", "mp2float", false},
    {"l2_ffmpeg_48k_mono", 48000, 1, FFMP2 "-b:a 128k %s", "mp2float", false},
    {"l2_ffmpeg_32k", 32000, 2, FFMP2 "-b:a 64k %s", "mp2float", false},
    {"l2_ffmpeg_22k", 22050, 2, FFMP2 "-b:a 64k %s", "mp2float", false},
    {"l2_ffmpeg_16k_mono", 16000, 1, FFMP2 "-b:a 32k %s", "mp2float", false},
};
INSTANTIATE_TEST_SUITE_P(LayerII, Reference, ::testing::ValuesIn(kLayer2), caseName);

// Layer II frames of one source at two bitrates, interleaved: the bitrate (and with it the frame
// length and the allocation table) changes from frame to frame.
TEST(LayerIIBitrates, ChangingFromFrameToFrame)
{
    std::string src = makeSource("src_l2_switch", 44100, 2, 1.2, 15000);
    ASSERT_FALSE(src.empty());
    std::string lo = workDir() + "/l2_switch_lo.mp2", hi = workDir() + "/l2_switch_hi.mp2";
    ASSERT_TRUE(run("twolame --quiet -m s -b 128 " + src + " " + lo));
    ASSERT_TRUE(run("twolame --quiet -m s -b 320 " + src + " " + hi));
    auto a = readFile(lo), b = readFile(hi);
    auto frames = [](const std::vector<std::uint8_t>& s) {
        std::vector<std::vector<std::uint8_t>> out;
        std::size_t pos = 0;
        while (pos + 4 <= s.size()) {
            FrameHeader h;
            int n = head_info(s.data() + pos, s.size() - pos, h);
            if (n <= 0) break;
            n += h.pad;
            out.emplace_back(s.begin() + static_cast<long>(pos), s.begin() + static_cast<long>(pos + n));
            pos += static_cast<std::size_t>(n);
        }
        return out;
    };
    auto fa = frames(a), fb = frames(b);
    ASSERT_EQ(fa.size(), fb.size());
    std::vector<std::uint8_t> mixed;
    for (std::size_t f = 0; f < fa.size(); ++f) {
        auto& fr = (f / 3) % 2 ? fb[f] : fa[f];
        mixed.insert(mixed.end(), fr.begin(), fr.end());
    }
    std::string path = workDir() + "/l2_switch.mp2";
    writeFile(path, mixed);
    Decoded ours = decodeFile(path);
    EXPECT_EQ(ours.errors, 0u);
    std::vector<float> ref = ffmpegReference(path, "mp2float");
    ASSERT_FALSE(ref.empty());
    EXPECT_EQ(ours.pcm16.size(), ref.size());
    Accuracy acc = compare(ours.pcm16, ref);
    EXPECT_LE(acc.rms, 0.6);
    EXPECT_LE(acc.max, 2.0);
}

// Layer I streams from the test's own writer.
struct L1Case {
    const char* name;
    Layer1Stream s;
};

class LayerI : public ::testing::TestWithParam<L1Case> {};

TEST_P(LayerI, MatchesFfmpeg)
{
    const L1Case& c = GetParam();
    std::string path = workDir() + "/" + c.name + ".mp1";
    writeFile(path, writeLayer1(c.s));
    Decoded ours = decodeFile(path);
    ASSERT_EQ(ours.result, 0);
    EXPECT_EQ(ours.errors, 0u);
    EXPECT_EQ(ours.format.channels, c.s.mode == 3 ? 1 : 2);
    std::vector<float> ref = ffmpegReference(path, "mp1float");
    ASSERT_FALSE(ref.empty());
    EXPECT_EQ(ours.pcm16.size(), ref.size());
    Accuracy a = compare(ours.pcm16, ref);
    EXPECT_LE(a.rms, 0.6);
    EXPECT_LE(a.max, 2.0);
    EXPECT_LE(a.maxRaw, 2.0);
}

const L1Case kLayer1[] = {
    {"l1_44k_stereo", {1, 0, 12, 0, 0, false, 60, 16}},  {"l1_44k_joint", {1, 0, 12, 1, 1, false, 60, 16}},
    {"l1_48k_dual_crc", {1, 1, 12, 2, 0, true, 60, 14}}, {"l1_32k_mono", {1, 2, 8, 3, 0, false, 60, 20}},
    {"l1_22k_stereo", {0, 0, 12, 0, 0, false, 40, 16}},  {"l1_16k_joint_crc", {0, 2, 14, 1, 2, true, 40, 14}},
};
INSTANTIATE_TEST_SUITE_P(Writer, LayerI, ::testing::ValuesIn(kLayer1),
                         [](const ::testing::TestParamInfo<L1Case>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace brisko::test
