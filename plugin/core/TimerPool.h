#pragma once
// The timer pool: six pairs of per-appliance timers of the hidden form (command timers
// `Timer1`, page timers `IETimer`), handed out to appliance objects as they are made and
// given back when they shut down or the settings are read again.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace zephra {

class PluginState;
class Zephra;

constexpr int16_t kTimerPoolSize = 6;

struct TimerPool {
    std::array<bool, kTimerPoolSize> TimerInUse{};
    std::array<std::shared_ptr<Zephra>, kTimerPoolSize> TimerOwner{};
    std::array<bool, kTimerPoolSize> IETimerInUse{};
    std::array<std::shared_ptr<Zephra>, kTimerPoolSize> IETimerOwner{};

    // Every slot free and no owner held (what the start-up does).
    void Clear() { *this = TimerPool(); }
};

// A timer element handed out by the pool: its index in the form's control array (0 to 5),
// or nothing.
using PoolTimer = std::optional<int16_t>;

// The lowest free `Timer1` element, now owned by `owner`; nothing when all six are taken.
PoolTimer GetTimer(PluginState& state, const std::shared_ptr<Zephra>& owner);
// The same for `IETimer`; logs "Unable to find unused timer for IE" when all are taken.
PoolTimer GetIETimer(PluginState& state, const std::shared_ptr<Zephra>& owner);
// Frees a slot (nothing for an index outside 0 to 5). The element is stopped first, so that
// no tick meant for the old owner reaches the next one.
void ReleaseTimer(PluginState& state, int16_t index);
void ReleaseIETimer(PluginState& state, int16_t index);

}  // namespace zephra
