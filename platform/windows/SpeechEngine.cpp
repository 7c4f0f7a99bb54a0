#include "windows/SpeechEngine.h"

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <mutex>

#include "vb/Error.h"
#include "windows/Resample.h"

namespace windows::speech {

namespace {

std::mutex engineMutex;  // espeak-ng keeps one global state: one caller at a time
bool started = false;    // guarded by engineMutex
std::vector<EngineVoice> voices;

vb::Error cannotCreate() { return vb::Error(429, "ActiveX component can't create object"); }

// Collects the samples of the running synthesis into the vector passed as user data.
int collect(short* samples, int count, espeak_EVENT* events) {
    if (samples && count > 0 && events) {
        auto* out = static_cast<std::vector<int16_t>*>(events->user_data);
        out->insert(out->end(), samples, samples + count);
    }
    return 0;
}

void startLocked() {
    if (started) return;
    voices.clear();
    if (espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0) <= 0) throw cannotCreate();
    espeak_SetSynthCallback(collect);
    for (const espeak_VOICE** v = espeak_ListVoices(nullptr); v && *v; ++v)
        if ((*v)->name && (*v)->identifier) voices.push_back({(*v)->name, (*v)->identifier});
    if (voices.empty()) throw cannotCreate();
    started = true;
}

}  // namespace

const std::vector<EngineVoice>& InstalledVoices() {
    std::lock_guard lock(engineMutex);
    startLocked();
    return voices;
}

EngineVoice DefaultVoice() {
    const auto& all = InstalledVoices();
    for (const char* id : {"gmw/en-US", "gmw/en"}) {
        auto it = std::find_if(all.begin(), all.end(), [&](const EngineVoice& v) { return v.id == id; });
        if (it != all.end()) return *it;
    }
    return all.front();
}

std::vector<int16_t> Synthesize(const std::string& text, const std::string& voiceId) {
    std::lock_guard lock(engineMutex);
    startLocked();
    if (espeak_SetVoiceByName(voiceId.c_str()) != EE_OK) throw vb::Error(5, "Invalid procedure call or argument");

    // A NUL would end the text early: speak it as a blank.
    std::string plain = text;
    std::replace(plain.begin(), plain.end(), '\0', ' ');
    std::vector<int16_t> samples;
    // Without espeakSSML and espeakPHONEMES, "<...>" and "[[...]]" are read as text.
    espeak_ERROR result = espeak_Synth(plain.c_str(), plain.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_AUTO,
                                       nullptr, &samples);
    if (result != EE_OK) throw vb::Error(5, "Invalid procedure call or argument");

    int rate = espeak_ng_GetSampleRate();
    if (rate > 0 && rate != kSampleRate) samples = Resample(samples, rate, kSampleRate);
    return samples;
}

}  // namespace windows::speech
