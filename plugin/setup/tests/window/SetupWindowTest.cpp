// The setup dialog on screen (a virtual display): opened from the host's calls, each page's
// captions and loaded values, edits typed and ticked in the widgets and stored by "Update",
// "Cancel" storing nothing, and the window and the status page editing the same settings. A
// picture of every page is kept in the build tree.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/SettingsReader.h"
#include "display/Display.h"
#include "forms/FormsTest.h"
#include "automation/CallByName.h"
#include "forms/User.h"
#include "core/Zephra.h"
#include "host/reva.h"
#include "host/tests/RevaTestBed.h"
#include "web/tests/StatusBed.h"
#include "setup/tests/window/RealInput.h"  // last: it brings Xlib's macros

namespace zephra::testing {
namespace {

namespace ft = forms::test;
using Strings = std::vector<std::string>;

const char* const kPages[] = {"Zephras", "Definitions", "Power", "Screen", "Slide Group", "CID", "Future"};

// Settings with a value in every kind of control, the resizer already asked about.
const std::string kSettings = IniText({
    "[Zephra Utilities]",
    "ServerPort=\"8081\"",
    "HomeseerIP=\"127.0.0.1\"",
    "TCPServerOption=\"0\"",
    "Sounds=\"1,0,1\"",
    "PowerUpTime=90",
    "LEDMotionTime=30",
    "CIDLineNumber=\"2\"",
    "CIDEventGroup=Phone",
    "SorvexCommandPort=\"1025\"",
    "SlideASP3=\"page3.htm,12\"",
    "ServerPathGroup1=\"/slides/b\"",
    "ResizeQuestion=1",
    "[Zephra Names]",
    "127.0.0.2/kitchen=\"Kitchen,Q1,A3,A4,0,1,10.0.0.9\"",
    "127.0.0.3=\"Hall,Q2,,,1,0,\"",
});

std::string ShotsDir() {
    std::filesystem::create_directories(SETUP_WINDOW_SHOTS);
    return SETUP_WINDOW_SHOTS;
}

std::set<std::string> Lines(const std::string& text) {
    std::set<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.insert(line);
    return out;
}

// The lines of `after` that `before` lacks.
Strings Added(const std::string& before, const std::string& after) {
    Strings out;
    const std::set<std::string> old = Lines(before);
    for (const std::string& line : Lines(after))
        if (!old.count(line)) out.push_back(line);
    return out;
}

std::string FieldValue(const std::string& page, const std::string& name) {
    for (const Field& f : Inputs(page))
        if (f.name == name) return f.value;
    return "<none>";
}

struct WindowBed : StatusBed {
    explicit WindowBed(const std::string& ini = kSettings) : StatusBed(ini) {
        windows::SaveSetting(kUdpAppName, "Options", "LocalPort", "0");  // any free port
        InitZephraUtilities(state);
    }
    ~WindowBed() {
        for (ZephraEntry& slot : state.appliances.slots)
            if (slot.Object) slot.Object->Shutdown();
    }
    // Opens the dialog as the host's configuration call does; `work` is the user's turn.
    void Open(const std::function<void(forms::Form&)>& work, const char* callName = "ConfigX10") {
        forms::ScriptedUser user;
        user.onModal(ZephraSetup::kCaption, [&](forms::Form& form) {
            ASSERT_TRUE(form.OnScreen());
            work(form);
        });
        Call(callName);
        modalForms = user.modalForms();
    }
    // "Update" pressed once the window runs its own loop.
    static void Update(forms::Form& form) {
        ft::Later([&form] { ft::Click(form, "OKButton"); });
        ft::RunModal(form);
    }
    // "Cancel" pressed once the window runs its own loop.
    static void Cancel(forms::Form& form) {
        ft::Later([&form] { ft::Click(form, "CancelButton"); });
        ft::RunModal(form);
    }
    // The settings file as it is now, the host's calls forgotten: what follows is told from here.
    std::string Mark() {
        std::string ini = Ini();
        host->ClearCalls();
        return ini;
    }
    vb::Variant Call(const std::string& member, std::initializer_list<vb::Variant> args = {}) {
        return automation::callByName(vb::Variant(vb::ObjectRef(plugin)), member, args);
    }
    std::shared_ptr<reva> plugin = RevaOver(state);
    Strings modalForms;
};

class SetupWindow : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(forms::DisplayAvailable()) << "run on a display: scripts/on-virtual-display";
    }
};

