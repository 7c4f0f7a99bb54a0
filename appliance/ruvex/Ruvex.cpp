// Ruvex [-i] [-v] url: plays one sound file or URL through the sound-file plug-in, optionally
// under keyboard control (-i: p play or pause, s stop, q quit), and ends when the medium has
// played, on an error, or when the plug-in ends. Exit status 1 after an error text (a file that
// cannot be opened or played, an HTTP failure) or a wrong command line, else 0.
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "CommandLine.h"
#include "OwnUsage.h"
#include "Player.h"
#include "RuvexMessages.h"
#include "media/LoadDll.h"

namespace ruvex {

player_t player;
std::atomic<bool> bInteractive{false};
std::atomic<bool> bVerbose{false};

namespace {

// How long the start-up gives the plug-in to report the open before it starts.
constexpr auto kOpenWait = std::chrono::seconds(1);

int Send(MvPluginCtrl* ctrl, uint32_t code, const char* url, uint32_t which, MvPlaybackParams& params) {
    const char* urls[] = {url, nullptr};
    MvCommandData cmd{};
    cmd.cmdType = code;
    cmd.pluginCtrl = ctrl;
    cmd.urls = urls;
    cmd.nodeString = std::getenv("HOSTNAME");
    cmd.displayString = std::getenv("PHOTON");
    cmd.which = which;
    cmd.param = &params;
    return ctrl->calls->command(&cmd);
}

bool OpenReported() {
    const uint32_t state = player.lastState;
    return player.endOfStream || state == MV_STOPPED || state == MV_CLOSED || state == MV_DEAD;
}

void OpenAndStart(MvPluginCtrl* ctrl, const std::string& url) {
    MvPlaybackParams params{};
    params.delta = 1;
    Send(ctrl, CMD_PLUGIN_OPEN_URLS, url.c_str(), MVP_DELTA, params);
    {
        std::unique_lock lock(player.mutex);
        player.cond.wait_for(lock, kOpenWait, OpenReported);
    }
    Send(ctrl, CMD_PLUGIN_START, url.c_str(), 0, params);
}

void Rewind(MvPluginCtrl* ctrl) {
    MvPlaybackParams params{};
    MvCommandData cmd{};
    cmd.cmdType = CMD_PLUGIN_SEEK_TO;
    cmd.pluginCtrl = ctrl;
    cmd.which = MVP_POSITION | MVP_DELTA;
    cmd.param = &params;
    ctrl->calls->command(&cmd);
}

// Sleeps until there is something to do, does it without holding the lock, and returns when the
// program is to end.
void RunMainLoop(MvPluginCtrl* ctrl) {
    std::unique_lock lock(player.mutex);
    for (;;) {
        player.cond.wait(lock, [] { return player.wakeUp; });
        player.wakeUp = false;
        if (player.endOfStream) return;
        if (player.terminateRequested) {
            player.terminateRequested = false;
            lock.unlock();
            ctrl->calls->terminate(ctrl);
            lock.lock();
            continue;
        }
        if (player.rewindRequested) {
            player.rewindRequested = false;
            lock.unlock();
            Rewind(ctrl);
            lock.lock();
        }
        if (player.userInput) {
            const std::string line = *player.userInput;
            player.userInput.reset();
            lock.unlock();
            SendCommand(ctrl, line.c_str());
            lock.lock();
        }
    }
}

// Ends the plug-in when an error ended the program, then closes its library.
void Unload(MvPluginCtrl* ctrl) {
    bool dead = false;
    {
        std::lock_guard lock(player.mutex);
        dead = player.pluginDead;
    }
    if (!dead) ctrl->calls->terminate(ctrl);
    UnloadDll(ctrl);
    std::free(ctrl);
}

}  // namespace

}  // namespace ruvex

int main(int argc, char** argv) {
    using namespace ruvex;
    std::signal(SIGTTIN, SIGTTIN_Handler);
    if (qnx::AsksForHelp(argc, argv)) return qnx::ShowUsage(kOwnUsage);
    CommandLine line;
    if (!ReadCommandLine(argc, argv, line)) {
        std::fprintf(stderr, messages::kUsage, messages::kProgramName, line.complaint.c_str(), messages::kProgramName);
        return 1;
    }
    bInteractive = line.interactive;
    bVerbose = line.verbose;
    if (bVerbose) std::fprintf(stderr, messages::kFileLine, line.argument.c_str());
    const std::string url = MediaUrl(line);
    player.source = url.starts_with(messages::kFilePrefix) ? url.substr(std::strlen(messages::kFilePrefix)) : url;
    // A file that is not there is said so here, in the system's words, before any plug-in.
    struct stat st {};
    if (url.starts_with(messages::kFilePrefix) && ::stat(player.source.c_str(), &st) != 0) {
        std::fprintf(stderr, messages::kCannotOpen, messages::kProgramName, player.source.c_str(),
                     std::strerror(errno));
        return 1;
    }

    MvPluginCtrl* ctrl = load_plugin(PluginPath());
    if (!ctrl) return 1;
    OpenAndStart(ctrl, url);
    if (bInteractive) StartUserInput();
    RunMainLoop(ctrl);
    Unload(ctrl);
    std::lock_guard lock(player.mutex);
    return player.errorReported ? 1 : 0;
}
