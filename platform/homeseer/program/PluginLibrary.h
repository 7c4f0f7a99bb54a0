#pragma once
// A plug-in library opened with dlopen and its one entry called (PluginEntry.h).
//
// The library is never closed: objects it made (the plug-in object, factories it
// registered for CreateObject, call-backs) may live until the process ends, and their code
// must stay mapped until then.

#include <string>

#include "homeseer/PluginEntry.h"

namespace homeseer {

// The plug-in of the library at `path`; raises std::runtime_error with the loader's reason
// when it cannot be opened, lacks the entry, or refuses this contract version.
PluginInstance LoadPluginLibrary(const std::string& path);

// Where the host program looks for libreva_Zephra.so when not told: the "lib" folder beside
// the program's folder (the build's layout), else the program's own folder.
std::string DefaultPluginPath();

}  // namespace homeseer
