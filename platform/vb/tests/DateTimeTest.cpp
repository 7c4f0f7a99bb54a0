#include <gtest/gtest.h>

#include "Support.h"
#include "vb/DateTime.h"
#include "vb/Format.h"

using vb::Date;
using vb::DateSerial;
using vbtest::errorOf;

namespace {

std::string text(Date d) { return vb::CStr(vb::Variant(d)); }

Date at(int y, int m, int d, int h = 0, int n = 0, int s = 0) { return vb::dateOf({y, m, d, h, n, s}); }

// Tests run on a fixed clock.
class DateTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        vb::setClock([this] { return now; });
    }
    void TearDown() override { vb::setClock(nullptr); }
    Date now = at(2026, 12, 8, 15, 4, 5);
};

}  // namespace

TEST_F(DateTimeTest, NowComesFromTheInstalledClock) {
    EXPECT_EQ(text(vb::Now()), "12/8/2026 3:04:05 PM");
    EXPECT_EQ(text(vb::Today()), "12/8/2026");
    EXPECT_EQ(text(vb::Time()), "3:04:05 PM");
    EXPECT_FLOAT_EQ(vb::Timer(), 15 * 3600 + 4 * 60 + 5);
    now = Date{now.serial + 0.5 / 86400};  // half a second later: Now stays on the second
    EXPECT_EQ(text(vb::Now()), "12/8/2026 3:04:05 PM");
    EXPECT_NEAR(vb::Timer(), 54245.5f, 0.01);
}

TEST_F(DateTimeTest, SystemClockIsTheDefault) {
    vb::setClock(nullptr);
    // Read between two readings of the system clock, so that a busy machine cannot part them.
    const Date before = vb::localDate(std::chrono::system_clock::now());
    const Date now = vb::Now();
    const Date after = vb::localDate(std::chrono::system_clock::now());
    EXPECT_GE(now.serial, before.serial - 1.0 / 86400);  // Now stays on the second
    EXPECT_LE(now.serial, after.serial + 1.0 / 86400);
}

TEST_F(DateTimeTest, PartsAndSerials) {
    Date d = at(2026, 12, 8, 15, 4, 5);
    EXPECT_EQ(vb::Year(d), 2026);
    EXPECT_EQ(vb::Month(d), 12);
    EXPECT_EQ(vb::Day(d), 8);
    EXPECT_EQ(vb::Hour(d), 15);
    EXPECT_EQ(vb::Minute(d), 4);
    EXPECT_EQ(vb::Second(d), 5);
    EXPECT_EQ(vb::Weekday(d), 3);  // Tuesday
    EXPECT_EQ(vb::Weekday(d, 2), 2);
    EXPECT_EQ(vb::WeekdayName(3), "Tuesday");
    EXPECT_EQ(vb::WeekdayName(1, true, 2), "Mon");
    EXPECT_EQ(vb::MonthName(2), "February");
    EXPECT_EQ(vb::MonthName(9, true), "Sep");
    EXPECT_DOUBLE_EQ(DateSerial(1899, 12, 30).serial, 0);
    EXPECT_DOUBLE_EQ(DateSerial(1900, 1, 1).serial, 2);
    EXPECT_EQ(text(DateSerial(2024, 3, 0)), "2/29/2024");
    EXPECT_EQ(text(DateSerial(2024, 13, 1)), "1/1/2025");
    EXPECT_EQ(text(DateSerial(2024, 0, 1)), "12/1/2023");
    EXPECT_EQ(text(DateSerial(99, 1, 1)), "1/1/1999");
    EXPECT_EQ(text(DateSerial(5, 1, 1)), "1/1/2005");
    EXPECT_EQ(text(vb::TimeSerial(25, 0, 0)), "12/31/1899 1:00:00 AM");
    EXPECT_EQ(text(vb::TimeSerial(0, 90, 30)), "1:30:30 AM");
    EXPECT_EQ(text(Date{-1.25}), "12/29/1899 6:00:00 AM");
    EXPECT_EQ(vb::Hour(Date{-1.25}), 6);
    EXPECT_EQ(errorOf([] { DateSerial(10000, 1, 1); }), 5);
    EXPECT_EQ(errorOf([] { vb::WeekdayName(8); }), 5);
    EXPECT_EQ(text(vb::DateValue("12/8/2026 3:04 PM")), "12/8/2026");
    EXPECT_EQ(text(vb::TimeValue("12/8/2026 3:04 PM")), "3:04:00 PM");
}

