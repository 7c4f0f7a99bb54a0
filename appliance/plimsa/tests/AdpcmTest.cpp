#include <gtest/gtest.h>

#include <vector>

#include "SoundBytes.h"
#include "plimsa/decoders/Codecs.h"

namespace plimsa {
namespace {

using test::SampleAt;

// Decodes from a buffer of exactly the input's size, so that a read past it is caught by the sanitizers.
std::vector<int16_t> Decode(const std::vector<uint8_t>& input, uint32_t codecId, uint16_t channels, uint16_t blockAlign,
                            int* result = nullptr) {
    CodecState state;
    state.channels = channels;
    state.blockAlign = blockAlign;
    const std::vector<uint8_t> exact(input);
    std::vector<uint8_t> output(OutputCapacity(static_cast<uint32_t>(exact.size())));
    const int length = decompress(exact.data(), static_cast<uint32_t>(exact.size()), output.data(),
                                  static_cast<uint32_t>(output.size()), state, codecId);
    if (result) *result = length;
    std::vector<int16_t> samples;
    for (int i = 0; i + 1 < length; i += 2) samples.push_back(SampleAt(output, i / 2));
    return samples;
}

TEST(ImaAdpcm, MonoBlockLowNibbleFirst) {
    // First sample 0, step index 0; codes 1 then 7.
    EXPECT_EQ(Decode({0, 0, 0, 0, 0x71}, kCodecImaAdpcm, 1, 5), (std::vector<int16_t>{0, 1, 12}));
    // A step index above 88 is taken as 88.
    EXPECT_EQ(Decode({0, 0, 100, 0, 0x71, 0x3C}, kCodecImaAdpcm, 1, 6),
              Decode({0, 0, 88, 0, 0x71, 0x3C}, kCodecImaAdpcm, 1, 6));
}

TEST(ImaAdpcm, StereoGroupsInterleave) {
    std::vector<uint8_t> block = {100, 0, 0, 0, 0x9C, 0xFF, 0, 0};  // left 100, right -100
    block.insert(block.end(), 4, 0x11);                             // left: +1 eight times
    block.insert(block.end(), 4, 0x99);                             // right: -1 eight times
    block.insert(block.end(), 5, 0x77);                             // a partial group: not decoded
    const auto samples = Decode(block, kCodecImaAdpcm, 2, static_cast<uint16_t>(block.size()));
    ASSERT_EQ(samples.size(), 18u);
    for (int i = 0; i <= 8; ++i) {
        EXPECT_EQ(samples[2 * i], 100 + i);
        EXPECT_EQ(samples[2 * i + 1], -100 - i);
    }
}

TEST(ImaAdpcm, PieceShorterThanItsHeaderEndsTheStream) {
    int result = 0;
    Decode({0, 0, 0}, kCodecImaAdpcm, 1, 256, &result);
    EXPECT_EQ(result, -1);
    Decode({0, 0, 0, 0, 0, 0, 0}, kCodecImaAdpcm, 2, 256, &result);
    EXPECT_EQ(result, -1);
}

TEST(MsAdpcm, MonoBlock) {
    // Predictor 0 (256, 0), delta 16, sample 1 = 100, sample 2 = 50; codes 1 then 2, high nibble first.
    EXPECT_EQ(Decode({0, 16, 0, 100, 0, 50, 0, 0x12}, kCodecMsAdpcm, 1, 8), (std::vector<int16_t>{50, 100, 116, 148}));
    // Code 0xF is -1.
    EXPECT_EQ(Decode({0, 16, 0, 100, 0, 50, 0, 0xF0}, kCodecMsAdpcm, 1, 8), (std::vector<int16_t>{50, 100, 84, 84}));
}

TEST(MsAdpcm, StereoHeaderAndCodesInterleave) {
    // Predictors, deltas (16, 32), samples 1 (10, -10), samples 2 (5, -5); one byte: left code 1, right code 1.
    const std::vector<uint8_t> block = {0, 0, 16, 0, 32, 0, 10, 0, 0xF6, 0xFF, 5, 0, 0xFB, 0xFF, 0x11};
    EXPECT_EQ(Decode(block, kCodecMsAdpcm, 2, 15), (std::vector<int16_t>{5, -5, 10, -10, 26, 22}));
}

TEST(MsAdpcm, BadPredictorAndShortPieceEndTheStream) {
    int result = 0;
    Decode({7, 16, 0, 100, 0, 50, 0, 0x12}, kCodecMsAdpcm, 1, 8, &result);
    EXPECT_EQ(result, -1);
    Decode({0, 16, 0, 100, 0}, kCodecMsAdpcm, 1, 8, &result);
    EXPECT_EQ(result, -1);
    // A second block whose predictor is bad refuses the whole piece.
    Decode({0, 16, 0, 100, 0, 50, 0, 0x12, 9, 16, 0, 100, 0, 50, 0, 0x12}, kCodecMsAdpcm, 1, 8, &result);
    EXPECT_EQ(result, -1);
}

TEST(MsAdpcm, RunawayDeltaSaturates) {
    std::vector<uint8_t> block = {0, 0xFF, 0x7F, 0, 0, 0, 0};
    block.insert(block.end(), 2000, 0x88);
    const auto samples = Decode(block, kCodecMsAdpcm, 1, static_cast<uint16_t>(block.size()));
    ASSERT_EQ(samples.size(), 4002u);
    EXPECT_EQ(samples.back(), -32768);
}

}  // namespace
}  // namespace plimsa
