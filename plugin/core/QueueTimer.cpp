#include "core/QueueTimer.h"

#include "automation/Class.h"
#include "core/Housekeeping.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/SettingsReader.h"
#include "core/SettingsTable.h"
#include "core/Zephra.h"
#include "homeseer/Host.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kLoadTag = "QueueTimer Load ";
constexpr const char* kHSEventTag = "HSEvent ";
constexpr const char* kCommTag = "CommERROR ";
constexpr const char* kBSCTag = "BSCTimer_Timer";
constexpr int32_t kCallerIdOffDelay = 10000;
// What the UDP port is, with the setting that chooses it, for the host's console.
constexpr const char* kUdpPurpose = "the plug-in's caller-ID UDP server, \"LocalPort\" of the registry's \"Options\"";
constexpr int32_t kXapSendInterval = 200;
constexpr int32_t kScriptTimeout = 10000;

}  // namespace

// The object the host calls for X10 events; it reaches the form only while the form lives.
class QueueTimerEvents : public automation::Dispatch<QueueTimerEvents> {
public:
    static constexpr std::string_view className = "QueueTimer";
    static void describe(automation::Members<QueueTimerEvents>& m) { m.method<&QueueTimerEvents::HSEvent>("HSEvent"); }

    explicit QueueTimerEvents(std::weak_ptr<QueueTimer> form) : form_(std::move(form)) {}
    void HSEvent(const vb::Variant& parms) {
        if (auto form = form_.lock()) form->HSEvent(parms);
    }

private:
    std::weak_ptr<QueueTimer> form_;
};

QueueTimer::QueueTimer(PluginState& state)
    : forms::Form(kCaption),
      Timer1([this](forms::Timer& timer, int index) { timer.OnTimer = [this, index] { Timer1_Timer(index); }; }),
      IETimer([this](forms::Timer& timer, int index) { timer.OnTimer = [this, index] { IETimer_Timer(index); }; }),
      state_(state) {
    for (int i = 0; i < kTimerElements; ++i) {
        Timer1.Load(i).Enabled(false);
        IETimer.Load(i);  // enabled with interval 0: setting an interval starts it
    }
    for (forms::Timer* timer :
         {&Timer2, &Timer3, &Timer4, &CommLineTimer, &BSCTimer, &ScriptQueueTimer, &ConnectTimer, &SendTimer})
        timer->Enabled(false);
    Timer4.Interval(kCallerIdOffDelay);
    Timer2.OnTimer = [this] { Timer2_Timer(); };
    Timer3.OnTimer = [this] { Timer3_Timer(); };
    Timer4.OnTimer = [this] { Timer4_Timer(); };
    Timer5.OnTimer = [this] { Timer5_Timer(); };
    CommLineTimer.OnTimer = [this] { CommLineTimer_Timer(); };
    BSCTimer.OnTimer = [this] { BSCTimer_Timer(); };
    ScriptQueueTimer.OnTimer = [this] { ScriptQueueTimer_Timer(); };
    Winsock1.RemotePort = 4550;
    Winsock1.LocalPort = 4550;
    Winsock1.Purpose = kUdpPurpose;
    Winsock1.OnDataArrival = [this](const forms::Datagram& datagram) { Winsock1_DataArrival(datagram); };
    Com1.OnComm = [this] { Com1_OnComm(); };
    WireSorvex();
    ScriptControl1->setLanguage("VBScript");
    ScriptControl1->setTimeout(kScriptTimeout);
}

QueueTimer::~QueueTimer() = default;

void QueueTimer::Form_Load() {
    if (!vb::Try([&] {
            homeseer::Host& hs = state_.Host();
            ReadSetting(state_, settings::MainSetting("AwakenOnMotion"));
            ReadSetting(state_, settings::MainSetting("StartSlildeshow"));
            if (state_.settings.AwakenOnMotion || state_.settings.StartSlildeshow) {
                events_ = std::make_shared<QueueTimerEvents>(weak_from_this());
                hs.RegisterEventCB(homeseer::kX10Event, events_);
            }
        }))
        vb::Try([&] { WriteLog(state_.Host(), kSource, kLoadTag); });
}

