// The plug-in core's command table and state reports as a host sees them, on the simulated card:
// results of every command, pause, seek, stop, close, mute and volume while playing, a reopen
// while playing, and the last report of terminate.
#include <gtest/gtest.h>

#include <mutex>

#include "CoreHost.h"
#include "StreamServer.h"

namespace brisko::test {
namespace {

constexpr uint32_t kStopped = MVS_PLUGIN_STATE | MVS_MEDIA;
const Report kOpening{MVS_PLUGIN_STATE, MV_OPENING};
const Report kStoppedReport{kStopped, MV_STOPPED};
const Report kPlaying{MVS_PLUGIN_STATE, MV_PLAYING};
const Report kPaused{MVS_PLUGIN_STATE, MV_PAUSED};
const Report kClosed{MVS_PLUGIN_STATE, MV_CLOSED};

// Layer II at 48 kHz and 192 kbit/s: 576-byte frames of 24 ms, no padding.
std::string Layer2(const std::string& name, double seconds)
{
    return makeStream(name + ".mp2", 48000, 2, "twolame --quiet -b 192 %s %s", seconds);
}

std::vector<std::uint8_t> Decode(const std::vector<std::uint8_t>& bytes) { return PcmBytes(decodeBytes(bytes)); }

// Opens the file and starts it paused before its first frame, with the device open. The file must
// be longer than the ring holds: while all of it is buffered, volume reports are held back.
void StartPaused(CoreHost& host, const std::string& path)
{
    host.onReport = [&host](const Report& r) {
        if (r.state != MV_PLAYING) return;
        host.onReport = nullptr;
        host.Send(CMD_PLUGIN_PAUSE);
    };
    ASSERT_EQ(host.Open("file://" + path), 0);
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForVolume());
}

TEST(CoreCommands, ResultsWithoutAMedium)
{
    CoreHost host;
    EXPECT_EQ(host.Send(CMD_PLUGIN_START), -1);
    host.params.status_frequency = 250;
    host.params.audio = host.ctrl.setup.audio;
    host.params.audio.volume = 20;
    EXPECT_EQ(host.Send(CMD_PLUGIN_SET_PARAMETER, 0, MVP_STATUS_FREQ | MVP_AUDIO), 0);
    EXPECT_EQ(host.params.status_frequency, 1000u);
    EXPECT_EQ(host.Send(CMD_PLUGIN_SET_PARAMETER, 0, MVP_NONE), -1);
    EXPECT_EQ(host.Send(CMD_PLUGIN_DIRECT_AUDIO, 1), -1);
    EXPECT_EQ(host.Send(CMD_PLUGIN_DIRECT_AUDIO, 0), -1);
    for (uint32_t code :
         {uint32_t{CMD_PLUGIN_HOTKEY}, uint32_t{CMD_PLUGIN_SEEK_RELATIVE}, uint32_t{CMD_PLUGIN_SET_STOP_TIME},
          uint32_t{CMD_PLUGIN_SET_WINDOW}, uint32_t{CMD_PLUGIN_PLAY_PAUSE}, 86u, 1000u})
        EXPECT_EQ(host.Send(code), -1) << code;
    EXPECT_EQ(host.Send(CMD_PLUGIN_GET_STATUS), -1);
    EXPECT_EQ(host.Send(CMD_PLUGIN_SEEK_TO), 0);
    EXPECT_EQ(host.ctrl.calls->get_item(&host.ctrl, MV_MEDIA_INFO, 0), nullptr);
    // No URL at all is the host's mistake: refused, and the process goes on.
    EXPECT_EQ(host.Send(CMD_PLUGIN_OPEN_URLS, 0, MVP_DELTA, "file:///x.mp3"), -1);
    EXPECT_TRUE(host.Take().empty());

    host.ctrl.calls->terminate(&host.ctrl);
    EXPECT_EQ(host.ctrl.pdata, nullptr);
    const std::vector<Report> last{kStoppedReport, kClosed, {MVS_PLUGIN_STATE, MV_DEAD}};
    EXPECT_EQ(host.Take(), last);
}

TEST(CoreCommands, PauseSeekResumeStopClose)
{
    std::string path = Layer2("cmd_seek", 5.0);
    ASSERT_FALSE(path.empty());
    std::vector<std::uint8_t> bytes = readFile(path);
    ScopedEnv env{{"BRISKOBUFFERSIZE", "5000"}};
    CoreHost host;
    StartPaused(host, path);
    EXPECT_EQ(host.Take(), (std::vector<Report>{kOpening, kStoppedReport, kPlaying, kPaused}));
    EXPECT_EQ(host.Volumes(), std::vector<uint32_t>{60});
    ASSERT_EQ(host.Send(CMD_PLUGIN_PAUSE), 0);  // paused already: nothing to report
    EXPECT_TRUE(host.Take().empty());

    // 2000 ms is byte 48000 of the media length (file size - 256), rounded down to a whole frame:
    // 83 frames, 1992 ms.
    const int drains = host.sim->Drains();
    ASSERT_EQ(host.Seek(2000), 0);
    ASSERT_TRUE(Eventually([&] { return host.sim->Drains() == drains + 2; }));
    ASSERT_EQ(host.Send(CMD_PLUGIN_GET_STATUS), 0);
    const std::size_t before = host.sim->Written().size();
    EXPECT_EQ(host.Take(), (std::vector<Report>{{MVS_POSITION, MV_PAUSED, "", 1992}}));

    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForEnd());
    EXPECT_EQ(host.Take(), (std::vector<Report>{kPlaying, kStoppedReport}));
    std::vector<std::uint8_t> tail(bytes.begin() + 83 * 576, bytes.end());
    EXPECT_EQ(before, 0u);
    EXPECT_TRUE(EndsWith(host.sim->Written(), Decode(tail)));