TEST_F(SetupWindow, EveryPageShowsItsCaptionsAndTheLoadedSettings) {
    WindowBed bed;
    const std::vector<Strings> captions = {
        {"Zephras", "Location", "IP", "Device Code", "Power Device", "Motion Device", "Slide Group",
         "None 1     2       3", "CID"},
        {"Definitions",
         "Homeseer Definitions",
         "Server IP",
         "Voice",
         "Seconds for Server to Respond",
         "Virtual Device Font Color",
         "Include in Menu",
         "Disable Control Buttons",
         "Performance",
         "Command Retries",
         "Use UDP when Possible",
         "Add",
         "milliseconds delay after UDP command",
         "Debug",
         "Server Debug ",
         "General Debug ",
         "Show Slide List in Log",
         "Included Sound Bytes",
         "Cancel",
         "Check",
         "Copy",
         "Cut",
         "Delete",
         "Help",
         "Major",
         "Close",
         "Open",
         "High",
         "Low",
         "Paste",
         "Print",
         "Down",
         "Up",
         "Snap",
         "Warm",
         "Sleep",
         "Wake",
         "Web Server",
         "Server Selection",
         "Internal Server",
         "Homseer or External Server",
         "Internal  Server Port",
         "Style Sheet",
         "Back Color"},
        {"Power", "Power Cycle on Hours (comma separated)", "Wait", "seconds between power off and power on ",
         "Cycle Power After 5 no Responses", "Check For Sleep Mode Every", "Minutes",
         "Default Page After Power Cycle (\\HTML)", "When to resume after power cycle", "Wait",
         "seconds after power cycle", "OR", "Wait for browser process to appear on file share"},
        {"Screen",
         "Motion",
         "Turn off LEDs if Motion for",
         "Secs",
         "Awaken if Motion",
         "Start Sllideshow on New Motion Detected",
         "Stop Slideshow After no Motion For",
         "Mins",
         "File Path to Slideshow Files",
         "Folder Path to Slideshow Files",
         "Server Path to Slideshow Files",
         "Include",
         "jpg",
         "gif",
         "bmp",
         "Change Slide Every",
         "Seconds",
         "Show Slides as Tiled Wallpaper",
         "Do not randomize image sequence",
         "Page when Exiting Slideshow (base=\\HTML)",
         "Text",
         "Face",
         "Size",
         "Fore Color",
         "Back Color",
         "Include Header Links",
         "Links File",
         "Slide Image Resizing",
         "Max Pixels in Image"},
        {"Slide Group", "Group 1", "File Path", "Secs", "Server Path", "Folder Path", "Group 2", "File Path", "Secs",
         "Server Path", "Folder Path", "Group 3", "File Path", "Secs", "Server Path", "Folder Path"},
        {"CID",
         "Sources for Number to Name Lookup",
         "Use HSP Address Book",
         "Exclude Location From HSP",
         "Use Friends.txt located at folder:",
         "CID Response",
         "Record in HS Log",
         "CID Sentry Name and Number",
         "Toggle CID Device for 10 seconds",
         "Spoken CID Response",
         "Browser Name and Number",
         "ZCID Name and Number",
         "Homeseer Phone CID",
         "Event Group Name",
         "Line Number",
         "Serial CID",
         "Comm Port",
         "Port Setup",
         "Modem Init",
         "Name Prefix",
         "Number Prefix",
         "Auto-complete Name/Nmbr CrLf"},
        {"Future", "Sorvex", "Command Port", "Play", "Stop"},
    };
    const std::string dir = ShotsDir();
    bed.Open([&](forms::Form& form) {
        for (int page = 0; page < 7; ++page) {
            ft::ShowPage(form, "SSTab1", page);
            const Strings shown = ft::PageCaptions(form, "SSTab1", page);
            Strings missing;
            for (const std::string& caption : captions[static_cast<std::size_t>(page)])
                if (std::find(shown.begin(), shown.end(), caption) == shown.end()) missing.push_back(caption);
            EXPECT_TRUE(missing.empty()) << kPages[page] << " lacks " << ::testing::PrintToString(missing);
            EXPECT_EQ(shown.front(), kPages[page]);
            const std::string shot = dir + "/page-" + std::to_string(page + 1) + ".png";
            EXPECT_TRUE(ft::Screenshot(form, shot)) << shot;
        }
        ft::ShowPage(form, "SSTab1", 0);
        // Zephras: two units, the first with a slide group none and caller ID, the second group 1.
        EXPECT_EQ(ft::Text(form, "aName_0"), "Kitchen");
        EXPECT_EQ(ft::Text(form, "aIP_0"), "127.0.0.2/kitchen");
        EXPECT_EQ(ft::Text(form, "aDC_0"), "Q1");
        EXPECT_EQ(ft::Text(form, "aPower_0"), "A3");
        EXPECT_EQ(ft::Text(form, "aMotion_0"), "A4");
        EXPECT_TRUE(ft::Ticked(form, "Option1_0"));
        EXPECT_TRUE(ft::Ticked(form, "aDoCID_0"));
        EXPECT_EQ(ft::Text(form, "aX10Server_0"), "10.0.0.9");
        EXPECT_EQ(ft::Text(form, "aName_1"), "Hall");
        EXPECT_TRUE(ft::Ticked(form, "Option2_1"));
        EXPECT_FALSE(ft::Ticked(form, "aDoCID_1"));
        // An empty slot has no slide group selected.
        EXPECT_EQ(ft::Text(form, "aName_2"), "");
        for (int e = 0; e < 4; ++e) EXPECT_FALSE(ft::Ticked(form, "Option3_" + std::to_string(e)));
        // Definitions.
        EXPECT_EQ(ft::Text(form, "aServerPort"), "8081");
        EXPECT_TRUE(ft::Sensitive(form, "aServerPort"));
        EXPECT_TRUE(ft::Ticked(form, "aTCPServerOption_0"));
        EXPECT_EQ(ft::Text(form, "aHSIP"), "127.0.0.1");
        EXPECT_EQ(ft::Text(form, "aPushDelay"), "5");
        EXPECT_EQ(ft::Text(form, "aFontColor"), "white");
        EXPECT_TRUE(ft::Ticked(form, "Check1_0"));
        EXPECT_FALSE(ft::Ticked(form, "Check1_1"));
        EXPECT_TRUE(ft::Ticked(form, "Check1_2"));
        EXPECT_EQ(ft::Rows(form, "aVoiceCB"), InstalledVoices());
        EXPECT_FALSE(ft::Text(form, "aVoiceCB").empty());
        // Power, Screen, Slide Group, CID, Future.
        EXPECT_EQ(ft::Text(form, "aPowerUpTime"), "90");
        EXPECT_EQ(ft::Text(form, "aPowerCycleTime"), "5");
        EXPECT_EQ(ft::Text(form, "aLEDMotionTime"), "30");
        EXPECT_TRUE(ft::Ticked(form, "ajpg"));
        EXPECT_FALSE(ft::Ticked(form, "abmp"));
        EXPECT_EQ(ft::Text(form, "aLinks"), "links_touchscreen.htm");
        EXPECT_EQ(ft::Text(form, "aSlideASP_3"), "page3.htm");
        EXPECT_EQ(ft::Text(form, "aDwell_3"), "12");
        EXPECT_EQ(ft::Text(form, "aServerPathGroup_1"), "/slides/b");
        EXPECT_EQ(ft::Text(form, "aLineNumber"), "2");
        EXPECT_EQ(ft::Text(form, "aCIDEventGroup"), "Phone");
        EXPECT_EQ(ft::Text(form, "aCIDPortString"), "9600,n,8,1");
        EXPECT_TRUE(ft::Ticked(form, "aInsertModemCrLf"));
        EXPECT_EQ(ft::Text(form, "aSorvexCommandPort"), "1025");
        EXPECT_EQ(ft::Text(form, "lblver").rfind("Version ", 0), 0u);
        EXPECT_EQ(ft::Text(form, "HouseCode"), "Plugin House Code is [");
        // "Homseer or External Server" greys the port out at once.
        ft::Toggle(form, "aTCPServerOption_1");
        EXPECT_FALSE(ft::Sensitive(form, "aServerPort"));
        ft::Toggle(form, "aTCPServerOption_0");
        EXPECT_TRUE(ft::Sensitive(form, "aServerPort"));
        WindowBed::Cancel(form);
        EXPECT_FALSE(form.OnScreen());
    });
    EXPECT_EQ(bed.modalForms, Strings{"Zephra Setup"});
}

