#include "forms/Timer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vb/Error.h"

using namespace std::chrono_literals;
using forms::Loop;
using forms::Timer;

namespace {

// Records ticks as "name@ms" with the manual clock's time since the test began.
struct TickLog {
    explicit TickLog(Loop& loop) : loop(loop), start(loop.now()) {}
    Loop& loop;
    Loop::TimePoint start;
    std::vector<std::string> ticks;
    void add(const std::string& name) {
        ticks.push_back(
            name + "@" +
            std::to_string(std::chrono::duration_cast<std::chrono::milliseconds>(loop.now() - start).count()));
    }
};

}  // namespace

TEST(Timer, TicksEveryIntervalWhileEnabledAndNeverWithIntervalZero) {
    Loop loop(Loop::ClockKind::Manual);
    TickLog log{loop};
    Timer timer(loop);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 0);
    timer.OnTimer = [&] { log.add("t"); };
    loop.advance(10s);
    EXPECT_TRUE(log.ticks.empty());

    log.start = loop.now();
    timer.Interval(100);  // enabled with interval 0: setting an interval starts it
    loop.advance(350ms);
    EXPECT_EQ(log.ticks, (std::vector<std::string>{"t@100", "t@200", "t@300"}));

    timer.Enabled(false);
    loop.advance(1s);
    EXPECT_EQ(log.ticks.size(), 3u);
}

TEST(Timer, ChangingIntervalOrEnabledRestartsTheCount) {
    Loop loop(Loop::ClockKind::Manual);
    TickLog log{loop};
    Timer timer(loop);
    timer.OnTimer = [&] { log.add("t"); };
    timer.Interval(100);
    loop.advance(60ms);
    timer.Interval(100);  // same value: still a restart
    loop.advance(60ms);
    timer.Enabled(true);
    loop.advance(60ms);
    EXPECT_TRUE(log.ticks.empty());
    loop.advance(40ms);
    EXPECT_EQ(log.ticks, (std::vector<std::string>{"t@220"}));
}

TEST(Timer, IntervalOutsideTheControlsRangeIsRefused) {
    Loop loop(Loop::ClockKind::Manual);
    Timer timer(loop);
    timer.Interval(65535);
    for (int32_t bad : {65536, -1, 100000}) {
        try {
            timer.Interval(bad);
            FAIL() << bad;
        } catch (const vb::Error& e) {
            EXPECT_EQ(e.number(), 380);
            EXPECT_EQ(e.description(), "Invalid property value");
        }
    }
    EXPECT_EQ(timer.Interval(), 65535);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    loop.advance(65535ms);
    EXPECT_EQ(ticks, 1);
}

TEST(Timer, HandlerMayDisableReArmOrDestroyItsOwnTimer) {
    Loop loop(Loop::ClockKind::Manual);
    TickLog log{loop};

    Timer once(loop);
    once.Interval(100);
    once.OnTimer = [&] {
        log.add("once");
        once.Enabled(false);
    };

    Timer rearmed(loop);
    rearmed.Interval(250);
    rearmed.OnTimer = [&] {
        log.add("rearmed");
        rearmed.Interval(30);  // the re-armed timer falls due again within the same advance
    };

    auto doomed = std::make_unique<Timer>(loop);
    doomed->Interval(120);
    doomed->OnTimer = [&] {
        log.add("doomed");
        doomed.reset();
    };

    loop.advance(320ms);
    EXPECT_EQ(log.ticks,
              (std::vector<std::string>{"once@100", "doomed@120", "rearmed@250", "rearmed@280", "rearmed@310"}));
    EXPECT_EQ(doomed, nullptr);
}

TEST(Timer, SimultaneousTimersFireInTheOrderTheyWereArmed) {
    Loop loop(Loop::ClockKind::Manual);
    TickLog log{loop};
    Timer b(loop), a(loop), c(loop);
    a.OnTimer = [&] { log.add("a"); };
    b.OnTimer = [&] { log.add("b"); };
    c.OnTimer = [&] { log.add("c"); };
    a.Interval(100);
    b.Interval(100);
    c.Interval(50);
    loop.advance(100ms);
    EXPECT_EQ(log.ticks, (std::vector<std::string>{"c@50", "a@100", "b@100", "c@100"}));
}

TEST(Timer, ADestroyedTimerNeverTicks) {
    Loop loop(Loop::ClockKind::Manual);
    int ticks = 0;
    {
        Timer timer(loop);
        timer.OnTimer = [&] { ++ticks; };
        timer.Interval(10);
    }
    loop.advance(1s);
    EXPECT_EQ(ticks, 0);

    // Destroyed by another handler that runs at the same moment, before its own tick.
    auto second = std::make_unique<Timer>(loop);
    Timer first(loop);
    first.OnTimer = [&] { second.reset(); };
    first.Interval(10);
    second->OnTimer = [&] { ++ticks; };
    second->Interval(10);
    loop.advance(10ms);
    EXPECT_EQ(ticks, 0);
}

TEST(Timer, TicksOnTheSteadyClock) {
    Loop loop;
    Timer timer(loop);
    int ticks = 0;
    timer.OnTimer = [&] { ++ticks; };
    timer.Interval(2);
    EXPECT_TRUE(loop.runUntil([&] { return ticks >= 3; }, 30s));
}
