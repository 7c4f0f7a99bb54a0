#include "BriskoSettings.h"

#include <strings.h>

#include <cstdlib>

namespace brisko::core {

namespace {

struct Defaults {
    bool refill;
    unsigned long size;
    unsigned long startPercent;
};
constexpr Defaults kFileDefaults{false, 50000, 30};
constexpr Defaults kNetworkDefaults{true, 700000, 10};

constexpr unsigned long kMinBufferSize = 5000;
constexpr unsigned long kMaxBufferSize = 128000000;
constexpr unsigned long kMinStartPercent = 5;
constexpr unsigned long kMaxStartPercent = 95;
constexpr unsigned kDefaultFreqLimit = 24000;
constexpr unsigned kMaxFreqLimit = 48000;
constexpr unsigned kMaxBitrateLimit = 1500000;
constexpr unsigned long kMinPrefill = 300;

// The variable read as atoi reads it and taken as unsigned, so that a negative value is large.
bool Number(const char* name, unsigned& value)
{
    const char* text = std::getenv(name);
    if (!text) return false;
    value = static_cast<unsigned>(std::atoi(text));
    return true;
}

unsigned long Clamped(const char* name, unsigned long fallback, unsigned long low, unsigned long high)
{
    unsigned value = 0;
    if (!Number(name, value)) return fallback;
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

// Codes from 0 to limit - 1; anything else is 0.
int Code(const char* name, unsigned limit)
{
    unsigned value = 0;
    if (!Number(name, value)) return 0;
    return value < limit ? static_cast<int>(value) : 0;
}

bool Refill(bool fallback)
{
    const char* text = std::getenv("BRISKOREFILLONUNDERFLOW");
    if (!text) return fallback;
    return strcasecmp(text, "ON") == 0;
}

}  // namespace

BriskoSettings ReadBriskoSettings(bool network)
{
    const Defaults& d = network ? kNetworkDefaults : kFileDefaults;
    BriskoSettings s;
    s.refillOnUnderflow = Refill(d.refill);
    s.bufferSize = Clamped("BRISKOBUFFERSIZE", d.size, kMinBufferSize, kMaxBufferSize);
    s.bufferStartPercent = Clamped("BRISKOBUFFERSTARTPERCENT", d.startPercent, kMinStartPercent, kMaxStartPercent);
    s.transformBit = Code("BRISKOTRANSFORMBITCODE", 4);
    s.transformChannel = Code("BRISKOTRANSFORMCHANNELCODE", 4);
    s.convert = Code("BRISKOCONVERTCODE", 4);
    s.reduction = Code("BRISKOREDUCTIONCODE", 3);
    unsigned value = 0;
    s.freqLimit =
        static_cast<int>(Number("BRISKOFREQLIMIT", value) && value <= kMaxFreqLimit ? value : kDefaultFreqLimit);
    s.maxBitrate = Number("BRISKOMAXBITRATE", value) && value <= kMaxBitrateLimit ? value : 0xFFFFFFFFu;
    return s;
}

unsigned long PrefillBytes(unsigned long bufferSize, unsigned long startPercent)
{
    unsigned long need = bufferSize * startPercent / 120;
    return need < kMinPrefill ? kMinPrefill : need;
}

}  // namespace brisko::core
