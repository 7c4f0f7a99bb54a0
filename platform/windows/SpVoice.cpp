#include "windows/SpVoice.h"

#include "windows/FileErrors.h"
#include "windows/SpeechEngine.h"

namespace windows {

namespace {

SpObjectToken tokenOf(const speech::EngineVoice& v) { return SpObjectToken(v.description, v.id); }

}  // namespace

SpVoice::SpVoice() : voice_(tokenOf(speech::DefaultVoice())) {}

std::vector<SpObjectToken> SpVoice::GetVoices() const {
    std::vector<SpObjectToken> tokens;
    for (const auto& v : speech::InstalledVoices()) tokens.push_back(tokenOf(v));
    return tokens;
}

SpObjectToken SpVoice::Voice() const { return voice_; }

void SpVoice::Voice(const SpObjectToken& token) { voice_ = token; }

std::shared_ptr<SpFileStream> SpVoice::AudioOutputStream() const { return output_; }

void SpVoice::AudioOutputStream(std::shared_ptr<SpFileStream> stream) { output_ = std::move(stream); }

int32_t SpVoice::Speak(const std::string& text, int32_t /*flags*/) {
    if (!output_) throw InvalidProcedureCall();
    SpFileStream& stream = *output_;
    speech::Synthesize(text, voice_.Id(),
                       [&](std::span<const int16_t> samples) { return stream.WriteSamples(samples); });
    return 1;
}

}  // namespace windows
