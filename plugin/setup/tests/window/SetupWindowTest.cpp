// The setup dialog on screen (a virtual display): opened from the host's calls, each page's
// captions and loaded values, edits typed and ticked in the widgets and stored by "Update",
// "Cancel" storing nothing, and the window and the status page editing the same settings. A
// picture of every page is kept in the build tree.

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/SettingsReader.h"
#include "forms/FormsTest.h"
#include "automation/CallByName.h"
#include "forms/User.h"
#include "core/Zephra.h"
#include "host/reva.h"
#include "host/tests/RevaTestBed.h"
#include "web/tests/StatusBed.h"

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
    WindowBed() : StatusBed(kSettings) {
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
        ft::Later([&form] { ft::Click(form, "CancelButton"); });
        ft::RunModal(form);
        EXPECT_FALSE(form.OnScreen());
    });
    EXPECT_EQ(bed.modalForms, Strings{"Zephra Setup"});
}

TEST_F(SetupWindow, UpdateStoresExactlyWhatWasTypedTickedAndPicked) {
    WindowBed bed;
    bed.Open(WindowBed::Update);  // the first save writes every key in the writer's form
    const std::string before = bed.Ini();
    bed.host->ClearCalls();
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
    const std::string before = bed.Ini();
    bed.host->ClearCalls();
    bed.Open([&](forms::Form& form) {
        ft::Type(form, "aServerPort", "9999");
        ft::Toggle(form, "Check1_5");
        ft::Toggle(form, "Option3_2");
        ft::Later([&form] { ft::Click(form, "CancelButton"); });
        ft::RunModal(form);
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

TEST_F(SetupWindow, AnUnchangedUpdateWritesWhatAnUnchangedStatusPageSaveWrites) {
    WindowBed window;
    window.Open(WindowBed::Update);
    WindowBed page;
    page.page(StatusBed::Post(page.Get(), "Save"));
    // The page also keeps its own view settings, in a section of their own.
    const std::string pageSetup = page.Ini().substr(0, page.Ini().find("[STATUS]\r\n"));
    EXPECT_EQ(window.Ini(), pageSetup);
    EXPECT_NE(window.Ini(), kSettings);
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
        ft::Later([&form] { ft::Click(form, "CancelButton"); });
        ft::RunModal(form);
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
                ft::Later([&form] { ft::Click(form, "CancelButton"); });
                ft::RunModal(form);
            },
            call);
        EXPECT_EQ(bed.modalForms, Strings{"Zephra Setup"}) << call;
    }
    forms::ScriptedUser user;
    user.onModal(ZephraSetup::kCaption, [](forms::Form& form) { EXPECT_TRUE(form.OnScreen()); });
    bed.Call("SelectMenu", {"GUI Setup"});
    EXPECT_EQ(user.modalForms(), Strings{"Zephra Setup"});
}

}  // namespace
}  // namespace zephra::testing