TEST_F(DateTimeTest, DateAddAcrossMonthEndsAndLeapYears) {
    struct Case {
        const char* interval;
        double number;
        Date from;
        const char* expected;
    };
    const Case cases[] = {
        {"m", 1, at(2024, 1, 31), "2/29/2024"},
        {"m", 1, at(2023, 1, 31), "2/28/2023"},
        {"m", -1, at(2024, 3, 31), "2/29/2024"},
        {"yyyy", 1, at(2024, 2, 29), "2/28/2025"},
        {"q", 1, at(2024, 11, 30), "2/28/2025"},
        {"d", 1, at(2024, 2, 28), "2/29/2024"},
        {"y", 2, at(2024, 2, 28), "3/1/2024"},
        {"w", 1, at(2024, 12, 31), "1/1/2025"},
        {"ww", 2, at(2024, 12, 25), "1/8/2025"},
        {"h", 25, at(2024, 12, 31, 0), "1/1/2025 1:00:00 AM"},
        {"n", -1, at(2025, 1, 1), "12/31/2024 11:59:00 PM"},
        {"s", 90, at(2025, 1, 1, 23, 59), "1/2/2025 12:00:30 AM"},
        {"D", 1.9, at(2025, 1, 1), "1/3/2025"},
        {"d", 2.5, at(2025, 1, 1), "1/3/2025"},
    };
    for (const Case& c : cases) EXPECT_EQ(text(vb::DateAdd(c.interval, c.number, c.from)), c.expected) << c.interval;
    EXPECT_EQ(errorOf([] { vb::DateAdd("x", 1, Date{0}); }), 5);
    EXPECT_EQ(errorOf([] { vb::DateAdd("yyyy", 9000, Date{0}); }), 5);
}

TEST_F(DateTimeTest, DateDiffCountsBoundaries) {
    struct Case {
        const char* interval;
        Date a, b;
        int32_t expected;
    };
    const Case cases[] = {
        {"yyyy", at(2024, 12, 31), at(2025, 1, 1), 1},
        {"m", at(2024, 1, 31), at(2024, 2, 1), 1},
        {"m", at(2024, 3, 1), at(2024, 1, 31), -2},
        {"q", at(2024, 3, 31), at(2024, 4, 1), 1},
        {"d", at(2024, 2, 28, 23), at(2024, 3, 1, 1), 2},
        {"y", at(2024, 1, 1), at(2025, 1, 1), 366},
        {"w", at(2024, 1, 1), at(2024, 1, 14), 1},
        {"w", at(2024, 1, 1), at(2024, 1, 15), 2},
        {"ww", at(2024, 1, 6), at(2024, 1, 7), 1},  // Saturday to Sunday
        {"ww", at(2024, 1, 7), at(2024, 1, 13), 0},
        {"h", at(2024, 1, 1, 10, 59), at(2024, 1, 1, 11, 0), 1},
        {"n", at(2024, 1, 1, 10, 0, 59), at(2024, 1, 1, 10, 6, 0), 6},
        {"n", at(2024, 1, 1, 10, 0, 59), at(2024, 1, 1, 10, 5, 59), 5},
        {"s", at(2024, 1, 1), at(2024, 1, 2), 86400},
        {"n", Date{-1.25}, Date{0}, 18 * 60},
    };
    for (const Case& c : cases) EXPECT_EQ(vb::DateDiff(c.interval, c.a, c.b), c.expected) << c.interval;
    EXPECT_EQ(vb::DateDiff("ww", at(2024, 1, 7), at(2024, 1, 8), 2), 1);  // weeks from Monday
    EXPECT_EQ(vb::DatePart("y", at(2024, 12, 31)), 366);
    EXPECT_EQ(vb::DatePart("q", at(2024, 8, 1)), 3);
    EXPECT_EQ(vb::DatePart("ww", at(2024, 1, 7)), 2);
}

