// The hidden browser of an appliance: a page that completed is read on the page timer's
// tick, outside the browser's own event, and the next command follows.

#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "core/Zephra.h"
#include "core/ZephraStep.h"
#include "core/ZephraTexts.h"
#include "forms/Loop.h"
#include "vb/Strings.h"

namespace zephra {

using namespace ztext;

namespace {

constexpr int32_t kPageReadDelay = 50;

}  // namespace

// A new hidden browser in place of the old one, whose request (if any) is dropped with it.
void Zephra::NewBrowser() {
    IEObj_ = std::make_unique<forms::HiddenBrowser>();
    std::weak_ptr<Zephra> weak = Self();
    IEObj_->OnDocumentComplete = [weak](const std::string& url) {
        if (auto zephra = weak.lock()) zephra->IEObj_DocumentComplete(url);
    };
}

void Zephra::IEObj_DocumentComplete(const std::string& url) {
    bool done = vb::Try([&] {
        Debug("IEObj_Complete to " + url);
        PowerCycleCount_ = 0;
        // A page the appliance answered ends a run of time-outs, so that one late answer long
        // after an outage is not the outage's sixth; the browser's failure page does not.
        if (IEObj_ && vb::Left(IEObj_->Document().body.innerText, 16) != kCancelledPage) {
            TimeoutCount_ = 0;
            NoteApplied(CurrentCommand_);
        }
        if (CurrentCommand_.rfind(kLoadWav, 0) == 0) isSpeaking_ = false;
        if (forms::Timer* timer = IeTimer()) {
            timer->Interval(kPageReadDelay);
            timer->Enabled(true);
            return;
        }
        // Without a page timer the page is read as soon as the loop is free, so that the
        // queue goes on.
        std::weak_ptr<Zephra> weak = Self();
        forms::Loop::current().post([weak] {
            if (auto zephra = weak.lock()) zephra->ReceiveData();
        });
    });
    if (!done) {
        std::string number = std::to_string(vb::Err().Number);
        LogErrorText(kLogIEObj + number + kLogTimerIs + (IETimer_ ? kTimerType : kNothingType));
    }
}

void Zephra::ReceiveData() {
    auto keepAlive = Self();  // a handler may release the object meanwhile
    if (CurrentCommand_ == kSleepPoll) Step(kLogReceiveData, [&] { ReadSleepPoll(); });
    Step(kLogReceiveData, [&] { DoNextCommand(); });
}

// The answer of the sleep-status poll: "1" when the appliance is awake; anything else (the
// browser's failure page too) means asleep.
void Zephra::ReadSleepPoll() {
    if (!IEObj_) vb::raise(vb::errors::ObjectNotSet);
    const std::string text = IEObj_->Document().body.innerText;
    if (vb::Left(text, 16) != kCancelledPage) TimeoutCount_ = 0;
    Debug("Sleep Result Body " + text);
    PolledSleep_ = Sleep_;
    const bool awake = vb::Trim(text) == "1";
    PolledSleep_ = awake ? (Sleep_ == 2 ? 2 : 1) : 0;
    SleepStatus_ = awake;
    if (!DeviceCode(1).empty() && PolledSleep_ != Sleep_) WriteSleepDevices(PolledSleep_, awake);
    Sleep_ = PolledSleep_;
}

}  // namespace zephra
