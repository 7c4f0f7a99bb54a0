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
bool Handled(PluginState& state, const std::string& tag, const std::function<void()>& body) {
    if (vb::Try(body)) return true;
    vb::Try([&] { WriteLog(state.Host(), kSource, tag); });
    return false;
}

// The same, the failure noted as the line the log would have been written.
bool Noted(std::vector<SpeechLogLine>& lines, const std::string& tag, const std::function<void()>& body) {
    if (vb::Try(body)) return true;
    lines.push_back({kSource, tag + TakePendingError()});
    return false;
}

// Selects the installed voice whose description is `voiceName` in any letter case.
void SetVoice(std::vector<SpeechLogLine>& lines, windows::SpVoice& voice, const std::string& voiceName) {
    Noted(lines, "SetVoice", [&] {
        const std::string wanted = vb::LCase(voiceName);
        for (const windows::SpObjectToken& token : voice.GetVoices()) {
            if (vb::LCase(token.GetDescription()) != wanted) continue;
            voice.Voice(token);
            return;
        }
        lines.push_back({kDebugSource, "Voice " + voiceName + " requested, but not an installed voice "});
    });
}

}  // namespace

bool TextToWavFile(PluginState& state, const std::string& text, const std::string& fileName) {
    const std::string tag = "TextToWavFile";
    std::string path;
    // The voice is read afresh each time: a script may have changed it since the last reading.
    Handled(state, tag, [&] {
        state.settings.T2WVoice =
            settings::ReadText(state.Host(), *settings::FindSetting(settings::kVoice, "T2WVoice"));
    });
    if (!Handled(state, tag, [&] { path = state.Host().GetAppPath() + kTempFolder + fileName; })) return false;
    return SpeakToFile(state, text, state.settings.T2WVoice, path);
}

bool SpeakToFile(PluginState& state, const std::string& text, const std::string& voiceName, const std::string& path) {
    std::vector<SpeechLogLine> lines;
    const bool written = MakeSpeechFile(text, voiceName, path, lines);
    WriteSpeechLog(state, lines);
    return written;
}

bool MakeSpeechFile(const std::string& text, const std::string& voiceName, const std::string& path,
                    std::vector<SpeechLogLine>& lines) {
    const std::string tag = "SpeakToFile";
    std::unique_ptr<windows::SpVoice> voice;
    std::shared_ptr<windows::SpFileStream> stream;
    windows::FileSystemObject fso;
    Noted(lines, tag, [&] { voice = std::make_unique<windows::SpVoice>(); });
    Noted(lines, tag, [&] { stream = std::make_shared<windows::SpFileStream>(); });
    Noted(lines, tag, [&] {
        if (!fso.FileExists(path)) fso.CreateTextFile(path)->Close();
    });
    if (voice) SetVoice(lines, *voice, voiceName);
    auto withBoth = [&](auto&& body) {
        return [&, body] {
            if (!voice || !stream) vb::raise(vb::errors::ObjectNotSet);
            body();
        };
    };
    bool written = Noted(lines, tag, withBoth([&] { stream->Format().Type(windows::SAFT22kHz16BitMono); }));
    written = Noted(lines, tag, withBoth([&] { stream->Open(path, windows::SSFMCreateForWrite, false); })) && written;
    written = Noted(lines, tag, withBoth([&] { voice->AudioOutputStream(stream); })) && written;
    written = Noted(lines, tag, withBoth([&] { voice->Speak(text, 0); })) && written;
    written = Noted(lines, tag, withBoth([&] { stream->Close(); })) && written;
    if (written) return true;
    // What was left of it would be played as a broken or silent file.
    vb::Try([&] {
        if (fso.FileExists(path)) fso.DeleteFile(path, true);
    });
    vb::Err().Clear();
    return false;
}

void WriteSpeechLog(PluginState& state, const std::vector<SpeechLogLine>& lines) {
    for (const SpeechLogLine& line : lines) vb::Try([&] { state.Host().Writelog(line.source, line.text); });
    vb::Err().Clear();
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
