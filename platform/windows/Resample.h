#pragma once
// Rate conversion of 16-bit mono samples, for speech engines that do not synthesise at
// the rate of the file being written.

#include <cstdint>
#include <span>
#include <vector>

namespace windows {

// Linear interpolation from `fromRate` to `toRate` (both above 0) of samples that arrive
// in pieces; in all, round(count × toRate / fromRate) samples come out.
class Resampler {
public:
    Resampler(int fromRate, int toRate);
    // The samples that the input so far allows.
    std::vector<int16_t> Push(std::span<const int16_t> samples);
    // The rest, once the input has ended.
    std::vector<int16_t> Finish();

private:
    double step_;
    double ratio_;
    std::vector<int16_t> window_;  // the input from index base_ on
    uint64_t base_ = 0;
    uint64_t received_ = 0;
    uint64_t produced_ = 0;
};

// All at once.
std::vector<int16_t> Resample(std::span<const int16_t> samples, int fromRate, int toRate);

}  // namespace windows
