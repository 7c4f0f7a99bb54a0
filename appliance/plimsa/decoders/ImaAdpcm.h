#pragma once
// IMA ADPCM as WAV files store it: blocks that start with one 4-byte header per channel
// (first sample, step index, reserved), then 4-bit codes, low nibble first.

#include <cstdint>

namespace plimsa {

// The predictor of one channel.
struct ImaChannelState {
    int32_t predicted = 0;
    int32_t stepIndex = 0;
};

// One decoding step: updates the channel state by a 4-bit code and returns the new sample.
int16_t adpcmg721_decoder(uint8_t nibble, ImaChannelState& state);

// Decodes the blocks of blockAlign bytes in the input (the last one may be shorter).
// Returns the output bytes, or -1 when the input is shorter than the block header.
int imaAdpcmDecompress(const uint8_t* input, uint32_t n, uint8_t* output, uint32_t capacity, uint16_t channels,
                       uint16_t blockAlign);

}  // namespace plimsa
