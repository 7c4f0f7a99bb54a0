#include "vb/Conversions.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "vb/CodePage.h"
#include "vb/DateTime.h"
#include "vb/Error.h"
#include "vb/ErrorNumbers.h"
#include "vb/Format.h"

namespace vb {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// Reads "&H..." or "&O..." (or "&" and octal digits) at `i`; the unsigned value, nothing when
// no digit follows or it exceeds 32 bits.
std::optional<uint64_t> readRadix(std::string_view t, std::size_t& i) {
    if (i >= t.size() || t[i] != '&') return std::nullopt;
    std::size_t j = i + 1;
    int radix = 8;
    if (j < t.size() && (t[j] == 'h' || t[j] == 'H')) {
        radix = 16;
        ++j;
    } else if (j < t.size() && (t[j] == 'o' || t[j] == 'O')) {
        ++j;
    }
    uint64_t value = 0;
    std::size_t start = j;
    while (j < t.size() && digitValue(t[j]) < radix) {
        value = value * radix + digitValue(t[j]);
        if (value > 0xFFFFFFFFull) return std::nullopt;
        ++j;
    }
    if (j == start) return std::nullopt;
    i = j;
    return value;
}

std::string currencyText(int64_t v) {
    bool negative = v < 0;
    uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
    std::string text = std::to_string(magnitude / 10000);
    uint64_t fraction = magnitude % 10000;
    if (fraction) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04u", static_cast<unsigned>(fraction));
        std::string f(buf);
        while (!f.empty() && f.back() == '0') f.pop_back();
        text += "." + f;
    }
    return negative ? "-" + text : text;
}

int64_t currencyOf(double d) {
    double scaled = std::nearbyint(d * 10000.0);
    if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2233720368547758e18) raise(errors::Overflow);
    return static_cast<int64_t>(scaled);
}

double checkedDouble(double d) {
    if (!std::isfinite(d)) raise(errors::Overflow);
    return d;
}

std::string radixText(const Variant& v, int bitsPerDigit) {
    Variant value = valueOf(v);
    if (value.isNull()) raise(errors::InvalidUseOfNull);
    uint32_t bits;
    switch (value.kind()) {
        case VarKind::Empty: bits = 0; break;
        case VarKind::Byte: bits = value.byte(); break;
        case VarKind::Integer: bits = static_cast<uint16_t>(value.integer()); break;
        case VarKind::Boolean: bits = value.boolean() ? 0xFFFF : 0; break;
        default: bits = static_cast<uint32_t>(CLng(value)); break;
    }
    const char* digits = "0123456789ABCDEF";
    std::string text;
    uint32_t mask = (1u << bitsPerDigit) - 1;
    do {
        text.insert(text.begin(), digits[bits & mask]);
        bits >>= bitsPerDigit;
    } while (bits);
    return text;
}

}  // namespace

namespace {

// A number as text: either a "&H"/"&O" value, or the decimal spelled plainly ("-", digits, ".",
// digits, "e" and exponent) without "$", blanks and thousands commas.
struct NumberText {
    std::optional<int32_t> radixValue;
    std::string decimal;
};

std::optional<NumberText> scanNumber(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size() && isBlank(t[i])) ++i;
    if (i < t.size() && t[i] == '&') {
        std::optional<uint64_t> value = readRadix(t, i);
        while (i < t.size() && isBlank(t[i])) ++i;
        if (!value || i != t.size()) return std::nullopt;
        return NumberText{static_cast<int32_t>(static_cast<uint32_t>(*value)), {}};
    }
    std::string clean;
    bool sign = false, currency = false;
    while (i < t.size()) {
        if (t[i] == '$' && !currency) {
            currency = true;
        } else if ((t[i] == '+' || t[i] == '-') && !sign) {
            sign = true;
            if (t[i] == '-') clean += '-';
        } else {
            break;
        }
        ++i;
    }
    bool digits = false;
    while (i < t.size() && (isDigit(t[i]) || (t[i] == ',' && digits && i + 1 < t.size() && isDigit(t[i + 1])))) {
        if (t[i] != ',') clean += t[i];
        digits = true;
        ++i;
    }
    if (i < t.size() && t[i] == '.') {
        clean += '.';
        ++i;
        while (i < t.size() && isDigit(t[i])) {
            clean += t[i++];
            digits = true;
        }
    }
    if (!digits) return std::nullopt;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E' || t[i] == 'd' || t[i] == 'D')) {
        clean += 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) clean += t[i++];
        std::size_t start = i;
        while (i < t.size() && isDigit(t[i])) clean += t[i++];
        if (i == start) return std::nullopt;
    }
    while (i < t.size() && isBlank(t[i])) ++i;
    if (i != t.size()) return std::nullopt;
    return NumberText{std::nullopt, std::move(clean)};
}

