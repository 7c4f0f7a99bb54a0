#pragma once
// Rate conversion of 16-bit mono samples, for speech engines that do not synthesise at
// the rate of the file being written.

#include <cstdint>
#include <span>
#include <vector>

namespace windows {

// Linear interpolation from `fromRate` to `toRate` (both above 0); the result holds
// round(size × toRate / fromRate) samples.
std::vector<int16_t> Resample(std::span<const int16_t> samples, int fromRate, int toRate);

}  // namespace windows
