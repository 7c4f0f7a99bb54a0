// The plug-in seen from a host, playing files on the simulated sound card: the reports of open,
// start, pause, stop, seek, close and terminate, what reaches the card, and the command table.
#include <algorithm>
#include <filesystem>
#include <future>
#include <thread>

#include "PluginHost.h"
#include "TestSounds.h"

namespace plimsa::test {
namespace {

constexpr auto kPace = std::chrono::microseconds(100);  // real time between two steps of the card's clock

class FilePlay : public PluginHost {
protected:
    // Runs a command that waits for the decoder thread while that thread waits for the card:
    // the card's clock moves until the command is done.
    int WhileTheCardPlays(const std::function<int()>& command) {
        auto done = std::async(std::launch::async, command);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (done.wait_for(kPace) != std::future_status::ready && std::chrono::steady_clock::now() < deadline)
            sim->Advance(std::chrono::milliseconds(1));
        return done.get();
    }
    // Moves the card's clock until it has played `bytes`, as long as the decoder thread feeds it.
    void PlayUntil(uint64_t bytes) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (sim->PlayedBytes() < bytes && std::chrono::steady_clock::now() < deadline) {
            sim->Advance(std::chrono::milliseconds(1));
            std::this_thread::sleep_for(kPace);
        }
    }
};

TEST_F(FilePlay, OpensPlaysToTheEndAndTerminates) {
    Load();
    const auto samples = Samples(50000);
    const std::string path = File("tone.wav", MonoWav(samples, "A Title"));
    ASSERT_EQ(Open("file://" + path), 0);
    EXPECT_EQ(Reports(), (std::vector<Report>{{MVS_PLUGIN_STATE, MV_OPENING, ""}, {5, MV_STOPPED, ""}}));
    ASSERT_EQ(media.size(), 1u);
    EXPECT_EQ(media[0].type, 5u);
    EXPECT_EQ(media[0].duration, 3125u);
    EXPECT_EQ(media[0].url, "file://" + path);
    EXPECT_EQ(media[0].title, "A Title");

    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 2));
    EXPECT_EQ(Reports()[2], (Report{MVS_PLUGIN_STATE, MV_PLAYING, ""}));
    EXPECT_EQ(Reports()[3], (Report{MVS_PLUGIN_STATE, MV_STOPPED, ""}));  // the host has the media already
    EXPECT_EQ(sim->Written(), PlayedOnce(samples));
    EXPECT_EQ(sim->LastParams().format.rate, 8000);
    EXPECT_EQ(sim->LastParams().format.voices, 1);
    EXPECT_EQ(sim->LastParams().buf.block.frag_size, 4096);
    EXPECT_EQ(volumes, std::vector<uint32_t>{60});

    ClearReports();
    Terminate();
    EXPECT_EQ(Reports(), (std::vector<Report>{{MVS_PLUGIN_STATE, MV_CLOSED, ""}, {MVS_PLUGIN_STATE, MV_DEAD, ""}}));
    EXPECT_TRUE(deadStatusAllZero);
    EXPECT_EQ(ctrl.pdata, nullptr);
}