    // After the end: stop reports nothing, the position is gone, a seek does nothing.
    EXPECT_EQ(host.Send(CMD_PLUGIN_STOP), 0);
    EXPECT_EQ(host.Send(CMD_PLUGIN_GET_STATUS), -1);
    EXPECT_EQ(host.Seek(1000), 0);
    EXPECT_EQ(host.Send(CMD_PLUGIN_CLOSE), 0);
    EXPECT_EQ(host.Take(), std::vector<Report>{kClosed});
    EXPECT_EQ(host.Send(CMD_PLUGIN_START), -1);
}

// A file whose first 25000 bytes hold no header has no known duration: a seek does nothing.
TEST(CoreCommands, SeekWithUnknownDurationDoesNothing)
{
    std::string path = Layer2("cmd_unknown", 3.0);
    ASSERT_FALSE(path.empty());
    std::vector<std::uint8_t> bytes(30000, 'x'), stream = readFile(path);
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    writeFile(path + ".late", bytes);
    ScopedEnv env{{"BRISKOBUFFERSTARTPERCENT", "95"}};
    CoreHost host;
    StartPaused(host, path + ".late");
    const int drains = host.sim->Drains();
    ASSERT_EQ(host.Seek(1000), 0);
    ASSERT_EQ(host.Send(CMD_PLUGIN_GET_STATUS), 0);
    EXPECT_EQ(host.sim->Drains(), drains);
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForEnd());
    EXPECT_EQ(host.Take().back(), kStoppedReport);
    EXPECT_TRUE(EndsWith(host.sim->Written(), Decode(stream)));
}

TEST(CoreCommands, StopWhilePausedThenPlayAgain)
{
    std::string path = Layer2("cmd_stop", 3.0);
    ASSERT_FALSE(path.empty());
    CoreHost host;
    StartPaused(host, path);
    host.Take();
    ASSERT_EQ(host.Send(CMD_PLUGIN_STOP), 0);
    EXPECT_EQ(host.Take(), std::vector<Report>{kStoppedReport});
    EXPECT_EQ(host.Send(CMD_PLUGIN_STOP), 0);
    EXPECT_TRUE(host.Take().empty());

    // Start again plays from the beginning.
    const std::size_t before = host.sim->Written().size();
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForEnd());
    EXPECT_EQ(host.Take(), (std::vector<Report>{kPlaying, kStoppedReport}));
    std::vector<std::uint8_t> written = host.sim->Written(), expected = Decode(readFile(path));
    written.erase(written.begin(), written.begin() + static_cast<long>(before));
    EXPECT_EQ(WithoutPadding(written, expected.size()), expected);
}

