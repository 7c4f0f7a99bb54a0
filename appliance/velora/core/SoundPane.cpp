#include "SoundPane.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>

#include "Controller.h"
#include "Dialogs.h"
#include "MainWindow.h"
#include "PluginHost.h"
#include "Transport.h"
#include "VeloraTexts.h"

namespace velora {

using namespace photon;

int plimsaTimeType = 0;

namespace {

constexpr unsigned kStartDelayMs = 200;
constexpr unsigned kNextDelayMs = 200;
constexpr uint32_t kFrequencyDivisor = 179;
constexpr uint32_t kMaxFrequencyMs = 1000;
constexpr std::size_t kWrapAt = 60;

void SetText(const char* name, const char* text) {
    if (PtWidget_t* widget = W(name)) PtSetResource(widget, Pt_ARG_TEXT_STRING, text ? text : "", 0);
}

void SetSlider(const char* name, long which, int value) {
    if (PtWidget_t* widget = W(name)) PtSetResource(widget, which, value, 0);
}

void BlockSlider(bool blocked) {
    if (PtWidget_t* slider = W("curpos"))
        PtSetResource(slider, Pt_ARG_FLAGS, blocked ? static_cast<long>(Pt_BLOCKED | Pt_GHOST) : 0L, Pt_BLOCKED | Pt_GHOST);
}

void ArmTimer(const char* name, unsigned ms) {
    if (PtWidget_t* widget = W(name)) PtTimerArm(widget, ms);
}

const char* StateText(uint32_t state, uint32_t lastState) {
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

// A state change. False when the plug-in died and nothing more is to be done.
bool OnState(HostPluginCtrl* ctrl, uint32_t state) {
    if (state == MV_DEAD) {
        mplayer.bPluginAlive = 0;
        SetStopEjectButton(0);
        cbBaseClose();
        return false;
    }
    const char* text = StateText(state, ctrl->lastState);
    if (state == MV_STOPPED) {
        SetSlider("curpos", Pt_ARG_GAUGE_VALUE, 0);
        PlimsaUpdatePosition(0, ctrl->duration);
        if (!mplayer.bErrorShown) {
            mplayer.params.position = 0;
            mplayer.params.delta = 0;
            SendCommand(CMD_PLUGIN_SEEK_TO, MVP_POSITION | MVP_DELTA);
        }
        if (mplayer.bAutoPlay && ctrl->lastState == MV_OPENING && !mplayer.bStartPending) ArmTimer("pausePlayButton", kStartDelayMs);
    }
    if (state == MV_PLAYING) {
        mplayer.bStartPending = 1;
        SetStatusTimer(mplayer.params.status_frequency);
    } else {
        SetStatusTimer(0);
        SetText("statusBar", "");
    }
    setbuttons(state);
    ctrl->lastState = state;
    SetText("status", text);
    return true;
}

void OnMedia(HostPluginCtrl* ctrl, const MvMediaInfo* media) {
    if (ctrl->lastState < MV_STOPPED) {
        SetSlider("curpos", Pt_ARG_GAUGE_VALUE, 0);
        BlockSlider(true);
        SetText("cliptitle", "");
        SetText("clipinfo", "");
        SetText("postxt", "");
        return;
    }
    const std::string title = media->title ? media->title : ExtractTitleFromUrl(media->url);
    SetText("cliptitle", title.c_str());
    // The more-info text is wrapped in our own copy; the plug-in's stays as it was.
    std::string moreinfo = media->moreinfo ? media->moreinfo : "";
    FormatMoreInfoString(moreinfo.data());
    SetText("clipinfo", moreinfo.c_str());
    ctrl->mediaType = media->type;
    ctrl->duration = media->duration;
    if ((ctrl->mediaType & MV_MEDIA_SEEKABLE) && ctrl->duration) BlockSlider(false);
    if (ctrl->mediaType & MV_MEDIA_PLAYLIST) {
        ControllerGetPluginList();
        ControllerOpenIndex(nullptr, ControllerGetActiveTrack());
        return;
    }
    if (ctrl->duration) SetSlider("curpos", Pt_ARG_GAUGE_MAXIMUM, static_cast<int>(ctrl->duration));
    SetSlider("curpos", Pt_ARG_GAUGE_VALUE, 0);
    mplayer.params.status_frequency = std::min(ctrl->duration / kFrequencyDivisor, kMaxFrequencyMs);
    SendCommand(CMD_PLUGIN_SET_PARAMETER, MVP_STATUS_FREQ | MVP_AUDIO);
}

}  // namespace

void plimsa_vcb(MvPluginCtrl* plugin, uint32_t mask, const MvPluginStatus* status) {
    auto* ctrl = reinterpret_cast<HostPluginCtrl*>(plugin);
    if (ctrl != mplayer.pluginCtrl) {
        // A plug-in being unloaded: its end releases it.
        if (status && status->state == MV_DEAD) {
            UnloadDll(ctrl);
            mplayer.bPluginAlive = 0;
        }
        SetPlayPauseButton(1);
        return;
    }
    if (!status) return;
    if ((mask & MVS_PLUGIN_STATE) && !OnState(ctrl, status->state)) return;
    if (mask & MVS_FLAGS) ctrl->statusFlags = status->flags;
    if ((mask & MVS_MEDIA) && status->media_info) {
        const MvMediaInfo* media = status->media_info;
        if (media->which & MV_MEDIA_AUDIO_INFO) {
            if (media->audio) SetSlider("PtSlider_volume", Pt_ARG_GAUGE_VALUE, static_cast<int>(media->audio->volume));
            return;
        }
        OnMedia(ctrl, media);
    }
    if ((mask & MVS_VIDEO_WND_TITLE) && status->videoWndTitle) SetText("statusBar", status->videoWndTitle);
    if ((mask & MVS_POSITION) && !mplayer.bSeeking && ctrl->lastState == MV_PLAYING) {
        ctrl->position = status->position;
        SetSlider("curpos", Pt_ARG_GAUGE_VALUE, static_cast<int>(status->position));
        if (status->position / 100 != ctrl->positionTenths) {
            ctrl->positionTenths = status->position / 100;
            PlimsaUpdatePosition(ctrl->position, ctrl->duration);
        }
    }
    if ((mask & MVS_ERRORMSG) && status->errormsg) {
        mplayer.bErrorShown = 1;
        popup_error(status->errormsg);
    }
    if (ctrl->lastState == MV_STOPPED && mplayer.bStartPending) {
        mplayer.bStartPending = 0;
        ArmTimer("ControlGroup", kNextDelayMs);
    }
}

std::string PlimsaTimeText(uint32_t position, uint32_t duration) {
    const unsigned d = duration / 1000, p = position / 1000;
    char h1[3], m1[3], s1[3], h2[3], m2[3], s2[3];
    char text[64];
    switch (plimsaTimeType) {
    case 1:
        FrameTime(p, h1, m1, s1);
        std::snprintf(text, sizeof text, texts::kElapsed, h1, m1, s1);
        break;
    case 0:
        FrameTime(d, h1, m1, s1);
        FrameTime(p, h2, m2, s2);
        std::snprintf(text, sizeof text, texts::kDurationAndElapsed, h1, m1, s1, h2, m2, s2);
        break;
    case 2:
        // Past the end (a duration that was a guess) there is nothing left.
        FrameTime(d > p ? d - p : 0, h1, m1, s1);
        std::snprintf(text, sizeof text, texts::kRemaining, h1, m1, s1);
        break;
    default:
        return texts::kTimeError;
    }
    return text;
}

void PlimsaUpdatePosition(uint32_t position, uint32_t duration) {
    SetText("postxt", PlimsaTimeText(position, duration).c_str());
}

int FormatMoreInfoString(char* text) {
    if (!text || std::strlen(text) < kWrapAt + 1) return 0;
    for (std::size_t i = kWrapAt; i-- > 0;)
        if (text[i] == ' ') {
            text[i] = '\n';
            break;
        }
    return 1;
}

int OnPlimsaTime(PtWidget_t*, void*, PtCallbackInfo_t*) {
    plimsaTimeType = (plimsaTimeType + 1) % 3;
    return Pt_CONTINUE;
}

}  // namespace velora
