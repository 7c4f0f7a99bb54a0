#include "windows/Resample.h"

#include <cmath>

namespace windows {

Resampler::Resampler(int fromRate, int toRate)
    : step_(static_cast<double>(fromRate) / toRate), ratio_(static_cast<double>(toRate) / fromRate) {}

std::vector<int16_t> Resampler::Push(std::span<const int16_t> samples) {
    window_.insert(window_.end(), samples.begin(), samples.end());
    received_ += samples.size();
    std::vector<int16_t> out;
    for (;;) {
        double at = static_cast<double>(produced_) * step_;
        auto left = static_cast<uint64_t>(at);
        if (left + 1 >= received_) break;
        double a = window_[left - base_], b = window_[left + 1 - base_];
        out.push_back(static_cast<int16_t>(std::lround(a + (b - a) * (at - static_cast<double>(left)))));
        ++produced_;
    }
    // Keep only what later outputs still need.
    auto keepFrom = static_cast<uint64_t>(static_cast<double>(produced_) * step_);
    if (keepFrom > base_ && keepFrom - base_ <= window_.size()) {
        window_.erase(window_.begin(), window_.begin() + static_cast<std::ptrdiff_t>(keepFrom - base_));
        base_ = keepFrom;
    }
    return out;
}

std::vector<int16_t> Resampler::Finish() {
    std::vector<int16_t> out;
    if (window_.empty()) return out;
    const auto total = static_cast<uint64_t>(std::llround(static_cast<double>(received_) * ratio_));
    for (; produced_ < total; ++produced_) {
        auto left = static_cast<uint64_t>(static_cast<double>(produced_) * step_);
        if (left >= received_) left = received_ - 1;
        out.push_back(left >= base_ && left - base_ < window_.size() ? window_[left - base_] : window_.back());
    }
    return out;
}

std::vector<int16_t> Resample(std::span<const int16_t> samples, int fromRate, int toRate) {
    if (fromRate == toRate) return {samples.begin(), samples.end()};
    Resampler resampler(fromRate, toRate);
    std::vector<int16_t> out = resampler.Push(samples);
    std::vector<int16_t> rest = resampler.Finish();
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

}  // namespace windows
