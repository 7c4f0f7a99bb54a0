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
#include "SoundBackend.h"
#include "media/testing/SoundServer.h"
#include "media/testing/TestHost.h"

namespace {

using media::testing::SoundServer;

// Each test program runs its own sound server and files (tests may run at once).
const std::string kDir = std::string(SOUND_DEVICE_WORKDIR) + "/run-" + std::to_string(getpid());
constexpr int kSeconds = 5;
// Far beyond any wait here; reached only by a player that hangs.
constexpr auto kHang = std::chrono::seconds(60);

// What the player wrote to the device, in order, with the time of each write. The sound server
// runs on its own clock and drops what comes late on a busy machine; this is the piece as the
// player sent it.
struct Written {
    std::mutex mutex;
    std::vector<int16_t> samples;  // as written: 16-bit, interleaved stereo
    std::vector<std::pair<std::size_t, std::chrono::steady_clock::time_point>> writes;  // sample offset, time
    int drains = 0;  // queued sound dropped (a stop, or a pause that throws its queue away)
    void Clear()
    {
        std::lock_guard lock(mutex);
        samples.clear();
        writes.clear();
        drains = 0;
    }
} g_written;

class TappedPcm : public qnx::sound::PcmStream {
public:
    explicit TappedPcm(std::unique_ptr<qnx::sound::PcmStream> inner) : inner_(std::move(inner)) {}
    int Info(qnx::snd_pcm_channel_info_t &info) override { return inner_->Info(info); }
    int Params(const qnx::snd_pcm_channel_params_t &params) override { return inner_->Params(params); }
    int Prepare() override { return inner_->Prepare(); }
    int Setup(qnx::snd_pcm_channel_setup_t &setup) override { return inner_->Setup(setup); }
    int Status(qnx::snd_pcm_channel_status_t &status) override { return inner_->Status(status); }
    ssize_t Write(const void *data, size_t size) override
    {
        const auto now = std::chrono::steady_clock::now();
        const ssize_t taken = inner_->Write(data, size);
        if (taken > 0) {
            std::lock_guard lock(g_written.mutex);
            g_written.writes.emplace_back(g_written.samples.size(), now);
            const auto *p = static_cast<const int16_t *>(data);
            g_written.samples.insert(g_written.samples.end(), p, p + taken / 2);
        }
        return taken;
    }
    // The silence that completes the last fragment is no part of the piece.
    ssize_t WritePadding(const void *data, size_t size) override { return inner_->WritePadding(data, size); }
    int Drain() override
    {
        {
            std::lock_guard lock(g_written.mutex);
            ++g_written.drains;
        }
        return inner_->Drain();
    }
    int Flush() override { return inner_->Flush(); }
    int FileDescriptor() override { return inner_->FileDescriptor(); }

private:
    std::unique_ptr<qnx::sound::PcmStream> inner_;
};

// The device the environment names, with every channel's writes kept.
class TappedSink : public qnx::sound::Sink {
public:
    explicit TappedSink(std::shared_ptr<qnx::sound::Sink> inner) : inner_(std::move(inner)) {}
    int Cards() override { return inner_->Cards(); }
    int OpenPcm(int card, int device, std::unique_ptr<qnx::sound::PcmStream> &out) override
    {
        std::unique_ptr<qnx::sound::PcmStream> pcm;
        const int result = inner_->OpenPcm(card, device, pcm);
        if (result == 0) out = std::make_unique<TappedPcm>(std::move(pcm));
        return result;
    }
    int CardInfo(int card, qnx::snd_ctl_hw_info_t &info) override { return inner_->CardInfo(card, info); }
    int OpenMixer(int card, int device, std::unique_ptr<qnx::sound::Mixer> &out) override
    {
        return inner_->OpenMixer(card, device, out);
    }

private:
    std::shared_ptr<qnx::sound::Sink> inner_;
};

// Checks what the player wrote for a stepped tone of `seconds` paused once: every step in order,
// none left out, to the last, and the longest time between two writes (the pause) inside the
// piece. Empty when right.
std::string CheckWrittenAcrossAPause(int seconds)
{
    std::lock_guard lock(g_written.mutex);
    const std::vector<int> steps = media::testing::HeardSteps(g_written.samples, media::testing::kRecordRate);
    std::string wrong;
    int last = -1;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        if (steps[i] < 0) continue;
        if (last >= 0 && (steps[i] < last || steps[i] > last + 1))
            wrong += "step " + std::to_string(steps[i]) + " came after " + std::to_string(last) + "; ";
        last = steps[i];
    }
    if (last < seconds * 10 - 1) wrong += "the piece ended at step " + std::to_string(last) + "; ";
    std::chrono::steady_clock::duration longest{};
    std::size_t at = 0;
    for (std::size_t i = 1; i < g_written.writes.size(); ++i) {
        const auto gap = g_written.writes[i].second - g_written.writes[i - 1].second;
        if (gap > longest) {
            longest = gap;
            at = g_written.writes[i].first;
        }
    }
    const std::size_t window = media::testing::kRecordRate / 20 * 2;
    const int pausedAt = at / window < steps.size() ? steps[at / window] : -1;
    if (longest < std::chrono::milliseconds(400))
        wrong += "no pause between two writes (longest gap " +
                 std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(longest).count()) + " ms); ";
    else if (pausedAt >= 0 && (pausedAt < 5 || pausedAt > seconds * 10 - 10))
        wrong += "the pause came at step " + std::to_string(pausedAt) + "; ";
    if (g_written.drains != 0) wrong += "queued sound was dropped " + std::to_string(g_written.drains) + " times; ";
    return wrong;
}

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
        qnx::sound::InstallSink(std::make_shared<TappedSink>(qnx::sound::MakeAlsaSink("pulse")));
    }
    static void TearDownTestSuite()
    {
        qnx::sound::InstallSink(nullptr);
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
    EXPECT_EQ(CheckWrittenAcrossAPause(kSeconds), "");
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
