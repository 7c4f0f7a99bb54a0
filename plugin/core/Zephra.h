#pragma once
// The appliance object: one per configured appliance. Every operation on an appliance ends
// here as a command text with a tag and a time-out; the object queues such commands and
// sends them one at a time, as a page request through its hidden browser ("http://" &
// Computer & "/" & command), as a datagram to the appliance's client program, as an X10
// power command through the host, or as a pause. A page request that gets no answer in time
// is sent again while retries remain; with a power device and "noResponseAction" on,
// time-outs are counted, and the sixth power-cycles the appliance; three power cycles
// without a completed page give the appliance up until a page completes again.
//
// The object lives on the plug-in's loop. It takes a command timer and a page timer from
// the hidden form's pool when it is made (Create) and gives them back in Shutdown; scripts
// reach its public members by name (className "Zephra").

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "automation/Class.h"
#include "core/CWaitNDispatch.h"
#include "core/RefusalLog.h"
#include "core/TimerPool.h"
#include "forms/HiddenBrowser.h"
#include "forms/Timer.h"
#include "vb/Date.h"
#include "vb/Object.h"
#include "windows/FileSystemObject.h"

namespace zephra {

class PluginState;

// The volume icon level (0 to 4) of a volume level 0-100.
int16_t DetermineVolumeIcon(int16_t level);

class Zephra : public automation::Dispatch<Zephra> {
public:
    static constexpr std::string_view className = "Zephra";
    static void describe(automation::Members<Zephra>& m);

    // One command of the queue: its text, tag and time-out in milliseconds.
    struct CommandQueueEntry {
        std::string Command;
        std::string Tag;
        int32_t Timeout = 0;
    };
    // Commands a queue holds at most (element 0, never used, not counted).
    static constexpr int32_t kQueueLimit = 21;

    // A new appliance object (the class's Class_Initialize): power-up state, a timer
    // pair from the pool (either may be missing when the pool is used up), a hidden browser
    // and a wait object.
    static std::shared_ptr<Zephra> Create(PluginState& state);
    ~Zephra() override;  // Class_Terminate
    Zephra(const Zephra&) = delete;
    Zephra& operator=(const Zephra&) = delete;

    // --- Sending ---------------------------------------------------------------------

    // Queues a command and returns its tag (made when empty); "" when the appliance is
    // disabled or the command was refused (a full queue, an appliance given up). An idle
    // appliance sends it at once.
    std::string AsyncCommand(const std::string& command, int32_t timeoutMs, std::string tag);
    // Sends CurrentCommand in the form its text asks for (member 1).
    void SendTheCommand();
    // The page timer's tick: reads the finished page and goes on with the next command
    // (member 0).
    void ReceiveData();
    // The command timer's tick: a page time-out, the end of a pause or UDP delay, or the
    // next step of a power cycle (member 3).
    void Timeout();

    // --- Public members used by the rest of the plug-in --------------------------------

    // Empties the queue, recreates the hidden browser and shows the empty queue.
    void ResetQueue();
    // Shows the queue in the queue device.
    void ShowQueue();
    // Gives the timers back to the pool and drops the browser and the wait object.
    void Shutdown();
    // Sends an X10 command to `device`: through the host, or under the xAP host application
    // as an "xap-x10.request" message, mirrored on the host device.
    void hsExecX10(const std::string& device, const std::string& command);
    // True while a command with this tag is current or queued.
    bool CommandBusy(const std::string& tag);
    // Commands refused so far (a full queue, an appliance given up): a caller that sees the
    // count grow while it queues knows that its call was not served whole.
    uint32_t CommandsRefused() const noexcept { return Refusals_.Count(); }
    // True while a queued command, or the speech under way, names the file `name` of the host's
    // web folder (its URL ends in "/" & name).
    bool HoldsFile(const std::string& name) const;
    // The next of the appliance's own ten speech file names ("ZephraTempFile" & its name without
    // blanks & a digit & ".wav") that its queue does not still hold, which it takes; "" when all
    // ten still wait to be played.
    std::string FreeSpeechName();
    // True when the host reports the power device off; a device the host has never switched
    // is not off.
    bool PowerReportedOff();
    // An operation skips the appliance (`skipped`) or serves it: the first skip of a run is
    // logged, naming the appliance and its power device.
    void NoteSkippedForPower(bool skipped);
    // True while a command with this tag is queued or is being sent (its answer not yet in);
    // unlike CommandBusy, without a debug line and false once the queue has gone idle.
    bool CommandWaiting(const std::string& tag) const;