// The ten-thousandths of a plain decimal, rounded half to even, exactly; nothing when it is
// beyond the Currency range.
std::optional<int64_t> exactTenThousandths(const std::string& decimal) {
    std::size_t i = 0;
    bool negative = false;
    if (i < decimal.size() && decimal[i] == '-') negative = true, ++i;
    std::string digits;
    int64_t point = 0;  // digits after the decimal point
    bool afterPoint = false;
    for (; i < decimal.size() && decimal[i] != 'e'; ++i) {
        if (decimal[i] == '.') {
            afterPoint = true;
            continue;
        }
        digits += decimal[i];
        if (afterPoint) ++point;
    }
    int64_t exponent = 0;
    if (i < decimal.size()) {
        bool down = false;
        ++i;
        if (i < decimal.size() && (decimal[i] == '+' || decimal[i] == '-')) down = decimal[i++] == '-';
        for (; i < decimal.size(); ++i) exponent = std::min<int64_t>(exponent * 10 + (decimal[i] - '0'), 100000);
        if (down) exponent = -exponent;
    }
    std::size_t lead = digits.find_first_not_of('0');
    if (lead == std::string::npos) return 0;
    digits.erase(0, lead);
    // value = digits * 10^shift ten-thousandths
    int64_t shift = exponent - point + 4;
    std::string kept = digits, dropped;
    if (shift >= 0) {
        if (static_cast<int64_t>(digits.size()) + shift > 20) return std::nullopt;
        kept.append(static_cast<std::size_t>(shift), '0');
    } else if (static_cast<int64_t>(digits.size()) > -shift) {
        kept = digits.substr(0, digits.size() - static_cast<std::size_t>(-shift));
        dropped = digits.substr(kept.size());
    } else {
        kept.clear();
        dropped = std::string(static_cast<std::size_t>(-shift) - digits.size(), '0') + digits;
    }
    if (kept.size() > 20) return std::nullopt;
    unsigned __int128 magnitude = 0;
    for (char d : kept) magnitude = magnitude * 10 + static_cast<unsigned>(d - '0');
    if (!dropped.empty()) {
        bool beyondHalf = dropped.find_first_not_of('0', 1) != std::string::npos;
        if (dropped[0] > '5' || (dropped[0] == '5' && (beyondHalf || (magnitude & 1)))) ++magnitude;
    }
    const unsigned __int128 limit = negative ? static_cast<unsigned __int128>(INT64_MAX) + 1 : INT64_MAX;
    if (magnitude > limit) return std::nullopt;
    if (negative) return static_cast<int64_t>(0 - static_cast<uint64_t>(magnitude));
    return static_cast<int64_t>(magnitude);
}

}  // namespace

std::optional<double> parseNumber(std::string_view t) {
    std::optional<NumberText> n = scanNumber(t);
    if (!n) return std::nullopt;
    if (n->radixValue) return static_cast<double>(*n->radixValue);
    double d = std::strtod(n->decimal.c_str(), nullptr);
    if (!std::isfinite(d)) return std::nullopt;
    return d;
}

namespace {

double fromText(std::string_view s) {
    std::optional<double> d = parseNumber(s);
    // A number beyond a Double's range ("1e309") is still a number: it overflows.
    if (!d) raise(scanNumber(s) ? errors::Overflow : errors::TypeMismatch);
    return *d;
}

}  // namespace

