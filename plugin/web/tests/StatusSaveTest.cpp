// Saves of the status page against what the settings files hold when they happen: fresh reads,
// no stale write-back, a refused save that keeps the user's edits, the messages-of-interest rows
// in the form they are stored, and the values a save must refuse or keep.

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "setup/ZephraSetup.h"
#include "web/StatusPage.h"
#include "web/StatusPageState.h"
#include "web/tests/StatusBed.h"

namespace zephra::testing {
namespace {

const std::string kNames = "[Zephra Names]\r\n192.168.9.5=\"Kit'chen,Q11,A3,A4\"\r\n10.0.0.2/den=\"Den,Q1,,\"\r\n";
constexpr const char* kMain = "Zephra Utilities";

std::string ValueOf(const std::string& page, const std::string& name) {
    for (const Field& f : Inputs(page))
        if (f.name == name) return f.value;
    return "<none>";
}

TEST(StatusSave, ThePageShowsTheFilesAndASaveKeepsWhatChangedSinceItWasDrawn) {
    StatusBed bed(kNames + "[Zephra Utilities]\r\nPushDelay=\"5\"\r\nSleepMonitorInterval=0\r\n");
    bed.Get();
    // A script stores a value: the next page shows it.
    bed.host->SaveIniSetting(kMain, "PushDelay", "\"7\"", SetupBed::kFile);
    const std::string page = bed.Get();
    EXPECT_EQ(ValueOf(page, "PushDelay"), "7");
    // Saving only another field writes no stale copy back.
    bed.host->SaveIniSetting(kMain, "PushDelay", "\"9\"", SetupBed::kFile);
    bed.page(StatusBed::Post(page, "Save", {{"SleepInterval", "3"}}));
    EXPECT_EQ(bed.Setting(kMain, "PushDelay"), "\"9\"");
    EXPECT_EQ(bed.Setting(kMain, "SleepMonitorInterval"), "3");

    // A script's change between drawing and saving is never undone, whatever else is saved.
    std::mt19937 random(44);
    int kept = 0;
    for (int round = 0; round < 100; ++round) {
        const std::string drawn = bed.Get();
        const std::string color = "#" + std::to_string(100000 + random() % 800000);
        bed.host->SaveIniSetting(kMain, "FontColor", "\"" + color + "\"", SetupBed::kFile);
        bed.page(StatusBed::Post(drawn, "Save", {{"LEDMotionTime", std::to_string(round)}}));
        if (bed.Setting(kMain, "FontColor") == "\"" + color + "\"") ++kept;
        EXPECT_EQ(bed.Setting(kMain, "LEDMotionTime"), std::to_string(round));
    }
    EXPECT_EQ(kept, 100);
    // A field the user did change is stored over the script's value.
    const std::string drawn = bed.Get();
    bed.host->SaveIniSetting(kMain, "FontColor", "\"red\"", SetupBed::kFile);
    bed.page(StatusBed::Post(drawn, "Save", {{"FontColor", "blue"}}));
    EXPECT_EQ(bed.Setting(kMain, "FontColor"), "\"blue\"");
}

// The changes of the settings file a page's post made: a batch is one (written in one rename by
// the real host), a single key or cleared section one each. The settings reading after a save
// stores the house code on its own, as every reading does; that is not the save's.
int FileChanges(StatusBed& bed) {
    int changes = 0;
    int inBatch = 0;
    for (const auto& call : bed.host->Calls()) {
        if (call.member == "SaveIniSettings") {
            ++changes;
            inBatch = std::stoi(call.args[1]);
        } else if (call.member == "SaveIniSetting" || call.member == "ClearINISection") {
            if (inBatch == 0 && call.args[1] == "HouseCode") continue;
            if (inBatch > 0) --inBatch;
            else ++changes;
        }
    }
    return changes;
}

TEST(StatusSave, ASaveIsOneChangeOfTheSettingsFile) {
    StatusBed bed(kNames + "[Received]\r\nacme.a~T.R=Tag_A;1\r\nacme.b~T.S=Tag_B;\r\n");
    bed.state.hostInterface.FilterDictionary->Add(vb::Variant("acme.a~T.R"), vb::Variant("Tag_A;1"));
    bed.state.hostInterface.FilterDictionary->Add(vb::Variant("acme.b~T.S"), vb::Variant("Tag_B;"));
    bed.state.hostInterface.ShowReceiveDetail = true;
    // The setup sections, the display options and the rows together.
    std::string page = bed.Get();
    bed.host->ClearCalls();
    bed.page(StatusBed::Post(page, "Save", {{"PushDelay", "6"}, {"Source0", "acme.c"}, {"Class0", "T.U"}},
                             {"ShowReceiveDetail"}));
    EXPECT_EQ(FileChanges(bed), 1);
    EXPECT_EQ(bed.Setting(kMain, "PushDelay"), "\"6\"");
    EXPECT_EQ(bed.Setting("Received", "acme.c~T.U"), ";");
    EXPECT_EQ(bed.Setting("Received", "acme.a~T.R"), "Tag_A;1");
    // Only the display option the user changed is written.
    EXPECT_EQ(bed.Setting("STATUS", "ShowReceiveDetail"), "False");
    EXPECT_EQ(bed.Setting("STATUS", "ShowControl"), "<absent>");
    // Without the setup sections, and a sort.
    bed.state.hostInterface.ShowSetup = false;
    page = bed.Get();
    bed.host->ClearCalls();
    // The new row came first: the rows are now acme.c, acme.a, acme.b.
    bed.page(StatusBed::Post(page, "Save", {{"FilterTag2", "New A"}}));
    EXPECT_EQ(FileChanges(bed), 1);
    EXPECT_EQ(bed.Setting("Received", "acme.a~T.R"), "New_A;1");
    bed.host->ClearCalls();
    bed.page("clientinput=yes&clientvalue=yes&Name=Name");
    EXPECT_EQ(FileChanges(bed), 1);
}

TEST(StatusSave, TheSetupWindowAndThePageKeepTheirOwnEdits) {
    StatusBed bed(kNames + "[Zephra Utilities]\r\nPushDelay=\"5\"\r\n");
    ZephraSetup& window = bed.Dialog();
    window.Load();
    window.aPushDelay.Text("42");  // typed, not confirmed
    const std::string page = bed.Get();
    EXPECT_EQ(ValueOf(page, "PushDelay"), "5");
    bed.page(StatusBed::Post(page, "Save", {{"SleepInterval", "4"}}));
    EXPECT_EQ(bed.Setting(kMain, "PushDelay"), "\"5\"");
    EXPECT_EQ(bed.Setting(kMain, "SleepMonitorInterval"), "4");
    EXPECT_TRUE(window.Loaded());
    EXPECT_EQ(window.aPushDelay.Text(), "42");
    // The page's own edits stay out of the window.
    EXPECT_EQ(window.aSleepInterval.Text(), "0");
}

TEST(StatusSave, ARefusedSaveShowsWhatWasPostedWithTheMessageBesideTheField) {
    StatusBed bed(kNames);
    const std::string page = bed.Get();
    const std::map<std::string, std::string> edits = {
        {"PushDelay", "8"},        {"SleepInterval", "2"},     {"FontColor", "green"},    {"UDPDelay", "30"},
        {"CommandRetries", "4"},   {"StyleSheet", "a.css"},    {"Background", "#eee"},    {"PowerCycleTime", "9"},
        {"DefaultPushPage", "/x"}, {"PowerUpTime", "12"},      {"LEDMotionTime", "15"},   {"Links", "l.htm"},
        {"TextStyle", "bold"},     {"TextFontSize", "14"},     {"Location0", "Hall way"}, {"CIDNamePrefix", "N:"},
        {"CIDNumberPrefix", "P:"}, {"WindowsShare", "\\\\srv"}};
    ASSERT_EQ(edits.size(), 18u);
    std::map<std::string, std::string> posted = edits;
    posted["ImagePath"] = "C:\\pic\"s";
    const std::string before = bed.Ini();
    const std::string answer = bed.page(StatusBed::Post(page, "Save", posted, {"ShowControl"}));
    // The display options too are shown as posted.
    for (const Field& f : Inputs(answer)) {
        if (f.name == "ShowControl") {
            EXPECT_FALSE(f.checked);
        }
        if (f.name == "ShowSetup") {
            EXPECT_TRUE(f.checked);
        }
    }
    EXPECT_TRUE(bed.state.hostInterface.ShowControl);
    EXPECT_EQ(bed.Ini(), before);
    for (const auto& [field, value] : posted) EXPECT_EQ(ValueOf(answer, field), value) << field;
    const std::string message = "Nothing was saved: Folder Path to Slideshow Files cannot hold &#39;&quot;&#39;.";
    const std::size_t input = answer.find("name='ImagePath'");
    ASSERT_NE(input, std::string::npos);
    EXPECT_EQ(answer.find("<b class='saveproblem'>" + message + "</b>", input), answer.find('>', input) + 1)
        << "the message follows the field";
    // Put right and saved again: every edit is stored.
    bed.page(StatusBed::Post(answer, "Save", {{"ImagePath", "C:\\pics"}}));
    EXPECT_EQ(bed.Setting(kMain, "ImagePath"), "C:\\pics");
    EXPECT_EQ(bed.Setting(kMain, "PushDelay"), "\"8\"");
    EXPECT_EQ(bed.Setting(kMain, "WindowsShare"), "\\\\srv");
    EXPECT_NE(bed.Setting("Zephra Names", "192.168.9.5").find("Hall way"), std::string::npos);
    // The next page shows what is stored, without the message.
    const std::string next = bed.Get();
    EXPECT_EQ(next.find("saveproblem"), std::string::npos);
    EXPECT_EQ(ValueOf(next, "FontColor"), "green");
}

TEST(StatusSave, FilterRowsAreStoredAsTheyReadBack) {
    StatusBed bed(kNames + "[Received]\r\nacme.a~T.R=Tag_A;1\r\nacme.b~T.S=Tag_B;\r\n");
    bed.state.hostInterface.FilterDictionary->Add(vb::Variant("acme.a~T.R"), vb::Variant("Tag_A;1"));
    bed.state.hostInterface.FilterDictionary->Add(vb::Variant("acme.b~T.S"), vb::Variant("Tag_B;"));
    struct Case {
        const char* field;
        const char* value;
        const char* shown;  // the refusal as the page writes it
    };
    // Each named as the page shows it, and held to what every other text of the page is held to.
    for (const Case& c : {Case{"FilterTag0", "Lamp;Hall", "Tag of the new xAP message cannot hold &#39;;&#39;."},
                          Case{"Source0", "acme~lamp", "Source of the new xAP message cannot hold &#39;~&#39;."},
                          Case{"Class0", "xAPBSC~event", "Class of the new xAP message cannot hold &#39;~&#39;."},
                          Case{"FilterTag1", "a;b", "Tag of xAP message 1 cannot hold &#39;;&#39;."},
                          Case{"FilterTag2", "Tab\there", "Tag of xAP message 2 cannot hold TAB."},
                          Case{"Class1", "T.\nR", "Class of xAP message 1 cannot hold LF."}}) {
        SCOPED_TRACE(c.field);
        const std::string page = bed.Get();
        const std::string before = bed.Ini();
        std::map<std::string, std::string> fields = {
            {"Source0", "acme.lamp"}, {"Class0", "xAPBSC.event"}, {"FilterTag0", "Lamp"}};
        fields[c.field] = c.value;
        const std::string answer = bed.page(StatusBed::Post(page, "Save", fields));
        EXPECT_NE(answer.find(std::string("Nothing was saved: ") + c.shown), std::string::npos);
        EXPECT_EQ(bed.Ini(), before);
        // The rows are shown as posted.
        EXPECT_EQ(ValueOf(answer, c.field), c.value);
        EXPECT_EQ(ValueOf(answer, "Source0"), fields["Source0"]);
    }
    // Clearing an existing row's tag clears it; a row whose tag the post lacks keeps it.
    const std::string page = bed.Get();
    std::string body = StatusBed::Post(page, "Save", {{"FilterTag1", ""}});
    const std::size_t at = body.find("&FilterTag2=");
    ASSERT_NE(at, std::string::npos);
    body.erase(at, body.find('&', at + 1) - at);
    bed.page(body);
    EXPECT_EQ(bed.Setting("Received", "acme.a~T.R"), ";1");
    EXPECT_EQ(bed.Setting("Received", "acme.b~T.S"), "Tag_B;");
    EXPECT_EQ(vb::CStr(bed.state.hostInterface.FilterDictionary->Item(vb::Variant("acme.a~T.R"))), ";1");
}

TEST(StatusSave, APostKeepsWhatItDoesNotCarryAndRefusesWhatCouldNotBeRead) {
    const std::vector<std::string> voices = InstalledVoices();
    ASSERT_GE(voices.size(), 2u);
    StatusBed bed(kNames + "[T2W]\r\nT2WVoice=\"" + voices.front() + "\"\r\n");
    // No voice field in the post: the stored voice stays, also one a script stored meanwhile.
    std::string page = bed.Get();
    EXPECT_EQ(ValueOf(page, "VoiceCB"), voices.front());
    std::string body = StatusBed::Post(page, "Save", {{"FontColor", "teal"}});
    const std::size_t at = body.find("&VoiceCB=");
    ASSERT_NE(at, std::string::npos);
    body.erase(at, body.find('&', at + 1) - at);
    bed.host->SaveIniSetting("T2W", "T2WVoice", "\"" + voices.back() + "\"", SetupBed::kFile);
    bed.page(body);
    EXPECT_EQ(bed.Setting(kMain, "FontColor"), "\"teal\"");
    EXPECT_EQ(bed.Setting("T2W", "T2WVoice"), "\"" + voices.back() + "\"");

    // Two units at one address: refused, nothing stored, the second unit's address named.
    page = bed.Get();
    std::string before = bed.Ini();
    std::string answer = bed.page(StatusBed::Post(page, "Save", {{"IP1", "192.168.9.5"}, {"FontColor", "x"}}));
    EXPECT_NE(answer.find("Nothing was saved: IP of unit 2 (Den) holds the address of unit 1 (Kit&#39;chen)."),
              std::string::npos)
        << answer;
    EXPECT_EQ(bed.Ini(), before);
    page = bed.Get();
    answer = bed.page(StatusBed::Post(page, "Save", {{"IP1", " 192.168.9.5 "}}));
    EXPECT_EQ(bed.Ini(), before);

    // A sort key the file could not give back is not stored.
    bed.page("clientinput=yes&clientvalue=yes&Status=a%22b");
    EXPECT_EQ(bed.Setting("STATUS", "StatusSortKey"), "<absent>");
    bed.page("clientinput=yes&clientvalue=yes&Name=Name");
    EXPECT_EQ(bed.Setting("STATUS", "StatusSortKey"), "\"Name\"");

    // A server port that is no number would turn the page off at the next start.
    page = bed.Get();
    before = bed.Ini();
    answer = bed.page(StatusBed::Post(page, "Save", {{"ServerPort", "abc"}}));
    EXPECT_NE(answer.find("Nothing was saved: Server Port cannot hold &#39;abc&#39;"), std::string::npos);
    EXPECT_EQ(bed.Ini(), before);
    page = bed.Get();
    bed.page(StatusBed::Post(page, "Save", {{"ServerPort", "8082"}}));
    EXPECT_EQ(bed.Setting(kMain, "ServerPort"), "\"8082\"");
}

}  // namespace
}  // namespace zephra::testing
