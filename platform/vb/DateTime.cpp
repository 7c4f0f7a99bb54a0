#include "vb/DateTime.h"

#include <cmath>
#include <ctime>
#include <vector>

#include "vb/CodePage.h"
#include "vb/Conversions.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"

namespace vb {

namespace {

constexpr int64_t kSecondsPerDay = 86400;
constexpr int32_t kMinYear = 100;
constexpr int32_t kMaxYear = 9999;

constexpr const char* kMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kWeekdayNames[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

Clock& clockSlot() {
    static Clock clock;
    return clock;
}

// Days from 1 January 1970 to a civil date (proleptic Gregorian).
int64_t daysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    int64_t era = (y >= 0 ? y : y - 399) / 400;
    int64_t yoe = y - era * 400;
    int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void civilFromDays(int64_t z, int32_t& y, int32_t& m, int32_t& d) {
    z += 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int32_t>(yoe + era * 400 + (m <= 2));
}

// Day numbers count from 30 December 1899, the date serial's day 0.
const int64_t kEpochOffset = daysFromCivil(1899, 12, 30);

int64_t dayNumber(int64_t y, int64_t m, int64_t d) { return daysFromCivil(y, m, d) - kEpochOffset; }

int64_t floorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// A date as (day number, second of the day), the time rounded to the second.
struct DaySecond {
    int64_t day;
    int64_t second;
};

DaySecond split(Date d) {
    double s = d.serial;
    if (!isValidDateSerial(s)) raise(errors::Overflow);
    double whole = std::trunc(s);
    auto day = static_cast<int64_t>(whole);
    auto second = static_cast<int64_t>(std::llround(std::fabs(s - whole) * kSecondsPerDay));
    if (second >= kSecondsPerDay) {
        second -= kSecondsPerDay;
        day += s < 0 ? -1 : 1;
    }
    return {day, second};
}

Date join(int64_t day, int64_t second) {
    double t = static_cast<double>(second) / kSecondsPerDay;
    return Date{day >= 0 ? static_cast<double>(day) + t : static_cast<double>(day) - t};
}

int64_t totalSeconds(Date d) {
    DaySecond ds = split(d);
    return ds.day * kSecondsPerDay + ds.second;
}

Date checkedJoin(int64_t totalSecs) {
    int64_t day = floorDiv(totalSecs, kSecondsPerDay);
    int64_t second = totalSecs - day * kSecondsPerDay;
    int32_t y, m, dd;
    civilFromDays(day + kEpochOffset, y, m, dd);
    if (y < kMinYear || y > kMaxYear) raise(errors::InvalidProcedureCall);
    return join(day, second);
}

int32_t fullYear(int32_t year) {
    if (year >= 0 && year < 30) return year + 2000;
    if (year >= 30 && year < 100) return year + 1900;
    return year;
}

int32_t daysInMonth(int32_t y, int32_t m) {
    static constexpr int32_t kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

enum class Interval { Year, Quarter, Month, DayOfYear, Day, Weekday, Week, Hour, Minute, Second };

Interval intervalOf(std::string_view text) {
    static constexpr std::pair<std::string_view, Interval> kIntervals[] = {
        {"yyyy", Interval::Year}, {"q", Interval::Quarter}, {"m", Interval::Month}, {"y", Interval::DayOfYear},
        {"d", Interval::Day},     {"w", Interval::Weekday}, {"ww", Interval::Week}, {"h", Interval::Hour},
        {"n", Interval::Minute},  {"s", Interval::Second},
    };
    for (const auto& [name, interval] : kIntervals)
        if (equalsFolded(name, text)) return interval;
    raise(errors::InvalidProcedureCall);
}

int32_t checkedLong(int64_t v) {
    if (v < INT32_MIN || v > INT32_MAX) raise(errors::Overflow);
    return static_cast<int32_t>(v);
}

int32_t firstDay(int32_t firstDayOfWeek) {
    if (firstDayOfWeek == 0) return 1;
    if (firstDayOfWeek < 1 || firstDayOfWeek > 7) raise(errors::InvalidProcedureCall);
    return firstDayOfWeek;
}

}  // namespace

void setClock(Clock clock) { clockSlot() = std::move(clock); }

Date localDate(std::chrono::system_clock::time_point t) {
    auto since = t.time_since_epoch();
    auto secs = std::chrono::floor<std::chrono::seconds>(since);
    double fraction = std::chrono::duration<double>(since - secs).count();
    std::time_t tt = static_cast<std::time_t>(secs.count());
    std::tm tm{};
    localtime_r(&tt, &tm);
    int64_t day = dayNumber(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
    double time = (tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec + fraction) / kSecondsPerDay;
    return Date{day >= 0 ? day + time : day - time};
}

Date Now() {
    const Clock& clock = clockSlot();
    Date now = clock ? clock() : localDate(std::chrono::system_clock::now());
    if (!isValidDateSerial(now.serial)) raise(errors::Overflow);
    DaySecond ds{};
    double whole = std::trunc(now.serial);
    ds.day = static_cast<int64_t>(whole);
    // The serial's rounding error is far below 0.1 ms: a clock on the second stays on it.
    ds.second = static_cast<int64_t>(std::floor(std::fabs(now.serial - whole) * kSecondsPerDay + 1e-4));
    if (ds.second >= kSecondsPerDay) ds.second = kSecondsPerDay - 1;
    return join(ds.day, ds.second);
}

Date Today() { return Date{static_cast<double>(split(Now()).day)}; }

Date Time() { return join(0, split(Now()).second); }

float Timer() {
    const Clock& clock = clockSlot();
    Date now = clock ? clock() : localDate(std::chrono::system_clock::now());
    if (!isValidDateSerial(now.serial)) raise(errors::Overflow);
    double whole = std::trunc(now.serial);
    double seconds = std::fabs(now.serial - whole) * kSecondsPerDay;
    return static_cast<float>(std::floor(seconds * 100 + 1e-2) / 100);
}

DateParts partsOf(Date d) {
    DaySecond ds = split(d);
    DateParts p;
    civilFromDays(ds.day + kEpochOffset, p.year, p.month, p.day);
    p.hour = static_cast<int32_t>(ds.second / 3600);
    p.minute = static_cast<int32_t>(ds.second / 60 % 60);
    p.second = static_cast<int32_t>(ds.second % 60);
    return p;
}

Date dateOf(const DateParts& p) {
    if (p.year < kMinYear || p.year > kMaxYear) raise(errors::InvalidProcedureCall);
    return join(dayNumber(p.year, p.month, p.day), int64_t{p.hour} * 3600 + p.minute * 60 + p.second);
}

int32_t Year(Date d) { return partsOf(d).year; }
int32_t Month(Date d) { return partsOf(d).month; }
int32_t Day(Date d) { return partsOf(d).day; }
int32_t Hour(Date d) { return partsOf(d).hour; }
int32_t Minute(Date d) { return partsOf(d).minute; }
int32_t Second(Date d) { return partsOf(d).second; }

int32_t Weekday(Date d, int32_t firstDayOfWeek) {
    int32_t sundayBased = static_cast<int32_t>(((split(d).day + 6) % 7 + 7) % 7) + 1;
    return (sundayBased - firstDay(firstDayOfWeek) + 7) % 7 + 1;
}

std::string WeekdayName(int32_t weekday, bool abbreviate, int32_t firstDayOfWeek) {
    if (weekday < 1 || weekday > 7) raise(errors::InvalidProcedureCall);
    std::string name = kWeekdayNames[(weekday - 1 + firstDay(firstDayOfWeek) - 1) % 7];
    return abbreviate ? name.substr(0, 3) : name;
}

std::string MonthName(int32_t month, bool abbreviate) {
    if (month < 1 || month > 12) raise(errors::InvalidProcedureCall);
    std::string name = kMonthNames[month - 1];
    return abbreviate ? name.substr(0, 3) : name;
}

Date DateSerial(int32_t year, int32_t month, int32_t day) {
    int64_t months = int64_t{fullYear(year)} * 12 + (int64_t{month} - 1);
    int64_t y = floorDiv(months, 12);
    int64_t m = months - y * 12 + 1;
    if (y < kMinYear - 1 || y > kMaxYear + 1) raise(errors::InvalidProcedureCall);
    return checkedJoin((dayNumber(y, m, 1) + (int64_t{day} - 1)) * kSecondsPerDay);
}

Date TimeSerial(int32_t hour, int32_t minute, int32_t second) {
    return checkedJoin(int64_t{hour} * 3600 + int64_t{minute} * 60 + second);
}

Date DateAdd(std::string_view interval, double number, Date d) {
    Interval iv = intervalOf(interval);
    if (!std::isfinite(number) || std::fabs(number) > 1e9) raise(errors::InvalidProcedureCall);
    auto n = static_cast<int64_t>(std::nearbyint(number));  // a fraction rounds, half to even
    auto addMonths = [&](int64_t months) {
        DaySecond ds = split(d);
        DateParts p = partsOf(d);
        int64_t total = int64_t{p.year} * 12 + (p.month - 1) + months;
        int64_t y = floorDiv(total, 12);
        auto m = static_cast<int32_t>(total - y * 12 + 1);
        if (y < kMinYear || y > kMaxYear) raise(errors::InvalidProcedureCall);
        int32_t day = std::min(p.day, daysInMonth(static_cast<int32_t>(y), m));
        return join(dayNumber(y, m, day), ds.second);
    };
    switch (iv) {
        case Interval::Year: return addMonths(n * 12);
        case Interval::Quarter: return addMonths(n * 3);
        case Interval::Month: return addMonths(n);
        case Interval::DayOfYear:
        case Interval::Day:
        case Interval::Weekday: return checkedJoin(totalSeconds(d) + n * kSecondsPerDay);
        case Interval::Week: return checkedJoin(totalSeconds(d) + n * 7 * kSecondsPerDay);
        case Interval::Hour: return checkedJoin(totalSeconds(d) + n * 3600);
        case Interval::Minute: return checkedJoin(totalSeconds(d) + n * 60);
        case Interval::Second: return checkedJoin(totalSeconds(d) + n);
    }
    return d;
}

int32_t DateDiff(std::string_view interval, Date d1, Date d2, int32_t firstDayOfWeek) {
    Interval iv = intervalOf(interval);
    DateParts p1 = partsOf(d1), p2 = partsOf(d2);
    int64_t day1 = split(d1).day, day2 = split(d2).day;
    int64_t s1 = totalSeconds(d1), s2 = totalSeconds(d2);
    switch (iv) {
        case Interval::Year: return p2.year - p1.year;
        case Interval::Quarter: return (p2.year * 4 + (p2.month - 1) / 3) - (p1.year * 4 + (p1.month - 1) / 3);
        case Interval::Month: return (p2.year * 12 + p2.month) - (p1.year * 12 + p1.month);
        case Interval::DayOfYear:
        case Interval::Day: return checkedLong(day2 - day1);
        case Interval::Weekday: return checkedLong((day2 - day1) / 7);
        case Interval::Week: {
            int64_t shift = 6 - (firstDay(firstDayOfWeek) - 1);
            return checkedLong(floorDiv(day2 + shift, 7) - floorDiv(day1 + shift, 7));
        }
        case Interval::Hour: return checkedLong(floorDiv(s2, 3600) - floorDiv(s1, 3600));
        case Interval::Minute: return checkedLong(floorDiv(s2, 60) - floorDiv(s1, 60));
        case Interval::Second: return checkedLong(s2 - s1);
    }
    return 0;
}

int32_t DatePart(std::string_view interval, Date d, int32_t firstDayOfWeek) {
    DateParts p = partsOf(d);
    switch (intervalOf(interval)) {
        case Interval::Year: return p.year;
        case Interval::Quarter: return (p.month - 1) / 3 + 1;
        case Interval::Month: return p.month;
        case Interval::DayOfYear:
            return static_cast<int32_t>(dayNumber(p.year, p.month, p.day) - dayNumber(p.year, 1, 1) + 1);
        case Interval::Day: return p.day;
        case Interval::Weekday: return Weekday(d, firstDayOfWeek);
        case Interval::Week: return DateDiff("ww", DateSerial(p.year, 1, 1), d, firstDayOfWeek) + 1;
        case Interval::Hour: return p.hour;
        case Interval::Minute: return p.minute;
        case Interval::Second: return p.second;
    }
    return 0;
}

namespace {

// One piece of a date text.
struct Token {
    enum Kind { Number, Month, Weekday, Meridiem, Colon, Separator, Dot } kind;
    int32_t value = 0;   // number; month 1-12; meridiem 0 AM, 12 PM
    int32_t digits = 0;  // digits of a number
};

bool isLetter(unsigned char c) { return toLowerByte(c) != toUpperByte(c); }

bool wordMatches(std::string_view word, std::string_view name) {
    if (word.size() < 3 || word.size() > name.size()) return false;
    return equalsFolded(word, name.substr(0, word.size()));
}

std::optional<std::vector<Token>> tokenize(std::string_view text) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ' ' || c == '\t' || c == ',') {
            ++i;
        } else if (c >= '0' && c <= '9') {
            int64_t v = 0;
            int32_t digits = 0;
            while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
                v = v * 10 + (text[i] - '0');
                if (v > 1000000) return std::nullopt;
                ++digits;
                ++i;
            }
            tokens.push_back({Token::Number, static_cast<int32_t>(v), digits});
        } else if (isLetter(c)) {
            std::size_t start = i;
            while (i < text.size() && isLetter(static_cast<unsigned char>(text[i]))) ++i;
            std::string_view word = text.substr(start, i - start);
            if (equalsFolded(word, "am") || equalsFolded(word, "a")) {
                tokens.push_back({Token::Meridiem, 0});
            } else if (equalsFolded(word, "pm") || equalsFolded(word, "p")) {
                tokens.push_back({Token::Meridiem, 12});
            } else {
                bool known = false;
                for (int m = 0; m < 12 && !known; ++m)
                    if (wordMatches(word, kMonthNames[m])) {
                        tokens.push_back({Token::Month, m + 1});
                        known = true;
                    }
                for (int w = 0; w < 7 && !known; ++w)
                    if (wordMatches(word, kWeekdayNames[w])) {
                        tokens.push_back({Token::Weekday, w + 1});
                        known = true;
                    }
                if (!known) return std::nullopt;
            }
        } else if (c == ':') {
            tokens.push_back({Token::Colon});
            ++i;
        } else if (c == '/' || c == '-') {
            tokens.push_back({Token::Separator});
            ++i;
        } else if (c == '.') {
            tokens.push_back({Token::Dot});
            ++i;
        } else {
            return std::nullopt;
        }
    }
    return tokens;
}

struct Reading {
    std::vector<Token> dateNumbers;
    int32_t month = 0;  // from a month name
    bool hasTime = false;
    int32_t hour = 0, minute = 0, second = 0;
    int32_t meridiem = -1;
};

// Takes the time out of the tokens (h:mm[:ss] [AM|PM], or h AM|PM); the rest is the date.
bool readTime(const std::vector<Token>& t, Reading& r) {
    std::vector<bool> used(t.size(), false);
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i].kind != Token::Number || used[i]) continue;
        bool colon = i + 2 < t.size() && t[i + 1].kind == Token::Colon && t[i + 2].kind == Token::Number;
        bool meridiemOnly = i + 1 < t.size() && t[i + 1].kind == Token::Meridiem;
        if (!colon && !meridiemOnly) continue;
        if (r.hasTime) return false;
        r.hasTime = true;
        r.hour = t[i].value;
        used[i] = true;
        std::size_t j = i + 1;
        if (colon) {
            r.minute = t[i + 2].value;
            used[i + 1] = used[i + 2] = true;
            j = i + 3;
            if (j + 1 < t.size() && t[j].kind == Token::Colon && t[j + 1].kind == Token::Number) {
                r.second = t[j + 1].value;
                used[j] = used[j + 1] = true;
                j += 2;
                // Fractions of a second are read and dropped.
                if (j + 1 < t.size() && t[j].kind == Token::Dot && t[j + 1].kind == Token::Number) {
                    used[j] = used[j + 1] = true;
                    j += 2;
                }
            }
        }
        if (j < t.size() && t[j].kind == Token::Meridiem) {
            r.meridiem = t[j].value;
            used[j] = true;
        }
    }
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (used[i]) continue;
        switch (t[i].kind) {
            case Token::Number: r.dateNumbers.push_back(t[i]); break;
            case Token::Month:
                if (r.month) return false;
                r.month = t[i].value;
                break;
            case Token::Meridiem:
            case Token::Colon: return false;
            default: break;  // separators and weekday names
        }
    }
    if (!r.hasTime) return true;
    if (r.meridiem >= 0) {
        if (r.hour < 1 || r.hour > 12) return false;
        r.hour = r.hour % 12 + r.meridiem;
    }
    return r.hour <= 23 && r.minute <= 59 && r.second <= 59;
}