TEST_F(SetupWindow, UpdateStoresExactlyWhatWasTypedTickedAndPicked) {
    WindowBed bed;
    bed.Open(WindowBed::Update);  // the first save writes every key in the writer's form
    const std::string before = bed.Mark();
    bed.Open([&](forms::Form& form) {
        ft::Type(form, "aServerPort", "8090");
        ft::Toggle(form, "Check1_3");
        ft::Toggle(form, "Option2_3");
        WindowBed::Update(form);
        EXPECT_FALSE(form.OnScreen());
    });
    Strings expected = {"ServerPort=\"8090\"", "Sounds=\"1,0,1,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0\"",
                        "127.0.0.3=\"Hall,Q2,,,3,0,\""};
    std::sort(expected.begin(), expected.end());
    Strings changed = Added(before, bed.Ini());
    for (std::string& line : changed)
        if (!line.empty() && line.back() == '\r') line.pop_back();
    std::sort(changed.begin(), changed.end());
    EXPECT_EQ(changed, expected);
    EXPECT_EQ(Lines(before).size(), Lines(bed.Ini()).size());
    // The running plug-in took the new settings up.
    EXPECT_EQ(bed.state.settings.ServerPort, "8090");
    EXPECT_FALSE(bed.Dialog().Loaded());
}

TEST_F(SetupWindow, CancelAndTheCloseBoxStoreNothing) {
    WindowBed bed;
    const std::string before = bed.Mark();
    bed.Open([&](forms::Form& form) {
        ft::Type(form, "aServerPort", "9999");
        ft::Toggle(form, "Check1_5");
        ft::Toggle(form, "Option3_2");
        WindowBed::Cancel(form);
    });
    bed.Open([&](forms::Form& form) {
        ft::Type(form, "aHSIP", "10.1.1.1");
        ft::Later([&form] { gtk_window_close(GTK_WINDOW(form.Window())); });
        ft::RunModal(form);
    });
    EXPECT_EQ(bed.Ini(), before);
    EXPECT_TRUE(bed.Saved().empty());
    EXPECT_EQ(bed.state.settings.ServerPort, "8081");
}

// Nothing edited, nothing written: not even the writer's own forms of the values as loaded.
TEST_F(SetupWindow, AnUnchangedUpdateLeavesTheSettingsFileAsItWas) {
    WindowBed window;
    const std::string before = window.Mark();
    window.Open(WindowBed::Update);
    EXPECT_EQ(window.Ini(), before);
    EXPECT_TRUE(window.Saved().empty());
    EXPECT_FALSE(window.Dialog().Loaded());
}

// Lines of `before` that `after` lacks.
Strings Removed(const std::string& before, const std::string& after) { return Added(after, before); }

// Settings that others change while the window is open, with characters beyond ASCII.
const std::string kShared = IniText({
    "[Zephra Utilities]",
    "ServerPort=\"8081\"",
    "HomeseerIP=\"127.0.0.1\"",
    "PushDelay=\"7\"",
    "FontColor=\"red\"",
    "CIDNamePrefix=Nom \xE9",
    "ResizeQuestion=1",
    "[Zephra Names]",
    "127.0.0.2/kitchen=\"Kitchen,Q1,A3,A4,0,1,\"",
    "127.0.0.3=\"Hall,Q2,,,1,0,\"",
});

// The window worked by real input: each step waits for the effect of the one before; a fault
// that stops the steps closes the window, so that the test fails instead of hanging.
void WorkWindow(WindowBed& bed, const char* call, std::vector<Steps::Step> steps, std::size_t* reached) {
    bed.Call("RegisterCallback", {vb::Variant(vb::ObjectRef(bed.host->callback()))});
    ZephraSetup& dialog = bed.Dialog();
    // The user's first look waits for the window.
    steps.insert(steps.begin(), [&dialog] { return dialog.OnScreen(); });
    Steps user(std::move(steps), [&dialog] {
        if (GtkWidget* box = ShownBox()) gtk_dialog_response(GTK_DIALOG(box), forms::vbOK);
        dialog.Unload();
    });
    bed.Call(call);  // returns when the window has closed
    *reached = user.Done() ? SIZE_MAX : user.Reached();
}

