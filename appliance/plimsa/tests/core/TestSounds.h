#pragma once
// Sound files for the plug-in's tests and what a whole play of them puts on the card.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "SoundBytes.h"

namespace plimsa::test {

inline constexpr uint32_t kFragment = 4096;

// Noise-like 16-bit samples, the same for every run.
inline std::vector<uint8_t> Samples(size_t bytes, unsigned seed = 1) {
    std::mt19937 random(seed);
    std::vector<uint8_t> samples(bytes);
    for (uint8_t& byte : samples) byte = static_cast<uint8_t>(random());
    return samples;
}

// 8000 Hz mono 16-bit: 16000 bytes a second, read units of 1536 bytes.
inline std::vector<uint8_t> MonoWav(const std::vector<uint8_t>& samples, const char* title = nullptr) {
    Bytes chunks;
    if (title) {
        const uint32_t size = static_cast<uint32_t>(std::strlen(title)) + 1;
        chunks.tag("INFO").le32(8 + size).tag("INAM").le32(size).tag(title).fill(1);
    }
    chunks.add(DataChunk(samples).data);
    return Wav({}, chunks).data;
}

// What the card received for one whole play: the samples and silence up to the fragment's end.
inline std::vector<uint8_t> PlayedOnce(std::vector<uint8_t> samples) {
    samples.resize(samples.size() + kFragment - samples.size() % kFragment, 0);
    return samples;
}

// The card got a beginning of `samples`, then `tail`, then silence completing a fragment.
inline ::testing::AssertionResult PrefixThenTail(const std::vector<uint8_t>& written,
                                                 const std::vector<uint8_t>& samples,
                                                 const std::vector<uint8_t>& tail) {
    for (size_t padding = 1; padding <= kFragment && padding + tail.size() <= written.size(); ++padding) {
        const size_t start = written.size() - padding - tail.size();
        if (std::equal(tail.begin(), tail.end(), written.begin() + static_cast<long>(start)) &&
            std::all_of(written.end() - static_cast<long>(padding), written.end(), [](uint8_t b) { return b == 0; }) &&
            start <= samples.size() &&
            std::equal(written.begin(), written.begin() + static_cast<long>(start), samples.begin()))
            return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << written.size() << " bytes written do not end with the " << tail.size()
                                         << " expected";
}

}  // namespace plimsa::test
