#include "forms/Timer.h"

#include <chrono>

#include "forms/detail/LoopInternals.h"
#include "vb/Error.h"

namespace forms {

namespace {
constexpr int32_t kMaxInterval = 65535;
constexpr int32_t kInvalidPropertyValue = 380;
constexpr const char* kInvalidPropertyValueText = "Invalid property value";
}  // namespace

Timer::Timer(Loop& loop) : loop_(loop) {}

Timer::~Timer() {
    if (armed_) detail::cancel(loop_, *armed_);
}

void Timer::Interval(int32_t ms) {
    if (ms < 0 || ms > kMaxInterval) throw vb::Error(kInvalidPropertyValue, kInvalidPropertyValueText);
    interval_ = ms;
    restart();
}

void Timer::Enabled(bool on) {
    enabled_ = on;
    restart();
}

void Timer::restart() {
    if (armed_) detail::cancel(loop_, *armed_);
    armed_.reset();
    if (!enabled_ || interval_ == 0) return;
    armed_ = detail::schedule(loop_, loop_.now() + std::chrono::milliseconds(interval_), [this] { tick(); });
}

void Timer::tick() {
    armed_.reset();                 // the loop removed the entry before calling
    restart();                      // the next tick counts from this one
    detail::raise(loop_, OnTimer);  // last: the handler may destroy this timer
}

}  // namespace forms
