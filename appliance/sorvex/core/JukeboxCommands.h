#pragma once
// The command port's commands, as the main window's buttons run them.

#include <functional>
#include <optional>
#include <string>

#include "CommandPort.h"
#include "Jukebox.h"
#include "SaveTarget.h"

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
    SaveRefusal save(const std::string& directory, const std::string& name) override {
        std::string root = jukebox_.prefsView().directory.value_or(".");
        if (root.empty()) root = ".";
        const std::string folder = directory == "." ? root : root + "/" + directory;
        const SaveRefusal why =
            CheckSaveTarget(root, folder, name.find('.') == std::string::npos ? name + ".m3u" : name);
        if (why != SaveRefusal::None) return why;
        jukebox_.holdAlerts(true);
        jukebox_.savePlaylist(folder, name, true);
        return SaveRefusal::None;
    }
    SaveRefusal wayOut(const std::string& argument) override {
        const std::string root = jukebox_.prefsView().directory.value_or(".");
        return WayOutOf(root.empty() ? "." : root, argument);
    }
    void replied() override {
        jukebox_.holdAlerts(false);
        jukebox_.showHeldAlerts();
    }
    std::string status() override { return jukebox_.statusText(); }
    void quit() override { jukebox_.quitJukebox(prefsPath_); }
    void exitProgram() override {
        if (exit_) exit_();
    }
    CommandGate* gate() override { return &jukebox_.gate(); }

private:
    Jukebox& jukebox_;
    std::optional<std::string> prefsPath_;
    std::function<void()> exit_;
};

}  // namespace sorvex
