// Network streams played by the plug-in core from a loopback server: bit for bit as the decoder
// decodes the same bytes, the stream's name from its header lines, the buffer line, a stream that
// stalls (ended by the connection's time-out with a reported error), a server that never answers,
// one that refuses the connection, and a stop while the reader waits on a stalled stream.
#include <gtest/gtest.h>

#include <regex>

#include "CoreHost.h"
#include "StreamServer.h"
#include "mediaapi/HttpOpen.h"

namespace brisko::test {
namespace {

constexpr uint32_t kStopped = MVS_PLUGIN_STATE | MVS_MEDIA;
const Report kOpening{MVS_PLUGIN_STATE, MV_OPENING};
const Report kStoppedReport{kStopped, MV_STOPPED};
const Report kPlaying{MVS_PLUGIN_STATE, MV_PLAYING};
const Report kNamed{MVS_MEDIA, MV_PLAYING, "Test Radio\r\n"};

std::string Stream(const std::string& name, double seconds)
{
    return makeStream(name + ".mp3", 44100, 2, "lame --quiet -t -b 128 %s %s", seconds);
}

// The time-out of a stalled connection, short for the test.
class ShortTimeout {
public:
    explicit ShortTimeout(unsigned ms) : saved_(httpTimeoutMs) { httpTimeoutMs = ms; }
    ~ShortTimeout() { httpTimeoutMs = saved_; }

private:
    unsigned saved_;
};

TEST(CoreStream, PlaysAsTheDecoderDecodes)
{
    std::string path = Stream("net_play", 3.0);
    ASSERT_FALSE(path.empty());
    std::vector<std::uint8_t> bytes = readFile(path);
    std::vector<std::uint8_t> expected = PcmBytes(decodeBytes(bytes));
    for (const char* size : {"700000", "5000"}) {
        ScopedEnv env{{"BRISKOBUFFERSIZE", size}};
        StreamServer server(bytes);
        CoreHost host;
        ASSERT_EQ(host.Open(server.Url("/net_play.mp3")), 0);
        ASSERT_EQ(host.Send(CMD_PLUGIN_GET_STATUS), -1);  // nothing buffered yet
        ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
        ASSERT_TRUE(host.WaitForEnd());
        EXPECT_EQ(host.Take(), (std::vector<Report>{kOpening, kStoppedReport, kPlaying, kNamed, kStoppedReport}));
        EXPECT_EQ(WithoutPadding(host.sim->Written(), expected.size()), expected) << size;
        ASSERT_EQ(server.Requests().size(), 1u);
        EXPECT_TRUE(server.Requests()[0].starts_with("GET /net_play.mp3 HTTP/1.0\r\n"));
    }
}

TEST(CoreStream, StallEndsWithAReportedError)
{
    std::string path = Stream("net_stall", 3.0);
    ASSERT_FALSE(path.empty());
    std::vector<std::uint8_t> bytes = readFile(path);
    const long half = static_cast<long>(bytes.size() / 2);
    ShortTimeout timeout(200);
    StreamServer server(bytes, half);
    CoreHost host;
    ASSERT_EQ(host.Open(server.Url("/net_stall.mp3")), 0);
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForEnd());
    EXPECT_EQ(host.Take(),
              (std::vector<Report>{kOpening,
                                   kStoppedReport,
                                   kPlaying,
                                   kNamed,
                                   {MVS_ERRORMSG, MV_STOPPED, "GetData: File Read error: Connection timed out"},
                                   kStoppedReport}));
    // What arrived before the stall was played.
    std::vector<std::uint8_t> arrived(bytes.begin(), bytes.begin() + half);
    std::vector<std::uint8_t> expected = PcmBytes(decodeBytes(arrived));
    EXPECT_EQ(WithoutPadding(host.sim->Written(), expected.size()), expected);
}

TEST(CoreStream, ServersThatDoNotServe)
{
    ShortTimeout timeout(200);
    CoreHost host;
    {
        StreamServer silent({}, -1, true);
        ASSERT_EQ(host.Open(silent.Url("/x.mp3")), 0);
        ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
        ASSERT_TRUE(host.WaitForEnd());
    }
    std::vector<Report> reports = host.Take();
    ASSERT_EQ(reports.size(), 5u);
    EXPECT_EQ(reports[3].mask, static_cast<uint32_t>(MVS_ERRORMSG));
    EXPECT_FALSE(reports[3].text.empty());
    EXPECT_EQ(reports[4], kStoppedReport);

    std::string gone;
    {
        StreamServer server({});
        gone = server.Url("/x.mp3");
    }
    ASSERT_EQ(host.Open(gone), 0);
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForEnd());
    reports = host.Take();
    ASSERT_EQ(reports.size(), 5u);
    EXPECT_EQ(reports[3].text, "Unable to connect to server: Connection refused\n");
}

// A stop does not wait for the connection's time-out: it wakes the reader at once.
TEST(CoreStream, StopWhileStalled)
{
    std::string path = Stream("net_stop", 10.0);
    ASSERT_FALSE(path.empty());
    ShortTimeout timeout(600000);
    StreamServer server(readFile(path), 70000);
    CoreHost host;
    ASSERT_EQ(host.Open(server.Url("/net_stop.mp3")), 0);
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForVolume());
    // The decoder has played what came and waits, buffering longer after each underflow.
    ASSERT_TRUE(host.PollStatusUntil([](const std::string& title) { return title.ends_with("/20)"); }));
    ASSERT_EQ(host.Send(CMD_PLUGIN_GET_STATUS), 0);
    std::vector<Report> reports = host.Take();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(std::regex_match(reports[0].text, std::regex(R"(Buffers \(\d+/20\))"))) << reports[0].text;
    ASSERT_EQ(host.Send(CMD_PLUGIN_STOP), 0);
    EXPECT_EQ(host.Take(), std::vector<Report>{kStoppedReport});
}

}  // namespace
}  // namespace brisko::test
