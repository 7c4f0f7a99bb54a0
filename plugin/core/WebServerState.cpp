#include "core/WebServerState.h"

#include "core/PluginState.h"
#include "windows/FileSystemObject.h"

namespace zephra {

namespace {

constexpr const char* kDataFolder = "\\Data";
constexpr const char* kPluginFolder = "\\dkvZephra";

void makeFolder(const windows::FileSystemObject& fso, const std::string& folder) {
    if (!fso.FolderExists(folder)) fso.CreateFolder(folder);
}

}  // namespace

// The folders and the loaded mark; the server module adds its listening socket here.
void LoadTCPServer(PluginState& state) {
    windows::FileSystemObject fso;
    const std::string data = state.host().GetAppPath() + kDataFolder;
    makeFolder(fso, data);
    makeFolder(fso, data + kPluginFolder);
    state.web.Loaded = true;
}

}  // namespace zephra