    // Queued commands of their own.
    std::string SetWaitsecs(int16_t seconds, const std::string& tag);
    void Waitsecs(int16_t seconds);
    std::string CyclePower(const std::string& tag);
    std::string Execute(const std::string& command, const std::string& tag);
    std::string SendUDPCommand(const std::string& name, const std::string& argument, const std::string& tag);
    std::string SendUDPCID(const std::string& line1, const std::string& line2, const std::string& tag);

    // Sleep states: "sleep", "awake", "always awake", "power cycle", "toggle" (any letter
    // case); another state is logged and changes nothing.
    std::string SetSleep(const std::string& state, const std::string& tag);
    void LetSleep(const std::string& state);
    std::string Sleep() const;
    // Polls the appliance and waits up to five seconds for the answer; no answer counts as
    // awake.
    bool Asleep();
    bool Awake();
    // Queues the sleep-status poll.
    std::string RefreshSleepStatus(const std::string& tag);
    std::string ToggleBrowserFullScreen(const std::string& tag);
    // Toggles the browser when it is not in the mode asked for; "0" when it is.
    std::string SetBrowserScreen(bool fullScreen, const std::string& tag);
    void LetBrowserFullScreen(bool fullScreen);
    std::string PushPage(const std::string& page, const std::string& tag);
    // Pushes an address of any web server ("host/path", without "http://").
    std::string PushIISPage(const std::string& address, const std::string& tag);
    void LetPush(const std::string& page);
    // Shows the slideshow page full screen when the appliance has a slide group.
    void ShowSlideshow(const std::string& tag);

    // Panel: "on", "off", "blink" for the LEDs; "on" or another state for the backlight
    // (nothing while asleep); sounds 0-18; volumes 0-100.
    std::string Backlight() const;  // the status text "Backlight On" or "Backlight Off"
    void LetBacklight(const std::string& value);
    std::string SetBacklight(const std::string& value, const std::string& tag);
    const std::string& MailLED() const noexcept { return MailLED_; }
    void LetMailLED(const std::string& value);
    std::string SetMailLED(const std::string& value, const std::string& tag);
    const std::string& TopLED() const noexcept { return TopLED_; }
    void LetTopLED(const std::string& value);
    std::string SetTopLED(const std::string& value, const std::string& tag);
    int16_t Sounds() const noexcept { return Sounds_; }
    void LetSounds(int16_t number);
    std::string SetSounds(int16_t number, const std::string& tag);
    int16_t SoundsVolume() const noexcept { return SoundsVolume_; }
    void LetSoundsVolume(int16_t level);
    std::string SetSoundsVolume(int16_t level, const std::string& tag);
    int16_t Volume() const noexcept { return Volume_; }
    void LetVolume(int16_t level);
    std::string SetVolume(int16_t level, const std::string& tag);

    // Speech and WAV files: a file by drive or network path is copied under the host's web
    // folder first; a bare name lies below it.
    std::string SendSpeak(const std::string& text, const std::string& tag);
    std::string Speak(const std::string& text, const std::string& tag);
    std::string Wav(const std::string& file, const std::string& tag);
    int32_t WavTime(const std::string& file);
    // Speaks the text into a file and answers its playing time in seconds.
    int32_t SpeakTime(const std::string& text);

    // Text pages.
    const std::string& PushText() const noexcept { return PushText_; }  // the last text pushed
    void LetPushText(const std::string& text);
    std::string PushTextMessage(const std::string& text, const std::string& tag);
    // Shows the host phone's last caller.
    void CID();

