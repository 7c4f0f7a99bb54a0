#include "CoreHost.h"

#include "media/testing/TestHost.h"

#include <cstdlib>
#include <cstring>
#include <ostream>
#include <thread>
#include <utility>

namespace brisko::test {

namespace {

CoreHost* g_host = nullptr;
constexpr auto kPatience = std::chrono::seconds(30);
constexpr std::size_t kFragment = 16384;

}  // namespace

std::ostream& operator<<(std::ostream& out, const Report& r)
{
    return out << "{mask " << r.mask << ", state " << r.state << ", \"" << r.text << "\", " << r.position << "}";
}

CoreHost::CoreHost()
{
    g_host = this;
    sim = media::testing::PrepareHost(ctrl, Callback);
    ctrl.setup.streamType = MV_STREAM_ASFILE;
    MvInit(&ctrl);
}

CoreHost::~CoreHost()
{
    media::testing::EndHost(ctrl);
    g_host = nullptr;
}

int CoreHost::Send(uint32_t code, int32_t delta, uint32_t which, const char* url)
{
    {
        // The waits look at what follows this command.
        std::lock_guard lock(mutex_);
        mark_ = seen_.size();
    }
    params.delta = delta;
    return media::testing::SendCommand(ctrl, code, params, which, url);
}

int CoreHost::Seek(uint32_t ms)
{
    params.position = ms;
    return Send(CMD_PLUGIN_SEEK_TO, 0, MVP_POSITION);
}

void CoreHost::Callback(MvPluginCtrl*, uint32_t mask, const MvPluginStatus* status)
{
    CoreHost* host = g_host;
    const MvMediaInfo* media = status->media_info;
    std::unique_lock lock(host->mutex_);
    if (mask == MVS_MEDIA && media && media->which == MV_MEDIA_AUDIO_INFO) {
        host->volumes_.push_back(media->audio->volume);
    } else {
        Report r{mask, status->state};
        if (mask & MVS_ERRORMSG) r.text = status->errormsg ? status->errormsg : "(null)";
        if (mask & MVS_VIDEO_WND_TITLE) r.text = status->videoWndTitle;
        if (mask == MVS_MEDIA && media && media->moreinfo) r.text = media->moreinfo;
        if (mask & MVS_POSITION) r.position = status->position;
        if (mask == MVS_PLUGIN_STATE && status->state == MV_DEAD) {
            const MvPluginStatus zero{};
            if (std::memcmp(status, &zero, sizeof zero) != 0) r.text = "status not zero-filled";
        }
        host->reports_.push_back(r);
        host->seen_.push_back(r);
        host->changed_.notify_all();
        std::function<void(const Report&)> hook = host->onReport;
        lock.unlock();
        if (hook) hook(r);
        return;
    }
    host->changed_.notify_all();
}

std::vector<Report> CoreHost::Take()
{
    std::lock_guard lock(mutex_);
    return std::exchange(reports_, {});
}

bool CoreHost::WaitFor(const std::function<bool(const Report&)>& done)
{
    std::unique_lock lock(mutex_);
    std::size_t checked = mark_;
    return changed_.wait_for(lock, kPatience, [&] {
        for (; checked < seen_.size(); ++checked)
            if (done(seen_[checked])) {
                mark_ = checked + 1;
                return true;
            }
        return false;
    });
}

bool CoreHost::WaitForEnd()
{
    return WaitFor(
        [](const Report& r) { return (r.mask & MVS_PLUGIN_STATE) && (r.state == MV_STOPPED || r.state == MV_CLOSED); });
}

bool CoreHost::WaitForVolume()
{
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kPatience, [&] { return !volumes_.empty(); });
}

bool CoreHost::PollStatusUntil(const std::function<bool(const std::string&)>& done)
{
    return Eventually([&] {
        Send(CMD_PLUGIN_GET_STATUS);
        auto reports = Take();
        return !reports.empty() && done(reports.back().text);
    });
}

std::vector<uint32_t> CoreHost::Volumes()
{
    std::lock_guard lock(mutex_);
    return volumes_;
}

std::vector<std::uint8_t> WithoutPadding(const std::vector<std::uint8_t>& written, std::size_t expected,
                                         std::uint8_t silence)
{
    const std::size_t padding = kFragment - expected % kFragment;
    if (written.size() != expected + padding) return {};
    for (std::size_t i = expected; i < written.size(); ++i)
        if (written[i] != silence) return {};
    return {written.begin(), written.begin() + static_cast<long>(expected)};
}

bool EndsWith(const std::vector<std::uint8_t>& written, const std::vector<std::uint8_t>& expected, std::uint8_t silence)
{
    const std::size_t played = expected.size() + kFragment - expected.size() % kFragment;
    if (written.size() < played) return false;
    std::vector<std::uint8_t> last(written.end() - static_cast<long>(played), written.end());
    return WithoutPadding(last, expected.size(), silence) == expected;
}

bool Eventually(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::vector<std::uint8_t> PcmBytes(const Decoded& decoded)
{
    if (!decoded.pcm8.empty()) return decoded.pcm8;
    auto p = reinterpret_cast<const std::uint8_t*>(decoded.pcm16.data());
    return {p, p + decoded.pcm16.size() * 2};
}

ScopedEnv::ScopedEnv(std::initializer_list<std::pair<const char*, const char*>> vars)
{
    for (const auto& [name, value] : vars) {
        setenv(name, value, 1);
        names_.emplace_back(name);
    }
}

ScopedEnv::~ScopedEnv()
{
    for (const auto& name : names_) unsetenv(name.c_str());
}

}  // namespace brisko::test
