#include "PaneFixture.h"

#include <dlfcn.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "playlist/Controller.h"
#include "dialogs/Dialogs.h"
#include "window/MainWindow.h"
#include "player/PluginHost.h"

namespace velora::testing {

using namespace photon;
namespace t = photon::test;

namespace {
bool opened = false;
std::string suiteFolder;  // the whole program's settings, playlists and connectors; gone at exit
// The host's pauses between commands pass at once: the stand-ins need no time.
void NoSleep(unsigned) {}
}  // namespace

void PaneTest::SetUpTestSuite()
{
    if (opened) return;
    char tmpl[] = "/tmp/velora-panes-XXXXXX";
    const std::string dir = mkdtemp(tmpl);
    suiteFolder = dir;
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(suiteFolder, ec);
    });
    setenv("ZEPHRA_PHOTON_SCOPE", dir.c_str(), 1);
    setenv("ZEPHRA_MEDIA_SETTINGS", (dir + "/mediaplayer.conf").c_str(), 1);
    setenv("ZEPHRA_AUDIO_SINK", "null", 1);
    setenv("PLAYLIST_DIR", (dir + "/playlists/").c_str(), 1);
    char name[] = "velora";
    char* argv[] = {name, nullptr};
    ASSERT_EQ(ApInitialize(1, argv, Context(VELORA_UI_DIR)), 0);
    t::UseManualClock();
    HostSleep = NoSleep;
    ASSERT_NE(OpenBase(), nullptr);
    t::RunUntilIdle();
    opened = true;
}

void PaneTest::SetUp()
{
    ASSERT_TRUE(opened);
    char tmpl[] = "/tmp/velora-pane-XXXXXX";
    scratch = mkdtemp(tmpl);
    CloseError();
}

void PaneTest::TearDown()
{
    CloseError();
    cbBaseClose();
    ControllerDeleteAll();  // a plug-in unloaded by itself leaves its list behind
    t::RunUntilIdle();
    CloseError();
    std::filesystem::remove_all(scratch);
}

bool PaneTest::RunUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 2000; ++i) {
        t::RunUntilIdle();
        if (done()) return true;
        t::AdvanceClock(10);
    }
    return done();
}

bool PaneTest::RunUntilFromOutside(const std::function<bool()>& done)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (;;) {
        t::RunUntilIdle();
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        t::AdvanceClock(10);
        t::AwaitEvent(50);  // the other process's message, or a short while
    }
}

std::string PaneTest::Journal(const char* plugin)
{
    const std::string path = ResolvePluginPath(plugin);
    void* lib = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!lib) return "(not loaded)";
    auto journal = reinterpret_cast<const char* (*)()>(dlsym(lib, "FakeDiscJournal"));
    auto clear = reinterpret_cast<void (*)()>(dlsym(lib, "FakeDiscClearJournal"));
    std::string text = journal ? journal() : "";
    if (clear) clear();
    dlclose(lib);
    return text;
}

std::string PaneTest::ErrorText()
{
    if (!bErrorDlg) return "";
    PtWidget_t* label = ApWidget("errmsg");
    return label ? t::Text(label) : "";
}

void PaneTest::CloseError()
{
    if (!bErrorDlg) return;
    mplayer.bErrorShown = 0;
    errdlg_done(nullptr, nullptr, nullptr);
    t::RunUntilIdle();
}

int PaneTest::Selected(PtWidget_t* combo)
{
    const unsigned short* row = nullptr;
    PtGetResource(combo, Pt_ARG_CBOX_SEL_ITEM, &row, 0);
    return row ? *row : 0;
}

std::string PaneTest::Screenshot(PtWidget_t* window, const char* name)
{
    const std::string path = std::string(VELORA_SCREENSHOTS) + "/" + name;
    EXPECT_TRUE(t::Screenshot(window, path.c_str())) << path;
    return path;
}

}  // namespace velora::testing
