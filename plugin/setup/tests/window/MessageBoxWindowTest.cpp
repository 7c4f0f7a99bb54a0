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

// Last: Xlib's macros (None, Bool, Status) would clash with names above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace zephra::testing {
namespace {

namespace ft = forms::test;

// Input as the user gives it: through the display server, to whatever window is under the
// pointer or has the keyboard.
class RealInput {
public:
    RealInput() : display_(XOpenDisplay(nullptr)) {}
    ~RealInput() {
        if (display_) XCloseDisplay(display_);
    }
    RealInput(const RealInput&) = delete;
    RealInput& operator=(const RealInput&) = delete;

    bool Ready() {
        int event = 0, error = 0, major = 0, minor = 0;
        return display_ && XTestQueryExtension(display_, &event, &error, &major, &minor);
    }

    // A click in the middle of the widget as it lies on the screen now.
    void Click(GtkWidget* widget) {
        GtkWidget* top = gtk_widget_get_toplevel(widget);
        int x = 0, y = 0, originX = 0, originY = 0;
        gtk_widget_translate_coordinates(widget, top, 0, 0, &x, &y);
        gdk_window_get_origin(gtk_widget_get_window(top), &originX, &originY);
        GtkAllocation size;
        gtk_widget_get_allocation(widget, &size);
        XTestFakeMotionEvent(display_, -1, originX + x + size.width / 2, originY + y + size.height / 2, 0);
        XTestFakeButtonEvent(display_, 1, True, 0);
        XTestFakeButtonEvent(display_, 1, False, 0);
        XFlush(display_);
    }
    void Key(KeySym key, bool shift = false, bool control = false) {
        const KeyCode shiftKey = XKeysymToKeycode(display_, XK_Shift_L);
        const KeyCode controlKey = XKeysymToKeycode(display_, XK_Control_L);
        if (shift) XTestFakeKeyEvent(display_, shiftKey, True, 0);
        if (control) XTestFakeKeyEvent(display_, controlKey, True, 0);
        XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), True, 0);
        XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), False, 0);
        if (control) XTestFakeKeyEvent(display_, controlKey, False, 0);
        if (shift) XTestFakeKeyEvent(display_, shiftKey, False, 0);
        XFlush(display_);
    }

private:
    Display* display_;
};

// The message box on screen, if one is.
GtkWidget* ShownBox() {
    GtkWidget* box = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w; w = w->next)
        if (GTK_IS_MESSAGE_DIALOG(w->data) && gtk_widget_get_mapped(GTK_WIDGET(w->data))) box = GTK_WIDGET(w->data);
    g_list_free(windows);
    return box;
}

std::string BoxText(GtkWidget* box) {
    gchar* text = nullptr;
    g_object_get(box, "text", &text, nullptr);
    std::string out = text ? text : "";
    g_free(text);
    return out;
}

// The user's steps: each runs, on the windows' own loop, once the one before it has shown its
// effect; a step answers true when its effect is there and the next may go. Gives up after a
// generous time, closing what is open, so that a fault fails the test instead of hanging it.
class Steps {
public:
    using Step = std::function<bool()>;
    Steps(std::vector<Step> steps, std::function<void()> giveUp)
        : steps_(std::move(steps)),
          giveUp_(std::move(giveUp)),
          deadline_(std::chrono::steady_clock::now() + std::chrono::seconds(60)) {
        source_ = g_timeout_add(50, &Steps::Tick, this);
    }
    ~Steps() {
        if (source_) g_source_remove(source_);
    }
    bool Done() const { return next_ == steps_.size(); }
    std::size_t Reached() const { return next_; }

private:
    static gboolean Tick(gpointer self) {
        auto* steps = static_cast<Steps*>(self);
        if (steps->Done()) {
            steps->source_ = 0;
            return G_SOURCE_REMOVE;
        }
        if (std::chrono::steady_clock::now() > steps->deadline_) {
            steps->source_ = 0;
            steps->giveUp_();
            return G_SOURCE_REMOVE;
        }
        if (steps->steps_[steps->next_]()) ++steps->next_;
        return G_SOURCE_CONTINUE;
    }

    std::vector<Step> steps_;
    std::function<void()> giveUp_;
    std::chrono::steady_clock::time_point deadline_;
    std::size_t next_ = 0;
    guint source_ = 0;
};

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
    EXPECT_EQ(refusal, "Nothing was saved: aDC(0) cannot hold '='.");
    EXPECT_TRUE(openUnderTheBox);
    EXPECT_TRUE(std::filesystem::exists(shot)) << shot;
    EXPECT_EQ(bed.Ini(), before);
    EXPECT_TRUE(bed.LogHas("dkvZephra|Nothing was saved: aDC(0) cannot hold '='."));
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
