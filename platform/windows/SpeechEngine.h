#pragma once
// The speech engine behind SpVoice: espeak-ng, started once per process and used by one
// caller at a time (its state is global). Not for the plug-in's code: it uses SpVoice.

#include <cstdint>
#include <string>
#include <vector>

namespace windows::speech {

// One installed voice: what SpObjectToken shows of it.
struct EngineVoice {
    std::string description;  // the voice's name, e.g. "English (America)"
    std::string id;           // the engine's identifier, e.g. "gmw/en-US"
};

// The installed voices in the engine's order. Raises 429 "ActiveX component can't create
// object" when the engine cannot start.
const std::vector<EngineVoice>& InstalledVoices();

// The voice that speaks when none was chosen: American English where installed.
EngineVoice DefaultVoice();

// Speaks `text` as plain text (markup and phoneme brackets are read, not obeyed) with the
// voice of that identifier; the samples are 16-bit mono at kSampleRate.
constexpr int kSampleRate = 22050;
std::vector<int16_t> Synthesize(const std::string& text, const std::string& voiceId);

}  // namespace windows::speech
