#pragma once
// Speech to WAV: the appliances have a speaker but no speech engine, so the plug-in speaks a
// text into a 22 050 Hz 16-bit mono WAV file in the folder the host's web server publishes
// ("\HTML\ZephraTemp\"), and the appliance fetches and plays it. Every routine logs its own
// failures (source "dkvZephra") and goes on; nothing is raised to the caller. A speech that was
// not written whole (a full disk) is told by the result and its file removed, so that no
// appliance is sent a broken file.

#include <cstdint>
#include <string>
#include <vector>

namespace zephra {

class PluginState;

// Speaks `text` into application folder & "\HTML\ZephraTemp\" & `fileName` with the voice
// of the setting "T2WVoice" (section "T2W"), read afresh at each call.
// True when the file was written whole.
bool TextToWavFile(PluginState& state, const std::string& text, const std::string& fileName);
// Speaks `text` into the file at `path` with the installed voice whose description is
// `voiceName` (any letter case); the engine's default voice when none matches.
// True when the file was written whole.
bool SpeakToFile(PluginState& state, const std::string& text, const std::string& voiceName, const std::string& path);
// A log line of a speech made off the loop's thread, written to the log once back on it.
struct SpeechLogLine {
    std::string source;
    std::string text;
    std::string once;  // when given, the line is written only the first time for this key
};
// SpeakToFile without the plug-in state: usable on any thread; what SpeakToFile would log is
// added to `lines` instead.
bool MakeSpeechFile(const std::string& text, const std::string& voiceName, const std::string& path,
                    std::vector<SpeechLogLine>& lines);
// Writes the lines to the host's log.
void WriteSpeechLog(PluginState& state, const std::vector<SpeechLogLine>& lines);
// Playing time of a WAV file in whole seconds (halves to even), from its own RIFF header, or from
// its size at 15667 bytes a second when it has no readable header; 0 for "" or a missing file. A name without "\" lies below the
// application folder's "\HTML\".
int32_t ComputeWavTime(PluginState& state, const std::string& file);

}  // namespace zephra
