// Files played by the plug-in core on the simulated card: every layer bit for bit as the decoder
// decodes the same bytes (also through a ring so small that frames cross its end), the device
// opened for what the decoder produces under each environment setting, damaged and foreign data,
// and failures of the file and the device reported to the host instead of ending the process.
#include <gtest/gtest.h>

#include <cerrno>
#include <random>

#include "CoreHost.h"
#include "Layer1Writer.h"

namespace brisko::test {
namespace {

constexpr uint32_t kStopped = MVS_PLUGIN_STATE | MVS_MEDIA;

struct Played {
    std::vector<Report> reports;
    std::vector<std::uint8_t> written;
    qnx::snd_pcm_channel_params_t params{};
};

// Opens, starts and waits for the end, on a fresh host.
Played Play(const std::string& path, const char* scheme = "file://")
{
    CoreHost host;
    Played out;
    EXPECT_EQ(host.Open(scheme + path), 0);
    EXPECT_EQ(host.Send(CMD_PLUGIN_START), 0);
    EXPECT_TRUE(host.WaitForEnd());
    out.reports = host.Take();
    out.written = host.sim->Written();
    out.params = host.sim->LastParams();
    return out;
}

const std::vector<Report> kNormalEnd{
    {MVS_PLUGIN_STATE, MV_OPENING}, {kStopped, MV_STOPPED}, {MVS_PLUGIN_STATE, MV_PLAYING}, {kStopped, MV_STOPPED}};

std::vector<Report> EndWithError(const std::string& text)
{
    return {{MVS_PLUGIN_STATE, MV_OPENING},
            {kStopped, MV_STOPPED},
            {MVS_PLUGIN_STATE, MV_PLAYING},
            {MVS_ERRORMSG, MV_STOPPED, text},
            {kStopped, MV_STOPPED}};
}

std::string Layer1File(const std::string& name)
{
    Layer1Stream s;
    s.frames = 150;
    std::string path = workDir() + "/" + name + ".mp1";
    writeFile(path, writeLayer1(s));
    return path;
}

std::string WithId3(const std::string& path, std::size_t tagBytes)
{
    std::vector<std::uint8_t> tag(tagBytes, 0);
    const std::size_t size = tagBytes - 10;
    std::vector<std::uint8_t> head{'I',
                                   'D',
                                   '3',
                                   3,
                                   0,
                                   0,
                                   static_cast<std::uint8_t>(size >> 21 & 127),
                                   static_cast<std::uint8_t>(size >> 14 & 127),
                                   static_cast<std::uint8_t>(size >> 7 & 127),
                                   static_cast<std::uint8_t>(size & 127)};
    std::copy(head.begin(), head.end(), tag.begin());
    std::vector<std::uint8_t> bytes = readFile(path);
    tag.insert(tag.end(), bytes.begin(), bytes.end());
    writeFile(path + ".id3", tag);
    return path + ".id3";
}

struct LayerCase {
    const char* name;
    int rate, channels;
    const char* encode;  // empty: the test's own Layer I writer
    const char* bufferSize;
};
void PrintTo(const LayerCase& c, std::ostream* out) { *out << c.name; }

class CoreFiles : public ::testing::TestWithParam<LayerCase> {};

TEST_P(CoreFiles, PlayAsTheDecoderDecodes)
{
    const LayerCase& c = GetParam();
    std::string path = *c.encode ? makeStream(std::string("core_") + c.name, c.rate, c.channels, c.encode, 2.0)
                                 : Layer1File(std::string("core_") + c.name);
    ASSERT_FALSE(path.empty());
    // A tag larger than the ring in front of the stream.
    path = WithId3(path, 30000);
    ScopedEnv env{{"BRISKOBUFFERSIZE", c.bufferSize}};
    Played p = Play(path);
    EXPECT_EQ(p.reports, kNormalEnd);
    EXPECT_EQ(p.params.format.rate, c.rate);
    EXPECT_EQ(p.params.format.voices, c.channels);
    EXPECT_EQ(p.params.format.format, qnx::SND_PCM_SFMT_S16_LE);
    std::vector<std::uint8_t> expected = PcmBytes(decodeBytes(readFile(path)));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(WithoutPadding(p.written, expected.size()), expected);
}

std::string caseName(const ::testing::TestParamInfo<LayerCase>& info) { return info.param.name; }

const LayerCase kLayers[] = {
    {"layer1", 44100, 2, "", "50000"},
    {"layer1_small_ring", 44100, 2, "", "5000"},
    {"layer2", 44100, 2, "twolame --quiet -m j -b 192 %s %s", "50000"},
    {"layer2_small_ring", 32000, 1, "twolame --quiet -m m -b 192 %s %s", "5000"},
    {"layer3", 44100, 2, "lame --quiet -t -m j -b 128 %s %s", "50000"},
    {"layer3_small_ring", 22050, 2, "lame --quiet -t -m s -b 160 %s %s", "5000"},
    {"layer3_vbr", 48000, 2, "lame --quiet -t -V 2 %s %s", "9000"},
};
INSTANTIATE_TEST_SUITE_P(Layers, CoreFiles, ::testing::ValuesIn(kLayers), caseName);

struct ModeCase {
    const char* name;
    const char* variable;
    const char* value;
    int rate, voices, format;
    int reduction, convert;  // what the decoder is asked for
};
void PrintTo(const ModeCase& c, std::ostream* out) { *out << c.name; }

class CoreModes : public ::testing::TestWithParam<ModeCase> {};

// The device takes the decoder's real output, not the header's rate and channels.
TEST_P(CoreModes, OpenTheDeviceForTheDecodersOutput)
{
    const ModeCase& c = GetParam();
    std::string path =
        makeStream(std::string("core_mode_") + c.name + ".mp3", 44100, 2, "lame --quiet -t -b 128 %s %s", 1.0);
    ASSERT_FALSE(path.empty());
    ScopedEnv env{{c.variable, c.value}};
    Played p = Play(path);
    EXPECT_EQ(p.reports, kNormalEnd);
    EXPECT_EQ(p.params.format.rate, c.rate);
    EXPECT_EQ(p.params.format.voices, c.voices);
    EXPECT_EQ(p.params.format.format, c.format);
    std::vector<std::uint8_t> expected = PcmBytes(decodeBytes(readFile(path), c.reduction, c.convert));
    const std::uint8_t silence = c.format == qnx::SND_PCM_SFMT_U8 ? 0x80 : 0;
    EXPECT_EQ(WithoutPadding(p.written, expected.size(), silence), expected);
}

std::string modeName(const ::testing::TestParamInfo<ModeCase>& info) { return info.param.name; }

const ModeCase kModes[] = {
    {"half_rate", "BRISKOREDUCTIONCODE", "1", 22050, 2, qnx::SND_PCM_SFMT_S16_LE, 1, 0},
    {"quarter_rate", "BRISKOREDUCTIONCODE", "2", 11025, 2, qnx::SND_PCM_SFMT_S16_LE, 2, 0},
    {"mono", "BRISKOCONVERTCODE", "1", 44100, 1, qnx::SND_PCM_SFMT_S16_LE, 0, 1},
    {"left_only", "BRISKOCONVERTCODE", "2", 44100, 1, qnx::SND_PCM_SFMT_S16_LE, 0, 2},
    // Codes of 4 and above are no conversion: the output stays 16-bit stereo.
    {"code_8_is_none", "BRISKOCONVERTCODE", "8", 44100, 2, qnx::SND_PCM_SFMT_S16_LE, 0, 0},
    {"code_11_is_none", "BRISKOCONVERTCODE", "11", 44100, 2, qnx::SND_PCM_SFMT_S16_LE, 0, 0},
    {"bitrate_limit_half", "BRISKOMAXBITRATE", "100000", 22050, 2, qnx::SND_PCM_SFMT_S16_LE, 1, 0},
    {"bitrate_limit_quarter", "BRISKOMAXBITRATE", "60000", 11025, 2, qnx::SND_PCM_SFMT_S16_LE, 2, 0},
};
INSTANTIATE_TEST_SUITE_P(Environment, CoreModes, ::testing::ValuesIn(kModes), modeName);

TEST(CoreDamage, TruncatedAndInterruptedStreams)
{
    std::string path = makeStream("core_damage.mp3", 44100, 2, "lame --quiet -t -b 128 %s %s", 2.0);
    ASSERT_FALSE(path.empty());
    std::vector<std::uint8_t> bytes = readFile(path);
    // Cut in the middle of a frame: the frames before the cut play, the rest of the last is dropped.
    std::vector<std::uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() * 3 / 5 + 77));
    writeFile(path + ".cut", cut);
    Played p = Play(path + ".cut");
    EXPECT_EQ(p.reports, kNormalEnd);
    std::vector<std::uint8_t> expected = PcmBytes(decodeBytes(cut));
    EXPECT_EQ(WithoutPadding(p.written, expected.size()), expected);

