#include "vb/Format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "vb/CodePage.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"

namespace vb {

namespace {

constexpr std::string_view kShortDate = "m/d/yyyy";
constexpr std::string_view kLongDate = "dddd, mmmm dd, yyyy";
constexpr std::string_view kMediumDate = "dd-mmm-yy";
constexpr std::string_view kLongTime = "h:mm:ss AM/PM";
constexpr std::string_view kMediumTime = "hh:mm AM/PM";
constexpr std::string_view kShortTime = "hh:mm";

// ---- dates -------------------------------------------------------------------------------

std::string twoDigits(int32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

bool startsWithFolded(std::string_view text, std::size_t at, std::string_view word) {
    return text.size() - at >= word.size() && equalsFolded(text.substr(at, word.size()), word);
}

// The length of the run of `c` (any case) starting at `at`.
std::size_t runOf(std::string_view p, std::size_t at, char c) {
    std::size_t n = 0;
    while (at + n < p.size() && toLowerByte(static_cast<unsigned char>(p[at + n])) == c) ++n;
    return n;
}

bool hasMeridiem(std::string_view p) {
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i] == '"') {
            while (++i < p.size() && p[i] != '"') {}
            continue;
        }
        if (p[i] == '\\') {
            ++i;
            continue;
        }
        if (startsWithFolded(p, i, "am/pm") || startsWithFolded(p, i, "a/p") || startsWithFolded(p, i, "ampm"))
            return true;
    }
    return false;
}

// Whether an "m" run at `at` means minutes: after an hour token, or before a seconds token.
bool minuteContext(std::string_view p, std::size_t at, std::size_t len, bool afterHour) {
    if (afterHour) return true;
    for (std::size_t i = at + len; i < p.size(); ++i) {
        char c = static_cast<char>(toLowerByte(static_cast<unsigned char>(p[i])));
        if (c == 's') return true;
        if (c == ' ' || c == ':' || c == '.' || c == '/' || c == '-' || c == ',') continue;
        return false;
    }
    return false;
}

std::string hourText(int32_t hour, bool twelve, bool pad) {
    int32_t h = twelve ? (hour % 12 == 0 ? 12 : hour % 12) : hour;
    return pad ? twoDigits(h) : std::to_string(h);
}

// ---- numbers -----------------------------------------------------------------------------

// A value as decimal digits: 0.d1d2d3... times ten to the `exponent`, at most 15 significant.
struct Decimal {
    bool negative = false;
    std::string digits;
    int32_t exponent = 0;

    explicit Decimal(double d) {
        negative = d < 0;
        if (d == 0 || !std::isfinite(d)) return;
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.14e", std::fabs(d));
        std::string_view s(buf);
        digits += s[0];
        std::size_t e = s.find('e');
        digits += s.substr(2, e - 2);
        exponent = std::atoi(buf + e + 1) + 1;
        trim();
    }

    void trim() {
        while (!digits.empty() && digits.back() == '0') digits.pop_back();
        if (digits.empty()) exponent = 0;
    }

    // Rounds half away from zero to `places` digits after the point.
    void roundTo(int32_t places) {
        int32_t keep = exponent + places;
        if (keep < 0) {
            digits.clear();
            trim();
            return;
        }
        if (keep >= static_cast<int32_t>(digits.size())) return;
        bool up = digits[keep] >= '5';
        digits.resize(keep);
        if (up) {
            int32_t i = keep - 1;
            while (i >= 0 && digits[i] == '9') digits[i--] = '0';
            if (i >= 0) {
                ++digits[i];
            } else {
                digits.insert(digits.begin(), '1');
                ++exponent;
            }
        }
        trim();
    }

    bool zero() const { return digits.empty(); }

    std::string integerPart() const {
        if (exponent <= 0) return "";
        std::string s = digits.substr(0, std::min<std::size_t>(exponent, digits.size()));
        s.append(static_cast<std::size_t>(exponent) - s.size(), '0');
        return s;
    }

    std::string fractionPart() const {
        std::string s;
        if (exponent < 0) s.append(static_cast<std::size_t>(-exponent), '0');
        if (static_cast<int32_t>(digits.size()) > exponent) s += digits.substr(std::max(exponent, 0));
        return s;
    }
};

std::string grouped(const std::string& integer) {
    std::string out;
    for (std::size_t i = 0; i < integer.size(); ++i) {
        if (i > 0 && (integer.size() - i) % 3 == 0) out += ',';
        out += integer[i];
    }
    return out;
}