void QueueTimer::Form_Unload() {
    for (int i = 0; i < kTimerElements; ++i) {
        Timer1(i).Enabled(false);
        IETimer(i).Enabled(false);
    }
    for (forms::Timer* timer :
         {&Timer2, &Timer3, &Timer4, &Timer5, &CommLineTimer, &BSCTimer, &ScriptQueueTimer, &ConnectTimer, &SendTimer})
        timer->Enabled(false);
    vb::Try([&] { SorvexWinsock.Close(); });
    vb::Try([&] { Winsock1.Close(); });
    vb::Try([&] {
        if (Com1.PortOpen()) Com1.PortOpen(false);
    });
    vb::Err().Clear();
}

void QueueTimer::Timer1_Timer(int index) {
    if (index < 0 || index >= kTimerPoolSize) return;
    std::shared_ptr<Zephra> owner = state_.timerPool.TimerOwner[index];
    if (owner) owner->Timeout();
}

void QueueTimer::IETimer_Timer(int index) {
    IETimer(index).Enabled(false);
    if (index < 0 || index >= kTimerPoolSize) return;
    std::shared_ptr<Zephra> owner = state_.timerPool.IETimerOwner[index];
    if (owner) owner->ReceiveData();
}

void QueueTimer::Timer2_Timer() {
    Timer2.Enabled(true);
    UpdateSleepModeStatus(state_);
    UpdateSlideshowNoMotionStatus(state_);
    EvaluatePowerCycle(state_);
    RemoveOldFiles(state_);
}

void QueueTimer::Timer3_Timer() { UpdateSlideshow(state_); }

void QueueTimer::Timer4_Timer() {
    vb::Try([&] { state_.Host().SetDeviceStatus(state_.settings.CIDDeviceCode, homeseer::kStatusOff); });
    vb::Err().Clear();
    Timer4.Enabled(false);
}

void QueueTimer::Timer5_Timer() {
    // A line still arriving is the caller's other part, or the wait starts again.
    if (state_.services.TakePendingModemLine(state_)) return;
    state_.modem.NameDetected = true;
    state_.modem.NumberDetected = true;
    Timer5.Enabled(false);
    state_.services.ProcessModemInput(state_);
}

void QueueTimer::CommLineTimer_Timer() {
    CommLineTimer.Enabled(false);
    state_.services.TakePendingModemLine(state_);
}

void QueueTimer::BSCTimer_Timer() {
    if (!vb::Try([&] {
            if (!state_.xap.XapSendQueue) vb::raise(vb::errors::ObjectNotSet);
            auto& queue = *state_.xap.XapSendQueue;
            if (queue.empty()) {
                BSCTimer.Enabled(false);
                return;
            }
            BSCTimer.Interval(kXapSendInterval);
            BSCTimer.Enabled(true);
            xapQueuedMessage message = std::move(queue.front());
            queue.pop_front();
            if (!state_.CallbackObject) vb::raise(vb::errors::ObjectNotSet);
            std::vector<vb::Variant> args = {message.MsgTarget, message.MsgClass,      message.MsgSection,
                                             message.MsgData,   message.MsgSubAddress, message.MsgUID};
            state_.CallbackObject->call("SendXapMessage", vb::Method, args);
        }))
        vb::Try([&] { WriteLog(state_.Host(), kSource, kBSCTag); });
}

// The form stays while the user script runs, even if the script has it unloaded.
void QueueTimer::ScriptQueueTimer_Timer() {
    std::shared_ptr<QueueTimer> self = shared_from_this();
    state_.services.RunScriptQueue(state_, ScriptQueueTimer);
}

void QueueTimer::Winsock1_DataArrival(const forms::Datagram& datagram) {
    state_.services.ReceiveClientDatagram(state_, datagram);
}

void QueueTimer::Com1_OnComm() {
    if (!vb::Try([&] {
            std::string text = Com1.Input();
            auto code = static_cast<int16_t>(Com1.CommEvent());
            state_.services.ProcessCommData(state_, text, code);
        }))
        vb::Try([&] { WriteLog(state_.Host(), kSource, kCommTag); });
}

void QueueTimer::HSEvent(const vb::Variant& parms) {
    if (!Loaded() || !state_.InitComplete) return;
    if (!vb::Try([&] {
            if (!parms.isArray()) vb::raise(vb::errors::TypeMismatch);
            const vb::Array& array = parms.array();
            auto item = [&](int32_t i) { return array.at(i); };
            std::string code = vb::CStr(item(1)) + vb::CStr(item(2));
            CheckMotionEvent(state_, code, item(3));
        }))
        vb::Try([&] { WriteLog(state_.Host(), kSource, kHSEventTag); });
}

}  // namespace zephra
