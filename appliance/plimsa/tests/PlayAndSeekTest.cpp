#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "SoundBytes.h"
#include "plimsa/readers/SoundDecoder.h"

namespace plimsa {
namespace {

using test::Bytes;
using test::Collected;
using test::DataChunk;
using test::PlayAll;
using test::ReadStream;
using test::Wav;

std::vector<uint8_t> Ramp(size_t size) {
    std::vector<uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), uint8_t{0});
    return bytes;
}

TEST(Play, ReadUnitStepsAndRemainingData) {
    // 8000 Hz 16-bit mono: block size 1536; 4000 bytes of data but 5000 bytes of input.
    const auto samples = Ramp(4000);
    auto opened = ReadStream(wavfile_decoder, Wav({}, DataChunk(samples)));
    ASSERT_TRUE(opened.stream);
    ASSERT_EQ(opened.stream->readUnit, 1536u);
    auto input = samples;
    input.resize(5000, 0xEE);
    const auto played = PlayAll(wavfile_decoder, *opened.stream, input.data(), 5000);
    ASSERT_EQ(Collected::pieces.size(), 3u);
    EXPECT_EQ(Collected::pieces[0].size(), 1536u);
    EXPECT_EQ(Collected::pieces[2].size(), 4000u - 2 * 1536);
    EXPECT_EQ(played, samples);
    EXPECT_EQ(opened.stream->remaining, 0);
    EXPECT_TRUE(PlayAll(wavfile_decoder, *opened.stream, input.data(), 100).empty());
}

int StopAtOnce(SoundStream&, const uint8_t*, uint32_t) { return -1; }

TEST(Play, WriterResultStopsThePlay) {
    auto opened = ReadStream(wavfile_decoder, Wav({}, DataChunk(Ramp(4000))));
    const auto input = Ramp(4000);
    opened.stream->input = input.data();
    opened.stream->inputLength = 4000;
    EXPECT_EQ(wavfile_decoder.play(*opened.stream, StopAtOnce), -1);
}

TEST(Play, UndecodableBlockEndsTheStreamUntilASeek) {
    std::vector<uint8_t> blocks = {0, 16, 0, 100, 0, 50, 0, 0x12,   // good block
                                   9, 16, 0, 100, 0, 50, 0, 0x12,   // predictor 9
                                   0, 16, 0, 100, 0, 50, 0, 0x12};  // good again
    auto opened = ReadStream(wavfile_decoder, Wav({2, 1, 8000, 4000, 8, 4}, DataChunk(blocks)));
    ASSERT_TRUE(opened.stream);
    EXPECT_EQ(PlayAll(wavfile_decoder, *opened.stream, blocks.data(), 8).size(), 8u);
    EXPECT_TRUE(PlayAll(wavfile_decoder, *opened.stream, blocks.data() + 8, 8).empty());
    EXPECT_TRUE(opened.stream->ended);
    EXPECT_TRUE(PlayAll(wavfile_decoder, *opened.stream, blocks.data() + 16, 8).empty());
    wavfile_decoder.seek(*opened.stream, 0);
    EXPECT_EQ(PlayAll(wavfile_decoder, *opened.stream, blocks.data(), 8).size(), 8u);
}

TEST(Seek, WavLandsOnTheBlockBoundaryAtOrBelow) {
    // 16000 bytes per second, read unit 1536: 2.5 s = 40000 bytes, rounded down to 39936.
    auto opened = ReadStream(wavfile_decoder, Wav({}, DataChunk(std::vector<uint8_t>(100000))));
    ASSERT_TRUE(opened.stream);
    EXPECT_EQ(wavfile_decoder.seek(*opened.stream, 2500), 44u + 39936);
    EXPECT_EQ(opened.stream->remaining, 100000 - 39936);
    EXPECT_EQ(wavfile_decoder.seek(*opened.stream, 10000), 44u + 159744);
    EXPECT_LE(opened.stream->remaining, 0);
}

TEST(Seek, AuAiffIffLandOnWholeSeconds) {
    Bytes au;
    au.tag(".snd").be32(24).be32(100000).be32(3).be32(8000).be32(1).fill(100000);
    auto opened = ReadStream(aufile_decoder, au);
    ASSERT_TRUE(opened.stream);
    // 2 s of 16000 bytes per second in blocks of 1536: 20 blocks.
    EXPECT_EQ(aufile_decoder.seek(*opened.stream, 2500), 24u + 20 * 1536);
    EXPECT_EQ(aufile_decoder.seek(*opened.stream, 999), 24u);

    Bytes iff;
    iff.tag("FORM").be32(0).tag("8SVX").tag("VHDR").be32(20).be32(0).be32(0).be32(0).be16(8000).add({1, 0}).be32(0);
    iff.tag("BODY").be32(50000).fill(50000);
    auto voice = ReadStream(iffile_decoder, iff);
    ASSERT_TRUE(voice.stream);
    const uint64_t dataStart = voice.stream->dataStart;
    // 8000 bytes per second in blocks of 768: 3 s = 31 blocks.
    EXPECT_EQ(iffile_decoder.seek(*voice.stream, 3000), dataStart + 31 * 768);
    EXPECT_EQ(voice.stream->remaining, 50000 - 31 * 768);
}

}  // namespace
}  // namespace plimsa
