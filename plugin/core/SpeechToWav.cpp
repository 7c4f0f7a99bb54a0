#include "core/SpeechToWav.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <set>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/SettingsTable.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Strings.h"
#include "wav/WavHeader.h"
#include "windows/FileSystemObject.h"
#include "windows/PathMap.h"
#include "windows/SpFileStream.h"
#include "windows/SpVoice.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kDebugSource = "dkvZephra Debug";
constexpr const char* kTempFolder = "\\HTML\\ZephraTemp\\";
constexpr const char* kHtmlFolder = "\\HTML\\";
// The rate for a file whose header cannot be read.
constexpr double kWavBytesPerSecond = 15667;
// Chunks walked before the samples must have been found; a header is never longer in practice.
constexpr int kMostChunks = 64;
// The fmt fields read, up to the byte rate: a fmt chunk that holds them is enough.
constexpr size_t kFmtBytesRead = 12;

// One statement under the routine's handler: a failure is logged with the tag.
bool Handled(PluginState& state, const std::string& tag, const std::function<void()>& body) {
    if (vb::Try(body)) return true;
    vb::Try([&] { WriteLog(state.Host(), kSource, tag); });
    return false;
}

// The same, the failure noted as the line the log would have been written.
bool Noted(std::vector<SpeechLogLine>& lines, const std::string& tag, const std::function<void()>& body) {
    if (vb::Try(body)) return true;
    lines.push_back({kSource, tag + TakePendingError(), ""});
    return false;
}

// The voices told missing so far: the notice is written once for each, not at every speech.
struct MissingVoices {
    std::set<std::string> told;
};

// Selects the installed voice whose description is `voiceName` in any letter case.
void SetVoice(std::vector<SpeechLogLine>& lines, windows::SpVoice& voice, const std::string& voiceName) {
    Noted(lines, "SetVoice", [&] {
        const std::string wanted = vb::LCase(voiceName);
        for (const windows::SpObjectToken& token : voice.GetVoices()) {
            if (vb::LCase(token.GetDescription()) != wanted) continue;
            voice.Voice(token);
            return;
        }
        lines.push_back({kDebugSource, "Voice " + voiceName + " requested, but not an installed voice ", wanted});
    });
}

// The playing time the file's own RIFF header gives (sample bytes over bytes a second), or
// nothing when it has no readable header. A data size beyond the file's end counts what is there.
std::optional<double> HeaderSeconds(const std::filesystem::path& path, uintmax_t size) {
    std::ifstream in(path, std::ios::binary);
    uint8_t riff[wav::kRiffBytes];
    if (!in.read(reinterpret_cast<char*>(riff), sizeof riff)) return std::nullopt;
    if (!wav::IsRiffWave(riff)) return std::nullopt;
    uint32_t byteRate = 0;
    uintmax_t at = sizeof riff;
    for (int i = 0; i < kMostChunks; ++i) {
        uint8_t head[wav::kChunkHeadBytes];
        if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return std::nullopt;
        at += sizeof head;
        const wav::ChunkHead chunk = wav::ReadChunkHead(head);
        const uint32_t length = chunk.size;
        if (chunk.Is("fmt ")) {
            uint8_t fmt[wav::kFormatBytes] = {};
            if (length < kFmtBytesRead || !in.read(reinterpret_cast<char*>(fmt), kFmtBytesRead)) return std::nullopt;
            byteRate = wav::ReadFormat(fmt).byteRate;
            in.seekg(static_cast<std::streamoff>(length - kFmtBytesRead + (length & 1)), std::ios::cur);
        } else if (chunk.Is("data")) {
            if (byteRate == 0) return std::nullopt;
            const uintmax_t present = size > at ? size - at : 0;
            return static_cast<double>(std::min<uintmax_t>(length, present)) / byteRate;
        } else {
            in.seekg(static_cast<std::streamoff>(length) + (length & 1), std::ios::cur);
        }
        at += static_cast<uintmax_t>(length) + (length & 1);
    }
    return std::nullopt;
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
    for (const SpeechLogLine& line : lines) {
        if (!line.once.empty() && !state.Part<MissingVoices>().told.insert(line.once).second) continue;
        vb::Try([&] { state.Host().Writelog(line.source, line.text); });
    }
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
        const int64_t bytes = fso.GetFile(path).Size();
        const double size = static_cast<double>(bytes);
        const std::optional<double> fromHeader =
            HeaderSeconds(windows::MapPath(path).native, static_cast<uintmax_t>(bytes));
        seconds = vb::CLng(vb::Variant(fromHeader ? *fromHeader : size / kWavBytesPerSecond));
    });
    return seconds;
}

}  // namespace zephra
