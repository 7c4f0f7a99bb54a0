#pragma once
// The loop's timer queue, as the timer control uses it. Not for callers outside
// platform/forms.

#include <compare>
#include <cstdint>
#include <functional>

#include "forms/Loop.h"

namespace forms::detail {

// A timer queue entry: due time, then the order in which entries were made, so that
// timers due at the same moment fire in the order they were armed.
struct TimerKey {
    Loop::TimePoint when;
    std::uint64_t seq = 0;
    auto operator<=>(const TimerKey&) const = default;
};

// Queues `fire` to run on the loop when its clock reaches `when`; the entry is removed
// before it fires.
TimerKey schedule(Loop& loop, Loop::TimePoint when, std::function<void()> fire);
// Removes an entry; an entry that already fired or was removed is ignored.
void cancel(Loop& loop, const TimerKey& key);

}  // namespace forms::detail
