// Asking the appliance whether it is awake: the sleep-status poll queued for later, and the
// synchronous poll that waits (pumping messages) up to five seconds for the answer.

#include "core/PluginState.h"
#include "core/Zephra.h"
#include "core/ZephraStep.h"
#include "core/ZephraTexts.h"
#include "forms/Loop.h"

namespace zephra {

using namespace ztext;

namespace {

constexpr int32_t kCommandTimeout = 5000;
constexpr int32_t kPollSlice = 100;
constexpr int kPollSlices = kCommandTimeout / kPollSlice;
constexpr int16_t kPollPending = 3;

}  // namespace

bool Zephra::AwakeStatus() {
    auto keepAlive = Self();  // the wait lets everything run, a release too
    Step(kLogAwakeStatus, [&] {
        PolledSleep_ = kPollPending;
        AsyncCommand(kSleepPoll, kCommandTimeout, "");
    });
    for (int pass = 0; pass < kPollSlices && PolledSleep_ == kPollPending; ++pass) {
        // A wait that cannot start (the object waits already) would fail at every pass.
        if (!vb::Try([&] {
                if (!WaitObject_) vb::raise(vb::errors::ObjectNotSet);
                WaitObject_->Wait(kPollSlice);
                forms::DoEvents();
            })) {
            LogError(kLogAwakeStatus);
            break;
        }
    }
    Step(kLogAwakeStatus, [&] {
        if (DeviceCode(1).empty() || PolledSleep_ < 0 || PolledSleep_ > 2) return;
        WriteSleepDevices(PolledSleep_, PolledSleep_ != 0);
    });
    return PolledSleep_ != 0;
}

std::string Zephra::SendSleepStatus(const std::string& tag) {
    std::string result;
    Step(kLogSendSleepStatus, [&] {
        result = AsyncCommand(kSleepPoll, kCommandTimeout, tag);
        Debug("sleep tag=" + tag);
    });
    return result;
}

bool Zephra::Asleep() { return !AwakeStatus(); }
bool Zephra::Awake() { return AwakeStatus(); }
std::string Zephra::RefreshSleepStatus(const std::string& tag) { return SendSleepStatus(tag); }

}  // namespace zephra