int64_t roundToInteger(double d) {
    double r = std::nearbyint(d);
    if (!std::isfinite(r) || r < -9.2233720368547758e18 || r >= 9.2233720368547758e18) raise(errors::Overflow);
    return static_cast<int64_t>(r);
}

double toDouble(const Variant& v) {
    switch (v.kind()) {
        case VarKind::Empty: return 0;
        case VarKind::Null: raise(errors::InvalidUseOfNull);
        case VarKind::Integer: return v.integer();
        case VarKind::Long: return v.lng();
        case VarKind::Single: return v.sng();
        case VarKind::Double: return v.dbl();
        case VarKind::Currency: return static_cast<double>(v.currencyValue()) / 10000.0;
        case VarKind::Date: return v.date().serial;
        case VarKind::String: return fromText(v.str());
        case VarKind::Object: return toDouble(valueOf(v));
        case VarKind::Boolean: return v.boolean() ? -1 : 0;
        case VarKind::Byte: return v.byte();
        case VarKind::Error:
        case VarKind::Array: break;
    }
    raise(errors::TypeMismatch);
}

std::string numberText(double d) {
    if (d == 0) return "0";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.15G", d);
    return buf;
}

std::string singleText(float f) {
    if (f == 0) return "0";
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.7G", static_cast<double>(f));
    return buf;
}

std::string CStr(const Variant& v) {
    switch (v.kind()) {
        case VarKind::Empty: return {};
        case VarKind::Null: raise(errors::InvalidUseOfNull);
        case VarKind::Integer: return std::to_string(v.integer());
        case VarKind::Long: return std::to_string(v.lng());
        case VarKind::Single: return singleText(v.sng());
        case VarKind::Double: return numberText(v.dbl());
        case VarKind::Currency: return currencyText(v.currencyValue());
        case VarKind::Date: return FormatDateTime(v.date(), vbGeneralDate);
        case VarKind::String: return v.str();
        case VarKind::Object: return CStr(valueOf(v));
        case VarKind::Error: return "Error " + std::to_string(v.errorCode());
        case VarKind::Boolean: return v.boolean() ? "True" : "False";
        case VarKind::Byte: return std::to_string(v.byte());
        case VarKind::Array: break;
    }
    raise(errors::TypeMismatch);
}

std::string Str(const Variant& v) {
    Variant value = valueOf(v);
    if (value.isString()) value = Variant(toDouble(value));
    if (value.isEmpty()) value = Variant(int16_t{0});
    std::string text = CStr(value);
    if (value.isNumber() || value.isEmpty()) {
        if (text.empty() || text[0] != '-') text.insert(text.begin(), ' ');
    }
    return text;
}

int16_t CInt(const Variant& v) {
    if (v.kind() == VarKind::Integer) return v.integer();
    int64_t r = roundToInteger(toDouble(v));
    if (r < INT16_MIN || r > INT16_MAX) raise(errors::Overflow);
    return static_cast<int16_t>(r);
}

int32_t CLng(const Variant& v) {
    if (v.kind() == VarKind::Long) return v.lng();
    int64_t r = roundToInteger(toDouble(v));
    if (r < INT32_MIN || r > INT32_MAX) raise(errors::Overflow);
    return static_cast<int32_t>(r);
}

uint8_t CByte(const Variant& v) {
    int64_t r = roundToInteger(toDouble(v));
    if (r < 0 || r > 255) raise(errors::Overflow);
    return static_cast<uint8_t>(r);
}

float CSng(const Variant& v) {
    double d = toDouble(v);
    if (std::fabs(d) > FLT_MAX) raise(errors::Overflow);
    return static_cast<float>(d);
}

double CDbl(const Variant& v) { return toDouble(v); }

Variant CCur(const Variant& v) {
    if (v.kind() == VarKind::Currency) return v;
    // Text is read exactly: its digits may be more than a Double holds.
    if (v.kind() == VarKind::String) {
        std::optional<NumberText> n = scanNumber(v.str());
        if (!n) raise(errors::TypeMismatch);
        if (n->radixValue) return Variant::currency(int64_t{*n->radixValue} * 10000);
        std::optional<int64_t> exact = exactTenThousandths(n->decimal);
        if (!exact) raise(errors::Overflow);
        return Variant::currency(*exact);
    }
    return Variant::currency(currencyOf(toDouble(v)));
}