GtkWidget* WidgetOf(forms::Form& form, const std::string& id) {
    return form.OnScreen() ? static_cast<GtkWidget*>(ft::Widget(form, id)) : nullptr;
}

// The steps that replace a text box's text by `text` as typed on the keyboard.
void TypeInto(std::vector<Steps::Step>& steps, RealInput& input, forms::Form*& form, const std::string& id,
              const std::string& text) {
    steps.push_back([&input, &form, id] {
        GtkWidget* box = WidgetOf(*form, id);
        if (!box || !gtk_widget_get_mapped(box)) return false;
        ft::Settle();
        input.Click(box);
        return true;
    });
    steps.push_back([&input, &form, id, text] {
        if (!gtk_widget_has_focus(WidgetOf(*form, id))) return false;
        input.Key(XK_a, false, true);
        input.Key(XK_Delete);
        input.Prepare(text);
        return true;
    });
    steps.push_back([&input, &form, id, text] {
        if (*gtk_entry_get_text(GTK_ENTRY(WidgetOf(*form, id))) != '\0') return false;
        input.Type(text);
        return true;
    });
    steps.push_back([&form, id, text] { return gtk_entry_get_text(GTK_ENTRY(WidgetOf(*form, id))) == text; });
}

// "Update" clicked, then the refusal's box read, kept as the picture `shot` and answered OK.
void UpdateAndAnswerTheRefusal(std::vector<Steps::Step>& steps, RealInput& input, forms::Form*& form,
                               std::string& refusal, const std::string& shot, bool* openUnderTheBox = nullptr) {
    steps.push_back([&input, &form] {
        ft::Settle();
        input.Click(WidgetOf(*form, "OKButton"));
        return true;
    });
    steps.push_back([&input, &form, &refusal, shot, openUnderTheBox] {
        GtkWidget* box = ShownBox();
        if (!box) return false;
        ft::Settle();
        refusal = BoxText(box);
        if (openUnderTheBox) *openUnderTheBox = form->OnScreen();
        display::WritePng(box, (ShotsDir() + "/" + shot).c_str());
        input.Click(gtk_dialog_get_widget_for_response(GTK_DIALOG(box), forms::vbOK));
        return true;
    });
}

// A click on the button that closes the window (the user's turn ends with it).
void ClickToClose(std::vector<Steps::Step>& steps, RealInput& input, forms::Form*& form, const std::string& id) {
    steps.push_back([&input, &form, id] {
        ft::Settle();
        input.Click(WidgetOf(*form, id));
        return true;
    });
}

// The window over the settings `ini` worked by real input: a test gathers its user's steps, and
// Work runs the window through them (from "ConfigIO", as the host opens it).
struct WorkedWindow : WindowBed {
    WorkedWindow(RealInput& input, const std::string& ini) : WindowBed(ini), input(input) {}
    void Type(const std::string& id, const std::string& text) { TypeInto(steps, input, form, id, text); }
    void UpdateRefused(std::string& refusal, const std::string& shot, bool* openUnderTheBox = nullptr) {
        UpdateAndAnswerTheRefusal(steps, input, form, refusal, shot, openUnderTheBox);
    }
    void UntilTheBoxIsGone() {
        steps.push_back([] { return !ShownBox(); });
    }
    void Close(const std::string& id) { ClickToClose(steps, input, form, id); }
    // "Update" refused in its box, which is answered; then "Cancel", and the window worked.
    void RefusedAndCancelled(std::string& refusal, const std::string& shot) {
        UpdateRefused(refusal, shot);
        UntilTheBoxIsGone();
        Close("CancelButton");
        Work();
    }
    // Once the widget `id` is on screen, `then` runs (another editor's turn, or a look at it).
    void OnceShown(const std::string& id, std::function<void()> then) {
        steps.push_back([this, id, then = std::move(then)] {
            GtkWidget* box = WidgetOf(*form, id);
            if (!box || !gtk_widget_get_mapped(box)) return false;
            then();
            return true;
        });
    }
    // The user brings the page `page` to the front by its tab.
    void ClickTab(int page) {
        steps.push_back([this, page] {
            GtkWidget* tabs = WidgetOf(*form, "SSTab1");
            if (!tabs || !gtk_widget_get_mapped(tabs)) return false;
            ft::Settle();
            GtkNotebook* notebook = GTK_NOTEBOOK(tabs);
            input.Click(gtk_notebook_get_tab_label(notebook, gtk_notebook_get_nth_page(notebook, page)));
            return true;
        });
    }
    // The steps gathered so far, every one of them reached; the next steps start afresh.
    void Work() {
        std::size_t reached = 0;
        WorkWindow(*this, "ConfigIO", std::move(steps), &reached);
        EXPECT_EQ(reached, SIZE_MAX) << "stopped before step " << reached;
        steps.clear();
    }
    // Neither the settings file nor the host's store took anything since `before` was read.
    void NothingWasWritten(const std::string& before) {
        EXPECT_EQ(Ini(), before);
        EXPECT_TRUE(Saved().empty());
    }
    RealInput& input;
    forms::Form* form = &Dialog();
    std::vector<Steps::Step> steps;
};

// The window worked by the user's real input: a test of it starts only on a display that takes such input.
class SetupWindowByHand : public SetupWindow {
protected:
    void SetUp() override { ASSERT_TRUE(input.Ready()) << "the display has no test extension"; }
    RealInput input;
};