TEST(CoreCommands, MuteAndVolumeWhilePlaying)
{
    std::string path = Layer2("cmd_mute", 3.0);
    ASSERT_FALSE(path.empty());
    CoreHost host;
    int left = -1, right = -1;
    StartPaused(host, path);
    host.sim->Levels(left, right);
    EXPECT_EQ(left, 60);
    EXPECT_EQ(host.Send(CMD_PLUGIN_MUTE, 1), 0);
    host.sim->Levels(left, right);
    EXPECT_EQ(left + right, 0);
    EXPECT_EQ(host.Send(CMD_PLUGIN_MUTE, 0), 0);
    host.sim->Levels(left, right);
    EXPECT_EQ(right, 60);
    host.params.audio = host.ctrl.setup.audio;
    host.params.audio.volume = 30;
    EXPECT_EQ(host.Send(CMD_PLUGIN_SET_PARAMETER, 0, MVP_AUDIO), 0);
    host.sim->Levels(left, right);
    EXPECT_EQ(left, 30);
    EXPECT_EQ(host.Send(CMD_PLUGIN_CLOSE), 0);
    EXPECT_EQ(host.Send(CMD_PLUGIN_MUTE, 1), 0);  // taken for the next playback
}

TEST(CoreCommands, MutedBeforePlayingStartsMuted)
{
    std::string path = Layer2("cmd_muted", 0.5);
    ASSERT_FALSE(path.empty());
    CoreHost host;
    EXPECT_EQ(host.Send(CMD_PLUGIN_MUTE, 1), 0);  // it holds from the start
    ASSERT_EQ(host.Open("file://" + path), 0);
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForEnd());
    int left = -1, right = -1;
    host.sim->Levels(left, right);
    EXPECT_EQ(left + right, 0);
    EXPECT_TRUE(host.Volumes().empty());
}

// At its natural end the plug-in has set MV_STOPPED before it reports, so a host may start again
// (a repeat), close or terminate from inside that report, on the decoder thread.
TEST(CoreCommands, CommandsFromInsideTheEndReport)
{
    std::string path = Layer2("cmd_end", 0.5);
    ASSERT_FALSE(path.empty());
    const std::vector<std::uint8_t> once = Decode(readFile(path));
    CoreHost host;
    std::mutex mutex;
    std::vector<uint32_t> next;
    host.onReport = [&](const Report& r) {
        std::unique_lock lock(mutex);
        if (r.mask != kStopped || next.empty()) return;
        const uint32_t code = next.front();
        next.erase(next.begin());
        lock.unlock();
        host.Send(code);
    };
    ASSERT_EQ(host.Open("file://" + path), 0);
    {
        std::lock_guard lock(mutex);
        next = {CMD_PLUGIN_START, CMD_PLUGIN_CLOSE};
    }
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitFor([](const Report& r) { return r.state == MV_CLOSED; }));
    EXPECT_EQ(host.Take(), (std::vector<Report>{kOpening, kStoppedReport, kPlaying, kStoppedReport, kPlaying,
                                                kStoppedReport, kClosed}));
    // Played twice, each with the padding of its device's close.
    std::vector<std::uint8_t> written = host.sim->Written();
    ASSERT_EQ(written.size() % 16384, 0u);
    written.resize(written.size() / 2);
    EXPECT_EQ(WithoutPadding(written, once.size()), once);

    ASSERT_EQ(host.Open("file://" + path), 0);
    host.onReport = [&](const Report& r) {
        if (r.mask == kStopped) host.ctrl.calls->terminate(&host.ctrl);
    };
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitFor([](const Report& r) { return r.state == MV_DEAD; }));
    EXPECT_EQ(host.ctrl.pdata, nullptr);
}

// A stream that is still arriving is stopped silently and joined when another medium is opened.
TEST(CoreCommands, ReopenWhilePlaying)
{
    std::string first = Layer2("cmd_reopen_a", 4.0), second = Layer2("cmd_reopen_b", 0.5);
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    StreamServer server(readFile(first), 80000);
    CoreHost host;
    ASSERT_EQ(host.Open(server.Url("/a.mp2")), 0);
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForVolume());
    ASSERT_TRUE(host.PollStatusUntil([](const std::string& title) { return title.starts_with("Buffers ("); }));
    EXPECT_EQ(host.Send(CMD_PLUGIN_START), 0);  // playing already: nothing to report
    host.Take();
    ASSERT_EQ(host.Open("file://" + second), 0);
    EXPECT_EQ(host.Take(), (std::vector<Report>{kOpening, kStoppedReport}));
    ASSERT_EQ(host.Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(host.WaitForEnd());
    EXPECT_EQ(host.Take(), (std::vector<Report>{kPlaying, kStoppedReport}));
    EXPECT_TRUE(EndsWith(host.sim->Written(), Decode(readFile(second))));
}

}  // namespace
}  // namespace brisko::test
