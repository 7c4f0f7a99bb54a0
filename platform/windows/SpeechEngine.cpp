#include "windows/SpeechEngine.h"

#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <exception>
#include <mutex>
#include <optional>

#include "vb/Error.h"
#include "windows/Resample.h"

namespace windows::speech {

namespace {

std::mutex engineMutex;  // espeak-ng keeps one global state: one caller at a time
bool started = false;    // guarded by engineMutex
std::vector<EngineVoice> voices;

vb::Error cannotCreate() { return vb::Error(429, "ActiveX component can't create object"); }

// One synthesis: where its samples go, and what stopped it.
struct Run {
    const SampleSink* sink;
    std::optional<Resampler> resampler;
    std::exception_ptr failure;
    bool stopped = false;
};

// Hands the samples of the running synthesis on; returning 1 makes the engine stop.
int deliver(short* samples, int count, espeak_EVENT* events) {
    auto* run = events ? static_cast<Run*>(events->user_data) : nullptr;
    if (!run || run->stopped) return run ? 1 : 0;
    if (!samples || count <= 0) return 0;
    try {
        std::span<const int16_t> piece(samples, static_cast<size_t>(count));
        bool more = run->resampler ? (*run->sink)(run->resampler->Push(piece)) : (*run->sink)(piece);
        run->stopped = !more;
    } catch (...) {
        run->failure = std::current_exception();
        run->stopped = true;
    }
    return run->stopped ? 1 : 0;
}

void startLocked() {
    if (started) return;
    voices.clear();
    if (espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 0, nullptr, 0) <= 0) throw cannotCreate();
    espeak_SetSynthCallback(deliver);
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

void Synthesize(const std::string& text, const std::string& voiceId, const SampleSink& sink) {
    std::lock_guard lock(engineMutex);
    startLocked();
    if (espeak_SetVoiceByName(voiceId.c_str()) != EE_OK) throw vb::Error(5, "Invalid procedure call or argument");

    Run run{&sink, std::nullopt, nullptr};
    int rate = espeak_ng_GetSampleRate();
    if (rate > 0 && rate != kSampleRate) run.resampler.emplace(rate, kSampleRate);

    // A NUL would end the text early: speak it as a blank.
    std::string plain = text;
    std::replace(plain.begin(), plain.end(), '\0', ' ');
    // Without espeakSSML and espeakPHONEMES, "<...>" and "[[...]]" are read as text.
    espeak_ERROR result =
        espeak_Synth(plain.c_str(), plain.size() + 1, 0, POS_CHARACTER, 0, espeakCHARS_AUTO, nullptr, &run);
    if (run.failure) std::rethrow_exception(run.failure);
    if (result != EE_OK && !run.stopped) throw vb::Error(5, "Invalid procedure call or argument");
    if (run.resampler && !run.stopped) sink(run.resampler->Finish());
}

}  // namespace windows::speech