// The page and a script store settings while the window is open; the window's user then types
// into one unit's field and presses "Update": the file keeps what the others stored, and only
// the unit's entry changes.
TEST_F(SetupWindowByHand, UpdateWritesOnlyWhatItsUserChangedOverWhatOthersStoredMeanwhile) {
    WorkedWindow bed(input, kShared);
    std::string others;
    bed.OnceShown("aX10Server_0", [&] {
        // The status page saves two settings, as a browser posts its form; a script stores one.
        bed.page(StatusBed::Post(bed.Get(), "Save", {{"PushDelay", "9"}, {"FontColor", "blue"}}));
        bed.host->SaveIniSetting("Zephra Utilities", "TextStyle", "Verdana", SetupBed::kFile);
        others = bed.Ini();
    });
    bed.Type("aX10Server_0", "x10a");
    bed.steps.push_back([&] { return ft::Screenshot(*bed.form, ShotsDir() + "/typed-over-others.png"); });
    bed.Close("OKButton");
    bed.Work();

    EXPECT_EQ(Removed(others, bed.Ini()), Strings{"127.0.0.2/kitchen=\"Kitchen,Q1,A3,A4,0,1,\"\r"});
    EXPECT_EQ(Added(others, bed.Ini()), Strings{"127.0.0.2/kitchen=\"Kitchen,Q1,A3,A4,0,1,x10a\"\r"});
    EXPECT_EQ(bed.Setting("Zephra Utilities", "PushDelay"), "\"9\"");
    EXPECT_EQ(bed.Setting("Zephra Utilities", "FontColor"), "\"blue\"");
    EXPECT_EQ(bed.Setting("Zephra Utilities", "TextStyle"), "Verdana");
    EXPECT_EQ(bed.state.settings.PushDelay, 9);
}

// Characters beyond ASCII cross the window's edge both ways: shown as stored, stored as typed
// in the settings files' code page, and left byte for byte where nobody typed.
TEST_F(SetupWindowByHand, TextsBeyondAsciiAreShownAndStoredInTheFilesCodePage) {
    WorkedWindow bed(input, kShared);
    bed.page(StatusBed::Post(bed.Get(), "Save", {{"Location1", "Hall \xDC"}}));  // as a browser posts "Hall Ü"
    ASSERT_EQ(bed.Setting("Zephra Names", "127.0.0.3"), "\"Hall \xDC,Q2,,,1,0,\"");
    const std::string before = bed.Ini();

    // Shown as stored; "Update" without an edit leaves every byte.
    std::string hall, prefix;
    bed.steps.push_back([&] {
        if (!WidgetOf(*bed.form, "aName_1")) return false;
        hall = ft::Text(*bed.form, "aName_1");
        prefix = ft::Text(*bed.form, "aCIDNamePrefix");
        return true;
    });
    bed.Close("OKButton");
    bed.Work();
    EXPECT_EQ(hall, "Hall \u00DC");
    EXPECT_EQ(prefix, "Nom \u00E9");
    EXPECT_EQ(bed.Ini(), before);

    // "Büro" typed over Kitchen: one byte for the "ü"; Hall's entry and the prefix stay.
    bed.Type("aName_0", "B\u00FCro");
    bed.steps.push_back([&] { return ft::Screenshot(*bed.form, ShotsDir() + "/typed-beyond-ascii.png"); });
    bed.Close("OKButton");
    bed.Work();
    EXPECT_EQ(Removed(before, bed.Ini()), Strings{"127.0.0.2/kitchen=\"Kitchen,Q1,A3,A4,0,1,\"\r"});
    EXPECT_EQ(Added(before, bed.Ini()), Strings{"127.0.0.2/kitchen=\"B\xFCro,Q1,A3,A4,0,1,\"\r"});
    EXPECT_EQ(FieldValue(bed.Get(), "Location0"), "B\xFCro");
}

// A character the settings files' code page lacks is refused in a box naming the field by its
// label; nothing is written and the window stays open for its user.
TEST_F(SetupWindowByHand, ACharacterTheFilesCannotKeepIsRefusedByItsLabel) {
    WorkedWindow bed(input, kShared);
    const std::string before = bed.Mark();
    std::string refusal;
    bool openUnderTheBox = false;
    bed.ClickTab(5);  // "CID"
    bed.Type("aCIDNamePrefix", "\u65E5\u672C");
    bed.UpdateRefused(refusal, "refused-code-page.png", &openUnderTheBox);
    bed.steps.push_back([&] {
        if (ShownBox()) return false;
        EXPECT_EQ(ft::Text(*bed.form, "aCIDNamePrefix"), "\u65E5\u672C");
        return true;
    });
    bed.Close("CancelButton");
    bed.Work();
    EXPECT_EQ(refusal,
              "Nothing was saved: Name Prefix cannot hold U+65E5 (the settings files keep Windows-1252 characters "
              "only).");
    EXPECT_TRUE(openUnderTheBox);
    bed.NothingWasWritten(before);
}

// What a user types in the window is held to the checks the status page's save makes: an IP
// box that holds no address is refused by its label and unit, and nothing is written.
TEST_F(SetupWindowByHand, ATypedAddressThatIsNoneIsRefusedAsThePageRefusesIt) {
    WorkedWindow bed(input, kShared);
    const std::string before = bed.Mark();
    std::string refusal;
    bed.Type("aIP_0", "a  b");
    bed.RefusedAndCancelled(refusal, "refused-address.png");
    EXPECT_EQ(refusal.rfind("Nothing was saved: IP of unit 1 (Kitchen) cannot hold 'a  b' (an IPv4 address", 0), 0u)
        << refusal;
    bed.NothingWasWritten(before);
}

