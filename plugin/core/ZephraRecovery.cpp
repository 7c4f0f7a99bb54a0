// The command timer's tick: a page that got no answer in time (retry, next command, counted
// time-outs), the end of a pause or UDP delay, and the steps of a power cycle (power back
// on, the power-up wait, the end of the wait).

#include <algorithm>
#include <fstream>

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

const char* boolText(bool b) { return b ? "True" : "False"; }

constexpr int32_t kMinute = 60000;
constexpr int16_t kCountedTimeoutsBeforeCycle = 6;
constexpr int16_t kPowerCyclesBeforeGivingUp = 3;
// How much of the marker file is read: the appliance writes a word, not a book.
constexpr std::size_t kMarkerReadLimit = 65536;

int16_t incremented(int16_t n) { return n < INT16_MAX ? static_cast<int16_t>(n + 1) : n; }
int16_t decremented(int16_t n) { return n > INT16_MIN ? static_cast<int16_t>(n - 1) : n; }

}  // namespace

void Zephra::Timeout() {
    auto keepAlive = self();  // a handler may release the object meanwhile
    step(kLogTimeout, [&] {
        debug("TimeoutCount=" + std::to_string(TimeoutCount_) +
              ", Timeout Value for This Command=" + std::to_string(CurrentTimeout_) +
              ", Command Was=" + CurrentCommand_ + ", Power Turnon Status=" + boolText(PowerOffPending_) +
              ", Power Wait Status =" + boolText(PowerCycleInProgress_) +
              ", PowerUpTime=" + std::to_string(state_.settings.PowerUpTime));
    });
    if (DisablePlugin_) return;
    if (PowerCycleInProgress_ && PowerOffPending_) {
        powerOn();
    } else if (PowerCycleInProgress_) {
        powerUpWait();
    } else {
        commandTimedOut();
    }
}

// The power goes off; it comes back at the command timer's tick after "PowerCycleTime" ms.
// Whatever the object was waiting for is over.
void Zephra::switchPowerOff(const char* logName) {
    Waiting_ = false;
    UDPSent_ = false;
    step(logName, [&] { hsExecX10(PowerDevice_, kOff); });
    PowerOffPending_ = true;
    step(logName, [&] { armTimer1(state_.settings.PowerCycleTime > 0 ? state_.settings.PowerCycleTime : 5000); });
}

// A full queue or six counted time-outs: the queue is emptied and the power cycled. An
// object without a command timer could not switch the power back on, so it does not start.
void Zephra::StartPowerCycle(const char* logName) {
    if (!Timer1_) return;
    PowerCycleInProgress_ = true;
    step(logName, [&] { ResetQueue(); });
    switchPowerOff(logName);
}

// Power back on; the power-up wait runs its first part below a whole minute, then whole
// minutes, "PowerUpTime" + 5 ms in all.
void Zephra::powerOn() {
    const int32_t powerUpTime = std::max(state_.settings.PowerUpTime, 0);
    step(kLogTimeout, [&] {
        if (!state_.settings.WindowsShare.empty() && FileSystem_ && FileSystem_->FileExists(MarkerFile_))
            FileSystem_->DeleteFile(MarkerFile_);
    });
    step(kLogTimeout, [&] { hsExecX10(PowerDevice_, kOn); });
    step(kLogTimeout, [&] { PowerUpMinutes_ = vb::CInt(vb::Variant(powerUpTime / kMinute + 1)); });
    PowerOffPending_ = false;
    step(kLogTimeout, [&] { armTimer1(powerUpTime % kMinute + 5); });
    step(kLogTimeout, [&] { state_.host().SetDeviceValue(DeviceCode(1), 1); });
    if (PolledSleep_ != 1 && PolledSleep_ != 2) PolledSleep_ = 1;
    step(kLogTimeout, [&] { writeDeviceTextUntested(DeviceCode(1), FormatStatus(state_, PolledSleep_ + 4)); });
    step(kLogTimeout, [&] { writeDeviceTextUntested(DeviceCode(2), FormatStatus(state_, 9)); });
}

// The marker file of the appliance holds "BROWSER" (any case) once its browser is up.
bool Zephra::markerSaysBrowser() {
    if (state_.settings.WindowsShare.empty() || !FileSystem_ || !FileSystem_->FileExists(MarkerFile_)) return false;
    std::ifstream in(windows::MapPath(MarkerFile_).native, std::ios::binary);
    std::string text(kMarkerReadLimit, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    return vb::InStr(1, text, kMarkerBrowser, vb::CompareMethod::Text) > 0;
}

void Zephra::powerUpWait() {
    step(kLogTimeout, [&] {
        if (markerSaysBrowser()) PowerUpMinutes_ = 0;
    });
    PowerUpMinutes_ = decremented(PowerUpMinutes_);
    if (PowerUpMinutes_ <= 0) {
        endPowerUpWait();
        return;
    }
    step(kLogTimeout, [&] { armTimer1(kMinute); });
}

// The appliance is up: its power-up state, then the default page or the slideshow, then
// the commands that waited. The page's commands queue behind those, so that none of them is
// sent while another request is still under way.
void Zephra::endPowerUpWait() {
    PowerCycleInProgress_ = false;
    step(kLogTimeout, [&] { SetPowerUpState(); });
    step(kLogTimeout, [&] { stopTimer1(); });
    QueueIdle_ = false;
    step(kLogTimeout, [&] {
        if (!Slideshow_ || EnableSlideshow_ == 0) {
            if (!state_.settings.DefaultPushPage.empty()) PushFullScreenPage(state_.settings.DefaultPushPage, "");
        } else {
            ShowSlideshow("");
        }
    });
    step(kLogTimeout, [&] { DoNextCommand(); });
}

// No answer in time (or the end of a pause or UDP delay). A counted time-out recreates the
// browser before the command is sent again or the next one goes, so that the request runs
// in the browser that is kept.
void Zephra::commandTimedOut() {
    Waiting_ = false;
    step(kLogTimeout, [&] { stopTimer1(); });
    if (UDPSent_) {
        UDPSent_ = false;
        step(kLogTimeout, [&] { DoNextCommand(); });
        return;
    }
    const bool counted = !PowerDevice_.empty() && state_.settings.noResponseAction;
    if (counted) {
        TimeoutCount_ = incremented(TimeoutCount_);
        step(kLogTimeout, [&] { newBrowser(); });
    }
    RetriesLeft_ = decremented(RetriesLeft_);
    if (RetriesLeft_ > 0) {
        step(kLogTimeout, [&] { SendTheCommand(); });
    } else {
        if (CurrentCommand_.rfind(kLoadWav, 0) == 0) isSpeaking_ = false;  // the speech is given up
        step(kLogTimeout, [&] { DoNextCommand(); });
    }
    if (!counted || TimeoutCount_ < kCountedTimeoutsBeforeCycle) return;
    PowerCycleCount_ = incremented(PowerCycleCount_);
    if (PowerCycleCount_ < kPowerCyclesBeforeGivingUp) {
        StartPowerCycle(kLogTimeout);
    } else if (PowerCycleCount_ == kPowerCyclesBeforeGivingUp) {
        emptyQueue();
        step(kLogTimeout, [&] { ResetQueue(); });
        step(kLogTimeout, [&] { stopTimer1(); });  // the request under way went with the browser
        QueueIdle_ = true;
        step(kLogTimeout, [&] { WriteLog(state_.host(), kSource, Name_ + kGivenUp); });
    } else {
        PowerCycleCount_ = kPowerCyclesBeforeGivingUp + 1;
    }
}

}  // namespace zephra
