// The browser plug-in's player on a sound device that plays at a card's pace (a sound server of
// the test's own, reached through ALSA), driven through its command table: a pause and a resume
// go on with the piece where it stopped, and a stop during a pause ends the play. What the device
// played is recorded, and what the player wrote to it is kept as it was written; the piece is a
// tone whose pitch tells the position.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "PlayerContext.h"
#include "media/testing/SoundServer.h"
#include "media/testing/TestHost.h"
#include "media/testing/WrittenSound.h"

namespace {

using media::testing::SoundServer;

// Each test program runs its own sound server and files (tests may run at once).
const std::string kDir = std::string(SOUND_DEVICE_WORKDIR) + "/run-" + std::to_string(getpid());
constexpr int kSeconds = 4;
// Far beyond any wait here; reached only by a player that hangs.
constexpr auto kHang = std::chrono::seconds(60);

// What the player wrote to the device, kept as it was written.
media::testing::WrittenSound g_written;

std::mutex g_mutex;
std::condition_variable g_changed;
int g_stops = 0;
int g_errors = 0;

void Record(MvPluginCtrl *, uint32_t mask, const MvPluginStatus *status)
{
    std::lock_guard lock(g_mutex);
    if (mask & MVS_ERRORMSG) ++g_errors;
    if (!(mask & MVS_PLUGIN_STATE) || status->state != MV_STOPPED) return;
    ++g_stops;
    g_changed.notify_all();
}

class BrowserPlayerOnADevice : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(media::testing::MakeSteppedFiles(kDir, kSeconds));
        server = new SoundServer();
        // The output is chosen once per process, at the first sound: this server's.
        server->ExportEnvironment();
        setenv("ZEPHRA_MEDIA_SETTINGS", "/nonexistent/media.conf", 1);
        media::testing::TapSoundOutput(g_written);
    }
    static void TearDownTestSuite()
    {
        media::testing::UntapSoundOutput();
        delete server;
        server = nullptr;
        // What a failed run recorded is kept to be looked at.
        if (::testing::UnitTest::GetInstance()->failed_test_count() == 0)
            std::system(("rm -rf '" + kDir + "'").c_str());
    }
    void SetUp() override
    {
        ASSERT_TRUE(server->Ready()) << server->Failure();
        g_stops = g_errors = 0;
        ctrl.cb = Record;
        ctrl.setup.audio.volume = 100;
        ctrl.setup.audio.spdifPlaybackCard = ctrl.setup.audio.spdifPlaybackDevice = 0xFFFFFFFF;
        ASSERT_EQ(briskoplugin::CreatePlayerContext(&ctrl), 0);
    }
    void TearDown() override
    {
        if (ctrl.pdata) ctrl.calls->terminate(&ctrl);
    }

    int Send(uint32_t code, const char *url = nullptr)
    {
        params = {};
        params.delta = url ? 1 : 0;
        return media::testing::SendCommand(ctrl, code, params, url ? MVP_DELTA : 0, url);
    }

    bool WaitForStops(int count)
    {
        std::unique_lock lock(g_mutex);
        return g_changed.wait_for(lock, kHang, [count] { return g_stops >= count; });
    }

    MvPluginCtrl ctrl{};
    MvPlaybackParams params{};
    static SoundServer *server;
};
SoundServer *BrowserPlayerOnADevice::server = nullptr;

TEST_F(BrowserPlayerOnADevice, PlayOnAfterAPauseGoesOnWhereItStopped)
{
    const std::string recording = kDir + "/Briskoplugin.raw";
    ASSERT_TRUE(server->StartRecording(recording));
    const std::string url = "file://" + kDir + "/steps.mp3";
    ASSERT_EQ(Send(CMD_PLUGIN_OPEN_URLS, url.c_str()), 0);
    const int stops = g_stops;
    g_written.Clear();
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    ASSERT_EQ(Send(CMD_PLUGIN_PAUSE), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForStops(stops + 1)) << "the piece never came to its end";
    server->StopRecording();

    // This player keeps what is queued at a pause: it plays out, and the piece goes on after it.
    // Every step was written once, in order, with the pause between two of them. The device was
    // heard, with the pause; where the server's clock puts the steps is its own (a busy machine
    // makes it drop sound that comes late), so the recording is not read for them.
    EXPECT_EQ(media::testing::CheckWrittenAcrossAPause(g_written, kSeconds, true), "");
    const media::testing::HeardPause heard =
        media::testing::FindPause(media::testing::HeardSteps(media::testing::ReadRecording(recording), 44100));
    EXPECT_TRUE(heard.found && heard.silentWindows >= 4) << "no pause heard in " << recording;
}

TEST_F(BrowserPlayerOnADevice, AStopDuringAPauseEndsThePlay)
{
    const std::string url = "file://" + kDir + "/steps.mp3";
    ASSERT_EQ(Send(CMD_PLUGIN_OPEN_URLS, url.c_str()), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    ASSERT_EQ(Send(CMD_PLUGIN_PAUSE), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // A stop that hangs is seen as one, not waited for.
    auto stopped = std::make_shared<std::promise<int>>();
    std::future<int> result = stopped->get_future();
    std::thread([this, stopped] { stopped->set_value(Send(CMD_PLUGIN_STOP)); }).detach();
    ASSERT_EQ(result.wait_for(kHang), std::future_status::ready) << "the stop never returned";
    EXPECT_EQ(result.get(), 0);
    EXPECT_EQ(briskoplugin::Context(&ctrl)->status.state, static_cast<uint32_t>(MV_STOPPED));
}

TEST_F(BrowserPlayerOnADevice, ASoundServerThatDiesEndsThePlayWithAnError)
{
    // This play goes to a server of its own (the device is opened at each start), which dies
    // once the piece is heard.
    SoundServer dying;
    ASSERT_TRUE(dying.Ready()) << dying.Failure();
    setenv("PULSE_SERVER", dying.Address().c_str(), 1);
    const std::string recording = kDir + "/Briskoplugin-dying.raw";
    ASSERT_TRUE(dying.StartRecording(recording));
    const std::string url = "file://" + kDir + "/steps.mp3";
    ASSERT_EQ(Send(CMD_PLUGIN_OPEN_URLS, url.c_str()), 0);
    const int stops = g_stops;
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    const bool heard = media::testing::WaitUntilHeard(recording);
    dying.Kill();
    setenv("PULSE_SERVER", server->Address().c_str(), 1);
    ASSERT_TRUE(heard);
    ASSERT_TRUE(WaitForStops(stops + 1)) << "the play never ended";
    std::lock_guard lock(g_mutex);
    EXPECT_GE(g_errors, 1);
}

}  // namespace