TEST_F(SetupWindow, TheWindowAndTheStatusPageEditTheSameSettings) {
    WindowBed bed;
    bed.Open([&](forms::Form& form) {
        ft::Type(form, "aStyleSheet", "dark.css");
        WindowBed::Update(form);
    });
    EXPECT_EQ(FieldValue(bed.Get(), "StyleSheet"), "dark.css");
    bed.page(StatusBed::Post(bed.Get(), "Save", {{"StyleSheet", "light.css"}}));
    bed.Open([&](forms::Form& form) {
        EXPECT_EQ(ft::Text(form, "aStyleSheet"), "light.css");
        WindowBed::Cancel(form);
    });
}

// While the dialog is up the loop goes on: a posted task runs, and so does a status page save
// that reaches the open dialog, stores every control and closes it.
TEST_F(SetupWindow, TheLoopRunsWhileTheDialogIsUp) {
    WindowBed bed;
    bool ran = false;
    bed.Open(
        [&](forms::Form& form) {
            bed.loop.post([&] { ran = true; });
            ft::Type(form, "aFontColor", "red");
            // The page's save is served while the window is up, and leaves the window and its edits
            // to their user, who closes it.
            ft::Later([&] {
                bed.page(StatusBed::Post(bed.Get(), "Save", {{"ServerPort", "8095"}}));
                EXPECT_TRUE(form.OnScreen());
                ft::Later([&form] { ft::Click(form, "CancelButton"); });
            });
            ft::RunModal(form);
            EXPECT_FALSE(form.OnScreen());
        },
        "ConfigIR");
    EXPECT_TRUE(ran);
    EXPECT_EQ(bed.Setting("Zephra Utilities", "ServerPort"), "\"8095\"");
    EXPECT_EQ(bed.state.settings.ServerPort, "8095");
}

TEST_F(SetupWindow, EveryConfigurationCallAndTheMenuOpenTheWindow) {
    WindowBed bed;
    bed.Call("RegisterCallback", {vb::Variant(vb::ObjectRef(bed.host->callback()))});
    for (const char* call : {"ConfigIO", "ConfigX10", "ConfigIR"}) {
        bed.Open(
            [&](forms::Form& form) {
                EXPECT_NE(form.Window(), nullptr);
                WindowBed::Cancel(form);
            },
            call);
        EXPECT_EQ(bed.modalForms, Strings{"Zephra Setup"}) << call;
    }
    forms::ScriptedUser user;
    user.onModal(ZephraSetup::kCaption, [](forms::Form& form) { EXPECT_TRUE(form.OnScreen()); });
    bed.Call("SelectMenu", {"GUI Setup"});
    EXPECT_EQ(user.modalForms(), Strings{"Zephra Setup"});
}

// --- Edits that meet another editor's, and addresses that name one entry ---------------------

// Three units, Den's name with blanks and a character beyond ASCII around it.
const std::string kThreeUnits = IniText({
    "[Zephra Utilities]",
    "ServerPort=\"8081\"",
    "HomeseerIP=\"127.0.0.1\"",
    "ResizeQuestion=1",
    "[Zephra Names]",
    "127.0.0.2/kitchen=\"Kitchen,Q1,A3,A4,0,1,\"",
    "127.0.0.3=\"Dupe,Q11,,,0,0,\"",
    "127.0.0.4=\"  Den \xE9  ,Q21,,,0,0,\"",
});

// The page blanks the first unit while the window is open, so that every later entry moves up a
// row when the file is read again: the Motion typed into Dupe's row goes to Dupe, not to the unit
// that now stands in that row.
TEST_F(SetupWindowByHand, AUnitsEditGoesToItsEntryWhenAnotherEditorMovedTheRows) {
    WorkedWindow bed(input, kThreeUnits);
    std::string others;
    bed.OnceShown("aMotion_1", [&] {
        bed.page(StatusBed::Post(bed.Get(), "Save", {{"Location0", ""}}));
        others = bed.Ini();
    });
    bed.Type("aMotion_1", "M7");
    bed.Close("OKButton");
    bed.Work();

    ASSERT_EQ(bed.Setting("Zephra Names", "127.0.0.2/kitchen"), "\",,\"") << others;
    EXPECT_EQ(Removed(others, bed.Ini()), Strings{"127.0.0.3=\"Dupe,Q11,,,0,0,\"\r"});
    EXPECT_EQ(Added(others, bed.Ini()), Strings{"127.0.0.3=\"Dupe,Q11,,M7,0,0,\"\r"});
    EXPECT_EQ(bed.Setting("Zephra Names", "127.0.0.4"), "\"  Den \xE9  ,Q21,,,0,0,\"");
}

// The page blanks Kitchen while the window is open and the window's user then edits Kitchen: the
// edit has no entry to go to, so it is refused by the unit's name, and nothing is written. A
// removal of the same unit asks for nothing more and saves the window's other edits.
TEST_F(SetupWindowByHand, AnEditOfAUnitOthersRemovedMeanwhileIsRefusedByItsName) {
    WorkedWindow bed(input, kThreeUnits);
    std::string others, refusal;
    bed.OnceShown("aMotion_0", [&] {
        bed.page(StatusBed::Post(bed.Get(), "Save", {{"Location0", ""}}));
        others = bed.Ini();
    });
    bed.Type("aMotion_0", "M9");
    bed.UpdateRefused(refusal, "refused-unit-gone.png");
    bed.UntilTheBoxIsGone();
    // The user clears the unit's name, which the page removed, and types into Dupe's row.
    bed.Type("aName_0", "");
    bed.Type("aPower_1", "P5");
    bed.Close("OKButton");
    bed.Work();
    EXPECT_EQ(refusal,
              "Nothing was saved: unit 1 (Kitchen) was removed or given another address since the window opened (its "
              "entry 127.0.0.2/kitchen is no longer in the settings); press Cancel and open the window again to see "
              "the units as they are now.");
    EXPECT_EQ(Removed(others, bed.Ini()), Strings{"127.0.0.3=\"Dupe,Q11,,,0,0,\"\r"});
    EXPECT_EQ(Added(others, bed.Ini()), Strings{"127.0.0.3=\"Dupe,Q11,P5,,0,0,\"\r"});
}

