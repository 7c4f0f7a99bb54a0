// Input made by the display server itself, as a user's: the layer's conversion of real events
// is what is under test here (modifier keys, toggle state both ways, file selector notices).
#include "PhotonFixture.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace photon::testing {
namespace {

using namespace photon::test;

unsigned long arm_mods, activate_mods;
int arms, activates;
int OnArm(PtWidget_t*, void*, PtCallbackInfo_t* info)
{
    ++arms;
    arm_mods = info->event ? info->event->data.pointer.key_mods : 0xFFFF;
    return Pt_CONTINUE;
}
int OnActivate(PtWidget_t*, void*, PtCallbackInfo_t* info)
{
    ++activates;
    activate_mods = info->event ? info->event->data.pointer.key_mods : 0xFFFF;
    return Pt_CONTINUE;
}

unsigned long key_mods_seen;
unsigned long key_sym_seen;
unsigned long key_cap_seen;
int OnKey(PtWidget_t*, void*, PtCallbackInfo_t* info)
{
    auto* key = static_cast<PhKeyEvent_t*>(PhGetData(info->event));
    if (key->key_flags & Pk_KF_Key_Down) {
        key_mods_seen = key->key_mods;
        key_sym_seen = key->key_sym;
        key_cap_seen = key->key_cap;
    }
    return Pt_CONTINUE;
}

TEST_F(PhotonTest, RealClicksCarryTheModifierKeysHeld)
{
    ASSERT_TRUE(HaveRealInput());
    OpenTestWindow();
    PtWidget_t* play = Find("PlayButton");
    PtAddCallback(play, Pt_CB_ARM, OnArm, nullptr);
    PtAddCallback(play, Pt_CB_ACTIVATE, OnActivate, nullptr);

    RealClick(play, Pk_KM_Shift);
    EXPECT_EQ(arms, 1);
    EXPECT_EQ(activates, 1);
    EXPECT_EQ(arm_mods, Pk_KM_Shift);
    EXPECT_EQ(activate_mods, Pk_KM_Shift);

    RealClick(play);
    EXPECT_EQ(activates, 2);
    EXPECT_EQ(arm_mods, 0u);
    EXPECT_EQ(activate_mods, 0u);

    RealClick(play, Pk_KM_Ctrl | Pk_KM_Shift);
    EXPECT_EQ(activate_mods, Pk_KM_Ctrl | Pk_KM_Shift);

    // Keys carry theirs too, and the keypad's Enter is Enter.
    PtAddEventHandler(window, Ph_EV_KEY, OnKey, nullptr);
    RealKey(window, "KP_Enter", Pk_KM_Shift);
    EXPECT_EQ(key_sym_seen, Pk_Return);
    EXPECT_EQ(key_mods_seen, Pk_KM_Shift);
    RealKey(window, "a");
    EXPECT_EQ(key_sym_seen, static_cast<unsigned long>('a'));
    EXPECT_EQ(key_mods_seen, 0u);
    // The keypad's digit keys are told apart from the main row's.
    RealKey(window, "KP_Home");
    EXPECT_EQ(key_cap_seen, Pk_KP_7);
    RealKey(window, "7");
    EXPECT_EQ(key_cap_seen, static_cast<unsigned long>('7'));
}

TEST_F(PhotonTest, ToggleSetByTheProgramIsSwitchedOffByAClick)
{
    ASSERT_TRUE(HaveRealInput());
    OpenTestWindow();
    PtWidget_t* mute = Find("muteButton");
    PtSetResource(mute, Pt_ARG_FLAGS, Pt_TRUE, Pt_SET);
    RunUntilIdle();
    EXPECT_TRUE(Flags(mute) & Pt_SET);
    RealClick(mute);
    EXPECT_FALSE(Flags(mute) & Pt_SET);
    EXPECT_EQ(Reasons(), "muteButton:activate");
    RealClick(mute);
    EXPECT_TRUE(Flags(mute) & Pt_SET);
    // Off by the program, then on and off by the user.
    PtSetResource(mute, Pt_ARG_FLAGS, Pt_FALSE, Pt_SET);
    EXPECT_FALSE(Flags(mute) & Pt_SET);
    RealClick(mute);
    EXPECT_TRUE(Flags(mute) & Pt_SET);
    RealClick(mute);
    EXPECT_FALSE(Flags(mute) & Pt_SET);
}

TEST_F(PhotonTest, FileSelectorReportsNoChoiceTheUserDidNotMake)
{
    ASSERT_TRUE(HaveRealInput());
    char folder[] = "/tmp/photon-filesel-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string one = std::string(folder) + "/one.mp3";
    const std::string two = std::string(folder) + "/two.mp3";
    for (const std::string& path : {one, two})
        if (FILE* f = std::fopen(path.c_str(), "w")) {
            std::fputs("ID3", f);
            std::fclose(f);
        }
    static const ApEventLink_t link{ABM_DIALOG, "fileselwin", nullptr, ABM_PLACE_DEFAULT, 0, 0};
    window = ApCreateModule(&link, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    PtWidget_t* sel = Find("FileSel");
    PtSetResource(sel, Pt_ARG_FS_ROOT_DIR, folder, 0);
    RunUntilIdle();
    // The toolkit reads the folder on its own and selects its first file.
    for (int i = 0; i < 200 && FileSelFocus(sel).empty(); ++i) {
        AwaitEvent(50);
        RunUntilIdle();
    }
    EXPECT_EQ(FileSelFocus(sel), one);
    RealClick(Find("FileSelOK"));
    EXPECT_EQ(Reasons(), "FileSelOK:activate");
    // The user's own pick, a click on a row, is reported.
    bool picked = false;
    for (int i = 0; i < 200 && !picked; ++i) {
        AwaitEvent(50);
        RunUntilIdle();
        Log().clear();
        RealClickRow(sel, 2);
        picked = !Log().empty() && FileSelFocus(sel) == two;
    }
    ASSERT_TRUE(picked) << FileSelFocus(sel) << " " << Reasons();
    EXPECT_EQ(Log().back().reason, Pt_CB_FS_SELECTION);
    // A click on the row already selected is reported too, as every click on a list's row is; a
    // double click is its two clicks, not a third report for the toolkit's activation.
    Log().clear();
    RealClickRow(sel, 2);
    EXPECT_EQ(Reasons(), "FileSel:fs_selection");
    Log().clear();
    RealDoubleClickRow(sel, 2);
    // The reports come as the toolkit handles the two clicks: later on a slow or sanitized build.
    for (int wait = 0; wait < 1000 && Reasons() != "FileSel:fs_selection FileSel:fs_selection"; ++wait) {
        RunUntilIdle();
        usleep(10000);
    }
    EXPECT_EQ(Reasons(), "FileSel:fs_selection FileSel:fs_selection");
    unlink(two.c_str());

    PtDestroyWidget(window);
    window = nullptr;
    RunUntilIdle();
    unlink(one.c_str());
    rmdir(folder);
}

// The folder a file selector shows: the one set (also before the toolkit has read it), another the
// user opened, and none ("") while it shows recent files, which lie in no one folder.
TEST_F(PhotonTest, FileSelectorNamesTheFolderItShowsAndNoneForRecentFiles)
{
    ASSERT_TRUE(HaveRealInput());
    char folder[] = "/tmp/photon-filesel-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string inner = std::string(folder) + "/inner";
    ASSERT_EQ(mkdir(inner.c_str(), 0700), 0);
    static const ApEventLink_t link{ABM_DIALOG, "fileselwin", nullptr, ABM_PLACE_DEFAULT, 0, 0};
    window = ApCreateModule(&link, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    PtWidget_t* sel = Find("FileSel");
    auto shown = [sel] {
        const char* dir = nullptr;
        PtGetResource(sel, Pt_ARG_FS_ROOT_DIR, &dir, 0);
        return std::string(dir ? dir : "(none)");
    };
    auto awaitShown = [&](const std::string& want) {
        for (int i = 0; i < 400 && shown() != want; ++i) {
            AwaitEvent(50);
            RunUntilIdle();
        }
        return shown();
    };
    auto clickRecent = [&] {
        // Again, when a busy machine lost the click.
        for (int i = 0; i < 10 && !shown().empty(); ++i) {
            ASSERT_TRUE(RealClickLabel(sel, "Recent"));
            for (int j = 0; j < 40 && !shown().empty(); ++j) {
                AwaitEvent(50);
                RunUntilIdle();
            }
        }
    };
    // The last round sets the folder it shows already.
    for (int round = 0; round < 3; ++round) {
        PtSetResource(sel, Pt_ARG_FS_ROOT_DIR, folder, 0);
        if (round == 2) {
            for (int i = 0; i < 400 && FileSelFocus(sel) != inner; ++i) {
                AwaitEvent(50);
                RunUntilIdle();
            }
            PtSetResource(sel, Pt_ARG_FS_ROOT_DIR, folder, 0);
        }
        EXPECT_EQ(shown(), folder);
        for (int i = 0; i < 400 && FileSelFocus(sel) != inner; ++i) {
            AwaitEvent(50);
            RunUntilIdle();
        }
        EXPECT_EQ(shown(), folder);
        clickRecent();
        EXPECT_EQ(shown(), "");
    }
    PtSetResource(sel, Pt_ARG_FS_ROOT_DIR, inner.c_str(), 0);
    EXPECT_EQ(awaitShown(inner), inner);

    PtDestroyWidget(window);
    window = nullptr;
    RunUntilIdle();
    rmdir(inner.c_str());
    rmdir(folder);
}

}  // namespace
}  // namespace photon::testing

namespace photon::testing {
namespace {

using namespace photon::test;

// The file selector on a 1024x768 screen: whole on it, its buttons where a click reaches them.
TEST_F(PhotonTest, FileSelectionFitsTheScreenAndItsButtonsTakeRealClicks)
{
    ASSERT_TRUE(HaveRealInput());
    OpenTestWindow();
    const std::string png = std::string(ZEPHRA_PHOTON_TEST_SHOTS) + "/photon-file-selection.png";
    AnswerDialogByClick("Cancel", png.c_str());
    PtFileSelectionInfo_t info{};
    PhPoint_t pos{0, 0};
    ASSERT_EQ(PtFileSelection(window, &pos, "Open file", ZEPHRA_PHOTON_TEST_DATA, nullptr, "Open", "Cancel", "nsdo",
                              &info, 0),
              0);
    const DialogSeen seen = DialogsSeen().back();
    EXPECT_TRUE(seen.button_on_screen);
    EXPECT_GE(seen.x, 0);
    EXPECT_GE(seen.y, 0);
    EXPECT_LE(seen.x + seen.width, 1024) << seen.width;
    EXPECT_LE(seen.y + seen.height, 768) << seen.height;
    EXPECT_EQ(info.ret, Pt_FSDIALOG_BTN2);
    // A position remembered from an earlier run that would put it partly off the screen.
    AnswerDialogByClick("Cancel");
    pos = {300, 200};
    ASSERT_EQ(PtFileSelection(window, &pos, "Open file", ZEPHRA_PHOTON_TEST_DATA, nullptr, "Open", "Cancel", "nsdo",
                              &info, 0),
              0);
    EXPECT_TRUE(DialogsSeen().back().button_on_screen);
    EXPECT_LE(DialogsSeen().back().x + DialogsSeen().back().width, 1024);
    EXPECT_LE(DialogsSeen().back().y + DialogsSeen().back().height, 768);
    EXPECT_EQ(access(png.c_str(), R_OK), 0);
}

}  // namespace
}  // namespace photon::testing