    // Text in the middle of the stream is skipped; playing goes on after it.
    std::vector<std::uint8_t> holed(bytes.begin(), bytes.begin() + 20000);
    holed.resize(holed.size() + 7000, 'x');
    holed.insert(holed.end(), bytes.begin() + 20000, bytes.end());
    writeFile(path + ".holed", holed);
    ScopedEnv env{{"BRISKOBUFFERSIZE", "6000"}};
    p = Play(path + ".holed");
    EXPECT_EQ(p.reports, kNormalEnd);
    EXPECT_GT(p.written.size(), PcmBytes(decodeBytes(bytes)).size() * 9 / 10);
}

TEST(CoreDamage, ForeignData)
{
    // Text: no header in the start fill.
    std::string text = workDir() + "/core_text.mp3";
    writeFile(text, std::vector<std::uint8_t>(100000, 'a'));
    Played p = Play(text);
    EXPECT_EQ(p.reports, EndWithError("MPEG Audio Plugin: Buffer size/percent insufficient to decode stream"));
    EXPECT_TRUE(p.written.empty());
    // Less than the start fill, or nothing: the data ended before any frame, which is an error.
    writeFile(text + ".short", std::vector<std::uint8_t>(1000, 'a'));
    EXPECT_EQ(Play(text + ".short").reports, EndWithError("MPEG Audio Plugin: no MPEG audio frames in the stream"));
    writeFile(text + ".empty", {});
    EXPECT_EQ(Play(text + ".empty").reports, EndWithError("MPEG Audio Plugin: no MPEG audio frames in the stream"));
    // Layer II frames of a bitrate that stereo does not allow: the decoder refuses the stream.
    std::vector<std::uint8_t> refused;
    for (int frame = 0; frame < 400; ++frame) {
        const std::uint8_t head[] = {0xFF, 0xFD, 0x10, 0x00};  // 32 kbit/s, 44.1 kHz, stereo: 104 bytes
        refused.insert(refused.end(), head, head + 4);
        refused.resize(refused.size() + 100, 0);
    }
    writeFile(text + ".refused", refused);
    EXPECT_EQ(Play(text + ".refused").reports, EndWithError("MPEG Audio Plugin: error in parsing frame header"));
    // Noise ends one way or the other, with a report.
    std::mt19937 random(7);
    std::vector<std::uint8_t> noise(400000);
    for (auto& b : noise) b = static_cast<std::uint8_t>(random());
    writeFile(text + ".noise", noise);
    p = Play(text + ".noise");
    ASSERT_FALSE(p.reports.empty());
    EXPECT_EQ(p.reports.back(), (Report{kStopped, MV_STOPPED}));
}

