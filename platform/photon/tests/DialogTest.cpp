// Dialogs answered by the test responder, and a screenshot compared with an expected picture.
#include "PhotonFixture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

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

// The top-level window named `title`, or 0.
Window NamedWindow(Display* x, Window under, const std::string& title)
{
    char* name = nullptr;
    if (XFetchName(x, under, &name) && name) {
        const bool same = title == name;
        XFree(name);
        if (same) return under;
    }
    Window root = 0, parent = 0, *kids = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(x, under, &root, &parent, &kids, &count)) {
        for (unsigned int i = 0; i < count && !found; ++i) found = NamedWindow(x, kids[i], title);
        if (kids) XFree(kids);
    }
    return found;
}

void TypeKey(Display* x, KeySym sym, bool control = false)
{
    const KeyCode ctrl = XKeysymToKeycode(x, XK_Control_L), code = XKeysymToKeycode(x, sym);
    if (control) XTestFakeKeyEvent(x, ctrl, True, CurrentTime);
    XTestFakeKeyEvent(x, code, True, CurrentTime);
    XTestFakeKeyEvent(x, code, False, CurrentTime);
    if (control) XTestFakeKeyEvent(x, ctrl, False, CurrentTime);
    XSync(x, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
}

// Keys typed by a user into the file selection's location field (Ctrl+L, then a path into a folder
// that does not exist) leave no complaint of the toolkit on standard error.
TEST_F(PhotonTest, FileSelectionLocationFieldTakesTypedKeysWithoutComplaint)
{
    ASSERT_TRUE(HaveRealInput());
    ASSERT_FALSE(std::filesystem::exists("/zz"));
    OpenTestWindow();
    const char* title = "Open a test file";
    std::thread user([title] {
        Display* x = XOpenDisplay(nullptr);
        if (!x) return;
        Window dialog = 0;
        for (int i = 0; i < 400 && !dialog; ++i) {
            dialog = NamedWindow(x, DefaultRootWindow(x), title);
            if (!dialog) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (dialog) {
            XWindowAttributes a{};
            for (int i = 0; i < 400 && XGetWindowAttributes(x, dialog, &a) && a.map_state != IsViewable; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            XSetInputFocus(x, dialog, RevertToPointerRoot, CurrentTime);
            TypeKey(x, XK_l, true);
            for (KeySym sym : {XK_a, XK_b, XK_BackSpace, XK_BackSpace, XK_slash, XK_z, XK_z, XK_slash, XK_a, XK_b})
                TypeKey(x, sym);
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            // Escape leaves the field, then closes the dialog (again, when a busy machine lost one).
            for (int i = 0; i < 20 && XGetWindowAttributes(x, dialog, &a) && a.map_state == IsViewable; ++i)
                TypeKey(x, XK_Escape);
        }
        XCloseDisplay(x);
    });
    const std::string errPath = std::string(ZEPHRA_PHOTON_TEST_SHOTS) + "/file-selection-stderr.txt";
    std::fflush(stderr);
    const int saved = dup(2);
    const int file = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(file, 2);
    close(file);
    PtFileSelectionInfo_t info{};
    const int r = PtFileSelection(window, nullptr, title, "/usr/share", nullptr, "Open", "Cancel", nullptr, &info, 0);
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    user.join();
    EXPECT_EQ(r, 0);
    EXPECT_EQ(info.ret, Pt_FSDIALOG_BTN2);
    std::ifstream in(errPath);
    std::stringstream said;
    said << in.rdbuf();
    EXPECT_EQ(said.str().find("CRITICAL"), std::string::npos) << said.str();
}

}  // namespace
}  // namespace photon::testing
