// The media plug-in interface seen from a host: the loader's messages, the command table's
// results and the callback sequences, on the tone plug-in built for the tests.
#include "media/LoadDll.h"
#include "media/testing/TestHost.h"

#include "qnx/SimulatedSound.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

namespace {

struct Report {
    uint32_t mask;
    uint32_t state;
    std::string text;
    bool operator==(const Report &) const = default;
};

std::ostream &operator<<(std::ostream &out, const Report &r)
{
    return out << "{" << r.mask << "," << r.state << ",\"" << r.text << "\"}";
}

// The host's side: records every report but the volume reports (mask 4 with audio information).
struct Host {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Report> reports;
    std::vector<uint32_t> volumes;
    bool deadStatusAllZero = false;

    static void Callback(MvPluginCtrl *ctrl, uint32_t mask, const MvPluginStatus *status);
};

Host *g_host = nullptr;

void Host::Callback(MvPluginCtrl *, uint32_t mask, const MvPluginStatus *status)
{
    std::lock_guard lock(g_host->mutex);
    if (mask == MVS_MEDIA && status->media_info && status->media_info->which == MV_MEDIA_AUDIO_INFO) {
        g_host->volumes.push_back(status->media_info->audio->volume);
        g_host->changed.notify_all();
        return;
    }
    std::string text = (mask & MVS_ERRORMSG) && status->errormsg ? status->errormsg : "";
    g_host->reports.push_back({mask, status->state, text});
    MvPluginStatus zero{};
    if (status->state == MV_DEAD)
        g_host->deadStatusAllZero = std::memcmp(status, &zero, sizeof zero) == 0;
    g_host->changed.notify_all();
}

class InterfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_host = &host;
        ctrl = MvPluginCtrl{};
        sim = media::testing::PrepareHost(ctrl, Host::Callback);
    }
    void TearDown() override
    {
        media::testing::EndHost(ctrl);
        g_host = nullptr;
    }

    int Send(uint32_t code, MvPlaybackParams *param = nullptr, uint32_t which = 0, const char *url = nullptr)
    {
        MvPlaybackParams none{};
        if (code == CMD_PLUGIN_OPEN_URLS && !param)
            none.delta = 1;
        return media::testing::SendCommand(ctrl, code, param ? *param : none, which, url);
    }

    std::vector<Report> Take()
    {
        std::lock_guard lock(host.mutex);
        return std::exchange(host.reports, {});
    }

    // Waits for the decoding thread's report of the end.
    bool WaitForReport(uint32_t mask)
    {
        std::unique_lock lock(host.mutex);
        return host.changed.wait_for(lock, std::chrono::seconds(20),
                                     [&] { return !host.reports.empty() && host.reports.back().mask == mask; });
    }

    // Waits for the volume report of the device the decoding thread opens.
    bool WaitForVolume()
    {
        std::unique_lock lock(host.mutex);
        return host.changed.wait_for(lock, std::chrono::seconds(20), [&] { return !host.volumes.empty(); });
    }

    Host host;
    std::shared_ptr<qnx::SimulatedSound> sim;
    MvPluginCtrl ctrl;
};

