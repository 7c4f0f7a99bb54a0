#include "panes/ViewerParts.h"

#include <algorithm>
#include <cstdio>

#include "playlist/Controller.h"
#include "window/MainWindow.h"
#include "player/PluginHost.h"
#include "window/Transport.h"
#include "player/VeloraTexts.h"

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

HostPluginCtrl* TakeReportStart(MvPluginCtrl* plugin, uint32_t mask, const MvPluginStatus* status,
                                bool (*onState)(HostPluginCtrl*, uint32_t))
{
    auto* ctrl = reinterpret_cast<HostPluginCtrl*>(plugin);
    if (ReportOfOldPlugin(ctrl, status)) return nullptr;
    if (!status) return nullptr;
    if ((mask & MVS_PLUGIN_STATE) && !onState(ctrl, status->state)) return nullptr;
    if (mask & MVS_FLAGS) ctrl->statusFlags = status->flags;
    return ctrl;
}

std::string PaneTimeText(int timeType, uint32_t positionMs, uint32_t durationMs, BothTimes both)
{
    const unsigned d = durationMs / 1000, p = positionMs / 1000;
    char h1[3], m1[3], s1[3], h2[3], m2[3], s2[3];
    char text[64];
    switch (timeType) {
    case 1:
        FrameTime(p, h1, m1, s1);
        snprintf(text, sizeof text, texts::kElapsed, h1, m1, s1);
        return text;
    case 0: {
        FrameTime(d, h1, m1, s1);
        FrameTime(p, h2, m2, s2);
        if (!both) {
            snprintf(text, sizeof text, texts::kDurationAndElapsed, h1, m1, s1, h2, m2, s2);
            return text;
        }
        const char* const total[3] = {h1, m1, s1};
        const char* const elapsed[3] = {h2, m2, s2};
        return both(total, elapsed);
    }
    case 2:
        // A position past a duration that was a guess leaves nothing.
        FrameTime(d > p ? d - p : 0, h1, m1, s1);
        snprintf(text, sizeof text, texts::kRemaining, h1, m1, s1);
        return text;
    default: return texts::kTimeError;
    }
}

bool TakeVideoPaneMedia(HostPluginCtrl* ctrl, const MvPluginStatus* status, photon::PtWidget_t* video,
                        void (*onMedia)(HostPluginCtrl*, const MvMediaInfo*))
{
    const MvMediaInfo* media = status->media_info;
    if (TakePictureReport(ctrl, status, video)) return false;
    if (media->which & MV_MEDIA_AUDIO_INFO) {
        if (media->audio) PaneGauge("PtSlider_volume", Pt_ARG_GAUGE_VALUE, static_cast<int>(media->audio->volume));
        return false;
    }
    onMedia(ctrl, media);
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
