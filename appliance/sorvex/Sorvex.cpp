// Sorvex, the audio jukebox: reads its preferences, opens its command port, and plays its
// play list through the outside decoders on the GLib main loop.
#include <getopt.h>
#include <glib-unix.h>
#include <glib.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <vector>

#include "CommandPort.h"
#include "Jukebox.h"
#include "JukeboxCommands.h"
#include "Prefs.h"
#include "SorvexTexts.h"

namespace {

constexpr const char* kOptions = "S:x:y:w:h:f:";
constexpr std::size_t kDirectorySize = 1025;

struct Program {
    std::optional<std::string> prefsPath;
    sorvex::Prefs prefs;
    std::unique_ptr<sorvex::Jukebox> jukebox;
    GMainLoop* loop = nullptr;
};

gboolean onTerminate(gpointer data) {
    auto* program = static_cast<Program*>(data);
    program->jukebox->quitJukebox(program->prefsPath);
    g_main_loop_quit(program->loop);
    return G_SOURCE_REMOVE;
}

}  // namespace

int main(int argc, char** argv) {
    // A reply to a client that has gone must not end the jukebox.
    ::signal(SIGPIPE, SIG_IGN);
    Program program;
    program.prefsPath = sorvex::InitPrefsPath();
    int option;
    while ((option = ::getopt(argc, argv, kOptions)) != -1) {
        switch (option) {
        case 'f':
            program.prefsPath = optarg;
            break;
        case 'S':
        case 'x':
        case 'y':
        case 'w':
        case 'h':
            break;  // window placement, for the window layer
        default:
            std::printf(sorvex::texts::kUsage, argv[0]);
            return 1;
        }
    }
    if (optind < argc) program.prefs.directory = argv[optind];

    std::vector<int> ports;
    if (program.prefsPath) sorvex::ReadPrefs(program.prefs, *program.prefsPath, [&](int port) { ports.push_back(port); });
    if (!program.prefs.directory) {
        char cwd[kDirectorySize];
        if (!::getcwd(cwd, sizeof cwd)) {
            std::perror(sorvex::texts::kNoStartingDirectory);
            return 1;
        }
        program.prefs.directory = cwd;
    }
    ::srandom(static_cast<unsigned>(::getpid() + std::time(nullptr)));

    program.loop = g_main_loop_new(nullptr, FALSE);
    program.jukebox = std::make_unique<sorvex::Jukebox>(program.prefs);
    sorvex::JukeboxCommands commands(*program.jukebox, program.prefsPath, [] {
        std::fflush(nullptr);
        std::exit(0);
    });
    sorvex::CommandPort port(commands);
    for (int number : ports) port.open(number);

    if (program.prefs.defaultList && !program.prefs.defaultList->empty() && program.prefs.defaultListMode > 0)
        program.jukebox->openPath(*program.prefs.defaultList, program.prefs.defaultListMode == 2);

    g_unix_signal_add(SIGTERM, onTerminate, &program);
    g_unix_signal_add(SIGINT, onTerminate, &program);
    g_main_loop_run(program.loop);
    program.jukebox.reset();
    g_main_loop_unref(program.loop);
    return 0;
}