struct NumberLook {
    int32_t digits = 2;
    bool leadingDigit = true;
    bool parens = false;
    bool group = true;
};

// The digits of a value with `look`, without sign.
std::string plainNumber(const Decimal& d, const NumberLook& look) {
    std::string integer = d.integerPart();
    std::string fraction = d.fractionPart();
    fraction.resize(static_cast<std::size_t>(look.digits), '0');
    if (integer.empty() && look.leadingDigit) integer = "0";
    std::string out = look.group ? grouped(integer) : integer;
    if (look.digits > 0) out += "." + fraction;
    return out;
}

std::string signedNumber(double value, const NumberLook& look, std::string_view prefix, std::string_view suffix) {
    Decimal d(value);
    d.roundTo(look.digits);
    std::string body = std::string(prefix) + plainNumber(d, look) + std::string(suffix);
    if (!d.negative || d.zero()) return body;
    return look.parens ? "(" + body + ")" : "-" + body;
}

NumberLook lookOf(int32_t digits, int32_t leading, int32_t parens, int32_t group, bool parensByDefault) {
    NumberLook look;
    if (digits < -1 || digits > 255) raise(errors::InvalidProcedureCall);
    look.digits = digits == -1 ? 2 : digits;
    look.leadingDigit = leading != vbFalse;
    look.parens = parens == vbUseDefault ? parensByDefault : parens != vbFalse;
    look.group = group != vbFalse;
    return look;
}

std::string scientific(double value, int32_t places, bool plusSign, bool upper) {
    // A Double has no more than 17 significant digits to show; further places are zeros.
    int32_t shown = std::min(places, 40);
    char buf[96];
    std::snprintf(buf, sizeof buf, "%.*e", shown, value);
    std::string s(buf);
    if (places > shown) s.insert(s.find('e'), static_cast<std::size_t>(places - shown), '0');
    std::size_t e = s.find('e');
    std::string mantissa = s.substr(0, e);
    int exponent = std::atoi(s.c_str() + e + 1);
    std::string exp = std::to_string(std::abs(exponent));
    if (exp.size() < 2) exp.insert(exp.begin(), '0');
    std::string sign = exponent < 0 ? "-" : plusSign ? "+" : "";
    return mantissa + (upper ? "E" : "e") + sign + exp;
}

// A number pattern of one section: literals around digit placeholders, "." and ",",
// a "%" and an "E+"/"E-" exponent.
std::string numberPattern(double value, std::string_view p, bool signInSection) {
    std::string prefix, suffix;
    int32_t minInteger = 0, minFraction = 0, maxFraction = 0;
    bool group = false, percent = false, inFraction = false, seenDigit = false;
    bool exponent = false, exponentPlus = false, exponentUpper = true;
    for (std::size_t i = 0; i < p.size(); ++i) {
        char c = p[i];
        std::string& literal = seenDigit ? suffix : prefix;
        if (c == '0' || c == '#') {
            if (exponent) continue;
            seenDigit = true;
            if (inFraction) {
                ++maxFraction;
                if (c == '0') minFraction = maxFraction;
            } else if (c == '0') {
                ++minInteger;
            }
        } else if (c == '.' && !inFraction && !exponent) {
            inFraction = true;
            seenDigit = true;
        } else if (c == ',' && seenDigit && !inFraction) {
            group = true;
        } else if ((c == 'E' || c == 'e') && seenDigit && i + 1 < p.size() && (p[i + 1] == '+' || p[i + 1] == '-')) {
            exponent = true;
            exponentUpper = c == 'E';
            exponentPlus = p[++i] == '+';
        } else if (c == '%') {
            percent = true;
            literal += c;
        } else if (c == '"') {
            while (++i < p.size() && p[i] != '"') literal += p[i];
        } else if (c == '\\' && i + 1 < p.size()) {
            literal += p[++i];
        } else {
            literal += c;
        }
    }
    if (percent) value *= 100;
    std::string body;
    if (exponent) {
        body = scientific(std::fabs(value), maxFraction, exponentPlus, exponentUpper);
    } else {
        Decimal d(std::fabs(value));
        d.roundTo(maxFraction);
        std::string integer = d.integerPart();
        if (static_cast<int32_t>(integer.size()) < minInteger)
            integer.insert(integer.begin(), static_cast<std::size_t>(minInteger) - integer.size(), '0');
        std::string fraction = d.fractionPart();
        if (static_cast<int32_t>(fraction.size()) < minFraction)
            fraction.resize(static_cast<std::size_t>(minFraction), '0');
        body = group ? grouped(integer) : integer;
        // The point stays even with no digit after it: "#.##" prints 5 as "5.", the language's output.
        if (inFraction) body += "." + fraction;
        value = d.zero() ? 0 : value;
    }
    std::string out = prefix + body + suffix;
    if (value < 0 && !signInSection) out = "-" + out;
    return out;
}

