// The viewer callback: follows the plug-in's states and errors and hands the main thread what to do.
#include <cstdio>
#include <string>

#include "Player.h"
#include "RuvexMessages.h"

namespace ruvex {

namespace {

using namespace messages;

void Say(const char* text) {
    if (bVerbose) std::fputs(text, stderr);
}

// At the end of play: without keyboard control the program ends; with it the medium goes back to
// its start, ready to play again.
void OnStopped() {
    Say(kStateStopped);
    if (!bInteractive && player.hasPlayed) {
        player.terminateRequested = true;
        return;
    }
    if (player.hasPlayed) player.rewindRequested = true;
    player.hasPlayed = false;
}

void OnState(uint32_t state) {
    switch (state) {
    case MV_DEAD:
        Say(kStateDead);
        player.pluginDead = true;
        player.endOfStream = true;
        break;
    case MV_CLOSED:
        Say(kStateClosed);
        player.endOfStream = true;
        break;
    case MV_OPENING: Say(kStateOpening); break;
    case MV_STOPPED: OnStopped(); break;
    case MV_PAUSED: Say(kStatePaused); break;
    case MV_PREFETCHING: Say(kStatePrefetching); break;
    case MV_PLAYING:
        Say(kStatePlaying);
        player.hasPlayed = true;
        break;
    default: break;
    }
}

}  // namespace

void WakeMain() {
    player.wakeUp = true;
    player.cond.notify_all();
}

void mpcallback(MvPluginCtrl*, uint32_t mask, const MvPluginStatus* status) {
    std::lock_guard lock(player.mutex);
    if (mask & MVS_PLUGIN_STATE) {
        player.lastState = status->state;
        OnState(status->state);
    }
    if (mask & MVS_ERRORMSG) {
        std::string text = status->errormsg ? status->errormsg : "";
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        if (text.find(player.source) != std::string::npos)
            std::fprintf(stderr, kPluginError, kProgramName, text.c_str());
        else std::fprintf(stderr, kPluginErrorOf, kProgramName, player.source.c_str(), text.c_str());
        player.endOfStream = true;
        player.errorReported = true;
    }
    if (player.endOfStream || player.terminateRequested || player.rewindRequested) WakeMain();
    // The start-up waits for the open's reports.
    player.cond.notify_all();
}

}  // namespace ruvex
