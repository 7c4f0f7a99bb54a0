#include "program/SignalWatcher.h"

#include <pthread.h>
#include <signal.h>

namespace homeseer {

namespace {

// Sent by the destructor to end the waiting thread.
constexpr int kQuitSignal = SIGUSR2;

sigset_t watchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, kQuitSignal);
    return set;
}

}  // namespace

SignalWatcher::SignalWatcher(std::function<void(int)> onSignal) : onSignal_(std::move(onSignal)) {
    sigset_t set = watchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    thread_ = std::thread([this, set] {
        while (true) {
            int signal = 0;
            if (sigwait(&set, &signal) != 0) continue;
            if (signal == kQuitSignal) return;
            onSignal_(signal);
        }
    });
}

SignalWatcher::~SignalWatcher() {
    pthread_kill(thread_.native_handle(), kQuitSignal);
    thread_.join();
}

}  // namespace homeseer
