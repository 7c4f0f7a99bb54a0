#include "PlayPosition.h"

#include <algorithm>
#include <limits>

namespace plimsa::core {

uint32_t ElapsedMs(uint64_t bytes, uint32_t sampleRate, uint32_t bitsPerFrame) {
    const uint64_t bitsPerSecond = uint64_t{sampleRate} * bitsPerFrame;
    if (bitsPerSecond == 0) return 0;
    // bytes x 8000 stays inside 64 bits for any file the 32-bit sizes can describe.
    const uint64_t ms = bytes / bitsPerSecond * 8000 + bytes % bitsPerSecond * 8000 / bitsPerSecond;
    return static_cast<uint32_t>(std::min<uint64_t>(ms, std::numeric_limits<uint32_t>::max()));
}

uint32_t BlockDurationMs(uint32_t blockSize, uint32_t sampleRate, uint32_t bitsPerFrame) {
    return std::max<uint32_t>(ElapsedMs(blockSize, sampleRate, bitsPerFrame), 1);
}

}  // namespace plimsa::core
