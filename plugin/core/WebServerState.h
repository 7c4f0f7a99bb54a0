#pragma once
// What the settings reader and the start-up touch of the plug-in's own web server: whether it has been
// loaded, its debug log, and the .asp page engine that every reading drops. The web server itself
// (its window, listening sockets, requests, pages) is a module of its own (web/TCPServer.h).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vb/Object.h"
#include "windows/TextStream.h"

namespace zephra {

class PluginState;

struct WebServerState {
    // The web server's file-system object exists: the server has been loaded.
    bool Loaded = false;
    // The log has said that the server is off (no port, or the host's server chosen).
    bool OffTold = false;
    // Its debug log while "TCPDebug" is on, else none.
    std::shared_ptr<windows::TextStream> ServerDebugLog;
    // The .asp page engine's script object and its ready flag.
    vb::ObjectRef PageEngine;
    bool PageEngineReady = false;
    // The .asp pages already converted in this run; one empty entry: none.
    std::vector<std::string> ConvertedPages{std::string()};
    // The index of the slideshow page's next picture.
    int32_t NextPictureIndex = 0;
    // The last slideshow request came from a configured appliance.
    bool SlideClientIsAppliance = false;
};

// Loads the web server window once (it listens on "ServerPort" and makes the folders
// application folder & "\Data" and "\Data\dkvZephra") and marks it loaded.
void LoadTCPServer(PluginState& state);

}  // namespace zephra
