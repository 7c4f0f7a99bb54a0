// What the two disc stand-ins share: the private record with its status, the commands' journal
// a test reads back, and the reports. Every report is made on the host's thread, inside the
// command that causes it, and a command may arrive from inside a report (the host opens the
// next track from its callback), so the state is settled before each report.
#pragma once

#include "media/MvPlugin.h"

#include <string>
#include <vector>

struct MvPluginData {
    MvPluginStatus status{};
    MvMediaInfo media{};
    MvVideoMediaInfo video{};
    MvAudioMediaInfo audio{};
    MvDisplayInfo display{};
    MvAudioList audioList{};
    MvSubtitleList subtitleList{};
    std::string url, title, chapter, angle, displayTitle;
    std::vector<std::string> audioNames, subtitleNames;
    std::vector<unsigned> tracks;           // durations in ms (CD)
    std::string disc;                       // the disc's folder (CD)
    std::vector<MvMediaInfo> items;         // the disc's track list (CD)
    std::vector<std::string> itemUrls, itemTitles;
    unsigned statusFrequency = 1000;
};

namespace fakedisc {

// Appends one line to the journal ("START", "OPEN_URLS /fs/cd0/track02", ...).
void Note(const std::string& line);
const char* CommandName(uint32_t code);
// Reports the mask with the record's status.
void Report(MvPluginCtrl* ctrl, uint32_t mask);
void SetState(MvPluginCtrl* ctrl, uint32_t state, uint32_t extraMask = 0);
// The all-zero MV_DEAD report and the end of the private record.
void Terminate(MvPluginCtrl* ctrl);
// The environment's unsigned value, or fallback.
unsigned EnvNumber(const char* name, unsigned fallback);
std::vector<std::string> EnvList(const char* name, const char* fallback);
// "WxH" into a size; false when the text is not one.
bool ParseSize(const char* text, MvDim* size);
// Moves the play position one status period on; past the end it stops (end of track).
void Tick(MvPluginCtrl* ctrl);

}  // namespace fakedisc

// The journal, for tests that load the same library: the lines so far, and clearing them.
extern "C" const char* FakeDiscJournal();
extern "C" void FakeDiscClearJournal();