    // Waits up to about `seconds` (ten slices, pumping messages) for the command of that
    // tag; true when it is still busy.
    bool WaitForCommandComplete(const std::string& tag, int16_t seconds);
    // Re-applies the host devices' values to the appliance.
    void SyncWithHomeseer();
    // xAP messages for the appliance; `message` answers GetItem(section, key), "Unknown"
    // for an absent item.
    void ReceiveXapMessageOSD(const vb::ObjectRef& message);
    void ReceiveXapMessageTTS(const vb::ObjectRef& message);

    // Properties: read by their name, set by Let and their name, as scripts reach them.
    const std::string& Name() const noexcept { return Name_; }
    void LetName(const std::string& name);  // also sets the marker file
    const std::string& IP() const noexcept { return IP_; }
    void LetIP(const std::string& ip) { IP_ = ip; }
    const std::string& Computer() const noexcept { return Computer_; }
    void LetComputer(const std::string& computer) { Computer_ = computer; }
    const std::string& PowerDevice() const noexcept { return PowerDevice_; }
    void LetPowerDevice(const std::string& device) { PowerDevice_ = device; }
    const std::string& MotionDevice() const noexcept { return MotionDevice_; }
    void LetMotionDevice(const std::string& device) { MotionDevice_ = device; }
    const std::string& X10Server() const noexcept { return X10Server_; }
    void LetX10Server(const std::string& server) { X10Server_ = server; }
    int16_t EnableSlideshow() const noexcept { return EnableSlideshow_; }
    void LetEnableSlideshow(int16_t group);
    bool Slideshow() const noexcept { return EnableSlideshow_ != 0 && Slideshow_; }
    void LetSlideshow(bool on);
    bool DoCID() const noexcept { return DoCID_; }
    void LetDoCID(bool on) { DoCID_ = on; }
    int32_t MotionOffMinutes() const noexcept { return MotionOffMinutes_; }
    void LetMotionOffMinutes(int32_t minutes);
    int16_t PowerCycleCount() const noexcept { return PowerCycleCount_; }
    void LetPowerCycleCount(int16_t count) { PowerCycleCount_ = count; }
    bool DisablePlugin() const noexcept { return DisablePlugin_; }
    void LetDisablePlugin(bool disabled) { DisablePlugin_ = disabled; }
    bool PowerCycleInProgress() const noexcept { return PowerCycleInProgress_; }
    bool isSpeaking() const noexcept { return isSpeaking_; }
    bool SleepStatus() const noexcept { return SleepStatus_; }
    bool BrowserFullScreen() const noexcept { return BrowserFullScreen_; }
    const std::string& Push() const noexcept { return Push_; }
    const std::string& Display() const noexcept { return Push_; }
    void LetDisplay(const std::string& page) { Push_ = page; }
    vb::Date SlideshowTime() const noexcept { return SlideshowTime_; }
    void LetSlideshowTime(vb::Date when) { SlideshowTime_ = when; }
    int16_t SlideGroupIndex() const noexcept { return SlideGroupIndex_; }
    void LetSlideGroupIndex(int16_t index) { SlideGroupIndex_ = index; }
    int16_t SlideGroup() const noexcept { return SlideGroup_; }
    void LetSlideGroup(int16_t group) { SlideGroup_ = group; }
    int16_t SlideCount() const noexcept { return SlideCount_; }
    void LetSlideCount(int16_t count) { SlideCount_ = count; }
    vb::Date MotionStartTime() const noexcept { return MotionStartTime_; }
    void LetMotionStartTime(vb::Date when) { MotionStartTime_ = when; }
    const std::string& DeviceCodeBase() const noexcept { return DeviceCodeBase_; }
    // Sets the base code and derives the ten device codes (house code, unit + group).
    void LetDeviceCodeBase(const std::string& code);

    // --- State, for the status page and tests --------------------------------------------