std::vector<std::string_view> sections(std::string_view p) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i] == '"') {
            while (++i < p.size() && p[i] != '"') {}
        } else if (p[i] == '\\') {
            ++i;
        } else if (p[i] == ';') {
            out.push_back(p.substr(start, i - start));
            start = i + 1;
        }
    }
    out.push_back(p.substr(start));
    return out;
}

std::string formatNumberWith(const Variant& v, std::string_view format) {
    std::vector<std::string_view> parts = sections(format);
    if (v.isNull()) return parts.size() > 3 ? numberPattern(0, parts[3], true) : "";
    double value = toDouble(v);
    if (value < 0 && parts.size() > 1 && !parts[1].empty()) return numberPattern(-value, parts[1], true);
    if (value == 0 && parts.size() > 2 && !parts[2].empty()) return numberPattern(0, parts[2], true);
    return numberPattern(value, parts[0], false);
}

bool isNumberPattern(std::string_view p) {
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (p[i] == '"') {
            while (++i < p.size() && p[i] != '"') {}
        } else if (p[i] == '\\') {
            ++i;
        } else if (p[i] == '0' || p[i] == '#') {
            return true;
        }
    }
    return false;
}

std::string booleanWords(const Variant& v, std::string_view yes, std::string_view no) {
    return std::string(toDouble(v) != 0 ? yes : no);
}

}  // namespace

