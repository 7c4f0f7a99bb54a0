#pragma once
// What the appliance learns from the head of a WAV file it fetched: format and playing time.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace appliance_sim {

struct WaveFacts {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t bytesPerSecond = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::optional<std::uint32_t> factSamples;  // sample count of the "fact" chunk, when present
    std::uint64_t dataOffset = 0;              // where the "data" chunk's bytes begin
    std::uint32_t dataSize = 0;                // as the "data" chunk header gives it
};

// Parses a RIFF WAVE header from the first bytes of a file. Empty with the reason in why when the
// bytes hold no RIFF WAVE file, no "fmt " chunk, or no "data" chunk header.
std::optional<WaveFacts> parseRiffWave(std::span<const std::uint8_t> head, std::string& why);

// Playing time in milliseconds; totalBytes is the whole file's length as received, which bounds
// the data when the header claims more (or nothing, as streaming writers do). -1 when the format
// gives no rate to measure by.
std::int64_t playingTimeMs(const WaveFacts& facts, std::uint64_t totalBytes);

// "pcm 22050Hz 16bit 1ch", or "format=0x0011 8000Hz 4bit 1ch" for formats other than PCM.
std::string describeFormat(const WaveFacts& facts);

}  // namespace appliance_sim
