// The audio CD pane against the stand-in CD plug-in: keypad pages, picking a track, the
// selection keys, and what happens at the end of a track and at the end of the disc.
#include <fstream>

#include "panes/CdPane.h"
#include "playlist/Controller.h"
#include "PaneFixture.h"
#include "panes/Panes.h"

namespace velora::testing {
namespace {

using namespace photon;
namespace t = photon::test;

TEST(CdPaneLogic, PagesOfFifteenKeysAndTimeTexts)
{
    EXPECT_EQ(CdLastPage(15), 0);
    EXPECT_EQ(CdKeysOnPage(15, 0), 15);
    EXPECT_EQ(CdLastPage(16), 1);
    EXPECT_EQ(CdKeysOnPage(16, 0), 15);
    EXPECT_EQ(CdKeysOnPage(16, 1), 1);
    EXPECT_EQ(CdLastPage(40), 2);
    EXPECT_EQ(CdKeysOnPage(40, 2), 10);
    EXPECT_EQ(CdLastPage(0), 0);

    cdrom.timeType = 0;
    EXPECT_EQ(CdTimeText(65000, 180000), "  0:03:00 /  0:01:05");
    cdrom.timeType = 1;
    EXPECT_EQ(CdTimeText(65000, 180000), "Elapsed: 0:01:05");
    cdrom.timeType = 2;
    EXPECT_EQ(CdTimeText(65000, 180000), "Remaining: 0:01:55");
    EXPECT_EQ(CdTimeText(190000, 180000), "Remaining: 0:00:00");
    cdrom.timeType = 3;
    EXPECT_EQ(CdTimeText(0, 0), "Time parsing error");
    cdrom.timeType = 0;
}

class CdPane : public PaneTest {
protected:
    // A disc of count tracks of ms each, as the stand-in reads it.
    std::string Disc(int count, unsigned ms)
    {
        std::ofstream toc(scratch + "/disc.toc");
        toc << "Test Disc\n";
        for (int i = 0; i < count; ++i) toc << ms << "\n";
        return scratch;
    }
    static bool Realized(const char* name) { return PtWidgetIsRealized(t::Find(name)); }
    static void Tap(const char* name)
    {
        t::Press(t::Find(name));
        t::Release(t::Find(name));
    }
};

TEST_F(CdPane, KeypadPagesTrackKeysAndTheEndOfTheDisc)
{
    const std::string disc = Disc(16, 1000);
    snprintf(mplayer.setup.mountPoint, sizeof mplayer.setup.mountPoint, "%s", disc.c_str());
    mplayer.bManualPlay = 0;
    OnLaunchCdAudio(nullptr, nullptr, nullptr);
    ASSERT_TRUE(RunUntil([] { return t::Find("cd_statusLabel") && t::Text(t::Find("cd_statusLabel")) == "Playing"; }));
    EXPECT_EQ(t::Text(t::Find("cd_numberTrackLabel")), "Number of Tracks: 16");
    EXPECT_EQ(ControllerGetPlaylistCount(), 16);
    EXPECT_TRUE(Realized("cd_key15"));
    EXPECT_TRUE(Realized("cd_nextPage"));
    EXPECT_FALSE(Realized("cd_previousPage"));
    EXPECT_EQ(ControllerGetActiveTrack(), 0);
    std::string journal = Journal("tarrow.so");
    EXPECT_NE(journal.find("OPEN_URLS " + disc + "/track01\n"), std::string::npos) << journal;

    // The end of a track plays the next one in the same plug-in.
    ASSERT_TRUE(RunUntil([] { return ControllerGetActiveTrack() == 1; }));
    journal = Journal("tarrow.so");
    EXPECT_NE(journal.find("OPEN_URLS " + disc + "/track02\nSTART\n"), std::string::npos) << journal;
    ASSERT_TRUE(RunUntil([] { return t::Text(t::Find("cd_statusLabel")) == "Playing"; }));
    EXPECT_EQ(t::Text(t::Find("cd_timeLabel")).substr(0, 11), "  0:00:01 /");

    // Page 1 holds track 16 alone.
    Tap("cd_nextPage");
    EXPECT_EQ(cdrom.page, 1);
    EXPECT_TRUE(Realized("cd_key1"));
    EXPECT_EQ(t::Text(t::Find("cd_key1")), "16");
    EXPECT_FALSE(Realized("cd_key2"));
    EXPECT_TRUE(Realized("cd_previousPage"));
    EXPECT_FALSE(Realized("cd_nextPage"));
    Screenshot(t::Find("base"), "velora-cd-pane.png");

    // A real Shift-click on a key marks nothing and plays nothing while all tracks play in
    // order without repeat.
    const int selected = ControllerGetPlaylistSelectedCount();
    const int active = ControllerGetActiveTrack();
    Journal("tarrow.so");
    t::RealClick(t::Find("cd_key1"), Pk_KM_Shift);
    EXPECT_EQ(ControllerGetPlaylistSelectedCount(), selected);
    EXPECT_EQ(ControllerIsSelected(15), 16);
    EXPECT_EQ(ControllerGetActiveTrack(), active);
    EXPECT_EQ(Journal("tarrow.so").find("OPEN_URLS"), std::string::npos);

    // A key opens its track and starts it; at the end of the last track the disc goes back to
    // the first selected track and stays stopped.
    Journal("tarrow.so");
    Tap("cd_key1");
    EXPECT_EQ(ControllerGetActiveTrack(), 15);
    journal = Journal("tarrow.so");
    EXPECT_EQ(journal.rfind("OPEN_URLS " + disc + "/track16\nSTART\n", 0), 0u) << journal;
    ASSERT_TRUE(RunUntil([] { return ControllerGetActiveTrack() == 0; }));
    journal = Journal("tarrow.so");
    EXPECT_NE(journal.find("STOP\nOPEN_URLS " + disc + "/track01\n"), std::string::npos) << journal;
    EXPECT_EQ(mplayer.bAutoPlay, 0);
    for (int i = 0; i < 50; ++i) t::AdvanceClock(10);
    EXPECT_EQ(Journal("tarrow.so").find("START"), std::string::npos);
    EXPECT_EQ(t::Text(t::Find("cd_statusLabel")), "Opened");
}

TEST_F(CdPane, SelectedTracksRepeatAndTheModeButtonsCycle)
{
    const std::string disc = Disc(40, 60000);
    snprintf(mplayer.setup.mountPoint, sizeof mplayer.setup.mountPoint, "%s", disc.c_str());
    mplayer.bManualPlay = 1;
    mplayer.bAutoPlay = 0;
    OnLaunchCdAudio(nullptr, nullptr, nullptr);
    ASSERT_TRUE(RunUntil([] {
        return ControllerGetPlaylistCount() == 40 && t::Find("cd_statusLabel") &&
               t::Text(t::Find("cd_statusLabel")) == "Opened";
    }));
    EXPECT_EQ(cdrom.page, 0);
    Tap("cd_nextPage");
    Tap("cd_nextPage");
    EXPECT_EQ(cdrom.page, 2);
    EXPECT_FALSE(Realized("cd_nextPage"));
    EXPECT_FALSE(Realized("cd_key11"));
    Tap("cd_nextPage");  // the last page goes no further
    EXPECT_EQ(cdrom.page, 2);

    // The mode buttons cycle, and the plug-in's answer redraws the labels; the Repeat button
    // stays where the finger is whatever the labels say.
    auto repeatX = [] {
        t::RunUntilIdle();
        PhArea_t area{};
        PtWidgetArea(t::Find("cd_reapeat_button"), &area);
        return area.pos.x;
    };
    const int x0 = repeatX();
    t::RealClick(t::Find("cd_tracks_button"));
    ASSERT_TRUE(RunUntil([] { return t::Text(t::Find("cd_playLabel")) == "Play Selected Tracks"; }));
    EXPECT_EQ(repeatX(), x0);
    t::RealClick(t::Find("cd_reapeat_button"));
    ASSERT_TRUE(RunUntil([] { return t::Text(t::Find("cd_repeatLabel")) == "Repeat This Track"; }));
    EXPECT_EQ(repeatX(), x0);
    t::RealClick(t::Find("cd_reapeat_button"));
    ASSERT_TRUE(RunUntil([] { return t::Text(t::Find("cd_repeatLabel")) == "Repeat Selected Tracks"; }));
    EXPECT_EQ(repeatX(), x0);
    Screenshot(t::Find("base"), "velora-cd-pane-modes.png");
    t::Click(t::Find("cd_time_button"));
    EXPECT_EQ(cdrom.timeType, 1);

    // In the selected-tracks mode a real Shift-click flips a track's selection and plays
    // nothing; selected keys are yellow.
    const int active = ControllerGetActiveTrack();
    t::RealClick(t::Find("cd_key2"), Pk_KM_Shift);  // track 32
    EXPECT_EQ(ControllerIsSelected(31), 0);
    EXPECT_EQ(ControllerGetPlaylistSelectedCount(), 39);
    EXPECT_EQ(ControllerGetActiveTrack(), active);
    t::RealClick(t::Find("cd_key2"), Pk_KM_Shift);
    EXPECT_EQ(ControllerIsSelected(31), 40);
    EXPECT_EQ(ControllerGetActiveTrack(), active);
    const PgColor_t* colour = nullptr;
    PtGetResource(t::Find("cd_key2"), Pt_ARG_FILL_COLOR, &colour, 0);
    ASSERT_NE(colour, nullptr);
    EXPECT_EQ(*colour, 0xFFFF00u);
    t::Click(t::Find("cd_tracks_button"));
    t::Click(t::Find("cd_tracks_button"));
    t::Click(t::Find("cd_time_button"));
    t::Click(t::Find("cd_time_button"));
    EXPECT_EQ(cdrom.timeType, 0);
}

}  // namespace
}  // namespace velora::testing
