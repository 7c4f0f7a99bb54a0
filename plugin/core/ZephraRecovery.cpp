// The command timer's tick: a page that got no answer in time (retry, next command, counted
// time-outs), the end of a pause or UDP delay, and the steps of a power cycle (power back
// on, the power-up wait, the end of the wait).

#include <algorithm>
#include <fstream>
#include <string>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/StatusText.h"
#include "core/Zephra.h"
#include "core/ZephraStep.h"
#include "core/ZephraTexts.h"
#include "vb/Conversions.h"
#include "vb/Strings.h"
#include "windows/PathMap.h"

namespace zephra {

using namespace ztext;

namespace {

const char* BoolText(bool b) { return b ? "True" : "False"; }

constexpr int32_t kMinute = 60000;
constexpr int16_t kCountedTimeoutsBeforeCycle = 6;
constexpr int16_t kPowerCyclesBeforeGivingUp = 3;
// How much of the marker file is read: the appliance writes a word, not a book.
constexpr std::size_t kMarkerReadLimit = 65536;

int16_t Incremented(int16_t n) { return n < INT16_MAX ? static_cast<int16_t>(n + 1) : n; }
int16_t Decremented(int16_t n) { return n > INT16_MIN ? static_cast<int16_t>(n - 1) : n; }

}  // namespace

void Zephra::Timeout() {
    auto keepAlive = Self();  // a handler may release the object meanwhile
    Step(kLogTimeout, [&] {
        Debug("TimeoutCount=" + std::to_string(TimeoutCount_) +
              ", Timeout Value for This Command=" + std::to_string(CurrentTimeout_) +
              ", Command Was=" + CurrentCommand_ + ", Power Turnon Status=" + BoolText(PowerOffPending_) +
              ", Power Wait Status =" + BoolText(PowerCycleInProgress_) +
              ", PowerUpTime=" + std::to_string(state_.settings.PowerUpTime));
    });
    if (DisablePlugin_) return;
    if (PowerCycleInProgress_ && PowerOffPending_) {
        PowerOn();
    } else if (PowerCycleInProgress_) {
        PowerUpWait();
    } else {
        CommandTimedOut();
    }
}

// The power goes off; it comes back at the command timer's tick after "PowerCycleTime" ms.
// Whatever the object was waiting for is over.
void Zephra::SwitchPowerOff(const char* logName) {
    Waiting_ = false;
    UDPSent_ = false;
    Step(logName, [&] { hsExecX10(PowerDevice_, kOff); });
    PowerOffPending_ = true;
    PowerFollower_ = false;
    Step(logName, [&] { ArmTimer1(state_.settings.PowerCycleTime > 0 ? state_.settings.PowerCycleTime : 5000); });
    Step(logName, [&] { CycleSharers(); });
}

// The other appliances on this power device lose their power with this one: each goes through
// the cycle too, without switching the device itself.
void Zephra::CycleSharers() {
    for (const ZephraEntry& slot : state_.appliances.slots) {
        const std::shared_ptr<Zephra>& other = slot.Object;
        if (!other || other.get() == this || vb::UCase(other->PowerDevice_) != vb::UCase(PowerDevice_)) continue;
        other->FollowPowerCycle(Name_);
    }
}

// Powered off by another appliance's cycle: the request under way is lost with the power; the
// queue waits, as for a power command, until the power-up wait is over.
void Zephra::FollowPowerCycle(const std::string& leader) {
    if (!Timer1_ || DisablePlugin_) return;
    const int32_t dropped = !PowerCycleInProgress_ && !QueueIdle_ && !Waiting_ ? 1 : 0;
    PowerCycleInProgress_ = true;
    Waiting_ = false;
    UDPSent_ = false;
    isSpeaking_ = false;
    Step(kLogTimeout, [&] { NewBrowser(); });
    Step(kLogTimeout, [&] {
        WriteLog(state_.Host(), kSource,
                 Name_ + kPowerCycle + kCycleShared + leader + kCycleSharedDevice + PowerDevice_ + ": " +
                     std::to_string(dropped) + kCommandsDropped);
    });
    PowerOffPending_ = true;
    PowerFollower_ = true;
    Step(kLogTimeout, [&] { ArmTimer1(state_.settings.PowerCycleTime > 0 ? state_.settings.PowerCycleTime : 5000); });
}

// A full queue or six counted time-outs: the queue is emptied and the power cycled. An
// object without a command timer could not switch the power back on, and one without a power
// device has nothing to switch, so neither starts.
void Zephra::StartPowerCycle(const char* logName, const char* reason) {
    if (!Timer1_ || PowerDevice_.empty()) return;
    // What goes: the queued commands and the request under way, dropped with the browser.
    const int32_t dropped = static_cast<int32_t>(queue_.size()) - 1 + (QueueIdle_ ? 0 : 1);
    PowerCycleInProgress_ = true;
    Step(logName, [&] { ResetQueue(); });
    Step(logName, [&] { LogPowerCycle(reason, dropped); });
    SwitchPowerOff(logName);
}

void Zephra::LogPowerCycle(const char* reason, int32_t dropped) {
    WriteLog(state_.Host(), kSource, Name_ + kPowerCycle + reason + ": " + std::to_string(dropped) + kCommandsDropped);
}

// Power back on; the power-up wait runs its first part below a whole minute, then whole
// minutes, "PowerUpTime" + 5 ms in all.
void Zephra::PowerOn() {
    const int32_t powerUpTime = std::max(state_.settings.PowerUpTime, 0);
    Step(kLogTimeout, [&] {
        if (!state_.settings.WindowsShare.empty() && FileSystem_ && FileSystem_->FileExists(MarkerFile_))
            FileSystem_->DeleteFile(MarkerFile_);
    });
    // The appliance whose cycle it is switches the power back on.
    if (!PowerFollower_) Step(kLogTimeout, [&] { hsExecX10(PowerDevice_, kOn); });
    PowerFollower_ = false;
    Step(kLogTimeout, [&] { PowerUpMinutes_ = vb::CInt(vb::Variant(powerUpTime / kMinute + 1)); });
    PowerOffPending_ = false;
    Step(kLogTimeout, [&] { ArmTimer1(powerUpTime % kMinute + 5); });
    if (PolledSleep_ != 1 && PolledSleep_ != 2) PolledSleep_ = 1;
    // The host hands the value back as a device command: "always awake" must survive the cycle.
    Step(kLogTimeout, [&] { state_.Host().SetDeviceValue(DeviceCode(1), PolledSleep_); });
    Step(kLogTimeout, [&] { WriteDeviceTextUntested(DeviceCode(1), FormatStatus(state_, PolledSleep_ + 4)); });
    Step(kLogTimeout, [&] { WriteDeviceTextUntested(DeviceCode(2), FormatStatus(state_, 9)); });
}

// The marker file of the appliance holds "BROWSER" (any case) once its browser is up.
bool Zephra::MarkerSaysBrowser() {
    if (state_.settings.WindowsShare.empty() || !FileSystem_ || !FileSystem_->FileExists(MarkerFile_)) return false;
    std::ifstream in(windows::MapPath(MarkerFile_).native, std::ios::binary);
    std::string text(kMarkerReadLimit, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return vb::InStr(1, text, kMarkerBrowser, vb::CompareMethod::Text) > 0;
}

void Zephra::PowerUpWait() {
    Step(kLogTimeout, [&] {
        if (MarkerSaysBrowser()) PowerUpMinutes_ = 0;
    });
    PowerUpMinutes_ = Decremented(PowerUpMinutes_);
    if (PowerUpMinutes_ <= 0) {
        EndPowerUpWait();
        return;
    }
    Step(kLogTimeout, [&] { ArmTimer1(kMinute); });
}

// The appliance is up: its power-up state, then the default page or the slideshow, then
// the commands that waited. The page's commands queue behind those, so that none of them is
// sent while another request is still under way.
void Zephra::EndPowerUpWait() {
    PowerCycleInProgress_ = false;
    Step(kLogTimeout, [&] { SetPowerUpState(); });
    Step(kLogTimeout, [&] { StopTimer1(); });
    QueueIdle_ = false;
    Step(kLogTimeout, [&] {
        if (!Slideshow_ || EnableSlideshow_ == 0) {
            if (!state_.settings.DefaultPushPage.empty()) PushFullScreenPage(state_.settings.DefaultPushPage, "");
        } else {
            ShowSlideshow("");
        }
    });
    Step(kLogTimeout, [&] { DoNextCommand(); });
}

// No answer in time (or the end of a pause or UDP delay). A counted time-out recreates the
// browser before the command is sent again or the next one goes, so that the request runs
// in the browser that is kept.
void Zephra::CommandTimedOut() {
    const bool pause = Waiting_;
    Waiting_ = false;
    Step(kLogTimeout, [&] { StopTimer1(); });
    if (UDPSent_) {
        UDPSent_ = false;
        Step(kLogTimeout, [&] { DoNextCommand(); });
        return;
    }
    const bool counted = !PowerDevice_.empty() && state_.settings.noResponseAction;
    if (counted) {
        TimeoutCount_ = Incremented(TimeoutCount_);
        Step(kLogTimeout, [&] { NewBrowser(); });
    }
    RetriesLeft_ = Decremented(RetriesLeft_);
    if (RetriesLeft_ > 0) {
        Step(kLogTimeout, [&] { SendTheCommand(); });
    } else {
        if (CurrentCommand_.rfind(kLoadWav, 0) == 0) isSpeaking_ = false;  // the speech is given up
        if (!pause) GiveUpCommand();
        Step(kLogTimeout, [&] { DoNextCommand(); });
    }
    if (!counted || TimeoutCount_ < kCountedTimeoutsBeforeCycle) return;
    PowerCycleCount_ = Incremented(PowerCycleCount_);
    if (PowerCycleCount_ < kPowerCyclesBeforeGivingUp) {
        StartPowerCycle(kLogTimeout, kCycleTimeouts);
    } else if (PowerCycleCount_ == kPowerCyclesBeforeGivingUp) {
        EmptyQueue();
        Step(kLogTimeout, [&] { ResetQueue(); });
        Step(kLogTimeout, [&] { StopTimer1(); });  // the request under way went with the browser
        QueueIdle_ = true;
        Step(kLogTimeout, [&] { WriteLog(state_.Host(), kSource, Name_ + kGivenUp); });
    } else {
        PowerCycleCount_ = kPowerCyclesBeforeGivingUp + 1;
    }
}

}  // namespace zephra
