// Dialogs answered by the test responder, and a screenshot compared with an expected picture.
#include "PhotonFixture.h"

#include <cstdlib>

namespace photon::testing {
namespace {

using namespace photon::test;

int timer_fired;
int CountTimer(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    ++timer_fired;
    return Pt_CONTINUE;
}

TEST_F(PhotonTest, AlertNoticeAndFileSelectionAnsweredByTheResponder)
{
    OpenTestWindow();
    size_t before = DialogsSeen().size();
    AnswerDialog(2);
    const char* buttons[] = {"&OK", "&Cancel"};
    int r = PtAlert(window, nullptr, "Error No Memory", nullptr, "System is low on memory.. Velora is shutting down",
                    nullptr, 2, buttons, nullptr, 1, 2, 0);
    EXPECT_EQ(r, 2);
    auto seen = DialogsSeen();
    ASSERT_EQ(seen.size(), before + 1);
    EXPECT_EQ(seen.back().kind, "alert");
    EXPECT_EQ(seen.back().title, "Error No Memory");
    EXPECT_EQ(seen.back().message, "System is low on memory.. Velora is shutting down");
    EXPECT_EQ(seen.back().buttons, (std::vector<std::string>{"&OK", "&Cancel"}));

    // While a dialog is up the loop goes on: timers still fire.
    timer_fired = 0;
    PtAddEventHandler(Find("ControlGroup"), Ph_EV_TIMER, CountTimer, nullptr);
    PtTimerArm(Find("ControlGroup"), 0);
    AnswerDialog(1);
    PtNotice(window, nullptr, "Sorvex Alert", nullptr, "Couldn't open playlist file\nPermission denied", nullptr, "OK",
             nullptr, 0);
    EXPECT_EQ(DialogsSeen().back().kind, "notice");
    EXPECT_EQ(DialogsSeen().back().buttons, (std::vector<std::string>{"OK"}));

    AnswerFileSelection("/tmp/music/a.mp3", Pt_FSDIALOG_BTN1);
    PtFileSelectionInfo_t info{};
    PhPoint_t pos{0, 0};
    EXPECT_EQ(PtFileSelection(window, &pos, "Open file", "/usr/share", nullptr, "Open", "Cancel", "nsdo", &info, 0), 0);
    EXPECT_EQ(info.ret, Pt_FSDIALOG_BTN1);
    EXPECT_STREQ(info.path, "/tmp/music/a.mp3");
    EXPECT_EQ(DialogsSeen().back().root, "/usr/share");
    EXPECT_EQ(DialogsSeen().back().title, "Open file");

    AnswerFileSelection("", Pt_FSDIALOG_BTN2);
    PtFileSelection(window, &pos, "Open file", "/usr/share", nullptr, "Open", "Cancel", "nsdo", &info, 0);
    EXPECT_EQ(info.ret, Pt_FSDIALOG_BTN2);
}

TEST_F(PhotonTest, ScreenshotMatchesTheExpectedPicture)
{
    PtArg_t args[2];
    PhDim_t dim{160, 100};
    PtSetArg(&args[0], Pt_ARG_DIM, &dim, 0);
    PtSetArg(&args[1], Pt_ARG_FILL_COLOR, 0xFFFFFF, 0);
    window = PtCreateWidget(PtWindow, nullptr, 2, args);
    ASSERT_NE(window, nullptr);
    PhDim_t half{80, 100};
    PhPoint_t left{0, 0}, right{80, 0};
    PtArg_t red[3], blue[3];
    PtSetArg(&red[0], Pt_ARG_DIM, &half, 0);
    PtSetArg(&red[1], Pt_ARG_POS, &left, 0);
    PtSetArg(&red[2], Pt_ARG_FILL_COLOR, 0xFF0000, 0);
    PtSetArg(&blue[0], Pt_ARG_DIM, &half, 0);
    PtSetArg(&blue[1], Pt_ARG_POS, &right, 0);
    PtSetArg(&blue[2], Pt_ARG_FILL_COLOR, 0x0000FF, 0);
    PtRealizeWidget(PtCreateWidget(PtGroup, window, 3, red));
    PtRealizeWidget(PtCreateWidget(PtGroup, window, 3, blue));
    PtRealizeWidget(window);
    RunUntilIdle();
    std::string shot = ::testing::TempDir() + "photon-shot.png";
    ASSERT_TRUE(Screenshot(window, shot.c_str()));
    std::string expected = std::string(ZEPHRA_PHOTON_TEST_DATA) + "/red-blue.png";
    EXPECT_LT(PictureDifference(shot.c_str(), expected.c_str(), 16), 0.01);

    // The picture follows a change.
    PtWidget_t* cover = PtCreateWidget(PtGroup, window, 3, red);
    PtSetResource(cover, Pt_ARG_POS, &right, 0);
    PtRealizeWidget(cover);
    std::string after = ::testing::TempDir() + "photon-shot-after.png";
    ASSERT_TRUE(Screenshot(window, after.c_str()));
    double changed = PictureDifference(after.c_str(), expected.c_str(), 16);
    EXPECT_GT(changed, 0.45);
    EXPECT_LT(changed, 0.55);
}

}  // namespace
}  // namespace photon::testing