int32_t yearOf(const Token& t) { return t.digits <= 2 ? fullYear(t.value) : t.value; }

bool readDate(const Reading& r, int32_t& y, int32_t& m, int32_t& d) {
    const auto& n = r.dateNumbers;
    int32_t currentYear = Year(Now());
    if (r.month) {
        m = r.month;
        if (n.size() == 2) {
            if (n[0].digits > 2) {
                y = n[0].value, d = n[1].value;
            } else {
                d = n[0].value, y = yearOf(n[1]);
            }
        } else if (n.size() == 1) {
            if (n[0].digits <= 2 && n[0].value <= 31) {
                d = n[0].value;
                y = currentYear;
            } else {
                d = 1;
                y = yearOf(n[0]);
            }
        } else {
            return false;
        }
    } else if (n.size() == 3) {
        if (n[0].digits > 2 || n[0].value > 31) {
            y = n[0].value, m = n[1].value, d = n[2].value;
        } else {
            m = n[0].value, d = n[1].value, y = yearOf(n[2]);
            if (m > 12 && d <= 12) std::swap(m, d);
        }
    } else if (n.size() == 2) {
        if (n[1].digits > 2 || (n[1].value > 31 && n[0].value <= 12)) {
            m = n[0].value, d = 1, y = yearOf(n[1]);
        } else {
            m = n[0].value, d = n[1].value, y = currentYear;
            if (m > 12 && d <= 12) std::swap(m, d);
        }
    } else {
        return false;
    }
    return y >= kMinYear && y <= kMaxYear && m >= 1 && m <= 12 && d >= 1 && d <= daysInMonth(y, m);
}

}  // namespace

