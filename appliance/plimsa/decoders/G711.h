#pragma once
// mu-law and A-law bytes (ITU-T G.711) expanded to 16-bit linear samples by table lookup.

#include <cstdint>

namespace plimsa {

int16_t MuLawDecode(uint8_t byte);
int16_t ALawDecode(uint8_t byte);

// The 256-entry expansion tables, built once and shared by every stream.
const int16_t* initMuLaw();
const int16_t* initALaw();

// output gets one 16-bit little-endian sample per input byte; returns 2 * n.
int MuALawDecompress(const uint8_t* input, uint32_t n, uint8_t* output, const int16_t* table);

}  // namespace plimsa
