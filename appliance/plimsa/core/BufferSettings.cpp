#include "BufferSettings.h"

#include <algorithm>
#include <cstdlib>

namespace plimsa::core {

namespace {

constexpr const char* kSizeVariable = "PLIMSABUFFERSIZE";
constexpr const char* kStartVariable = "PLIMSABUFFERSTARTPERCENT";
constexpr long kFileSize = 20000;
constexpr long kNetworkSize = 300000;
constexpr long kSmallestSize = 5000;
constexpr long kLargestSize = 128000000;
constexpr long kFileStart = 30;
constexpr long kNetworkStart = 10;
constexpr long kLowestStart = 5;
constexpr long kHighestStart = 95;
constexpr unsigned long kSmallestPrefill = 1000;
constexpr unsigned long kPrefillDivisor = 120;
constexpr unsigned long kStartStep = 10;
constexpr unsigned long kLastRaisedStart = 85;

// The variable's integer value (its leading digits), or the default when it is not set.
long Setting(const char* name, long fallback, long lowest, long highest) {
    const char* text = std::getenv(name);
    const long value = text ? std::strtol(text, nullptr, 10) : fallback;
    return std::clamp(value, lowest, highest);
}

}  // namespace

BufferSettings ReadBufferSettings(bool network) {
    const long size = Setting(kSizeVariable, network ? kNetworkSize : kFileSize, kSmallestSize, kLargestSize);
    const long start = Setting(kStartVariable, network ? kNetworkStart : kFileStart, kLowestStart, kHighestStart);
    return BufferSettings{static_cast<unsigned long>(size), static_cast<unsigned long>(start)};
}

unsigned long PrefillBytes(unsigned long size, unsigned long startPercent) {
    return std::max(size * startPercent / kPrefillDivisor, kSmallestPrefill);
}

unsigned long RaiseStartPercent(unsigned long startPercent) {
    return startPercent <= kLastRaisedStart ? startPercent + kStartStep : startPercent;
}

}  // namespace plimsa::core
