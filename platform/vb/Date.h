#pragma once
// A date and time as the language keeps it: days since 30 December 1899 as a double, the
// fraction the time of day. Before that day the date part counts back and the fraction still
// runs forward from midnight (-1.25 is 29 December 1899 06:00).

#include <compare>

namespace vb {

// The range the language allows: 1 January 100 to 31 December 9999, 23:59:59.
constexpr double kMinDateSerial = -657434.0;
constexpr double kMaxDateSerial = 2958465.999999;

// Whether a serial lies in that range (NaN does not).
constexpr bool isValidDateSerial(double serial) { return serial >= kMinDateSerial && serial <= kMaxDateSerial; }

struct Date {
    double serial = 0;

    friend auto operator<=>(const Date&, const Date&) = default;
};

}  // namespace vb
