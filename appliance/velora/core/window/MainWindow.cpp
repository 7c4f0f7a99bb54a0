#include "window/MainWindow.h"

#include <signal.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "playlist/Controller.h"
#include "dialogs/Settings.h"
#include "dialogs/Dialogs.h"
#include "panes/DvdPane.h"
#include "panes/Panes.h"
#include "player/PluginHost.h"
#include "window/Transport.h"
#include "player/VeloraTexts.h"
#include "qnx/MediaLibrary.h"

namespace velora {

using namespace photon;

namespace {

constexpr std::size_t kResolveBufferSize = 2048;

const ApEventLink_t kBaseLink = {ABM_WINDOW, "base", base_setup, ABM_PLACE_DEFAULT, 0, 0};
const ApEventLink_t kIconsLink = {ABM_PICTURE, "icons", nullptr, ABM_PLACE_DEFAULT, 0, 0};

void SetText(const char* name, const char* text)
{
    if (PtWidget_t* widget = W(name)) PtSetResource(widget, Pt_ARG_TEXT_STRING, text, 0);
}

void FlipSet(PtWidget_t* widget)
{
    if (!widget) return;
    PtSetResource(widget, Pt_ARG_FLAGS, (PtWidgetFlags(widget) & Pt_SET) ? 0L : static_cast<long>(Pt_SET), Pt_SET);
}

void SendButton(const char* name, unsigned long type)
{
    PtWidget_t* button = W(name);
    if (!button) return;
    PhEvent_t event{};
    event.type = type;
    event.subtype = type == Ph_EV_BUT_RELEASE ? static_cast<unsigned>(Ph_EV_RELEASE_REAL) : 0u;
    event.data.pointer.buttons = 1;
    PtSendEventToWidget(button, &event);
}

int OnSIGTERM(int, void*)
{
    OnFileMenuExit();
    return Pt_CONTINUE;
}

void ReadSettings()
{
    if (!qnx::MvGetMpSetting(&mplayer.setup)) {
        qnx::MvGetMpDefaultSetting(&mplayer.setup);
        if (mplayer.bConnectorOwner) qnx::MvSetMpSetting(&mplayer.setup);
    } else if (VerifyAudioSetting(&mplayer.setup.audio) && mplayer.bConnectorOwner) {
        qnx::MvSetMpSetting(&mplayer.setup);
    }
}

void SetupBeforeRealize(PtWidget_t* base)
{
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    PtAppAddSignalProc(nullptr, &signals, OnSIGTERM, nullptr);

    if (const PhDim_t* dim = nullptr; PtGetResource(base, Pt_ARG_DIM, &dim, 0) == 0 && dim) mplayer.baseDim = *dim;
    mplayer.imageDb = ApOpenDBase(&kIconsLink);
    mplayer.pauseBut = ApGetImageRes(mplayer.imageDb, "pauseBut");
    mplayer.playBut = ApGetImageRes(mplayer.imageDb, "playBut");
    mplayer.stopBut = ApGetImageRes(mplayer.imageDb, "stopBut");
    mplayer.ejectBut = ApGetImageRes(mplayer.imageDb, "ejectBut");

    SetStopEjectButton(0);
    SetPlayPauseButton(1);
    mplayer.bRemoteCtrl = 0;
    mplayer.serialPort = texts::kDefaultSerialPort;
    PresetVideoSettings(mplayer.setup.videoSetting);
    PresetVideoSettings(mplayer.params.videoSetting);
    ReadSettings();
    mplayer.setup.drive[0] = '\0';
    // The mixer chosen in the settings is kept from run to run; only none chosen yet is the first.
    if (mplayer.setup.audio.mixerDevice == 0) mplayer.setup.audio.mixerDevice = 1;
    mplayer.params.audio = mplayer.setup.audio;
    mplayer.params.videoSetting = mplayer.setup.videoSetting;
    PtSetResource(W("PtSlider_volume"), Pt_ARG_GAUGE_VALUE, static_cast<int>(mplayer.params.audio.volume), 0);

    PtSetResource(W("mnuStatistics"), Pt_ARG_FLAGS, static_cast<long>(Pt_BLOCKED | Pt_GHOST), Pt_BLOCKED | Pt_GHOST);
    struct stat st;
    if (::stat(texts::kDvdProgram, &st) != 0)
        PtSetResource(W("mnuLaunchDvd"), Pt_ARG_FLAGS, static_cast<long>(Pt_BLOCKED | Pt_GHOST), Pt_BLOCKED | Pt_GHOST);
}

// Resolves a command-line URL and adds it to the list; true when it was added.
bool AddArgument(const std::string& url, int toDelete)
{
    char buffer[kResolveBufferSize];
    PlaylistItem item;
    item.bToDelete = toDelete;
    if (!FindItemFromUrl(buffer, sizeof buffer, item, url.c_str(), nullptr)) return false;
    return ControllerAddItem(&item) >= 0;
}

void AddHotkeys(PtWidget_t* base)
{
    struct Hotkey {
        unsigned key;
        unsigned long mods;
        PtCallbackF_t* fn;
    };
    const Hotkey hotkeys[] = {
        {'o', Pk_KM_Ctrl, cbFileOpen},           {'o', Pk_KM_Ctrl | Pk_KM_Shift, OnOpenUrlDialog},
        {'r', Pk_KM_Ctrl, OnOpenSettings},       {'q', Pk_KM_Ctrl, OnFileMenuExit},
        {'1', Pk_KM_Ctrl, OnOpenPlaylistEditor}, {'2', Pk_KM_Ctrl, OnOpenActivePlaylist},
        {'4', Pk_KM_Ctrl, OnLaunchMixer},
    };
    for (const Hotkey& hotkey : hotkeys) PtAddHotkeyHandler(base, hotkey.key, hotkey.mods, 0, nullptr, hotkey.fn);
}

void SetupAfterRealize(PtWidget_t* base)
{
    PtAddEventHandler(base, Ph_EV_KEY, BaseOnHotkey, nullptr);
    AddHotkeys(base);
    InitAudio();
    if (mplayer.urlArgs.empty() && !mplayer.removeUrl) {
        if (mplayer.pluginPath) {
            PlaylistItem item;
            item.plugin = mplayer.pluginPath;
            ControllerOpenItem(&item);
        }
        return;
    }
    bool added = false;
    for (const std::string& argument : mplayer.urlArgs) {
        std::string url = argument;
        if (strncasecmp(url.c_str(), texts::kHttpScheme, 7) != 0 &&
            strncasecmp(url.c_str(), texts::kFileScheme, 7) != 0)
            url = texts::kFileScheme + url;
        added |= AddArgument(url, 0);
    }
    if (mplayer.removeUrl) {
        std::string url = mplayer.removeUrl;
        if (strncasecmp(url.c_str(), texts::kFileScheme, 7) != 0) url = texts::kFileScheme + url;
        added |= AddArgument(url, 1);
    }
    if (added) {
        ControllerOpenItem(ControllerGetItem(0));
        if (!mplayer.bManualPlay) mplayer.bAutoPlay = 1;
    }
}

}  // namespace

int base_setup(PtWidget_t* link_instance, ApInfo_t* info, PtCallbackInfo_t*)
{
    if (info && info->reason == ABR_PRE_REALIZE) SetupBeforeRealize(link_instance);
    else SetupAfterRealize(link_instance);
    return Pt_CONTINUE;
}

int BaseOnHotkey(PtWidget_t*, void*, PtCallbackInfo_t* cbinfo)
{
    if (!cbinfo || !cbinfo->event || cbinfo->event->type != Ph_EV_KEY) return Pt_CONTINUE;
    const PhKeyEvent_t& key = cbinfo->event->data.key;
    if (!(key.key_flags & Pk_KF_Cap_Valid) || key.key_mods != 0) return Pt_CONTINUE;
    const bool down = key.key_flags & Pk_KF_Key_Down;
    const bool repeat = key.key_flags & Pk_KF_Key_Repeat;
    const unsigned long cap =
        key.key_cap < 0x80 ? static_cast<unsigned long>(std::tolower(static_cast<int>(key.key_cap))) : key.key_cap;
    // Keys that work a button press it with the key and release it with the key.
    const char* button = nullptr;
    switch (cap) {
    case 'e':
    case 's': button = "stopEjectButton"; break;
    case 'f': button = "fastForwardButton"; break;
    case 'p': button = "pausePlayButton"; break;
    case 'r': button = "fastRewindButton"; break;
    default: break;
    }
    if (!down) {
        if (button) SendButton(button, Ph_EV_BUT_RELEASE);
        return Pt_CONTINUE;
    }
    if (button) {
        const bool repeats = cap != 'e' && cap != 's';
        if (repeat && repeats) SendButton(button, Ph_EV_BUT_REPEAT);
        else if (!repeat) SendButton(button, Ph_EV_BUT_PRESS);
        return Pt_CONTINUE;
    }
    switch (cap) {
    case '-': cbQuieter(); break;
    case '=':
    case '+': cbLouder(); break;
    case 'a': FlipSet(W("replayButton")); break;
    case 'b': cbPrevious(nullptr, nullptr, nullptr); break;
    case 'd':
        if (mplayer.bAdvanceDlgOpen) {
            FlipSettingsDirectAudioButton();
        } else {
            mplayer.setup.bDirectDigitalAudio = !mplayer.setup.bDirectDigitalAudio;
            DirectAudio();
        }
        break;
    case 'm': FlipSet(W("muteButton")); break;
    case 'n': cbnext(nullptr, nullptr, nullptr); break;
    default: break;
    }
    return Pt_CONTINUE;
}

void DisplayClientArea()
{
    const char* module = PaneModuleName(mplayer.paneModule);
    PtWidget_t* baseGroup = W("BaseGroup");
    if (!*module || !baseGroup || mplayer.paneGroup) return;
    mplayer.paneGroup = PtCreateWidget(PtGroup, baseGroup, 0, nullptr);
    ApSetupF_t* setup = mplayer.paneModule == PaneModule::Dvd ? dvd_db_setup : nullptr;
    const ApEventLink_t link = {ABM_PICTURE, module, setup, ABM_PLACE_DEFAULT, 0, 0};
    ApCreateModule(&link, mplayer.paneGroup, nullptr);
    mplayer.params.spane_wgt = W("plugin_pane");
    // Below the controls and their position slider.
    if (PtWidget_t* controls = W("cursor_pane")) PtWidgetInsert(mplayer.paneGroup, controls, 1);
    PtExtentWidget(baseGroup);
    PtRealizeWidget(mplayer.paneGroup);
    PtWidget_t* base = W("base");
    PhArea_t area{};
    if (base && PtWidgetArea(base, &area)) {
        const PhDim_t dim = {mplayer.baseDim.w, area.size.h};
        PtSetResource(base, Pt_ARG_DIM, &dim, 0);
    }
}

void HideClientArea()
{
    if (!mplayer.paneGroup) return;
    PtWidget_t* base = W("base");
    PhArea_t window{}, pane{};
    PtWidgetArea(base, &window);
    PtWidgetArea(mplayer.paneGroup, &pane);
    PhDim_t dim = window.size;
    dim.h = static_cast<uint16_t>(dim.h > pane.size.h ? dim.h - pane.size.h : dim.h);
    PtDestroyWidget(mplayer.paneGroup);
    mplayer.paneGroup = nullptr;
    if (base) {
        PtExtentWidget(base);
        PtSetResource(base, Pt_ARG_DIM, &dim, 0);
    }
    mplayer.paneModule = PaneModule::None;
    mplayer.params.spane_wgt = nullptr;
}

int cbBaseClose(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    if (!mplayer.pluginCtrl) return 0;
    mplayer.bAutoPlay = 0;
    mplayer.bStartPending = 0;
    unload_plugin();
    ControllerDeleteAll();
    SetStopEjectButton(0);
    PtSetResource(W("curpos"), Pt_ARG_GAUGE_VALUE, 0, 0);
    if (VideoWindow()) DestroyVideoWindow();
    SetText("baseInfo", texts::kPlayerName);
    SetText("statusBar", "");
    mplayer.pluginCtrl = nullptr;
    return 0;
}

int OnFileMenuExit(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    OnPlaylistWndDestroyed();
    cbBaseClose();
    PtExit(0);
}

int cbBaseDestroyed(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    if (HostPluginCtrl* ctrl = mplayer.pluginCtrl) {
        SendCommand(CMD_PLUGIN_STOP, 0);
        mplayer.pluginCtrl = nullptr;
        ctrl->ctrl.calls->terminate(&ctrl->ctrl);
    }
    if (mplayer.bPluginAlive) {
        const int modal = PtModalStart();
        while (mplayer.bPluginAlive) PtProcessEvent();
        PtModalEnd(modal);
    }
    if (VideoWindow()) DestroyVideoWindow();
    PtSyncPhoton();
    ApCloseDBase(mplayer.imageDb);
    mplayer.imageDb = nullptr;
    TerminateRemoteControl();
    if (mplayer.bConnectorOwner) qnx::MvSetMpSetting(&mplayer.setup);
    return Pt_CONTINUE;
}

int base_drag(PtWidget_t* widget, void*, PtCallbackInfo_t* cbinfo)
{
    if (!cbinfo || !cbinfo->event) return Pt_CONTINUE;
    PhWindowEvent_t event{};
    event.event_f = Ph_WM_MOVE;
    event.window = PtFindDisjoint(widget);
    event.pos = cbinfo->event->data.pointer.pos;
    PtForwardWindowEvent(&event);
    return Pt_CONTINUE;
}

const ApEventLink_t* BaseLink() { return &kBaseLink; }

PtWidget_t* OpenBase() { return ApLinkWindow(nullptr, &kBaseLink, nullptr); }

}  // namespace velora
