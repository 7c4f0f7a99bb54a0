#pragma once
// What the layer's own controls need of the loop: its I/O context, its timer queue, the
// count of answers awaited from peers, and a safe way to raise an event. Not for callers
// outside platform/forms.

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

#include <boost/asio/io_context.hpp>

#include "forms/Loop.h"
#include "forms/detail/TimerQueue.h"

namespace forms::detail {

boost::asio::io_context& io(Loop& loop);

// Answers awaited from peers: how many, and how many were ever awaited.
struct PendingAnswers {
    int count = 0;
    std::uint64_t generation = 0;
};

// While one lives, a peer's answer is awaited (a request was sent, a connect is under
// way): a manual clock does not jump while answers are pending (see Loop::waitUntil).
class PendingAnswer {
public:
    explicit PendingAnswer(Loop& loop);
    ~PendingAnswer();
    PendingAnswer(const PendingAnswer&) = delete;
    PendingAnswer& operator=(const PendingAnswer&) = delete;

private:
    std::shared_ptr<PendingAnswers> answers_;
};

// Another source of events that the loop serves beside its own: the GLib loop of the forms on
// screen.
class ForeignEvents {
public:
    virtual ~ForeignEvents() = default;
    // Runs what is ready now, without blocking.
    virtual void dispatchReady() = 0;
    // Before the loop blocks until `until`: makes the loop's I/O wake when the source has
    // something; returns the time to wake at the latest.
    virtual std::chrono::steady_clock::time_point prepare(std::chrono::steady_clock::time_point until) = 0;
    // After the block: runs what became ready.
    virtual void check() = 0;
};

// The loop serves `events` from now on, for as long as it lives (once per loop).
void attachForeign(Loop& loop, std::unique_ptr<ForeignEvents> events);
bool hasForeign(Loop& loop);

// Runs events in real time until `done` holds or the loop is stopped; a manual clock does not
// move. A modal window waits so: its user takes as long as the user takes.
void runModal(Loop& loop, const std::function<bool()>& done);

// Reports an exception that escaped an event handler to the loop's handler.
void reportUnhandled(Loop& loop, std::exception_ptr error);

// Raises an event: runs a copy of the handler (so that the handler may destroy the
// control that raised it), passing any exception to the loop's unhandled-error handler.
template <class Handler, class... Args>
void raise(Loop& loop, const Handler& handler, Args&&... args) {
    if (!handler) return;
    Handler copy = handler;
    try {
        copy(std::forward<Args>(args)...);
    } catch (...) {
        reportUnhandled(loop, std::current_exception());
    }
}

}  // namespace forms::detail