TEST_F(DateTimeTest, NamedAndPatternFormatsInUsEnglish) {
    Date d = at(2026, 12, 8, 15, 4, 5);
    vb::Variant v(d);
    struct Case {
        const char* format;
        const char* expected;
    };
    const Case cases[] = {
        {"General Date", "12/8/2026 3:04:05 PM"},
        {"Long Date", "Tuesday, December 08, 2026"},
        {"Medium Date", "08-Dec-26"},
        {"Short Date", "12/8/2026"},
        {"Long Time", "3:04:05 PM"},
        {"Medium Time", "03:04 PM"},
        {"Short Time", "15:04"},
        {"dddd h:mm AMPM", "Tuesday 3:04 PM"},
        {"hh:mm:ss", "15:04:05"},
        {"h:mm:ss AMPM", "3:04:05 PM"},
        {"yyyy-mm-dd", "2026-12-08"},
        {"mm/dd/yy", "12/08/26"},
        {"mmm d, yyyy", "Dec 8, 2026"},
        {"ddd mmmm", "Tue December"},
        {"hh:nn a/p", "03:04 p"},
        {"h \"o'clock\"", "15 o'clock"},
        {"\\d d", "d 8"},
        {"q", "4"},
        {"ddddd", "12/8/2026"},
        {"ttttt", "3:04:05 PM"},
    };
    for (const Case& c : cases) EXPECT_EQ(vb::Format(v, c.format), c.expected) << c.format;
    EXPECT_EQ(vb::FormatDateTime(d, vb::vbLongDate), "Tuesday, December 08, 2026");
    EXPECT_EQ(vb::FormatDateTime(d, vb::vbShortDate), "12/8/2026");
    EXPECT_EQ(vb::FormatDateTime(d, vb::vbLongTime), "3:04:05 PM");
    EXPECT_EQ(vb::FormatDateTime(d, vb::vbShortTime), "15:04");
    EXPECT_EQ(vb::FormatDateTime(at(2026, 12, 8)), "12/8/2026");
    EXPECT_EQ(vb::FormatDateTime(Date{0.0}), "12:00:00 AM");
    EXPECT_EQ(vb::FormatDateTime(at(1899, 12, 30, 0, 0, 1)), "12:00:01 AM");
    EXPECT_EQ(vb::FormatDateTime(at(2026, 1, 1, 12, 0, 0)), "1/1/2026 12:00:00 PM");
    EXPECT_EQ(vb::Format("12/8/2026", "Long Date"), "Tuesday, December 08, 2026");
    EXPECT_EQ(vb::Format(vb::Variant::null(), "Long Date"), "");
}

TEST(Format, NumbersAndNamedNumberFormats) {
    struct Case {
        vb::Variant v;
        const char* format;
        const char* expected;
    };
    const Case cases[] = {
        {1234.5, "Standard", "1,234.50"},
        {1234.5, "Fixed", "1234.50"},
        {1234.5, "Currency", "$1,234.50"},
        {-1234.5, "Currency", "($1,234.50)"},
        {0.125, "Percent", "12.50%"},
        {1234.5, "Scientific", "1.23E+03"},
        {1234.5, "General Number", "1234.5"},
        {0, "Yes/No", "No"},
        {3, "On/Off", "On"},
        {2.5, "0", "3"},
        {0.125, "0.00", "0.13"},
        {2.675, "0.00", "2.68"},
        {1234567, "#,##0", "1,234,567"},
        {5, "#.##", "5."},
        {0.5, "0.0%", "50.0%"},
        {7, "000", "007"},
        {-7, "0;(0)", "(7)"},
        {0, "0;(0);\"zero\"", "zero"},
        {-2.5, "0.0", "-2.5"},
        {42, "", "42"},
        {"abc", "0.00", "abc"},
    };
    for (const Case& c : cases) EXPECT_EQ(vb::Format(c.v, c.format), c.expected) << c.format;
    EXPECT_EQ(vb::FormatNumber(1234.567), "1,234.57");
    EXPECT_EQ(vb::FormatNumber(0.5, 0), "1");
    EXPECT_EQ(vb::FormatNumber(-0.25, 1, vb::vbFalse), "-.3");
    EXPECT_EQ(vb::FormatNumber(-1, 2, vb::vbUseDefault, vb::vbTrue), "(1.00)");
    EXPECT_EQ(vb::FormatNumber(1234, 0, vb::vbUseDefault, vb::vbUseDefault, vb::vbFalse), "1234");
    EXPECT_EQ(vb::FormatPercent(0.5), "50.00%");
    EXPECT_EQ(vb::FormatCurrency(3), "$3.00");
    EXPECT_EQ(errorOf([] { vb::FormatNumber("x"); }), 13);
}
