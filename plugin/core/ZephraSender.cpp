// Sending the current command in the form its text asks for: an X10 power-off that starts
// a power cycle, a datagram to the appliance's client program, a pause, or a page request.

#include <algorithm>
#include <cstring>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/Zephra.h"
#include "core/ZephraStep.h"
#include "core/ZephraTexts.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Strings.h"

namespace zephra {

using namespace ztext;

namespace {

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

bool StartsLowered(const std::string& text, const char* prefix) {
    return vb::LCase(vb::Left(text, static_cast<int32_t>(std::strlen(prefix)))) == prefix;
}

std::string Rest(const std::string& text, const char* prefix) { return text.substr(std::strlen(prefix)); }

// The commands whose datagram is a command of a fixed name with the rest as argument.
struct NamedCommand {
    const char* prefix;
    const char* name;
};
constexpr NamedCommand kNamedCommands[] = {
    {kBeepCmd, kBeepName},  {kScreenCmd, kScreenName}, {kMailLed, kMailLedName},
    {kTopLed, kTopLedName}, {kExecute, kExecuteName},
};

constexpr int32_t kPageTimeoutCap = 60000;
constexpr int32_t kDefaultPageTimeout = 5000;
constexpr int32_t kShortestCommand = 8;

}  // namespace

void Zephra::SendTheCommand() {
    UDPSent_ = false;
    Step(kLogSendTheCommand, [&] { Debug("SendTheCommand=" + CurrentCommand_); });
    const std::string command = CurrentCommand_;
    if (StartsLowered(command, kPower)) {
        if (!SendPowerOff()) SkipUnknownCommand();
        return;
    }
    if (vb::Len(command) < kShortestCommand) {
        SkipUnknownCommand();
        return;
    }
    if (SendDatagram(command)) {
        AfterDatagram();
        return;
    }
    if (SendPause(command)) {
        Step(kLogSendTheCommand, [&] { DoNextCommand(); });
        return;
    }
    Step(kLogSendTheCommand, [&] { SendPageRequest(); });
}

// "power": the power goes off now and comes back at the command timer's tick; the queue
// waits. An appliance without a command timer could never switch it back on, and one without
// a power device has nothing to switch, so neither starts.
bool Zephra::SendPowerOff() {
    if (!Timer1_ || PowerDevice_.empty()) return false;
    PowerCycleInProgress_ = true;
    Step(kLogSendTheCommand, [&] { LogPowerCycle(kCyclePowerCommand, 0); });
    SwitchPowerOff(kLogSendTheCommand);
    return true;
}

// A command that no sending form takes is logged and the queue goes on, as after a pause.
void Zephra::SkipUnknownCommand() {
    Step(kLogSendTheCommand, [&] {
        const char* text = !StartsLowered(CurrentCommand_, kPower) ? kUnknownCommand
                           : PowerDevice_.empty()                  ? kNoPowerDevice
                                                                   : kNoPowerTimer;
        WriteLog(state_.Host(), std::string(kSource) + " " + Name_, text + CurrentCommand_);
    });
    Step(kLogSendTheCommand, [&] { DoNextCommand(); });
}

bool Zephra::SendDatagram(const std::string& command) {
    for (const NamedCommand& named : kNamedCommands) {
        if (!StartsWith(command, named.prefix)) continue;
        Step(kLogSendTheCommand,
             [&] { state_.services.UDPSendCommand(state_, named.name, Rest(command, named.prefix), IP_); });
        return true;
    }
    const bool udpCommand = StartsWith(command, kSendCmd);
    if (!udpCommand && !StartsWith(command, kSendCid)) return false;
    Step(kLogSendTheCommand, [&] {
        std::vector<std::string> parts = vb::Split(Rest(command, udpCommand ? kSendCmd : kSendCid), kPartSeparator);
        if (parts.size() < 2) return;
        if (udpCommand) state_.services.UDPSendCommand(state_, parts[0], parts[1], IP_);
        else state_.services.UDPSendCID(state_, parts[0], parts[1], IP_);
    });
    return true;
}

// After a datagram the next command follows at once, or after "UDPDelay" ms at the command
// timer's tick (at once when there is no command timer).
void Zephra::AfterDatagram() {
    UDPSent_ = true;
    bool delayed = false;
    Step(kLogSendTheCommand, [&] {
        if (state_.settings.UDPDelay > 0 && ArmTimer1(state_.settings.UDPDelay)) {
            Waiting_ = true;
            delayed = true;
        }
    });
    if (delayed) return;
    UDPSent_ = false;
    Step(kLogSendTheCommand, [&] { DoNextCommand(); });
}

// "waitsecs N" (N numeric) waits N whole seconds while the loop runs on; "waitdone" ends a
// pause begun when the command was given. True for both.
bool Zephra::SendPause(const std::string& command) {
    if (StartsLowered(command, kWaitDone)) return true;
    if (!StartsLowered(command, kWaitSecs)) return false;
    const std::string count = vb::Trim(vb::Mid(command, 9));
    if (!vb::IsNumeric(vb::Variant(count))) return false;
    auto keepAlive = Self();  // the wait lets everything run, a release too
    Waiting_ = true;
    Step(kLogSendTheCommand, [&] {
        int64_t ms = int64_t{vb::CLng(vb::Variant(count))} * 1000;
        if (ms <= 0) return;  // a pause of no time is no pause
        if (!WaitObject_) vb::raise(vb::errors::ObjectNotSet);
        WaitObject_->Wait(static_cast<int32_t>(std::min<int64_t>(ms, INT32_MAX)));
    });
    Waiting_ = false;
    return true;
}

void Zephra::SendPageRequest() {
    SendTime_ = vb::Now();
    CurrentURL_ = kHttp + Computer_ + "/" + CurrentCommand_;
    // A time-out of no time would be a timer that never ticks: such a page gets the usual one.
    Step(kLogSendTheCommand,
         [&] { ArmTimer1(CurrentTimeout_ > 0 ? std::min(CurrentTimeout_, kPageTimeoutCap) : kDefaultPageTimeout); });
    if (StartsWith(CurrentCommand_, kLoadWav)) isSpeaking_ = true;
    QueueIdle_ = false;
    Step(kLogSendTheCommand, [&] {
        Debug("IE Navigate to " + CurrentURL_ + " on " + IP_ + " using " + (IEObj_ ? kBrowserType : kNothingType));
    });
    Step(kLogSendTheCommand, [&] {
        if (!IEObj_) vb::raise(vb::errors::ObjectNotSet);
        IEObj_->Navigate2(CurrentURL_);
    });
}

}  // namespace zephra