bool CBool(const Variant& v) {
    switch (v.kind()) {
        case VarKind::Boolean: return v.boolean();
        case VarKind::String: {
            std::string_view s = v.str();
            while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
            while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
            if (equalsFolded(s, "True")) return true;
            if (equalsFolded(s, "False")) return false;
            return fromText(v.str()) != 0;
        }
        default: return toDouble(v) != 0;
    }
}

Date CDate(const Variant& v) {
    switch (v.kind()) {
        case VarKind::Date: return v.date();
        case VarKind::String: {
            std::optional<Date> d = parseDate(v.str());
            if (!d) raise(errors::TypeMismatch);
            return *d;
        }
        default: {
            double d = toDouble(v);
            if (!isValidDateSerial(d)) raise(errors::Overflow);
            return Date{d};
        }
    }
}

double Val(std::string_view text) {
    std::string t;
    t.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n') t += c;
    std::size_t i = 0;
    if (!t.empty() && t[0] == '&') {
        std::optional<uint64_t> value = readRadix(t, i);
        if (!value) {
            // Digits that run past 32 bits overflow; "&" with no digits is 0.
            std::size_t j = 1;
            int radix = 8;
            if (j < t.size() && (t[j] == 'h' || t[j] == 'H')) radix = 16;
            if (j < t.size() && (t[j] == 'h' || t[j] == 'H' || t[j] == 'o' || t[j] == 'O')) ++j;
            if (j < t.size() && digitValue(t[j]) < radix) raise(errors::Overflow);
            return 0;
        }
        if (*value <= 0xFFFF) return static_cast<int16_t>(static_cast<uint16_t>(*value));
        return static_cast<int32_t>(static_cast<uint32_t>(*value));
    }
    std::string clean;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        if (t[i] == '-') clean += '-';
        ++i;
    }
    bool digits = false;
    while (i < t.size() && isDigit(t[i])) clean += t[i++], digits = true;
    if (i < t.size() && t[i] == '.') {
        clean += t[i++];
        while (i < t.size() && isDigit(t[i])) clean += t[i++], digits = true;
    }
    if (!digits) return 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E' || t[i] == 'd' || t[i] == 'D')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < t.size() && (t[j] == '+' || t[j] == '-')) exponent += t[j++];
        if (j < t.size() && isDigit(t[j])) {
            while (j < t.size() && isDigit(t[j])) exponent += t[j++];
            clean += exponent;
        }
    }
    return checkedDouble(std::strtod(clean.c_str(), nullptr));
}

bool IsNumeric(const Variant& v) {
    switch (v.kind()) {
        case VarKind::Empty:
        case VarKind::Integer:
        case VarKind::Long:
        case VarKind::Single:
        case VarKind::Double:
        case VarKind::Currency:
        case VarKind::Boolean:
        case VarKind::Byte: return true;
        case VarKind::String: return parseNumber(v.str()).has_value();
        case VarKind::Object:
            if (!v.object()) return false;
            try {
                return IsNumeric(valueOf(v));
            } catch (const Error&) {
                return false;
            }
        default: return false;
    }
}

bool IsDate(const Variant& v) {
    if (v.kind() == VarKind::Date) return true;
    if (v.kind() == VarKind::String) return parseDate(v.str()).has_value();
    return false;
}

std::string Hex(const Variant& v) { return radixText(v, 4); }

std::string Oct(const Variant& v) { return radixText(v, 3); }

