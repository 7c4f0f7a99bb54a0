#include "windows/Resample.h"

#include <cmath>

namespace windows {

std::vector<int16_t> Resample(std::span<const int16_t> samples, int fromRate, int toRate) {
    if (fromRate == toRate || samples.empty()) return {samples.begin(), samples.end()};
    const double step = static_cast<double>(fromRate) / toRate;
    const auto count = static_cast<size_t>(std::llround(static_cast<double>(samples.size()) * toRate / fromRate));
    std::vector<int16_t> out(count);
    for (size_t i = 0; i < count; ++i) {
        double at = static_cast<double>(i) * step;
        auto left = static_cast<size_t>(at);
        if (left >= samples.size() - 1) {
            out[i] = samples.back();
            continue;
        }
        double frac = at - static_cast<double>(left);
        out[i] = static_cast<int16_t>(std::lround(samples[left] + (samples[left + 1] - samples[left]) * frac));
    }
    return out;
}

}  // namespace windows
