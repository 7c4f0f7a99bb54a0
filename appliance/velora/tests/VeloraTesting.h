#pragma once
// For the player's tests: a scratch folder, the main window opened once on a virtual display
// with the layer's manual clock, the fake plug-in reached through its library, and a reset of
// the player between tests.

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "playlist/Controller.h"
#include "dialogs/Dialogs.h"
#include "FakePlugin.h"
#include "window/MainWindow.h"
#include "player/PluginHost.h"
#include "player/Velora.h"
#include "photon/PhotonTest.h"

namespace velora::testing {

class ScratchFolder {
public:
    ScratchFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "velora-test-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& relative) const { return (path_ / relative).string(); }
    std::string write(const std::string& relative, const std::string& bytes) const
    {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file.string();
    }

private:
    std::filesystem::path path_;
};

inline std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

// The pauses the player makes between commands, recorded instead of waited.
inline std::vector<unsigned>& Sleeps()
{
    static std::vector<unsigned> sleeps;
    return sleeps;
}
inline void RecordSleep(unsigned ms) { Sleeps().push_back(ms); }

// Opens the main window once per process: settings, connector folder and plug-in table in a
// scratch folder; `table` is the plug-in table's text (empty: the built-in one).
inline photon::PtWidget_t* OpenPlayerOnce(const std::string& table)
{
    static photon::PtWidget_t* base = nullptr;
    if (base) return base;
    static ScratchFolder folder;
    setenv("ZEPHRA_PHOTON_SCOPE", (folder / "scope").c_str(), 1);
    std::filesystem::create_directories(folder / "scope");
    setenv("ZEPHRA_MEDIA_SETTINGS", (folder / "media.conf").c_str(), 1);
    if (table.empty()) unsetenv("ZEPHRA_MEDIA_PLUGINS");  // the built-in table
    else setenv("ZEPHRA_MEDIA_PLUGINS", folder.write("plugins", table).c_str(), 1);
    // The fake plug-in stays mapped while the player loads and closes it, so that the tests may
    // look at it after it was unloaded.
    static void* keep = dlopen(VELORA_FAKE_PLUGIN, RTLD_NOW | RTLD_LOCAL);
    (void)keep;
    static char name[] = "velora";
    static char* argv[] = {name, nullptr};
    if (photon::ApInitialize(1, argv, Context(VELORA_UI_DIR)) != 0) return nullptr;
    photon::test::UseManualClock();
    HostSleep = RecordSleep;
    base = OpenBase();
    photon::test::RunUntilIdle();
    return base;
}

// Back to the bare player with an empty list and the flags as at start.
inline void ResetPlayer()
{
    while (bErrorDlg) errdlg_done(nullptr, nullptr, nullptr);
    mplayer.bErrorShown = 0;
    cbBaseClose();
    photon::test::RunUntilIdle();
    photon::test::AdvanceClock(1000);
    ControllerDeleteAll();
    mplayer.bAutoPlay = mplayer.bStartPending = mplayer.bSeeking = mplayer.bManualPlay = 0;
    mplayer.params.audio.volume = 50;
    Sleeps().clear();
}

inline FakeControl* Fake()
{
    if (!mplayer.pluginCtrl || !mplayer.pluginCtrl->ctrl.dll_handle) return nullptr;
    auto control = reinterpret_cast<FakeControlF>(dlsym(mplayer.pluginCtrl->ctrl.dll_handle, "FakePluginControl"));
    return control ? control() : nullptr;
}

inline std::vector<uint32_t> Types(const std::vector<FakeCommand>& commands)
{
    std::vector<uint32_t> types;
    for (const FakeCommand& command : commands) types.push_back(command.cmdType);
    return types;
}

inline std::string Text(const char* name) { return photon::test::Text(W(name)); }

// Runs the loop and the layer's clock while the real plug-ins decode in real time, until done()
// (false after the time-out, which only a player that hangs reaches).
inline bool RunUntil(const std::function<bool()>& done, std::chrono::seconds timeout = std::chrono::seconds(30))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        photon::test::RunUntilIdle();
        photon::test::AdvanceClock(20);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

inline bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// Adds each file to the active playlist, resolved as the player resolves a command line's URL.
inline void AddToPlaylist(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        PlaylistItem item;
        char buffer[kItemBufferSize];
        ASSERT_TRUE(FindItemFromUrl(buffer, sizeof buffer, item, path.c_str(), nullptr)) << path;
        ControllerAddItem(&item);
    }
}

}  // namespace velora::testing
