#pragma once
// The timer control: ticks every Interval milliseconds while it is Enabled and its
// Interval is above 0. Setting Interval or Enabled (to any value) starts the count anew.
// Ticks run on the loop's thread; a tick handler may change or destroy its own timer, and
// a destroyed timer never ticks.

#include <cstdint>
#include <functional>
#include <optional>

#include "forms/Loop.h"
#include "forms/detail/TimerQueue.h"

namespace forms {

class Timer {
public:
    // A new timer is enabled with Interval 0, as the control's design default.
    explicit Timer(Loop& loop = Loop::current());
    ~Timer();
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    int32_t Interval() const noexcept { return interval_; }
    // 0 to 65535 ms; any other value raises error 380 "Invalid property value" and
    // leaves the timer as it was.
    void Interval(int32_t ms);

    bool Enabled() const noexcept { return enabled_; }
    void Enabled(bool on);

    // The tick event.
    std::function<void()> OnTimer;

private:
    void restart();
    void tick();

    Loop& loop_;
    int32_t interval_ = 0;
    bool enabled_ = true;
    std::optional<detail::TimerKey> armed_;
};

}  // namespace forms