// Six units, the seventh row empty; the six have device codes of another house, so that the
// plug-in's own codes are free for the two added below.
const std::string kSixUnits = IniText({
    "[Zephra Utilities]",
    "ServerPort=\"8081\"",
    "HomeseerIP=\"127.0.0.1\"",
    "ResizeQuestion=1",
    "[Zephra Names]",
    "127.0.0.2=\"One,R1,,,0,0,\"",
    "127.0.0.3=\"Two,R11,,,0,0,\"",
    "127.0.0.4=\"Three,R21,,,0,0,\"",
    "127.0.0.5=\"Four,R31,,,0,0,\"",
    "127.0.0.6=\"Five,R41,,,0,0,\"",
    "127.0.0.7=\"Six,R51,,,0,0,\"",
});

std::string LineOf(const std::string& ini, const std::string& start) {
    for (const std::string& line : Lines(ini))
        if (line.rfind(start, 0) == 0) return line;
    return {};
}

// The page adds an appliance in the seventh row while the window is open; the window's user
// types another into the seventh row as the window shows it: both are kept, each with its own
// device code.
TEST_F(SetupWindowByHand, AUnitAddedInTheWindowTakesAFreeRowWhenThePageFilledItsOwn) {
    WorkedWindow bed(input, kSixUnits);
    std::string others, newp;
    bed.OnceShown("aName_6", [&] {
        bed.page(StatusBed::Post(bed.Get(), "Save", {{"Location6", "Newp"}, {"IP6", "127.0.0.11"}}));
        others = bed.Ini();
        newp = LineOf(others, "127.0.0.11=");
    });
    bed.Type("aName_6", "Wnew");
    bed.Type("aIP_6", "127.0.0.12");
    bed.Close("OKButton");
    bed.Work();

    // Newp got a code of the plug-in's house when the page saved it, and keeps it.
    ASSERT_EQ(newp.rfind("127.0.0.11=\"Newp,~1", 0), 0u) << others;
    EXPECT_EQ(LineOf(bed.Ini(), "127.0.0.11="), newp);
    EXPECT_TRUE(Removed(others, bed.Ini()).empty()) << bed.Ini();
    const Strings added = Added(others, bed.Ini());
    ASSERT_EQ(added.size(), 1u) << bed.Ini();
    EXPECT_EQ(added[0].rfind("127.0.0.12=\"Wnew,~1", 0), 0u) << added[0];
    EXPECT_NE(added[0].substr(added[0].find(',')), newp.substr(newp.find(',')));
    EXPECT_EQ(bed.state.appliances.Last(), 7);
}

// A new row typed with the address of a unit already there would overwrite that unit's entry:
// refused in a box with the page's words, nothing written.
TEST_F(SetupWindowByHand, ANewRowWithTheAddressOfAnotherUnitIsRefused) {
    WorkedWindow bed(input, kShared);
    const std::string before = bed.Mark();
    std::string refusal;
    bed.Type("aName_2", "Dupe");
    bed.Type("aIP_2", "127.0.0.3");
    bed.RefusedAndCancelled(refusal, "refused-same-address.png");
    EXPECT_EQ(refusal, "Nothing was saved: IP of unit 3 (Dupe) holds the address of unit 2 (Hall).");
    bed.NothingWasWritten(before);
}

// A unit whose computer is named by its own IP is one entry, under the IP, as the appliance list
// writes it back; a second reading of the settings keeps its device code and its devices.
TEST_F(SetupWindowByHand, AUnitNamedByItsOwnIpIsOneEntryWhoseCodeStays) {
    WorkedWindow bed(input, kShared);
    const std::string before = bed.Ini();
    bed.Type("aName_2", "Den");
    bed.Type("aIP_2", "127.0.0.5/127.0.0.5");
    bed.Close("OKButton");
    bed.Work();

    EXPECT_TRUE(Removed(before, bed.Ini()).empty()) << bed.Ini();
    const Strings added = Added(before, bed.Ini());
    ASSERT_EQ(added.size(), 1u) << bed.Ini();
    EXPECT_EQ(added[0].rfind("127.0.0.5=\"Den,~1", 0), 0u) << added[0];
    const std::string stored = bed.Ini();
    bed.host->ClearCalls();
    InitZephraUtilities(bed.state);
    EXPECT_EQ(bed.Ini(), stored);
    EXPECT_FALSE(bed.LogHas("Removing virtual device")) << bed.Ini();
}

// Four units with device codes of the plug-in's house, the fifth row on empty.
const std::string kFourUnits = IniText({
    "[Zephra Utilities]",
    "ServerPort=\"8081\"",
    "HomeseerIP=\"127.0.0.1\"",
    "ResizeQuestion=1",
    "[Zephra Names]",
    "127.0.0.2=\"Kitchen,~111,,,0,0,\"",
    "127.0.0.5=\"Hall,~141,,,0,0,\"",
    "127.0.0.3=\"Dupe,~121,,,0,0,\"",
    "127.0.0.4=\"Den,~131,,,0,0,\"",
});

