#include "window/Transport.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <string>

#include "playlist/Controller.h"
#include "dialogs/Dialogs.h"
#include "window/MainWindow.h"
#include "panes/Panes.h"
#include "player/PluginHost.h"
#include "player/VeloraTexts.h"

namespace velora {

using namespace photon;

namespace {

constexpr unsigned kFastSeekDelayMs = 500;
constexpr unsigned long kLoadMedia = 3074;
constexpr unsigned long kEjectMedia = 3073;

const ApEventLink_t kUrlLink = {ABM_DIALOG, "urldlg", nullptr, ABM_PLACE_CENTER, 0, 0};

int SliderValue(PtWidget_t* slider, long which = Pt_ARG_GAUGE_VALUE)
{
    int* value = nullptr;
    if (slider) PtGetResource(slider, which, &value, 0);
    return value ? *value : 0;
}

void ShowFace(PtWidget_t* button, PhImage_t* image, const char* text)
{
    if (!button) return;
    if (image) {
        PtSetResource(button, Pt_ARG_LABEL_IMAGE, image, 0);
        PtSetResource(button, Pt_ARG_LABEL_TYPE, Pt_IMAGE, 0);
    } else {
        PtSetResource(button, Pt_ARG_TEXT_STRING, text, 0);
    }
}

void SendSliderSeek()
{
    mplayer.params.delta = 0;
    mplayer.params.position = static_cast<uint32_t>(SliderValue(W("curpos")));
    SendCommand(CMD_PLUGIN_SEEK_TO, MVP_POSITION | MVP_DELTA);
}

// Moves the position slider by a hundredth of its range and ten more, without a command yet.
void FastMove(int direction)
{
    mplayer.bSeeking = 1;
    if (!mplayer.pluginCtrl) return;
    PtWidget_t* slider = W("curpos");
    const int step = SliderValue(slider, Pt_ARG_GAUGE_MAXIMUM) / 100 + 10;
    PtSetResource(slider, Pt_ARG_GAUGE_VALUE, SliderValue(slider) + direction * step, 0);
}

bool ToggleSet(PtWidget_t* widget) { return widget && (PtWidgetFlags(widget) & Pt_SET); }

}  // namespace

void SetPlayPauseButton(int play)
{
    PtWidget_t* button = W("pausePlayButton");
    if (!button) return;
    PtRemoveCallback(button, Pt_CB_ARM, cbplay, nullptr);
    PtRemoveCallback(button, Pt_CB_ARM, cbpause, nullptr);
    ShowFace(button, play ? mplayer.playBut : mplayer.pauseBut, play ? "Play" : "Pause");
    PtAddCallback(button, Pt_CB_ARM, play ? cbplay : cbpause, nullptr);
}

void SetStopEjectButton(int stop)
{
    PtWidget_t* button = W("stopEjectButton");
    if (!button) return;
    PtRemoveCallback(button, Pt_CB_ACTIVATE, cbstop, nullptr);
    PtRemoveCallback(button, Pt_CB_ACTIVATE, cbeject, nullptr);
    ShowFace(button, stop ? mplayer.stopBut : mplayer.ejectBut, stop ? "Stop" : "Eject");
    PtAddCallback(button, Pt_CB_ACTIVATE, stop ? cbstop : cbeject, nullptr);
}

void setbuttons(uint32_t state)
{
    if (state == MV_PREFETCHING || state == MV_PLAYING) {
        SetPlayPauseButton(0);
        SetStopEjectButton(1);
        return;
    }
    SetPlayPauseButton(1);
    if (state == MV_DEAD || state == MV_CLOSED || state == MV_OPENING || state == MV_STOPPED) SetStopEjectButton(0);
    else SetStopEjectButton(1);
}

void SetStatusTimer(unsigned ms)
{
    if (PtWidget_t* timer = W("timer")) {
        PtSetResource(timer, Pt_ARG_TIMER_REPEAT, ms, 0);
        PtSetResource(timer, Pt_ARG_TIMER_INITIAL, ms, 0);
    }
}

int cbplay(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    mplayer.bAutoPlay = 1;
    HostPluginCtrl* ctrl = mplayer.pluginCtrl;
    if (!ctrl) {
        ControllerOpenIndex(nullptr, ControllerGetActiveTrack());
        return Pt_CONTINUE;
    }
    if (!(ctrl->mediaType & MV_MEDIA_VIDEO)) {
        SendCommand(CMD_PLUGIN_START, 0);
        return Pt_CONTINUE;
    }
    const bool noWidget = mplayer.videoInfo.flags & MV_VIDEO_NO_WIDGET;
    if (mplayer.setup.bPluginHasVideoWnd) {
        if (noWidget) SendCommand(CMD_PLUGIN_START, 0);
        else popup_error(texts::kNeedsVideoWindow);
        return Pt_CONTINUE;
    }
    if (noWidget) {
        popup_error(texts::kNoVideoWindowNeeded);
        return Pt_CONTINUE;
    }
    if (!VideoWindow()) {
        CreateVideoWindow();
        SendCommand(CMD_PLUGIN_SET_PARAMETER, MVP_VIDEO_WGT);
        if (!(mplayer.videoInfo.flags & MV_VIDEO_FIXED_SIZE)) InitVideoArea();
    }
    SendCommand(CMD_PLUGIN_START, 0);
    return Pt_CONTINUE;
}

int cbpause(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    HostPluginCtrl* ctrl = mplayer.pluginCtrl;
    if (!ctrl) return Pt_CONTINUE;
    SendCommand(ctrl->lastState == MV_PAUSED ? CMD_PLUGIN_START : CMD_PLUGIN_PAUSE, 0);
    return Pt_CONTINUE;
}

int cbstop(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    mplayer.bAutoPlay = 0;
    SendCommand(CMD_PLUGIN_STOP, 0);
    return Pt_CONTINUE;
}

static int ChangeTrack(int delta)
{
    if (!mplayer.pluginCtrl) return Pt_CONTINUE;
    mplayer.bChangingTrack = 1;
    ControllerChangeTrack(delta);
    mplayer.bChangingTrack = 0;
    return Pt_CONTINUE;
}

int cbPrevious(PtWidget_t*, void*, PtCallbackInfo_t*) { return ChangeTrack(-1); }
int cbnext(PtWidget_t*, void*, PtCallbackInfo_t*) { return ChangeTrack(1); }

int cbFastRewind(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    FastMove(-1);
    return Pt_CONTINUE;
}

int cbFastForward(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    FastMove(1);
    return Pt_CONTINUE;
}

int cbFastDisarm(PtWidget_t* widget, void*, PtCallbackInfo_t*)
{
    PtTimerArm(widget, kFastSeekDelayMs);
    return Pt_CONTINUE;
}

int cbFastSeek(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    SendSliderSeek();
    mplayer.bSeeking = 0;
    return Pt_CONTINUE;
}

int cbreplay(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    ControllerSetRepeatType(ControllerGetRepeatType() == 0 ? 1 : 0);
    return Pt_CONTINUE;
}

int cbmute(PtWidget_t* widget, void*, PtCallbackInfo_t*)
{
    AudioVolumeMute(ToggleSet(widget) ? 1 : 0);
    return Pt_CONTINUE;
}

int cbVolume(PtWidget_t* widget, void*, PtCallbackInfo_t* info)
{
    const auto* slider = info ? static_cast<const PtSliderCallback_t*>(info->cbdata) : nullptr;
    setvolume(slider ? slider->position : SliderValue(widget));
    if (PtWidget_t* mute = W("muteButton")) PtSetResource(mute, Pt_ARG_FLAGS, 0L, Pt_SET);
    return Pt_CONTINUE;
}

void cbLouder()
{
    const int volume = std::min(100, static_cast<int>(mplayer.params.audio.volume) + 10);
    setvolume(volume);
    PtSetResource(W("PtSlider_volume"), Pt_ARG_GAUGE_VALUE, volume, 0);
}

void cbQuieter()
{
    const int volume = std::max(0, static_cast<int>(mplayer.params.audio.volume) - 10);
    setvolume(volume);
    PtSetResource(W("PtSlider_volume"), Pt_ARG_GAUGE_VALUE, volume, 0);
}

int setvolume(int volume)
{
    if (static_cast<int>(mplayer.params.audio.volume) == volume) return 0;
    mplayer.setup.audio.volume = mplayer.params.audio.volume = static_cast<uint32_t>(volume);
    if (mplayer.pluginCtrl) SendCommand(CMD_PLUGIN_SET_PARAMETER, MVP_AUDIO);
    else AudioVolume(volume);
    return 1;
}

int cbSeek(PtWidget_t*, void*, PtCallbackInfo_t* info)
{
    if (!mplayer.pluginCtrl || !info) return Pt_CONTINUE;
    if (info->reason_subtype == Pt_SLIDER_DRAGGED) {
        mplayer.bSeeking = 1;
    } else if (info->reason_subtype == Pt_SLIDER_RELEASED) {
        mplayer.bSeeking = 0;
        SendSliderSeek();
    }
    return Pt_CONTINUE;
}

int cbTimer(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    if (mplayer.pluginCtrl) SendCommand(CMD_PLUGIN_GET_STATUS, 0);
    return Pt_CONTINUE;
}

void UpdateGui()
{
    if (PtWidget_t* replay = W("replayButton"))
        PtSetResource(replay, Pt_ARG_FLAGS, ControllerGetRepeatType() ? static_cast<long>(Pt_SET) : 0L, Pt_SET);
    if (!mplayer.pluginCtrl) return;
    mplayer.params.guiStatus.repeatType = ControllerGetRepeatType();
    SendCommand(CMD_PLUGIN_SET_GUI_STATUS, MVP_GUI_STATUS);
}

int cbeject(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    MvSetup& setup = mplayer.setup;
    if (!*setup.drive && !GetDriveFromMountPoint(setup.mountPoint)) {
        const char* last = std::strrchr(setup.mountPoint, '/');
        std::snprintf(setup.drive, sizeof setup.drive, "/dev%s", last ? last : "");
        struct stat st;
        if (!last || ::stat(setup.drive, &st) != 0) {
            setup.drive[0] = '\0';
            return Pt_CONTINUE;
        }
    }
    const int fd = ::open(setup.drive, O_RDONLY);
    if (fd < 0) {
        std::fprintf(stderr, texts::kUnableToOpenDevice, setup.drive, std::strerror(errno));
        return Pt_CONTINUE;
    }
    if (mplayer.bEjected) {
        if (::ioctl(fd, kLoadMedia, nullptr) != 0)
            std::fprintf(stderr, texts::kLoadFailed, texts::kSourceName, fd, errno);
        mplayer.bEjected = 0;
    } else {
        if (mplayer.pluginCtrl && (mplayer.pluginCtrl->mediaType & MV_MEDIA_REMOVABLE)) cbBaseClose();
        if (::ioctl(fd, kEjectMedia, nullptr) != 0)
            std::fprintf(stderr, texts::kEjectFailed, texts::kSourceName, fd, errno);
        mplayer.bEjected = 1;
    }
    ::close(fd);
    return Pt_CONTINUE;
}

int OnOpenUrlDialog(PtWidget_t*, void*, PtCallbackInfo_t* info)
{
    ApCreateModule(&kUrlLink, W("base"), info);
    return Pt_CONTINUE;
}

int OnOpenUrl(PtWidget_t* widget, void*, PtCallbackInfo_t*)
{
    PtWidget_t* dialog = ApGetInstance(widget);
    PtWidget_t* field = ApGetWidgetPtr(dialog, "urltoopen");
    PtWidget_t* status = ApGetWidgetPtr(dialog, "urlStatus");
    const char* text = nullptr;
    if (field) PtGetResource(field, Pt_ARG_TEXT_STRING, &text, 0);
    const std::string url = text ? text : "";
    if (status) PtSetResource(status, Pt_ARG_TEXT_STRING, texts::kConnecting, 0);
    PtFlush();
    char buffer[kItemBufferSize];
    PlaylistItem item;
    if (!FindItemFromUrl(buffer, sizeof buffer, item, url.c_str(), nullptr)) {
        if (status) PtSetResource(status, Pt_ARG_TEXT_STRING, "", 0);
        return Pt_CONTINUE;
    }
    mplayer.bStartPending = 0;
    if (!mplayer.bManualPlay) mplayer.bAutoPlay = 1;
    ControllerDeleteAll();
    ControllerOpenItem(&item);
    PtDestroyWidget(dialog);
    return Pt_CONTINUE;
}

}  // namespace velora
