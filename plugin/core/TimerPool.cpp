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

void Debug(PluginState& state, const std::string& text) {
    if (state.settings.DebugLog) WriteLog(state.Host(), kDebugSource, text);
}

std::optional<int16_t> FirstFree(const std::array<bool, kTimerPoolSize>& inUse) {
    for (int16_t i = 0; i < kTimerPoolSize; ++i)
        if (!inUse[i]) return i;
    return std::nullopt;
}

// Hands out slot i of a pool array; the form is made when it does not exist yet.
PoolTimer HandOut(PluginState& state, std::array<bool, kTimerPoolSize>& inUse,
                  std::array<std::shared_ptr<Zephra>, kTimerPoolSize>& owners, int16_t i,
                  const std::shared_ptr<Zephra>& owner, const char* debugName) {
    inUse[i] = true;
    owners[i] = owner;
    state.QueueTimerForm();
    Debug(state, std::string(debugName) + "(" + std::to_string(i) + ")");
    return i;
}

// Frees slot `index` of a pool array after stopping its timer element; the old owner is
// released last, when the slot is already free.
void Release(PluginState& state, forms::ControlArray<forms::Timer>* timers, std::array<bool, kTimerPoolSize>& inUse,
             std::array<std::shared_ptr<Zephra>, kTimerPoolSize>& owners, int16_t index) {
    if (index < 0 || index >= kTimerPoolSize) return;
    if (timers) (*timers)(index).Enabled(false);
    inUse[index] = false;
    std::shared_ptr<Zephra> previous = std::move(owners[index]);
    Debug(state, "Release Timer(" + std::to_string(index) + ")");
}

template <class Step>
void Handled(PluginState& state, const char* tag, Step&& step) {
    if (!vb::Try(step)) WriteLog(state.Host(), kSource, tag);
}

}  // namespace

PoolTimer GetTimer(PluginState& state, const std::shared_ptr<Zephra>& owner) {
    PoolTimer timer;
    Handled(state, "GetTimer ", [&] {
        std::optional<int16_t> i = FirstFree(state.timerPool.TimerInUse);
        if (i) timer = HandOut(state, state.timerPool.TimerInUse, state.timerPool.TimerOwner, *i, owner, "GetTimer");
    });
    return timer;
}

PoolTimer GetIETimer(PluginState& state, const std::shared_ptr<Zephra>& owner) {
    PoolTimer timer;
    Handled(state, "GetIETimer ", [&] {
        std::optional<int16_t> i = FirstFree(state.timerPool.IETimerInUse);
        if (!i) {
            WriteLog(state.Host(), kSource, kNoIETimer);
            return;
        }
        timer = HandOut(state, state.timerPool.IETimerInUse, state.timerPool.IETimerOwner, *i, owner, "GetIETimer");
    });
    return timer;
}

void ReleaseTimer(PluginState& state, int16_t index) {
    Handled(state, "ReleaseTimer ", [&] {
        auto* timers = state.QueueTimerLoaded() ? &state.QueueTimerForm().Timer1 : nullptr;
        Release(state, timers, state.timerPool.TimerInUse, state.timerPool.TimerOwner, index);
    });
}

void ReleaseIETimer(PluginState& state, int16_t index) {
    Handled(state, "ReleaseIETimer ", [&] {
        auto* timers = state.QueueTimerLoaded() ? &state.QueueTimerForm().IETimer : nullptr;
        Release(state, timers, state.timerPool.IETimerInUse, state.timerPool.IETimerOwner, index);
    });
}

}  // namespace zephra
