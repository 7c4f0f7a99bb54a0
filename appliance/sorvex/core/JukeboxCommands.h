#pragma once
// The command port's commands, as the main window's buttons run them.

#include <algorithm>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "CommandPort.h"
#include "Jukebox.h"

namespace sorvex {

class JukeboxCommands : public CommandActions {
public:
    // `prefsPath`: where "quit" writes the preferences; `exit`: ends the program.
    JukeboxCommands(Jukebox& jukebox, std::optional<std::string> prefsPath, std::function<void()> exit)
        : jukebox_(jukebox), prefsPath_(std::move(prefsPath)), exit_(std::move(exit)) {}

    void play() override { jukebox_.playPressed(); }
    void stop() override { jukebox_.stopPlayback(); }
    void pause() override { jukebox_.togglePause(); }
    void prev() override { jukebox_.prevPressed(); }
    void next() override { jukebox_.playNext(); }
    void launch(const std::string& path) override { jukebox_.openPath(path, true); }
    void clear() override {
        jukebox_.stopPlayback();
        jukebox_.clearPlaylist();
    }
    // Network saves land under the music root (the browser's starting folder), never through a
    // link or anything but a plain file; an alert about the save waits for the reply.
    bool save(const std::string& directory, const std::string& name) override {
        std::string root = jukebox_.prefsView().directory.value_or(".");
        if (root.empty()) root = ".";
        const std::string folder = directory == "." ? root : root + "/" + directory;
        if (!StaysInside(root, folder, name.find('.') == std::string::npos ? name + ".m3u" : name)) return false;
        jukebox_.holdAlerts(true);
        jukebox_.savePlaylist(folder, name, true);
        jukebox_.holdAlerts(false);
        return true;
    }
    void replied() override { jukebox_.showHeldAlerts(); }
    std::string status() override { return jukebox_.statusText(); }
    void quit() override { jukebox_.quitJukebox(prefsPath_); }
    void exitProgram() override {
        if (exit_) exit_();
    }

private:
    // False when the folder's real path leaves the root's, or the file is there as a link or
    // anything but a plain file. A folder that is not there is left for the save to report.
    static bool StaysInside(const std::string& root, const std::string& folder, const std::string& file) {
        std::error_code ec;
        const std::filesystem::path realRoot = std::filesystem::canonical(root, ec);
        if (ec) return true;
        const std::filesystem::path realFolder = std::filesystem::canonical(folder, ec);
        if (ec) return true;
        auto [rootEnd, unused] = std::mismatch(realRoot.begin(), realRoot.end(), realFolder.begin(), realFolder.end());
        if (rootEnd != realRoot.end()) return false;
        const std::filesystem::file_status target = std::filesystem::symlink_status(realFolder / file, ec);
        return !std::filesystem::exists(target) || std::filesystem::is_regular_file(target);
    }

    Jukebox& jukebox_;
    std::optional<std::string> prefsPath_;
    std::function<void()> exit_;
};

}  // namespace sorvex
