#include "panes/DvdPane.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "playlist/Controller.h"
#include "dialogs/Dialogs.h"
#include "window/MainWindow.h"
#include "panes/Panes.h"
#include "player/PluginHost.h"
#include "dialogs/Settings.h"
#include "window/Transport.h"
#include "panes/ViewerParts.h"
#include "player/VeloraTexts.h"

namespace velora {

using namespace photon;

int dvdTimeType = 0;

namespace {

constexpr const char* kScanningForward = "Scanning Forward";
constexpr const char* kScanningBackwards = "Scanning Backwards";
constexpr const char* kReversePlay = "Reverse Play";
constexpr const char* kStepping = "Stepping";
constexpr const char* kSlowMotion = "Slow Motion";
constexpr const char* kNoSubtitle = "None";
constexpr const char* kDvdUrl = "dvd";
constexpr unsigned kStartDelayMs = 500;
constexpr uint32_t kMaxFrequencyMs = 100;
constexpr long kDecorations = Ph_WM_RENDER_TITLE | Ph_WM_RENDER_MENU;  // 0x90
// A picture of fixed size: the window keeps its title but cannot be resized or maximised.
constexpr long kFixedSizeRender = Ph_WM_RENDER_RESIZE | Ph_WM_RENDER_MAX;  // 0x2020
constexpr long kFixedSizeManaged = Ph_WM_HIDE | Ph_WM_MAX;                 // 0x900
constexpr unsigned long kWindowClose = 0x1;
constexpr unsigned long kWindowResize = 0x80, kWindowResizeEnd = 0x100;
constexpr unsigned long kWindowMove = 0x200;
constexpr unsigned long kWindowMax = 0x800, kWindowMaxAlt = 0x8000;
constexpr uint32_t kMaximised = 1, kMinimised = 2;  // statusFlags bits 0 and 1

const ApEventLink_t kVideoLink = {ABM_WINDOW, "video", video_setup, ABM_PLACE_DEFAULT, 0, 0};
PtWidget_t* g_video = nullptr;

HostPluginCtrl* Current() { return mplayer.pluginCtrl; }

const char* StateText(uint32_t state, uint32_t lastState)
{
    switch (state) {
    case MV_PLAYBW: return kReversePlay;
    case MV_SCANFW: return kScanningForward;
    case MV_SCANBW: return kScanningBackwards;
    case MV_STEP: return kStepping;
    case MV_SLOW: return kSlowMotion;
    default: return PlayStateText(state, lastState);
    }
}

bool OnState(HostPluginCtrl* ctrl, uint32_t state)
{
    if (PluginDied(state)) return false;
    const char* text = StateText(state, ctrl->lastState);
    if (state == MV_STOPPED) {
        mplayer.bStartPending = 0;
        mplayer.params.position = 0;
        mplayer.params.delta = 0;
        SendCommand(CMD_PLUGIN_SEEK_TO, MVP_POSITION | MVP_DELTA);
        if (mplayer.bAutoPlay && (ControllerGetRepeatType() == MV_REPEAT_THIS_TRACK || ctrl->lastState == MV_OPENING))
            if (PtWidget_t* play = W("pausePlayButton")) PtTimerArm(play, kStartDelayMs);
    }
    if (state == MV_PLAYING) mplayer.bStartPending = 1;
    else PaneText("statusBar", "");
    ShowState(ctrl, state, "dvd_stateLabel", text);
    return true;
}

void OnMedia(HostPluginCtrl* ctrl, const MvMediaInfo* media)
{
    MediumSteps steps;
    steps.maxPollMs = kMaxFrequencyMs;
    steps.pollParams = MVP_STATUS_FREQ;
    steps.sliderEnd = false;
    steps.takeVideo = true;
    // The disc is the one item of the list.
    steps.single = [ctrl, media] {
        PlaylistItem item;
        item.url = media->url ? media->url : "";
        item.title = media->title ? media->title : "";
        item.plugin = ctrl->ctrl.name ? ctrl->ctrl.name : "";
        const int index = ControllerAddItem(&item);
        if (index >= 0) ControllerSetActiveTrack(index);
        const char* url = ControllerGetActiveUrl();
        PaneText("baseInfo", url ? url : "");
    };
    TakeMedium(ctrl, media, steps);
}

void FillCombo(const char* name, const char* const* list, uint32_t count, bool withNone, int selected)
{
    PtWidget_t* combo = W(name);
    if (!combo) return;
    PtListDeleteAllItems(combo);
    std::vector<const char*> rows;
    for (uint32_t i = 0; i < count; ++i) rows.push_back(list[i] ? list[i] : "");
    if (!rows.empty()) PtListAddItems(combo, rows.data(), static_cast<int>(rows.size()), 0);
    const char* none = kNoSubtitle;
    if (withNone) PtListAddItems(combo, &none, 1, 1);
    PtSetResource(combo, Pt_ARG_CBOX_SEL_ITEM, selected, 0);
}

void Send(uint32_t command)
{
    if (Current()) SendCommand(command, 0);
}

bool IsDvdPlugin()
{
    // The host loads plug-ins by path: the file's own name tells which it is.
    if (!Current() || !Current()->ctrl.name) return false;
    const char* slash = strrchr(Current()->ctrl.name, '/');
    return strcmp(slash ? slash + 1 : Current()->ctrl.name, texts::kPluginDvd) == 0;
}

// A window event's size request, kept within the picture's limits.
void ResizeWithin(PtWidget_t* window, const PhWindowEvent_t& event)
{
    PhArea_t area{};
    PtWidgetArea(window, &area);
    if (event.size.w == area.size.w && event.size.h == area.size.h) return;
    const PhArea_t target = {event.pos, ClampVideoSize(event.size, mplayer.videoInfo)};
    PtSetResource(window, Pt_ARG_AREA, &target, 0);
}

bool QueryVisible(PhRect_t* rect)
{
    return PhWindowQueryVisible(0x100, 0, static_cast<unsigned>(PhInputGroup(nullptr)), rect) == 0;
}

void ToggleHomeEntertainment()
{
    if (mplayer.setup.bHomeEntertainment) {
        mplayer.setup.bHomeEntertainment = 0;
        mplayer.params.delta = 0;
        mplayer.params.flags = MVP_RESTORE;
        SendCommand(CMD_PLUGIN_SET_WINDOW, MVP_DELTA);
    } else {
        mplayer.setup.bHomeEntertainment = 1;
    }
    InitVideoArea();
}

}  // namespace

std::string DvdTimeText(uint32_t position, uint32_t duration)
{
    // The plug-in reports milliseconds; the display is in seconds, as on the CD pane.
    return PaneTimeText(dvdTimeType, position, duration);
}

void DvdUpdatePosition(uint32_t position, uint32_t duration)
{
    PaneText("dvd_timeLabel", DvdTimeText(position, duration).c_str());
}

void DvdNextInList(const char* comboName, uint32_t command)
{
    PtWidget_t* combo = W(comboName);
    if (!combo || !Current()) return;
    // Each value read stays valid only until the next read: copy it at once.
    const unsigned short* value = nullptr;
    PtGetResource(combo, Pt_ARG_CBOX_SEL_ITEM, &value, 0);
    const int p = value ? *value : 0;
    value = nullptr;
    PtGetResource(combo, Pt_ARG_LIST_ITEM_COUNT, &value, 0);
    const int n = value ? *value : 0;
    if (n == 0) return;
    const int next = p % n + 1;
    if (next == p) return;
    PtSetResource(combo, Pt_ARG_CBOX_SEL_ITEM, next, 0);
    mplayer.params.delta = next;
    SendCommand(command, MVP_DELTA);
}

PhDim_t ClampVideoSize(PhDim_t requested, const MvVideoMediaInfo& info)
{
    PhDim_t size = requested;
    size.w = std::max<uint16_t>(size.w, info.min_size.w);
    if (info.max_size.w) size.w = std::min<uint16_t>(size.w, info.max_size.w);
    size.h = std::max<uint16_t>(size.h, info.min_size.h);
    if (info.max_size.h) size.h = std::min<uint16_t>(size.h, info.max_size.h);
    return size;
}

void SetVideoWindowDecorations(PtWidget_t* window, bool on)
{
    if (window) PtSetResource(window, Pt_ARG_WINDOW_RENDER_FLAGS, on ? kDecorations : 0L, kDecorations);
}

void dvd_vcb(MvPluginCtrl* plugin, uint32_t mask, const MvPluginStatus* status)
{
    HostPluginCtrl* ctrl = TakeReportStart(plugin, mask, status, OnState);
    if (!ctrl) return;
    if ((mask & MVS_MEDIA) && status->media_info && !TakeVideoPaneMedia(ctrl, status, g_video, OnMedia)) return;
    if ((mask & MVS_POSITION) && !mplayer.bSeeking) {
        ctrl->position = status->position;
        PaneGauge("curpos", Pt_ARG_GAUGE_VALUE, static_cast<int>(status->position));
        DvdUpdatePosition(ctrl->position, ctrl->duration);
    }
    if (mask & MVS_DURATION) {
        ctrl->duration = ShownDuration(status->duration);
        PaneGauge("curpos", Pt_ARG_GAUGE_MAXIMUM, static_cast<int>(ctrl->duration));
    }
    if (mask & MVS_ERRORMSG) {
        popup_plugin_error(status->errormsg);
        mplayer.bPluginAlive = 0;
        cbBaseClose();
        return;
    }
    if ((mask & MVS_DISPLAY_INFO) && status->displayInfo) {
        PaneText("dvd_titleLabel", status->displayInfo->title);
        PaneText("dvd_chapterLabel", status->displayInfo->chapter);
        PaneText("dvd_angleLabel", status->displayInfo->angle);
    }
    if ((mask & MVS_AUDIO_LIST) && status->audioList) {
        const MvAudioList* a = status->audioList;
        FillCombo("dvd_audioComboBox", a->list, std::min<uint32_t>(a->count, 8), false,
                  static_cast<int>(a->selectedIndex));
    }
    if ((mask & MVS_SUBTITLE_LIST) && status->subtitleList) {
        const MvSubtitleList* s = status->subtitleList;
        FillCombo("dvd_subtitleComboBox", s->list, std::min<uint32_t>(s->count, 32), true,
                  static_cast<int>(s->selectedIndex) + 1);
    }
}

int DvdOnHotkey(PtWidget_t* widget, void* data, PtCallbackInfo_t* cbinfo)
{
    if (!cbinfo || !cbinfo->event || cbinfo->event->type != Ph_EV_KEY) return Pt_CONTINUE;
    const PhKeyEvent_t& key = cbinfo->event->data.key;
    const bool firstPress = (key.key_flags & Pk_KF_Key_Down) && !(key.key_flags & Pk_KF_Key_Repeat);
    if (!firstPress || !Current()) return BaseOnHotkey(widget, data, cbinfo);
    const unsigned long cap = key.key_cap;
    const bool h = cap == 'h' || cap == 'H';
    if (!IsDvdPlugin() && !h) return BaseOnHotkey(widget, data, cbinfo);
    // The keypad's digit keys steer the menus; the main row's digits are not taken here.
    switch (cap) {
    case Pk_Home:
    case Pk_KP_7: Send(CMD_PLUGIN_MENU); break;
    case Pk_Return: Send(CMD_PLUGIN_SELECT); break;
    case Pk_Up:
    case Pk_KP_8: Send(CMD_PLUGIN_SELECT_UP); break;
    case Pk_Down:
    case Pk_KP_2: Send(CMD_PLUGIN_SELECT_DOWN); break;
    case Pk_Left:
    case Pk_KP_4: Send(CMD_PLUGIN_SELECT_LEFT); break;
    case Pk_Right:
    case Pk_KP_6: Send(CMD_PLUGIN_SELECT_RIGHT); break;
    case 'a':
    case 'A': Send(CMD_PLUGIN_ANGLE); break;
    case 'l':
    case 'L': DvdNextInList("dvd_audioComboBox", CMD_PLUGIN_SELECT_AUDIO); break;
    case 't':
    case 'T': DvdNextInList("dvd_subtitleComboBox", CMD_PLUGIN_SELECT_SUBTITLE); break;
    case 'h':
    case 'H': ToggleHomeEntertainment(); break;
    default: return BaseOnHotkey(widget, data, cbinfo);
    }
    return Pt_CONTINUE;
}

PtWidget_t* VideoWindow() { return g_video; }

void CreateVideoWindow()
{
    if (!g_video) ApLinkWindow(W("base"), &kVideoLink, nullptr);
}

void DestroyVideoWindow()
{
    if (g_video) PtDestroyWidget(g_video);
    g_video = nullptr;
    mplayer.params.video_wgt = nullptr;
}

void LeaveFullScreen() { InitVideoArea(); }

void InitVideoArea()
{
    if (mplayer.setup.bHomeEntertainment) {
        if (Current() && g_video) {
            mplayer.params.delta = 1;
            mplayer.params.flags = MVP_HOME_ENTERTAINMENT;
            SendCommand(CMD_PLUGIN_SET_WINDOW, MVP_DELTA);
        }
        PhRect_t rect{};
        if (g_video && QueryVisible(&rect)) {
            SetVideoWindowDecorations(g_video, false);
            const PhArea_t area = {
                rect.ul,
                {static_cast<uint16_t>(rect.lr.x - rect.ul.x + 1), static_cast<uint16_t>(rect.lr.y - rect.ul.y + 1)}};
            PtSetResource(g_video, Pt_ARG_AREA, &area, 0);
            PtWindowToFront(g_video);
        }
        CloseSettingsDialog();
        return;
    }
    if (!g_video) return;
    SetVideoWindowDecorations(g_video, true);
    const PhArea_t area = {mplayer.setup.videoWnd.pos.x, mplayer.setup.videoWnd.pos.y, mplayer.setup.videoWnd.size.w,
                           mplayer.setup.videoWnd.size.h};
    PtSetResource(g_video, Pt_ARG_AREA, &area, 0);
    PtWindowToFront(g_video);
}

int dvd_db_setup(PtWidget_t* link_instance, ApInfo_t* info, PtCallbackInfo_t*)
{
    if (info->reason != ABR_PRE_REALIZE) return Pt_CONTINUE;
    PtWidget_t* keys = ApGetWidgetPtr(link_instance, "dvdSpeedKeys");
    if (!keys || !mplayer.imageDb) return Pt_CONTINUE;
    for (const char* name : {"dvd_scanBackButton", "dvd_stepButton", "dvd_slowMotionButton", "dvd_scanForwardButton"})
        if (PtWidget_t* key = ApCreateDBWidget(mplayer.imageDb, name, keys, nullptr, 0, nullptr)) PtRealizeWidget(key);
    return Pt_CONTINUE;
}

int video_setup(PtWidget_t* window, ApInfo_t* info, PtCallbackInfo_t*)
{
    if (!info || info->reason != ABR_PRE_REALIZE) return Pt_CONTINUE;
    g_video = window;
    PhRect_t visible{};
    if (QueryVisible(&visible)) {
        mplayer.setup.videoWnd.pos.x = static_cast<int16_t>(mplayer.setup.videoWnd.pos.x + visible.ul.x);
        mplayer.setup.videoWnd.pos.y = static_cast<int16_t>(mplayer.setup.videoWnd.pos.y + visible.ul.y);
    }
    if (mplayer.videoInfo.flags & MV_VIDEO_FIXED_SIZE) {
        PtSetResource(window, Pt_ARG_WINDOW_RENDER_FLAGS, 0L, kFixedSizeRender);
        PtSetResource(window, Pt_ARG_WINDOW_MANAGED_FLAGS, 0L, kFixedSizeManaged);
        const PhArea_t area = {{mplayer.setup.videoWnd.pos.x, mplayer.setup.videoWnd.pos.y},
                               {mplayer.videoInfo.preferred_size.w, mplayer.videoInfo.preferred_size.h}};
        PtSetResource(window, Pt_ARG_AREA, &area, 0);
    } else {
        InitVideoArea();
    }
    if (mplayer.setup.videoSetting.bAlwaysOnTop)
        PtSetResource(window, Pt_ARG_WINDOW_STATE, Ph_WM_STATE_ISFRONT, Ph_WM_STATE_ISFRONT);
    PtAddEventHandler(window, Ph_EV_KEY, DvdOnHotkey, nullptr);
    return Pt_CONTINUE;
}

int cbVideoOpened(PtWidget_t* window, void*, PtCallbackInfo_t*)
{
    g_video = window;
    mplayer.params.video_wgt = window;
    return Pt_CONTINUE;
}

int cbVideoClosing(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    // The window's end as its user closes it: the next track, or the plug-in's end.
    mplayer.bStartPending = 0;
    PhRect_t visible{};
    if (QueryVisible(&visible)) {
        const int w = visible.lr.x - visible.ul.x + 1, h = visible.lr.y - visible.ul.y + 1;
        if (w > 0) mplayer.setup.videoWnd.pos.x = static_cast<int16_t>(mplayer.setup.videoWnd.pos.x % w);
        if (h > 0) mplayer.setup.videoWnd.pos.y = static_cast<int16_t>(mplayer.setup.videoWnd.pos.y % h);
    }
    g_video = nullptr;
    mplayer.params.video_wgt = nullptr;
    if (Current()) SendCommand(CMD_PLUGIN_SET_PARAMETER, MVP_VIDEO_WGT);
    if (ControllerGetNextTrack() == -1) unload_plugin();
    else ControllerPlayNext(nullptr, nullptr, nullptr);
    return Pt_CONTINUE;
}

int cbVideoWm(PtWidget_t* widget, void*, PtCallbackInfo_t* cbinfo)
{
    if (!cbinfo || !cbinfo->cbdata) return Pt_CONTINUE;
    const auto& event = *static_cast<PhWindowEvent_t*>(cbinfo->cbdata);
    PtWidget_t* window = PtFindDisjoint(widget);
    HostPluginCtrl* ctrl = Current();
    if (event.event_f & kWindowClose) return cbVideoClosing(widget, nullptr, cbinfo);
    if ((event.event_f & (kWindowResize | kWindowResizeEnd)) && ctrl &&
        !(ctrl->statusFlags & (kMaximised | kMinimised)))
        ResizeWithin(window, event);
    if (event.event_f & kWindowMove) {
        if (!mplayer.setup.bHomeEntertainment) {
            mplayer.setup.videoWnd.pos.x = event.pos.x;
            mplayer.setup.videoWnd.pos.y = event.pos.y;
            if (mplayer.bAdvanceDlgOpen) ShowVideoWindowPosition(event.pos.x, event.pos.y);
        }
        if (ctrl) SendCommand(CMD_PLUGIN_SET_PARAMETER, MVP_VIDEO_WGT);
    }
    if (event.event_f & (kWindowMax | kWindowMaxAlt)) {
        mplayer.params.flags = MVP_MAXIMIZE;
        if (ctrl) SendCommand(CMD_PLUGIN_SET_PARAMETER, MVP_VIDEO_WGT | MVP_FLAGS);
    }
    return Pt_CONTINUE;
}

int cbVideoSysInfo(PtWidget_t*, void*, PtCallbackInfo_t* cbinfo)
{
    // The display changed under the picture: the plug-in sets its drawing up again.
    HostPluginCtrl* ctrl = Current();
    if (cbinfo && cbinfo->event && cbinfo->event->subtype == Ph_OFFSCREEN_INVALID && ctrl &&
        !(ctrl->statusFlags & (kMaximised | kMinimised)))
        SendCommand(CMD_PLUGIN_SET_PARAMETER, MVP_VIDEO_WGT);
    return Pt_CONTINUE;
}

int OnVideoWindowResize(PtWidget_t* widget, void*, PtCallbackInfo_t*)
{
    PhArea_t area{};
    PtWidgetArea(PtFindDisjoint(widget), &area);
    if (Current() && g_video) SendCommand(CMD_PLUGIN_SET_PARAMETER, MVP_VIDEO_WGT);
    if (mplayer.bAdvanceDlgOpen) ShowVideoWindowSize(area.size.w, area.size.h);
    if (!mplayer.setup.bHomeEntertainment) mplayer.setup.videoWnd.size = {area.size.w, area.size.h};
    return Pt_CONTINUE;
}

int OnDvdTime(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    dvdTimeType = (dvdTimeType + 1) % 3;
    return Pt_CONTINUE;
}

int OnLaunchDvd(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    PlaylistItem item;
    item.url = kDvdUrl;
    item.plugin = texts::kPluginDvd;
    GetDriveFromMountPoint(mplayer.setup.mountPoint);
    ControllerDeleteAll();
    ControllerOpenItem(&item);
    if (!mplayer.bManualPlay) mplayer.bAutoPlay = 1;
    return Pt_CONTINUE;
}

namespace {

int OnDvdUpButton(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Send(CMD_PLUGIN_SELECT_UP);
    return Pt_CONTINUE;
}
int OnDvdDownButton(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Send(CMD_PLUGIN_SELECT_DOWN);
    return Pt_CONTINUE;
}
int OnDvdRightButton(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Send(CMD_PLUGIN_SELECT_RIGHT);
    return Pt_CONTINUE;
}
int OnDvdLeftButton(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Send(CMD_PLUGIN_SELECT_LEFT);
    return Pt_CONTINUE;
}
int OnDvdSelectButton(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Send(CMD_PLUGIN_SELECT);
    return Pt_CONTINUE;
}
int OnDvdMenuButton(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    if (g_video) Send(CMD_PLUGIN_MENU);
    return Pt_CONTINUE;
}
int OnDvdAngleButton(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Send(CMD_PLUGIN_ANGLE);
    return Pt_CONTINUE;
}
int OnDvdStepButtonActivate(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Send(CMD_PLUGIN_STEP);
    return Pt_CONTINUE;
}
int OnDvdScanForwardButtonActivate(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Send(CMD_PLUGIN_SCAN_FORWARD);
    return Pt_CONTINUE;
}
int OnDvdScanBackButtonActivate(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Send(CMD_PLUGIN_SCAN_BACK);
    return Pt_CONTINUE;
}
int OnDvdSlowMotionButtonActivate(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Send(CMD_PLUGIN_SLOW_MOTION);
    return Pt_CONTINUE;
}

// Only a selection the user made with the pointer counts.
bool RealSelection(PtCallbackInfo_t* cbinfo)
{
    return cbinfo && cbinfo->event && cbinfo->event->type == Ph_EV_BUT_RELEASE && cbinfo->event->subtype == 0;
}
int SelectFromCombo(PtWidget_t* combo, PtCallbackInfo_t* cbinfo, uint32_t command)
{
    if (!RealSelection(cbinfo) || !Current()) return Pt_CONTINUE;
    const unsigned short* selected = nullptr;
    PtGetResource(combo, Pt_ARG_CBOX_SEL_ITEM, &selected, 0);
    mplayer.params.delta = selected ? *selected : 0;
    SendCommand(command, MVP_DELTA);
    return Pt_CONTINUE;
}
int OnDvdSelectAudio(PtWidget_t* w, void*, PtCallbackInfo_t* i)
{
    return SelectFromCombo(w, i, CMD_PLUGIN_SELECT_AUDIO);
}
int OnDvdSelectSubtitle(PtWidget_t* w, void*, PtCallbackInfo_t* i)
{
    return SelectFromCombo(w, i, CMD_PLUGIN_SELECT_SUBTITLE);
}

void Indicator(const char* name, bool on)
{
    if (PtWidget_t* t = W(name)) PtSetResource(t, Pt_ARG_FLAGS, on ? static_cast<long>(Pt_SET) : 0L, Pt_SET);
}
int OnDvdUpButtonArm(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Indicator("dvd_up_toggle", true);
    return Pt_CONTINUE;
}
int OnDvdUpButtonDisarm(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Indicator("dvd_up_toggle", false);
    return Pt_CONTINUE;
}
int OnDvdDownButtonArm(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Indicator("dvd_bottom_toggle", true);
    return Pt_CONTINUE;
}
int OnDvdDownButtonDisarm(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Indicator("dvd_bottom_toggle", false);
    return Pt_CONTINUE;
}
int OnDvdRightButtonArm(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Indicator("dvd_right_toggle", true);
    return Pt_CONTINUE;
}
int OnDvdRightButtonDisarm(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Indicator("dvd_right_toggle", false);
    return Pt_CONTINUE;
}
int OnDvdLeftButtonArm(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Indicator("dvd_left_toggle", true);
    return Pt_CONTINUE;
}
int OnDvdLeftButtonDisarm(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Indicator("dvd_left_toggle", false);
    return Pt_CONTINUE;
}
int OnDvdSelectButtonArm(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Indicator("dvd_select_toggle", true);
    return Pt_CONTINUE;
}
int OnDvdSelectButtonDisarm(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    Indicator("dvd_select_toggle", false);
    return Pt_CONTINUE;
}

}  // namespace

const ApCallbackName_t kDvdCallbacks[] = {
    {"OnDvdUpButton", OnDvdUpButton},
    {"OnDvdDownButton", OnDvdDownButton},
    {"OnDvdRightButton", OnDvdRightButton},
    {"OnDvdLeftButton", OnDvdLeftButton},
    {"OnDvdSelectButton", OnDvdSelectButton},
    {"OnDvdMenuButton", OnDvdMenuButton},
    {"OnDvdAngleButton", OnDvdAngleButton},
    {"OnDvdStepButtonActivate", OnDvdStepButtonActivate},
    {"OnDvdScanForwardButtonActivate", OnDvdScanForwardButtonActivate},
    {"OnDvdScanBackButtonActivate", OnDvdScanBackButtonActivate},
    {"OnDvdSlowMotionButtonActivate", OnDvdSlowMotionButtonActivate},
    {"OnDvdSelectAudio", OnDvdSelectAudio},
    {"OnDvdSelectSubtitle", OnDvdSelectSubtitle},
    {"OnDvdUpButtonArm", OnDvdUpButtonArm},
    {"OnDvdUpButtonDisarm", OnDvdUpButtonDisarm},
    {"OnDvdDownButtonArm", OnDvdDownButtonArm},
    {"OnDvdDownButtonDisarm", OnDvdDownButtonDisarm},
    {"OnDvdRightButtonArm", OnDvdRightButtonArm},
    {"OnDvdRightButtonDisarm", OnDvdRightButtonDisarm},
    {"OnDvdLeftButtonArm", OnDvdLeftButtonArm},
    {"OnDvdLeftButtonDisarm", OnDvdLeftButtonDisarm},
    {"OnDvdSelectButtonArm", OnDvdSelectButtonArm},
    {"OnDvdSelectButtonDisarm", OnDvdSelectButtonDisarm},
    {"OnDvdTime", OnDvdTime},
    {"cbVideoOpened", cbVideoOpened},
    {"cbVideoClosing", cbVideoClosing},
    {"cbVideoWm", cbVideoWm},
    {"cbVideoSysInfo", cbVideoSysInfo},
    {"OnVideoWindowResize", OnVideoWindowResize},
    {nullptr, nullptr},
};

}  // namespace velora
