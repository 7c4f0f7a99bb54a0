#include "wav/WavHeader.h"

#include <cstring>

namespace wav {

namespace {

void Put16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void Put32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint16_t Get16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | (at[1] << 8)); }

uint32_t Get32(const uint8_t* at) {
    return (uint32_t{at[3]} << 24) | (uint32_t{at[2]} << 16) | (uint32_t{at[1]} << 8) | at[0];
}

}  // namespace

Format PcmFormat(uint32_t sampleRate, uint32_t channels, uint32_t bitsPerSample) {
    const uint32_t blockAlign = channels * (bitsPerSample / 8);
    return Format{kTagPcm,
                  static_cast<uint16_t>(channels),
                  sampleRate,
                  sampleRate * blockAlign,
                  static_cast<uint16_t>(blockAlign),
                  static_cast<uint16_t>(bitsPerSample)};
}

std::array<uint8_t, kHeaderBytes> Header(const Format& format, uint32_t dataBytes) {
    std::array<uint8_t, kHeaderBytes> h{};
    uint8_t* at = h.data();
    std::memcpy(at, "RIFF", 4);
    Put32(at + 4, dataBytes + static_cast<uint32_t>(kHeaderBytes - 8));
    std::memcpy(at + 8, "WAVEfmt ", 8);
    Put32(at + 16, kFormatBytes);
    Put16(at + 20, format.tag);
    Put16(at + 22, format.channels);
    Put32(at + 24, format.sampleRate);
    Put32(at + 28, format.byteRate);
    Put16(at + 32, format.blockAlign);
    Put16(at + 34, format.bitsPerSample);
    std::memcpy(at + 36, "data", 4);
    Put32(at + 40, dataBytes);
    return h;
}

bool ChunkHead::Is(const char* name) const { return std::memcmp(id.data(), name, 4) == 0; }

bool IsRiffWave(const uint8_t* head) {
    return std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
}

ChunkHead ReadChunkHead(const uint8_t* head) {
    ChunkHead chunk{};
    std::memcpy(chunk.id.data(), head, 4);
    chunk.size = Get32(head + 4);
    return chunk;
}

Format ReadFormat(const uint8_t* fields) {
    return Format{Get16(fields),     Get16(fields + 2),  Get32(fields + 4),
                  Get32(fields + 8), Get16(fields + 12), Get16(fields + 14)};
}

}  // namespace wav