    bool QueueIdle() const noexcept { return QueueIdle_; }
    bool Waiting() const noexcept { return Waiting_; }
    bool UDPSent() const noexcept { return UDPSent_; }
    bool PowerOffPending() const noexcept { return PowerOffPending_; }
    int16_t PowerUpMinutes() const noexcept { return PowerUpMinutes_; }
    int16_t TimeoutCount() const noexcept { return TimeoutCount_; }
    int16_t RetriesLeft() const noexcept { return RetriesLeft_; }
    int16_t PolledSleep() const noexcept { return PolledSleep_; }
    const std::string& CurrentCommand() const noexcept { return CurrentCommand_; }
    const std::string& CurrentURL() const noexcept { return CurrentURL_; }
    const std::string& CurrentTag() const noexcept { return CurrentTag_; }
    int32_t CurrentTimeout() const noexcept { return CurrentTimeout_; }
    const std::string& QueuedTags() const noexcept { return QueuedTags_; }
    const std::string& MarkerFile() const noexcept { return MarkerFile_; }
    // Elements 0..n; element 0 is never used.
    const std::vector<CommandQueueEntry>& CommandQueue() const noexcept { return queue_; }
    PoolTimer Timer1Index() const noexcept { return Timer1_; }
    PoolTimer IETimerIndex() const noexcept { return IETimer_; }
    // The device code of group 0 to 9.
    const std::string& DeviceCode(int group) const { return deviceCodes_.at(static_cast<std::size_t>(group)); }

private:
    explicit Zephra(PluginState& state);
    void Class_Initialize();

    // Queue.
    void SendCommandWithTag(const std::string& command, const std::string& tag, int32_t timeoutMs);
    bool URLBusy() const;
    void PutInQueue(const std::string& command, const std::string& tag, int32_t timeoutMs);
    bool GetFromQueue();
    void DoNextCommand();
    void EmptyQueue();
    bool FullQueueMeansHung() const;
    void NoteRefused(const std::string& command, const char* reason);
    std::string QueueText() const;
    void ShowQueueChange();

    // Sending forms.
    bool SendPowerOff();
    void SkipUnknownCommand();
    bool SendDatagram(const std::string& command);
    bool SendPause(const std::string& command);
    void AfterDatagram();
    void SendPageRequest();

    // Page completion.
    void IEObj_DocumentComplete(const std::string& url);
    void ReadSleepPoll();
    void NewBrowser();

    // Recovery.
    void StartPowerCycle(const char* logName, const char* reason);
    void LogPowerCycle(const char* reason, int32_t dropped);
    void SwitchPowerOff(const char* logName);
    void CycleSharers();
    void FollowPowerCycle(const std::string& leader);
    void PowerOn();
    void PowerUpWait();
    void EndPowerUpWait();
    void CommandTimedOut();
    bool MarkerSaysBrowser();

    // Devices.
    void MakeDevice(const std::string& baseCode);
    void MakeGroupDevice(int group, const std::string& code);
    int32_t DeviceMisc(int32_t misc) const;
    std::string DefineValues(int16_t start, int16_t count);
    std::string DefineButtons(int16_t start, int16_t count);
    void SetPowerUpState();
    void WriteDeviceText(const std::string& code, const std::string& text, bool xap = true);
    void WriteDeviceTextUntested(const std::string& code, const std::string& text, bool xap = true);
    void WriteSleepDevices(int16_t sleepState, bool awake);

    // Panel states that the builders show before the appliance has applied them: what the
    // appliance last applied is kept, so that a command given up does not leave its state shown.
    enum class PanelKind { MailLed, TopLed, Backlight, Sounds, SoundsVolume, Volume };
    struct PanelValue {
        PanelKind kind;
        std::string value;
    };
    static std::optional<PanelValue> PanelValueOf(const std::string& command);
    std::string PanelValueNow(PanelKind kind) const;
    void KeepApplied(PanelKind kind);
    void NoteApplied(const std::string& command);
    void ShowPanelValue(PanelKind kind, const std::string& value);
    void GiveUpCommand();

