#pragma once
// What is refused for want of room (a command for a full queue, a speech with no file free) is
// counted and logged without flooding the log: the first refusal of a run is written at once,
// the ones after it are counted and written in one line at most every kInterval, on the loop's
// clock. Each line names the last refusal and how many it stands for, and, where the refusals
// name whom they refused, each of them with a count.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "forms/LogRate.h"
#include "forms/Loop.h"
#include "forms/Timer.h"

namespace zephra {

class RefusalLog {
public:
    static constexpr std::chrono::seconds kInterval{10};
    static constexpr const char* kSince = " refused since the last such line";

    // A line's words from the last refusal and how many refusals it stands for.
    using Form = std::function<std::string(const std::string& last, int32_t count)>;

    // `write` is given each line; it is called on the loop's thread and must not throw.
    // Without `form` a line reads "<last>; <count> refused since the last such line".
    explicit RefusalLog(std::function<void(const std::string& line)> write, Form form = {});
    ~RefusalLog();
    RefusalLog(const RefusalLog&) = delete;
    RefusalLog& operator=(const RefusalLog&) = delete;

    // One refusal; `what` names it ("kitchen Zephra refused volume.shtml?22 (...)"). With `who`
    // (an appliance's name) the line ends with each one refused since the last line and its
    // count: ": \"kitchen\" 195, \"hall\" 194".
    void Note(const std::string& what, const std::string& who = {});
    // Writes what is counted and not written yet, and drops the timer (before the owner goes).
    void Flush();
    // Refusals noted so far.
    uint32_t Count() const noexcept { return count_; }

private:
    void Write();

    std::function<void(const std::string&)> write_;
    Form form_;
    forms::Loop* loop_ = nullptr;  // the loop of the first refusal
    uint32_t count_ = 0;
    int32_t untold_ = 0;
    std::string last_;
    std::vector<std::pair<std::string, int32_t>> untoldBy_;  // in the order first refused; one per name
    forms::LogRate rate_{1, kInterval};                      // the first line at once, then one every kInterval
    std::unique_ptr<forms::Timer> timer_;                    // made at the first refusal that comes too soon
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zephra
