// The player's window driven as a user would, with the fake plug-in: opening, playing, pausing,
// seeking by the slider, fast forward, stop, next and previous, the end of a track, the
// viewer callback's texts and sliders, keys, the error dialog, and the hand-over from a
// second process. Screenshots stay in the build folder.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "panes/Panes.h"
#include "dialogs/Settings.h"
#include "panes/SoundPane.h"
#include "player/Startup.h"
#include "window/Transport.h"
#include "VeloraTesting.h"
#include "player/ViewerPost.h"

namespace velora::testing {
namespace {

namespace t = photon::test;
using photon::PtWidget_t;

class VeloraWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        base = OpenPlayerOnce("audio/x-wav " VELORA_FAKE_PLUGIN " wav\naudio/mpeg " VELORA_FAKE_PLUGIN " mp3 http:\n");
        ASSERT_NE(base, nullptr);
        ResetPlayer();
    }
    void TearDown() override { ResetPlayer(); }

    // Opens a list of items as the command line does, and delivers the plug-in's reports.
    FakeControl* OpenList(std::initializer_list<const char*> urls)
    {
        for (const char* url : urls) {
            PlaylistItem item;
            char buffer[kItemBufferSize];
            EXPECT_TRUE(FindItemFromUrl(buffer, sizeof buffer, item, url, nullptr));
            ControllerAddItem(&item);
        }
        mplayer.bAutoPlay = 1;
        EXPECT_EQ(ControllerOpenItem(ControllerGetItem(0)), 1);
        t::RunUntilIdle();
        return Fake();
    }
    // The width a PNG file's header gives.
    static uint32_t PngWidth(const std::string& path)
    {
        const std::string png = ReadFile(path);
        if (png.size() < 24) return 0;
        const auto* b = reinterpret_cast<const unsigned char*>(png.data()) + 16;
        return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3];
    }
    std::string Screenshot(const char* name)
    {
        const std::string path = std::string(VELORA_SCREENSHOTS) + "/" + name;
        EXPECT_TRUE(t::Screenshot(base, path.c_str())) << path;
        return path;
    }
    PtWidget_t* base = nullptr;
};

