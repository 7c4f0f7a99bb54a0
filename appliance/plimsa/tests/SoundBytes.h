#pragma once
// Builds sound files byte by byte for the reader tests, and reads them back through the readers.

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "plimsa/readers/SoundDecoder.h"

namespace plimsa::test {

struct Bytes {
    std::vector<uint8_t> data;

    Bytes& tag(const char* text) {
        data.insert(data.end(), text, text + std::strlen(text));
        return *this;
    }
    Bytes& le16(uint32_t v) { return add({uint8_t(v), uint8_t(v >> 8)}); }
    Bytes& le32(uint32_t v) { return add({uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}); }
    Bytes& be16(uint32_t v) { return add({uint8_t(v >> 8), uint8_t(v)}); }
    Bytes& be32(uint32_t v) { return add({uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}); }
    Bytes& fill(size_t count, uint8_t value = 0) {
        data.insert(data.end(), count, value);
        return *this;
    }
    Bytes& add(std::initializer_list<uint8_t> bytes) {
        data.insert(data.end(), bytes);
        return *this;
    }
    Bytes& add(const std::vector<uint8_t>& bytes) {
        data.insert(data.end(), bytes.begin(), bytes.end());
        return *this;
    }
};

struct WavFmt {
    uint16_t tag = 1;
    uint16_t channels = 1;
    uint32_t rate = 8000;
    uint32_t byteRate = 16000;
    uint16_t blockAlign = 2;
    uint16_t bits = 16;
};

// "RIFF" .. "WAVE", a 16-byte fmt chunk, then the given chunks as they stand. Built byte by byte,
// not with wav/WavHeader.h, so that the reader is checked against a writer of its own.
inline Bytes Wav(const WavFmt& f, const Bytes& chunks) {
    Bytes b;
    b.tag("RIFF").le32(uint32_t(28 + chunks.data.size())).tag("WAVE").tag("fmt ").le32(16);
    b.le16(f.tag).le16(f.channels).le32(f.rate).le32(f.byteRate).le16(f.blockAlign).le16(f.bits);
    return b.add(chunks.data);
}

inline Bytes DataChunk(const std::vector<uint8_t>& samples) {
    return Bytes().tag("data").le32(uint32_t(samples.size())).add(samples);
}

// Reads a stream from the bytes; the source is left where the reader left it.
struct Opened {
    std::vector<uint8_t> bytes;
    MemoryBytes memory{nullptr, 0};
    std::unique_ptr<SoundStream> stream;
};

inline Opened ReadStream(const SoundDecoder& decoder, const Bytes& file) {
    Opened opened;
    opened.bytes = file.data;
    opened.memory = MemoryBytes{opened.bytes.data(), opened.bytes.size()};
    ByteSource source = MemorySource(opened.memory);
    opened.stream = decoder.read(source);
    return opened;
}

// Collects every piece a play hands to the writer.
struct Collected {
    static inline std::vector<std::vector<uint8_t>> pieces;
    static int Writer(SoundStream&, const uint8_t* data, uint32_t length) {
        pieces.emplace_back(data, data + length);
        return 0;
    }
};

// Plays the input through the stream's reader; returns every byte written.
inline std::vector<uint8_t> PlayAll(const SoundDecoder& decoder, SoundStream& stream, const uint8_t* input,
                                    uint32_t length) {
    Collected::pieces.clear();
    stream.input = input;
    stream.inputLength = length;
    decoder.play(stream, Collected::Writer);
    std::vector<uint8_t> all;
    for (const auto& piece : Collected::pieces) all.insert(all.end(), piece.begin(), piece.end());
    return all;
}

inline int16_t SampleAt(const std::vector<uint8_t>& pcm, size_t index) {
    return static_cast<int16_t>(pcm[2 * index] | (pcm[2 * index + 1] << 8));
}

}  // namespace plimsa::test
