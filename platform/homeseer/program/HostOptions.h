#pragma once
// The command line of zephra-host:
//
//   zephra-host --app-dir DIR [--run FILE] [--exit-when-idle] [--plugin LIBRARY]
//               [--web-address IP] [--xap] [--xap-... VALUE]

#include <optional>
#include <string>
#include <vector>

#include "program/XapConnection.h"

namespace homeseer {

struct HostOptions {
    std::string appDir;         // the application folder (made on first run)
    std::string runFile;        // a host script to run; none: statements from standard input
    bool exitWhenIdle = false;  // end once the script is done and every appliance queue is empty
    std::string plugin;         // the plug-in library; "": libreva_Zephra.so beside the program's libraries
    // Where the HTML folder is served; "": every address, as the plug-in's own server listens, so
    // that the pages it hands over to "HomeseerIP" are answered there.
    std::string webAddress;
    XapOptions xap;  // the xAP network's settings given on the command line
};

struct OptionsReading {
    std::optional<HostOptions> options;  // none: `message` says why, or help was asked for
    std::string message;
    bool help = false;
};

OptionsReading ParseHostOptions(const std::vector<std::string>& args);

}  // namespace homeseer
