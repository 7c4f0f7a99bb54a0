// Velora, the media player: plays files, streams and playlists through the media plug-ins in a
// window of transport controls and panes; one instance per user takes URLs from later ones.
#include <cstdio>
#include <string>

#include "window/MainWindow.h"
#include "OwnUsage.h"
#include "player/Startup.h"
#include "player/VeloraTexts.h"

int main(int argc, char* argv[])
{
    // Options first: an unknown one ends the program before any window, and a second instance
    // hands its URL over without one.
    // -h is the window's height here: only --help asks for the usage.
    if (qnx::AsksForHelp(argc, argv, false)) return qnx::ShowUsage(kOwnUsage);
    // An unknown option (-w and -h among them) ends the program quietly with status 1.
    if (velora::init(argc, argv) != 0) return 1;
    static const std::string ui = photon::ApProgramDataFolder("velora");
    if (photon::ApInitialize(argc, argv, velora::Context(ui.c_str())) != 0) {
        std::fputs(velora::texts::kNoDisplay, stderr);
        return 1;
    }
    if (!velora::OpenBase()) photon::PtExit(1);
    photon::PtMainLoop();
    return 0;
}
