#pragma once
// The speech voice (`sapi.SpVoice`): the installed voices, the chosen voice, and speaking
// a text into a WAV file stream.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "windows/SpFileStream.h"
#include "windows/SpObjectToken.h"

namespace windows {

class SpVoice {
public:
    // Starts with the default voice. Raises 429 "ActiveX component can't create object"
    // when there is no speech engine.
    SpVoice();

    // The installed voices, in the engine's order.
    std::vector<SpObjectToken> GetVoices() const;

    SpObjectToken Voice() const;
    void Voice(const SpObjectToken& token);

    std::shared_ptr<SpFileStream> AudioOutputStream() const;
    void AudioOutputStream(std::shared_ptr<SpFileStream> stream);

    // Speaks the whole text as plain text into the output stream and returns when it is
    // written (every call is synchronous, whatever the flags). Returns the stream number 1.
    // Raises 5 when no open output stream is set.
    int32_t Speak(const std::string& text, int32_t flags = 0);

private:
    SpObjectToken voice_;
    std::shared_ptr<SpFileStream> output_;
};

}  // namespace windows
