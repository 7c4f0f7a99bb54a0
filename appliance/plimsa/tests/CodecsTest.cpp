#include <gtest/gtest.h>

#include <vector>

#include "SoundBytes.h"
#include "plimsa/decoders/Codecs.h"
#include "plimsa/decoders/G711.h"

namespace plimsa {
namespace {

using test::SampleAt;

std::vector<uint8_t> Decode(std::vector<uint8_t> input, uint32_t codecId, CodecState& state, int* result = nullptr) {
    std::vector<uint8_t> output(OutputCapacity(static_cast<uint32_t>(input.size())));
    const int length = decompress(input.data(), static_cast<uint32_t>(input.size()), output.data(),
                                  static_cast<uint32_t>(output.size()), state, codecId);
    if (result) *result = length;
    output.resize(length > 0 ? length : 0);
    return output;
}

TEST(Codecs, PcmConversions) {
    CodecState none;
    EXPECT_EQ(Decode({0x00, 0xFF, 0x80}, kCodecSigned8, none), (std::vector<uint8_t>{0x80, 0x7F, 0x00}));
    EXPECT_EQ(Decode({0x00, 0xFF, 0x80}, kCodecCopy8, none), (std::vector<uint8_t>{0x00, 0xFF, 0x80}));
    // Big-endian 0x1234 becomes the little-endian sample 0x1234; a stray last byte is no sample.
    EXPECT_EQ(Decode({0x12, 0x34, 0x56}, kCodecBigEndian16, none), (std::vector<uint8_t>{0x34, 0x12}));
    EXPECT_EQ(Decode({0x34, 0x12, 0x56}, kCodecCopy16, none), (std::vector<uint8_t>{0x34, 0x12}));
    // Wider samples play as their top 16 bits (not as a stream of 16-bit words).
    EXPECT_EQ(Decode({0x11, 0x22, 0x33, 0x44, 0x55, 0x66}, kCodecLittleEndian24, none),
              (std::vector<uint8_t>{0x22, 0x33, 0x55, 0x66}));
    EXPECT_EQ(Decode({0x11, 0x22, 0x33, 0x44, 0xAA, 0xBB, 0xCC, 0xDD, 0x01}, kCodecLittleEndian32, none),
              (std::vector<uint8_t>{0x33, 0x44, 0xCC, 0xDD}));
}

TEST(Codecs, G711FollowsTheStandardTables) {
    EXPECT_EQ(MuLawDecode(0xFF), 0);
    EXPECT_EQ(MuLawDecode(0x7F), 0);
    EXPECT_EQ(MuLawDecode(0x80), 32124);
    EXPECT_EQ(MuLawDecode(0x00), -32124);
    EXPECT_EQ(ALawDecode(0xD5), 8);
    EXPECT_EQ(ALawDecode(0x55), -8);
    EXPECT_EQ(ALawDecode(0xAA), 32256);
    EXPECT_EQ(ALawDecode(0x2A), -32256);

    CodecState mu;
    mu.table = initMuLaw();
    const auto pcm = Decode({0x80, 0x00, 0xFF}, kCodecMuLaw, mu);
    ASSERT_EQ(pcm.size(), 6u);
    EXPECT_EQ(SampleAt(pcm, 0), 32124);
    EXPECT_EQ(SampleAt(pcm, 1), -32124);
    EXPECT_EQ(SampleAt(pcm, 2), 0);
    CodecState a;
    a.table = initALaw();
    EXPECT_EQ(SampleAt(Decode({0x55}, kCodecALaw, a), 0), -8);
}

TEST(Codecs, UnknownCodeYieldsNothingAndSaysSo) {
    CodecState none;
    testing::internal::CaptureStderr();
    int result = -2;
    Decode({1, 2, 3}, 7, none, &result);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "Unknown decompress code\n");
    EXPECT_EQ(result, 0);
}

TEST(Codecs, OutputStaysInsideTheArea) {
    CodecState mu;
    mu.table = initMuLaw();
    std::vector<uint8_t> input(100, 0x80);
    std::vector<uint8_t> output(50, 0xEE);
    EXPECT_EQ(decompress(input.data(), 100, output.data(), 40, mu, kCodecMuLaw), 40);
    EXPECT_EQ(output[40], 0xEE);
    CodecState none;
    EXPECT_EQ(decompress(input.data(), 100, output.data(), 40, none, kCodecCopy8), 40);
    EXPECT_EQ(output[40], 0xEE);
}

}  // namespace
}  // namespace plimsa
