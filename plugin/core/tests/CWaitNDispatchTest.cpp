#include "core/CWaitNDispatch.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

#include "forms/Loop.h"
#include "forms/Timer.h"
#include "vb/Error.h"

using namespace std::chrono_literals;
using forms::Loop;

namespace {

long MsSince(Loop& loop, Loop::TimePoint start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(loop.now() - start).count());
}

}  // namespace

TEST(CWaitNDispatch, WaitOfZeroDoesNothing) {
    Loop loop(Loop::ClockKind::Manual);
    CWaitNDispatch wait;
    int onTimer = 0;
    wait.OnTimer = [&] { ++onTimer; };
    auto start = loop.now();
    wait.Wait(0);
    EXPECT_FALSE(wait.IsWaiting());
    EXPECT_EQ(onTimer, 0);
    EXPECT_EQ(loop.now(), start);
}

TEST(CWaitNDispatch, WaitRunsEventsUntilItsEndAndRaisesOnTimerOnce) {
    Loop loop(Loop::ClockKind::Manual);
    CWaitNDispatch wait;
    auto start = loop.now();
    int onTimer = 0;
    bool waitingInOnTimer = false;
    wait.OnTimer = [&] {
        ++onTimer;
        waitingInOnTimer = wait.IsWaiting();
    };
    std::optional<bool> waitingDuring;
    bool posted = false;
    forms::Timer probe(loop);
    probe.OnTimer = [&] {
        waitingDuring = wait.IsWaiting();
        probe.Enabled(false);
    };
    probe.Interval(500);
    loop.post([&] { posted = true; });

    wait.Wait(1500);
    EXPECT_EQ(MsSince(loop, start), 1500);
    EXPECT_TRUE(posted);
    EXPECT_EQ(waitingDuring, true);
    EXPECT_FALSE(wait.IsWaiting());
    EXPECT_EQ(onTimer, 1);
    EXPECT_TRUE(waitingInOnTimer);
}

TEST(CWaitNDispatch, PowerUpWaitOfSeventyFiveSecondsTakesNoRealTime) {
    Loop loop(Loop::ClockKind::Manual);
    CWaitNDispatch wait;
    auto start = loop.now();
    forms::Timer housekeeping(loop);
    int minutes = 0;
    housekeeping.OnTimer = [&] { ++minutes; };
    housekeeping.Interval(60000);
    auto realStart = std::chrono::steady_clock::now();
    wait.Wait(75000);
    EXPECT_EQ(MsSince(loop, start), 75000);
    EXPECT_EQ(minutes, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - realStart, 30s);  // a guard against a real 75 s wait
}

TEST(CWaitNDispatch, CancelFromAHandlerEndsTheWait) {
    Loop loop(Loop::ClockKind::Manual);
    CWaitNDispatch wait;
    auto start = loop.now();
    forms::Timer canceller(loop);
    canceller.OnTimer = [&] { wait.Cancel(); };
    canceller.Interval(300);
    wait.Wait(10000);
    EXPECT_EQ(MsSince(loop, start), 300);
    EXPECT_FALSE(wait.IsWaiting());
    wait.Cancel();  // harmless afterwards
    canceller.Enabled(false);
    wait.Wait(100);  // and the object waits again
    EXPECT_EQ(MsSince(loop, start), 400);
}

TEST(CWaitNDispatch, SecondWaitOnTheSameObjectIsRefused) {
    Loop loop(Loop::ClockKind::Manual);
    CWaitNDispatch wait;
    auto start = loop.now();
    std::optional<vb::Error> refused;
    forms::Timer intruder(loop);
    intruder.OnTimer = [&] {
        intruder.Enabled(false);
        try {
            wait.Wait(200);
        } catch (const vb::Error& e) {
            refused = e;
        }
        CWaitNDispatch other;  // a new object may wait meanwhile
        other.Wait(200);
    };
    intruder.Interval(100);
    wait.Wait(1500);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->number(), -2147220503);
    EXPECT_EQ(refused->number(), static_cast<int32_t>(0x800403E9u));
    EXPECT_EQ(refused->source(), "CWaitNDispatch");
    EXPECT_EQ(refused->description(),
              "This function is not reentrant. If you want to wait for a second period use a new object");
    EXPECT_EQ(MsSince(loop, start), 1500);  // the first wait was not disturbed
    EXPECT_FALSE(wait.IsWaiting());
}

TEST(CWaitNDispatch, ObjectDestroyedDuringItsWaitEndsIt) {
    Loop loop(Loop::ClockKind::Manual);
    auto wait = std::make_unique<CWaitNDispatch>();
    int onTimer = 0;
    wait->OnTimer = [&] { ++onTimer; };
    auto start = loop.now();
    forms::Timer shutdown(loop);
    shutdown.OnTimer = [&] {
        shutdown.Enabled(false);
        wait.reset();
    };
    shutdown.Interval(250);
    wait->Wait(5000);  // `wait` is gone when this returns
    EXPECT_EQ(MsSince(loop, start), 250);
    EXPECT_EQ(onTimer, 0);
}

TEST(CWaitNDispatch, WaitsInRealTimeOnTheSteadyClock) {
    Loop loop;
    CWaitNDispatch wait;
    auto start = std::chrono::steady_clock::now();
    wait.Wait(20);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 20ms);
}