TEST_F(VeloraWindow, OpenPlayPauseSeekStop)
{
    FakeControl* fake = OpenList({"/music/first.wav"});
    ASSERT_NE(fake, nullptr);
    std::vector<FakeCommand> sent = fake->Take();
    // Loading: the repeat state, then the open; the plug-in's reports rewind and set the poll.
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(Types(sent), (std::vector<uint32_t>{CMD_PLUGIN_SET_GUI_STATUS, CMD_PLUGIN_OPEN_URLS, CMD_PLUGIN_SEEK_TO,
                                                  CMD_PLUGIN_SET_PARAMETER}));
    EXPECT_EQ(sent[1].url, "file:///music/first.wav");
    EXPECT_EQ(sent[1].which, static_cast<uint32_t>(MVP_DELTA));
    EXPECT_EQ(sent[1].delta, 1);
    EXPECT_EQ(sent[2].position, 0u);
    EXPECT_EQ(sent[2].which, static_cast<uint32_t>(MVP_POSITION | MVP_DELTA));
    EXPECT_EQ(sent[3].which, static_cast<uint32_t>(MVP_STATUS_FREQ | MVP_AUDIO));
    EXPECT_EQ(sent[3].statusFrequency, 1000u);  // 180000 / 179 = 1005, capped
    EXPECT_EQ(Text("status"), "Opened");
    EXPECT_EQ(Text("cliptitle"), "first.wav");
    EXPECT_EQ(t::Value(W("curpos")), 0);
    EXPECT_FALSE(t::Flags(W("curpos")) & photon::Pt_BLOCKED);

    // Auto-play starts 200 ms after the open.
    t::AdvanceClock(199);
    for (auto& c : fake->Take()) ADD_FAILURE() << "early " << c.cmdType;
    t::AdvanceClock(1);
    t::RunUntilIdle();
    EXPECT_EQ(Types(fake->Take()), std::vector<uint32_t>{CMD_PLUGIN_START});
    EXPECT_EQ(Text("status"), "Playing");

    // The status poll at the period the plug-in wrote back; positions move slider and time.
    t::AdvanceClock(1000);
    EXPECT_EQ(Types(fake->Take()), std::vector<uint32_t>{CMD_PLUGIN_GET_STATUS});
    fake->ReportPosition(62000);
    t::RunUntilIdle();
    EXPECT_EQ(t::Value(W("curpos")), 62000);
    EXPECT_EQ(Text("postxt"), " 0:03:00/ 0:01:02");
    Screenshot("velora-playing.png");

    // Pause and resume through the same button.
    t::Click(W("pausePlayButton"));
    t::RunUntilIdle();
    EXPECT_EQ(Types(fake->Take()), std::vector<uint32_t>{CMD_PLUGIN_PAUSE});
    EXPECT_EQ(Text("status"), "Paused");
    t::Click(W("pausePlayButton"));
    t::RunUntilIdle();
    EXPECT_EQ(Types(fake->Take()), std::vector<uint32_t>{CMD_PLUGIN_START});

    // Dragging the slider: positions do not move it meanwhile; the release seeks once.
    t::MoveSlider(W("curpos"), 90000);
    t::RunUntilIdle();
    std::vector<FakeCommand> seek = fake->Take();
    ASSERT_EQ(Types(seek), std::vector<uint32_t>{CMD_PLUGIN_SEEK_TO});
    EXPECT_EQ(seek[0].position, 90000u);
    EXPECT_EQ(seek[0].delta, 0);
    mplayer.bSeeking = 1;
    fake->ReportPosition(63000);
    t::RunUntilIdle();
    EXPECT_EQ(t::Value(W("curpos")), 90000);
    mplayer.bSeeking = 0;

    // Fast forward held: the slider moves with every repeat, one seek 500 ms after release.
    t::Hold(W("fastForwardButton"), 1000);
    const int moved = t::Value(W("curpos"));
    EXPECT_GT(moved, 90000);
    EXPECT_EQ((moved - 90000) % (180000 / 100 + 10), 0);
    for (uint32_t type : Types(fake->Take())) EXPECT_EQ(type, static_cast<uint32_t>(CMD_PLUGIN_GET_STATUS));
    EXPECT_EQ(mplayer.bSeeking, 1);
    t::AdvanceClock(499);
    EXPECT_TRUE(fake->Take().empty());
    t::AdvanceClock(1);
    seek = fake->Take();
    ASSERT_EQ(Types(seek), std::vector<uint32_t>{CMD_PLUGIN_SEEK_TO});
    EXPECT_EQ(seek[0].position, static_cast<uint32_t>(moved));
    EXPECT_EQ(mplayer.bSeeking, 0);

    // Stop: auto-play off, the eject face, nothing moves on.
    t::Click(W("stopEjectButton"));
    t::RunUntilIdle();
    EXPECT_EQ(Types(fake->Take()), (std::vector<uint32_t>{CMD_PLUGIN_STOP, CMD_PLUGIN_SEEK_TO}));
    EXPECT_EQ(mplayer.bAutoPlay, 0);
    EXPECT_EQ(Text("status"), "Stopped");
    t::AdvanceClock(1000);
    EXPECT_EQ(Types(fake->Take()), std::vector<uint32_t>{});
}

TEST_F(VeloraWindow, NextPreviousAndTheEndOfATrack)
{
    FakeControl* fake = OpenList({"/music/a.wav", "/music/b.mp3", "/music/c.wav"});
    ASSERT_NE(fake, nullptr);
    t::AdvanceClock(200);
    t::RunUntilIdle();
    fake->Take();
    Sleeps().clear();

    // Next: the same plug-in closes and opens the next URL, without reloading.
    HostPluginCtrl* loaded = mplayer.pluginCtrl;
    t::Click(W("nextButton"));
    t::RunUntilIdle();
    std::vector<FakeCommand> sent = fake->Take();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[0].cmdType, static_cast<uint32_t>(CMD_PLUGIN_CLOSE));
    EXPECT_EQ(sent[1].cmdType, static_cast<uint32_t>(CMD_PLUGIN_OPEN_URLS));
    EXPECT_EQ(sent[1].url, "file:///music/b.mp3");
    EXPECT_EQ(Sleeps(), std::vector<unsigned>{200});
    EXPECT_EQ(mplayer.pluginCtrl, loaded);
    EXPECT_EQ(ControllerGetActiveTrack(), 1);
    t::Click(W("previousButton"));
    t::RunUntilIdle();
    EXPECT_EQ(ControllerGetActiveTrack(), 0);
    t::Click(W("previousButton"));  // nothing before the first
    t::RunUntilIdle();
    EXPECT_EQ(ControllerGetActiveTrack(), 0);

    // The end of a playing track moves on 200 ms later and starts the next one.
    t::AdvanceClock(200);
    t::RunUntilIdle();
    fake->Take();
    EXPECT_EQ(Text("status"), "Playing");
    fake->ReportState(MV_STOPPED);
    t::RunUntilIdle();
    EXPECT_TRUE(fake->Take().size() == 1);  // the rewind
    t::AdvanceClock(200);
    t::RunUntilIdle();
    sent = fake->Take();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[1].url, "file:///music/b.mp3");
    EXPECT_EQ(Types(sent).back(), static_cast<uint32_t>(CMD_PLUGIN_SET_PARAMETER));
    EXPECT_NE(std::find(Types(sent).begin(), Types(sent).end(), CMD_PLUGIN_START), Types(sent).end());
    EXPECT_EQ(ControllerGetActiveTrack(), 1);

    // Repeat on: the replay button sends the repeat type along.
    t::Click(W("replayButton"));
    t::RunUntilIdle();
    sent = fake->Take();
    ASSERT_EQ(Types(sent), std::vector<uint32_t>{CMD_PLUGIN_SET_GUI_STATUS});
    EXPECT_EQ(sent[0].repeatType, 1u);
    EXPECT_TRUE(t::Flags(W("replayButton")) & photon::Pt_SET);
}

