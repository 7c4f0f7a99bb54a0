#pragma once
// The RIFF WAVE header: the 44 bytes that open a PCM file, written by every WAV file the system
// makes, and the pieces of a header that readers of WAV files take apart. Sizes and numbers are
// little-endian; chunks are padded to an even length.

#include <array>
#include <cstddef>
#include <cstdint>

namespace wav {

inline constexpr size_t kHeaderBytes = 44;    // "RIFF", a 16-byte "fmt " chunk, the "data" chunk's head
inline constexpr size_t kRiffBytes = 12;      // "RIFF", the size of what follows, "WAVE"
inline constexpr size_t kChunkHeadBytes = 8;  // a chunk's identifier and the size of its data
inline constexpr uint32_t kFormatBytes = 16;  // the "fmt " fields of PCM, up to the bits per sample
inline constexpr uint16_t kTagPcm = 1;

// The fields of a "fmt " chunk, in their order.
struct Format {
    uint16_t tag;
    uint16_t channels;
    uint32_t sampleRate;
    uint32_t byteRate;
    uint16_t blockAlign;
    uint16_t bitsPerSample;
};

// PCM of `channels` samples of `bitsPerSample` (whole bytes) a frame; the block align and byte
// rate follow from them. A 16-bit field keeps the low 16 bits of a count too large for it.
Format PcmFormat(uint32_t sampleRate, uint32_t channels, uint32_t bitsPerSample);

// The header of a file whose `dataBytes` sample bytes follow it: the RIFF size counts them and
// the 36 bytes of header behind it.
std::array<uint8_t, kHeaderBytes> Header(const Format& format, uint32_t dataBytes);

// One chunk's head: its identifier and the size of its data, not counting the pad byte.
struct ChunkHead {
    std::array<char, 4> id;
    uint32_t size;

    bool Is(const char* name) const;
};

// Whether the kRiffBytes at `head` open a RIFF WAVE file.
bool IsRiffWave(const uint8_t* head);
// The kChunkHeadBytes at `head`.
ChunkHead ReadChunkHead(const uint8_t* head);
// The kFormatBytes of fields at the start of a "fmt " chunk's data.
Format ReadFormat(const uint8_t* fields);

}  // namespace wav
