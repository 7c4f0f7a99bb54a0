#pragma once
// A date and time as the language keeps it: days since 30 December 1899 as a double, the
// fraction the time of day. Before that day the date part counts back and the fraction still
// runs forward from midnight (-1.25 is 29 December 1899 06:00).

#include <compare>

namespace vb {

struct Date {
    double serial = 0;

    friend auto operator<=>(const Date&, const Date&) = default;
};

}  // namespace vb