TEST_F(VeloraWindow, TheViewerCallbacksTextsAndSliders)
{
    FakeControl* fake = OpenList({"/music/a.wav"});
    ASSERT_NE(fake, nullptr);
    fake->Take();

    // A volume report moves the volume slider only, even beside a position.
    MvAudioMediaInfo audio{};
    audio.volume = 37;
    MvMediaInfo volume{};
    volume.which = MV_MEDIA_AUDIO_INFO;
    volume.audio = &audio;
    MvPluginStatus status{};
    status.state = MV_STOPPED;
    status.media_info = &volume;
    status.position = 5000;
    fake->Report(MVS_MEDIA | MVS_POSITION, status);
    t::RunUntilIdle();
    EXPECT_EQ(t::Value(W("PtSlider_volume")), 37);
    EXPECT_EQ(t::Value(W("curpos")), 0);

    // More info is wrapped in the host's copy; the plug-in's text is left as it was.
    std::string more = std::string(50, 'a') + " " + std::string(19, 'b');
    MvMediaInfo media{};
    media.which = MV_MEDIA_INFO;
    media.type = MV_MEDIA_AUDIO;
    media.url = "file:///music/a.wav";
    media.title = "Song Title";
    media.moreinfo = more.c_str();
    media.duration = 60000;
    status.media_info = &media;
    fake->Report(MVS_MEDIA, status);
    t::RunUntilIdle();
    EXPECT_EQ(Text("cliptitle"), "Song Title");
    EXPECT_EQ(Text("clipinfo"), std::string(50, 'a') + "\n" + std::string(19, 'b'));
    EXPECT_EQ(more.find('\n'), std::string::npos);
    std::vector<FakeCommand> sent = fake->Take();
    ASSERT_EQ(Types(sent), std::vector<uint32_t>{CMD_PLUGIN_SET_PARAMETER});
    EXPECT_EQ(sent[0].statusFrequency, 335u);  // 60000 / 179

    // A stream of unknown length (0xFFFFFFFF) shows a length of zero, not 93 hours.
    media.duration = 0xFFFFFFFF;
    fake->Report(MVS_MEDIA, status);
    fake->ReportState(MV_STOPPED);
    t::RunUntilIdle();
    EXPECT_EQ(mplayer.pluginCtrl->duration, 0u);
    EXPECT_EQ(Text("postxt"), " 0:00:00/ 0:00:00");
    sent = fake->Take();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0].statusFrequency, 0u);

    // The buffer line goes to the status bar; an open that fails says so.
    status.videoWndTitle = "Buffer 80%";
    fake->Report(MVS_VIDEO_WND_TITLE, status);
    t::RunUntilIdle();
    EXPECT_EQ(Text("statusBar"), "Buffer 80%");
    fake->ReportState(MV_OPENING);
    fake->ReportState(MV_CLOSED);
    t::RunUntilIdle();
    EXPECT_EQ(Text("status"), "Open failed");
    EXPECT_EQ(Text("statusBar"), "");

    // An error text: shown, and Done moves on (here: the last track, so the plug-in closes).
    status.errormsg = "brisko.so: unable to open specified file";
    fake->Report(MVS_ERRORMSG, status);
    t::RunUntilIdle();
    EXPECT_EQ(bErrorDlg, 1);
    // The plug-in's text is shown as it is (no line added), in a dialog wide enough to read
    // (not one word a line).
    EXPECT_EQ(Text("errmsg"), "brisko.so: unable to open specified file");
    EXPECT_TRUE(t::Flags(base) & photon::Pt_BLOCKED);
    const std::string dialogShot = std::string(VELORA_SCREENSHOTS) + "/velora-error-dialog.png";
    ASSERT_TRUE(t::Screenshot(t::Find("errordlg"), dialogShot.c_str()));
    EXPECT_GE(PngWidth(dialogShot), 300u);
    popup_error("second text");
    EXPECT_EQ(Text("errmsg"), "second text");
    Screenshot("velora-error.png");
    t::Click(W("errorDone"));
    t::RunUntilIdle();
    EXPECT_EQ(bErrorDlg, 0);
    EXPECT_FALSE(t::Flags(base) & photon::Pt_BLOCKED);
    EXPECT_EQ(mplayer.pluginCtrl, nullptr);
    EXPECT_EQ(Text("baseInfo"), "Velora Media Player");
}

