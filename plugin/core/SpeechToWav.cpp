#include "core/SpeechToWav.h"

#include <functional>
#include <memory>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/SettingsTable.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Strings.h"
#include "windows/FileSystemObject.h"
#include "windows/SpFileStream.h"
#include "windows/SpVoice.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kDebugSource = "dkvZephra Debug";
constexpr const char* kTempFolder = "\\HTML\\ZephraTemp\\";
constexpr const char* kHtmlFolder = "\\HTML\\";
constexpr double kWavBytesPerSecond = 15667;

// One statement under the routine's handler: a failure is logged with the tag.
void Handled(PluginState& state, const std::string& tag, const std::function<void()>& body) {
    if (!vb::Try(body)) vb::Try([&] { WriteLog(state.Host(), kSource, tag); });
}

// Selects the installed voice whose description is `voiceName` in any letter case.
void SetVoice(PluginState& state, windows::SpVoice& voice, const std::string& voiceName) {
    Handled(state, "SetVoice", [&] {
        const std::string wanted = vb::LCase(voiceName);
        for (const windows::SpObjectToken& token : voice.GetVoices()) {
            if (vb::LCase(token.GetDescription()) != wanted) continue;
            voice.Voice(token);
            return;
        }
        WriteLog(state.Host(), kDebugSource, "Voice " + voiceName + " requested, but not an installed voice ");
    });
}

}  // namespace

void TextToWavFile(PluginState& state, const std::string& text, const std::string& fileName) {
    const std::string tag = "TextToWavFile";
    std::string path;
    // The voice is read afresh each time: a script may have changed it since the last reading.
    Handled(state, tag, [&] {
        state.settings.T2WVoice =
            settings::ReadText(state.Host(), *settings::FindSetting(settings::kVoice, "T2WVoice"));
    });
    Handled(state, tag, [&] { path = state.Host().GetAppPath() + kTempFolder + fileName; });
    Handled(state, tag, [&] { SpeakToFile(state, text, state.settings.T2WVoice, path); });
}

void SpeakToFile(PluginState& state, const std::string& text, const std::string& voiceName, const std::string& path) {
    const std::string tag = "SpeakToFile";
    std::unique_ptr<windows::SpVoice> voice;
    std::shared_ptr<windows::SpFileStream> stream;
    windows::FileSystemObject fso;
    Handled(state, tag, [&] { voice = std::make_unique<windows::SpVoice>(); });
    Handled(state, tag, [&] { stream = std::make_shared<windows::SpFileStream>(); });
    Handled(state, tag, [&] {
        if (!fso.FileExists(path)) fso.CreateTextFile(path)->Close();
    });
    if (voice) SetVoice(state, *voice, voiceName);
    auto withBoth = [&](auto&& body) {
        return [&, body] {
            if (!voice || !stream) vb::raise(vb::errors::ObjectNotSet);
            body();
        };
    };
    Handled(state, tag, withBoth([&] { stream->Format().Type(windows::SAFT22kHz16BitMono); }));
    Handled(state, tag, withBoth([&] { stream->Open(path, windows::SSFMCreateForWrite, false); }));
    Handled(state, tag, withBoth([&] { voice->AudioOutputStream(stream); }));
    Handled(state, tag, withBoth([&] { voice->Speak(text, 0); }));
    Handled(state, tag, withBoth([&] { stream->Close(); }));
}

int32_t ComputeWavTime(PluginState& state, const std::string& file) {
    int32_t seconds = 0;
    Handled(state, "ComputeWavTime for " + file + " ", [&] {
        if (file.empty()) return;
        const std::string path =
            file.find('\\') == std::string::npos ? state.Host().GetAppPath() + kHtmlFolder + file : file;
        windows::FileSystemObject fso;
        if (!fso.FileExists(path)) return;
        const double size = static_cast<double>(fso.GetFile(path).Size());
        seconds = vb::CLng(vb::Variant(size / kWavBytesPerSecond));
    });
    return seconds;
}

}  // namespace zephra
