#include "CommandGate.h"

namespace sorvex {

namespace {

// Port clients and players wait as one entry each; the rest are clicks and keys.
constexpr std::size_t kWaitingLimit = 256;

}  // namespace

bool CommandGate::run(std::function<void()> command) {
    if (busy()) {
        if (waiting_.size() >= kWaitingLimit) return false;
        waiting_.push_back(std::move(command));
        return true;
    }
    Scope scope(*this);
    command();
    return true;
}

void CommandGate::leave() {
    if (depth_ > 1 || draining_) {
        --depth_;
        return;
    }
    // The last one out: what waited runs now, each as a command of its own, in order.
    draining_ = true;
    while (!waiting_.empty()) {
        std::function<void()> next = std::move(waiting_.front());
        waiting_.pop_front();
        next();
    }
    draining_ = false;
    --depth_;
    if (idle_) idle_();
}

}  // namespace sorvex
