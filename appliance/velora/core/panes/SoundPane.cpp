#include "panes/SoundPane.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>

#include "playlist/Controller.h"
#include "dialogs/Dialogs.h"
#include "window/MainWindow.h"
#include "player/PluginHost.h"
#include "window/Transport.h"
#include "panes/ViewerParts.h"
#include "player/VeloraTexts.h"

namespace velora {

using namespace photon;

int plimsaTimeType = 0;

namespace {

constexpr unsigned kStartDelayMs = 200;
constexpr unsigned kNextDelayMs = 200;
constexpr uint32_t kMaxFrequencyMs = 1000;
constexpr std::size_t kWrapAt = 60;

void ArmTimer(const char* name, unsigned ms)
{
    if (PtWidget_t* widget = W(name)) PtTimerArm(widget, ms);
}

// A state change. False when the plug-in died and nothing more is to be done.
bool OnState(HostPluginCtrl* ctrl, uint32_t state)
{
    if (PluginDied(state)) return false;
    const char* text = PlayStateText(state, ctrl->lastState);
    if (state == MV_STOPPED) {
        PaneGauge("curpos", Pt_ARG_GAUGE_VALUE, 0);
        PlimsaUpdatePosition(0, ctrl->duration);
        if (!mplayer.bErrorShown) {
            mplayer.params.position = 0;
            mplayer.params.delta = 0;
            SendCommand(CMD_PLUGIN_SEEK_TO, MVP_POSITION | MVP_DELTA);
        }
        if (mplayer.bAutoPlay && ctrl->lastState == MV_OPENING && !mplayer.bStartPending)
            ArmTimer("pausePlayButton", kStartDelayMs);
    }
    if (state == MV_PLAYING) {
        mplayer.bStartPending = 1;
        SetStatusTimer(mplayer.params.status_frequency);
    } else {
        SetStatusTimer(0);
        PaneText("statusBar", "");
    }
    ShowState(ctrl, state, "status", text);
    return true;
}

void OnMedia(HostPluginCtrl* ctrl, const MvMediaInfo* media)
{
    MediumSteps steps;
    steps.maxPollMs = kMaxFrequencyMs;
    steps.notOpen = [] {
        PaneText("cliptitle", "");
        PaneText("clipinfo", "");
        PaneText("postxt", "");
    };
    steps.first = [media] {
        const std::string title = media->title ? media->title : ExtractTitleFromUrl(media->url);
        PaneText("cliptitle", title.c_str());
        // The more-info text is wrapped in our own copy; the plug-in's stays as it was.
        std::string moreinfo = media->moreinfo ? media->moreinfo : "";
        FormatMoreInfoString(moreinfo.data());
        PaneText("clipinfo", moreinfo.c_str());
    };
    TakeMedium(ctrl, media, steps);
}

}  // namespace

void plimsa_vcb(MvPluginCtrl* plugin, uint32_t mask, const MvPluginStatus* status)
{
    HostPluginCtrl* ctrl = TakeReportStart(plugin, mask, status, OnState);
    if (!ctrl) return;
    if ((mask & MVS_MEDIA) && status->media_info) {
        const MvMediaInfo* media = status->media_info;
        if (media->which & MV_MEDIA_AUDIO_INFO) {
            if (media->audio) PaneGauge("PtSlider_volume", Pt_ARG_GAUGE_VALUE, static_cast<int>(media->audio->volume));
            return;
        }
        OnMedia(ctrl, media);
    }
    if ((mask & MVS_VIDEO_WND_TITLE) && status->videoWndTitle) PaneText("statusBar", status->videoWndTitle);
    if ((mask & MVS_POSITION) && !mplayer.bSeeking && ctrl->lastState == MV_PLAYING) {
        ctrl->position = status->position;
        PaneGauge("curpos", Pt_ARG_GAUGE_VALUE, static_cast<int>(status->position));
        if (status->position / 100 != ctrl->positionTenths) {
            ctrl->positionTenths = status->position / 100;
            PlimsaUpdatePosition(ctrl->position, ctrl->duration);
        }
    }
    if ((mask & MVS_ERRORMSG) && status->errormsg) {
        mplayer.bErrorShown = 1;
        popup_plugin_error(status->errormsg);
    }
    if (ctrl->lastState == MV_STOPPED && mplayer.bStartPending) {
        mplayer.bStartPending = 0;
        ArmTimer("ControlGroup", kNextDelayMs);
    }
}

std::string PlimsaTimeText(uint32_t position, uint32_t duration)
{
    return PaneTimeText(plimsaTimeType, position, duration);
}

void PlimsaUpdatePosition(uint32_t position, uint32_t duration)
{
    PaneText("postxt", PlimsaTimeText(position, duration).c_str());
}

int FormatMoreInfoString(char* text)
{
    if (!text || std::strlen(text) < kWrapAt + 1) return 0;
    for (std::size_t i = kWrapAt; i-- > 0;)
        if (text[i] == ' ') {
            text[i] = '\n';
            break;
        }
    return 1;
}

int OnPlimsaTime(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    plimsaTimeType = (plimsaTimeType + 1) % 3;
    return Pt_CONTINUE;
}

}  // namespace velora
