#pragma once
// Writing decoded samples as the audio device takes them: signed 16-bit little-endian.

#include <bit>
#include <cstdint>
#include <cstring>

namespace plimsa {

// Stores one sample at output + offset; returns the offset behind it.
inline uint32_t PutSample(uint8_t* output, uint32_t offset, int32_t sample) {
    const auto value = static_cast<uint16_t>(static_cast<int16_t>(sample));
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(output + offset, &value, 2);  // one store on the usual hosts
    } else {
        output[offset] = static_cast<uint8_t>(value & 0xFF);
        output[offset + 1] = static_cast<uint8_t>(value >> 8);
    }
    return offset + 2;
}

inline uint32_t PutSamples(uint8_t* output, uint32_t offset, const int16_t* samples, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) offset = PutSample(output, offset, samples[i]);
    return offset;
}

// Keeps a prediction inside the 16-bit range.
inline int32_t Clamp16(int64_t value) {
    return value > 32767 ? 32767 : value < -32768 ? -32768 : static_cast<int32_t>(value);
}

}  // namespace plimsa