    // Builders.
    bool UseDatagrams();
    std::string LED(const std::string& which, const std::string& ledState, const std::string& tag);
    void SetLEDStatus(const std::string& code, const std::string& ledState, int base);
    std::string BacklightPower(const std::string& lightState, const std::string& tag);
    std::string SendSoundCommand(int16_t number, const std::string& tag);
    std::string SendSoundsVolumeCommand(int16_t level, const std::string& tag);
    std::string SetVolumeControl(int16_t level, const std::string& tag);
    std::string SleepControl(const std::string& state, const std::string& tag);
    bool AwakeStatus();
    std::string SendSleepStatus(const std::string& tag);
    std::string ToggleBrowserControl(const std::string& tag);
    std::string SendPushIISPage(const std::string& address, const std::string& tag);
    std::string SendPushPage(const std::string& page, const std::string& tag);
    std::string PushFullScreenPage(const std::string& page, const std::string& tag);
    std::string PushTextCommand(const std::string& text, const std::string& tag, int16_t delay);
    std::string SendWav(const std::string& file, const std::string& tag);
    std::string TextToWav(const std::string& text);
    std::string NextTempName(const std::string& extension);
    std::string TempName(int32_t counter, const std::string& extension) const;
    std::string ServerAddress() const;
    static std::string UrlPath(const std::string& page);
    std::string FetchAddress(const std::string& path) const;

    // Timers of the pool.
    forms::Timer* Timer1();
    forms::Timer* IeTimer();
    bool ArmTimer1(int32_t ms);
    void StopTimer1();

    std::shared_ptr<Zephra> Self() { return std::static_pointer_cast<Zephra>(shared_from_this()); }

    // Logging.
    void Debug(const std::string& text);
    void LogError(const char* logName);
    void LogErrorText(const std::string& text);
    template <class Body>
    void Step(const char* logName, Body&& body);

    PluginState& state_;

    std::string ErrorPrefix_ = "Zephra ";
    bool Backlight_ = true;
    bool SleepStatus_ = true;
    int16_t Sleep_ = 1;
    std::string TopLED_ = "off";
    std::string MailLED_ = "off";
    std::string Name_ = "Zephra";
    int16_t EnableSlideshow_ = 0;
    std::vector<CommandQueueEntry> queue_{CommandQueueEntry()};
    bool QueueIdle_ = true;
    std::string CurrentCommand_;
    std::string CurrentURL_;
    int32_t CurrentTimeout_ = 5000;
    std::string CurrentTag_;
    vb::Date SendTime_;
    int16_t RetriesLeft_ = 0;
    int16_t PolledSleep_ = 1;
    int16_t Sounds_ = 0;
    int16_t SoundsVolume_ = 50;
    bool BrowserFullScreen_ = true;
    std::string IP_;
    std::string Computer_;
    PoolTimer Timer1_;
    PoolTimer IETimer_;
    bool Waiting_ = false;
    int32_t TempFileCounter_ = 0;
    bool QueueUpdatePending_ = false;
    std::string QueuedTags_;
    int16_t Volume_ = -1;
    bool isSpeaking_ = false;
    std::string DeviceCodeBase_;
    std::vector<std::string> deviceCodes_ = std::vector<std::string>(10);
    std::string PushText_;
    std::string Push_;
    std::string PowerDevice_;
    std::string MotionDevice_;
    int16_t TimeoutCount_ = 0;
    bool PowerCycleInProgress_ = false;
    bool PowerOffPending_ = true;
    bool PowerFollower_ = false;  // in the cycle of another appliance on the same power device
    bool Slideshow_ = false;
    int32_t MotionOffMinutes_ = 0;
    vb::Date MotionStartTime_;
    int16_t PowerCycleCount_ = 0;
    bool DisablePlugin_ = false;
    bool UDPSent_ = false;
    bool DoCID_ = false;
    int16_t SlideGroupIndex_ = 0;
    int16_t SlideGroup_ = 0;
    int16_t SlideCount_ = 0;
    vb::Date SlideshowTime_;
    std::string MarkerFile_;
    int16_t PowerUpMinutes_ = 0;
    std::string X10Server_;
    RefusalLog Refusals_;
    std::map<PanelKind, std::string> Applied_;  // a state's value before the commands not yet applied
    bool PowerOffTold_ = false;
    std::unique_ptr<forms::HiddenBrowser> IEObj_;
    std::unique_ptr<CWaitNDispatch> WaitObject_;
    std::unique_ptr<CWaitNDispatch> CommandWait_;  // WaitForCommandComplete's, made on first use
    std::unique_ptr<windows::FileSystemObject> FileSystem_;
};

}  // namespace zephra