std::string formatDate(Date d, std::string_view p) {
    DateParts parts = partsOf(d);
    bool twelve = hasMeridiem(p);
    bool afterHour = false;
    std::string out;
    for (std::size_t i = 0; i < p.size();) {
        char c = static_cast<char>(toLowerByte(static_cast<unsigned char>(p[i])));
        if (p[i] == '"') {
            std::size_t end = p.find('"', i + 1);
            if (end == std::string_view::npos) end = p.size();
            out += p.substr(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (p[i] == '\\' && i + 1 < p.size()) {
            out += p[i + 1];
            i += 2;
            continue;
        }
        if (startsWithFolded(p, i, "am/pm")) {
            bool upper = p[i] == 'A';
            out += parts.hour < 12 ? (upper ? "AM" : "am") : (upper ? "PM" : "pm");
            i += 5;
            continue;
        }
        if (startsWithFolded(p, i, "a/p")) {
            bool upper = p[i] == 'A';
            out += parts.hour < 12 ? (upper ? "A" : "a") : (upper ? "P" : "p");
            i += 3;
            continue;
        }
        if (startsWithFolded(p, i, "ampm")) {
            out += parts.hour < 12 ? "AM" : "PM";
            i += 4;
            continue;
        }
        std::size_t n = (c == 'd' || c == 'm' || c == 'y' || c == 'h' || c == 'n' || c == 's' || c == 'w' || c == 'q' ||
                         c == 'c' || c == 't')
                            ? runOf(p, i, c)
                            : 0;
        bool hourToken = false;
        switch (n == 0 ? '\0' : c) {
            case 'c': out += FormatDateTime(d, vbGeneralDate); break;
            case 'd':
                if (n == 1) out += std::to_string(parts.day);
                else if (n == 2) out += twoDigits(parts.day);
                else if (n == 3) out += WeekdayName(Weekday(d), true);
                else if (n == 4) out += WeekdayName(Weekday(d));
                else if (n == 5) out += formatDate(d, kShortDate);
                else out += formatDate(d, kLongDate);
                break;
            case 'w': out += std::to_string(n == 1 ? Weekday(d) : DatePart("ww", d)); break;
            case 'q': out += std::to_string((parts.month - 1) / 3 + 1); break;
            case 'm':
                if (n <= 2 && minuteContext(p, i, n, afterHour))
                    out += n == 1 ? std::to_string(parts.minute) : twoDigits(parts.minute);
                else if (n == 1) out += std::to_string(parts.month);
                else if (n == 2) out += twoDigits(parts.month);
                else if (n == 3) out += MonthName(parts.month, true);
                else out += MonthName(parts.month);
                break;
            case 'y':
                if (n == 1) out += std::to_string(DatePart("y", d));
                else if (n <= 3) out += twoDigits(parts.year % 100);
                else out += std::to_string(parts.year);
                break;
            case 'h':
                out += hourText(parts.hour, twelve, n >= 2);
                hourToken = true;
                break;
            case 'n': out += n >= 2 ? twoDigits(parts.minute) : std::to_string(parts.minute); break;
            case 's': out += n >= 2 ? twoDigits(parts.second) : std::to_string(parts.second); break;
            case 't':
                if (n >= 5) {
                    out += formatDate(d, kLongTime);
                } else {
                    out.append(n, p[i]);
                }
                break;
            default:
                out += p[i];
                n = 1;
                break;
        }
        if (c != ' ' && c != ':') afterHour = hourToken;
        i += n;
    }
    return out;
}

std::string FormatDateTime(Date d, int32_t namedFormat) {
    switch (namedFormat) {
        case vbGeneralDate: {
            double whole = std::trunc(d.serial);
            bool noTime = d.serial == whole;
            // The date 0 (30 December 1899) is a time alone, midnight included.
            if (whole == 0) return formatDate(d, kLongTime);
            if (noTime) return formatDate(d, kShortDate);
            return formatDate(d, kShortDate) + " " + formatDate(d, kLongTime);
        }
        case vbLongDate: return formatDate(d, kLongDate);
        case vbShortDate: return formatDate(d, kShortDate);
        case vbLongTime: return formatDate(d, kLongTime);
        case vbShortTime: return formatDate(d, kShortTime);
        default: raise(errors::InvalidProcedureCall);
    }
}

std::string FormatNumber(const Variant& v, int32_t digits, int32_t leading, int32_t parens, int32_t group) {
    return signedNumber(toDouble(v), lookOf(digits, leading, parens, group, false), "", "");
}

std::string FormatPercent(const Variant& v, int32_t digits, int32_t leading, int32_t parens, int32_t group) {
    return signedNumber(toDouble(v) * 100, lookOf(digits, leading, parens, group, false), "", "%");
}

std::string FormatCurrency(const Variant& v, int32_t digits, int32_t leading, int32_t parens, int32_t group) {
    return signedNumber(toDouble(v), lookOf(digits, leading, parens, group, true), "$", "");
}

std::string Format(const Variant& v, std::string_view format) {
    Variant value = valueOf(v);
    if (format.empty()) return value.isNull() ? "" : CStr(value);
    struct Named {
        std::string_view name;
        int kind;
    };
    static constexpr Named kNamed[] = {
        {"General Date", 0}, {"Long Date", 1},   {"Medium Date", 2}, {"Short Date", 3},
        {"Long Time", 4},    {"Medium Time", 5}, {"Short Time", 6},  {"General Number", 7},
        {"Currency", 8},     {"Fixed", 9},       {"Standard", 10},   {"Percent", 11},
        {"Scientific", 12},  {"Yes/No", 13},     {"True/False", 14}, {"On/Off", 15},
    };
    for (const Named& n : kNamed) {
        if (!equalsFolded(n.name, format)) continue;
        if (value.isNull() || value.isEmpty()) return "";
        switch (n.kind) {
            case 0: return FormatDateTime(CDate(value), vbGeneralDate);
            case 1: return formatDate(CDate(value), kLongDate);
            case 2: return formatDate(CDate(value), kMediumDate);
            case 3: return formatDate(CDate(value), kShortDate);
            case 4: return formatDate(CDate(value), kLongTime);
            case 5: return formatDate(CDate(value), kMediumTime);
            case 6: return formatDate(CDate(value), kShortTime);
            case 7: return value.isString() ? numberText(toDouble(value)) : CStr(value);
            case 8: return FormatCurrency(value);
            case 9: return FormatNumber(value, 2, vbTrue, vbFalse, vbFalse);
            case 10: return FormatNumber(value, 2, vbTrue, vbFalse, vbTrue);
            case 11: return FormatPercent(value, 2, vbTrue, vbFalse, vbFalse);
            case 12: return scientific(toDouble(value), 2, true, true);
            case 13: return booleanWords(value, "Yes", "No");
            case 14: return booleanWords(value, "True", "False");
            case 15: return booleanWords(value, "On", "Off");
        }
    }
    if (isNumberPattern(format)) {
        if (value.isString() && !parseNumber(value.str())) return value.str();
        return formatNumberWith(value, format);
    }
    if (value.isNull() || value.isEmpty()) return "";
    if (value.isString() && !IsDate(value)) {
        if (!parseNumber(value.str())) return value.str();
    }
    return formatDate(CDate(value), format);
}

}  // namespace vb
