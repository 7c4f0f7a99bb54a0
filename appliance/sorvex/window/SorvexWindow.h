#pragma once
// The jukebox's windows on the appliance GUI layer: the main window (browser, now-playing
// display, transport, play list, command menu), the Settings, Save and progress dialogs, and
// the single-instance connector.

#include <optional>
#include <string>
#include <vector>

#include "Browser.h"
#include "Jukebox.h"
#include "Prefs.h"
#include "photon/Photon.h"

namespace sorvex::window {

// What the windows work on; lives as long as the program.
struct App {
    Prefs& prefs;
    std::optional<std::string> prefsPath;
    Jukebox& jukebox;
    Browser& browser;
};

// The application context of the layer: the UI folder and the callbacks the UI files name.
const photon::ApContext_t* Context(const char* uiDirectory);

// 0 when this is the only instance (it now offers the connector); 1 when another instance
// was found and told to come to the front.
int CheckSingleInstance();

// Opens the main window and sets it up (browser pages, starting directory, toggles, the default
// list). Returns the window, or null.
photon::PtWidget_t* OpenMainWindow(App& app);

// A message box titled "Sorvex Alert" over the main window.
void Alert(const std::string& text);

// The item widgets of the front browser page, in page order (for the test driver).
std::vector<photon::PtWidget_t*> FrontPageItems();

}  // namespace sorvex::window
