#pragma once
// What the settings reader and the start-up touch of the plug-in's own web server: whether it has been
// loaded, its debug log, and the .asp page engine that every reading drops. The web server itself
// (its window, listening sockets, requests, pages) is a module of its own (web/TCPServer.h).

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "vb/Object.h"
#include "windows/TextStream.h"

namespace zephra {

class PluginState;

// A file as it was when last seen: its size and last-change time.
struct FileStamp {
    int64_t size = -1;
    int64_t modified = 0;
    bool operator==(const FileStamp&) const = default;
};

// A picture shrunk for the appliances: from which file, to which width, and the copy as it was
// written. The copy serves again while all of it still holds.
struct ResizedCopy {
    std::string source;
    FileStamp sourceStamp;
    double width = 0;
    FileStamp copyStamp;
};

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
    // The resized copies written in this run, by the copy's path (one per name in ZephraTemp).
    std::map<std::string, ResizedCopy> ResizedCopies;
};

// Loads the web server window once (it listens on "ServerPort" and makes the folders
// application folder & "\Data" and "\Data\dkvZephra") and marks it loaded.
void LoadTCPServer(PluginState& state);

}  // namespace zephra
