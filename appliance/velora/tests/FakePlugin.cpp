// The fake media plug-in: MvInit, the operation table and the control the tests use.
#include "FakePlugin.h"

#include <cstring>
#include <thread>

namespace velora::testing {

namespace {

FakeControl g_control;
MvPluginStatus g_status{};
MvMediaInfo g_media{};
std::string g_url, g_title;

void Call(MvPluginCtrl* ctrl, uint32_t mask, const MvPluginStatus& status)
{
    if (ctrl && ctrl->cb) ctrl->cb(ctrl, mask, &status);
}

void ReportMedia(MvPluginCtrl* ctrl)
{
    g_media = {};
    g_media.which = MV_MEDIA_INFO;
    g_media.type = g_control.mediaType;
    g_media.url = g_url.c_str();
    g_media.duration = g_control.duration;
    g_media.title = nullptr;
    g_media.moreinfo = g_control.moreinfo.empty() ? nullptr : g_control.moreinfo.c_str();
    MvPluginStatus status = g_status;
    status.media_info = &g_media;
    std::thread([&] { Call(ctrl, MVS_MEDIA, status); }).join();
}

void State(MvPluginCtrl* ctrl, uint32_t state)
{
    g_status.state = state;
    MvPluginStatus status = g_status;
    std::thread([&] { Call(ctrl, MVS_PLUGIN_STATE, status); }).join();
}

int Command(MvCommandData* cmd)
{
    MvPlaybackParams* p = cmd->param;
    FakeCommand seen{cmd->cmdType,
                     cmd->which,
                     "",
                     p ? p->position : 0,
                     p ? p->delta : 0,
                     p ? p->status_frequency : 0,
                     p ? p->audio.volume : 0,
                     p ? p->seekUnit : 0,
                     p ? p->guiStatus.repeatType : 0};
    if (cmd->cmdType == CMD_PLUGIN_OPEN_URLS && cmd->urls && cmd->urls[0]) seen.url = cmd->urls[0];
    {
        std::lock_guard<std::mutex> lock(g_control.mutex);
        g_control.commands.push_back(seen);
    }
    MvPluginCtrl* ctrl = cmd->pluginCtrl;
    // The audio plug-ins poll at one second whatever is asked.
    if ((cmd->which & MVP_STATUS_FREQ) && p) p->status_frequency = 1000;
    if (!g_control.answer) return 0;
    switch (cmd->cmdType) {
    case CMD_PLUGIN_OPEN_URLS:
        g_url = seen.url;
        State(ctrl, MV_OPENING);
        State(ctrl, MV_STOPPED);
        ReportMedia(ctrl);
        break;
    case CMD_PLUGIN_CLOSE: State(ctrl, MV_CLOSED); break;
    case CMD_PLUGIN_START: State(ctrl, MV_PLAYING); break;
    case CMD_PLUGIN_PAUSE: State(ctrl, MV_PAUSED); break;
    case CMD_PLUGIN_STOP: State(ctrl, MV_STOPPED); break;
    default: break;
    }
    return 0;
}

void Terminate(MvPluginCtrl* ctrl)
{
    ++g_control.terminated;
    if (!g_control.endOnTerminate) return;
    MvPluginStatus dead{};
    std::thread([&] { Call(ctrl, MVS_PLUGIN_STATE, dead); }).join();
}

const MvMediaInfo* GetItem(MvPluginCtrl*, uint32_t, uint32_t) { return nullptr; }

const MvPluginFunctions kCalls = {Terminate, GetItem, Command};

void Report(uint32_t mask, const MvPluginStatus& status)
{
    MvPluginCtrl* target = g_control.ctrl;
    std::thread([&] { Call(target, mask, status); }).join();
}

void ReportState(uint32_t state) { State(g_control.ctrl, state); }

void ReportPosition(uint32_t position)
{
    g_status.position = position;
    Report(MVS_POSITION, g_status);
}

}  // namespace

}  // namespace velora::testing

extern "C" {

__attribute__((visibility("default"))) velora::testing::FakeControl* FakePluginControl()
{
    return &velora::testing::g_control;
}

__attribute__((visibility("default"))) int MvInit(MvPluginCtrl* ctrl)
{
    using velora::testing::g_control;
    ctrl->calls = &velora::testing::kCalls;
    ctrl->pflags = g_control.pflags;
    ctrl->APIversion = 1;
    ctrl->MinorVersion = 1;
    ctrl->pdata = nullptr;
    g_control.ctrl = ctrl;
    g_control.Report = velora::testing::Report;
    g_control.ReportState = velora::testing::ReportState;
    g_control.ReportPosition = velora::testing::ReportPosition;
    velora::testing::g_status = {};
    velora::testing::g_status.state = MV_CLOSED;
    return 0;
}
}
