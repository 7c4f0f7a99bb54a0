#include "PluginHost.h"

#include "media/testing/TestHost.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace plimsa::test {

namespace {

constexpr auto kWaitLimit = std::chrono::seconds(20);
PluginHost* g_host = nullptr;

}  // namespace

void PluginHost::SetUp() {
    g_host = this;
    sim = media::testing::PrepareHost(ctrl, Callback);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    folder = std::filesystem::temp_directory_path() /
             ("plimsa-core-" + std::to_string(getpid()) + "-" + info->test_suite_name() + "-" + info->name());
    std::filesystem::create_directories(folder);
}

void PluginHost::TearDown() {
    media::testing::EndHost(ctrl);
    std::filesystem::remove_all(folder);
    g_host = nullptr;
}

void PluginHost::Load() {
    LoadDllOptions options;
    options.printLoaded = options.printSucceeded = false;
    ASSERT_EQ(LoadDll(PLIMSA_PATH, &ctrl, options), 0);
}

int PluginHost::Send(uint32_t code, int32_t delta, uint32_t which, uint32_t position) {
    params.delta = delta;
    params.position = position;
    return media::testing::SendCommand(ctrl, code, params, which);
}

int PluginHost::Open(const std::string& url) {
    params.delta = 1;
    return media::testing::SendCommand(ctrl, CMD_PLUGIN_OPEN_URLS, params, MVP_DELTA, url.c_str());
}

void PluginHost::Terminate() { ctrl.calls->terminate(&ctrl); }

bool PluginHost::WaitFor(const std::function<bool()>& condition) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, kWaitLimit, condition);
}

bool PluginHost::WaitForState(uint32_t state, int nth) {
    return WaitFor([&] {
        int seen = 0;
        for (const Report& r : reports)
            if ((r.mask & MVS_PLUGIN_STATE) && r.state == state) ++seen;
        return seen >= nth;
    });
}

std::vector<Report> PluginHost::Reports() {
    std::lock_guard lock(mutex);
    return reports;
}

void PluginHost::ClearReports() {
    std::lock_guard lock(mutex);
    reports.clear();
    media.clear();
    volumes.clear();
    positions.clear();
    titles.clear();
}

int PluginHost::Count(uint32_t state) {
    std::lock_guard lock(mutex);
    int seen = 0;
    for (const Report& r : reports)
        if ((r.mask & MVS_PLUGIN_STATE) && r.state == state) ++seen;
    return seen;
}

std::string PluginHost::File(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = folder + "/" + name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

__attribute__((noinline)) void PluginHost::ScribbleOnTheStack() {
    volatile char scribble[64 * 1024];
    for (char& c : const_cast<char(&)[sizeof scribble]>(scribble)) c = '#';
    (void)scribble[0];
}

void PluginHost::Callback(MvPluginCtrl* ctrl, uint32_t mask, const MvPluginStatus* status) {
    PluginHost& host = *g_host;
    std::unique_lock lock(host.mutex);
    host.lastStatus = status;
    const MvMediaInfo* info = status->media_info;
    if (mask == MVS_MEDIA && info && info->which == MV_MEDIA_AUDIO_INFO) {
        host.volumes.push_back(info->audio->volume);
    } else {
        if ((mask & MVS_MEDIA) && info)
            host.media.push_back({info->type, info->duration, info->url ? info->url : "",
                                  info->title ? info->title : "", info->moreinfo ? info->moreinfo : ""});
        if (mask & MVS_POSITION) host.positions.push_back(status->position);
        if (mask & MVS_VIDEO_WND_TITLE) host.titles.push_back(status->videoWndTitle ? status->videoWndTitle : "");
        const std::string text = (mask & MVS_ERRORMSG) && status->errormsg ? status->errormsg : "";
        if (mask & (MVS_PLUGIN_STATE | MVS_ERRORMSG)) host.reports.push_back({mask, status->state, text});
        const MvPluginStatus zero{};
        if (status->state == MV_DEAD) host.deadStatusAllZero = std::memcmp(status, &zero, sizeof zero) == 0;
    }
    host.changed.notify_all();
    // As a host may: the plug-in has set MV_STOPPED before this report and touches nothing after it.
    const bool played = std::any_of(host.reports.begin(), host.reports.end(), [](const Report& r) {
        return (r.mask & MVS_PLUGIN_STATE) && r.state == MV_PLAYING;
    });
    if (host.terminateAtTheEnd && (mask & MVS_PLUGIN_STATE) && status->state == MV_STOPPED && played) {
        host.terminateAtTheEnd = false;
        lock.unlock();
        ctrl->calls->terminate(ctrl);
    }
}

}  // namespace plimsa::test
