#pragma once
// Reading 16- and 32-bit values stored big-endian (AU, AIFF, IFF) or little-endian (WAV).

#include <cstdint>

namespace plimsa {

inline uint16_t BEtoHost16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t BEtoHost32(const uint8_t* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}
inline uint16_t LEtoHost16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t LEtoHost32(const uint8_t* p) {
    return (uint32_t{p[3]} << 24) | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
}

}  // namespace plimsa