TEST(CoreFailures, FilesThatCannotBeRead)
{
    CoreHost host;
    ASSERT_EQ(host.Open("file:///nonexistent/core.mp3"), 0);
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForEnd());
    EXPECT_EQ(host.Take(), (std::vector<Report>{{MVS_PLUGIN_STATE, MV_OPENING},
                                                {kStopped, MV_STOPPED},
                                                {MVS_PLUGIN_STATE, MV_PLAYING},
                                                {MVS_PLUGIN_STATE | MVS_ERRORMSG, MV_CLOSED,
                                                 "brisko.so: unable to open specified file"}}));
    EXPECT_EQ(host.Send(CMD_PLUGIN_START), -1);
    // A read error ends the play with its text.
    ASSERT_EQ(host.Open("file://" + workDir()), 0);
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForEnd());
    EXPECT_EQ(host.Take(), (std::vector<Report>{{MVS_PLUGIN_STATE, MV_OPENING},
                                                {kStopped, MV_STOPPED},
                                                {MVS_PLUGIN_STATE, MV_PLAYING},
                                                {MVS_ERRORMSG, MV_STOPPED, "GetData: File Read error: Is a directory"},
                                                {kStopped, MV_STOPPED}}));
    // A URL shorter than its scheme is no path at all.
    ASSERT_EQ(host.Open("x"), 0);
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForEnd());
}

TEST(CoreFailures, DeviceFailuresAreReported)
{
    std::string path = makeStream("core_device.mp3", 44100, 2, "lame --quiet -t -b 128 %s %s", 1.0);
    ASSERT_FALSE(path.empty());
    CoreHost host;
    ASSERT_EQ(host.Open("file://" + path), 0);
    host.sim->FailNextOpen(-EBUSY);
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForEnd());
    std::vector<Report> reports = host.Take();
    ASSERT_EQ(reports.size(), 5u);
    EXPECT_EQ(reports[3].mask, static_cast<uint32_t>(MVS_ERRORMSG));
    EXPECT_TRUE(reports[3].text.starts_with("snd_pcm_open failed: ")) << reports[3].text;
    EXPECT_EQ(reports[4], (Report{kStopped, MV_STOPPED}));

    // A write the device will not take.
    host.sim->InjectShortWrite(100);
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForEnd());
    reports = host.Take();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_TRUE(reports[1].text.starts_with("snd_pcm_plugin_write error")) << reports[1].text;

    // The next start plays.
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForEnd());
    EXPECT_EQ(host.Take(), (std::vector<Report>{{MVS_PLUGIN_STATE, MV_PLAYING}, {kStopped, MV_STOPPED}}));
}

}  // namespace
}  // namespace brisko::test