TEST_F(FilePlay, OpenFailuresReportTheirTextAndClose) {
    Load();
    const std::vector<Report> opening = {{MVS_PLUGIN_STATE, MV_OPENING, ""}};
    auto failed = [&](const std::string& text) {
        std::vector<Report> expected = opening;
        expected.push_back({MVS_ERRORMSG, MV_OPENING, text});
        expected.push_back({MVS_PLUGIN_STATE, MV_CLOSED, ""});
        return expected;
    };

    ASSERT_EQ(Open("file:///nonexistent/x.wav"), 0);
    EXPECT_EQ(Reports(), failed("Invalid file: '/nonexistent/x.wav'\n"));
    // The text stays readable after the report, as long as a host may keep the record.
    ScribbleOnTheStack();
    ASSERT_NE(lastStatus, nullptr);
    EXPECT_STREQ(lastStatus->errormsg, "Invalid file: '/nonexistent/x.wav'\n");
    EXPECT_EQ(Send(CMD_PLUGIN_START), -1);

    ClearReports();
    std::vector<uint8_t> words(100, 'w');
    ASSERT_EQ(Open("file://" + File("notes.txt", words)), 0);
    EXPECT_EQ(Reports(), failed("File format not recognized"));

    ClearReports();
    Bytes voc;
    voc.tag("Creative Voice File").add({0x1A}).le16(26).le16(0x010A).le16(0x1233 - 0x010A).fill(60, 0);
    ASSERT_EQ(Open("file://" + File("voice.voc", voc.data)), 0);
    EXPECT_EQ(Reports(), failed("VOC Unsupported compression format"));

    // An extension in capitals is no extension: the content tells.
    ClearReports();
    const std::string upper = File("LOUD.WAV", MonoWav(Samples(3000)));
    ASSERT_EQ(Open("file://" + upper), 0);
    EXPECT_EQ(Reports(), (std::vector<Report>{{MVS_PLUGIN_STATE, MV_OPENING, ""}, {5, MV_STOPPED, ""}}));

    // The scheme in capitals passes the open but not the file open.
    ClearReports();
    ASSERT_EQ(Open("FILE://" + upper), 0);
    EXPECT_EQ(Reports(), (std::vector<Report>{{MVS_ERRORMSG, MV_STOPPED, "Bad URL type for this plugin"}}));

    // Another scheme while in file mode: said on standard output, then refused the same way.
    ClearReports();
    ::testing::internal::CaptureStdout();
    ASSERT_EQ(Open("ftp://127.0.0.1/a.wav"), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Unrecognized URL. Not file:// nor http://\n");
    EXPECT_EQ(Reports(), (std::vector<Report>{{MVS_ERRORMSG, MV_STOPPED, "Bad URL type for this plugin"}}));

    ClearReports();
    EXPECT_EQ(Send(CMD_PLUGIN_OPEN_URLS, 0), -1);
    EXPECT_TRUE(Reports().empty());
}

TEST_F(FilePlay, CommandTable) {
    Load();
    for (uint32_t code :
         std::initializer_list<uint32_t>{CMD_PLUGIN_SEEK_RELATIVE, CMD_PLUGIN_SET_WINDOW, CMD_PLUGIN_SET_STOP_TIME,
                                         CMD_PLUGIN_HOTKEY, CMD_PLUGIN_SELECT, CMD_PLUGIN_PLAY_PAUSE, 86u, 1000u})
        EXPECT_EQ(Send(code), -1) << code;
    params.status_frequency = 250;
    EXPECT_EQ(Send(CMD_PLUGIN_SET_PARAMETER, 0, MVP_STATUS_FREQ | MVP_AUDIO), 0);
    EXPECT_EQ(params.status_frequency, 1000u);
    EXPECT_EQ(Send(CMD_PLUGIN_SET_PARAMETER, 0, 0), -1);
    params.audio.volume = 40;
    EXPECT_EQ(Send(CMD_PLUGIN_SET_PARAMETER, 0, MVP_AUDIO), 0);
    EXPECT_EQ(Send(CMD_PLUGIN_DIRECT_AUDIO, 0), -1);
    EXPECT_EQ(Send(CMD_PLUGIN_START), -1);
    EXPECT_EQ(Send(CMD_PLUGIN_SEEK_TO, 0, MVP_POSITION, 1000), -1);
    EXPECT_EQ(Send(CMD_PLUGIN_GET_STATUS), 0);
    EXPECT_EQ(ctrl.calls->get_item(&ctrl, MV_MEDIA_INFO, 0), nullptr);
    EXPECT_TRUE(Reports().empty());

    // The volume set above is the one the next play reports (a file longer than the ring, whose
    // data have not ended when the device opens).
    ASSERT_EQ(Open("file://" + File("a.wav", MonoWav(Samples(50000)))), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 2));
    EXPECT_EQ(volumes, std::vector<uint32_t>{40});
}

TEST_F(FilePlay, MuteBeforePlayTakesEffectAtTheNextPlay) {
    Load();
    EXPECT_EQ(Send(CMD_PLUGIN_MUTE, 1), 0);  // it holds from the start
    ASSERT_EQ(Open("file://" + File("a.wav", MonoWav(Samples(50000)))), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 2));
    EXPECT_TRUE(volumes.empty());
    int left = -1, right = -1;
    sim->Levels(left, right);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 0);
}

TEST_F(FilePlay, SeekBeforeStartPlaysFromTheReadUnitBelow) {
    Load();
    const auto samples = Samples(64000);
    ASSERT_EQ(Open("file://" + File("a.wav", MonoWav(samples))), 0);
    // 2500 ms are 40000 bytes; the read unit below is 26 x 1536.
    EXPECT_EQ(Send(CMD_PLUGIN_SEEK_TO, 0, MVP_POSITION, 2500), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 2));
    EXPECT_EQ(sim->Written(), PlayedOnce(std::vector<uint8_t>(samples.begin() + 39936, samples.end())));
}

TEST_F(FilePlay, AfterTheEndASeekToTheStartPlaysItAgain) {
    Load();
    const auto samples = Samples(30000);
    ASSERT_EQ(Open("file://" + File("a.wav", MonoWav(samples))), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 2));
    // Started again as it stands, the file is at its end: nothing more plays.
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 3));
    EXPECT_EQ(sim->Written().size(), PlayedOnce(samples).size() + kFragment);

    sim = qnx::SimulatedSound::Install();
    sim->SetAutoAdvance(true);
    EXPECT_EQ(Send(CMD_PLUGIN_SEEK_TO, 0, MVP_POSITION | MVP_DELTA, 0), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 4));
    EXPECT_EQ(sim->Written(), PlayedOnce(samples));
}