// A device code another unit holds, an address another unit holds behind a computer name, and
// an address another editor stored meanwhile in the row the user typed in: each refused in a
// box that names the row the user typed in, nothing written.
TEST_F(SetupWindowByHand, ACodeOrAnAddressAnotherUnitHoldsIsRefusedByTheRowTypedIn) {
    WorkedWindow bed(input, kFourUnits);
    std::string before = bed.Mark();
    std::string refusal;
    bed.Type("aDC_3", "[11");
    bed.RefusedAndCancelled(refusal, "refused-same-code.png");
    EXPECT_EQ(refusal,
              "Nothing was saved: Device Code of unit 4 (Den) shares device codes with unit 1 (Kitchen) ([11 to [20).");
    bed.NothingWasWritten(before);

    bed.Type("aDC_3", "[15");
    bed.RefusedAndCancelled(refusal, "refused-overlapping-code.png");
    EXPECT_EQ(refusal,
              "Nothing was saved: Device Code of unit 4 (Den) shares device codes with unit 1 (Kitchen) ([11 to [20).");
    bed.NothingWasWritten(before);

    bed.Type("aName_4", "Dupe2");
    bed.Type("aIP_4", "127.0.0.4/denpc");
    bed.RefusedAndCancelled(refusal, "refused-same-ip-other-computer.png");
    EXPECT_EQ(refusal, "Nothing was saved: IP of unit 5 (Dupe2) holds the address of unit 4 (Den).");
    bed.NothingWasWritten(before);

    // The page adds NA in the fifth row while the window is open; the window's user types NW
    // with NA's address into the fifth row as the window shows it.
    bed.OnceShown("aName_4", [&] {
        bed.page(StatusBed::Post(bed.Get(), "Save", {{"Location4", "NA"}, {"IP4", "127.0.0.20"}}));
        before = bed.Mark();
    });
    bed.Type("aName_4", "NW");
    bed.Type("aIP_4", "127.0.0.20");
    bed.RefusedAndCancelled(refusal, "refused-address-stored-meanwhile.png");
    EXPECT_EQ(refusal,
              "Nothing was saved: IP of unit 5 (NW) holds the address of unit 5 (NA), stored by another editor "
              "meanwhile.");
    bed.NothingWasWritten(before);
}

// Hall's row cleared and Hall typed again in the sixth row, under its own address: the same
// entry, so it keeps its device code and its devices.
TEST_F(SetupWindowByHand, AUnitTypedInAnotherRowKeepsItsDeviceCode) {
    WorkedWindow bed(input, kFourUnits);
    const std::string before = bed.Mark();
    bed.Type("aName_1", "");
    bed.Type("aIP_1", "");
    bed.Type("aName_5", "Hall");
    bed.Type("aIP_5", "127.0.0.5");
    bed.Type("aMotion_5", "M5");
    bed.Close("OKButton");
    bed.Work();

    EXPECT_EQ(Removed(before, bed.Ini()), Strings{"127.0.0.5=\"Hall,~141,,,0,0,\"\r"}) << bed.Ini();
    EXPECT_EQ(Added(before, bed.Ini()), Strings{"127.0.0.5=\"Hall,~141,,M5,0,0,\"\r"}) << bed.Ini();
    EXPECT_FALSE(bed.LogHas("Removing virtual device")) << bed.Ini();
}

// The page removes Dupe and then adds Zed at Dupe's address while the window is open; the
// window's user types into Dupe's row: Zed is another appliance (a code of its own), so the edit
// is refused by Dupe's name and Zed's entry stays as the page stored it.
TEST_F(SetupWindowByHand, AnEditOfARemovedUnitDoesNotLandOnOneAddedAtItsAddress) {
    WorkedWindow bed(input, kFourUnits);
    std::string others, refusal;
    bed.OnceShown("aPower_2", [&] {
        bed.page(StatusBed::Post(bed.Get(), "Save", {{"Location2", ""}}));
        bed.page(StatusBed::Post(bed.Get(), "Save", {{"Location3", "Zed"}, {"IP3", "127.0.0.3"}}));
        others = bed.Mark();
    });
    bed.Type("aPower_2", "W1");
    bed.RefusedAndCancelled(refusal, "refused-unit-replaced.png");
    EXPECT_EQ(refusal,
              "Nothing was saved: unit 3 (Dupe) was removed or given another address since the window opened (its "
              "entry 127.0.0.3 holds another appliance now); press Cancel and open the window again to see the "
              "units as they are now.");
    EXPECT_EQ(LineOf(others, "127.0.0.3=").rfind("127.0.0.3=\"Zed,~1", 0), 0u) << others;
    EXPECT_EQ(LineOf(others, "127.0.0.3=").find(",~121,"), std::string::npos) << others;
    bed.NothingWasWritten(others);
}

// The server's address typed with a blank after it is stored without; one that is no address is
// refused by its label.
TEST_F(SetupWindowByHand, TheServerAddressIsStoredWithoutBlanksAndRefusedWhenItIsNone) {
    WorkedWindow bed(input, kShared);
    const std::string before = bed.Ini();
    std::string refusal;
    bed.ClickTab(1);  // "Definitions"
    bed.Type("aHSIP", "127.0.0.1 x");
    bed.RefusedAndCancelled(refusal, "refused-server-ip.png");
    EXPECT_EQ(refusal,
              "Nothing was saved: Server IP cannot hold '127.0.0.1 x' (an IPv4 address or a host name, without a "
              "port).");
    EXPECT_EQ(bed.Ini(), before);

    bed.ClickTab(1);
    bed.Type("aHSIP", "127.0.0.9 ");
    bed.Close("OKButton");
    bed.Work();
    EXPECT_EQ(Removed(before, bed.Ini()), Strings{"HomeseerIP=\"127.0.0.1\"\r"});
    EXPECT_EQ(Added(before, bed.Ini()), Strings{"HomeseerIP=\"127.0.0.9\"\r"});
    EXPECT_EQ(bed.state.settings.HomeseerIP, "127.0.0.9");
}

}  // namespace
}  // namespace zephra::testing