TEST_F(InterfaceTest, TheLoaderPrintsItsExactMessages)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadDll("/nonexistent/plugin.so", &ctrl), -1);
    EXPECT_EQ(
        testing::internal::GetCapturedStderr(),
        " LoadDll(): dlopen(\"/nonexistent/plugin.so\") failed (/nonexistent/plugin.so: cannot open shared object file: No such file or directory)\n");
    EXPECT_EQ(ctrl.name, nullptr);

    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadDll(QNX_PATH, &ctrl), -1);
    std::string missing = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::regex_match(missing, std::regex("Loaded DLL 0x[0-9a-f]+ '" QNX_PATH "'\n"
                                                     "LoadDll\\(\\): MvInit not found in \"" QNX_PATH "\" \\(" QNX_PATH
                                                     ": undefined symbol: MvInit\\)\n")))
        << missing;
    EXPECT_EQ(ctrl.name, nullptr);
    EXPECT_EQ(ctrl.dll_handle, nullptr);

    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadDll(MVFAIL_PATH, &ctrl), -1);
    std::string failed = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(std::regex_match(failed, std::regex("Loaded DLL 0x[0-9a-f]+ '" MVFAIL_PATH
                                                    "'\nLoadDll\\(\\): MvInit\\(\\) in \"" MVFAIL_PATH "\" failed\n")))
        << failed;

    // A quiet host (Ruvex without -v) fills the settings after the entry point was found.
    LoadDllOptions quiet;
    quiet.printLoaded = quiet.printSucceeded = quiet.printInitFailed = quiet.setMinorVersion = false;
    quiet.beforeInit = [](MvPluginCtrl *c) { c->setup.audio.volume = 33; };
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadDll(MVFAIL_PATH, &ctrl, quiet), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    testing::internal::CaptureStderr();
    ASSERT_EQ(LoadDll(MVTONE_PATH, &ctrl), 0);
    std::string loaded = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(
        std::regex_match(loaded, std::regex("Loaded DLL 0x[0-9a-f]+ '" MVTONE_PATH "'\nMvInit\\(\\) succeeded\n")))
        << loaded;
    EXPECT_STREQ(ctrl.name, MVTONE_PATH);
    EXPECT_NE(ctrl.name, static_cast<const char *>(MVTONE_PATH));
    EXPECT_NE(ctrl.dll_handle, nullptr);
    EXPECT_NE(ctrl.pdata, nullptr);
    EXPECT_EQ(ctrl.APIversion, 1u);
    EXPECT_EQ(ctrl.MinorVersion, 1u);
    EXPECT_EQ(ctrl.pflags, 0u);
    EXPECT_TRUE(Take().empty());  // MvInit makes no callback
}

TEST_F(InterfaceTest, TheCommandTablesResults)
{
    ASSERT_EQ(LoadDll(MVTONE_PATH, &ctrl, {false, false, false, true, nullptr}), 0);
    MvPlaybackParams params{};
    params.status_frequency = 250;
    params.audio.volume = 10;
    EXPECT_EQ(Send(CMD_PLUGIN_SET_PARAMETER, &params, MVP_STATUS_FREQ | MVP_AUDIO), 0);
    EXPECT_EQ(params.status_frequency, 1000u);
    EXPECT_EQ(Send(CMD_PLUGIN_SET_PARAMETER, &params, 0), -1);
    EXPECT_EQ(Send(CMD_PLUGIN_START), -1);  // nothing open
    params.delta = 1;
    EXPECT_EQ(Send(CMD_PLUGIN_DIRECT_AUDIO, &params), -1);
    EXPECT_EQ(Send(CMD_PLUGIN_HOTKEY, &params), -1);
    EXPECT_EQ(Send(CMD_PLUGIN_SEEK_RELATIVE, &params), -1);
    EXPECT_EQ(Send(CMD_PLUGIN_SET_STOP_TIME, &params), -1);
    EXPECT_EQ(Send(CMD_PLUGIN_SET_WINDOW), -1);
    EXPECT_EQ(Send(86), -1);
    EXPECT_EQ(Send(1000), -1);
    EXPECT_EQ(Send(CMD_PLUGIN_MUTE, &params), -1);  // no device yet: kept for the next playback
    EXPECT_EQ(Send(CMD_PLUGIN_GET_STATUS), -1);
    EXPECT_EQ(ctrl.calls->get_item(&ctrl, MV_MEDIA_INFO, 0), nullptr);
    EXPECT_TRUE(Take().empty());

    // The next playback starts muted.
    sim->SetMixerRange(0, 31);
    ASSERT_EQ(Send(CMD_PLUGIN_OPEN_URLS, nullptr, MVP_DELTA, "tone://440/0"), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    while (sim->Written().empty())
        std::this_thread::yield();
    int left = -1, right = -1;
    sim->Levels(left, right);
    EXPECT_EQ(left, 0);
    EXPECT_TRUE(host.volumes.empty());
    params.delta = 0;
    EXPECT_EQ(Send(CMD_PLUGIN_MUTE, &params), 0);
    sim->Levels(left, right);
    EXPECT_EQ(left, 19);  // the settings' 60 %: the poll period request above left the volume alone
    EXPECT_EQ(Send(CMD_PLUGIN_GET_STATUS), 0);
    EXPECT_EQ(Take().back().mask, static_cast<uint32_t>(MVS_POSITION));
}

TEST_F(InterfaceTest, CallbackSequenceThroughOpenStartPauseSeekStopClose)
{
    ASSERT_EQ(LoadDll(MVTONE_PATH, &ctrl, {false, false, false, true, nullptr}), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_OPEN_URLS, nullptr, MVP_DELTA, "tone://440/0"), 0);
    EXPECT_EQ(Take(), (std::vector<Report>{{1, MV_OPENING, ""}, {5, MV_STOPPED, ""}}));
    EXPECT_EQ(Send(CMD_PLUGIN_STOP), 0);  // already stopped: nothing reported
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(Send(CMD_PLUGIN_START), 0);
    EXPECT_EQ(Send(CMD_PLUGIN_START), 0);  // playing: no change
    EXPECT_EQ(Take(), (std::vector<Report>{{1, MV_PLAYING, ""}}));
    ASSERT_TRUE(WaitForVolume());
    EXPECT_EQ(Send(CMD_PLUGIN_PAUSE), 0);
    MvPlaybackParams seek{};
    seek.position = 0;
    EXPECT_EQ(Send(CMD_PLUGIN_SEEK_TO, &seek, MVP_POSITION | MVP_DELTA), 0);
    EXPECT_EQ(Send(CMD_PLUGIN_START), 0);
    EXPECT_EQ(Send(CMD_PLUGIN_STOP), 0);
    EXPECT_EQ(Send(CMD_PLUGIN_CLOSE), 0);
    EXPECT_EQ(Take(),
              (std::vector<Report>{{1, MV_PAUSED, ""}, {1, MV_PLAYING, ""}, {5, MV_STOPPED, ""}, {1, MV_CLOSED, ""}}));
    EXPECT_EQ(host.volumes, std::vector<uint32_t>{60});  // the volume report of the opening device
    ctrl.calls->terminate(&ctrl);
    EXPECT_EQ(Take(), (std::vector<Report>{{5, MV_STOPPED, ""}, {1, MV_CLOSED, ""}, {1, MV_DEAD, ""}}));
    EXPECT_TRUE(host.deadStatusAllZero);
    EXPECT_EQ(ctrl.pdata, nullptr);
}

