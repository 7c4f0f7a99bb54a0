#include "PlimsaFuzz.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "SoundBytes.h"
#include "plimsa/decoders/Codecs.h"
#include "plimsa/decoders/G711.h"
#include "plimsa/readers/SoundDecoder.h"

namespace plimsa::fuzz {

namespace {

using test::Bytes;

// Touches every byte handed over, so that a piece reaching outside its area is reported.
int CheckingWriter(SoundStream& stream, const uint8_t* data, uint32_t length) {
    if (length > stream.output.size()) std::abort();
    volatile uint8_t sum = 0;
    for (uint32_t i = 0; i < length; ++i) sum = static_cast<uint8_t>(sum + data[i]);
    return 0;
}

// Plays the bytes from `offset` on in read units, each in a buffer of exactly its size.
void PlayFrom(const SoundDecoder& decoder, SoundStream& stream, const uint8_t* data, size_t size, size_t offset) {
    for (int units = 0; offset < size && units < 64; ++units) {
        const size_t length = std::min<size_t>(stream.readUnit, size - offset);
        const std::vector<uint8_t> unit(data + offset, data + offset + length);
        stream.input = unit.data();
        stream.inputLength = static_cast<uint32_t>(length);
        decoder.play(stream, CheckingWriter);
        offset += length;
    }
}

void ExerciseReader(const SoundDecoder& decoder, const uint8_t* data, size_t size) {
    MemoryBytes memory{data, size};
    ByteSource source = MemorySource(memory);
    auto stream = decoder.read(source);
    if (!stream || stream->message) return;
    if (stream->readUnit == 0 || stream->readUnit > kMaxReadUnit || stream->output.empty()) std::abort();
    PlayFrom(decoder, *stream, data, size, memory.cursor);
    const uint32_t ms = size >= 4 ? (uint32_t{data[size - 1]} << 8 | data[size - 2]) * 7 : 0;
    const uint64_t offset = decoder.seek(*stream, ms);
    if (offset < size) PlayFrom(decoder, *stream, data, size, static_cast<size_t>(offset));
    decoder.close(std::move(stream));
}

// The first bytes choose the codec, channels and block alignment; the rest is the input.
void ExerciseCodecs(const uint8_t* data, size_t size) {
    if (size < 3) return;
    CodecState state;
    state.channels = static_cast<uint16_t>(1 + (data[0] & 1));
    state.blockAlign = static_cast<uint16_t>(1 + data[1] * 8 + (data[2] & 7));
    const std::vector<uint8_t> input(data + 3, data + std::min<size_t>(size, 3 + kMaxReadUnit));
    const auto n = static_cast<uint32_t>(input.size());
    std::vector<uint8_t> output(OutputCapacity(n));
    for (uint32_t codecId : {kCodecCopy8, kCodecSigned8, kCodecBigEndian16, kCodecCopy16, kCodecMuLaw, kCodecALaw,
                             kCodecImaAdpcm, kCodecMsAdpcm, kCodecGsm, kCodecLittleEndian24, kCodecLittleEndian32}) {
        state.table = codecId == kCodecALaw ? initALaw() : initMuLaw();
        if (codecId == kCodecGsm) state.gsm = std::make_unique<GsmDecoder>();
        const int length =
            decompress(input.data(), n, output.data(), static_cast<uint32_t>(output.size()), state, codecId);
        if (length > static_cast<int>(output.size())) std::abort();
    }
}

std::vector<uint8_t> Noise(size_t size, uint32_t seed) {
    std::vector<uint8_t> bytes(size);
    for (auto& byte : bytes) {
        seed = seed * 1103515245 + 12345;
        byte = static_cast<uint8_t>(seed >> 16);
    }
    return bytes;
}

Bytes WavSeed(uint16_t tag, uint16_t channels, uint32_t byteRate, uint16_t blockAlign, uint16_t bits, size_t data) {
    return test::Wav(
        {tag, channels, 8000, byteRate, blockAlign, bits},
        Bytes().tag("INFO").le32(13).tag("INAM").le32(5).tag("title").add(test::DataChunk(Noise(data, tag)).data));
}

}  // namespace

void PlimsaFuzzOne(const uint8_t* data, size_t size) {
    FindDecoder(data, size);
    for (const SoundDecoder* const* decoder = decoders; *decoder; ++decoder) ExerciseReader(**decoder, data, size);
    ExerciseCodecs(data, size);
}

std::vector<std::vector<uint8_t>> Seeds() {
    std::vector<Bytes> files = {
        WavSeed(1, 1, 16000, 2, 16, 700),  WavSeed(1, 2, 8000, 2, 8, 500),       WavSeed(1, 2, 48000, 6, 24, 900),
        WavSeed(1, 1, 32000, 4, 32, 600),  WavSeed(0x11, 2, 8110, 512, 4, 1100), WavSeed(0x11, 1, 4055, 256, 4, 600),
        WavSeed(2, 2, 8110, 512, 4, 1100), WavSeed(2, 1, 4096, 256, 4, 600),     WavSeed(0x31, 1, 1625, 65, 0, 400),
        WavSeed(7, 1, 8000, 1, 8, 300),    WavSeed(6, 2, 16000, 2, 8, 300),      WavSeed(0x55, 1, 8000, 1, 8, 100),
    };
    Bytes au;
    au.tag(".snd").be32(32).be32(400).be32(1).be32(8000).be32(1).tag("comment!").add(Noise(400, 1));
    files.push_back(au);
    Bytes aifc;
    aifc.tag("FORM").be32(0).tag("AIFC").tag("NAME").be32(3).tag("abc").tag("AUTH").be32(2).tag("me");
    aifc.tag("COMM").be32(24).be16(1).be32(400).be16(8).be16(0x400B).be32(0xFA000000).be32(0).tag("ulaw").add({0, 0});
    aifc.tag("SSND").be32(408).be32(0).be32(0).add(Noise(400, 2));
    files.push_back(aifc);
    Bytes aiff;
    aiff.tag("FORM").be32(0).tag("AIFF").tag("COMM").be32(18).be16(2).be32(100).be16(16).be16(0x400E);
    aiff.be32(0xAC440000).be32(0).tag("SSND").be32(408).be32(0).be32(0).add(Noise(400, 3));
    files.push_back(aiff);
    Bytes iff;
    iff.tag("FORM").be32(0).tag("8SVX").tag("VHDR").be32(20).be32(300).be32(0).be32(0).be16(8000).add({1, 0});
    iff.be32(0x10000).tag("ANNO").be32(4).tag("note").tag("BODY").be32(300).add(Noise(300, 4));
    files.push_back(iff);
    Bytes voc;
    voc.tag("Creative Voice File").add({0x1A}).le16(26).le16(0x010A).le16(0x1129).add(Noise(40, 5));
    files.push_back(voc);

    std::vector<std::vector<uint8_t>> seeds;
    for (const auto& file : files) seeds.push_back(file.data);
    return seeds;
}

}  // namespace plimsa::fuzz
