// Brisko_rave.so loaded by the media host mvhost, playing Layer I, II and III into the WAV
// output, from files and from a loopback HTTP server: the WAV holds what ffmpeg's floating-point
// decoder gives (at most 0.6 LSB RMS and 2 LSB apart after truncation, the same sample count).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>

#include "Layer1Writer.h"
#include "StreamServer.h"
#include "StreamTools.h"
#include "media/testing/LoopbackListener.h"

namespace brisko::test {
namespace {

// Runs mvhost on the plug-in (with its default commands when `commands` is empty); its exit status.
int RunHost(const std::string& url, const std::string& wav, const std::string& commands = "")
{
    std::string cmd = "ZEPHRA_AUDIO_SINK='wav:" + wav +
                      "' ZEPHRA_MEDIA_SETTINGS=/nonexistent/media.conf '" MVHOST_PATH "' " +
                      (commands.empty() ? "" : "-c '" + commands + "' ") + "'" BRISKO_PLUGIN_PATH "' '" + url + "' >'" +
                      wav + ".log' 2>&1";
    const int status = std::system(cmd.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct Case {
    const char* name;
    int rate, channels;
    const char* encode;  // empty: the test's own Layer I writer
    const char* codec;
};
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

std::string MakeStream(const Case& c)
{
    if (*c.encode) return makeStream(std::string("e2e_") + c.name, c.rate, c.channels, c.encode, 3.0);
    Layer1Stream s;
    s.frames = 300;
    std::string path = workDir() + "/e2e_" + c.name;
    writeFile(path, writeLayer1(s));
    return path;
}

void ExpectReference(const Wav& wav, const Case& c, const std::vector<float>& ref)
{
    EXPECT_EQ(wav.rate, c.rate);
    EXPECT_EQ(wav.channels, c.channels);
    EXPECT_EQ(wav.bits, 16);
    const std::size_t bytes = ref.size() * 2;
    ASSERT_EQ(wav.data.size(), bytes) << "the sample count differs from ffmpeg's";
    std::vector<std::int16_t> ours(ref.size());
    std::memcpy(ours.data(), wav.data.data(), bytes);
    Accuracy a = compare(ours, ref);
    EXPECT_LE(a.rms, 0.6);
    EXPECT_LE(a.max, 2.0);
}

class PluginEndToEnd : public ::testing::TestWithParam<Case> {};

// Answers each request with `body` under a head that gives `length` as its Content-Length, then
// closes the connection, or with `holdOpen` keeps it open while the client stays.
class LengthServer {
public:
    LengthServer(std::vector<std::uint8_t> body, std::size_t length, bool holdOpen)
        : body_(std::move(body)), length_(length), holdOpen_(holdOpen)
    {
        listener_.Start([this](int client) { Answer(client); },
                        media::testing::LoopbackListener::Connections::Concurrent);
    }
    ~LengthServer() { listener_.Stop(); }
    std::string Url(const std::string& path) const { return listener_.Url(path); }

private:
    void Answer(int client)
    {
        media::testing::ReadRequestHead(client);
        const std::string head =
            "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nContent-Length: " + std::to_string(length_) + "\r\n\r\n";
        if (!media::testing::SendAll(client, head.data(), head.size())) return;
        if (!media::testing::SendAll(client, body_.data(), body_.size())) return;
        if (holdOpen_) listener_.HoldOpen(client);
    }

    std::vector<std::uint8_t> body_;
    std::size_t length_;
    bool holdOpen_;
    media::testing::LoopbackListener listener_;
};

// A stream ends at its Content-Length, also when the server keeps the connection open (no wait
// for the connection's time-out); a body that ends short of it is an error, not a normal end.
// The scheme may be written in capitals.
TEST(PluginEndToEndFaults, TheContentLengthEndsTheStreamAndAShortBodyIsAnError)
{
    const std::string mp3 = makeStream("e2e_length.mp3", 44100, 2, "lame --quiet -t -b 128 %s %s", 1.0);
    ASSERT_FALSE(mp3.empty());
    const std::vector<std::uint8_t> bytes = readFile(mp3);
    const Decoded whole = decodeBytes(bytes);
    {
        LengthServer server(bytes, bytes.size(), true);
        const std::string wav = mp3 + ".held.wav";
        const std::string url = "HTTP://" + server.Url("/held").substr(7);
        EXPECT_EQ(RunHost(url, wav), 0) << readFile(wav + ".log").data();
        EXPECT_EQ(readWav(wav).data.size(), whole.pcm16.size() * 2);
    }
    LengthServer server(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(bytes.size() / 2)),
                        bytes.size(), false);
    const std::string wav = mp3 + ".short.wav";
    EXPECT_EQ(RunHost(server.Url("/short"), wav), 1);
    const std::vector<std::uint8_t> log = readFile(wav + ".log");
    EXPECT_NE(std::string(log.begin(), log.end())
                  .find("error: GetData: File Read error: the stream ended before its Content-Length"),
              std::string::npos)
        << std::string(log.begin(), log.end());
}

// Answers each request in the chunked transfer coding (as some servers do even to HTTP/1.0):
// chunks of changing sizes, some with extensions, the last one and a trailer, then keeps the
// connection open while the client stays. With `breakAt` > 0, the chunk that would cover that
// offset gets a size line that is not hexadecimal.
class ChunkedServer {
public:
    ChunkedServer(std::vector<std::uint8_t> body, std::size_t breakAt = 0) : body_(std::move(body)), breakAt_(breakAt)
    {
        listener_.Start([this](int client) { Answer(client); },
                        media::testing::LoopbackListener::Connections::Concurrent);
    }
    ~ChunkedServer() { listener_.Stop(); }
    std::string Url(const std::string& path) const { return listener_.Url(path); }

private:
    void Answer(int client)
    {
        media::testing::ReadRequestHead(client);
        std::string out = "HTTP/1.1 200 OK\r\nContent-Type: audio/mpeg\r\nTransfer-Encoding: chunked\r\n\r\n";
        static const std::size_t kSizes[] = {1, 7, 417, 4096, 100, 13, 2000, 65536, 3};
        std::size_t sent = 0;
        for (std::size_t i = 0; sent < body_.size(); ++i) {
            const std::size_t size = std::min(kSizes[i % std::size(kSizes)], body_.size() - sent);
            char line[40];
            const bool broken = breakAt_ > 0 && sent + size > breakAt_;
            if (broken) std::snprintf(line, sizeof line, "zz%zx\r\n", size);
            else if (i % 3 == 0) std::snprintf(line, sizeof line, "%zX;part=%zu\r\n", size, i);
            else std::snprintf(line, sizeof line, "%zx\r\n", size);
            out += line;
            out.append(body_.begin() + static_cast<long>(sent), body_.begin() + static_cast<long>(sent + size));
            out += "\r\n";
            sent += size;
        }
        out += "0\r\nX-Checksum: none\r\n\r\n";
        if (!media::testing::SendAll(client, out.data(), out.size())) return;
        listener_.HoldOpen(client);
    }

    std::vector<std::uint8_t> body_;
    std::size_t breakAt_;
    media::testing::LoopbackListener listener_;
};

// A body in the chunked transfer coding plays as its data: the same samples as the same file
// served plainly, none of the chunk lines heard as clicks, and it ends at the last chunk though
// the server keeps the connection. Broken chunks are an error, not a normal end.
TEST(PluginEndToEndFaults, AChunkedStreamPlaysAsItsDataAndBrokenChunksAreAnError)
{
    const std::string mp3 = makeStream("e2e_chunked.mp3", 44100, 2, "lame --quiet -t -b 128 %s %s", 2.0);
    ASSERT_FALSE(mp3.empty());
    const std::vector<std::uint8_t> bytes = readFile(mp3);
    StreamServer plainServer(bytes);
    const std::string plain = mp3 + ".plain.wav";
    ASSERT_EQ(RunHost(plainServer.Url("/plain"), plain), 0) << readFile(plain + ".log").data();
    const Wav expected = readWav(plain);
    ASSERT_GT(expected.data.size(), 100000u);

    ChunkedServer chunkedServer(bytes);
    const std::string chunked = mp3 + ".chunked.wav";
    EXPECT_EQ(RunHost(chunkedServer.Url("/chunked"), chunked), 0) << readFile(chunked + ".log").data();
    const Wav got = readWav(chunked);
    EXPECT_EQ(got.rate, expected.rate);
    EXPECT_EQ(got.data.size(), expected.data.size());
    EXPECT_TRUE(got.data == expected.data) << "the chunked stream's samples differ from the plain one's";

    ChunkedServer brokenServer(bytes, bytes.size() / 2);
    const std::string broken = mp3 + ".broken.wav";
    EXPECT_EQ(RunHost(brokenServer.Url("/broken"), broken), 1);
    const std::vector<std::uint8_t> log = readFile(broken + ".log");
    EXPECT_NE(std::string(log.begin(), log.end())
                  .find("error: GetData: File Read error: the stream's chunked coding is broken"),
              std::string::npos)
        << std::string(log.begin(), log.end());
}

// A status poll after a file has played whole has nothing to report: the host does not count
// it as a failed command.
TEST(PluginEndToEndFaults, AStatusPollAfterAWholePlayIsNoFailure)
{
    const std::string mp3 = makeStream("e2e_status.mp3", 44100, 2, "lame --quiet -t -b 128 %s %s", 0.5);
    ASSERT_FALSE(mp3.empty());
    const std::string wav = mp3 + ".wav";
    EXPECT_EQ(RunHost("file://" + mp3, wav, "start,end,status"), 0);
    const std::vector<std::uint8_t> bytes = readFile(wav + ".log");
    const std::string log(bytes.begin(), bytes.end());
    EXPECT_NE(log.find("state MV_STOPPED\n> status\n"), std::string::npos) << log;
    EXPECT_EQ(log.find("error"), std::string::npos) << log;
    EXPECT_GT(readWav(wav).data.size(), 40000u);
}

// A WAV, an AIFF and a text given to the MPEG player are refused with an error: no sound is
// played, the device is opened for none of them and no header found by chance changes a format.
TEST(PluginEndToEndFaults, SoundFilesOfOtherKindsAndTextAreRefused)
{
    const std::vector<std::string> files = makeOtherFiles("e2e_other");
    ASSERT_EQ(files.size(), 3u);
    for (const std::string& file : files) {
        const std::string wav = file + ".out.wav";
        std::remove(wav.c_str());
        EXPECT_EQ(RunHost("file://" + file, wav), 1) << file;
        const std::vector<std::uint8_t> bytes = readFile(wav + ".log");
        const std::string log(bytes.begin(), bytes.end());
        EXPECT_NE(log.find("error: MPEG Audio Plugin: "), std::string::npos) << log;
        EXPECT_EQ(log.find("Stream format changed"), std::string::npos) << log;
        EXPECT_TRUE(readFile(wav).empty()) << file << ": the device was opened";
    }
}

// A file that is not there fails at the open, and no command runs after it.
TEST(PluginEndToEndFaults, AMissingFileIsAFailedOpen)
{
    const std::string missing = workDir() + "/e2e_missing.mp3";
    std::remove(missing.c_str());
    const std::string wav = workDir() + "/e2e_missing.wav";
    EXPECT_EQ(RunHost("file://" + missing, wav), 1);
    const std::vector<std::uint8_t> bytes = readFile(wav + ".log");
    const std::string log(bytes.begin(), bytes.end());
    EXPECT_NE(log.find("mvhost: file://" + missing + ": No such file or directory\n"), std::string::npos) << log;
    EXPECT_NE(log.find("cannot be opened: the commands are not run"), std::string::npos) << log;
    EXPECT_EQ(log.find("> start"), std::string::npos) << log;
}

// A file that holds no MPEG frame (empty, or text) is an error the host sees, not a piece that
// played to its end.
TEST(PluginEndToEndFaults, AFileWithoutFramesIsReportedAsAnError)
{
    const std::string empty = workDir() + "/e2e_empty.mp3";
    const std::string text = workDir() + "/e2e_text.mp3";
    writeFile(empty, {});
    writeFile(text, std::vector<std::uint8_t>(20000, 'a'));
    // The text may be refused before the reader has reached its end (then the start fill found no
    // frame); either way the host sees an error.
    for (const auto& [file, error] : {std::pair{empty, "error: MPEG Audio Plugin: no MPEG audio frames in the stream"},
                                      std::pair{text, "error: MPEG Audio Plugin: "}}) {
        const std::string wav = file + ".wav";
        EXPECT_EQ(RunHost("file://" + file, wav), 1) << file;
        const std::vector<std::uint8_t> log = readFile(wav + ".log");
        EXPECT_NE(std::string(log.begin(), log.end()).find(error), std::string::npos)
            << std::string(log.begin(), log.end());
    }
}

TEST_P(PluginEndToEnd, FileAndHttpMatchTheReference)
{
    const Case& c = GetParam();
    std::string path = MakeStream(c);
    ASSERT_FALSE(path.empty());
    std::vector<float> ref = ffmpegReference(path, c.codec);
    ASSERT_FALSE(ref.empty());

    const std::string fromFile = path + ".file.wav";
    ASSERT_EQ(RunHost("file://" + path, fromFile), 0) << readFile(fromFile + ".log").data();
    ExpectReference(readWav(fromFile), c, ref);

    StreamServer server(readFile(path));
    const std::string fromHttp = path + ".http.wav";
    ASSERT_EQ(RunHost(server.Url("/" + std::string(c.name)), fromHttp), 0);
    ExpectReference(readWav(fromHttp), c, ref);
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) { return info.param.name; }

const Case kCases[] = {
    {"layer1", 44100, 2, "", "mp1float"},
    {"layer2", 44100, 2, "twolame --quiet -m s -b 192 %s %s", "mp2float"},
    {"layer2_mono_48k", 48000, 1, "twolame --quiet -m m -b 96 %s %s", "mp2float"},
    {"layer3", 44100, 2, "lame --quiet -t -m j -b 128 %s %s", "mp3float"},
    {"layer3_22k", 22050, 2, "lame --quiet -t -m j -b 64 %s %s", "mp3float"},
};
INSTANTIATE_TEST_SUITE_P(Layers, PluginEndToEnd, ::testing::ValuesIn(kCases), caseName);

}  // namespace
}  // namespace brisko::test

namespace brisko::test {
namespace {

// Files with the tags lame writes (ID3v1 at the end, ID3v2 at the start, or both) play without
// a word of error; the same file with damage after its last frame still reports it.
TEST(PluginEndToEndTags, TaggedFilesPlayWithoutErrorTextsAndDamageIsStillReported)
{
    const char* tags = "--tt 'A Title' --ta 'An Artist' --tl 'An Album' --ty 2001 --tc 'A comment' --tn 3 --tg Jazz";
    for (const char* kind : {"--id3v1-only", "--add-id3v2", "--id3v2-only"}) {
        const std::string encode = std::string("lame --quiet -b 128 ") + tags + " " + kind + " %s %s";
        const std::string mp3 = makeStream(std::string("e2e_tags") + kind + ".mp3", 44100, 2, encode, 1.0);
        ASSERT_FALSE(mp3.empty()) << kind;
        const std::string wav = mp3 + ".wav";
        EXPECT_EQ(RunHost("file://" + mp3, wav), 0) << kind;
        const std::vector<std::uint8_t> bytes = readFile(wav + ".log");
        const std::string log(bytes.begin(), bytes.end());
        EXPECT_EQ(log.find("No Syncword found"), std::string::npos) << kind << "\n" << log;
        EXPECT_EQ(log.find("Decode Error"), std::string::npos) << kind << "\n" << log;
        if (std::string(kind) != "--id3v2-only") {
            EXPECT_NE(log.find("An Artist"), std::string::npos) << log;
        }
    }
    std::vector<std::uint8_t> damaged = readFile(workDir() + "/e2e_tags--id3v1-only.mp3");
    damaged.insert(damaged.end(), 300, 0x55);
    const std::string file = workDir() + "/e2e_tags_damaged.mp3";
    writeFile(file, damaged);
    EXPECT_EQ(RunHost("file://" + file, file + ".wav"), 0);
    const std::vector<std::uint8_t> bytes = readFile(file + ".wav.log");
    EXPECT_NE(std::string(bytes.begin(), bytes.end()).find("No Syncword found"), std::string::npos);
}

}  // namespace
}  // namespace brisko::test

namespace brisko::test {
namespace {

// Runs briskodec on a file into `raw`; its exit status, with its standard error in `log`.
int RunBriskodec(const std::string& file, const std::string& raw, std::string& log)
{
    const std::string cmd = "'" BRISKODEC_PATH "' -o '" + raw + "' '" + file + "' 2>'" + raw + ".log'";
    const int status = std::system(cmd.c_str());
    const std::vector<std::uint8_t> bytes = readFile(raw + ".log");
    log.assign(bytes.begin(), bytes.end());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// 16-bit samples with each one of a single channel given to both channels.
void AppendAsStereo(std::vector<std::int16_t>& out, const std::uint8_t* pcm, std::size_t bytes, int channels)
{
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        const auto v = static_cast<std::int16_t>(pcm[i] | pcm[i + 1] << 8);
        out.push_back(v);
        if (channels == 1) out.push_back(v);
    }
}

constexpr std::size_t kGranule = 576;  // samples of a channel in a Layer III granule

// Each granule of both channels against a reference (at most 0.6 LSB RMS and 2 LSB apart after
// truncation) and, where the reference sounds, not silent; `skip` says which granules to leave
// out, `scale` what to multiply the reference's samples with.
template <typename Skip, typename Scale>
void ExpectGranules(const std::vector<std::int16_t>& ours, const std::vector<float>& ref, const char* who,
                    const char* refName, Skip skip, Scale scale)
{
    ASSERT_EQ(ours.size(), ref.size()) << who << " against " << refName;
    for (std::size_t g = 0; g < ours.size() / (2 * kGranule); ++g) {
        if (skip(g)) continue;
        for (int ch = 0; ch < 2; ++ch) {
            std::vector<std::int16_t> a;
            std::vector<float> b;
            double energy = 0, refEnergy = 0;
            for (std::size_t i = 0; i < kGranule; ++i) {
                const std::size_t at = 2 * (g * kGranule + i) + static_cast<std::size_t>(ch);
                a.push_back(ours[at]);
                b.push_back(ref[at] * static_cast<float>(scale(g)));
                energy += double(ours[at]) * ours[at];
                refEnergy += double(b.back()) * b.back() * 32768.0 * 32768.0;
            }
            const Accuracy acc = compare(a, b);
            EXPECT_LE(acc.rms, 0.6) << who << " against " << refName << ": granule " << g << " channel " << ch;
            EXPECT_LE(acc.max, 2.0) << who << " against " << refName << ": granule " << g << " channel " << ch;
            if (refEnergy > 1e6 * kGranule) {
                EXPECT_GT(energy, 0.25 * refEnergy) << who << ": granule " << g << " is silent";
            }
        }
    }
}

// A stream of 1152-sample frames that changes from one channel to two at frame change1 and back at
// change2, through briskodec and the plug-in (through mvhost into a WAV output): every granule is
// what ffmpeg's floating-point decoder `codec` gives (spreading a single channel over two at
// -3 dB), and what mpg123 gives but in the first frame after each change (where it starts anew).
void ExpectTheSoundKeptAcrossModeChanges(const std::string& mp3, const std::string& codec, std::size_t change1,
                                         std::size_t change2)
{
    std::vector<float> ffmpeg;
    {
        const std::string out = mp3 + ".ffmpeg.f32";
        ASSERT_TRUE(run("ffmpeg -v error -y -c:a " + codec + " -i '" + mp3 + "' -ac 2 -f f32le '" + out + "'"));
        const std::vector<std::uint8_t> bytes = readFile(out);
        ffmpeg.resize(bytes.size() / 4);
        std::memcpy(ffmpeg.data(), bytes.data(), ffmpeg.size() * 4);
    }
    const std::vector<float> mpg123 = mpg123Reference(mp3, "--stereo");
    ASSERT_FALSE(mpg123.empty());
    const std::size_t g1 = 2 * change1, g2 = 2 * change2;
    auto monoSpan = [&](std::size_t g) { return g < g1 || g >= g2; };
    auto firstFrameAfterAChange = [&](std::size_t g) { return g == g1 || g == g1 + 1 || g == g2 || g == g2 + 1; };
    auto ffmpegScale = [&](std::size_t g) { return monoSpan(g) ? std::sqrt(2.0) : 1.0; };
    auto checkBoth = [&](const std::vector<std::int16_t>& ours, const char* who) {
        ExpectGranules(
            ours, ffmpeg, who, "ffmpeg", [](std::size_t) { return false; }, ffmpegScale);
        ExpectGranules(ours, mpg123, who, "mpg123", firstFrameAfterAChange, [](std::size_t) { return 1.0; });
    };

    // briskodec: the raw output changes its channels where standard error says.
    const std::string raw = mp3 + ".raw";
    std::string log;
    ASSERT_EQ(RunBriskodec(mp3, raw, log), 0) << log;
    const std::size_t monoBytes = change1 * 1152 * 2, stereoBytes = (change2 - change1) * 1152 * 4;
    EXPECT_NE(log.find("briskodec: 44100 Hz, 1 channel(s), 16 bits\n"), std::string::npos) << log;
    EXPECT_NE(log.find("briskodec: from byte " + std::to_string(monoBytes) +
                       " of the output: 44100 Hz, 2 channel(s), 16 bits\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("briskodec: from byte " + std::to_string(monoBytes + stereoBytes) +
                       " of the output: 44100 Hz, 1 channel(s), 16 bits\n"),
              std::string::npos)
        << log;
    const std::vector<std::uint8_t> pcm = readFile(raw);
    ASSERT_GT(pcm.size(), monoBytes + stereoBytes);
    std::vector<std::int16_t> fromBriskodec;
    AppendAsStereo(fromBriskodec, pcm.data(), monoBytes, 1);
    AppendAsStereo(fromBriskodec, pcm.data() + monoBytes, stereoBytes, 2);
    AppendAsStereo(fromBriskodec, pcm.data() + monoBytes + stereoBytes, pcm.size() - monoBytes - stereoBytes, 1);
    checkBoth(fromBriskodec, "briskodec");

    // The plug-in: the WAV output goes on in a numbered file at each change of channels.
    const std::string wav = mp3 + ".out.wav";
    const std::string wav2 = mp3 + ".out-2.wav", wav3 = mp3 + ".out-3.wav";
    for (const std::string& w : {wav, wav2, wav3}) std::remove(w.c_str());
    ASSERT_EQ(RunHost("file://" + mp3, wav), 0) << readFile(wav + ".log").data();
    const Wav first = readWav(wav), second = readWav(wav2), third = readWav(wav3);
    EXPECT_EQ(first.channels, 1);
    EXPECT_EQ(second.channels, 2);
    EXPECT_EQ(third.channels, 1);
    EXPECT_EQ(first.data.size(), monoBytes);
    EXPECT_EQ(second.data.size(), stereoBytes);
    std::vector<std::int16_t> fromPlugin;
    AppendAsStereo(fromPlugin, first.data.data(), first.data.size(), first.channels);
    AppendAsStereo(fromPlugin, second.data.data(), second.data.size(), second.channels);
    AppendAsStereo(fromPlugin, third.data.data(), third.data.size(), third.channels);
    checkBoth(fromPlugin, "the plug-in");
}

// A Layer III stream that changes from one channel to two and back: a real encoder's
// single-channel and joint-stereo frames of one source joined frame by frame, the main data of the
// frames after each change beginning in the frames before it. The reservoir and the filterbank go
// on across the changes.
TEST(PluginEndToEndModes, MonoStereoMonoKeepsTheSoundAcrossTheChanges)
{
    const std::string stereoSource = makeSource("e2e_modes_src2", 44100, 2, 3.0, 13000);
    ASSERT_FALSE(stereoSource.empty());
    const std::string monoSource = workDir() + "/e2e_modes_src1.wav";
    const std::string monoMp3 = workDir() + "/e2e_modes_mono.mp3", stereoMp3 = workDir() + "/e2e_modes_stereo.mp3";
    ASSERT_TRUE(run("sox -D '" + stereoSource + "' -c 1 '" + monoSource + "' remix 1,2"));
    ASSERT_TRUE(run("lame --quiet -t -m m -b 64 '" + monoSource + "' '" + monoMp3 + "'"));
    ASSERT_TRUE(run("lame --quiet -t -m j -b 128 '" + stereoSource + "' '" + stereoMp3 + "'"));
    const std::vector<std::uint8_t> mono = readFile(monoMp3), stereo = readFile(stereoMp3);
    constexpr std::size_t kChange1 = 40, kChange2 = 80, kFrames = 110;
    const std::vector<std::uint8_t> joined = joinLayer3(
        {{mono, 0, kChange1}, {stereo, kChange1, kChange2 - kChange1}, {mono, kChange2, kFrames - kChange2}});
    ASSERT_FALSE(joined.empty());
    // The first frame after each change takes main data from the frames before it.
    std::size_t at = 0;
    for (std::size_t f = 0; f < kFrames; ++f) {
        if (f == kChange1 || f == kChange2) {
            EXPECT_GT(joined[at + 4] << 1 | joined[at + 5] >> 7, 0) << "frame " << f;
        }
        static const int kKbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
        at += 144000 * kKbps[joined[at + 2] >> 4] / 44100 + ((joined[at + 2] >> 1) & 1);
    }
    const std::string mp3 = workDir() + "/e2e_modes.mp3";
    writeFile(mp3, joined);
    ExpectTheSoundKeptAcrossModeChanges(mp3, "mp3float", kChange1, kChange2);
}

// Layer II frames of one source, single-channel and stereo, joined: the synthesis goes on.
TEST(PluginEndToEndModes, LayerIIMonoStereoMonoKeepsTheSoundAcrossTheChanges)
{
    const std::string stereoSource = makeSource("e2e_modes2_src2", 44100, 2, 3.0, 13000);
    ASSERT_FALSE(stereoSource.empty());
    const std::string monoSource = workDir() + "/e2e_modes2_src1.wav";
    const std::string monoMp2 = workDir() + "/e2e_modes2_mono.mp2", stereoMp2 = workDir() + "/e2e_modes2_stereo.mp2";
    ASSERT_TRUE(run("sox -D '" + stereoSource + "' -c 1 '" + monoSource + "' remix 1,2"));
    ASSERT_TRUE(run("twolame --quiet -m m -b 96 '" + monoSource + "' '" + monoMp2 + "'"));
    ASSERT_TRUE(run("twolame --quiet -m s -b 192 '" + stereoSource + "' '" + stereoMp2 + "'"));
    // MPEG-1 Layer II frames at 44.1 kHz: 144000 x kbit/s / 44100 bytes, one more when padded.
    auto frames = [](const std::vector<std::uint8_t>& s) {
        static const int kKbps[] = {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0};
        std::vector<std::size_t> starts;
        for (std::size_t at = 0; at + 4 <= s.size() && s[at] == 0xFF;
             at += 144000 * kKbps[s[at + 2] >> 4] / 44100 + ((s[at + 2] >> 1) & 1))
            starts.push_back(at);
        starts.push_back(s.size());
        return starts;
    };
    const std::vector<std::uint8_t> mono = readFile(monoMp2), stereo = readFile(stereoMp2);
    const std::vector<std::size_t> m = frames(mono), st = frames(stereo);
    constexpr std::size_t kChange1 = 40, kChange2 = 80, kFrames = 110;
    ASSERT_GT(m.size(), kFrames + 1);
    ASSERT_GT(st.size(), kChange2 + 1);
    std::vector<std::uint8_t> joined(mono.begin(), mono.begin() + static_cast<long>(m[kChange1]));
    joined.insert(joined.end(), stereo.begin() + static_cast<long>(st[kChange1]),
                  stereo.begin() + static_cast<long>(st[kChange2]));
    joined.insert(joined.end(), mono.begin() + static_cast<long>(m[kChange2]),
                  mono.begin() + static_cast<long>(m[kFrames]));
    const std::string mp2 = workDir() + "/e2e_modes2.mp2";
    writeFile(mp2, joined);
    ExpectTheSoundKeptAcrossModeChanges(mp2, "mp2float", kChange1, kChange2);
}

// 100 bytes that are no stream: a Layer I header whose frame would end at the end of the data,
// another sync pair, and junk around them. The plug-in refuses them; briskodec writes nothing and
// says so with status 1 (it decoded a frame of noise from them).
TEST(PluginEndToEndFaults, AHundredBytesOfJunkAreNoStream)
{
    std::vector<std::uint8_t> junk(100);
    std::uint32_t x = 69;
    for (auto& b : junk) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>((x >> 16) & 0x7F);
    }
    // MPEG-1 Layer I, 32 kbit/s, 44.1 kHz, stereo: 4 x (240 x 32 / 882) = 32 bytes, from byte 68.
    const std::uint8_t header[] = {0xFF, 0xFF, 0x10, 0x00};
    std::copy(std::begin(header), std::end(header), junk.begin() + 68);
    junk[20] = 0xFF;
    junk[21] = 0xF3;
    const std::string file = workDir() + "/e2e_junk.mp3";
    writeFile(file, junk);

    const std::string raw = file + ".raw";
    std::string log;
    EXPECT_EQ(RunBriskodec(file, raw, log), 1) << log;
    EXPECT_TRUE(readFile(raw).empty());
    EXPECT_NE(log.find("briskodec: no MPEG audio stream found\n"), std::string::npos) << log;

    const std::string wav = file + ".wav";
    std::remove(wav.c_str());
    EXPECT_EQ(RunHost("file://" + file, wav), 1);
    const std::vector<std::uint8_t> hostLog = readFile(wav + ".log");
    EXPECT_NE(std::string(hostLog.begin(), hostLog.end()).find("error: MPEG Audio Plugin: "), std::string::npos);
    EXPECT_TRUE(readFile(wav).empty());
}

}  // namespace
}  // namespace brisko::test
