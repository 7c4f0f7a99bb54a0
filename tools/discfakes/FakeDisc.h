// What the two disc stand-ins share: the private record with its status, the commands' journal
// a test reads back, the reports, and the commands both answer alike; each stand-in describes
// only what its disc does differently (a DiscKind). Every report is made on the host's thread,
// inside the command that causes it, and a command may arrive from inside a report (the host
// opens the next track from its callback), so the state is settled before each report.
#pragma once

#include "mediaapi/MvPlugin.h"

#include <string>
#include <vector>

namespace fakedisc {
struct DiscKind;
}

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
    std::vector<unsigned> tracks;    // durations in ms (CD)
    std::string disc;                // the disc's folder (CD)
    std::vector<MvMediaInfo> items;  // the disc's track list (CD)
    std::vector<std::string> itemUrls, itemTitles;
    unsigned statusFrequency = 1000;
    const fakedisc::DiscKind* kind = nullptr;
};

namespace fakedisc {

// One stand-in's own part. The shared command handler opens through `open`, answers status polls,
// notes every other command in the journal, runs CLOSE, START, PAUSE, STOP, SEEK_TO and
// SET_PARAMETER itself and hands the rest to `command`.
struct DiscKind {
    uint32_t pflags;                                    // MvPluginCtrl.pflags
    void (*open)(MvPluginCtrl* ctrl, const char* url);  // url null: the disc's default
    const MvMediaInfo* (*item)(MvPluginCtrl* ctrl, uint32_t which, uint32_t item);
    int (*command)(MvCommandData* cmd);  // the disc's own commands; -1 unknown
    bool journalParams;                  // journal lines carry delta, window flags and parameter mask
    bool startNeedsMedium;               // START refused (-1) before a medium is open
    bool stopRewinds;                    // STOP moves the position back to the start
};

// MvInit's work: a fresh private record, the shared operation table bound to `kind`.
int Init(MvPluginCtrl* ctrl, const DiscKind& kind);

// Appends one line to the journal ("START", "OPEN_URLS /fs/cd0/track02", ...).
void Note(const std::string& line);
const char* CommandName(uint32_t code);
// Reports the mask with the record's status.
void Report(MvPluginCtrl* ctrl, uint32_t mask);
void SetState(MvPluginCtrl* ctrl, uint32_t state, uint32_t extraMask = 0);
// The environment's unsigned value, or fallback.
unsigned EnvNumber(const char* name, unsigned fallback);
std::vector<std::string> EnvList(const char* name, const char* fallback);
// "WxH" into a size; false when the text is not one.
bool ParseSize(const char* text, MvDim* size);

}  // namespace fakedisc

// The journal, for tests that load the same library: the lines so far, and clearing them.
extern "C" const char* FakeDiscJournal();
extern "C" void FakeDiscClearJournal();
