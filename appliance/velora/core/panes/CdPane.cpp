#include "panes/CdPane.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "playlist/Controller.h"
#include "dialogs/Dialogs.h"
#include "window/MainWindow.h"
#include "panes/Panes.h"
#include "player/PluginHost.h"
#include "window/Transport.h"
#include "panes/ViewerParts.h"
#include "player/VeloraTexts.h"

namespace velora {

using namespace photon;

CdRom cdrom;

namespace {

constexpr const char* kTrackCount = "Number of Tracks: %d";
constexpr const char* kCdDuration = " %s:%s:%s";
constexpr const char* kCdDurationAndElapsed = "%s / %s:%s:%s";
constexpr const char* kRepeatTexts[] = {"", "Repeat This Track", "Repeat Selected Tracks",
                                        "Repeat Selected Tracks Once"};
constexpr const char* kPlayTexts[] = {"Play All Tracks", "Play Selected Tracks", "Play Random Tracks"};
constexpr PgColor_t kSelectedColour = 0xFFFF00;
constexpr PgColor_t kActiveColour = 0x00FF00;
constexpr unsigned kStartDelayMs = 200;
constexpr uint32_t kMaxFrequencyMs = 100;

PtWidget_t* Key(int k)
{
    char name[32];
    snprintf(name, sizeof name, "cd_key%d", k);
    return W(name);
}

void Colour(PtWidget_t* key, PgColor_t colour)
{
    if (!key) return;
    PtSetResource(key, Pt_ARG_FILL_COLOR, colour, 0);
    PtSetResource(key, Pt_ARG_ARM_COLOR, colour, 0);
}

void Shown(PtWidget_t* widget, bool shown)
{
    if (!widget) return;
    if (shown) PtRealizeWidget(widget);
    else PtUnrealizeWidget(widget);
}

bool SelectionPlays() { return ControllerGetPlayType() == 1 || ControllerGetRepeatType() >= MV_REPEAT_SELECTED_TRACK; }

// Opens track t of the disc in the loaded plug-in, which switches tracks on a new open.
void OpenTrack(int t)
{
    // The reports of the new open must not be taken for the end of the track before it.
    mplayer.bStartPending = 0;
    const char* url = ControllerGetUrl(t);
    ControllerSetActiveTrack(t);
    const char* urls[] = {url, nullptr};
    mplayer.params.delta = url ? 1 : 0;
    SendCommand(CMD_PLUGIN_OPEN_URLS, MVP_DELTA, urls);
}

bool OnState(HostPluginCtrl* ctrl, uint32_t state)
{
    if (PluginDied(state)) return false;
    const char* text = PlayStateText(state, ctrl->lastState);
    if (state == MV_STOPPED && mplayer.bAutoPlay && ctrl->lastState == MV_OPENING && !mplayer.bStartPending)
        if (PtWidget_t* play = W("pausePlayButton")) PtTimerArm(play, kStartDelayMs);
    if (state == MV_PLAYING) {
        mplayer.bStartPending = 1;
        SetStatusTimer(mplayer.params.status_frequency);
    } else {
        PaneText("statusBar", "");
    }
    UpdateCdKeypad(state);
    if (ctrl->lastState == MV_PLAYING && state != MV_PLAYING) SetStatusTimer(0);
    ShowState(ctrl, state, "cd_statusLabel", text);
    return true;
}

void OnMedia(HostPluginCtrl* ctrl, const MvMediaInfo* media)
{
    MediumSteps steps;
    steps.maxPollMs = kMaxFrequencyMs;
    steps.first = [media] {
        if (media->title) PaneText("cd_infoLabel", media->title);
    };
    // A disc is a playlist of its tracks.
    steps.playlist = [media] {
        if (media->title && *media->title) PaneText("baseInfo", media->title);
        cdrom.trackCount = static_cast<int>(media->plcount);
    };
    steps.playlistOpened = [] { InitCdromGui(); };
    TakeMedium(ctrl, media, steps);
}

// The end of a track: the next one by the repeat and play types, or back to the first
// selected one, left stopped.
void EndOfTrack()
{
    mplayer.bChangingTrack = 1;
    mplayer.bStartPending = 0;
    if (mplayer.bAutoPlay) {
        const int next = ControllerGetNextTrack();
        if (next == -1) {
            const int first = ControllerGetFirstSelectedTrack();
            mplayer.bAutoPlay = 0;
            SendCommand(CMD_PLUGIN_STOP, 0);
            OpenTrack(first);
        } else if (!ControllerPluginChange(next)) {
            OpenTrack(next);
            SendCommand(CMD_PLUGIN_START, 0);
        }
    }
    mplayer.bChangingTrack = 0;
}

}  // namespace

int CdLastPage(int trackCount) { return trackCount <= 0 ? 0 : (trackCount + kCdKeysPerPage - 1) / kCdKeysPerPage - 1; }

int CdKeysOnPage(int trackCount, int page)
{
    if (trackCount <= kCdKeysPerPage) return std::max(trackCount, 0);
    return std::clamp(trackCount - page * kCdKeysPerPage, 0, kCdKeysPerPage);
}

std::string CdTimeText(uint32_t position, uint32_t duration)
{
    return PaneTimeText(
        cdrom.timeType, position, duration, [](const char* const total[3], const char* const elapsed[3]) {
            char totalText[32], text[64];
            snprintf(totalText, sizeof totalText, kCdDuration, total[0], total[1], total[2]);
            snprintf(text, sizeof text, kCdDurationAndElapsed, totalText, elapsed[0], elapsed[1], elapsed[2]);
            return std::string(text);
        });
}

void InitCdromGui()
{
    char text[64];
    snprintf(text, sizeof text, kTrackCount, cdrom.trackCount);
    PaneText("cd_numberTrackLabel", text);
    const int count = cdrom.trackCount;
    if (count <= kCdKeysPerPage) {
        Shown(W("cd_previousPage"), false);
        Shown(W("cd_nextPage"), false);
    } else {
        Shown(W("cd_previousPage"), cdrom.page >= 1);
        Shown(W("cd_nextPage"), cdrom.page != CdLastPage(count));
    }
    const int onPage = CdKeysOnPage(count, cdrom.page);
    for (int k = kCdKeysPerPage; k >= 1; --k) {
        PtWidget_t* key = Key(k);
        if (!key) continue;
        if (k <= onPage) {
            snprintf(text, sizeof text, "%d", cdrom.page * kCdKeysPerPage + k);
            PtSetResource(key, Pt_ARG_TEXT_STRING, text, 0);
        }
        Shown(key, k <= onPage);
    }
}

void KeypadAllOff()
{
    for (int k = 1; k <= kCdKeysPerPage; ++k) Colour(Key(k), Pg_TRANSPARENT);
}

void UpdateCdKeypad(uint32_t state)
{
    KeypadAllOff();
    const int first = cdrom.page * kCdKeysPerPage;
    if (SelectionPlays())
        for (int k = 1; k <= kCdKeysPerPage; ++k)
            if (ControllerIsSelected(first + k - 1)) Colour(Key(k), kSelectedColour);
    const int active = ControllerGetActiveTrack();
    if (state >= MV_PAUSED && active >= first && active < first + kCdKeysPerPage)
        Colour(Key(active - first + 1), kActiveColour);
}

void UpdateCdRepeat()
{
    const uint32_t type = ControllerGetRepeatType();
    PaneText("cd_repeatLabel", type < 4 ? kRepeatTexts[type] : "");
}

void UpdateCdPlayTracks()
{
    const uint32_t type = ControllerGetPlayType();
    PaneText("cd_playLabel", type < 3 ? kPlayTexts[type] : "");
}

void UpdateCdGuiState()
{
    UpdateCdRepeat();
    UpdateCdPlayTracks();
    if (mplayer.pluginCtrl) UpdateCdKeypad(mplayer.pluginCtrl->lastState);
}

void CdUpdatePosition(uint32_t position, uint32_t duration)
{
    PaneText("cd_timeLabel", CdTimeText(position, duration).c_str());
}

void cdaudio_vcb(MvPluginCtrl* plugin, uint32_t mask, const MvPluginStatus* status)
{
    HostPluginCtrl* ctrl = TakeReportStart(plugin, mask, status, OnState);
    if (!ctrl) return;
    if ((mask & MVS_MEDIA) && status->media_info) {
        const MvMediaInfo* media = status->media_info;
        if (media->which & MV_MEDIA_AUDIO_INFO) {
            if (media->audio) {
                PaneGauge("PtSlider_volume", Pt_ARG_GAUGE_VALUE, static_cast<int>(media->audio->volume));
                if (PtWidget_t* mute = W("muteButton"))
                    PtSetResource(mute, Pt_ARG_FLAGS, media->audio->reserve_1 ? static_cast<long>(Pt_SET) : 0L, Pt_SET);
            }
            return;
        }
        OnMedia(ctrl, media);
    }
    if ((mask & MVS_POSITION) && !mplayer.bSeeking) {
        ctrl->position = status->position;
        PaneGauge("curpos", Pt_ARG_GAUGE_VALUE, static_cast<int>(status->position));
        if (status->position / 100 != ctrl->positionTenths) CdUpdatePosition(ctrl->position, ctrl->duration);
    }
    if (mask & MVS_ERRORMSG) {
        popup_plugin_error(status->errormsg);
        cbBaseClose();
        return;
    }
    if (mask & MVS_GUI_STATUS) UpdateCdGuiState();
    if (ctrl->lastState == MV_STOPPED && mplayer.bStartPending && !mplayer.bChangingTrack) EndOfTrack();
}

int OnKeypadButton(PtWidget_t* widget, void*, PtCallbackInfo_t* cbinfo)
{
    const char* name = ApName(widget);
    int index = -1;
    if (name && strncmp(name, "cd_key", 6) == 0) index = atoi(name + 6) - 1;
    if (index < 0 || index >= kCdKeysPerPage || !mplayer.pluginCtrl) return Pt_CONTINUE;
    const int track = cdrom.page * kCdKeysPerPage + index;
    const bool shift = cbinfo && cbinfo->event && (cbinfo->event->data.pointer.key_mods & Pk_KM_Shift);
    if (shift) {
        if (!SelectionPlays()) return Pt_CONTINUE;
        if (ControllerIsSelected(track)) ControllerSetUnselected(track);
        else ControllerSetSelected(track);
        UpdateCdKeypad(mplayer.pluginCtrl->lastState);
        return Pt_CONTINUE;
    }
    mplayer.bChangingTrack = 1;
    KeypadAllOff();
    Colour(widget, kActiveColour);
    OpenTrack(track);
    SendCommand(CMD_PLUGIN_START, 0);
    mplayer.bAutoPlay = 1;
    mplayer.bChangingTrack = 0;
    return Pt_CONTINUE;
}

int OnPreviousPageButton(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    if (cdrom.trackCount < kCdKeysPerPage || cdrom.page < 1) return Pt_CONTINUE;
    --cdrom.page;
    InitCdromGui();
    if (mplayer.pluginCtrl) UpdateCdKeypad(mplayer.pluginCtrl->lastState);
    return Pt_CONTINUE;
}

int OnNextPageButton(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    if (cdrom.trackCount < kCdKeysPerPage || cdrom.page >= CdLastPage(cdrom.trackCount)) return Pt_CONTINUE;
    ++cdrom.page;
    InitCdromGui();
    if (mplayer.pluginCtrl) UpdateCdKeypad(mplayer.pluginCtrl->lastState);
    return Pt_CONTINUE;
}

int OnCdPlayTracks(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    ControllerSetPlayType((ControllerGetPlayType() + 1) % 3);
    return Pt_CONTINUE;
}

int OnCdRepeat(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    ControllerSetRepeatType((ControllerGetRepeatType() + 1) % 4);
    return Pt_CONTINUE;
}

int OnCdTime(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    cdrom.timeType = (cdrom.timeType + 1) % 3;
    return Pt_CONTINUE;
}

int OnLaunchCdAudio(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    PlaylistItem item;
    item.url = mplayer.setup.mountPoint;
    item.plugin = texts::kPluginCd;
    GetDriveFromMountPoint(mplayer.setup.mountPoint);
    cdrom.page = 0;
    if (mplayer.pluginCtrl) cbBaseClose();
    if (!mplayer.bManualPlay) mplayer.bAutoPlay = 1;
    ControllerOpenItem(&item);
    return Pt_CONTINUE;
}

const ApCallbackName_t kCdCallbacks[] = {
    {"OnKeypadButton", OnKeypadButton},
    {"OnPreviousPageButton", OnPreviousPageButton},
    {"OnNextPageButton", OnNextPageButton},
    {"OnCdPlayTracks", OnCdPlayTracks},
    {"OnCdRepeat", OnCdRepeat},
    {"OnCdTime", OnCdTime},
    {nullptr, nullptr},
};

}  // namespace velora