namespace {

Variant checkedCurrency(__int128 v) {
    if (v > INT64_MAX || v < INT64_MIN) raise(errors::Overflow);
    return Variant::currency(static_cast<int64_t>(v));
}

// Currency cut to whole units in its own integers: towards zero, or down with `floor`.
Variant wholeCurrency(int64_t v, bool floor) {
    __int128 units = v / 10000;
    if (floor && v < 0 && v % 10000 != 0) --units;
    return checkedCurrency(units * 10000);
}

// Applies a whole-number step (trunc, floor) keeping the value's kind.
template <class Step>
Variant wholeNumber(const Variant& v, Step step, bool floor) {
    switch (v.kind()) {
        case VarKind::Null: return v;
        case VarKind::Empty: return Variant(int16_t{0});
        case VarKind::Integer:
        case VarKind::Long:
        case VarKind::Byte: return v;
        case VarKind::Boolean: return Variant(static_cast<int16_t>(v.boolean() ? -1 : 0));
        case VarKind::Single: return Variant(static_cast<float>(step(static_cast<double>(v.sng()))));
        case VarKind::Currency: return wholeCurrency(v.currencyValue(), floor);
        case VarKind::Date: return Variant(Date{step(v.date().serial)});
        case VarKind::Object: return wholeNumber(valueOf(v), step, floor);
        default: return Variant(step(toDouble(v)));
    }
}

double roundDigits(double d, int32_t digits) {
    if (digits == 0) return std::nearbyint(d);
    if (digits > 15) return d;
    double scale = std::pow(10.0, digits);
    double scaled = d * scale;
    if (!std::isfinite(scaled) || std::fabs(scaled) > 9e15) return d;
    return std::nearbyint(scaled) / scale;
}

}  // namespace

Variant Fix(const Variant& v) {
    return wholeNumber(
        v, [](double d) { return std::trunc(d); }, false);
}

Variant Int(const Variant& v) {
    return wholeNumber(
        v, [](double d) { return std::floor(d); }, true);
}

Variant Round(const Variant& v, int32_t digits) {
    if (digits < 0) raise(errors::InvalidProcedureCall);
    switch (v.kind()) {
        case VarKind::Null:
        case VarKind::Integer:
        case VarKind::Long:
        case VarKind::Byte: return v;
        case VarKind::Empty: return Variant(int16_t{0});
        case VarKind::Boolean: return Variant(static_cast<int16_t>(v.boolean() ? -1 : 0));
        case VarKind::Single: return Variant(static_cast<float>(roundDigits(v.sng(), digits)));
        case VarKind::Currency: {
            if (digits >= 4) return v;
            // Half to even in the value's own integers.
            int64_t unit = 1;
            for (int32_t k = digits; k < 4; ++k) unit *= 10;
            __int128 q = v.currencyValue() / unit, r = v.currencyValue() % unit;
            __int128 twice = r < 0 ? -2 * r : 2 * r;
            if (twice > unit || (twice == unit && (q & 1))) q += r < 0 ? -1 : 1;
            return checkedCurrency(q * unit);
        }
        case VarKind::Date: return Variant(Date{roundDigits(v.date().serial, digits)});
        case VarKind::Object: return Round(valueOf(v), digits);
        default: return Variant(roundDigits(toDouble(v), digits));
    }
}

Variant Abs(const Variant& v) {
    switch (v.kind()) {
        case VarKind::Null:
        case VarKind::Byte: return v;
        case VarKind::Empty: return Variant(int16_t{0});
        case VarKind::Boolean: return Variant(static_cast<int16_t>(v.boolean() ? 1 : 0));
        case VarKind::Integer:
            if (v.integer() == INT16_MIN) return Variant(int32_t{32768});
            return Variant(static_cast<int16_t>(v.integer() < 0 ? -v.integer() : v.integer()));
        case VarKind::Long:
            if (v.lng() == INT32_MIN) return Variant(2147483648.0);
            return Variant(v.lng() < 0 ? -v.lng() : v.lng());
        case VarKind::Single: return Variant(std::fabs(v.sng()));
        case VarKind::Currency:
            if (v.currencyValue() == INT64_MIN) raise(errors::Overflow);
            return Variant::currency(v.currencyValue() < 0 ? -v.currencyValue() : v.currencyValue());
        case VarKind::Object: return Abs(valueOf(v));
        default: return Variant(std::fabs(toDouble(v)));
    }
}

int16_t Sgn(const Variant& v) {
    double d = toDouble(v);
    return static_cast<int16_t>(d > 0 ? 1 : d < 0 ? -1 : 0);
}

}  // namespace vb
