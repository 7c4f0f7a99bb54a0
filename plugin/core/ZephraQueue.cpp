// The appliance object's command queue: taking commands, holding up to 21 of them, and
// handing them to the sender one at a time.

#include <algorithm>

#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "core/RandomToken.h"
#include "core/Zephra.h"
#include "core/ZephraStep.h"
#include "core/ZephraTexts.h"
#include "forms/Loop.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Strings.h"

namespace zephra {

using namespace ztext;

namespace {

const char* BoolText(bool b) { return b ? "True" : "False"; }

bool StartsLowered(const std::string& text, const char* prefix) {
    return vb::LCase(vb::Left(text, static_cast<int32_t>(std::char_traits<char>::length(prefix)))) == prefix;
}

// The milliseconds of a pause of `seconds` as a timer takes them: none (0) for a pause of
// 0 or less, at most 65535.
int32_t PauseMilliseconds(double seconds) {
    double ms = seconds * 1000;
    if (!(ms > 0)) return 0;
    if (ms >= 65535) return 65535;
    return static_cast<int32_t>(vb::roundToInteger(ms));
}

}  // namespace

std::string Zephra::AsyncCommand(const std::string& command, int32_t timeoutMs, std::string tag) {
    Step(kLogAsyncCommand, [&] {
        if (tag.empty()) tag = RandomToken();
    });
    Step(kLogAsyncCommand, [&] { Debug("Async Command, " + command + "," + tag); });
    if (DisablePlugin_) return {};
    const uint32_t refusedBefore = CommandsRefused();
    Step(kLogAsyncCommand, [&] {
        if (URLBusy()) {
            PutInQueue(command, tag, timeoutMs);
            return;
        }
        if (StartsLowered(command, kWaitSecs)) {
            std::string n = vb::Trim(vb::LCase(vb::Mid(command, 9)));
            if (!vb::IsNumeric(vb::Variant(n)) || !Timer1_) return;
            int32_t ms = PauseMilliseconds(vb::CDbl(vb::Variant(n)));
            if (ms == 0) return;  // a pause of no time is no pause
            Waiting_ = true;
            RetriesLeft_ = 0;
            ArmTimer1(ms);
            PutInQueue(kWaitDone, tag, timeoutMs);
            return;
        }
        RetriesLeft_ = state_.settings.CommandRetries;
        SendCommandWithTag(command, tag, timeoutMs);
    });
    // A refused command is not reported as queued: the caller gets no tag to wait for.
    if (CommandsRefused() != refusedBefore) return {};
    return tag;
}

void Zephra::SendCommandWithTag(const std::string& command, const std::string& tag, int32_t timeoutMs) {
    Step(kLogSendCommandWithTag, [&] {
        CurrentCommand_ = command;
        CurrentTag_ = tag;
        CurrentTimeout_ = timeoutMs;
        SendTheCommand();
    });
}

bool Zephra::URLBusy() const { return !QueueIdle_ || PowerCycleInProgress_; }

std::string Zephra::QueueText() const {
    std::vector<std::string> commands;
    for (const CommandQueueEntry& entry : queue_) commands.push_back(entry.Command);
    return kQueueText + std::to_string(queue_.size() - 1) + kQueueCount + vb::Join(commands, kQueueSeparator);
}

// QueuedTags and the queue device follow a change of the queue.
void Zephra::ShowQueueChange() {
    std::vector<std::string> tags;
    for (const CommandQueueEntry& entry : queue_) tags.push_back(entry.Tag);
    QueuedTags_ = vb::Join(tags, ",");
    homeseer::Host& hs = state_.Host();
    hs.SetDeviceString(DeviceCode(9), QueueText());
    hs.SetDeviceLastChange(DeviceCode(9), vb::Now());
}

// Back to element 0 alone; the tags of the dropped commands are no longer busy.
void Zephra::EmptyQueue() {
    queue_.assign(1, CommandQueueEntry{"", "", 5000});
    QueuedTags_.clear();
}

void Zephra::PutInQueue(const std::string& command, const std::string& tag, int32_t timeoutMs) {
    QueueUpdatePending_ = true;
    if (PowerCycleCount_ >= 3) {
        Step(kLogPutInQueue, [&] {
            EmptyQueue();
            QueueIdle_ = true;
            homeseer::Host& hs = state_.Host();
            hs.SetDeviceString(DeviceCode(9), "");
            hs.SetDeviceLastChange(DeviceCode(9), vb::Now());
        });
        Step(kLogPutInQueue, [&] { NoteRefused(command, kRefusedGivenUp); });
    } else if (static_cast<int32_t>(queue_.size()) - 1 < kQueueLimit) {
        Step(kLogPutInQueue, [&] {
            queue_.push_back(CommandQueueEntry{command, tag, timeoutMs});
            QueueIdle_ = false;
            ShowQueueChange();
        });
    } else {
        // The command is refused; only an appliance that has stopped answering is power-cycled
        // for it, not one that a burst of commands keeps busy.
        Step(kLogPutInQueue, [&] { NoteRefused(command, kRefusedQueueFull); });
        if (FullQueueMeansHung()) StartPowerCycle(kLogPutInQueue, kCycleFullQueue);
    }
    QueueUpdatePending_ = false;
    Step(kLogPutInQueue, [&] { Debug("PutQue " + command + "," + tag + QueuedTags_); });
}

// A full queue is taken for a hung appliance when its last request went unanswered (no page
// has completed since that time-out) and it has a power switch to cycle.
bool Zephra::FullQueueMeansHung() const { return !PowerDevice_.empty() && TimeoutCount_ > 0 && !PowerCycleInProgress_; }

bool Zephra::HoldsFile(const std::string& name) const {
    // As the command carries it (FetchAddress).
    const std::string tail = "/" + vb::Replace(UrlPath(name), "%", "%25");
    auto names = [&](const std::string& command) {
        return command.size() >= tail.size() && command.compare(command.size() - tail.size(), tail.size(), tail) == 0;
    };
    if (isSpeaking_ && names(CurrentCommand_)) return true;
    return std::any_of(queue_.begin(), queue_.end(), [&](const CommandQueueEntry& e) { return names(e.Command); });
}

void Zephra::NoteRefused(const std::string& command, const char* reason) {
    Refusals_.Note(Name_ + kRefused + command + " (" + reason + ")");
}

bool Zephra::GetFromQueue() {
    bool taken = false;
    Step(kLogGetFromQueue, [&] { Debug(std::string("GetFromQueueUpdatePending= ") + BoolText(QueueUpdatePending_)); });
    if (QueueUpdatePending_) {
        RetriesLeft_ = 0;
        Step(kLogGetFromQueue, [&] {
            if (ArmTimer1(100)) return;
            // Without a command timer the queue is read again once the loop is free.
            std::weak_ptr<Zephra> weak = Self();
            forms::Loop::current().post([weak] {
                if (auto zephra = weak.lock()) zephra->DoNextCommand();
            });
        });
        QueueIdle_ = false;
        CurrentTag_.clear();
    } else {
        Step(kLogGetFromQueue, [&] {
            if (queue_.size() < 2) return;
            CommandQueueEntry head = queue_[1];
            queue_.erase(queue_.begin() + 1);
            CurrentCommand_ = head.Command;
            CurrentTimeout_ = head.Timeout;
            CurrentTag_ = head.Tag;
            taken = true;
            ShowQueueChange();
        });
        QueueIdle_ = queue_.size() < 2;
        RetriesLeft_ = state_.settings.CommandRetries;
    }
    Step(kLogGetFromQueue, [&] { Debug(std::string("GetFromQue Command Obtained Status=") + BoolText(taken)); });
    return taken;
}

void Zephra::DoNextCommand() {
    Step(kLogDoNextCommand, [&] {
        Debug(std::string("DoNextCOmmand, questat=") + BoolText(QueueIdle_) +
              ", powerupWait=" + BoolText(PowerCycleInProgress_));
    });
    if (Waiting_ || PowerCycleInProgress_) return;
    Step(kLogDoNextCommand, [&] { StopTimer1(); });
    if (queue_.size() < 2) {
        QueueIdle_ = true;
        CurrentTag_ = "0";
        return;
    }
    bool taken = GetFromQueue();
    if (taken) Step(kLogDoNextCommand, [&] { SendTheCommand(); });
}

void Zephra::ResetQueue() {
    EmptyQueue();
    isSpeaking_ = false;  // a speech request that was under way is dropped with the browser
    NewBrowser();
    ShowQueue();
}

void Zephra::ShowQueue() {
    if (!DeviceCode(9).empty()) state_.Host().SetDeviceString(DeviceCode(9), QueueText());
}

}  // namespace zephra
