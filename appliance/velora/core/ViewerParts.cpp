#include "ViewerParts.h"

#include <algorithm>

#include "Controller.h"
#include "MainWindow.h"
#include "PluginHost.h"
#include "Transport.h"
#include "VeloraTexts.h"

namespace velora {

using namespace photon;

namespace {

constexpr uint32_t kUnknownDuration = 0xFFFFFFFFu;
// The status poll's period is the length over this (at most the pane's longest period).
constexpr uint32_t kFrequencyDivisor = 179;

}  // namespace

void PaneText(const char* name, const char* text)
{
    if (PtWidget_t* w = W(name)) PtSetResource(w, Pt_ARG_TEXT_STRING, text ? text : "", 0);
}

void PaneGauge(const char* name, long which, int value)
{
    if (PtWidget_t* w = W(name)) PtSetResource(w, which, value, 0);
}

void BlockPositionSlider(bool blocked)
{
    if (PtWidget_t* slider = W("curpos"))
        PtSetResource(slider, Pt_ARG_FLAGS, blocked ? static_cast<long>(Pt_BLOCKED | Pt_GHOST) : 0L,
                      Pt_BLOCKED | Pt_GHOST);
}

const char* PlayStateText(uint32_t state, uint32_t lastState)
{
    switch (state) {
    case MV_CLOSED: return lastState == MV_OPENING ? texts::kOpenFailed : texts::kNoClip;
    case MV_OPENING: return texts::kOpening;
    case MV_STOPPED: return lastState == MV_OPENING ? texts::kOpened : texts::kStopped;
    case MV_PAUSED: return texts::kPaused;
    case MV_PREFETCHING: return texts::kPrefetching;
    case MV_PLAYING: return texts::kPlaying;
    default: return texts::kUnknown;
    }
}

bool ReportOfOldPlugin(HostPluginCtrl* ctrl, const MvPluginStatus* status)
{
    if (ctrl == mplayer.pluginCtrl) return false;
    if (status && status->state == MV_DEAD) {
        UnloadDll(ctrl);
        mplayer.bPluginAlive = 0;
    }
    SetPlayPauseButton(1);
    return true;
}

bool PluginDied(uint32_t state)
{
    if (state != MV_DEAD) return false;
    mplayer.bPluginAlive = 0;
    SetStopEjectButton(0);
    cbBaseClose();
    return true;
}

uint32_t ShownDuration(uint32_t reported) { return reported == kUnknownDuration ? 0 : reported; }

void TakeMedium(HostPluginCtrl* ctrl, const MvMediaInfo* media, const MediumSteps& steps)
{
    if (ctrl->lastState < MV_STOPPED) {
        PaneGauge("curpos", Pt_ARG_GAUGE_VALUE, 0);
        BlockPositionSlider(true);
        if (steps.notOpen) steps.notOpen();
        return;
    }
    if (steps.first) steps.first();
    ctrl->mediaType = media->type;
    ctrl->duration = ShownDuration(media->duration);
    if (steps.takeVideo && (media->which & MV_MEDIA_VIDEO_INFO) && media->video) mplayer.videoInfo = *media->video;
    if ((ctrl->mediaType & MV_MEDIA_SEEKABLE) && ctrl->duration) BlockPositionSlider(false);
    if (ctrl->mediaType & MV_MEDIA_PLAYLIST) {
        if (steps.playlist) steps.playlist();
        ControllerGetPluginList();
        ControllerOpenIndex(nullptr, ControllerGetActiveTrack());
        if (steps.playlistOpened) steps.playlistOpened();
        return;
    }
    if (steps.single) steps.single();
    if (steps.sliderEnd && ctrl->duration) PaneGauge("curpos", Pt_ARG_GAUGE_MAXIMUM, static_cast<int>(ctrl->duration));
    PaneGauge("curpos", Pt_ARG_GAUGE_VALUE, 0);
    mplayer.params.status_frequency = std::min(ctrl->duration / kFrequencyDivisor, steps.maxPollMs);
    SendCommand(CMD_PLUGIN_SET_PARAMETER, steps.pollParams);
}

bool TakePictureReport(HostPluginCtrl* ctrl, const MvPluginStatus* status, PtWidget_t* video)
{
    const MvMediaInfo* media = status->media_info;
    if (ctrl->lastState <= MV_OPENING || !(media->which & MV_MEDIA_VIDEO_INFO) || !media->video) return false;
    mplayer.videoInfo = *media->video;
    if (!(status->flags & MVS_AREA)) return false;
    if (video) PtSetResource(video, Pt_ARG_DIM, &mplayer.videoInfo.area.size, 0);
    return true;
}

void ShowState(HostPluginCtrl* ctrl, uint32_t state, const char* label, const char* text)
{
    setbuttons(state);
    ctrl->lastState = state;
    if (label) PaneText(label, text);
}

}  // namespace velora
