// The DVD pane against the stand-in DVD plug-in: opening the disc, the pane's labels and lists,
// the video window's keys cycling audio tracks and subtitles, size limits of the video window,
// home-entertainment mode, and closing the video window on the last track.
#include <algorithm>

#include "playlist/Controller.h"
#include "panes/DvdPane.h"
#include "window/MainWindow.h"
#include "PaneFixture.h"
#include "panes/Panes.h"

namespace velora::testing {
namespace {

using namespace photon;
namespace t = photon::test;

TEST(DvdPaneText, TimeTextsAndSizeLimits)
{
    dvdTimeType = 0;
    EXPECT_EQ(DvdTimeText(65000, 3725000), " 1:02:05/ 0:01:05");
    dvdTimeType = 1;
    EXPECT_EQ(DvdTimeText(65000, 3725000), "Elapsed: 0:01:05");
    dvdTimeType = 2;
    EXPECT_EQ(DvdTimeText(65000, 3725000), "Remaining: 1:01:00");
    dvdTimeType = 7;
    EXPECT_EQ(DvdTimeText(0, 0), "Time parsing error");
    dvdTimeType = 0;

    MvVideoMediaInfo info{};
    info.min_size = {320, 240};
    PhDim_t size = ClampVideoSize({100, 900}, info);
    EXPECT_EQ(size.w, 320);
    EXPECT_EQ(size.h, 900);  // a maximum of 0 sets no bound
    info.max_size = {800, 600};
    size = ClampVideoSize({1000, 500}, info);
    EXPECT_EQ(size.w, 800);
    EXPECT_EQ(size.h, 500);
}

class DvdPane : public PaneTest {};

TEST_F(DvdPane, PlaysTheDiscAndCyclesAudioAndSubtitlesFromTheVideoWindow)
{
    setenv("QUENBY_DURATION", "60000", 1);
    setenv("QUENBY_MIN_SIZE", "320x240", 1);
    unsetenv("QUENBY_MAX_SIZE");
    mplayer.bManualPlay = 0;
    OnLaunchDvd(nullptr, nullptr, nullptr);
    ASSERT_TRUE(RunUntil([] { return t::Text(t::Find("dvd_stateLabel")) == "Playing"; }))
        << t::Text(t::Find("dvd_stateLabel"));
    ASSERT_NE(VideoWindow(), nullptr);
    EXPECT_EQ(mplayer.params.video_wgt, VideoWindow());
    EXPECT_EQ(t::Text(t::Find("dvd_titleLabel")), "Title 1");
    EXPECT_EQ(t::Text(t::Find("dvd_chapterLabel")), "Chapter 1");
    EXPECT_EQ(t::Rows(t::Find("dvd_audioComboBox")), (std::vector<std::string>{"English", "French"}));
    EXPECT_EQ(t::Rows(t::Find("dvd_subtitleComboBox")), (std::vector<std::string>{"None", "English", "German"}));
    EXPECT_EQ(Selected(t::Find("dvd_audioComboBox")), 1);
    EXPECT_EQ(Selected(t::Find("dvd_subtitleComboBox")), 1);
    // A 60-second disc is polled every 100 ms at most (60000 / 179 = 335).
    EXPECT_EQ(mplayer.params.status_frequency, 100u);
    EXPECT_EQ(t::Text(t::Find("baseInfo")), "dvd");
    std::string journal = Journal("quenby.so");
    EXPECT_NE(journal.find("OPEN_URLS dvd\n"), std::string::npos) << journal;
    EXPECT_NE(journal.find("START\n"), std::string::npos) << journal;

    // Keys on the video window: L and T move one entry on and wrap; navigation goes to the disc.
    PtWidget_t* video = VideoWindow();
    t::Key(video, 'l');
    EXPECT_EQ(Selected(t::Find("dvd_audioComboBox")), 2);
    t::Key(video, 'L');
    EXPECT_EQ(Selected(t::Find("dvd_audioComboBox")), 1);
    t::Key(video, 't');
    t::Key(video, 't');
    EXPECT_EQ(Selected(t::Find("dvd_subtitleComboBox")), 3);
    t::Key(video, 't');  // from the last subtitle back to "None"
    EXPECT_EQ(Selected(t::Find("dvd_subtitleComboBox")), 1);
    t::Key(video, Pk_Right);
    t::Key(video, 'a');
    ASSERT_TRUE(RunUntil([] { return t::Text(t::Find("dvd_chapterLabel")) == "Chapter 2"; }));
    EXPECT_EQ(t::Text(t::Find("dvd_angleLabel")), "Angle 2");
    EXPECT_EQ(Journal("quenby.so"),
              "SELECT_AUDIO delta=2\nSELECT_AUDIO delta=1\nSELECT_SUBTITLE delta=2\nSELECT_SUBTITLE delta=3\n"
              "SELECT_SUBTITLE delta=1\nSELECT_RIGHT\nANGLE\n");

    // The pane's own keys: the indicator follows the held key; the time button cycles.
    t::Press(t::Find("dvdUpButton"));
    EXPECT_TRUE(t::Flags(t::Find("dvd_up_toggle")) & Pt_SET);
    t::Release(t::Find("dvdUpButton"));
    EXPECT_FALSE(t::Flags(t::Find("dvd_up_toggle")) & Pt_SET);
    EXPECT_EQ(Journal("quenby.so"), "SELECT_UP\n");
    ASSERT_TRUE(RunUntil([] { return t::Text(t::Find("dvd_timeLabel")).find("/") != std::string::npos; }));
    t::Click(t::Find("dvdTimeButton"));
    EXPECT_EQ(dvdTimeType, 1);
    Screenshot(t::Find("base"), "velora-dvd-pane.png");

    // The scan, step and slow-motion keys are made in the pane from the picture module "icons".
    PtWidget_t* keys = t::Find("dvdSpeedKeys");
    for (const char* name : {"dvd_scanBackButton", "dvd_stepButton", "dvd_slowMotionButton", "dvd_scanForwardButton"}) {
        ASSERT_NE(t::Find(name), nullptr) << name;
        EXPECT_EQ(PtWidgetParent(t::Find(name)), keys) << name;
        EXPECT_TRUE(PtWidgetIsRealized(t::Find(name))) << name;
        t::Click(t::Find(name));
    }
    EXPECT_EQ(Journal("quenby.so"), "SCAN_BACK\nSTEP\nSLOW_MOTION\nSCAN_FORWARD\n");
    ASSERT_TRUE(RunUntil([] { return t::Text(t::Find("dvd_stateLabel")) == "Scanning Forward"; }));

    // A size below the picture's minimum is raised to it.
    PhWindowEvent_t event{};
    event.event_f = 0x80;
    event.pos = {10, 20};
    event.size = {100, 90};
    PtCallbackInfo_t info{};
    info.cbdata = &event;
    cbVideoWm(video, nullptr, &info);
    PhArea_t area{};
    EXPECT_TRUE(RunUntil([&] {
        PtWidgetArea(video, &area);
        return area.size.w == 320;
    }));
    EXPECT_EQ(area.size.w, 320);
    EXPECT_EQ(area.size.h, 240);

    // A change of the display makes the plug-in set its picture up again, unless it is minimised
    // or maximised.
    Journal("quenby.so");
    t::DisplayChanged();
    EXPECT_EQ(Journal("quenby.so"), "SET_PARAMETER which=128\n");
    mplayer.pluginCtrl->statusFlags = 2;
    t::DisplayChanged();
    EXPECT_EQ(Journal("quenby.so"), "");
    mplayer.pluginCtrl->statusFlags = 0;

    // H switches home-entertainment mode on (the whole screen) and off (the saved area).
    mplayer.setup.videoWnd = {{0, 0}, {400, 300}};
    t::Key(video, 'h');
    EXPECT_EQ(mplayer.setup.bHomeEntertainment, 1u);
    // Each move and resize of the window is told to the plug-in as well.
    journal = Journal("quenby.so");
    EXPECT_NE(journal.find("SET_WINDOW delta=1 flags=3\n"), std::string::npos) << journal;
    EXPECT_NE(journal.find("SET_PARAMETER which=128\n"), std::string::npos) << journal;
    t::Key(video, 'h');
    EXPECT_EQ(mplayer.setup.bHomeEntertainment, 0u);
    journal = Journal("quenby.so");
    EXPECT_EQ(journal.rfind("SET_WINDOW delta=0 flags=0\n", 0), 0u) << journal;

    // Closing the video window on the only track ends the plug-in.
    t::CloseWindow(video);
    ASSERT_TRUE(RunUntil([] { return mplayer.pluginCtrl == nullptr && !mplayer.bPluginAlive; }));
    EXPECT_EQ(VideoWindow(), nullptr);
    EXPECT_EQ(mplayer.params.video_wgt, nullptr);
}

// A picture of fixed size: the video window keeps its title bar but cannot be resized or
// maximised. Its keys, sent as real input: the keypad's digits and Enter steer the disc's menus,
// the main row's digits do not.
TEST_F(DvdPane, FixedSizeWindowKeepsItsTitleAndTheKeypadSteers)
{
    setenv("QUENBY_DURATION", "60000", 1);
    setenv("QUENBY_FIXED", "1", 1);
    setenv("QUENBY_PREFERRED", "320x240", 1);
    unsetenv("QUENBY_MIN_SIZE");
    unsetenv("QUENBY_MAX_SIZE");
    mplayer.bManualPlay = 0;
    OnLaunchDvd(nullptr, nullptr, nullptr);
    ASSERT_TRUE(RunUntil([] { return t::Text(t::Find("dvd_stateLabel")) == "Playing"; }))
        << t::Text(t::Find("dvd_stateLabel"));
    unsetenv("QUENBY_FIXED");
    unsetenv("QUENBY_PREFERRED");
    PtWidget_t* video = VideoWindow();
    ASSERT_NE(video, nullptr);
    long* flags = nullptr;
    PtGetResource(video, Pt_ARG_WINDOW_RENDER_FLAGS, &flags, 0);
    ASSERT_NE(flags, nullptr);
    EXPECT_EQ(*flags & 0x90, 0x90);  // title bar and its menu
    EXPECT_EQ(*flags & 0x2020, 0);   // no resize handles, no maximise button
    flags = nullptr;
    PtGetResource(video, Pt_ARG_WINDOW_MANAGED_FLAGS, &flags, 0);
    ASSERT_NE(flags, nullptr);
    EXPECT_EQ(*flags & 0x900, 0);

    Journal("quenby.so");
    t::RealKey(video, "7");
    t::RealKey(video, "8");
    EXPECT_EQ(Journal("quenby.so").find("MENU"), std::string::npos);
    t::RealKey(video, "KP_Home");  // keypad 7
    t::RealKey(video, "KP_Up");    // keypad 8
    t::RealKey(video, "KP_Enter");
    EXPECT_EQ(Journal("quenby.so"), "MENU\nSELECT_UP\nSELECT\n");

    t::CloseWindow(video);
    ASSERT_TRUE(RunUntil([] { return mplayer.pluginCtrl == nullptr && !mplayer.bPluginAlive; }));
}

}  // namespace
}  // namespace velora::testing
