// The viewer callback of plug-ins that have no pane of the player's: video and system-stream
// plug-ins, plug-ins no rule names, and plug-ins that draw into a pane of their own.
#include <algorithm>

#include "playlist/Controller.h"
#include "dialogs/Dialogs.h"
#include "window/MainWindow.h"
#include "panes/Panes.h"
#include "player/PluginHost.h"
#include "window/Transport.h"
#include "panes/ViewerParts.h"

namespace velora {

using namespace photon;

namespace {

constexpr unsigned kStartDelayMs = 200;
constexpr unsigned kNextDelayMs = 200;
constexpr uint32_t kMaxFrequencyMs = 100;

bool OnState(HostPluginCtrl* ctrl, uint32_t state)
{
    if (PluginDied(state)) return false;
    if (state == MV_STOPPED) {
        mplayer.params.position = 0;
        mplayer.params.delta = 0;
        SendCommand(CMD_PLUGIN_SEEK_TO, MVP_POSITION | MVP_DELTA);
        if (mplayer.bAutoPlay && ctrl->lastState == MV_OPENING && !mplayer.bStartPending)
            if (PtWidget_t* play = W("pausePlayButton")) PtTimerArm(play, kStartDelayMs);
    }
    if (state == MV_PLAYING) mplayer.bStartPending = 1;
    else PaneText("statusBar", "");
    ShowState(ctrl, state);
    return true;
}

void OnMedia(HostPluginCtrl* ctrl, const MvMediaInfo* media)
{
    MediumSteps steps;
    steps.maxPollMs = kMaxFrequencyMs;
    steps.takeVideo = true;
    steps.single = [] {
        const char* url = ControllerGetActiveUrl();
        PaneText("baseInfo", url ? url : "");
    };
    TakeMedium(ctrl, media, steps);
}

// The plug-in's own pane asks for a size: the main window grows to it, or goes back to its
// set-up width when the pane is narrower than that.
void OnPaneSize(MvDim size)
{
    PtWidget_t* base = W("base");
    PhArea_t area{};
    if (!base || !PtWidgetArea(base, &area)) return;
    const uint16_t width = area.size.w < size.w ? size.w : std::max(size.w, mplayer.baseDim.w);
    if (PtWidget_t* pane = static_cast<PtWidget_t*>(mplayer.params.spane_wgt)) {
        const PhDim_t dim = {width, size.h};
        PtSetResource(pane, Pt_ARG_DIM, &dim, 0);
    }
    const PhDim_t dim = {width, area.size.h};
    PtSetResource(base, Pt_ARG_DIM, &dim, 0);
    if (PtWidget_t* group = W("BaseGroup")) {
        PtExtentWidget(group);
        PtRealizeWidget(group);
    }
}

}  // namespace

void nogui_vcb(MvPluginCtrl* plugin, uint32_t mask, const MvPluginStatus* status)
{
    HostPluginCtrl* ctrl = TakeReportStart(plugin, mask, status, OnState);
    if (!ctrl) return;
    if ((mask & MVS_MEDIA) && status->media_info && !TakeVideoPaneMedia(ctrl, status, VideoWindow(), OnMedia)) return;
    if ((mask & MVS_POSITION) && !mplayer.bSeeking) {
        ctrl->position = status->position;
        PaneGauge("curpos", Pt_ARG_GAUGE_VALUE, static_cast<int>(status->position));
    }
    if (mask & MVS_DURATION) {
        ctrl->duration = ShownDuration(status->duration);
        PaneGauge("curpos", Pt_ARG_GAUGE_MAXIMUM, static_cast<int>(ctrl->duration));
    }
    if (mask & MVS_VPSIZE) OnPaneSize(status->vpsize);
    if ((mask & MVS_VIDEO_WND_TITLE) && status->videoWndTitle) PaneText("statusBar", status->videoWndTitle);
    if ((mask & MVS_ERRORMSG) && status->errormsg) {
        mplayer.bErrorShown = 1;
        popup_plugin_error(status->errormsg);
    }
    if (ctrl->lastState == MV_STOPPED && mplayer.bStartPending) {
        mplayer.bStartPending = 0;
        if (PtWidget_t* group = W("ControlGroup")) PtTimerArm(group, kNextDelayMs);
    }
}

}  // namespace velora
