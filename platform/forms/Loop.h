#pragma once
// The message loop of the plug-in's thread: posted tasks, timer ticks and the events of
// sockets, serial ports and hidden browsers all run here, one at a time, on the thread
// that drives the loop. Waits that pump events (DoEvents, waitUntil) may be entered from
// inside a handler: the plug-in's waits re-enter the loop so that replies arrive meanwhile.
//
// The loop owns the clock its timers run on: the steady clock in programs, a manual
// clock in tests, which moves only when a test calls advance() or when code under test
// waits in loop time (waitUntil/waitFor). Sockets stay real under both clocks.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace forms {

// Local wall-clock date and time (what the language's `Now` reads).
using LocalTime = std::chrono::local_time<std::chrono::milliseconds>;

class Loop {
public:
    enum class ClockKind { Steady, Manual };
    using TimePoint = std::chrono::steady_clock::time_point;
    using Duration = std::chrono::steady_clock::duration;

    // Creates a loop and makes it the current one (until it is destroyed, when the
    // previously current loop, if any, becomes current again). Controls must not outlive
    // the loop they were created on.
    explicit Loop(ClockKind clock = ClockKind::Steady);
    ~Loop();
    Loop(const Loop&) = delete;
    Loop& operator=(const Loop&) = delete;

    // The loop that controls, DoEvents and waits use when given none.
    // current() throws std::logic_error when no loop exists.
    static Loop& current();
    static Loop* tryCurrent() noexcept;

    // Queues a task to run on the loop after the events already waiting. May be called
    // from any thread.
    void post(std::function<void()> task);

    // Runs whatever is ready now (posted tasks, arrived I/O, timers that are due), then
    // returns. A manual clock does not move.
    void DoEvents();

    // Runs events until stop(); a manual clock does not move (a test moves it). A stop also
    // ends every wait under way (runUntil, waitUntil, waitFor, however deeply nested: each
    // answers false unless its condition holds), and later ones until run() starts again, so
    // that a stopped program ends at once.
    void run();
    void stop();

    // Runs events in real time until `done` holds or `realTimeout` has passed; returns
    // done(). A manual clock does not move: this is how a test waits for a socket event.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds realTimeout);

    // Waits in loop time, running events meanwhile, until `done` holds or the loop's clock
    // reaches `deadline` (none: no deadline); returns done(). Under the steady clock this
    // sleeps until the next event. Under a manual clock, once nothing is ready and no
    // answer from a peer is pending (a request sent, a connect under way; see
    // setSettleTimeout), the clock jumps to the next due timer or to the deadline, so a
    // 75-second wait takes no real time. Code that waits for a timer or an event in a
    // loop uses this rather than spinning on DoEvents.
    bool waitUntil(const std::function<bool()>& done, std::optional<TimePoint> deadline = std::nullopt);
    bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds duration);

    // Clock.
    ClockKind clockKind() const noexcept;
    bool isManual() const noexcept { return clockKind() == ClockKind::Manual; }
    TimePoint now() const;
    // Manual clock only (std::logic_error otherwise): moves the clock by `by`, firing the
    // timers that fall due on the way in time order, each tick on the loop; a timer that a
    // tick re-arms fires again within the same advance when it falls due again. Ready
    // events run after each tick. The clock never goes back: when a tick itself waited
    // past the target, it stays there.
    void advance(std::chrono::milliseconds by);
    // Under a manual clock: the longest real time a loop-time wait lets pass for pending
    // answers of peers before it moves the clock on anyway (default 1 s). A peer that
    // still has not answered then holds the clock no more until another answer is awaited.
    void setSettleTimeout(std::chrono::milliseconds realTime);

    // Local date and time: the system's under the steady clock; under a manual clock the
    // date set by setLocalNow (default 2001-01-01 00:00:00), moved on with the clock.
    LocalTime localNow() const;
    void setLocalNow(LocalTime at);  // manual clock only

    // An exception that escapes an event handler is passed here and the loop goes on
    // (default: written to standard error).
    void setUnhandledErrorHandler(std::function<void(const char* what)> handler);

    struct Impl;
    Impl& impl() noexcept { return *impl_; }

private:
    std::unique_ptr<Impl> impl_;
};

// The language's DoEvents: runs what is ready on the current loop.
void DoEvents();

}  // namespace forms
