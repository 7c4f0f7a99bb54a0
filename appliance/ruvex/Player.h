#pragma once
// Ruvex's shared record: the main thread sleeps on `cond` until the viewer callback (on the
// plug-in's threads and inside commands) or the keyboard thread hands it something to do. The
// main thread alone sends commands to the plug-in, never while it holds `mutex`, and it alone
// ends the plug-in, so that the plug-in's threads are joined before its library is closed.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "mediaapi/MvPlugin.h"

namespace ruvex {

struct player_t {
    std::mutex mutex;
    std::condition_variable cond;
    bool wakeUp = false;                   // an event is pending
    uint32_t lastState = MV_CLOSED;        // the last state reported
    bool endOfStream = false;              // the program is to end
    std::optional<std::string> userInput;  // the last line typed, not yet handled
    bool hasPlayed = false;                // MV_PLAYING seen since the last handled MV_STOPPED
    bool terminateRequested = false;       // the medium has played to its end: end the plug-in
    bool rewindRequested = false;          // interactive: go back to the start after a stop
    bool pluginDead = false;               // MV_DEAD reported
    bool errorReported = false;            // the plug-in printed an error text: the exit status is 1
    std::string source;                    // the file's path or the URL, for the program's own lines
};

extern player_t player;
extern std::atomic<bool> bInteractive;  // -i
extern std::atomic<bool> bVerbose;      // -v

// Wakes the main thread; `player.mutex` held.
void WakeMain();

// The viewer callback.
void mpcallback(MvPluginCtrl* ctrl, uint32_t mask, const MvPluginStatus* status);

// Sends the command a typed line asks for: p start or pause, s stop, q end the plug-in.
void SendCommand(MvPluginCtrl* ctrl, const char* text);

// Starts the detached keyboard thread.
void StartUserInput();
// From then on a player in the background reads no keys and prints nothing.
void SIGTTIN_Handler(int);

// The control record of the loaded plug-in, or null after the loader's message.
MvPluginCtrl* load_plugin(const std::string& path);
// Where the plug-in library is: beside the program, in the lib folder next to the program's
// folder (a build tree or an installation), else its bare name for the library search path.
std::string PluginPath();

}  // namespace ruvex