TEST_F(VeloraWindow, ReportsOfAPluginThatIsGoneAreDropped)
{
    FakeControl* fake = OpenList({"/music/a.wav"});
    ASSERT_NE(fake, nullptr);
    MvPluginCtrl* old = fake->ctrl;
    const int terminated = fake->terminated;
    cbBaseClose();
    t::RunUntilIdle();
    EXPECT_EQ(fake->terminated, terminated + 1);
    EXPECT_EQ(mplayer.bPluginAlive, 0);
    t::AdvanceClock(10);
    t::RunUntilIdle();  // the record is released by a work procedure
    // A report that arrives now, from another thread, for the released record, is dropped.
    MvPluginStatus status{};
    status.state = MV_PLAYING;
    std::thread([&] { HostViewerCallback(old, MVS_PLUGIN_STATE, &status); }).join();
    t::RunUntilIdle();
    EXPECT_EQ(Text("statusBar"), "");
    EXPECT_EQ(mplayer.pluginCtrl, nullptr);
}

uint64_t g_fakeNow = 0;
uint64_t SteppingClock() { return g_fakeNow += 1000; }

TEST_F(VeloraWindow, APluginThatNeverEndsIsLeftBehindAfterFiveSeconds)
{
    FakeControl* fake = OpenList({"/music/a.wav"});
    ASSERT_NE(fake, nullptr);
    fake->endOnTerminate = false;
    const int terminated = fake->terminated;
    g_fakeNow = 0;
    uint64_t (*realClock)() = HostClockMs;
    HostClockMs = SteppingClock;
    ::testing::internal::CaptureStderr();
    cbBaseClose();
    const std::string log = ::testing::internal::GetCapturedStderr();
    HostClockMs = realClock;
    EXPECT_EQ(fake->terminated, terminated + 1);
    EXPECT_EQ(g_fakeNow, 6000u);  // gave up once five seconds had passed
    EXPECT_NE(log.find("Plugin '" VELORA_FAKE_PLUGIN "' did not end within 5000 ms; going on without it\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(mplayer.pluginCtrl, nullptr);
    EXPECT_EQ(mplayer.bPluginAlive, 0);
    EXPECT_EQ(Text("baseInfo"), "Velora Media Player");
    EXPECT_EQ(log.find("Calling dlclose"), std::string::npos) << log;  // its threads may still run
    t::AdvanceClock(10);
    t::RunUntilIdle();

    // Its late end is dropped, and the next plug-in plays.
    fake->endOnTerminate = true;
    MvPluginStatus dead{};
    fake->Report(MVS_PLUGIN_STATE, dead);
    t::RunUntilIdle();
    EXPECT_EQ(mplayer.bPluginAlive, 0);
    ControllerDeleteAll();
    FakeControl* next = OpenList({"/music/b.wav"});
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(mplayer.bPluginAlive, 1);
}

TEST_F(VeloraWindow, TheColourKeyAtStartIsWhatTheSettingsDialogShows)
{
    EXPECT_EQ(mplayer.params.videoSetting.reserve_2, 0xFFFFFFu);
    EXPECT_EQ(mplayer.params.videoSetting.reserve_3, 0u);
    EXPECT_EQ(mplayer.params.videoSetting.reserve_1, 0u);
    OnOpenSettings(nullptr, nullptr, nullptr);
    t::RunUntilIdle();
    for (const char* max : {"redMax", "greenMax", "blueMax"}) EXPECT_EQ(t::Value(t::Find(max)), 255) << max;
    for (const char* min : {"redMin", "greenMin", "blueMin"}) EXPECT_EQ(t::Value(t::Find(min)), 0) << min;
    CloseSettingsDialog();
    t::RunUntilIdle();
}

TEST_F(VeloraWindow, KeysOfTheMainWindow)
{
    FakeControl* fake = OpenList({"/music/a.wav", "/music/b.wav"});
    ASSERT_NE(fake, nullptr);
    t::AdvanceClock(200);
    t::RunUntilIdle();
    fake->Take();

    t::Key(base, 'p');  // pause
    t::RunUntilIdle();
    EXPECT_EQ(Types(fake->Take()), std::vector<uint32_t>{CMD_PLUGIN_PAUSE});
    t::Key(base, 'p', photon::Pk_KM_Ctrl);  // with a modifier: nothing
    t::RunUntilIdle();
    EXPECT_TRUE(fake->Take().empty());
    t::Key(base, 'P', photon::Pk_KM_Shift);
    t::RunUntilIdle();
    EXPECT_TRUE(fake->Take().empty());

    mplayer.params.audio.volume = 95;
    t::Key(base, '=');
    std::vector<FakeCommand> sent = fake->Take();
    ASSERT_EQ(Types(sent), std::vector<uint32_t>{CMD_PLUGIN_SET_PARAMETER});
    EXPECT_EQ(sent[0].which, static_cast<uint32_t>(MVP_AUDIO));
    EXPECT_EQ(sent[0].volume, 100u);
    EXPECT_EQ(t::Value(W("PtSlider_volume")), 100);
    t::Key(base, '=');  // no change: nothing sent
    EXPECT_TRUE(fake->Take().empty());
    t::Key(base, '-');
    EXPECT_EQ(fake->Take().at(0).volume, 90u);

    t::Key(base, 'a');
    EXPECT_TRUE(t::Flags(W("replayButton")) & photon::Pt_SET);
    t::Key(base, 'm');
    EXPECT_TRUE(t::Flags(W("muteButton")) & photon::Pt_SET);
    t::Key(base, 'm');
    EXPECT_FALSE(t::Flags(W("muteButton")) & photon::Pt_SET);
    fake->Take();

    t::Key(base, 'n');
    t::RunUntilIdle();
    EXPECT_EQ(ControllerGetActiveTrack(), 1);
    EXPECT_EQ(fake->Take().at(1).url, "file:///music/b.wav");
    t::Key(base, 'b');
    t::RunUntilIdle();
    EXPECT_EQ(ControllerGetActiveTrack(), 0);
    t::AdvanceClock(200);
    t::RunUntilIdle();
    fake->Take();

    t::Key(base, 's');  // the stop face presses stop
    t::RunUntilIdle();
    EXPECT_EQ(Types(fake->Take()).at(0), static_cast<uint32_t>(CMD_PLUGIN_STOP));
}

TEST_F(VeloraWindow, OpenLocationAndOpenFile)
{
    // Open Location: a URL that resolves empties the list and opens it; the dialog closes.
    t::ChooseItem(W("mnuFileOpenUrl"));
    PtWidget_t* field = t::Find("urltoopen");
    ASSERT_NE(field, nullptr);
    t::TypeText(field, "/nowhere/clip.ogg");
    t::Click(t::Find("urlOpen"));
    EXPECT_EQ(bErrorDlg, 1);
    EXPECT_EQ(t::Text(t::Find("urlStatus")), "");
    errdlg_done(nullptr, nullptr, nullptr);
    ASSERT_NE(t::Find("urltoopen"), nullptr);  // the dialog stays after a failure
    t::TypeText(t::Find("urltoopen"), "/music/located.wav");
    t::Click(t::Find("urlOpen"));
    t::RunUntilIdle();
    ASSERT_EQ(ControllerGetPlaylistCount(), 1);
    EXPECT_STREQ(ControllerGetUrl(0), "file:///music/located.wav");
    EXPECT_EQ(mplayer.bAutoPlay, 1);
    EXPECT_EQ(t::Find("urltoopen"), nullptr);

    // Open File: the selector starts at /usr/share without a file:// argument, then remembers.
    t::AnswerFileSelection("/music/chosen.wav", 1);
    t::ChooseItem(W("mnuFileOpenFile"));
    t::RunUntilIdle();
    const t::DialogSeen seen = t::DialogsSeen().back();
    EXPECT_EQ(seen.kind, "file");
    EXPECT_EQ(seen.title, "Open file");
    EXPECT_EQ(seen.root, "/usr/share");
    EXPECT_EQ(seen.buttons, (std::vector<std::string>{"Open", "Cancel"}));
    ASSERT_EQ(ControllerGetPlaylistCount(), 1);
    EXPECT_STREQ(ControllerGetUrl(0), "file:///music/chosen.wav");
    t::AnswerFileSelection("/music/other.wav", 2);  // cancelled: nothing changes
    t::ChooseItem(W("mnuFileOpenFile"));
    t::RunUntilIdle();
    EXPECT_EQ(t::DialogsSeen().back().root, "/music/chosen.wav");
    EXPECT_STREQ(ControllerGetUrl(0), "file:///music/chosen.wav");
}

// Run with GLib's warnings fatal (velora_warnings_tests): a warning or critical message of GLib
// or GTK while a menu or dialog is opened ends the program. Each menu is opened twice by real clicks, and
// each dialog is chosen from its menu by real clicks and closed again.
TEST_F(VeloraWindow, EveryMenuAndDialogOpensWithoutAWarning)
{
    // A menu takes a click on an item only a moment after it opened (a press held from its title
    // and released at once on an item is no choice): the user's pause between the two clicks.
    auto PauseAsAUser = [] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(600);
        while (std::chrono::steady_clock::now() < until) t::AwaitEvent(50);
    };
    auto AwaitRealized = [](const char* name, bool realized) {
        for (int i = 0; i < 200; ++i) {
            t::RunUntilIdle();
            if ((t::Find(name) && PtWidgetIsRealized(t::Find(name))) == realized) return true;
            t::AwaitEvent(50);
        }
        return false;
    };
    ASSERT_TRUE(t::HaveRealInput());
    for (const char* menu : {"mnuFile", "mnuView", "mnuLaunch", "mnuHelp"}) {
        const std::string items = std::string(menu) + "Items";
        for (int time = 0; time < 2; ++time) {
            t::RealClick(W(menu));
            EXPECT_TRUE(AwaitRealized(items.c_str(), true)) << items;
            PauseAsAUser();
            t::RealClick(W(menu));  // a click on its title closes it again
            EXPECT_TRUE(AwaitRealized(items.c_str(), false)) << items;
        }
    }
    struct Dialog {
        const char *menu, *item, *window, *close;  // close: a button, or null for the window's close
    };
    const Dialog dialogs[] = {
        {"mnuFile", "mnuFileOpenUrl", "urldlg", "urlCancel"},
        {"mnuFile", "mnuEditOption", "dvd_advancedlg", "advCancelButton"},
        {"mnuView", "mnuPlaylistEditor", "playlistEditorDlg", nullptr},
        {"mnuView", "mnuActivePlaylist", "playlistActiveDlg", nullptr},
        {"mnuHelp", "mnuHelpQuick", "helpDlg", "helpDlgClose"},
        {"mnuHelp", "mnuHelpAbout", "aboutDlg", "aboutDlgClose"},
    };
    for (const Dialog& dialog : dialogs) {
        SCOPED_TRACE(dialog.item);
        t::RealClick(W(dialog.menu));
        ASSERT_TRUE(AwaitRealized((std::string(dialog.menu) + "Items").c_str(), true));
        PauseAsAUser();
        t::RealClick(t::Find(dialog.item));
        ASSERT_TRUE(AwaitRealized(dialog.window, true));
        PtWidget_t* window = t::Find(dialog.window);
        const std::string png = std::string(VELORA_SCREENSHOTS) + "/velora-" + dialog.window + ".png";
        EXPECT_TRUE(t::Screenshot(window, png.c_str()));
        if (dialog.close) t::RealClick(t::Find(dialog.close));
        else t::CloseWindow(window);
        EXPECT_TRUE(AwaitRealized(dialog.window, false));
    }
    // The file selector, cancelled by a click on its button.
    const std::size_t seen = t::DialogsSeen().size();
    t::AnswerDialogByClick("Cancel", (std::string(VELORA_SCREENSHOTS) + "/velora-open-file.png").c_str());
    t::RealClick(W("mnuFile"));
    ASSERT_TRUE(AwaitRealized("mnuFileItems", true));
    PauseAsAUser();
    t::RealClick(t::Find("mnuFileOpenFile"));
    t::RunUntilIdle();
    ASSERT_EQ(t::DialogsSeen().size(), seen + 1);
    EXPECT_EQ(t::DialogsSeen().back().kind, "file");
}

// The program ended while its File menu is open (a signal, or a second window's exit) goes
// without a warning: the process of its own that this test starts ends with status 0.
TEST_F(VeloraWindow, TheProgramEndsWithItsMenuOpenWithoutAWarning)
{
    ASSERT_TRUE(t::HaveRealInput());
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            t::RealClick(W("mnuFile"));
            for (int i = 0; i < 200 && !PtWidgetIsRealized(t::Find("mnuFileItems")); ++i) t::AwaitEvent(50);
            if (!PtWidgetIsRealized(t::Find("mnuFileItems"))) std::_Exit(3);
            OnFileMenuExit(nullptr, nullptr, nullptr);
        },
        ::testing::ExitedWithCode(0), "");
}

