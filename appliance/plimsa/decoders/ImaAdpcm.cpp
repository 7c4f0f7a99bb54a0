#include "plimsa/decoders/ImaAdpcm.h"

#include <algorithm>

#include "plimsa/decoders/SampleOut.h"

namespace plimsa {

namespace {

constexpr int8_t indexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

constexpr int16_t stepsizeTable[89] = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr int kMaxStepIndex = 88;
constexpr uint32_t kHeaderBytes = 4;       // per channel
constexpr uint32_t kStereoGroupBytes = 4;  // per channel, 8 samples

// One step as the format defines it.
inline int16_t PlainStep(uint8_t nibble, ImaChannelState& state) {
    const int32_t step = stepsizeTable[state.stepIndex];
    int32_t difference = step >> 3;
    if (nibble & 1) difference += step >> 2;
    if (nibble & 2) difference += step >> 1;
    if (nibble & 4) difference += step;
    if (nibble & 8) difference = -difference;
    state.predicted = Clamp16(state.predicted + difference);
    state.stepIndex = std::clamp<int32_t>(state.stepIndex + indexTable[nibble & 0x0F], 0, kMaxStepIndex);
    return static_cast<int16_t>(state.predicted);
}

// Every step precomputed by step index and code (difference and next index), so that the block
// loops do one look-up and one clamp per nibble.
struct StepTables {
    int32_t difference[kMaxStepIndex + 1][16];
    uint8_t next[kMaxStepIndex + 1][16];
};

constexpr StepTables MakeStepTables() {
    StepTables t{};
    for (int index = 0; index <= kMaxStepIndex; ++index)
        for (int nibble = 0; nibble < 16; ++nibble) {
            const int32_t step = stepsizeTable[index];
            int32_t difference = step >> 3;
            if (nibble & 1) difference += step >> 2;
            if (nibble & 2) difference += step >> 1;
            if (nibble & 4) difference += step;
            if (nibble & 8) difference = -difference;
            t.difference[index][nibble] = difference;
            const int32_t next = index + indexTable[nibble];
            t.next[index][nibble] = static_cast<uint8_t>(next < 0 ? 0 : next > kMaxStepIndex ? kMaxStepIndex : next);
        }
    return t;
}

constexpr StepTables kSteps = MakeStepTables();

// The step of the block loops (the state's index is always in range there).
inline int16_t Step(uint8_t nibble, ImaChannelState& state) {
    const int32_t sum = state.predicted + kSteps.difference[state.stepIndex][nibble];
    state.predicted = sum > 32767 ? 32767 : sum < -32768 ? -32768 : sum;
    state.stepIndex = kSteps.next[state.stepIndex][nibble];
    return static_cast<int16_t>(state.predicted);
}

// Reads one channel's block header; returns its first sample.
int16_t ReadHeader(const uint8_t* header, ImaChannelState& state) {
    state.predicted = static_cast<int16_t>(header[0] | (header[1] << 8));
    state.stepIndex = std::min<int32_t>(header[2], kMaxStepIndex);
    return static_cast<int16_t>(state.predicted);
}

// Decodes one block of `length` bytes (at least the headers); returns the output offset behind it.
uint32_t DecodeBlock(const uint8_t* block, uint32_t length, uint8_t* output, uint32_t offset, uint32_t capacity,
                     uint16_t channels) {
    ImaChannelState states[2];
    for (uint16_t ch = 0; ch < channels; ++ch)
        offset = PutSample(output, offset, ReadHeader(block + ch * kHeaderBytes, states[ch]));
    const uint8_t* data = block + channels * kHeaderBytes;
    uint32_t left = length - channels * kHeaderBytes;
    if (channels == 1) {
        for (; left > 0 && offset + 4 <= capacity; --left, ++data) {
            offset = PutSample(output, offset, Step(*data & 0x0F, states[0]));
            offset = PutSample(output, offset, Step(*data >> 4, states[0]));
        }
        return offset;
    }
    // Stereo: 4 bytes of the left channel, then 4 of the right, interleaved in the output.
    const uint32_t groupOutput = 2 * kStereoGroupBytes * 2 * 2;
    for (; left >= 2 * kStereoGroupBytes && offset + groupOutput <= capacity; left -= 2 * kStereoGroupBytes) {
        int16_t samples[2][8];
        for (int ch = 0; ch < 2; ++ch) {
            for (uint32_t i = 0; i < kStereoGroupBytes; ++i) {
                samples[ch][2 * i] = Step(data[i] & 0x0F, states[ch]);
                samples[ch][2 * i + 1] = Step(data[i] >> 4, states[ch]);
            }
            data += kStereoGroupBytes;
        }
        for (int i = 0; i < 8; ++i) {
            offset = PutSample(output, offset, samples[0][i]);
            offset = PutSample(output, offset, samples[1][i]);
        }
    }
    return offset;
}

}  // namespace

int16_t adpcmg721_decoder(uint8_t nibble, ImaChannelState& state) { return PlainStep(nibble, state); }

int imaAdpcmDecompress(const uint8_t* input, uint32_t n, uint8_t* output, uint32_t capacity, uint16_t channels,
                       uint16_t blockAlign) {
    const uint32_t headerBytes = channels * kHeaderBytes;
    if (channels < 1 || channels > 2 || blockAlign <= headerBytes || n < headerBytes) return -1;
    uint32_t offset = 0;
    while (n >= headerBytes && offset + 2 * channels <= capacity) {
        const uint32_t length = std::min<uint32_t>(n, blockAlign);
        offset = DecodeBlock(input, length, output, offset, capacity, channels);
        input += length;
        n -= length;
    }
    return static_cast<int>(offset);
}

}  // namespace plimsa