TEST_F(FilePlay, PauseThenSeekThenResume) {
    Load();
    sim->SetAutoAdvance(false);
    const auto samples = Samples(64000);
    ASSERT_EQ(Open("file://" + File("a.wav", MonoWav(samples))), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_EQ(WhileTheCardPlays([&] { return Send(CMD_PLUGIN_PAUSE); }), 0);
    EXPECT_EQ(Count(MV_PAUSED), 1);
    // Paused, the position is not reported.
    EXPECT_EQ(Send(CMD_PLUGIN_GET_STATUS), 0);
    EXPECT_TRUE(positions.empty());
    // A second pause changes nothing.
    EXPECT_EQ(Send(CMD_PLUGIN_PAUSE), 0);
    EXPECT_EQ(Count(MV_PAUSED), 1);

    EXPECT_EQ(Send(CMD_PLUGIN_SEEK_TO, 0, MVP_POSITION, 2500), 0);
    sim->SetAutoAdvance(true);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 2));
    EXPECT_EQ(Count(MV_PLAYING), 2);
    EXPECT_TRUE(PrefixThenTail(sim->Written(), samples, std::vector<uint8_t>(samples.begin() + 39936, samples.end())));
}

TEST_F(FilePlay, PositionsWhilePlaying) {
    Load();
    sim->SetAutoAdvance(false);
    const auto samples = Samples(64000);
    ASSERT_EQ(Open("file://" + File("a.wav", MonoWav(samples))), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    // A second and a half of play: the position has moved in steps of one read unit (96 ms).
    PlayUntil(24000);
    ASSERT_GE(sim->PlayedBytes(), 24000u);
    EXPECT_EQ(Send(CMD_PLUGIN_GET_STATUS), 0);
    ASSERT_EQ(positions.size(), 1u);
    EXPECT_GT(positions[0], 1000u);
    EXPECT_LT(positions[0], 4000u);
    EXPECT_EQ(positions[0] % 96, 0u);
    ASSERT_EQ(WhileTheCardPlays([&] { return Send(CMD_PLUGIN_STOP); }), 0);
    EXPECT_EQ(Count(MV_STOPPED), 2);
}

TEST_F(FilePlay, StopWhilePausedReportsStoppedOnce) {
    Load();
    sim->SetAutoAdvance(false);
    ASSERT_EQ(Open("file://" + File("a.wav", MonoWav(Samples(64000)))), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_EQ(WhileTheCardPlays([&] { return Send(CMD_PLUGIN_PAUSE); }), 0);
    ASSERT_EQ(WhileTheCardPlays([&] { return Send(CMD_PLUGIN_STOP); }), 0);
    EXPECT_EQ(Count(MV_STOPPED), 2);
    EXPECT_EQ(Send(CMD_PLUGIN_STOP), 0);
    EXPECT_EQ(Count(MV_STOPPED), 2);
    ClearReports();
    Terminate();
    EXPECT_EQ(Reports(), (std::vector<Report>{{MVS_PLUGIN_STATE, MV_CLOSED, ""}, {MVS_PLUGIN_STATE, MV_DEAD, ""}}));
}

TEST_F(FilePlay, OpenWhilePlayingStopsAndJoinsFirst) {
    Load();
    sim->SetAutoAdvance(false);
    const auto first = Samples(64000, 1), second = Samples(20000, 2);
    ASSERT_EQ(Open("file://" + File("first.wav", MonoWav(first))), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ClearReports();
    const std::string next = "file://" + File("second.wav", MonoWav(second));
    ASSERT_EQ(WhileTheCardPlays([&] { return Open(next); }), 0);
    EXPECT_EQ(Reports(),
              (std::vector<Report>{
                  {MVS_PLUGIN_STATE, MV_STOPPED, ""}, {MVS_PLUGIN_STATE, MV_OPENING, ""}, {5, MV_STOPPED, ""}}));
    sim->SetAutoAdvance(true);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_STOPPED, 3));
    const auto written = sim->Written();
    const auto played = PlayedOnce(second);
    ASSERT_GE(written.size(), played.size());
    EXPECT_TRUE(std::equal(played.begin(), played.end(), written.end() - static_cast<long>(played.size())));
}

// The threads of this process, as the system lists them.
size_t Threads() {
    size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) ++count;
    return count;
}

TEST_F(FilePlay, TerminateFromInsideTheEndOfPlayReport) {
    Load();
    const size_t threadsBefore = Threads();
    const auto samples = Samples(30000);
    ASSERT_EQ(Open("file://" + File("a.wav", MonoWav(samples))), 0);
    terminateAtTheEnd = true;
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForState(MV_DEAD));
    EXPECT_EQ(Count(MV_CLOSED), 1);
    EXPECT_EQ(ctrl.pdata, nullptr);
    EXPECT_EQ(sim->Written(), PlayedOnce(samples));
    // The decoder thread, let go instead of joined, leaves before the library may be closed.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Threads() > threadsBefore && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(Threads(), threadsBefore);
}

}  // namespace
}  // namespace plimsa::test
