// Loading the sound-file plug-in and binding it through its MvInit.
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>

#include "Player.h"
#include "RuvexMessages.h"
#include "media/LoadDll.h"
#include "qnx/MediaLibrary.h"
#include "qnx/Sched.h"

namespace ruvex {

namespace {

// The saved player settings, else the defaults.
void ReadSettings(MvPluginCtrl* ctrl) {
    if (!qnx::MvGetMpSetting(&ctrl->setup)) qnx::MvGetMpDefaultSetting(&ctrl->setup);
}

std::string ProgramFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    const std::string program(path, static_cast<size_t>(length));
    return program.substr(0, program.find_last_of('/'));
}

}  // namespace

std::string PluginPath() {
    const std::string folder = ProgramFolder();
    if (!folder.empty()) {
        for (const std::string& candidate :
             {folder + "/" + messages::kPluginFile, folder + "/../lib/" + messages::kPluginFile})
            if (access(candidate.c_str(), R_OK) == 0) return candidate;
    }
    return messages::kPluginFile;
}

MvPluginCtrl* load_plugin(const std::string& path) {
    auto* ctrl = static_cast<MvPluginCtrl*>(std::calloc(1, sizeof(MvPluginCtrl)));
    if (!ctrl) return nullptr;
    ctrl->prio = qnx::getprio(0);
    ctrl->cb = mpcallback;
    LoadDllOptions options;
    options.printLoaded = options.printSucceeded = options.printInitFailed = bVerbose;
    options.setMinorVersion = false;
    options.beforeInit = ReadSettings;
    if (LoadDll(path.c_str(), ctrl, options) != 0) {
        std::free(ctrl);
        return nullptr;
    }
    return ctrl;
}

}  // namespace ruvex
