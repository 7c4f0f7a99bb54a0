#include "forms/Loop.h"

#include "vb/DateTime.h"

#include <algorithm>
#include <ctime>
#include <iostream>
#include <map>
#include <stdexcept>
#include <vector>

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/post.hpp>

#include "forms/detail/LoopInternals.h"

namespace forms {

namespace asio = boost::asio;
using namespace std::chrono;

namespace {

// Loops in creation order; the last is current.
std::vector<Loop*>& loops() {
    static std::vector<Loop*> all;
    return all;
}

// The date a manual clock starts at when a test sets none.
LocalTime defaultManualDate() { return LocalTime{local_days{year{2001} / January / 1}}; }

LocalTime systemLocalNow() {
    auto now = system_clock::now();
    std::time_t t = system_clock::to_time_t(now);
    std::tm tm{};
    localtime_r(&t, &tm);
    auto ms = duration_cast<milliseconds>(now.time_since_epoch()) % 1000;
    if (ms < 0ms) ms += 1000ms;
    local_days day{year{tm.tm_year + 1900} / month{unsigned(tm.tm_mon + 1)} / unsigned(tm.tm_mday)};
    return LocalTime{day} + hours{tm.tm_hour} + minutes{tm.tm_min} + seconds{tm.tm_sec} + ms;
}

// One slice of real time a manual-clock wait blocks for when it only waits for sockets.
constexpr milliseconds kRealSlice{20};

}  // namespace

struct Loop::Impl {
    explicit Impl(ClockKind kind) : kind(kind) {}

    ClockKind kind;
    std::map<detail::TimerKey, std::function<void()>> timers;
    std::uint64_t nextSeq = 0;
    std::shared_ptr<detail::PendingAnswers> pendingAnswers = std::make_shared<detail::PendingAnswers>();
    std::uint64_t settledGeneration = 0;  // answers awaited up to this one are no longer waited for
    milliseconds settleTimeout{1000};
    TimePoint manualNow{};  // manual clock reading
    LocalTime manualDate = defaultManualDate();
    TimePoint manualDateSetAt{};  // manual clock reading when manualDate was set
    bool stopRequested = false;
    std::function<void(const char*)> onUnhandled;
    std::unique_ptr<detail::ForeignEvents> foreign;
    // Declared last so that it goes first: pending handlers release the controls' state
    // while the rest of the loop still stands. Not the single-thread hint: under it the I/O
    // context keeps a handler's completions in a queue of the handler's own, and a wait
    // nested in that handler runs them without their count of work, until the context
    // believes it has none left and stops for good.
    asio::io_context io{BOOST_ASIO_CONCURRENCY_HINT_SAFE};
    asio::executor_work_guard<asio::io_context::executor_type> keepRunning = asio::make_work_guard(io);

    TimePoint now() const { return kind == ClockKind::Manual ? manualNow : steady_clock::now(); }

    void report(std::exception_ptr error) {
        std::string what = "unknown error";
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {}
        if (onUnhandled) {
            onUnhandled(what.c_str());
        } else {
            std::cerr << "forms: unhandled error in an event handler: " << what << std::endl;
        }
    }

    // A stopped I/O context runs nothing more: the loop would spin and serve no socket.
    void keepIoRunning() {
        if (io.stopped()) io.restart();
    }

    // Runs the handlers that are ready (posted tasks, arrived I/O, the windows' events).
    void pollReady() {
        keepIoRunning();
        for (;;) {
            try {
                io.poll();
                break;
            } catch (...) {
                report(std::current_exception());
            }
        }
        if (foreign) guarded([&] { foreign->dispatchReady(); });
    }

    // Blocks in real time until one handler ran, the windows had an event or `until` passed.
    void runOneUntil(steady_clock::time_point until) {
        if (foreign) guarded([&] { until = foreign->prepare(until); });
        keepIoRunning();
        guarded([&] { io.run_one_until(until); });
        if (foreign) guarded([&] { foreign->check(); });
    }

    template <class F>
    void guarded(F&& step) {
        try {
            step();
        } catch (...) {
            report(std::current_exception());
        }
    }

