#include <gtest/gtest.h>

#include <vector>

#include "SoundBytes.h"
#include "plimsa/readers/SoundDecoder.h"

namespace plimsa {
namespace {

using test::Bytes;
using test::ReadStream;

const std::vector<uint8_t> kSamples(2000, 0x22);

Bytes Au(uint32_t encoding, uint32_t rate, uint32_t channels, const std::string& annotation = "") {
    Bytes b;
    b.tag(".snd")
        .be32(24 + static_cast<uint32_t>(annotation.size()))
        .be32(2000)
        .be32(encoding)
        .be32(rate)
        .be32(channels);
    b.tag(annotation.c_str());
    return b.add(kSamples);
}

// An AIFF (or AIFC with a compression type) file at 8000 Hz with the given chunks ahead of COMM.
Bytes Aiff(uint16_t channels, uint16_t bits, const char* compression = nullptr, const Bytes& before = {}) {
    Bytes b;
    b.tag("FORM").be32(0).tag(compression ? "AIFC" : "AIFF").add(before.data);
    b.tag("COMM").be32(compression ? 24 : 18).be16(channels).be32(channels ? 2000 / channels : 0).be16(bits);
    b.be16(0x400B).be32(0xFA000000).be32(0);
    if (compression) b.tag(compression).add({0, 0});
    return b.tag("SSND").be32(8 + 2000).be32(0).be32(0).add(kSamples);
}

Bytes Iff(uint16_t rate, uint8_t compression, const Bytes& before = {}) {
    Bytes b;
    b.tag("FORM").be32(0).tag("8SVX").tag("VHDR").be32(20).be32(2000).be32(0).be32(0).be16(rate);
    b.add({1, compression}).be32(0x10000).add(before.data);
    return b.tag("BODY").be32(2000).add(kSamples);
}

TEST(AuReader, Encodings) {
    auto mu = ReadStream(aufile_decoder, Au(1, 8000, 1));
    ASSERT_TRUE(mu.stream);
    EXPECT_EQ(*mu.stream->title, "");
    EXPECT_EQ(mu.stream->codecId, kCodecMuLaw);
    EXPECT_EQ(mu.stream->byteRate, 16000u);
    EXPECT_EQ(mu.stream->duration, 250u);  // 2000 bytes of 8000 Hz mono
    EXPECT_EQ(mu.stream->readUnit, mu.stream->blockSize / 2);
    auto linear8 = ReadStream(aufile_decoder, Au(2, 8000, 2, "note"));
    ASSERT_TRUE(linear8.stream);
    EXPECT_EQ(*linear8.stream->title, "note");
    EXPECT_EQ(linear8.stream->codecId, kCodecSigned8);
    EXPECT_EQ(linear8.stream->sampleFormat, kFormatUnsigned8);
    EXPECT_EQ(linear8.stream->duration, 125u);
    EXPECT_EQ(linear8.stream->dataStart, 28u);
    EXPECT_EQ(linear8.memory.cursor, 28u);
    auto linear16 = ReadStream(aufile_decoder, Au(3, 8000, 1));
    EXPECT_EQ(linear16.stream->codecId, kCodecBigEndian16);
    EXPECT_EQ(linear16.stream->duration, 125u);
    auto a = ReadStream(aufile_decoder, Au(27, 8000, 1));
    EXPECT_EQ(a.stream->codecId, kCodecALaw);
    EXPECT_EQ(a.stream->duration, 250u);
}

TEST(AuReader, RefusedAndUnusable) {
    auto linear32 = ReadStream(aufile_decoder, Au(5, 8000, 1));
    ASSERT_TRUE(linear32.stream);
    EXPECT_EQ(*linear32.stream->message, "Unsupported AU compression: AU_LINEAR32");
    EXPECT_FALSE(ReadStream(aufile_decoder, Au(9, 8000, 1)).stream);
    EXPECT_FALSE(ReadStream(aufile_decoder, Au(1, 0, 1)).stream);
    EXPECT_FALSE(ReadStream(aufile_decoder, Au(1, 8000, 0)).stream);
    const auto three = Au(1, 8000, 3);
    EXPECT_EQ(IsAu(three.data.data(), three.data.size()), kTooManyChannels);
    auto small = Au(1, 8000, 1);
    small.data[7] = 23;  // data offset inside the header
    EXPECT_EQ(IsAu(small.data.data(), small.data.size()), kNotThisFormat);
    // An annotation longer than the file: nothing beyond the file is read, no data.
    auto lying = Au(1, 8000, 1);
    lying.data[4] = 0x7F;
    EXPECT_FALSE(ReadStream(aufile_decoder, lying).stream);
    // A long annotation is capped.
    auto long_note = ReadStream(aufile_decoder, Au(1, 8000, 1, std::string(3000, 'n')));
    ASSERT_TRUE(long_note.stream);
    EXPECT_EQ(long_note.stream->title->size(), 1024u);
    EXPECT_EQ(long_note.stream->dataStart, 3024u);
}

TEST(AiffReader, PlainAndMuLaw) {
    auto pcm = ReadStream(aiffile_decoder, Aiff(2, 16));
    ASSERT_TRUE(pcm.stream);
    EXPECT_EQ(pcm.stream->sampleRate, 8000u);
    EXPECT_EQ(pcm.stream->codecId, kCodecBigEndian16);
    EXPECT_EQ(pcm.stream->byteRate, 32000u);
    EXPECT_EQ(pcm.stream->duration, 62u);
    EXPECT_EQ(pcm.stream->dataStart, 12u + 26 + 16);
    EXPECT_EQ(pcm.memory.cursor, pcm.stream->dataStart);
    auto pcm8 = ReadStream(aiffile_decoder, Aiff(1, 8));
    EXPECT_EQ(pcm8.stream->codecId, kCodecSigned8);
    EXPECT_EQ(pcm8.stream->fill, 128);

    // mu-law plays as 16-bit output at the right length, whatever sample size COMM gives.
    for (uint16_t bits : {8, 16}) {
        auto ulaw = ReadStream(aiffile_decoder, Aiff(1, bits, "ulaw"));
        ASSERT_TRUE(ulaw.stream);
        EXPECT_EQ(ulaw.stream->codecId, kCodecMuLaw);
        EXPECT_EQ(ulaw.stream->sampleFormat, kFormatSigned16LittleEndian);
        EXPECT_EQ(ulaw.stream->byteRate, 16000u);
        EXPECT_EQ(ulaw.stream->duration, 250u);
        EXPECT_EQ(ulaw.stream->readUnit, ulaw.stream->blockSize / 2);
    }
    auto rate = Aiff(1, 16);
    const uint8_t rate44100[] = {0x40, 0x0E, 0xAC, 0x44, 0, 0};
    std::copy(std::begin(rate44100), std::end(rate44100), rate.data.begin() + 28);
    EXPECT_EQ(ReadStream(aiffile_decoder, rate).stream->sampleRate, 44100u);
}

TEST(AiffReader, TextsRefusalsAndUnusable) {
    Bytes texts;
    texts.tag("NAME").be32(4).tag("Song").tag("AUTH").be32(3).tag("Ann").tag("(c) ").be32(4).tag("2001");
    texts.tag("COMT").be32(2).add({0, 0});
    auto named = ReadStream(aiffile_decoder, Aiff(1, 16, nullptr, texts));
    ASSERT_TRUE(named.stream);
    EXPECT_EQ(*named.stream->title, "Song");
    EXPECT_EQ(*named.stream->moreinfo, "Author: Ann\nCopyRight: 2001\n");

    auto ima4 = ReadStream(aiffile_decoder, Aiff(1, 16, "ima4"));
    ASSERT_TRUE(ima4.stream);
    EXPECT_EQ(*ima4.stream->message, "Unsupported AIFC compression: AIFF_IMA4");
    EXPECT_FALSE(ReadStream(aiffile_decoder, Aiff(1, 16, "alaw")).stream);
    EXPECT_FALSE(ReadStream(aiffile_decoder, Aiff(1, 24)).stream);
    EXPECT_FALSE(ReadStream(aiffile_decoder, Aiff(0, 16)).stream);
    auto zeroRate = Aiff(1, 16);
    zeroRate.data[30] = 0;  // mantissa 0
    zeroRate.data[31] = 0;
    EXPECT_FALSE(ReadStream(aiffile_decoder, zeroRate).stream);
    // SSND without COMM ahead of it.
    Bytes bare;
    bare.tag("FORM").be32(0).tag("AIFF").tag("SSND").be32(8 + 10).be32(0).be32(0).fill(10);
    EXPECT_FALSE(ReadStream(aiffile_decoder, bare).stream);
}

TEST(IffReader, VoiceAndTexts) {
    Bytes texts;
    texts.tag("NAME").be32(2).tag("Hi").tag("ANNO").be32(4).tag("note").tag("AUTH").be32(2).tag("Al");
    auto opened = ReadStream(iffile_decoder, Iff(8000, 0, texts));
    ASSERT_TRUE(opened.stream);
    const SoundStream& s = *opened.stream;
    EXPECT_EQ(s.channels, 1);
    EXPECT_EQ(s.sampleFormat, kFormatUnsigned8);
    EXPECT_EQ(s.codecId, kCodecSigned8);
    EXPECT_EQ(s.fill, 128);
    EXPECT_EQ(s.duration, 250u);
    EXPECT_EQ(*s.title, "Hi");
    EXPECT_EQ(*s.moreinfo, "Author: Al\nComment: note\n");
    EXPECT_EQ(opened.memory.cursor, s.dataStart);

    auto fdpcm = ReadStream(iffile_decoder, Iff(8000, 1));
    EXPECT_EQ(*fdpcm.stream->message, "IFF_FDPCM");
    auto edpcm = ReadStream(iffile_decoder, Iff(8000, 2));
    EXPECT_EQ(*edpcm.stream->message, "IFF_EDPCM");
    EXPECT_FALSE(ReadStream(iffile_decoder, Iff(8000, 3)).stream);
    EXPECT_FALSE(ReadStream(iffile_decoder, Iff(0, 0)).stream);
}

TEST(VocReader, RecognisedAndRefused) {
    Bytes voc;
    voc.tag("Creative Voice File").add({0x1A}).le16(26).le16(0x010A).le16(0x1129).fill(10);
    EXPECT_EQ(FindDecoder(voc.data.data(), voc.data.size()), &vocfile_decoder);
    auto opened = ReadStream(vocfile_decoder, voc);
    ASSERT_TRUE(opened.stream);
    EXPECT_EQ(*opened.stream->message, "VOC Unsupported compression format");
    voc.data[24] = 0;  // check word no longer matches the version
    EXPECT_EQ(IsVoc(voc.data.data(), voc.data.size()), kNotThisFormat);
}

TEST(FindDecoder, ByExtensionThenByContent) {
    const std::string dir = testing::TempDir();
    const auto au = Au(1, 8000, 1);
    for (const char* name : {"plimsa_find.AU", "plimsa_find", "plimsa_find.wav"}) {
        std::FILE* out = std::fopen((dir + name).c_str(), "wb");
        std::fwrite(au.data.data(), 1, au.data.size(), out);
        std::fclose(out);
    }
    // The extension is compared in exact case; without a match the content decides.
    EXPECT_EQ(find_decoder((dir + "plimsa_find.AU").c_str()), &aufile_decoder);
    EXPECT_EQ(find_decoder((dir + "plimsa_find").c_str()), &aufile_decoder);
    EXPECT_EQ(find_decoder((dir + "plimsa_find.wav").c_str()), &wavfile_decoder);
    EXPECT_EQ(find_decoder((dir + "plimsa_none.xyz").c_str()), nullptr);
    EXPECT_EQ(find_decoder("/tmp/x.aif"), &aiffile_decoder);
    EXPECT_EQ(find_decoder("/tmp/x.iff"), &iffile_decoder);
    EXPECT_EQ(find_decoder("/tmp/x.voc"), &vocfile_decoder);
    for (const char* name : {"plimsa_find.AU", "plimsa_find", "plimsa_find.wav"}) std::remove((dir + name).c_str());

    const auto iff = Iff(8000, 0);
    EXPECT_EQ(FindDecoder(iff.data.data(), iff.data.size()), &iffile_decoder);
    const auto aiff = Aiff(1, 16);
    EXPECT_EQ(FindDecoder(aiff.data.data(), aiff.data.size()), &aiffile_decoder);
    EXPECT_EQ(FindDecoder(aiff.data.data(), 11), nullptr);
}

}  // namespace
}  // namespace plimsa
