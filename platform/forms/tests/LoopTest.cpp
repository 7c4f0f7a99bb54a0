#include "forms/Loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "forms/Timer.h"
#include "forms/detail/LoopInternals.h"

using namespace std::chrono_literals;
using forms::Loop;

TEST(Loop, PostedTasksRunInOrderAndDoEventsReenters) {
    Loop loop(Loop::ClockKind::Manual);
    std::vector<std::string> ran;
    loop.post([&] {
        ran.push_back("a");
        loop.post([&] { ran.push_back("c"); });
        forms::DoEvents();  // a handler lets the loop run, as the plug-in's waits do
        ran.push_back("a-end");
    });
    loop.post([&] { ran.push_back("b"); });
    loop.DoEvents();
    EXPECT_EQ(ran, (std::vector<std::string>{"a", "b", "c", "a-end"}));
    loop.DoEvents();
    EXPECT_EQ(ran.size(), 4u);
}

TEST(Loop, CurrentLoopIsTheNewestAndFallsBack) {
    EXPECT_EQ(Loop::tryCurrent(), nullptr);
    EXPECT_THROW(Loop::current(), std::logic_error);
    Loop outer(Loop::ClockKind::Manual);
    {
        Loop inner(Loop::ClockKind::Manual);
        EXPECT_EQ(&Loop::current(), &inner);
    }
    EXPECT_EQ(&Loop::current(), &outer);
}

TEST(Loop, AnErrorInAHandlerIsReportedAndTheLoopGoesOn) {
    Loop loop(Loop::ClockKind::Manual);
    std::vector<std::string> reported;
    loop.setUnhandledErrorHandler([&](const char* what) { reported.push_back(what); });
    bool after = false;
    loop.post([] { throw std::runtime_error("broken handler"); });
    loop.post([&] { after = true; });
    loop.DoEvents();
    EXPECT_EQ(reported, (std::vector<std::string>{"broken handler"}));
    EXPECT_TRUE(after);
}

TEST(Loop, ManualClockMovesOnlyWithAdvanceAndCarriesTheDate) {
    Loop loop(Loop::ClockKind::Manual);
    EXPECT_THROW(Loop(Loop::ClockKind::Steady).advance(1ms), std::logic_error);
    auto start = loop.now();
    EXPECT_EQ(loop.localNow(), forms::LocalTime{std::chrono::local_days{std::chrono::year{2001} / 1 / 1}});
    loop.DoEvents();
    EXPECT_EQ(loop.now(), start);

    using namespace std::chrono;
    forms::LocalTime date = local_days{year{2024} / March / 31} + 23h + 59min + 30s;
    loop.setLocalNow(date);
    loop.advance(45s);
    EXPECT_EQ(loop.now() - start, 45s);
    EXPECT_EQ(loop.localNow(), local_days{year{2024} / April / 1} + 15s);
}

TEST(Loop, SteadyClockDateIsTheSystemsLocalTime) {
    Loop loop;
    using namespace std::chrono;
    std::time_t t = system_clock::to_time_t(system_clock::now());
    std::tm tm{};
    localtime_r(&t, &tm);
    auto now = loop.localNow();
    year_month_day day{floor<days>(now)};
    auto minutesOfDay = duration_cast<minutes>(now - floor<days>(now)).count();
    EXPECT_EQ(int(day.year()), tm.tm_year + 1900);
    EXPECT_NEAR(double(minutesOfDay), double(tm.tm_hour * 60 + tm.tm_min), 1.0);
    EXPECT_THROW(loop.setLocalNow(now), std::logic_error);
}

TEST(Loop, WaitUnderManualClockJumpsToTimersAndDeadline) {
    Loop loop(Loop::ClockKind::Manual);
    forms::Timer minute(loop);
    std::vector<long> ticks;
    auto start = loop.now();
    minute.OnTimer = [&] {
        ticks.push_back(std::chrono::duration_cast<std::chrono::seconds>(loop.now() - start).count());
    };
    minute.Interval(60000);
    EXPECT_FALSE(loop.waitFor([] { return false; }, 75s));
    EXPECT_EQ(loop.now() - start, 75s);
    EXPECT_EQ(ticks, (std::vector<long>{60}));

    bool done = false;
    forms::Timer once(loop);
    once.Interval(2000);
    once.OnTimer = [&] { done = true; };
    EXPECT_TRUE(loop.waitUntil([&] { return done; }));
    EXPECT_EQ(loop.now() - start, 77s);

    // A tick that waits past the end of the advance that fired it leaves the clock there.
    once.OnTimer = [&] {
        once.Enabled(false);  // else its own ticks would re-enter this wait
        loop.waitFor([] { return false; }, 5s);
    };
    once.Interval(500);
    minute.Enabled(false);
    loop.advance(1s);
    EXPECT_EQ(loop.now() - start, 77s + 5500ms);
}

