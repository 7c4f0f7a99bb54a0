#include <gtest/gtest.h>

#include <gsm.h>

#include <cmath>
#include <vector>

#include "SoundBytes.h"
#include "plimsa/decoders/GsmDecoder.h"

namespace plimsa {
namespace {

using test::Bytes;

// `blocks` WAV49 blocks of a tone, encoded with libgsm.
std::vector<uint8_t> EncodeTone(int blocks) {
    gsm encoder = gsm_create();
    int on = 1;
    gsm_option(encoder, GSM_OPT_WAV49, &on);
    std::vector<uint8_t> data(blocks * kGsmBlockBytes);
    gsm_signal frame[160];
    int n = 0;
    for (int block = 0; block < blocks; ++block) {
        for (int half = 0; half < 2; ++half) {
            for (auto& sample : frame) sample = static_cast<gsm_signal>(8000 * std::sin(n++ * 0.07));
            // The first frame fills 32 bytes and half of the 33rd, the second the rest of the block.
            gsm_encode(encoder, frame, data.data() + block * kGsmBlockBytes + half * 32);
        }
    }
    gsm_destroy(encoder);
    return data;
}

std::vector<uint8_t> DecodeAll(const std::vector<uint8_t>& data, int* result = nullptr) {
    GsmDecoder decoder;
    std::vector<uint8_t> output(data.size() * 10 + 640);
    const int length =
        GSMDecompress(&decoder, data.data(), static_cast<uint32_t>(data.size()), output.data(), output.size());
    if (result) *result = length;
    output.resize(length > 0 ? length : 0);
    return output;
}

TEST(Gsm, BlocksAndTrailingPieces) {
    const auto data = EncodeTone(3);
    EXPECT_EQ(DecodeAll({data.begin(), data.begin() + 65}).size(), 640u);
    // 33 to 64 bytes: the first half only; nothing is read behind the piece.
    EXPECT_EQ(DecodeAll({data.begin(), data.begin() + 33}).size(), 320u);
    EXPECT_EQ(DecodeAll({data.begin(), data.begin() + 64}).size(), 320u);
    EXPECT_EQ(DecodeAll({data.begin(), data.begin() + 65 + 40}).size(), 960u);
    int result = 0;
    DecodeAll({data.begin(), data.begin() + 20}, &result);
    EXPECT_EQ(result, -1);
}

// A GSM WAV file played read unit by read unit decodes as one continuous stream.
TEST(Gsm, StreamKeepsOneDecoder) {
    const auto data = EncodeTone(12);
    const auto file = test::Wav({0x31, 1, 8000, 1625, 65, 0}, test::DataChunk(data));
    auto opened = test::ReadStream(wavfile_decoder, file);
    ASSERT_TRUE(opened.stream);
    EXPECT_EQ(opened.stream->readUnit, 65u);
    std::vector<uint8_t> played;
    for (size_t at = 0; at < data.size(); at += 65) {
        const auto piece = test::PlayAll(wavfile_decoder, *opened.stream, data.data() + at, 65);
        played.insert(played.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(played, DecodeAll(data));

    // Decoding every block afresh, as a decoder per read unit would, gives other samples.
    std::vector<uint8_t> afresh;
    for (size_t at = 0; at < data.size(); at += 65) {
        const auto piece = DecodeAll({data.begin() + at, data.begin() + at + 65});
        afresh.insert(afresh.end(), piece.begin(), piece.end());
    }
    EXPECT_NE(afresh, played);
}

}  // namespace
}  // namespace plimsa
