// Message boxes on screen, worked by real input: pointer clicks and key presses sent to the
// virtual display through its test extension, as a user's would arrive. A unit's field that
// would break its entry is refused in a box over the setup window before anything is written,
// and a question answers the button pressed. A picture of the refusal is kept in the build tree.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "callerid/UdpServer.h"
#include "core/SettingsReader.h"
#include "core/Zephra.h"
#include "display/Display.h"
#include "forms/FormsTest.h"
#include "forms/MsgBox.h"
#include "forms/User.h"
#include "setup/ZephraSetup.h"
#include "setup/tests/SetupTestBed.h"
#include "windows/Registry.h"

#include "setup/tests/window/RealInput.h"

namespace zephra::testing {
namespace {

namespace ft = forms::test;

const std::string kSettings = IniText({
    "[Zephra Utilities]",
    "HomeseerIP=\"127.0.0.1\"",
    "ResizeQuestion=1",
    "[Zephra Names]",
    "127.0.0.2/kitchen=\"Kitchen,Q1,A3,A4,0,1,\"",
});

class MessageBoxWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(forms::DisplayAvailable()) << "run on a display: scripts/on-virtual-display";
    }
};

TEST_F(MessageBoxWindow, ARefusedUnitFieldIsShownInABoxAndNothingIsWritten) {
    RealInput input;
    ASSERT_TRUE(input.Ready()) << "the display has no test extension";
    SetupBed bed(kSettings);
    windows::SaveSetting(kUdpAppName, "Options", "LocalPort", "0");
    InitZephraUtilities(bed.state);
    const std::string before = bed.Ini();
    ZephraSetup& dialog = bed.Dialog();
    auto widget = [&](const char* id) { return static_cast<GtkWidget*>(ft::Widget(dialog, id)); };
    std::string refusal;
    bool openUnderTheBox = false;
    std::string shot;

    Steps steps({
                    // The window is up: the user clicks into the first unit's device code.
                    [&] {
                        GtkWidget* code = dialog.OnScreen() ? widget("aDC_0") : nullptr;
                        if (!code || !gtk_widget_get_mapped(code)) return false;
                        ft::Settle();
                        input.Click(code);
                        return true;
                    },
                    // It has the keyboard: all of it is replaced by "Q=1".
                    [&] {
                        if (!gtk_widget_has_focus(widget("aDC_0"))) return false;
                        input.Key(XK_a, false, true);
                        input.Key(XK_Q, true);
                        input.Key(XK_equal);
                        input.Key(XK_1);
                        return true;
                    },
                    [&] {
                        if (std::string(gtk_entry_get_text(GTK_ENTRY(widget("aDC_0")))) != "Q=1") return false;
                        input.Click(widget("OKButton"));
                        return true;
                    },
                    // The refusal stands over the window, which stays open; the user presses OK.
                    [&] {
                        GtkWidget* box = ShownBox();
                        if (!box) return false;
                        ft::Settle();
                        refusal = BoxText(box);
                        openUnderTheBox = dialog.OnScreen();
                        std::filesystem::create_directories(SETUP_WINDOW_SHOTS);
                        shot = std::string(SETUP_WINDOW_SHOTS) + "/refused-unit-field.png";
                        display::WritePng(box, shot.c_str());
                        input.Click(gtk_dialog_get_widget_for_response(GTK_DIALOG(box), forms::vbOK));
                        return true;
                    },
                    // The box has gone; the user gives up the edit.
                    [&] {
                        if (ShownBox()) return false;
                        input.Click(widget("CancelButton"));
                        return true;
                    },
                },
                [&] {
                    if (GtkWidget* box = ShownBox()) gtk_dialog_response(GTK_DIALOG(box), forms::vbOK);
                    dialog.Unload();
                });
    ShowZephraSetup(bed.state);  // returns when the window has closed

    EXPECT_TRUE(steps.Done()) << "stopped before step " << steps.Reached();
    EXPECT_EQ(refusal, "Nothing was saved: Device Code of unit 1 (Kitchen) cannot hold '='.");
    EXPECT_TRUE(openUnderTheBox);
    EXPECT_TRUE(std::filesystem::exists(shot)) << shot;
    EXPECT_EQ(bed.Ini(), before);
    EXPECT_TRUE(bed.LogHas("dkvZephra|Nothing was saved: Device Code of unit 1 (Kitchen) cannot hold '='."));
    ASSERT_TRUE(bed.state.appliances.slots[0].Object);
    EXPECT_EQ(bed.state.appliances.slots[0].Name, "kitchen");
    for (ZephraEntry& slot : bed.state.appliances.slots)
        if (slot.Object) slot.Object->Shutdown();
}

TEST_F(MessageBoxWindow, AQuestionAnswersTheButtonPressed) {
    RealInput input;
    ASSERT_TRUE(input.Ready());
    for (const int pressed : {forms::vbNo, forms::vbCancel, forms::vbYes}) {
        Steps steps({[&] {
                        GtkWidget* box = ShownBox();
                        if (!box) return false;
                        ft::Settle();
                        input.Click(gtk_dialog_get_widget_for_response(GTK_DIALOG(box), pressed));
                        return true;
                    }},
                    [] {
                        if (GtkWidget* box = ShownBox()) gtk_dialog_response(GTK_DIALOG(box), forms::vbAbort);
                    });
        EXPECT_EQ(forms::MsgBox("Replace the file?", forms::vbYesNoCancel + forms::vbQuestion, "Zephra"), pressed);
        EXPECT_TRUE(steps.Done());
        EXPECT_EQ(ShownBox(), nullptr);
    }
}

}  // namespace
}  // namespace zephra::testing
