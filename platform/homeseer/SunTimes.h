#pragma once
// Sunrise and sunset of a day at a place on Earth, as the host shows them ("6:42 AM"), by
// the usual almanac approximation (within a minute or two). Local times use the system's
// time zone on that day.

#include <optional>
#include <string>

#include "vb/Date.h"

namespace homeseer {

enum class SunEvent { Rise, Set };

// The local hour of day (0 to 24) of the event on the date of `day` at latitude and
// longitude in degrees (north and east positive), with `utcOffsetHours` the local offset;
// none where the sun does not rise or set that day.
std::optional<double> SunEventHour(vb::Date day, double latitude, double longitude, SunEvent event,
                                   double utcOffsetHours);

// The event's local time as "h:mm AM" / "h:mm PM"; "" where the sun does not rise or set.
std::string SunTimeText(vb::Date day, double latitude, double longitude, SunEvent event);

}  // namespace homeseer