TEST(Loop, ManualWaitLetsPendingAnswersArriveBeforeTheClockMoves) {
    Loop loop(Loop::ClockKind::Manual);
    auto pending = std::make_unique<forms::detail::PendingAnswer>(loop);
    bool answered = false;
    bool timerFirst = false;
    forms::Timer timeout(loop);
    timeout.OnTimer = [&] { timerFirst = !answered; };
    timeout.Interval(100);
    std::thread peer([&] {
        std::this_thread::sleep_for(5ms);
        loop.post([&] {
            answered = true;
            pending.reset();
        });
    });
    loop.waitFor([] { return false; }, 150ms);
    peer.join();
    EXPECT_TRUE(answered);
    EXPECT_FALSE(timerFirst);

    // A peer that never answers holds the clock only once, for the settle time.
    timeout.Enabled(true);
    loop.setSettleTimeout(10ms);
    forms::detail::PendingAnswer never(loop);
    auto before = loop.now();
    auto realStart = std::chrono::steady_clock::now();
    EXPECT_FALSE(loop.waitFor([] { return false; }, 75s));
    EXPECT_EQ(loop.now() - before, 75s);
    EXPECT_LT(std::chrono::steady_clock::now() - realStart, 30s);  // a guard: 750 ticks, one settle, not 75 s
}

TEST(Loop, RunUntilWaitsForEventsInRealTimeWithoutMovingAManualClock) {
    Loop loop(Loop::ClockKind::Manual);
    auto start = loop.now();
    std::atomic<bool> arrived = false;
    std::thread peer([&] { loop.post([&] { arrived = true; }); });
    EXPECT_TRUE(loop.runUntil([&] { return arrived.load(); }, 30s));
    peer.join();
    EXPECT_FALSE(loop.runUntil([] { return false; }, 10ms));
    EXPECT_EQ(loop.now(), start);
}

TEST(Loop, RunEndsAtStop) {
    Loop loop;
    forms::Timer timer(loop);
    int ticks = 0;
    // The third tick is slow, as on a loaded machine: the next one is due before it returns.
    timer.OnTimer = [&] {
        if (++ticks == 3) {
            loop.stop();
            std::this_thread::sleep_for(5ms);
        }
    };
    timer.Interval(1);
    loop.run();
    EXPECT_EQ(ticks, 3);
}

// A handler that waits (pumping) again and again while work it started completes at once, as
// a host script's wait inside a queued statement does: the loop keeps serving every source
// afterwards, and a task posted from another thread still runs.
TEST(Loop, NestedPumpingWaitsKeepEverySourceServed) {
    Loop loop;
    int ran = 0;
    bool outerDone = false;
    forms::Timer timer(loop);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    timer.Interval(1);
    loop.post([&] {
        for (int round = 0; round < 8; ++round) {
            loop.post([&] { ++ran; });
            loop.waitFor([] { return false; }, 2ms);
        }
        outerDone = true;
    });
    EXPECT_TRUE(loop.runUntil([&] { return outerDone; }, 30s));
    EXPECT_EQ(ran, 8);
    std::atomic<bool> fromThread = false;
    std::thread peer([&] { loop.post([&] { fromThread = true; }); });
    EXPECT_TRUE(loop.runUntil([&] { return fromThread.load(); }, 30s));
    peer.join();
    const int before = ticks;
    EXPECT_TRUE(loop.runUntil([&] { return ticks > before + 2; }, 30s));
}

// A stop ends every pumping wait under way, however deep, so that a stopped program ends
// at once; a later run starts afresh.
TEST(Loop, StopEndsNestedWaits) {
    for (auto clock : {Loop::ClockKind::Steady, Loop::ClockKind::Manual}) {
        Loop loop(clock);
        // Only a wait the stop did not end runs into this.
        auto giveUp = std::chrono::steady_clock::now() + 20s;
        auto late = [&] { return std::chrono::steady_clock::now() > giveUp; };
        std::vector<std::string> ended;
        loop.post([&] {
            loop.post([&] {
                loop.post([&] {
                    loop.post([&] { loop.stop(); });
                    loop.waitUntil(late);
                    ended.push_back("inner");
                });
                loop.waitUntil(late);
                ended.push_back("middle");
            });
            loop.runUntil(late, 30s);
            ended.push_back("outer");
        });
        loop.run();
        EXPECT_FALSE(late());
        EXPECT_EQ(ended, (std::vector<std::string>{"inner", "middle", "outer"}));
        // The next run serves again until its own stop.
        bool served = false;
        loop.post([&] {
            served = true;
            loop.stop();
        });
        loop.run();
        EXPECT_TRUE(served);
    }
}
