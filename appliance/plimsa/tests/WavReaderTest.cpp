#include <gtest/gtest.h>

#include <vector>

#include "SoundBytes.h"
#include "plimsa/readers/SoundDecoder.h"

namespace plimsa {
namespace {

using test::Bytes;
using test::DataChunk;
using test::ReadStream;
using test::Wav;
using test::WavFmt;

const std::vector<uint8_t> kSamples(1000, 0x11);

TEST(WavReader, PcmStream) {
    auto opened = ReadStream(wavfile_decoder, Wav({1, 2, 44100, 176400, 4, 16}, DataChunk(kSamples)));
    ASSERT_TRUE(opened.stream);
    const SoundStream& s = *opened.stream;
    EXPECT_FALSE(s.message);
    EXPECT_EQ(s.type, 5u);
    EXPECT_EQ(s.sampleFormat, kFormatSigned16LittleEndian);
    EXPECT_EQ(s.channels, 2);
    EXPECT_EQ(s.sampleRate, 44100u);
    EXPECT_EQ(s.blockSize, 4096u);
    EXPECT_EQ(s.readUnit, 4096u);
    EXPECT_EQ(s.codecId, kCodecCopy16);
    EXPECT_EQ(s.bytesPerFrame, 4);
    EXPECT_EQ(s.dataStart, 44u);
    EXPECT_EQ(s.dataSize, 1000u);
    EXPECT_EQ(s.remaining, 1000);
    EXPECT_EQ(s.duration, 1000u * 1000 / 176400);
    // The source is left at the first sample byte.
    EXPECT_EQ(opened.memory.cursor, 44u);

    auto eight = ReadStream(wavfile_decoder, Wav({1, 1, 8000, 8000, 1, 8}, DataChunk(kSamples)));
    ASSERT_TRUE(eight.stream);
    EXPECT_EQ(eight.stream->sampleFormat, kFormatUnsigned8);
    EXPECT_EQ(eight.stream->codecId, kCodecCopy8);
    EXPECT_EQ(eight.stream->fill, 128);
    EXPECT_EQ(eight.stream->blockSize, 768u);
}

TEST(WavReader, WideSamplesPlayAsTheirTopSixteenBits) {
    auto opened = ReadStream(wavfile_decoder, Wav({1, 2, 44100, 264600, 6, 24}, DataChunk(kSamples)));
    ASSERT_TRUE(opened.stream);
    EXPECT_EQ(opened.stream->codecId, kCodecLittleEndian24);
    EXPECT_EQ(opened.stream->sampleFormat, kFormatSigned16LittleEndian);
    EXPECT_EQ(opened.stream->readUnit, 4092u);  // whole 6-byte frames
    auto wide = ReadStream(wavfile_decoder, Wav({1, 1, 8000, 32000, 4, 32}, DataChunk(kSamples)));
    ASSERT_TRUE(wide.stream);
    EXPECT_EQ(wide.stream->codecId, kCodecLittleEndian32);

    // The extensible layout with a PCM sub-format, as most programs write 24-bit files.
    Bytes file;
    file.tag("RIFF").le32(0).tag("WAVE").tag("fmt ").le32(40);
    file.le16(0xFFFE).le16(1).le32(8000).le32(24000).le16(3).le16(24);
    file.le16(22).le16(24).le32(4).le16(1).add({0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71});
    file.add(DataChunk(kSamples).data);
    auto extensible = ReadStream(wavfile_decoder, file);
    ASSERT_TRUE(extensible.stream);
    EXPECT_EQ(extensible.stream->codecId, kCodecLittleEndian24);
    EXPECT_EQ(extensible.stream->dataStart, 68u);

    file.data[44 + 10] = 0x11;  // not the known sub-format identifier
    auto unknown = ReadStream(wavfile_decoder, file);
    ASSERT_TRUE(unknown.stream);
    EXPECT_EQ(*unknown.stream->message, "Unknown WAV compression code: 0xFFFE ");
}

TEST(WavReader, CodecsByFormatTag) {
    auto ms = ReadStream(wavfile_decoder, Wav({2, 2, 22050, 22311, 1024, 4}, DataChunk(kSamples)));
    ASSERT_TRUE(ms.stream);
    EXPECT_EQ(ms.stream->codecId, kCodecMsAdpcm);
    EXPECT_EQ(ms.stream->readUnit, 1024u);
    EXPECT_EQ(ms.stream->codec.channels, 2);
    EXPECT_EQ(ms.stream->codec.blockAlign, 1024);
    auto ima = ReadStream(wavfile_decoder, Wav({0x11, 1, 8000, 4055, 256, 4}, DataChunk(kSamples)));
    ASSERT_TRUE(ima.stream);
    EXPECT_EQ(ima.stream->codecId, kCodecImaAdpcm);
    EXPECT_EQ(ima.stream->readUnit, 256u);
    auto mu = ReadStream(wavfile_decoder, Wav({7, 1, 8000, 8000, 1, 8}, DataChunk(kSamples)));
    ASSERT_TRUE(mu.stream);
    EXPECT_EQ(mu.stream->codecId, kCodecMuLaw);
    EXPECT_EQ(mu.stream->sampleFormat, kFormatSigned16LittleEndian);
    EXPECT_EQ(mu.stream->readUnit, 384u);
    auto a = ReadStream(wavfile_decoder, Wav({6, 1, 8000, 8000, 1, 8}, DataChunk(kSamples)));
    ASSERT_TRUE(a.stream);
    EXPECT_EQ(a.stream->codecId, kCodecALaw);
    auto gsm = ReadStream(wavfile_decoder, Wav({0x31, 1, 8000, 1625, 65, 0}, DataChunk(kSamples)));
    ASSERT_TRUE(gsm.stream);
    EXPECT_EQ(gsm.stream->codecId, kCodecGsm);
    EXPECT_TRUE(gsm.stream->codec.gsm);
    EXPECT_EQ(gsm.stream->blockSize, 256u);  // a byte rate below 2560 still gets a block size
}

TEST(WavReader, RefusedFormatsKeepTheirMessage) {
    auto mpeg = ReadStream(wavfile_decoder, Wav({0x50, 1, 8000, 8000, 1, 8}, DataChunk(kSamples)));
    ASSERT_TRUE(mpeg.stream);
    EXPECT_EQ(*mpeg.stream->message, "Unsupported WAV compression: WAVE_MPEG");
    auto oli = ReadStream(wavfile_decoder, Wav({0x1000, 1, 8000, 8000, 1, 8}, DataChunk(kSamples)));
    EXPECT_EQ(*oli.stream->message, "Unsupported WAV compression: WAVE_OLIGSM");
    auto unknown = ReadStream(wavfile_decoder, Wav({0x1234, 1, 8000, 8000, 1, 8}, DataChunk(kSamples)));
    EXPECT_EQ(*unknown.stream->message, "Unknown WAV compression code: 0x1234 ");
}

TEST(WavReader, UnusableHeadersAreRefusedNotDividedBy) {
    for (const WavFmt& format :
         {WavFmt{1, 1, 0, 16000, 2, 16}, WavFmt{1, 0, 8000, 16000, 2, 16}, WavFmt{1, 1, 8000, 0, 2, 16},
          WavFmt{1, 1, 8000, 16000, 0, 16}, WavFmt{1, 1, 8000, 16000, 5, 40},  // 5-byte samples
          WavFmt{1, 2, 8000, 16000, 3, 16},                                    // frame not a whole number of samples
          WavFmt{0x11, 1, 8000, 4055, 4, 4},                                   // IMA block no longer than its header
          WavFmt{2, 2, 8000, 4055, 14, 4},                                     // MS block no longer than its header
          WavFmt{2, 1, 8000, 4055, 8192, 4},                                   // block above the largest read unit
          WavFmt{0x31, 1, 8000, 1625, 64, 0}}) {                               // not whole GSM blocks
        auto opened = ReadStream(wavfile_decoder, Wav(format, DataChunk(kSamples)));
        EXPECT_FALSE(opened.stream) << format.tag << " " << format.blockAlign;
    }
}

TEST(WavReader, HeaderTest) {
    auto file = Wav({1, 3, 8000, 48000, 6, 16}, DataChunk(kSamples));
    EXPECT_EQ(IsWav(file.data.data(), file.data.size()), kTooManyChannels);
    EXPECT_EQ(IsWav(file.data.data(), 35), kNotThisFormat);
    EXPECT_EQ(FindDecoder(file.data.data(), file.data.size()), nullptr);
    file.data[16] = 15;  // fmt chunk shorter than its fields
    EXPECT_EQ(IsWav(file.data.data(), file.data.size()), kNotThisFormat);
}

TEST(WavReader, ChunkWalk) {
    // An odd-sized chunk is passed over by its size as stored, without a pad byte.
    Bytes chunks;
    chunks.tag("junk").le32(3).add({1, 2, 3});
    chunks.tag("INFO").le32(8 + 6).tag("INAM").le32(6).tag("Title").add({0});
    chunks.add(DataChunk(kSamples).data);
    auto opened = ReadStream(wavfile_decoder, Wav({}, chunks));
    ASSERT_TRUE(opened.stream);
    EXPECT_EQ(*opened.stream->title, "Title");
    EXPECT_EQ(opened.stream->dataStart, 36u + 11 + 22 + 8);

    // No data chunk: the walk ends at the end of the file.
    EXPECT_FALSE(ReadStream(wavfile_decoder, Wav({}, Bytes().tag("junk").le32(3).add({1, 2, 3}))).stream);
    // A chunk reaching beyond the end of the file ends the walk (64-bit offsets, no wrap-around).
    EXPECT_FALSE(
        ReadStream(wavfile_decoder, Wav({}, Bytes().tag("junk").le32(0xFFFFFFF8).add(DataChunk(kSamples).data)))
            .stream);
    // A data chunk larger than the file holds only what the file holds.
    auto cut = Wav({}, Bytes().tag("data").le32(1000000).add(kSamples));
    auto truncated = ReadStream(wavfile_decoder, cut);
    ASSERT_TRUE(truncated.stream);
    EXPECT_EQ(truncated.stream->dataSize, 1000u);
    EXPECT_EQ(truncated.stream->duration, 1000u * 1000 / 16000);
}

TEST(WavReader, TitlesAreCappedAndBoundedByTheData) {
    Bytes chunks;
    chunks.tag("INFO").le32(8 + 5000).tag("INAM").le32(5000).fill(5000, 'x');
    chunks.add(DataChunk(kSamples).data);
    auto opened = ReadStream(wavfile_decoder, Wav({}, chunks));
    ASSERT_TRUE(opened.stream);
    EXPECT_EQ(opened.stream->title->size(), 1024u);

    // A title that claims more than the INFO chunk and the file hold.
    Bytes lying;
    lying.tag("INFO").le32(20).tag("INAM").le32(0x7FFFFFFF).tag("short");
    auto bounded = ReadStream(wavfile_decoder, Wav({}, lying));
    EXPECT_FALSE(bounded.stream);
}

TEST(WavReader, OpensFilesAndLeavesThemAtTheSamples) {
    const std::string path = testing::TempDir() + "plimsa_reader_test.wav";
    const auto file =
        Wav({1, 1, 8000, 16000, 2, 16}, Bytes().tag("LIST").le32(4).tag("INFO").add(DataChunk(kSamples).data));
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(out);
    std::fwrite(file.data.data(), 1, file.data.size(), out);
    std::fclose(out);

    EXPECT_EQ(find_decoder(path.c_str()), &wavfile_decoder);
    auto stream = wavfile_decoder.open(path.c_str());
    ASSERT_TRUE(stream);
    ASSERT_TRUE(stream->file);
    EXPECT_EQ(ftello(stream->file), 56);
    EXPECT_EQ(stream->dataStart, 56u);
    wavfile_decoder.close(std::move(stream));
    EXPECT_FALSE(wavfile_decoder.open((path + ".missing").c_str()));
    std::remove(path.c_str());
}

}  // namespace
}  // namespace plimsa