TEST_F(InterfaceTest, NaturalEndAndErrorsAreReportedFromTheDecodingThread)
{
    ASSERT_EQ(LoadDll(MVTONE_PATH, &ctrl, {false, false, false, true, nullptr}), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_OPEN_URLS, nullptr, MVP_DELTA, "tone://440/200"), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForReport(5));
    EXPECT_EQ(Take(), (std::vector<Report>{
                          {1, MV_OPENING, ""}, {5, MV_STOPPED, ""}, {1, MV_PLAYING, ""}, {5, MV_STOPPED, ""}}));
    // 200 ms of 8000 Hz 16-bit mono, then the last fragment completed with silence.
    EXPECT_EQ(sim->Written().size(), 4800u);
    EXPECT_EQ(sim->PlayedBytes(), 4800u);

    ASSERT_EQ(Send(CMD_PLUGIN_OPEN_URLS, nullptr, MVP_DELTA, "tone://fail"), 0);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForReport(5));
    EXPECT_EQ(Take(), (std::vector<Report>{{1, MV_OPENING, ""},
                                           {5, MV_STOPPED, ""},
                                           {1, MV_PLAYING, ""},
                                           {64, MV_PLAYING, "tone: decoding failed"},
                                           {5, MV_STOPPED, ""}}));

    ASSERT_EQ(Send(CMD_PLUGIN_OPEN_URLS, nullptr, MVP_DELTA, "ftp://x"), 0);
    EXPECT_EQ(Take(), (std::vector<Report>{{65, MV_CLOSED, "tone: unrecognized URL"}}));

    // A device that cannot be opened is an error text, and the process goes on.
    ASSERT_EQ(Send(CMD_PLUGIN_OPEN_URLS, nullptr, MVP_DELTA, "tone://440/100"), 0);
    sim->FailNextOpen(-EBUSY);
    ASSERT_EQ(Send(CMD_PLUGIN_START), 0);
    ASSERT_TRUE(WaitForReport(5));
    auto reports = Take();
    ASSERT_EQ(reports.size(), 5u);
    EXPECT_EQ(reports[3], (Report{64, MV_PLAYING, "snd_pcm_open failed: Device or resource busy "}));
}

}  // namespace
