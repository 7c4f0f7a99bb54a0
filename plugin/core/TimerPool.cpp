#include "core/TimerPool.h"

#include <string>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "vb/Err.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kDebugSource = "dkvZephra Debug";
constexpr const char* kNoIETimer = "Unable to find unused timer for IE";

void debug(PluginState& state, const std::string& text) {
    if (state.settings.DebugLog) WriteLog(state.host(), kDebugSource, text);
}

std::optional<int16_t> firstFree(const std::array<bool, kTimerPoolSize>& inUse) {
    for (int16_t i = 0; i < kTimerPoolSize; ++i)
        if (!inUse[i]) return i;
    return std::nullopt;
}

// Hands out slot i of a pool array; the form is made when it does not exist yet.
PoolTimer handOut(PluginState& state, std::array<bool, kTimerPoolSize>& inUse,
                  std::array<std::shared_ptr<Zephra>, kTimerPoolSize>& owners, int16_t i,
                  const std::shared_ptr<Zephra>& owner, const char* debugName) {
    inUse[i] = true;
    owners[i] = owner;
    state.QueueTimerForm();
    debug(state, std::string(debugName) + "(" + std::to_string(i) + ")");
    return i;
}

// Frees slot `index` of a pool array after stopping its timer element; the old owner is
// released last, when the slot is already free.
void release(PluginState& state, forms::ControlArray<forms::Timer>* timers, std::array<bool, kTimerPoolSize>& inUse,
             std::array<std::shared_ptr<Zephra>, kTimerPoolSize>& owners, int16_t index) {
    if (index < 0 || index >= kTimerPoolSize) return;
    if (timers) (*timers)(index).Enabled(false);
    inUse[index] = false;
    std::shared_ptr<Zephra> previous = std::move(owners[index]);
    debug(state, "Release Timer(" + std::to_string(index) + ")");
}

template <class Step>
void handled(PluginState& state, const char* tag, Step&& step) {
    if (!vb::Try(step)) WriteLog(state.host(), kSource, tag);
}

}  // namespace

PoolTimer GetTimer(PluginState& state, const std::shared_ptr<Zephra>& owner) {
    PoolTimer timer;
    handled(state, "GetTimer ", [&] {
        std::optional<int16_t> i = firstFree(state.timerPool.TimerInUse);
        if (i) timer = handOut(state, state.timerPool.TimerInUse, state.timerPool.TimerOwner, *i, owner, "GetTimer");
    });
    return timer;
}

PoolTimer GetIETimer(PluginState& state, const std::shared_ptr<Zephra>& owner) {
    PoolTimer timer;
    handled(state, "GetIETimer ", [&] {
        std::optional<int16_t> i = firstFree(state.timerPool.IETimerInUse);
        if (!i) {
            WriteLog(state.host(), kSource, kNoIETimer);
            return;
        }
        timer = handOut(state, state.timerPool.IETimerInUse, state.timerPool.IETimerOwner, *i, owner, "GetIETimer");
    });
    return timer;
}

void ReleaseTimer(PluginState& state, int16_t index) {
    handled(state, "ReleaseTimer ", [&] {
        auto* timers = state.queueTimerLoaded() ? &state.QueueTimerForm().Timer1 : nullptr;
        release(state, timers, state.timerPool.TimerInUse, state.timerPool.TimerOwner, index);
    });
}

void ReleaseIETimer(PluginState& state, int16_t index) {
    handled(state, "ReleaseIETimer ", [&] {
        auto* timers = state.queueTimerLoaded() ? &state.QueueTimerForm().IETimer : nullptr;
        release(state, timers, state.timerPool.IETimerInUse, state.timerPool.IETimerOwner, index);
    });
}

}  // namespace zephra
