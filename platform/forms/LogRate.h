#pragma once
// Lines that anyone on the network can make (malformed datagrams, hostile values, refused
// requests) are logged at a bounded rate: so many in the window from its first line, the rest
// only counted, and the count told before the next window's first line. Times are the caller's
// (its loop's clock), so that the rule can be run on a manual clock.
// The rule is the two numbers: five a minute for complaints; one every ten seconds, the first at
// once, for refusals for want of room, whose owner writes what it held back when the window ends
// (WindowEnd, then Restart) rather than before the next line.

#include <chrono>
#include <string>

namespace forms {

class LogRate {
public:
    using TimePoint = std::chrono::steady_clock::time_point;
    static constexpr const char* kLastSuffix = "; more within a minute are only counted";

    LogRate() = default;  // five lines a minute
    LogRate(int perWindow, std::chrono::steady_clock::duration window) : perWindow_(perWindow), window_(window) {}

    struct Turn {
        int unloggedBefore = 0;  // lines of the window before that were only counted: told first
        bool log = false;        // this line is logged
        bool last = false;       // and it is its window's last logged line (kLastSuffix says so)
    };

    // One more line at `now`.
    Turn Next(TimePoint now) {
        Turn turn;
        if (logged_ == 0 || now - windowStart_ >= window_) {
            turn.unloggedBefore = unlogged_;
            windowStart_ = now;
            logged_ = 0;
            unlogged_ = 0;
        }
        if (logged_ >= perWindow_) {
            ++unlogged_;
            return turn;
        }
        ++logged_;
        turn.log = true;
        turn.last = logged_ == perWindow_;
        return turn;
    }

    // One more line at `now`, through `write`: first the count of the lines only counted before
    // (its number, then `countedAs`), then `line` when it is logged, the window's last saying so.
    // True when `line` was logged.
    template <class Write>
    bool Log(TimePoint now, const std::string& line, const char* countedAs, Write&& write) {
        const Turn turn = Next(now);
        if (turn.unloggedBefore > 0) write(std::to_string(turn.unloggedBefore) + countedAs);
        if (turn.log) write(line + (turn.last ? kLastSuffix : ""));
        return turn.log;
    }

    // When the current window ends: the first moment Next opens a new one.
    TimePoint WindowEnd() const { return windowStart_ + window_; }

    // A line written out of turn at `now` that tells all held back (a timer's or a flush's):
    // it is the first of a new window.
    void Restart(TimePoint now) {
        windowStart_ = now;
        logged_ = 1;
        unlogged_ = 0;
    }

private:
    int perWindow_ = 5;
    std::chrono::steady_clock::duration window_ = std::chrono::minutes(1);
    TimePoint windowStart_{};
    int logged_ = 0;
    int unlogged_ = 0;
};

}  // namespace forms
