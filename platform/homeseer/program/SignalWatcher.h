#pragma once
// SIGINT and SIGTERM handled on a thread of their own: made first in main, it blocks the
// two signals in every thread made after it and calls `onSignal` (with the signal's
// number) from its thread for each one that arrives, until it is destroyed.

#include <functional>
#include <thread>

namespace homeseer {

class SignalWatcher {
public:
    explicit SignalWatcher(std::function<void(int signal)> onSignal);
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher&) = delete;
    SignalWatcher& operator=(const SignalWatcher&) = delete;

private:
    std::function<void(int)> onSignal_;
    std::thread thread_;
};

}  // namespace homeseer
