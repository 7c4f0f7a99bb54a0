#pragma once
// The media player's records: the player record `mplayer`, the host's control record of the
// loaded plug-in, and the playlist item. Every part of the player reads and writes them on the
// GUI loop's thread; nothing here is touched from a plug-in's thread.

#include <cstdint>
#include <string>
#include <vector>

#include "mediaapi/MvPlugin.h"
#include "photon/Photon.h"

namespace velora {

// The control record the host allocates for a plug-in: the plug-in's record, then the host's
// own words, which the plug-in never sees.
struct HostPluginCtrl {
    MvPluginCtrl ctrl;
    uint32_t lastState;          // last MvPluginState handled
    uint32_t statusFlags;        // last MvPluginStatus.flags with MVS_FLAGS
    uint32_t mediaType;          // MvMediaFlags of the opened medium
    uint32_t duration;           // ms
    uint32_t position;           // ms
    uint32_t positionTenths;     // position / 100; the time text is redrawn when it changes
    MvViewerCallbackF_t viewer;  // the kind's viewer callback, run on the GUI loop
};

// One entry of the active playlist, or a URL just resolved.
struct PlaylistItem {
    std::string url;
    std::string title;    // empty: none
    int selectOrder = 0;  // 0 not selected, else 1-based order of selection
    int bToDelete = 0;    // remove the file when the list is emptied
    std::string mime;
    std::string plugin;  // plug-in file name or path
};

// Which pane module shows below the controls.
enum class PaneModule { None, Sound, Cd, Dvd, Default };

struct MPlayer {
    photon::PhDim_t baseDim{};
    photon::PhImage_t *pauseBut = nullptr, *playBut = nullptr, *stopBut = nullptr, *ejectBut = nullptr;
    photon::PhImage_t* paneImage = nullptr;
    photon::ApDBase_t* imageDb = nullptr;
    MvSetup setup{};
    photon::PtWidget_t* paneGroup = nullptr;
    PaneModule paneModule = PaneModule::None;
    MvPlaybackParams params{};
    void* mixer = nullptr;  // the host mixer while it is open
    MvVideoMediaInfo videoInfo{};
    int bConnectorOwner = 0, bUnique = 0;
    int bManualPlay = 0;
    int bAdvanceDlgOpen = 0;
    int bRemoteCtrl = 0;
    int bErrorShown = 0;
    std::string serialPort;
    HostPluginCtrl* pluginCtrl = nullptr;
    int bAutoPlay = 0;
    int bSeeking = 0;
    int bPluginAlive = 0;
    int bEjected = 0;
    std::vector<std::string> urlArgs;
    const char* removeUrl = nullptr;
    const char* pluginPath = nullptr;
    int bChangingTrack = 0;
    int bStartPending = 0;
    int priority = 0;
};

extern MPlayer mplayer;

// The main window's widgets by name.
photon::PtWidget_t* W(const char* name);

// Sends one command to the current plug-in: a zeroed command record with the current control
// record and the one parameter block. -1 without a plug-in, else the plug-in's answer.
int SendCommand(uint32_t cmdType, uint32_t which, const char** urls = nullptr);

// Waits ms milliseconds (the player's pauses between commands); tests replace it.
extern void (*HostSleep)(unsigned ms);
// The player's clock in milliseconds (monotonic), for bounded waits; tests replace it.
extern uint64_t (*HostClockMs)();

}  // namespace velora
