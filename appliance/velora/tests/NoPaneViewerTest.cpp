// Plug-ins without a pane of the player's: the stand-in DVD plug-in under a name no rule knows
// plays through the viewer callback for such plug-ins, with its video window, status period,
// late durations, picture areas and pane sizes.
#include <filesystem>

#include "playlist/Controller.h"
#include "PaneFixture.h"
#include "panes/Panes.h"
#include "player/PluginHost.h"

namespace velora::testing {
namespace {

using namespace photon;
namespace t = photon::test;

class NoPaneViewer : public PaneTest {};

TEST_F(NoPaneViewer, FollowsAVideoPluginThatNoRuleNames)
{
    const std::string copy = scratch + "/movie.so";
    std::filesystem::copy_file(ResolvePluginPath("quenby.so"), copy);
    setenv("QUENBY_DURATION", "60000", 1);
    setenv("QUENBY_PREFERRED", "352x288", 1);
    PlaylistItem item;
    item.url = "file:///films/a.mpg";
    item.plugin = copy;
    mplayer.bManualPlay = 0;
    mplayer.bAutoPlay = 1;
    ControllerOpenItem(&item);
    ASSERT_NE(mplayer.pluginCtrl, nullptr);
    EXPECT_EQ(mplayer.pluginCtrl->viewer, nogui_vcb);
    ASSERT_TRUE(RunUntil([] { return mplayer.pluginCtrl && mplayer.pluginCtrl->lastState == MV_PLAYING; }));
    EXPECT_EQ(mplayer.params.status_frequency, 100u);  // 60000 / 179 = 335, at most 100
    EXPECT_EQ(t::Text(t::Find("baseInfo")), "file:///films/a.mpg");
    ASSERT_NE(VideoWindow(), nullptr);

    // A duration reported after the medium still sets the slider's end.
    MvPluginStatus status{};
    status.duration = 90000;
    nogui_vcb(&mplayer.pluginCtrl->ctrl, MVS_DURATION, &status);
    int* maximum = nullptr;
    PtGetResource(t::Find("curpos"), Pt_ARG_GAUGE_MAXIMUM, &maximum, 0);
    ASSERT_NE(maximum, nullptr);
    EXPECT_EQ(*maximum, 90000);

    // A new picture area resizes the video window and nothing else.
    const PhDim_t small = {200, 150};
    PtSetResource(VideoWindow(), Pt_ARG_DIM, &small, 0);
    SendCommand(CMD_PLUGIN_ZOOM_IN, 0);
    PhArea_t area{};
    EXPECT_TRUE(RunUntil([&] {
        PtWidgetArea(VideoWindow(), &area);
        return area.size.w == 352;
    }));
    EXPECT_EQ(area.size.h, 288);
    EXPECT_EQ(mplayer.pluginCtrl->duration, 90000u);

    // A pane narrower than the window's set-up width brings the window back to that width.
    PtWidget_t* base = t::Find("base");
    const PhDim_t wide = {static_cast<uint16_t>(mplayer.baseDim.w + 200), 300};
    PtSetResource(base, Pt_ARG_DIM, &wide, 0);
    t::RunUntilIdle();
    status.vpsize = {100, 80};
    nogui_vcb(&mplayer.pluginCtrl->ctrl, MVS_VPSIZE, &status);
    EXPECT_TRUE(RunUntil([&] {
        PtWidgetArea(base, &area);
        return area.size.w == mplayer.baseDim.w;
    })) << area.size.w;
}

}  // namespace
}  // namespace velora::testing
