#pragma once
// Speech of xAP messages made on a worker thread of its own, so that the loop goes on serving
// while a text is spoken into its file: the worker touches neither the plug-in state nor the
// log; its result and log lines come back to the loop as a posted task. Speech waiting is
// bounded, whether to be made or, made, in an appliance's command queue to be played: beyond
// the bound a message is dropped, with a log line at most every 10 s that counts every drop.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/RefusalLog.h"
#include "core/SpeechToWav.h"
#include "forms/Loop.h"

namespace zephra {

class PluginState;

class SpeechMaker {
public:
    static constexpr std::size_t kWaitingLimit = 4;
    static constexpr std::chrono::seconds kDropLogInterval = RefusalLog::kInterval;

    // Told on the loop whether the file was written whole.
    using Done = std::function<void(bool written)>;

    explicit SpeechMaker(PluginState& state);
    ~SpeechMaker();
    SpeechMaker(const SpeechMaker&) = delete;
    SpeechMaker& operator=(const SpeechMaker&) = delete;

    // Queues a speech into `path`; false when kWaitingLimit speeches already wait (dropped).
    bool Queue(const std::string& text, const std::string& voiceName, const std::string& path, Done done);
    // A made speech handed to an appliance waits, and counts against the bound, while
    // `stillWaiting` says so (for kHandedLimit at most).
    void Handed(std::function<bool()> stillWaiting);
    // Nothing waits, is being made or has its result on the way.
    bool Idle() const;
    // Speeches waiting: to be made, being made, or made and still in an appliance's queue.
    std::size_t Waiting();

    // A handed speech stops counting after this even if its appliance still holds it: a stuck
    // appliance is its own queue's affair, and speech must not stay dropped for good.
    static constexpr std::chrono::seconds kHandedLimit{120};

private:
    struct Job {
        std::string text, voiceName, path;
        Done done;
    };
    struct HandedSpeech {
        std::function<bool()> stillWaiting;
        forms::Loop::TimePoint since;
    };
    void Work();

    PluginState& state_;
    forms::Loop& loop_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);  // results posted after the end are dropped
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job> waiting_;
    std::size_t unfinished_ = 0;  // waiting, being made or posted back; on the loop's thread only
    bool stopping_ = false;
    std::thread worker_;
    std::vector<HandedSpeech> handed_;  // on the loop's thread only
    RefusalLog drops_;                  // one line for a run of drops, at most every kDropLogInterval
};

// The plug-in's speech maker, made on first use and ended (its current speech finished) with
// the plug-in state.
SpeechMaker& XapSpeechMaker(PluginState& state);

}  // namespace zephra
