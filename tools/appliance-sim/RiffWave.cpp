#include "RiffWave.h"

#include <cstdio>
#include <string_view>

namespace appliance_sim {

namespace {

constexpr std::uint16_t formatPcm = 1;
constexpr std::uint16_t formatExtensible = 0xFFFE;
constexpr std::uint32_t sizeUnknown = 0xFFFFFFFF;

std::uint32_t le32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

std::uint16_t le16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

bool tagIs(std::span<const std::uint8_t> bytes, std::size_t at, std::string_view tag) {
    for (std::size_t i = 0; i < 4; ++i)
        if (bytes[at + i] != static_cast<std::uint8_t>(tag[i])) return false;
    return true;
}

void readFormatChunk(std::span<const std::uint8_t> bytes, std::size_t at, WaveFacts& facts) {
    facts.formatTag = le16(bytes, at);
    facts.channels = le16(bytes, at + 2);
    facts.sampleRate = le32(bytes, at + 4);
    facts.bytesPerSecond = le32(bytes, at + 8);
    facts.blockAlign = le16(bytes, at + 12);
    facts.bitsPerSample = le16(bytes, at + 14);
}

}  // namespace

std::optional<WaveFacts> parseRiffWave(std::span<const std::uint8_t> head, std::string& why) {
    if (head.size() < 12 || !tagIs(head, 0, "RIFF") || !tagIs(head, 8, "WAVE")) {
        why = "not-riff-wave";
        return std::nullopt;
    }
    WaveFacts facts;
    bool haveFormat = false;
    std::size_t at = 12;
    // Chunks in file order; only the ones before "data" matter, and they are all in the head.
    while (at + 8 <= head.size()) {
        const std::uint32_t size = le32(head, at + 4);
        const std::size_t body = at + 8;
        if (tagIs(head, at, "fmt ")) {
            if (size < 16 || body + 16 > head.size()) break;
            readFormatChunk(head, body, facts);
            haveFormat = true;
        } else if (tagIs(head, at, "fact")) {
            if (size >= 4 && body + 4 <= head.size()) facts.factSamples = le32(head, body);
        } else if (tagIs(head, at, "data")) {
            if (!haveFormat) {
                why = "no-fmt-chunk";
                return std::nullopt;
            }
            facts.dataOffset = body;
            facts.dataSize = size;
            return facts;
        }
        // Chunks are padded to an even length.
        const std::uint64_t next = static_cast<std::uint64_t>(body) + size + (size & 1u);
        if (next > head.size()) break;
        at = static_cast<std::size_t>(next);
    }
    why = haveFormat ? "no-data-chunk" : "no-fmt-chunk";
    return std::nullopt;
}

std::int64_t playingTimeMs(const WaveFacts& facts, std::uint64_t totalBytes) {
    const std::uint64_t received = totalBytes > facts.dataOffset ? totalBytes - facts.dataOffset : 0;
    std::uint64_t dataBytes = facts.dataSize;
    if (facts.dataSize == 0 || facts.dataSize == sizeUnknown || dataBytes > received) dataBytes = received;
    const bool pcm = facts.formatTag == formatPcm || facts.formatTag == formatExtensible;
    // Compressed formats count their samples in "fact"; PCM is measured by its bytes.
    if (!pcm && facts.factSamples && facts.sampleRate > 0)
        return static_cast<std::int64_t>(static_cast<std::uint64_t>(*facts.factSamples) * 1000 / facts.sampleRate);
    std::uint64_t bytesPerSecond = facts.bytesPerSecond;
    if (pcm && facts.blockAlign > 0 && facts.sampleRate > 0)
        bytesPerSecond = static_cast<std::uint64_t>(facts.blockAlign) * facts.sampleRate;
    if (bytesPerSecond == 0) return -1;
    return static_cast<std::int64_t>(dataBytes * 1000 / bytesPerSecond);
}

std::string describeFormat(const WaveFacts& facts) {
    char text[96];
    if (facts.formatTag == formatPcm)
        std::snprintf(text, sizeof text, "pcm %uHz %ubit %uch", facts.sampleRate, facts.bitsPerSample, facts.channels);
    else
        std::snprintf(text, sizeof text, "format=0x%04x %uHz %ubit %uch", facts.formatTag, facts.sampleRate,
                      facts.bitsPerSample, facts.channels);
    return text;
}

}  // namespace appliance_sim