    std::optional<TimePoint> nextTimer() const {
        if (timers.empty()) return std::nullopt;
        return timers.begin()->first.when;
    }

    // Removes the earliest timer entry and runs it with the manual clock moved to its time.
    void fireEarliest() {
        auto it = timers.begin();
        if (kind == ClockKind::Manual) manualNow = std::max(manualNow, it->first.when);
        auto fire = std::move(it->second);
        timers.erase(it);
        try {
            fire();
        } catch (...) {
            report(std::current_exception());
        }
    }

    // A stop asked by one of these timers ends the round: a timer come due while that handler
    // ran (a slow handler, a loaded machine) waits for the next run.
    void fireDue() {
        const bool stoppedBefore = stopRequested;
        while ((stoppedBefore || !stopRequested) && !timers.empty() && timers.begin()->first.when <= now())
            fireEarliest();
    }

    bool waitSteady(const std::function<bool()>& done, std::optional<TimePoint> deadline) {
        for (;;) {
            pollReady();
            fireDue();
            if (done()) return true;
            if (stopRequested) return false;
            if (deadline && now() >= *deadline) return false;
            std::optional<TimePoint> wake = nextTimer();
            if (deadline && (!wake || *deadline < *wake)) wake = deadline;
            runOneUntil(wake ? *wake : steady_clock::now() + hours{24});
        }
    }

    // True while a manual-clock wait should give peers real time to answer: answers are
    // awaited, and the settle time has not yet run out for the newest of them.
    bool settling(steady_clock::time_point settleStart) {
        if (pendingAnswers->count == 0 || pendingAnswers->generation == settledGeneration) return false;
        if (steady_clock::now() - settleStart < settleTimeout) return true;
        settledGeneration = pendingAnswers->generation;  // a peer that never answers holds the clock once
        return false;
    }

