#include "player/ViewerPost.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <deque>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace velora {

namespace {

// One report as the plug-in made it, with every text and record it pointed to copied, so that
// it stays valid after the callback has returned.
struct Report {
    HostPluginCtrl* ctrl = nullptr;
    uint32_t mask = 0;
    MvPluginStatus status{};
    MvMediaInfo media{};
    MvVideoMediaInfo video{};
    MvVideoSettingInfo videoSetting{};
    MvAudioMediaInfo audio{};
    MvDisplayInfo displayInfo{};
    MvAudioList audioList{};
    MvSubtitleList subtitleList{};
    std::deque<std::string> texts;  // a deque keeps the copies where they are

    const char* keep(const char* text)
    {
        if (!text) return nullptr;
        texts.emplace_back(text);
        return texts.back().c_str();
    }
};

std::mutex g_queueMutex;
std::deque<std::unique_ptr<Report>> g_queue;
int g_wake[2] = {-1, -1};
std::set<HostPluginCtrl*> g_live;

std::unique_ptr<Report> Copy(MvPluginCtrl* ctrl, uint32_t mask, const MvPluginStatus* status)
{
    auto report = std::make_unique<Report>();
    report->ctrl = reinterpret_cast<HostPluginCtrl*>(ctrl);
    report->mask = mask;
    if (!status) return report;
    MvPluginStatus& s = report->status;
    s = *status;
    s.errormsg = report->keep(status->errormsg);
    s.videoWndTitle = report->keep(status->videoWndTitle);
    s.userMsg = nullptr;
    if (const MvMediaInfo* m = status->media_info) {
        report->media = *m;
        report->media.url = report->keep(m->url);
        report->media.title = report->keep(m->title);
        report->media.moreinfo = report->keep(m->moreinfo);
        if (m->video) report->video = *m->video, report->media.video = &report->video;
        if (m->videoSetting)
            report->videoSetting = *m->videoSetting, report->media.videoSetting = &report->videoSetting;
        if (m->audio) report->audio = *m->audio, report->media.audio = &report->audio;
        s.media_info = &report->media;
    }
    if (const MvDisplayInfo* d = status->displayInfo) {
        report->displayInfo = {report->keep(d->title), report->keep(d->chapter), report->keep(d->rating),
                               report->keep(d->angle)};
        s.displayInfo = &report->displayInfo;
    }
    if (const MvAudioList* a = status->audioList) {
        report->audioList = *a;
        for (const char*& entry : report->audioList.list) entry = report->keep(entry);
        s.audioList = &report->audioList;
    }
    if (const MvSubtitleList* t = status->subtitleList) {
        report->subtitleList = *t;
        for (const char*& entry : report->subtitleList.list) entry = report->keep(entry);
        s.subtitleList = &report->subtitleList;
    }
    return report;
}

int OnWake(int fd, void*, unsigned)
{
    char drain[64];
    while (::read(fd, drain, sizeof drain) > 0) {}
    DeliverPostedReports();
    return photon::Pt_CONTINUE;
}

// The wake-up pipe, made on the GUI thread the first time a plug-in is loaded.
void EnsureWakePipe()
{
    if (g_wake[0] >= 0) return;
    if (::pipe2(g_wake, O_NONBLOCK | O_CLOEXEC) != 0) return;
    photon::PtAppAddFd(nullptr, g_wake[0], photon::Pt_FD_READ, OnWake, nullptr);
}

}  // namespace

void HostViewerCallback(MvPluginCtrl* ctrl, uint32_t mask, const MvPluginStatus* status)
{
    std::unique_ptr<Report> report = Copy(ctrl, mask, status);
    {
        std::lock_guard<std::mutex> lock(g_queueMutex);
        g_queue.push_back(std::move(report));
    }
    // A full pipe already holds a wake-up; the byte is only a nudge.
    const char byte = 1;
    if (g_wake[1] >= 0) (void)!::write(g_wake[1], &byte, 1);
}

void RegisterPluginRecord(HostPluginCtrl* ctrl)
{
    EnsureWakePipe();
    g_live.insert(ctrl);
}

void ForgetPluginRecord(HostPluginCtrl* ctrl)
{
    g_live.erase(ctrl);
    std::lock_guard<std::mutex> lock(g_queueMutex);
    std::erase_if(g_queue, [ctrl](const std::unique_ptr<Report>& report) { return report->ctrl == ctrl; });
}

void DeliverPostedReports()
{
    for (;;) {
        std::unique_ptr<Report> report;
        {
            std::lock_guard<std::mutex> lock(g_queueMutex);
            if (g_queue.empty()) return;
            report = std::move(g_queue.front());
            g_queue.pop_front();
        }
        HostPluginCtrl* ctrl = report->ctrl;
        if (!g_live.count(ctrl) || !ctrl->viewer) continue;  // a plug-in that is gone
        ctrl->viewer(&ctrl->ctrl, report->mask, &report->status);
    }
}

void WaitForReports(unsigned ms)
{
    {
        std::lock_guard<std::mutex> lock(g_queueMutex);
        if (!g_queue.empty()) return;
    }
    if (g_wake[0] < 0) return;
    pollfd wait{g_wake[0], POLLIN, 0};
    ::poll(&wait, 1, static_cast<int>(ms));
}

}  // namespace velora