std::optional<Date> parseDate(std::string_view text) {
    auto tokens = tokenize(text);
    if (!tokens || tokens->empty()) return std::nullopt;
    Reading r;
    if (!readTime(*tokens, r)) return std::nullopt;
    // A lone number or a dotted pair ("1.5") is a number, not a date.
    std::size_t dots = 0;
    for (const Token& t : *tokens) dots += t.kind == Token::Dot;
    if (dots > 0 && !(r.dateNumbers.size() == 3 && dots == 2 && !r.hasTime)) {
        if (!(r.hasTime && dots == 1 && r.dateNumbers.empty())) return std::nullopt;
    }
    int64_t time = int64_t{r.hour} * 3600 + r.minute * 60 + r.second;
    if (r.dateNumbers.empty() && !r.month) {
        if (!r.hasTime) return std::nullopt;
        return join(0, time);
    }
    int32_t y = 0, m = 0, d = 0;
    if (!readDate(r, y, m, d)) return std::nullopt;
    return join(dayNumber(y, m, d), time);
}

Date DateValue(const Variant& v) {
    Date d = CDate(v);
    return Date{static_cast<double>(split(d).day)};
}

Date TimeValue(const Variant& v) {
    Date d = CDate(v);
    return join(0, split(d).second);
}

}  // namespace vb
