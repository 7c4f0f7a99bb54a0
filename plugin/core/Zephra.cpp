#include "core/Zephra.h"

#include <algorithm>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "core/StatusText.h"
#include "core/ZephraStep.h"
#include "core/ZephraTexts.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

using namespace ztext;

Zephra::Zephra(PluginState& state)
    : state_(state),
      SendTime_(vb::Now()),
      MotionStartTime_(vb::Now()),
      SlideshowTime_(vb::Date{vb::Now().serial - 1.0 / 24}),
      Refusals_([&state](const std::string& line) {
          vb::Try([&] { WriteLog(state.Host(), kSource, line); });
          vb::Err().Clear();
      }) {}

std::shared_ptr<Zephra> Zephra::Create(PluginState& state) {
    std::shared_ptr<Zephra> zephra(new Zephra(state));
    zephra->Class_Initialize();
    return zephra;
}

void Zephra::Class_Initialize() {
    homeseer::Host* hs = state_.hs.get();
    auto classDebug = [&](const std::string& text) {
        if (state_.settings.DebugLog && hs) WriteLog(*hs, kDebugSource, text);
    };
    Step(kLogInitialize, [&] { SetPowerUpState(); });
    Step(kLogInitialize, [&] { classDebug("Initialize Zephra Class Objects - Timer"); });
    Step(kLogInitialize, [&] { Timer1_ = GetTimer(state_, Self()); });
    Step(kLogInitialize, [&] { IETimer_ = GetIETimer(state_, Self()); });
    Step(kLogInitialize, [&] { classDebug("Initialize Zephra Class Objects - IE"); });
    Step(kLogInitialize, [&] { NewBrowser(); });
    Step(kLogInitialize, [&] { classDebug("Initialize Zephra Class Objects -Dispatch"); });
    Step(kLogInitialize, [&] { WaitObject_ = std::make_unique<CWaitNDispatch>(); });
    Step(kLogInitialize, [&] {
        classDebug(std::string("Initialize Zephra Class with  Timers of Type ") +
                   (Timer1_ ? kTimerType : kNothingType) + ", " + (IETimer_ ? kTimerType : kNothingType));
    });
    FileSystem_ = std::make_unique<windows::FileSystemObject>();
}

Zephra::~Zephra() {
    FileSystem_.reset();
    try {
        if (state_.settings.DebugLog && state_.hs)
            WriteLog(*state_.hs, kDebugSource, "Terminate Class for Zephra " + Name_);
    } catch (...) {
        vb::Err().Clear();
    }
}

// --- Logging -----------------------------------------------------------------------------

void Zephra::Debug(const std::string& text) {
    if (state_.settings.DebugLog) WriteLog(state_.Host(), std::string(kDebugSource) + " " + Name_, text);
}

// "Zephra " & the procedure's log name & the error number & " ", to which the log writer
// adds the line and the description.
void Zephra::LogError(const char* logName) { LogErrorText(logName + std::to_string(vb::Err().Number) + " "); }

void Zephra::LogErrorText(const std::string& text) {
    try {
        WriteLog(state_.Host(), std::string(kSource) + " " + Name_, ErrorPrefix_ + text);
    } catch (...) {
        vb::Err().Clear();
    }
}

// --- Timers of the pool --------------------------------------------------------------------

forms::Timer* Zephra::Timer1() { return Timer1_ ? &state_.QueueTimerForm().Timer1(*Timer1_) : nullptr; }

forms::Timer* Zephra::IeTimer() { return IETimer_ ? &state_.QueueTimerForm().IETimer(*IETimer_) : nullptr; }

// Arms the command timer; false when the appliance has none. An interval is held to what a
// timer takes (1 to 65535 ms), so that the timer never stands still with interval 0.
bool Zephra::ArmTimer1(int32_t ms) {
    forms::Timer* timer = Timer1();
    if (!timer) return false;
    timer->Interval(std::clamp(ms, 1, 65535));
    timer->Enabled(true);
    return true;
}

