// Sorvex, the audio jukebox: a touch browser of the music folders, a play list played through
// the outside decoders, and a TCP command port for the home-automation host.
#include <getopt.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "Browser.h"
#include "CommandPort.h"
#include "Jukebox.h"
#include "OwnUsage.h"
#include "JukeboxCommands.h"
#include "Prefs.h"
#include "SorvexTexts.h"
#include "SorvexWindow.h"

namespace {

constexpr const char* kOptions = "S:x:y:w:h:f:";
constexpr std::size_t kDirectorySize = 1025;
constexpr const char* kNoDisplay = "Sorvex: no display (set DISPLAY)\n";

}  // namespace

int main(int argc, char** argv) {
    // A reply to a client that has gone must not end the jukebox.
    ::signal(SIGPIPE, SIG_IGN);
    std::set_new_handler([] {
        std::fputs(sorvex::texts::kOutOfMemory, stderr);
        std::abort();
    });
    // The options are read before any window: --help and a wrong option need no display.
    if (qnx::AsksForHelp(argc, argv, false)) return qnx::ShowUsage(kOwnUsage);
    std::optional<std::string> prefsPath = sorvex::InitPrefsPath();
    std::optional<std::string> startingDirectory;
    int option;
    opterr = 0;
    while ((option = ::getopt(argc, argv, kOptions)) != -1) {
        switch (option) {
        case 'f': prefsPath = optarg; break;
        case 'S':
        case 'x':
        case 'y':
        case 'w':
        case 'h': break;  // taken by the window layer
        default:
            // The usage alone, on standard output, as the jukebox has always answered.
            std::printf(sorvex::texts::kUsage, kOwnUsage.program);
            return 1;
        }
    }
    if (optind < argc) startingDirectory = argv[optind];
    static const std::string ui = photon::ApProgramDataFolder("sorvex");
    if (photon::ApInitialize(argc, argv, sorvex::window::Context(ui.c_str())) != 0) {
        std::fputs(kNoDisplay, stderr);
        return 1;
    }
    if (sorvex::window::CheckSingleInstance() != 0) photon::PtExit(1);

    sorvex::Prefs prefs;
    if (startingDirectory) prefs.directory = startingDirectory;
    std::vector<int> ports;
    if (prefsPath) sorvex::ReadPrefs(prefs, *prefsPath, [&](int port) { ports.push_back(port); });
    if (!prefs.directory) {
        char cwd[kDirectorySize];
        if (!::getcwd(cwd, sizeof cwd)) {
            std::perror(sorvex::texts::kNoStartingDirectory);
            photon::PtExit(1);
        }
        prefs.directory = cwd;
    }
    ::srandom(static_cast<unsigned>(::getpid() + std::time(nullptr)));

    sorvex::Jukebox jukebox(prefs);
    sorvex::JukeboxCommands commands(jukebox, prefsPath, [] { photon::PtExit(0); });
    sorvex::CommandPort port(commands);
    // Only the last "port" line counts: one listening socket, the port the file names last.
    std::string portFailure;
    if (!ports.empty() && port.open(ports.back()) != 0) {
        std::fprintf(stderr, sorvex::texts::kPortNotOpened, ports.back(), port.failure().c_str());
        char text[512];
        std::snprintf(text, sizeof text, sorvex::texts::kPortAlert, ports.back(), port.failure().c_str());
        portFailure = text;
    }
    sorvex::Browser browser(jukebox, *prefs.directory);
    sorvex::window::App app{prefs, prefsPath, jukebox, browser};
    if (!sorvex::window::OpenMainWindow(app)) photon::PtExit(1);
    if (!portFailure.empty()) sorvex::window::Alert(portFailure);
    photon::PtMainLoop();
    return 0;
}
