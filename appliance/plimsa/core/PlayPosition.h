#pragma once
// Play positions from the count of decoded bytes handed to the audio device.

#include <cstdint>

namespace plimsa::core {

// Milliseconds that `bytes` of decoded samples last: bytes x 8000 / (rate x bits per frame),
// held in 64 bits; 0 when the rate or the frame size is 0.
uint32_t ElapsedMs(uint64_t bytes, uint32_t sampleRate, uint32_t bitsPerFrame);

// Milliseconds one block of `blockSize` decoded bytes lasts, at least 1.
uint32_t BlockDurationMs(uint32_t blockSize, uint32_t sampleRate, uint32_t bitsPerFrame);

}  // namespace plimsa::core