void Zephra::StopTimer1() {
    if (forms::Timer* timer = Timer1()) timer->Enabled(false);
}

// --- Properties ----------------------------------------------------------------------------

void Zephra::LetName(const std::string& name) {
    Name_ = name;
    MarkerFile_ = state_.settings.WindowsShare + "\\" + name + kMarkerExtension;
}

void Zephra::LetEnableSlideshow(int16_t group) {
    EnableSlideshow_ = group;
    SlideGroup_ = group;
}

void Zephra::LetSlideshow(bool on) {
    if (EnableSlideshow_ != 0) Slideshow_ = on;
}

void Zephra::LetMotionOffMinutes(int32_t minutes) { MotionOffMinutes_ = std::min(minutes, 99999); }

// The ten device codes follow the base code, and the host devices are made or brought up to
// date.
void Zephra::LetDeviceCodeBase(const std::string& code) {
    DeviceCodeBase_ = code;
    if (code.empty()) {
        deviceCodes_.assign(10, std::string());
        return;
    }
    const std::string house = code.substr(0, 1);
    const std::string unit = code.substr(1);
    if (!vb::IsNumeric(vb::Variant(unit))) return;
    const int16_t base = vb::CInt(vb::Variant(unit));
    for (int16_t group = 0; group < 10; ++group) {
        int32_t sum = base + group;
        if (sum > 32767) vb::raise(vb::errors::Overflow);
        deviceCodes_[group] = house + std::to_string(sum);
    }
    MakeDevice(code);
    // The queue device may still show what an earlier run had queued: it shows this queue.
    ShowQueue();
}

bool Zephra::PowerReportedOff() {
    homeseer::Host& hs = state_.Host();
    return !PowerDevice_.empty() && !hs.IsOn(PowerDevice_) && hs.IsOff(PowerDevice_);
}

void Zephra::NoteSkippedForPower(bool skipped) {
    if (!skipped) {
        PowerOffTold_ = false;
        return;
    }
    if (PowerOffTold_) return;
    PowerOffTold_ = true;
    vb::Try([&] { WriteLog(state_.Host(), kSource, Name_ + kPowerOff + PowerDevice_ + kPowerOffTail); });
    vb::Err().Clear();
}

// --- Members ---------------------------------------------------------------------------------

void Zephra::Shutdown() {
    auto keepAlive = Self();  // the pool may hold the last reference
    vb::Try([&] {
        if (Timer1_) ReleaseTimer(state_, *Timer1_);
    });
    vb::Try([&] {
        if (IETimer_) ReleaseIETimer(state_, *IETimer_);
    });
    Timer1_.reset();
    IETimer_.reset();
    IEObj_.reset();
    WaitObject_.reset();
    CommandWait_.reset();
    Refusals_.Flush();  // refusals not told yet
    vb::Try([&] { state_.services.UnloadEchoWindow(state_); });
    vb::Err().Clear();
}

void Zephra::LetBrowserFullScreen(bool fullScreen) {
    if (fullScreen != BrowserFullScreen_) ToggleBrowserFullScreen("");
}

std::string Zephra::SetBrowserScreen(bool fullScreen, const std::string& tag) {
    if (fullScreen == BrowserFullScreen_) return "0";
    return ToggleBrowserFullScreen(tag);
}

void Zephra::hsExecX10(const std::string& device, const std::string& command) {
    if (!vb::Try([&] {
            homeseer::Host& hs = state_.Host();
            if (!state_.IsSetup) {
                hs.ExecX10(device, command);
                return;
            }
            if (!state_.CallbackObject) vb::raise(vb::errors::ObjectNotSet);
            std::string body =
                std::string(kX10Device) + vb::Chr(1) + device + vb::Chr(0) + kX10Command + vb::Chr(1) + command;
            std::vector<vb::Variant> args = {X10Server_, kX10Class, kX10Class, body, "", kX10Uid};
            state_.CallbackObject->call("SendXapMessage", vb::Method, args);
            int32_t status;
            if (vb::LCase(command) == kOn) {
                if (hs.DeviceStatus(device) == homeseer::kStatusOff) hs.SetDeviceLastChange(device, vb::Now());
                status = homeseer::kStatusOn;
            } else {
                if (hs.DeviceStatus(device) == homeseer::kStatusOn) hs.SetDeviceLastChange(device, vb::Now());
                status = homeseer::kStatusOff;
            }
            hs.SetDeviceStatus(device, status);
            hs.SetDeviceString(device, FormatString(state_, vb::UCase(command)));
        }))
        vb::Try([&] { WriteLog(state_.Host(), kSource, kLogHsExecX10); });
}