// A second process started with -u hands its URL to this one, which owns the connector.
TEST_F(VeloraWindow, ASecondInstanceHandsItsUrlOver)
{
    char name[] = "velora";
    char* argv[] = {name, nullptr};
    ASSERT_EQ(init(1, argv), 0);
    ASSERT_EQ(mplayer.bConnectorOwner, 1);
    ScratchFolder folder;
    const std::string wav = folder.write("handed.wav", "RIFF");

    auto run = [](std::vector<std::string> args) {
        pid_t child = ::fork();
        if (child == 0) {
            std::vector<char*> argv;
            for (std::string& arg : args) argv.push_back(arg.data());
            argv.push_back(nullptr);
            ::execv(VELORA_PROGRAM, argv.data());
            ::_exit(127);
        }
        return child;
    };
    auto finished = [](pid_t child) {
        for (int i = 0; i < 2000; ++i) {
            int status = 0;
            if (::waitpid(child, &status, WNOHANG) == child) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            t::RunUntilIdle();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ::kill(child, SIGKILL);
        return -2;
    };

    // -u alone: the second instance ends and sends nothing.
    EXPECT_EQ(finished(run({"velora", "-u"})), 0);
    EXPECT_EQ(ControllerGetPlaylistCount(), 0);

    // -u and a bare path: "file://" is put in front, the list is emptied, the item opened.
    EXPECT_EQ(finished(run({"velora", "-u", wav})), 0);
    t::RunUntilIdle();
    ASSERT_EQ(ControllerGetPlaylistCount(), 1);
    EXPECT_EQ(std::string(ControllerGetUrl(0)), "file://" + wav);
    ASSERT_NE(Fake(), nullptr);
    EXPECT_EQ(Text("status"), "Opened");
    EXPECT_EQ(mplayer.bAutoPlay, 1);

    // An unknown option (-w and -h too) ends the program with status 1 before anything else,
    // printing nothing.
    EXPECT_EQ(finished(run({"velora", "-w", "300"})), 1);
    for (const char* option : {"-w 300", "-h 200", "-z"}) {
        const std::string out = folder / "out", err = folder / "err";
        const std::string command =
            std::string(VELORA_PROGRAM) + " " + option + " >" + out + " 2>" + err + "; test $? -eq 1";
        EXPECT_EQ(std::system(command.c_str()), 0) << option;
        EXPECT_EQ(ReadFile(out), "") << option;
        EXPECT_EQ(ReadFile(err), "") << option;
    }

    // A message of the wrong size, or with no terminator in its URL, is taken safely.
    unsigned replyLength = 0;
    WendrelMsg msg{};
    std::memset(msg.newurl, 'a', sizeof msg.newurl);
    msghandler(nullptr, nullptr, 0, &msg, sizeof msg - 1, &replyLength);
    EXPECT_EQ(ControllerGetPlaylistCount(), 1);
    msghandler(nullptr, nullptr, 0, &msg, sizeof msg, &replyLength);
    t::RunUntilIdle();
    EXPECT_EQ(replyLength, 1u);
    while (bErrorDlg) errdlg_done(nullptr, nullptr, nullptr);
}

}  // namespace
}  // namespace velora::testing