    bool waitManual(const std::function<bool()>& done, std::optional<TimePoint> deadline) {
        auto settleStart = steady_clock::now();
        for (;;) {
            pollReady();
            if (done()) return true;
            if (stopRequested) return false;
            if (deadline && manualNow >= *deadline) return false;
            if (settling(settleStart)) {
                runOneUntil(std::min(steady_clock::now() + kRealSlice, settleStart + settleTimeout));
                continue;
            }
            std::optional<TimePoint> timer = nextTimer();
            if (timer && (!deadline || *timer <= *deadline)) {
                fireEarliest();
            } else if (deadline) {
                manualNow = std::max(manualNow, *deadline);
            } else {
                runOneUntil(steady_clock::now() + kRealSlice);  // only sockets can help now
                continue;
            }
            settleStart = steady_clock::now();
        }
    }
};

namespace {

// The language's `Now` reads the current loop's local time, so that the plug-in's dates move
// with the loop's clock (a manual one in tests); without a loop it reads the system clock.
vb::Date loopNow() {
    if (Loop* loop = Loop::tryCurrent()) {
        constexpr double kUnixEpochSerial = 25569.0;  // 1 January 1970
        constexpr double kMsPerDay = 86400000.0;
        auto ms = loop->localNow().time_since_epoch().count();
        return vb::Date{kUnixEpochSerial + static_cast<double>(ms) / kMsPerDay};
    }
    return vb::localDate(std::chrono::system_clock::now());
}

}  // namespace

Loop::Loop(ClockKind clock) : impl_(std::make_unique<Impl>(clock)) {
    static const bool clockInstalled = (vb::setClock(loopNow), true);
    (void)clockInstalled;
    impl_->manualNow = TimePoint{} + hours{24};
    impl_->manualDateSetAt = impl_->manualNow;
    loops().push_back(this);
}

Loop::~Loop() {
    auto& all = loops();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

Loop& Loop::current() {
    if (Loop* loop = tryCurrent()) return *loop;
    throw std::logic_error("forms: no event loop exists");
}

Loop* Loop::tryCurrent() noexcept { return loops().empty() ? nullptr : loops().back(); }

void Loop::post(std::function<void()> task) { asio::post(impl_->io, std::move(task)); }

void Loop::DoEvents() {
    impl_->pollReady();
    if (!isManual()) impl_->fireDue();
}

void Loop::run() {
    impl_->stopRequested = false;
    if (isManual()) {
        while (!impl_->stopRequested) impl_->runOneUntil(steady_clock::now() + hours{24});
    } else {
        impl_->waitSteady([this] { return impl_->stopRequested; }, std::nullopt);
    }
}

void Loop::stop() {
    impl_->stopRequested = true;
    post([] {});  // wakes a blocked run
}

bool Loop::runUntil(const std::function<bool()>& done, milliseconds realTimeout) {
    auto end = steady_clock::now() + realTimeout;
    for (;;) {
        DoEvents();
        if (done()) return true;
        if (impl_->stopRequested) return false;
        auto realNow = steady_clock::now();
        if (realNow >= end) return false;
        auto wake = std::min(end, realNow + kRealSlice);  // `done` may look at things outside the loop
        if (!isManual()) {
            if (auto timer = impl_->nextTimer()) wake = std::min(wake, *timer);
        }
        impl_->runOneUntil(wake);
    }
}

bool Loop::waitUntil(const std::function<bool()>& done, std::optional<TimePoint> deadline) {
    return isManual() ? impl_->waitManual(done, deadline) : impl_->waitSteady(done, deadline);
}

bool Loop::waitFor(const std::function<bool()>& done, milliseconds duration) {
    return waitUntil(done, now() + duration);
}

Loop::ClockKind Loop::clockKind() const noexcept { return impl_->kind; }

Loop::TimePoint Loop::now() const { return impl_->now(); }

void Loop::advance(milliseconds by) {
    if (!isManual()) throw std::logic_error("forms: advance needs a manual clock");
    TimePoint target = impl_->manualNow + by;
    for (;;) {
        impl_->pollReady();
        auto timer = impl_->nextTimer();
        if (!timer || *timer > target) break;
        impl_->fireEarliest();
    }
    impl_->manualNow = std::max(impl_->manualNow, target);
    impl_->pollReady();
}

void Loop::setSettleTimeout(milliseconds realTime) { impl_->settleTimeout = realTime; }

LocalTime Loop::localNow() const {
    if (!isManual()) return systemLocalNow();
    return impl_->manualDate + duration_cast<milliseconds>(impl_->manualNow - impl_->manualDateSetAt);
}

void Loop::setLocalNow(LocalTime at) {
    if (!isManual()) throw std::logic_error("forms: setLocalNow needs a manual clock");
    impl_->manualDate = at;
    impl_->manualDateSetAt = impl_->manualNow;
}

void Loop::setUnhandledErrorHandler(std::function<void(const char*)> handler) {
    impl_->onUnhandled = std::move(handler);
}

void DoEvents() { Loop::current().DoEvents(); }

namespace detail {

asio::io_context& io(Loop& loop) { return loop.impl().io; }

TimerKey schedule(Loop& loop, Loop::TimePoint when, std::function<void()> fire) {
    auto& impl = loop.impl();
    TimerKey key{when, impl.nextSeq++};
    impl.timers.emplace(key, std::move(fire));
    return key;
}

void cancel(Loop& loop, const TimerKey& key) { loop.impl().timers.erase(key); }

PendingAnswer::PendingAnswer(Loop& loop) : answers_(loop.impl().pendingAnswers) {
    ++answers_->count;
    ++answers_->generation;
}

PendingAnswer::~PendingAnswer() { --answers_->count; }

void reportUnhandled(Loop& loop, std::exception_ptr error) { loop.impl().report(error); }

void attachForeign(Loop& loop, std::unique_ptr<ForeignEvents> events) {
    if (!loop.impl().foreign) loop.impl().foreign = std::move(events);
}

bool hasForeign(Loop& loop) { return loop.impl().foreign != nullptr; }

void runModal(Loop& loop, const std::function<bool()>& done) {
    auto& impl = loop.impl();
    for (;;) {
        loop.DoEvents();
        if (done() || impl.stopRequested) return;
        std::optional<Loop::TimePoint> wake;
        if (!loop.isManual()) wake = impl.nextTimer();
        impl.runOneUntil(wake ? *wake : steady_clock::now() + hours{1});
    }
}

}  // namespace detail

}  // namespace forms
