#pragma once
// How the program's helper threads (signals, standard input, the web server's log) hand
// work to the event loop: posts go to the loop while it is open and are dropped after
// close(), so that a thread still running at the end cannot reach a loop that is gone.

#include <functional>
#include <memory>
#include <mutex>

#include "forms/Loop.h"

namespace homeseer {

class LoopMailbox {
public:
    explicit LoopMailbox(forms::Loop& loop) : loop_(&loop) {}

    void post(std::function<void()> task) {
        std::lock_guard lock(mutex_);
        if (loop_) loop_->post(std::move(task));
    }
    void close() {
        std::lock_guard lock(mutex_);
        loop_ = nullptr;
    }

private:
    std::mutex mutex_;
    forms::Loop* loop_;
};

}  // namespace homeseer
