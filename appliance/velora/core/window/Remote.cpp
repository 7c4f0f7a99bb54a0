#include "window/Remote.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "playlist/Controller.h"
#include "dialogs/Dialogs.h"
#include "panes/DvdPane.h"
#include "window/MainWindow.h"
#include "panes/Panes.h"
#include "window/Transport.h"
#include "player/PluginHost.h"
#include "player/VeloraTexts.h"

namespace velora {

using namespace photon;

Remote remote;

namespace {

constexpr const char* kInvalidPort = "%s is an invalid serial port... Resetting to default\n";
constexpr const char* kNoChannel = "Unable to create a comminucation channel for the remote control %s\n";
constexpr const char* kUnableToStartWendrel = "Unable to start wendrel %s\n";
constexpr const char* kNoInputProc = "Unable to add an input procedure for wendrel";
constexpr const char* kRemoteState = "remote  control is %s remote_pid = %d channel = %d\n";
constexpr const char* kReaderProgram = "wendrel";
constexpr long kRepeatWindowMs = 500;
constexpr PgColor_t kGhostFill = 0xC0C0C0;
constexpr PgColor_t kPlainFill = 0xFFFFFF;
constexpr uint32_t kFirstCommand = CMD_PLUGIN_STOP;
constexpr uint32_t kLastCommand = CMD_PLUGIN_PLAY_PAUSE;

int RealClock(timespec* now) { return clock_gettime(CLOCK_REALTIME, now); }

void Show(const char* format, const char* value)
{
    char text[1200];
    snprintf(text, sizeof text, format, value);
    popup_error(text);
}

void SetToggle(PtWidget_t* toggle, bool on)
{
    if (toggle) PtSetResource(toggle, Pt_ARG_FLAGS, on ? static_cast<long>(Pt_SET) : 0L, Pt_SET);
}

void PortFieldLocked(bool locked)
{
    PtWidget_t* field = ApWidget("adv_serialPort");
    if (!field) return;
    PtSetResource(field, Pt_ARG_FLAGS, locked ? static_cast<long>(Pt_BLOCKED | Pt_GHOST) : 0L, Pt_BLOCKED | Pt_GHOST);
    PtSetResource(field, Pt_ARG_FILL_COLOR, locked ? kGhostFill : kPlainFill, 0);
}

void PressAndRelease(const char* name)
{
    PtWidget_t* button = W(name);
    if (!button) return;
    PhEvent_t event{};
    event.type = Ph_EV_BUT_PRESS;
    event.data.pointer.buttons = 1;
    PtSendEventToWidget(button, &event);
    event.type = Ph_EV_BUT_RELEASE;
    event.subtype = Ph_EV_RELEASE_REAL;
    PtSendEventToWidget(button, &event);
}

void ScanOnce(const char* name)
{
    PtWidget_t* button = W(name);
    if (!button) return;
    PhEvent_t event{};
    event.type = Ph_EV_BUT_REPEAT;
    event.data.pointer.buttons = 1;
    PtSendEventToWidget(button, &event);
    cbFastDisarm(button, nullptr, nullptr);
}

void SendKeyToBase(unsigned long flags, unsigned long cap, unsigned long sym, unsigned long mods)
{
    PtWidget_t* base = W("base");
    if (!base) return;
    PhEvent_t event{};
    event.type = Ph_EV_KEY;
    event.data.key.key_flags = flags;
    event.data.key.key_cap = cap;
    event.data.key.key_sym = sym;
    event.data.key.key_mods = mods;
    PtSendEventToWidget(base, &event);
}

void OnScreenDisplay()
{
    PtWidget_t* video = VideoWindow();
    if (!mplayer.pluginCtrl || !video) return;
    if (mplayer.setup.bHomeEntertainment) {
        mplayer.setup.bHomeEntertainment = 0;
        SetVideoWindowDecorations(video, true);
        InitVideoArea();
        PtWindowToFront(video);
        mplayer.params.flags = MVP_RESTORE;
        mplayer.params.delta = 0;
        SendCommand(CMD_PLUGIN_SET_WINDOW, MVP_DELTA);
    } else {
        mplayer.setup.bHomeEntertainment = 1;
        InitVideoArea();
        PtWindowToFront(video);
    }
}

}  // namespace

int (*RemoteClock)(timespec* now) = RealClock;

int CommandCanRepeat(const WendrelMsg* message)
{
    switch (message->CommandType) {
    case CMD_PLUGIN_SELECT_UP:
    case CMD_PLUGIN_SELECT_DOWN:
    case CMD_PLUGIN_SELECT_RIGHT:
    case CMD_PLUGIN_SELECT_LEFT:
    case CMD_PLUGIN_SCAN_BACK:
    case CMD_PLUGIN_SCAN_FORWARD:
    case CMD_PLUGIN_LAST_CHAPTER:
    case CMD_PLUGIN_NEXT_CHAPTER:
    case CMD_PLUGIN_VOL_UP:
    case CMD_PLUGIN_VOL_DOWN: return 1;
    default: return 0;
    }
}

long RemoteElapsedMs(const timespec& last, const timespec& now)
{
    return (now.tv_sec - last.tv_sec) * 1000L + (now.tv_nsec - last.tv_nsec) / 1000000L;
}

int RemoteDoProgram(const WendrelMsg* message)
{
    switch (message->CommandType) {
    case CMD_PLUGIN_SELECT: SendKeyToBase(Pk_KF_Cap_Valid, Pk_Return, 0, 0); return 1;
    case CMD_PLUGIN_SELECT_UP: SendKeyToBase(Pk_KF_Key_Down | Pk_KF_Sym_Valid, 0, Pk_Up, 0); return 1;
    case CMD_PLUGIN_SELECT_DOWN: SendKeyToBase(Pk_KF_Key_Down | Pk_KF_Sym_Valid, 0, Pk_Down, 0); return 1;
    case CMD_PLUGIN_SELECT_RIGHT: SendKeyToBase(Pk_KF_Key_Down | Pk_KF_Sym_Valid, 0, Pk_Right, 0); return 1;
    case CMD_PLUGIN_SELECT_LEFT: SendKeyToBase(Pk_KF_Key_Down | Pk_KF_Sym_Valid, 0, Pk_Left, 0); return 1;
    case CMD_PLUGIN_PROGRAM:
        if (remote.bProgramMode) SendKeyToBase(Pk_KF_Key_Down | Pk_KF_Cap_Valid, 'f', 'f', Pk_KM_Alt);
        return 1;
    default:
        remote.bProgramMode = 0;
        SendKeyToBase(Pk_KF_Key_Down | Pk_KF_Cap_Valid, Pk_Escape, Pk_Escape, 0);
        return 0;
    }
}

void OnRemoteControlMessage(const WendrelMsg* message)
{
    timespec now{};
    if (RemoteClock(&now) != 0) {
        perror("clock gettime");
    } else {
        const long elapsed = RemoteElapsedMs(remote.lastTime, now);
        if (elapsed < kRepeatWindowMs && !CommandCanRepeat(message)) return;
        remote.lastTime = now;
    }
    if (remote.bProgramMode && RemoteDoProgram(message)) return;
    const uint32_t command = message->CommandType;
    if (command < kFirstCommand || command > kLastCommand) return;
    switch (command) {
    case CMD_PLUGIN_STOP:
    case CMD_PLUGIN_EJECT_DISK: PressAndRelease("stopEjectButton"); break;
    case CMD_PLUGIN_PLAY_PAUSE: PressAndRelease("pausePlayButton"); break;
    case CMD_PLUGIN_SELECT:
    case CMD_PLUGIN_SELECT_UP:
    case CMD_PLUGIN_SELECT_DOWN:
    case CMD_PLUGIN_SELECT_RIGHT:
    case CMD_PLUGIN_SELECT_LEFT:
    case CMD_PLUGIN_MENU:
    case CMD_PLUGIN_ANGLE:
        if (mplayer.pluginCtrl) SendCommand(command, 0);
        break;
    case CMD_PLUGIN_SELECT_AUDIO:
    case CMD_PLUGIN_SELECT_SUBTITLE:
        if (mplayer.pluginCtrl && mplayer.pluginCtrl->ctrl.name && strstr(mplayer.pluginCtrl->ctrl.name, "quenby"))
            DvdNextInList(command == CMD_PLUGIN_SELECT_AUDIO ? "dvd_audioComboBox" : "dvd_subtitleComboBox", command);
        break;
    case CMD_PLUGIN_MUTE:
        // The button shows what is heard: its new state goes to the sound as the button's own action does.
        if (PtWidget_t* mute = W("muteButton")) {
            const bool on = !(PtWidgetFlags(mute) & Pt_SET);
            SetToggle(mute, on);
            AudioVolumeMute(on ? 1 : 0);
        }
        break;
    case CMD_PLUGIN_SCAN_BACK: ScanOnce("fastRewindButton"); break;
    case CMD_PLUGIN_SCAN_FORWARD: ScanOnce("fastForwardButton"); break;
    case CMD_PLUGIN_POWER: OnFileMenuExit(); break;
    case CMD_PLUGIN_PROGRAM:
        remote.bProgramMode = !remote.bProgramMode;
        if (remote.bProgramMode) RemoteDoProgram(message);
        break;
    case CMD_PLUGIN_OSD: OnScreenDisplay(); break;
    case CMD_PLUGIN_LAST_CHAPTER: cbPrevious(nullptr, nullptr, nullptr); break;
    case CMD_PLUGIN_NEXT_CHAPTER: cbnext(nullptr, nullptr, nullptr); break;
    case CMD_PLUGIN_VOL_UP: cbLouder(); break;
    case CMD_PLUGIN_VOL_DOWN: cbQuieter(); break;
    case CMD_PLUGIN_ENTER: ControllerChangeTrack(message->KeypadNum - (ControllerGetActiveTrack() + 1)); break;
    default: break;
    }
}

int OnRemoteControlMessageCb(void*, int rcvid, void* message, std::size_t size)
{
    // A message shorter than the record is answered and dropped.
    if (size >= sizeof(WendrelMsg)) {
        WendrelMsg copy;
        memcpy(&copy, message, sizeof copy);
        OnRemoteControlMessage(&copy);
    }
    MsgReply(rcvid, 0, nullptr, 0);
    return Pt_CONTINUE;
}

void TerminateRemoteControl()
{
    if (remote.pid > 0) kill(remote.pid, SIGTERM);
    if (remote.channel > 0) ChannelDestroy(remote.channel);
    remote.pid = remote.channel = -1;
    remote.bProgramMode = 0;
    mplayer.bRemoteCtrl = 0;
}

void OnRemoteControlTerminate(void*, int)
{
    if (remote.inputId) PtAppRemoveInput(nullptr, remote.inputId);
    remote.inputId = nullptr;
    if (remote.channel > 0) ChannelDestroy(remote.channel);
    remote.pid = remote.channel = -1;
}

namespace {

void SwitchOn(PtWidget_t* toggle)
{
    RemoteClock(&remote.lastTime);
    if (remote.pid > 0) return;
    PtWidget_t* field = ApWidget("adv_serialPort");
    const char* text = nullptr;
    if (field) PtGetResource(field, Pt_ARG_TEXT_STRING, &text, 0);
    const std::string port = text ? text : "";
    struct stat st;
    if (stat(port.c_str(), &st) != 0 || !S_ISCHR(st.st_mode)) {
        Show(kInvalidPort, port.c_str());
        if (field) PtSetResource(field, Pt_ARG_TEXT_STRING, texts::kDefaultSerialPort, 0);
        SetToggle(toggle, false);
        return;
    }
    PortFieldLocked(true);
    remote.channel = ChannelCreate(0);
    if (remote.channel < 0) {
        SetToggle(toggle, false);
        Show(kNoChannel, strerror(errno));
        remote.channel = -1;
        return;
    }
    const std::string pid = std::to_string(static_cast<long>(getpid()));
    const std::string chid = std::to_string(static_cast<long>(remote.channel));
    const char* argv[] = {kReaderProgram, port.c_str(), pid.c_str(), chid.c_str(), nullptr};
    const std::string program = HelperProgram(kReaderProgram);
    remote.pid = PtSpawn(program.c_str(), argv, nullptr, nullptr, OnRemoteControlTerminate, nullptr, nullptr);
    if (remote.pid <= 0) {
        const int error = errno;
        SetToggle(toggle, false);
        ChannelDestroy(remote.channel);
        remote.channel = -1;
        remote.pid = -1;
        Show(kUnableToStartWendrel, strerror(error));
        return;
    }
    remote.inputId = PtAppAddInput(nullptr, remote.pid, OnRemoteControlMessageCb, nullptr);
    if (!remote.inputId) {
        popup_error(kNoInputProc);
        TerminateRemoteControl();
        return;
    }
    mplayer.bRemoteCtrl = 1;
    mplayer.serialPort = port;
}

void SwitchOff()
{
    PortFieldLocked(false);
    if (remote.inputId) PtAppRemoveInput(nullptr, remote.inputId);
    remote.inputId = nullptr;
    TerminateRemoteControl();
}

}  // namespace

int OnRemoteControlButtonActivated(PtWidget_t* widget, void*, PtCallbackInfo_t*)
{
    const bool on = widget && (PtWidgetFlags(widget) & Pt_SET);
    if (on) SwitchOn(widget);
    else SwitchOff();
    // A switch-on that was refused released the toggle: the line says what came of it.
    const bool active = on && (PtWidgetFlags(widget) & Pt_SET) && remote.pid > 0;
    fprintf(stderr, kRemoteState, active ? "Activated" : "Desactivated", static_cast<int>(remote.pid), remote.channel);
    return Pt_CONTINUE;
}

}  // namespace velora
