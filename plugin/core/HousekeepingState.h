#pragma once
// The housekeeping routines' own module variables.

#include <cstdint>

namespace zephra {

struct HousekeepingState {
    // Table slot still to be power-cycled by the daily sweep; -1 = no sweep.
    int16_t PowerCycleIndex = -1;
    // Whole minutes still to wait before the next slideshow picture.
    int32_t SlideshowMinutesLeft = 0;
};

}  // namespace zephra
