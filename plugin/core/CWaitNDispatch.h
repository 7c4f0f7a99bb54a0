#pragma once
// A wait that keeps the plug-in's loop going: blocks the caller for a number of
// milliseconds while timer ticks, socket, serial and browser events go on running, and
// returns early when cancelled. One wait at a time per object: a wait started while the
// object already waits (from a handler that runs during it) fails with the error below.
// Under a manual clock the wait moves the clock itself, so it takes no real time.

#include <cstdint>
#include <functional>
#include <memory>

namespace forms {
class Loop;
}

class CWaitNDispatch {
public:
    static constexpr int32_t kNotReentrant = static_cast<int32_t>(0x800403E9u);
    static constexpr const char* kSource = "CWaitNDispatch";
    static constexpr const char* kNotReentrantText =
        "This function is not reentrant. If you want to wait for a second period use a new object";

    CWaitNDispatch();  // waits on the current loop
    explicit CWaitNDispatch(forms::Loop& loop);
    ~CWaitNDispatch();  // cancels a wait in progress
    CWaitNDispatch(const CWaitNDispatch&) = delete;
    CWaitNDispatch& operator=(const CWaitNDispatch&) = delete;

    bool IsWaiting() const;
    // Waits `ms` milliseconds of loop time or until Cancel. 0 returns at once and does
    // nothing else; a negative time ends after one round of ready events. Raises OnTimer
    // at the end of every wait that ran.
    void Wait(int32_t ms);
    // Ends a running wait at its next test; does nothing when no wait runs.
    void Cancel();

    std::function<void()> OnTimer;

private:
    struct State;
    forms::Loop& loop_;
    std::shared_ptr<State> state_;
};
