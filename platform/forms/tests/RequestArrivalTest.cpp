// How a request arrives, on a clock the test sets: heads and bodies framed, who gives way to a
// newcomer, and the time limits of heads, requests and bodies.

#include "forms/RequestArrival.h"

#include <gtest/gtest.h>

namespace forms {
namespace {

using namespace std::chrono_literals;
using TimePoint = RequestArrival::TimePoint;

const TimePoint kStart{std::chrono::hours(1)};
const ArrivalRules kRules{};  // heads up to 16 KiB, bodies up to 1 MiB

RequestArrival OpenedAt(TimePoint at) {
    RequestArrival arrival;
    arrival.Open(kRules, at);
    return arrival;
}

TEST(RequestArrival, HeadsEndWithCrLfOrBareLineFeedsAndABodyOfItsToldLength) {
    RequestArrival a = OpenedAt(kStart);
    EXPECT_TRUE(a.Arrived("GET / HT", kStart));  // the first text
    EXPECT_FALSE(a.Arrived("TP/1.0\nHost: h\n", kStart));
    EXPECT_FALSE(a.HeadWhole());
    EXPECT_TRUE(a.Arrived("\n", kStart));
    EXPECT_TRUE(a.HeadWhole());
    EXPECT_TRUE(a.Whole());

    RequestArrival post = OpenedAt(kStart);
    post.Arrived("POST /f HTTP/1.1\r\nContent-Length: 5\r", kStart);
    EXPECT_TRUE(post.Arrived("\n\r\nab", kStart));
    EXPECT_TRUE(post.HeadWhole());
    EXPECT_FALSE(post.Whole());
    EXPECT_FALSE(post.Arrived("c", kStart));
    EXPECT_TRUE(post.Arrived("de", kStart));
    EXPECT_TRUE(post.Whole());

    // A head the framing refuses is taken as ended: nothing more is awaited of it.
    RequestArrival bad = OpenedAt(kStart);
    bad.Arrived("POST / HTTP/1.0\r\nContent-Length: x\r\n\r\n", kStart);
    EXPECT_TRUE(bad.Whole());
    RequestArrival endless = OpenedAt(kStart);
    endless.Arrived("GET /" + std::string(17000, 'a'), kStart);
    EXPECT_TRUE(endless.Whole());

    EXPECT_EQ(WithCrLfHead("GET / HTTP/1.0\nA: b\n\nx\ny"), "GET / HTTP/1.0\r\nA: b\r\n\r\nx\ny");
    EXPECT_EQ(FrameRequest("GET / HTTP/1.0\n\n", 10, 10).kind, RequestFrame::Refused);
    EXPECT_EQ(FrameRequest("POST / HTTP/1.0\nContent-Length: 11\n\n", 100, 10).status, 413);
}

TEST(RequestArrival, TheSlowestToArriveGivesWayAndSilentOnesOnlyAfterTheirFirstSecond) {
    RequestArrival silent = OpenedAt(kStart);
    RequestArrival slowHead = OpenedAt(kStart + 100ms);
    RequestArrival slowBody = OpenedAt(kStart + 200ms);
    RequestArrival whole = OpenedAt(kStart + 300ms);
    RequestArrival taken = OpenedAt(kStart + 300ms);
    slowBody.Arrived("POST /f HTTP/1.0\r\nContent-Length: 100000\r\n\r\n", kStart + 200ms);
    whole.Arrived("GET / HTTP/1.0\r\n\r\n", kStart + 300ms);
    taken.Arrived("GET / HT", kStart + 300ms);
    taken.Taken();
    for (int s = 0; s < 5; ++s) {
        slowHead.Arrived("G", kStart + 100ms + std::chrono::seconds(s));
        slowBody.Arrived("b", kStart + 200ms + std::chrono::seconds(s));
    }
    const std::vector<const RequestArrival*> all{&silent, &slowHead, nullptr, &slowBody, &whole, &taken};

    // The silent one is passed over for its first second, then gives way first (nothing a second).
    EXPECT_FALSE(silent.MayGiveWay(kStart + 999ms));
    EXPECT_EQ(SlowestToArrive(all, kStart + 999ms), 1);
    EXPECT_EQ(SlowestToArrive(all, kStart + 1s), 0);
    // Then the head at a byte a second, then the body whose head came at once; whole and taken
    // requests never give way.
    EXPECT_EQ(SlowestToArrive({nullptr, &slowHead, &slowBody, &whole}, kStart + 5s), 1);
    EXPECT_EQ(SlowestToArrive({&slowBody, &whole, &taken}, kStart + 5s), 0);
    EXPECT_EQ(SlowestToArrive({&whole, &taken}, kStart + 5s), -1);
    EXPECT_FALSE(whole.MayGiveWay(kStart + 60s));
    EXPECT_FALSE(taken.MayGiveWay(kStart + 60s));

    // Of equals, the one open longest.
    RequestArrival older = OpenedAt(kStart);
    RequestArrival newer = OpenedAt(kStart + 10ms);
    older.Arrived("GET", kStart + 20ms);
    newer.Arrived("GET", kStart + 20ms);
    EXPECT_EQ(SlowestToArrive({&newer, &older}, kStart + 30ms), 1);
}

TEST(RequestArrival, AHeadHasTenSecondsARequestThirtyAndABodyALeastRate) {
    // A head, however it trickles, is overdue at 10 s.
    RequestArrival head = OpenedAt(kStart);
    for (int s = 0; s < 10; ++s) head.Arrived("X", kStart + std::chrono::seconds(s));
    EXPECT_EQ(head.Overdue(kStart + 9999ms), "");
    EXPECT_EQ(head.Overdue(kStart + 10s), "no whole request head within 10 s");
    EXPECT_EQ(OpenedAt(kStart).Overdue(kStart + 10s), "no whole request head within 10 s");

    // A body at a byte a second is overdue once its first 2 s have passed and it lags 1 KiB a
    // second behind (about a second later), long before the request's 30 s.
    RequestArrival slowBody = OpenedAt(kStart);
    slowBody.Arrived("POST /f HTTP/1.0\r\nContent-Length: 100000\r\n\r\n", kStart);
    EXPECT_EQ(slowBody.Overdue(kStart + 2s), "");
    slowBody.Arrived("b", kStart + 2s);
    slowBody.Arrived("b", kStart + 2s + 900ms);
    EXPECT_EQ(slowBody.Overdue(kStart + 2s + 1ms), "");
    EXPECT_EQ(slowBody.Overdue(kStart + 3s), "body slower than 1024 bytes a second");

    // A body that keeps the rate has the request's 30 s.
    RequestArrival steady = OpenedAt(kStart);
    steady.Arrived("POST /f HTTP/1.0\r\nContent-Length: 100000\r\n\r\n", kStart);
    for (int s = 1; s < 30; ++s) {
        steady.Arrived(std::string(1100, 'b'), kStart + std::chrono::seconds(s));
        EXPECT_EQ(steady.Overdue(kStart + std::chrono::seconds(s) + 999ms), "") << s;
    }
    EXPECT_EQ(steady.Overdue(kStart + 30s), "no whole request within 30 s");

    // A whole request, or one taken to be answered, is never overdue here.
    RequestArrival whole = OpenedAt(kStart);
    whole.Arrived("GET / HTTP/1.0\r\n\r\n", kStart);
    EXPECT_EQ(whole.Overdue(kStart + 1h), "");
    RequestArrival taken = OpenedAt(kStart);
    taken.Taken();
    EXPECT_EQ(taken.Overdue(kStart + 1h), "");
}

}  // namespace
}  // namespace forms