// Whole tags are compared: "1.5" is not busy because "1.523" is queued.
bool Zephra::CommandBusy(const std::string& tag) {
    bool busy = tag == CurrentTag_ ||
                std::any_of(queue_.begin() + 1, queue_.end(), [&](const CommandQueueEntry& e) { return e.Tag == tag; });
    Debug("CommandBusyStatus=, " + std::string(busy ? "True" : "False") + ", on Command Tag=" + tag +
          ", From Command Que containing=" + QueuedTags_);
    return busy;
}

bool Zephra::CommandWaiting(const std::string& tag) const {
    if (std::any_of(queue_.begin() + 1, queue_.end(), [&](const CommandQueueEntry& e) { return e.Tag == tag; }))
        return true;
    return tag == CurrentTag_ && URLBusy();
}

// The members in the order of the class's dispatch table.
void Zephra::describe(automation::Members<Zephra>& m) {
    m.method<&Zephra::ReceiveData>("ReceiveData");
    m.method<&Zephra::SendTheCommand>("SendTheCommand");
    m.method<&Zephra::SendSpeak>("SendSpeak");
    m.method<&Zephra::Timeout>("Timeout");
    m.let<&Zephra::LetSleep>("Sleep");
    m.method<&Zephra::SetSleep>("SetSleep");
    m.get<&Zephra::Sleep>("Sleep");
    m.method<&Zephra::SleepStatus>("SleepStatus");
    m.method<&Zephra::Asleep>("Asleep");
    m.method<&Zephra::Awake>("Awake");
    m.property<&Zephra::IP, &Zephra::LetIP>("IP");
    m.property<&Zephra::Computer, &Zephra::LetComputer>("Computer");
    m.property<&Zephra::Name, &Zephra::LetName>("Name");
    m.get<&Zephra::Backlight>("Backlight");
    m.let<&Zephra::LetBacklight>("Backlight");
    m.method<&Zephra::SetBacklight>("SetBacklight");
    m.get<&Zephra::MailLED>("MailLED");
    m.let<&Zephra::LetMailLED>("MailLED");
    m.method<&Zephra::SetMailLED>("SetMailLED");
    m.get<&Zephra::TopLED>("TopLED");
    m.let<&Zephra::LetTopLED>("TopLED");
    m.method<&Zephra::SetTopLED>("SetTopLED");
    m.method<&Zephra::SetWaitsecs>("SetWaitsecs");
    m.method<&Zephra::Waitsecs>("Waitsecs");
    m.get<&Zephra::Sounds>("Sounds");
    m.let<&Zephra::LetSounds>("Sounds");
    m.method<&Zephra::SetSounds>("SetSounds");
    m.get<&Zephra::SoundsVolume>("SoundsVolume");
    m.let<&Zephra::LetSoundsVolume>("SoundsVolume");
    m.method<&Zephra::SetSoundsVolume>("SetSoundsVolume");
    m.get<&Zephra::BrowserFullScreen>("BrowserFullScreen");
    m.let<&Zephra::LetBrowserFullScreen>("BrowserFullScreen");
    m.method<&Zephra::SetBrowserScreen>("SetBrowserScreen");
    m.method<&Zephra::ToggleBrowserFullScreen>("ToggleBrowserFullScreen");
    m.method<&Zephra::CommandBusy>("CommandBusy");
    m.method<&Zephra::ResetQueue>("ResetQueue");
    m.property<&Zephra::DeviceCodeBase, &Zephra::LetDeviceCodeBase>("DeviceCodeBase");
    m.let<&Zephra::LetPowerDevice>("PowerDevice");
    m.let<&Zephra::LetMotionDevice>("MotionDevice");
    m.get<&Zephra::PowerDevice>("PowerDevice");
    m.property<&Zephra::MotionOffMinutes, &Zephra::LetMotionOffMinutes>("MotionOffMinutes");
    m.get<&Zephra::MotionDevice>("MotionDevice");
    m.method<&Zephra::Wav>("Wav");
    m.method<&Zephra::RefreshSleepStatus>("RefreshSleepStatus");
    m.method<&Zephra::PushIISPage>("PushIISPage");
    m.method<&Zephra::PushPage>("PushPage");
    m.let<&Zephra::LetPush>("Push");
    m.get<&Zephra::Push>("Push");
    m.property<&Zephra::Display, &Zephra::LetDisplay>("Display");
    m.method<&Zephra::Speak>("Speak");
    m.method<&Zephra::WavTime>("WavTime");
    m.method<&Zephra::SpeakTime>("SpeakTime");
    m.method<&Zephra::SetVolume>("SetVolume");
    m.let<&Zephra::LetVolume>("Volume");
    m.get<&Zephra::Volume>("Volume");
    m.method<&Zephra::isSpeaking>("isSpeaking");
    m.method<&Zephra::WaitForCommandComplete>("WaitForCommandComplete");
    m.let<&Zephra::LetPushText>("PushText");
    m.get<&Zephra::PushText>("PushText");
    m.method<&Zephra::PushTextMessage>("PushTextMessage");
    m.method<&Zephra::CID>("CID");
    m.method<&Zephra::CyclePower>("CyclePower");
    m.method<&Zephra::ShowSlideshow>("ShowSlideshow");
    m.property<&Zephra::Slideshow, &Zephra::LetSlideshow>("Slideshow");
    m.property<&Zephra::SlideshowTime, &Zephra::LetSlideshowTime>("SlideshowTime");
    m.property<&Zephra::X10Server, &Zephra::LetX10Server>("X10Server");
    m.let<&Zephra::LetPowerCycleCount>("PowerCycleCount");
    m.property<&Zephra::EnableSlideshow, &Zephra::LetEnableSlideshow>("EnableSlideshow");
    m.get<&Zephra::PowerCycleCount>("PowerCycleCount");
    m.let<&Zephra::LetDisablePlugin>("DisablePlugin");
    m.property<&Zephra::DoCID, &Zephra::LetDoCID>("DoCID");
    m.property<&Zephra::SlideGroupIndex, &Zephra::LetSlideGroupIndex>("SlideGroupIndex");
    m.property<&Zephra::SlideGroup, &Zephra::LetSlideGroup>("SlideGroup");
    m.property<&Zephra::SlideCount, &Zephra::LetSlideCount>("SlideCount");
    m.property<&Zephra::MotionStartTime, &Zephra::LetMotionStartTime>("MotionStartTime");
    m.get<&Zephra::DisablePlugin>("DisablePlugin");
    m.method<&Zephra::PowerCycleInProgress>("PowerCycleInProgress");
    m.method<&Zephra::Execute>("Execute");
    m.method<&Zephra::SendUDPCommand>("SendUDPCommand");
    m.method<&Zephra::SendUDPCID>("SendUDPCID");
    m.method<&Zephra::ShowQueue>("ShowQueue");
    m.method<&Zephra::Shutdown>("Shutdown");
    m.method<&Zephra::SyncWithHomeseer>("SyncWithHomeseer");
    m.method<&Zephra::ReceiveXapMessageOSD>("ReceiveXapMessageOSD");
    m.method<&Zephra::ReceiveXapMessageTTS>("ReceiveXapMessageTTS");
    m.method<&Zephra::hsExecX10>("hsExecX10");
}

}  // namespace zephra
