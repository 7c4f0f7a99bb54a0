#include "forms/LogRate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::chrono_literals;
using forms::LogRate;

namespace {

constexpr const char* kCounted = " more were dropped unlogged";

// Lines written through Log at times given from a fixed start, as a manual clock would give them.
struct Written {
    LogRate rate;
    LogRate::TimePoint start{};
    std::vector<std::string> lines;
    bool Log(std::chrono::milliseconds at, const std::string& line) {
        return rate.Log(start + at, line, kCounted, [&](const std::string& l) { lines.push_back(l); });
    }
};

}  // namespace

TEST(LogRate, FiveAMinuteFromTheWindowsFirstLineTheRestCountedAndToldBeforeTheNextWindow) {
    Written w;  // the default rule: five lines a minute
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(w.Log(std::chrono::seconds(i), "bad " + std::to_string(i)));
    EXPECT_FALSE(w.Log(5s, "bad 5"));
    EXPECT_FALSE(w.Log(30s, "bad 6"));
    EXPECT_FALSE(w.Log(59999ms, "bad 7"));  // the window opened at 0 s still holds
    EXPECT_TRUE(w.Log(60s, "bad 8"));       // a minute after the window's first line: a new one
    EXPECT_TRUE(w.Log(61s, "bad 9"));
    EXPECT_EQ(w.lines, (std::vector<std::string>{"bad 0", "bad 1", "bad 2", "bad 3",
                                                 "bad 4; more within a minute are only counted",
                                                 "3 more were dropped unlogged", "bad 8", "bad 9"}));

    // The window is fixed at its first line, not sliding: 119 s is the third line of the window that
    // opened at 60 s; at 120 s a new one opens, and with nothing held back no count is told.
    w.lines.clear();
    EXPECT_TRUE(w.Log(119s, "bad 10"));
    EXPECT_TRUE(w.Log(120s, "bad 11"));
    EXPECT_EQ(w.lines, (std::vector<std::string>{"bad 10", "bad 11"}));
}

TEST(LogRate, OneEveryTenSecondsTheFirstAtOnceWithTheOwnerTellingTheHeldBackAtTheWindowsEnd) {
    const LogRate::TimePoint t0{};
    LogRate rate(1, 10s);

    // The first line at once; as its window's only line it is also the last.
    LogRate::Turn turn = rate.Next(t0 + 100s);
    EXPECT_TRUE(turn.log);
    EXPECT_TRUE(turn.last);
    EXPECT_EQ(turn.unloggedBefore, 0);
    EXPECT_EQ(rate.WindowEnd(), t0 + 110s);

    // Held back until 110 s.
    EXPECT_FALSE(rate.Next(t0 + 103s).log);
    EXPECT_FALSE(rate.Next(t0 + 109999ms).log);
    EXPECT_EQ(rate.WindowEnd(), t0 + 110s);

    // The owner tells both held back at 110 s (its timer) and the next window opens there: 115 s
    // is held back, its end is 120 s.
    rate.Restart(t0 + 110s);
    EXPECT_EQ(rate.WindowEnd(), t0 + 120s);
    EXPECT_FALSE(rate.Next(t0 + 115s).log);
    EXPECT_EQ(rate.WindowEnd(), t0 + 120s);

    // An owner that does not tell them: the next line after the window says how many were held.
    turn = rate.Next(t0 + 121s);
    EXPECT_TRUE(turn.log);
    EXPECT_EQ(turn.unloggedBefore, 1);
    EXPECT_EQ(rate.WindowEnd(), t0 + 131s);

    // A flush out of turn, inside a window, opens a new one at once.
    rate.Restart(t0 + 125s);
    EXPECT_FALSE(rate.Next(t0 + 134s).log);
    turn = rate.Next(t0 + 135s);
    EXPECT_TRUE(turn.log);
    EXPECT_EQ(turn.unloggedBefore, 1);
}
