#include "core/CWaitNDispatch.h"

#include <chrono>

#include "forms/Loop.h"
#include "vb/Error.h"

// Shared with a running wait, so that the object may be destroyed by a handler that runs
// during its own wait.
struct CWaitNDispatch::State {
    bool waiting = false;
    bool cancelled = false;
    bool destroyed = false;
};

CWaitNDispatch::CWaitNDispatch() : CWaitNDispatch(forms::Loop::current()) {}

CWaitNDispatch::CWaitNDispatch(forms::Loop& loop) : loop_(loop), state_(std::make_shared<State>()) {}

CWaitNDispatch::~CWaitNDispatch() {
    Cancel();
    state_->destroyed = true;
}

bool CWaitNDispatch::IsWaiting() const { return state_->waiting; }

void CWaitNDispatch::Wait(int32_t ms) {
    if (ms == 0) return;
    if (state_->waiting) throw vb::Error(kNotReentrant, kNotReentrantText, kSource);
    auto state = state_;  // outlives this object when a handler destroys it
    struct EndOfWait {
        std::shared_ptr<State> state;
        ~EndOfWait() { state->waiting = false; }
    } endOfWait{state};
    state->waiting = true;
    state->cancelled = false;
    loop_.waitFor([state] { return state->cancelled; }, std::chrono::milliseconds(ms < 0 ? 0 : ms));
    if (state->destroyed) return;
    auto onTimer = OnTimer;  // raised while the object still counts as waiting
    if (onTimer) onTimer();
}

void CWaitNDispatch::Cancel() {
    if (state_->waiting) state_->cancelled = true;
}
