#pragma once
// MS ADPCM as WAV files store it: blocks that start with a header of predictor indexes, deltas and
// two samples per channel (fields interleaved by channel), then 4-bit codes, high nibble first,
// channels alternating code by code.

#include <cstdint>

namespace plimsa {

// One decoding step: predicts from the two previous samples of the channel with the coefficient
// pair `predictor` (0..6), adds the code times delta, and adapts delta. Returns the new sample.
int16_t ms_adpcm_decoder(uint8_t nibble, uint8_t predictor, int32_t& sample1, int32_t& sample2, int32_t& delta);

// Decodes the blocks of blockAlign bytes in the input (the last one may be shorter). Returns the
// output bytes, or -1 when a block is shorter than its header or names a predictor above 6.
int msAdpcmDecompress(const uint8_t* input, uint32_t n, uint8_t* output, uint32_t capacity, uint16_t channels,
                      uint16_t blockAlign);

}  // namespace plimsa
