// Keyboard control: a detached thread reads typed lines and hands them to the main thread, which
// turns them into commands.
#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

#include "Player.h"
#include "RuvexMessages.h"

namespace ruvex {

namespace {

constexpr size_t kKeptCharacters = 4;  // a key, its line end, and the NUL

void DiscardRestOfLine() {
    for (int c = std::getc(stdin); c != EOF && c != '\n'; c = std::getc(stdin)) {}
}

// Reads one typed line, keeping its first characters; false at the end of input. The rest of a
// longer line belongs to the same key press.
bool ReadLine(char (&kept)[kKeptCharacters]) {
    if (!std::fgets(kept, sizeof kept, stdin)) return false;
    if (!std::strchr(kept, '\n') && std::strlen(kept) == sizeof kept - 1) DiscardRestOfLine();
    return true;
}

void UserInputThread() {
    char line[kKeptCharacters];
    while (bInteractive && ReadLine(line)) {
        if (bVerbose) std::fprintf(stderr, messages::kYouPressed, messages::kSourceName, line);
        std::lock_guard lock(player.mutex);
        player.userInput = line;
        WakeMain();
    }
    // The end of the input is the last key: quit, as a user would who can type no more.
    if (!bInteractive) return;
    std::lock_guard lock(player.mutex);
    player.userInput = "q";
    WakeMain();
}

void Send(MvPluginCtrl* ctrl, uint32_t code) {
    MvCommandData cmd{};
    cmd.cmdType = code;
    cmd.pluginCtrl = ctrl;
    ctrl->calls->command(&cmd);
}

}  // namespace

void SendCommand(MvPluginCtrl* ctrl, const char* text) {
    if (!ctrl || !text) return;
    switch (std::tolower(static_cast<unsigned char>(text[0]))) {
    case 'p': {
        uint32_t state = 0;
        {
            std::lock_guard lock(player.mutex);
            state = player.lastState;
        }
        Send(ctrl, state == MV_PAUSED || state == MV_STOPPED ? CMD_PLUGIN_START : CMD_PLUGIN_PAUSE);
        break;
    }
    case 's': Send(ctrl, CMD_PLUGIN_STOP); break;
    case 'q': ctrl->calls->terminate(ctrl); break;
    default: break;
    }
}

void StartUserInput() { std::thread(UserInputThread).detach(); }

void SIGTTIN_Handler(int) {
    std::signal(SIGTTIN, SIG_IGN);
    bInteractive = false;
    bVerbose = false;
}

}  // namespace ruvex
