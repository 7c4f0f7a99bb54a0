#pragma once
// The speech engine behind SpVoice: espeak-ng, started once per process and used by one
// caller at a time (its state is global). Not for the plug-in's code: it uses SpVoice.

#include <cstdint>
#include <functional>
#include <span>
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

// Receives the samples as they are made; returns false to end the speech early.
using SampleSink = std::function<bool(std::span<const int16_t>)>;

// Speaks `text` as plain text (markup and phoneme brackets are read, not obeyed) with the
// voice of that identifier, handing the samples (16-bit mono at kSampleRate) to `sink`
// piece by piece. What the sink raises ends the speech and is raised here.
constexpr int kSampleRate = 22050;
void Synthesize(const std::string& text, const std::string& voiceId, const SampleSink& sink);

}  // namespace windows::speech
