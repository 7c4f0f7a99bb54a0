#pragma once
// The language's date functions, in fixed US English (names, month-day-year order).
//
// `Now` reads a replaceable clock: the event loop installs its own with setClock() so that
// the plug-in's logic runs on the loop's time, and tests install fixed dates.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "vb/Date.h"
#include "vb/Variant.h"

namespace vb {

// The source of the current local date and time; an empty function restores the system clock.
using Clock = std::function<Date()>;
void setClock(Clock clock);
// The local date and time of a moment of the system clock (what the default clock answers).
Date localDate(std::chrono::system_clock::time_point t);

Date Now();
Date Today();   // the language's `Date`: the date part of Now
Date Time();    // the time part of Now (on 30 December 1899)
float Timer();  // seconds since midnight, with hundredths

// A date taken apart, the time rounded to the nearest second.
struct DateParts {
    int32_t year = 1899, month = 12, day = 30;
    int32_t hour = 0, minute = 0, second = 0;
};
DateParts partsOf(Date d);
// The date of valid parts; error 5 when the year lies outside 100-9999.
Date dateOf(const DateParts& p);

int32_t Year(Date d);
int32_t Month(Date d);
int32_t Day(Date d);
int32_t Hour(Date d);
int32_t Minute(Date d);
int32_t Second(Date d);
// 1-7 counted from firstDayOfWeek (1 = Sunday; 0 means the system's, Sunday).
int32_t Weekday(Date d, int32_t firstDayOfWeek = 1);
std::string WeekdayName(int32_t weekday, bool abbreviate = false, int32_t firstDayOfWeek = 1);
std::string MonthName(int32_t month, bool abbreviate = false);

// Out-of-range months and days carry over (DateSerial(2024, 3, 0) is 29 February 2024);
// years 0-29 mean 2000-2029 and 30-99 mean 1930-1999.
Date DateSerial(int32_t year, int32_t month, int32_t day);
Date TimeSerial(int32_t hour, int32_t minute, int32_t second);

// Intervals "yyyy", "q", "m", "y", "d", "w", "ww", "h", "n", "s" (any case); error 5 for others.
// The number rounds to a whole one. Adding months keeps the day where the month has it, else
// takes the month's last day; a result before the year 100 or after 9999 raises 5.
Date DateAdd(std::string_view interval, double number, Date d);
// The number of interval boundaries crossed from d1 to d2 ("w": whole weeks; "ww": weeks
// beginning on firstDayOfWeek).
int32_t DateDiff(std::string_view interval, Date d1, Date d2, int32_t firstDayOfWeek = 1);
int32_t DatePart(std::string_view interval, Date d, int32_t firstDayOfWeek = 1);

// A date and/or time read from text as CDate reads it in US English: "12/8/2026",
// "2026-12-08", "Dec 8, 2026", "Tuesday, December 08, 2026", "8-Dec-26", "3:04 PM",
// "12/8/2026 15:04:05"...; nothing when the text is not a date.
std::optional<Date> parseDate(std::string_view text);
// The date part and the time part of a date or of a date text; error 13 when it is neither.
Date DateValue(const Variant& v);
Date TimeValue(const Variant& v);

}  // namespace vb
