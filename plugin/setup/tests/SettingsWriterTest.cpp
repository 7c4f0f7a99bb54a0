#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "automation/Class.h"
#include "automation/Registry.h"
#include "core/PluginState.h"
#include "forms/User.h"
#include "homeseer/Device.h"
#include "script/ImageResizeObject.h"
#include "script/ScriptControl.h"
#include "setup/tests/SetupTestBed.h"

using namespace zephra;
using namespace zephra::testing;

using Strings = std::vector<std::string>;

namespace {

// Every key the dialog shows, in its written form.
Strings FullSettings(const std::string& voice) {
    return {
        "[Zephra Utilities]",
        "SorvexCommandPort=\"1024\"",
        "UDPDelay=20",
        "CommandRetries=3",
        "UseZephraServer=\"0\"",
        "DebugLog=\"0\"",
        "ShowSlides=\"1\"",
        "TCPDebug=\"0\"",
        "TCPServerOption=\"1\"",
        "FontColor=\"white\"",
        "PushDelay=\"5\"",
        "HomeseerIP=\"127.0.0.1\"",
        "inMenu=\"1\"",
        "StatusOnly=\"0\"",
        "ServerPort=\"8085\"",
        "StyleSheet=\"zephra.css\"",
        "Background=\"#FFFFFF\"",
        "CIDSentry=1",
        "GenerateCIDEvent=0",
        "LogCID=1",
        "ZcidCIDResponse=0",
        "BrowserCIDResponse=1",
        "SoundCIDResponse=0",
        "CIDCommPort=\"\"",
        "CIDPortString=9600,n,8,1",
        "CIDModemInitString=AT#CID=1",
        "CIDNamePrefix=NAME =",
        "CIDNumberPrefix=NMBR =",
        "CIDEventGroup=Phone",
        "CIDLineNumber=\"2\"",
        "UseHSPPhoneBook=0",
        "UseFriends=1",
        "ExcludeHSPLocation=0",
        "FriendsLocation=C:\\Phone\\",
        "InsertModemCrLf=1",
        "jpg=1",
        "gif=1",
        "bmp=0",
        "TextForeground=Yellow",
        "TextBackground=Blue",
        "TextFontSize=7",
        "TextStyle=Arial",
        "MaxPixels=100000",
        "LEDMotionTime=30",
        "SleepMonitorInterval=5",
        "DontRandomize=0",
        "AwakenOnMotion=1",
        "IncludeHeaderLinks=1",
        "StartSlildeshow=0",
        "Wallpaper=0",
        "SlideshowNoMotionTime=10",
        "LinksFile=links_touchscreen.htm",
        "Links=links_touchscreen.htm",
        "ImagePath=",
        "ImageServer=",
        "SlideshowPath=",
        "SlideshowUpdateInterval=15",
        "PowerCycleTime=5",
        "PowerCycleInterval=3,15",
        "noResponseAction=1",
        "DefaultPushPage=start.htm",
        "PowerUpTime=75",
        "WindowsShare=",
        "Sounds=\"1,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1\"",
        "ResizeQuestion=1",
        "HouseCode=81",
        "SlideASP0=\"kitchen.asp,30\"",
        "SlideASP1=\"hall.asp,20\"",
        "SlideASP2=\",\"",
        "SlideASP3=\",\"",
        "SlideASP4=\",\"",
        "SlideASP5=\"g2.asp,5\"",
        "SlideASP6=\",\"",
        "SlideASP7=\",\"",
        "SlideASP8=\",\"",
        "SlideASP9=\",\"",
        "SlideASP10=\",\"",
        "SlideASP11=\",\"",
        "SlideASP12=\",\"",
        "SlideASP13=\",\"",
        "SlideASP14=\"last.asp,60\"",
        "ServerPathGroup0=\"/group1\"",
        "FolderPathGroup0=\"C:\\pics\\one\"",
        "ServerPathGroup1=\"\"",
        "FolderPathGroup1=\"\"",
        "ServerPathGroup2=\"/group3\"",
        "FolderPathGroup2=\"C:\\pics\\three\"",
        "",
        "[T2W]",
        "T2WVoice=\"" + voice + "\"",
        "",
        "[Zephra Names]",
        "127.0.0.2/kitchen=\"Kitchen,Q11,A3,A4,1,1,\"",
        "127.0.0.3=\"Hall,~121,,,0,0,xap.hall\"",
        "127.0.0.9=\",,\"",
    };
}

// Takes the place of the shell: records what it is asked to run.
class RecordingShell : public automation::Dispatch<RecordingShell> {
public:
    static constexpr std::string_view className = "IWshShell3";
    static void describe(automation::Members<RecordingShell>& m) { m.method<&RecordingShell::Run>("Run", 1); }
    int32_t Run(const std::string& command, const vb::Variant& style, const vb::Variant& wait) {
        Runs().push_back(command + "|" + vb::CStr(style) + "|" + vb::CStr(wait));
        return 0;
    }
    static Strings& Runs() {
        static Strings r;
        return r;
    }
};

}  // namespace

TEST(SettingsWriter, ARoundTripLeavesAFullSettingsFileUnchangedAndReloads) {
    const Strings voices = InstalledVoices();
    ASSERT_GE(voices.size(), 2u);
    SetupBed bed(IniText(FullSettings(voices[1])));
    InitZephraUtilities(bed.state);
    const std::string before = bed.Ini();
    bed.host->ClearCalls();

    bed.Dialog().OKButton.Click();
    EXPECT_EQ(bed.Ini(), before);
    EXPECT_FALSE(bed.Dialog().Loaded());
    EXPECT_TRUE(bed.LogHas("User Configuration Setup Initialization Complete"));  // the reload ran
    for (const std::string& line : bed.Log()) EXPECT_EQ(line.find("OK Button"), std::string::npos) << line;

    // Written in this order: the main keys, the voice, the sounds, the units, then the rows.
    const Strings saved = bed.Saved();
    ASSERT_EQ(saved.size(), 87u);
    EXPECT_EQ(saved[0], "Zephra Utilities|SorvexCommandPort|\"1024\"");
    EXPECT_EQ(saved[61], "Zephra Utilities|WindowsShare|");
    EXPECT_EQ(saved[62], "T2W|T2WVoice|\"" + voices[1] + "\"");
    EXPECT_EQ(saved[63], "Zephra Utilities|Sounds|\"1,0,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1\"");
    EXPECT_EQ(saved[64], "Zephra Names|127.0.0.2/kitchen|\"Kitchen,Q11,A3,A4,1,1,\"");
    EXPECT_EQ(saved[65], "Zephra Names|127.0.0.3|\"Hall,~121,,,0,0,xap.hall\"");
    EXPECT_EQ(saved[66], "Zephra Utilities|SlideASP0|\"kitchen.asp,30\"");
    EXPECT_EQ(saved[81], "Zephra Utilities|ServerPathGroup0|\"/group1\"");
    EXPECT_EQ(saved[86], "Zephra Utilities|FolderPathGroup2|\"C:\\pics\\three\"");

    // The host's caller-ID event for line 2 of group "Phone".
    ASSERT_EQ(bed.host->EventCount(), 1);
    EXPECT_EQ(bed.host->GetEvent(1)->phone_line(), 2);
    EXPECT_EQ(bed.host->GetEvent(1)->Group(), "Phone");

    // Saving again from a fresh load changes nothing either.
    bed.Dialog().SaveFromWebPage();
    EXPECT_EQ(bed.Ini(), before);
    EXPECT_EQ(bed.host->EventCount(), 1);
}

TEST(SettingsWriter, AChangeInEachControlReachesTheFileAndTheRunningPlugin) {
    const Strings voices = InstalledVoices();
    ASSERT_GE(voices.size(), 2u);
    SetupBed bed(IniText(FullSettings(voices[1])));
    InitZephraUtilities(bed.state);
    ZephraSetup& d = bed.Dialog();
    // The reader keeps a push page, a share and a slideshow folder only when they exist.
    bed.app.write("HTML/home.htm", "<html></html>");
    bed.app.write("HTML/slides/one.jpg", "not really a picture");
    const std::string share = bed.host->GetAppPath() + "\\HTML";

    // Every text box and check box gets a new value.
    const std::vector<std::tuple<forms::TextBox*, std::string, std::string>> texts = {
        {&d.aSorvexCommandPort, "2048", "SorvexCommandPort=\"2048\""},
        {&d.aUDPDelay, "40", "UDPDelay=40"},
        {&d.aCommandRetries, "4", "CommandRetries=4"},
        {&d.aFontColor, "red", "FontColor=\"red\""},
        {&d.aPushDelay, "7", "PushDelay=\"7\""},
        {&d.aHSIP, "127.0.0.9", "HomeseerIP=\"127.0.0.9\""},
        {&d.aServerPort, "8090", "ServerPort=\"8090\""},
        {&d.aStyleSheet, "other.css", "StyleSheet=\"other.css\""},
        {&d.aBackground, "#000000", "Background=\"#000000\""},
        {&d.aCIDCommPort, "", "CIDCommPort=\"\""},
        {&d.aCIDPortString, "2400,n,8,1", "CIDPortString=2400,n,8,1"},
        {&d.aCIDModemInitString, "AT+VCID=1", "CIDModemInitString=AT+VCID=1"},
        {&d.aCIDNamePrefix, "NAME:", "CIDNamePrefix=NAME:"},
        {&d.aCIDNumberPrefix, "NMBR:", "CIDNumberPrefix=NMBR:"},
        {&d.aCIDEventGroup, "Calls", "CIDEventGroup=Calls"},
        {&d.aLineNumber, "3", "CIDLineNumber=\"3\""},
        {&d.aFriendsLocation, "D:\\Book", "FriendsLocation=D:\\Book"},
        {&d.aTextForeground, "Green", "TextForeground=Green"},
        {&d.aTextBackground, "Black", "TextBackground=Black"},
        {&d.aTextFontSize, "5", "TextFontSize=5"},
        {&d.aTextStyle, "Verdana", "TextStyle=Verdana"},
        {&d.aMaxPixels, "50000", "MaxPixels=50000"},
        {&d.aLEDMotionTime, "60", "LEDMotionTime=60"},
        {&d.aSleepInterval, "10", "SleepMonitorInterval=10"},
        {&d.aSlideshowNoMotionTime, "20", "SlideshowNoMotionTime=20"},
        {&d.aLinksFile, "links.htm", "LinksFile=links.htm"},
        {&d.aLinks, "exit.htm", "Links=exit.htm"},
        {&d.aImagePath, "", "ImagePath="},
        {&d.aImageServer, "/img", "ImageServer=/img"},
        {&d.aSlideshowPath, "slides", "SlideshowPath=slides"},
        {&d.aUpdateInterval, "25", "SlideshowUpdateInterval=25"},
        {&d.aPowerCycleTime, "8", "PowerCycleTime=8"},
        {&d.aPowerCycleInterval, "4", "PowerCycleInterval=4"},
        {&d.aDefaultPushPage, "home.htm", "DefaultPushPage=home.htm"},
        {&d.aPowerUpTime, "90", "PowerUpTime=90"},
        {&d.aWindowsShare, share, "WindowsShare=" + share},
    };
    for (const auto& [box, value, line] : texts) box->Text(value);
    const std::vector<std::pair<forms::CheckBox*, std::string>> checks = {
        {&d.aUseZephraServer, "UseZephraServer=\"1\""},
        {&d.aDebugLog, "DebugLog=\"1\""},
        {&d.aShowSlides, "ShowSlides=\"0\""},
        {&d.aTCPDebug, "TCPDebug=\"1\""},
        {&d.aMenu, "inMenu=\"0\""},
        {&d.aStatusOnly, "StatusOnly=\"1\""},
        {&d.aCIDSentry, "CIDSentry=0"},
        {&d.aGenerateCIDEvent, "GenerateCIDEvent=1"},
        {&d.aLogCID, "LogCID=0"},
        {&d.aZcidCIDResponse, "ZcidCIDResponse=1"},
        {&d.aBrowserCIDResponse, "BrowserCIDResponse=0"},
        {&d.aSoundCIDResponse, "SoundCIDResponse=1"},
        {&d.aUseHSPPhoneBook, "UseHSPPhoneBook=1"},
        {&d.aUseFriends, "UseFriends=0"},
        {&d.aExcludeHSPLocation, "ExcludeHSPLocation=1"},
        {&d.aInsertModemCrLf, "InsertModemCrLf=0"},
        {&d.ajpg, "jpg=0"},
        {&d.agif, "gif=0"},
        {&d.abmp, "bmp=1"},
        {&d.aDontRandomize, "DontRandomize=1"},
        {&d.aAwakenOnMotion, "AwakenOnMotion=0"},
        {&d.aIncludeHeaderLinks, "IncludeHeaderLinks=0"},
        {&d.aStartSlildeshow, "StartSlildeshow=1"},
        {&d.aWallpaper, "Wallpaper=1"},
        {&d.anoResponseAction, "noResponseAction=0"}};
    for (const auto& [box, line] : checks) box->Value(1 - box->Value());
    d.aTCPServerOption(0).Value(true);
    d.aVoiceCB.ListIndex(0);
    d.Check1(0).Value(0);
    d.Check1(5).Value(1);
    d.aSlideASP(2).Text("new.asp");
    d.aDwell(2).Text("15");
    d.aServerPathGroup(1).Text("/group2");
    d.aFolderPathGroup(1).Text("C:\\pics\\two");
    d.aName(1).Text("Front Hall");
    d.aDoCID(1).Value(1);

    d.OKButton.Click();
    const std::string ini = bed.Ini();
    auto has = [&](const std::string& line) { return ini.find("\r\n" + line + "\r\n") != std::string::npos; };
    for (const auto& [box, value, line] : texts) EXPECT_TRUE(has(line)) << line;
    for (const auto& [box, line] : checks) EXPECT_TRUE(has(line)) << line;
    EXPECT_TRUE(has("TCPServerOption=\"0\""));
    EXPECT_TRUE(has("T2WVoice=\"" + voices[0] + "\""));
    EXPECT_TRUE(has("Sounds=\"0,0,1,0,0,1,0,0,0,0,0,0,0,0,0,0,0,0,1\""));
    EXPECT_TRUE(has("SlideASP2=\"new.asp,15\""));
    EXPECT_TRUE(has("ServerPathGroup1=\"/group2\""));
    EXPECT_TRUE(has("FolderPathGroup1=\"C:\\pics\\two\""));
    EXPECT_TRUE(has("127.0.0.3=\"Front Hall,~121,,,0,1,xap.hall\""));
    EXPECT_EQ(bed.host->EventCount(), 0);  // line 3: no host event

    // The running plug-in read the new values.
    const ZephraSettings& s = bed.state.settings;
    EXPECT_EQ(s.SorvexCommandPort, "2048");
    EXPECT_EQ(s.UDPDelay, 40);
    EXPECT_EQ(s.CommandRetries, 4);
    EXPECT_EQ(s.FontColor, "red");
    EXPECT_EQ(s.PushDelay, 7);
    EXPECT_EQ(s.HomeseerIP, "127.0.0.9");
    EXPECT_EQ(s.ServerPort, "8090");
    EXPECT_EQ(s.TCPServerOption, "0");
    EXPECT_EQ(s.StyleSheet, "other.css");
    EXPECT_EQ(s.Background, "#000000");
    EXPECT_TRUE(s.UseZephraServer);
    EXPECT_TRUE(s.DebugLog);
    EXPECT_FALSE(s.ShowSlides);
    EXPECT_TRUE(s.StatusOnly);
    EXPECT_FALSE(s.CIDSentry);
    EXPECT_TRUE(s.GenerateCIDEvent);
    EXPECT_FALSE(s.LogCID);
    EXPECT_TRUE(s.ZcidCIDResponse);
    EXPECT_FALSE(s.BrowserCIDResponse);
    EXPECT_TRUE(s.SoundCIDResponse);
    EXPECT_TRUE(s.useHSPPhoneBook);
    EXPECT_FALSE(s.useFriends);
    EXPECT_TRUE(s.ExcludeHSPLocation);
    EXPECT_FALSE(s.InsertModemCrLf);
    EXPECT_EQ(s.CIDPortString, "2400,n,8,1");
    EXPECT_EQ(s.CIDModemInitString, "AT+VCID=1");
    EXPECT_EQ(s.CIDNamePrefix, "NAME:");
    EXPECT_EQ(s.CIDNumberPrefix, "NMBR:");
    EXPECT_EQ(s.CIDEventGroup, "Calls");
    EXPECT_EQ(s.CIDLineNumber, 0);  // the host phone book is on but cannot be had: no phone line
    EXPECT_TRUE(bed.LogHas("Unable to Create hsp Object"));
    EXPECT_EQ(s.FriendsLocation, "D:\\Book\\");
    EXPECT_FALSE(s.jpg);
    EXPECT_FALSE(s.gif);
    EXPECT_TRUE(s.bmp);
    EXPECT_EQ(s.TextForeground, "Green");
    EXPECT_EQ(s.TextBackground, "Black");
    EXPECT_EQ(s.TextFontSize, "5");
    EXPECT_EQ(s.TextStyle, "Verdana");
    EXPECT_EQ(s.MaxPixels, 50000);
    EXPECT_EQ(s.LEDMotionTime, 60);
    EXPECT_EQ(s.SleepMonitorInterval, 10);
    EXPECT_TRUE(s.DontRandomize);
    EXPECT_FALSE(s.AwakenOnMotion);
    EXPECT_FALSE(s.IncludeHeaderLinks);
    EXPECT_TRUE(s.StartSlildeshow);
    EXPECT_TRUE(s.Wallpaper);
    EXPECT_EQ(s.SlideshowNoMotionTime, 20);
    EXPECT_EQ(s.LinksFile, "links.htm");
    EXPECT_EQ(s.Links, "exit.htm");
    EXPECT_EQ(s.ImageServer, "/img");
    EXPECT_EQ(s.SlideshowUpdateInterval, "25");
    EXPECT_EQ(s.PowerCycleTime, 8000);
    EXPECT_EQ(s.PowerCycleInterval, "4");
    EXPECT_FALSE(s.noResponseAction);
    EXPECT_EQ(s.DefaultPushPage, "home.htm");
    EXPECT_EQ(s.PowerUpTime, 90000);
    EXPECT_EQ(s.WindowsShare, share);
    EXPECT_EQ(s.SlideshowPath, "slides");
    EXPECT_EQ(s.T2WVoice, voices[0]);
    EXPECT_FALSE(s.SoundEnabled[0]);
    EXPECT_TRUE(s.SoundEnabled[5]);
    EXPECT_EQ(s.SlideRowPath[1][2], "new.asp");
    EXPECT_EQ(s.SlideRowSeconds[1][2], 15);
    EXPECT_EQ(s.GroupServerPath[2], "/group2");
    EXPECT_EQ(s.GroupFolderPath[2], "C:\\pics\\two");
    EXPECT_EQ(bed.state.appliances.slots[1].Name, "front hall");
    EXPECT_FALSE(bed.LogHas("OK Click Saving Name"));  // DebugLog was off while the slots were saved
}

TEST(SettingsWriter, UnitsAreAddedChangedAndBlanked) {
    SetupBed bed(
        IniText({"[Zephra Utilities]", "ResizeQuestion=1", "DebugLog=\"1\"", "[Zephra Names]",
                 "127.0.0.2/Kitchen=\"Kitchen,Q11,,,0,0,\"", "127.0.0.3=\"Hall,Q21,,,0,0,\"",
                 "127.0.0.4=\"Porch,Q31,,,0,0,\"", "127.0.0.5=\"Den,Q41,,,0,0,\"", "127.0.0.6=\"Shed,Q51,,,0,0,\""}));
    InitZephraUtilities(bed.state);
    bed.host->ClearCalls();
    ZephraSetup& d = bed.Dialog();
    d.aIP(0).Text("127.0.0.2/KITCHEN");  // only the letter case: the same entry
    d.aIP(1).Text("127.0.0.13");         // a new key: written, the old one blanked
    d.aIP(2).Text("");                   // cleared: nothing written, the old entry blanked
    d.aName(3).Text("  ");               // no name: blanked under its key
    d.aName(4).Text("Shed back");
    d.aDC(4).Text("[5");
    d.aPower(4).Text("[6");
    d.SlideGroupOptions(4)(3).Value(true);
    d.aX10Server(4).Text("ab");
    d.aIP(5).Text("127.0.0.7");  // an added unit
    d.aName(5).Text("Garage");
    d.aDC(5).Text("Q61");
    d.aDoCID(5).Value(1);
    d.aTCPServerOption(0).Value(false);  // neither server selected
    d.aIP(6).Text(" ");                  // blank IP: nothing
    d.aName(6).Text("Ghost");
    d.SaveFromWebPage();

    Strings names;
    for (const std::string& line : bed.Saved())
        if (line.rfind("Zephra Names|", 0) == 0) names.push_back(line.substr(13));
    EXPECT_EQ(names, (Strings{
                         "127.0.0.2/KITCHEN|\"Kitchen,Q11,,,0,0,\"",
                         "127.0.0.13|\"Hall,Q21,,,0,0,\"",
                         "127.0.0.5|\",,\"",
                         "127.0.0.6|\"Shed back,~15,[6,,3,0,ab\"",
                         "127.0.0.7|\"Garage,Q61,,,0,1,\"",
                         "127.0.0.3|\",,\"",
                         "127.0.0.4|\",,\"",
                     }));
    EXPECT_EQ(bed.Setting("Zephra Names", "127.0.0.2/kitchen"), "\"Kitchen,Q11,,,0,0,\"");
    EXPECT_EQ(bed.Setting("Zephra Utilities", "TCPServerOption"), "\"0\"");
    EXPECT_TRUE(bed.LogHas("dkvZephra Debug|OK Click Saving Name Shed back at ~15"));

    // The reload built the appliance list from the entries that are left.
    Strings appliances;
    for (const auto& slot : bed.state.appliances.slots) appliances.push_back(slot.Name + "@" + slot.IP);
    EXPECT_EQ(appliances, (Strings{"kitchen@127.0.0.2", "shed back@127.0.0.6", "hall@127.0.0.13", "garage@127.0.0.7"}));
}

TEST(SettingsWriter, SettingsThatFailedToLoadAreNotOverwrittenUnlessChanged) {
    SetupBed bed(IniText({"[Zephra Utilities]", "DebugLog=yes", "bmp=5", "Sounds=\"1,9,1\"", "StatusOnly=on",
                          "ResizeQuestion=1", "[Zephra Names]", "127.0.0.2=\"Kitchen,Q11,,,7,0,\""}));
    ZephraSetup& d = bed.Dialog();
    d.aStatusOnly.Value(1);  // the user fixes this one
    d.OKButton.Click();
    EXPECT_EQ(bed.Setting("Zephra Utilities", "DebugLog"), "yes");
    EXPECT_EQ(bed.Setting("Zephra Utilities", "bmp"), "5");
    EXPECT_EQ(bed.Setting("Zephra Utilities", "Sounds"), "\"1,9,1\"");
    EXPECT_EQ(bed.Setting("Zephra Utilities", "StatusOnly"), "\"1\"");
    EXPECT_EQ(bed.Setting("Zephra Names", "127.0.0.2"), "\"Kitchen,Q11,,,7,0,\"");
    EXPECT_EQ(bed.Setting("Zephra Utilities", "TCPDebug"), "\"0\"");  // the others are written
    EXPECT_FALSE(d.Loaded());

    // Changed in the next dialog, the unit is written.
    d.aName(0).Text("Kitchen 2");
    d.OKButton.Click();
    EXPECT_EQ(bed.Setting("Zephra Names", "127.0.0.2"), "\"Kitchen 2,Q11,,,0,0,\"");
}

TEST(SettingsWriter, AValueTheFileCannotKeepStopsTheSaveBeforeAnythingIsWritten) {
    SetupBed bed(IniText({"[Zephra Utilities]", "FontColor=\"white\""}));
    const std::string before = bed.host->IniText("dkvZephraUtilities.ini");
    ZephraSetup& d = bed.Dialog();
    d.aFontColor.Text("red\r\nDebugLog=1");  // a line break would end the value
    d.aLinks.Text("changed.htm");
    forms::ScriptedUser user;
    d.OKButton.Click();
    EXPECT_TRUE(bed.LogHas("dkvZephra|Nothing was saved: aFontColor cannot hold CR."));
    ASSERT_EQ(user.boxes().size(), 1u);
    EXPECT_EQ(user.boxes()[0].Prompt, "Nothing was saved: aFontColor cannot hold CR.");
    EXPECT_EQ(bed.host->IniText("dkvZephraUtilities.ini"), before);
    EXPECT_FALSE(bed.LogHas("Initialization Complete"));
    EXPECT_TRUE(d.Loaded());  // the dialog stays open

    // The unit entries refuse what would split them; the message names the field.
    d.aFontColor.Text("red");
    d.aIP(0).Text("127.0.0.2");
    d.aName(0).Text("Kit=chen");
    EXPECT_EQ(d.SaveFromWebPage(), "Nothing was saved: aName(0) cannot hold '='.");
    d.aName(0).Text("Say \"hi\"");
    EXPECT_EQ(d.SaveFromWebPage(), "Nothing was saved: aName(0) cannot hold '\"'.");
    d.aName(0).Text("Kitchen");
    d.aIP(0).Text("[127.0.0.2");
    EXPECT_EQ(d.SaveFromWebPage(), "Nothing was saved: aIP(0) cannot hold '[' at its start.");
    d.aIP(0).Text("127.0.0.2");
    d.aSlideASP(3).Text("a,b.asp");
    EXPECT_EQ(d.SaveFromWebPage(), "Nothing was saved: aSlideASP(3) cannot hold ','.");
    d.aSlideASP(3).Text("");
    // Every field of a unit, its address and device code too, refuses what splits the entry.
    struct Case {
        forms::TextBox& box;
        std::string text;
        const char* refusal;
    };
    for (const Case& c :
         {Case{d.aDC(0), "Q=1", "aDC(0) cannot hold '='."}, Case{d.aDC(0), "Q,1", "aDC(0) cannot hold ','."},
          Case{d.aDC(0), "Q\"1", "aDC(0) cannot hold '\"'."}, Case{d.aDC(0), "Q1\n", "aDC(0) cannot hold LF."},
          Case{d.aIP(0), "127.0.0.2,127.0.0.3", "aIP(0) cannot hold ','."},
          Case{d.aIP(0), "127.0.0.2=x", "aIP(0) cannot hold '='."},
          Case{d.aPower(0), "A3,", "aPower(0) cannot hold ','."},
          Case{d.aMotion(0), "B\r4", "aMotion(0) cannot hold CR."},
          Case{d.aX10Server(0), std::string("a\0b", 3), "aX10Server(0) cannot hold NUL."},
          Case{d.aName(0), "Kitchen,2", "aName(0) cannot hold ','."}}) {
        const std::string old = c.box.Text();
        c.box.Text(c.text);
        EXPECT_EQ(d.SaveFromWebPage(), std::string("Nothing was saved: ") + c.refusal) << c.refusal;
        c.box.Text(old);
    }
    d.aPower(0).Text("[6");  // a device code of the bracket house reads back as written
    EXPECT_EQ(bed.host->IniText("dkvZephraUtilities.ini"), before);

    // A failure of the file itself stores none of the keys, and the next save stores them all.
    bed.host->FailNext("SaveIniSetting", vb::Error(70, "Permission denied"));
    d.OKButton.Click();
    EXPECT_TRUE(bed.LogHas("dkvZephra|OK Button  Line 0 Permission denied"));
    EXPECT_EQ(bed.host->IniText("dkvZephraUtilities.ini"), before);
    d.OKButton.Click();
    EXPECT_EQ(bed.Setting("Zephra Utilities", "Links"), "changed.htm");
    // The reload hands the new unit its base code and stores it back.
    EXPECT_EQ(bed.Setting("Zephra Names", "127.0.0.2"), "\"Kitchen,~11,[6,,0,0,\"");
    EXPECT_FALSE(d.Loaded());
}

// With the saved voice not installed, speech uses the engine's default voice: an unchanged save
// stores that one, so that what is spoken stays the same.
TEST(SettingsWriter, AnUninstalledVoiceIsSavedAsTheVoiceSpeechUses) {
    SetupBed bed(IniText({"[T2W]", "T2WVoice=\"Microsoft Mary\"", "[Zephra Names]"}));
    bed.Dialog().SaveFromWebPage();
    EXPECT_EQ(bed.Setting("T2W", "T2WVoice"), "\"" + windows::SpVoice().Voice().GetDescription() + "\"");
}

TEST(SettingsWriter, TheResizerIsOfferedOnceAndNeverFromTheWebPage) {
    const std::string units = "[Zephra Names]\r\n127.0.0.2=\"Kitchen,Q11,,,1,0,\"\r\n";
    // A machine without the resizer: the platform registers its own with the script classes.
    script::registerClasses();
    automation::unregisterClass(script::kImageResizeProgId);
    {  // no unit with a slide group: no question, whatever the key holds
        SetupBed bed(IniText({"[Zephra Names]", "127.0.0.2=\"Kitchen,Q11,,,0,0,\""}));
        forms::ScriptedUser user;
        bed.Dialog().OKButton_Click();
        EXPECT_TRUE(user.boxes().empty());
        EXPECT_EQ(bed.Setting("Zephra Utilities", "ResizeQuestion"), "<absent>");
    }
    {  // asked once; Cancel
        SetupBed bed(units);
        forms::ScriptedUser user;
        user.queueAnswer(forms::vbCancel);
        bed.Dialog().OKButton_Click();
        ASSERT_EQ(user.boxes().size(), 1u);
        EXPECT_EQ(user.boxes()[0].Prompt,
                  "Images can be rescaled to work with Zephra.  sfImageResize is used  to perform this function.  "
                  "Click Yes to download this component for personal use only.");
        EXPECT_EQ(user.boxes()[0].Buttons, forms::vbOKCancel);
        EXPECT_EQ(bed.Setting("Zephra Utilities", "ResizeQuestion"), "1");
        bed.Dialog().OKButton_Click();
        EXPECT_EQ(user.boxes().size(), 1u);
    }
    {  // OK: the download script is run hidden, without waiting
        SetupBed bed(units);
        bed.host->SetAppPath("C:\\Zephra");
        automation::registerClass<RecordingShell>("Wscript.Shell");
        RecordingShell::Runs().clear();
        forms::ScriptedUser user;
        user.queueAnswer(forms::vbOK);
        bed.Dialog().OKButton_Click();
        automation::unregisterClass("Wscript.Shell");
        EXPECT_EQ(RecordingShell::Runs(), (Strings{"\"C:\\Zephra\\Scripts\\DownloadAndExecute.vbs\" "
                                                   "\"http://www.example.com/sfimageresize/download.htm,"
                                                   "C:\\Zephra\\HTML\\ZephraTemp\\sfImageResizeSetup.exe\"|0|False"}));
        EXPECT_FALSE(bed.Dialog().Loaded());
    }
    {  // OK without a shell to run it: logged, and the save goes on
        SetupBed bed(units);
        forms::ScriptedUser user;
        user.queueAnswer(forms::vbOK);
        bed.Dialog().aSlideASP(0).Text("after.asp");
        bed.Dialog().OKButton_Click();
        EXPECT_TRUE(bed.LogHas("OK Button  Line 0 ActiveX component can't create object"));
        EXPECT_EQ(bed.Setting("Zephra Utilities", "SlideASP0"), "\"after.asp,\"");
        EXPECT_FALSE(bed.Dialog().Loaded());
    }
    {  // from the web page: no box, logged as answered no, and not asked again
        SetupBed bed(units);
        forms::ScriptedUser user;
        bed.Dialog().SaveFromWebPage();
        EXPECT_TRUE(user.boxes().empty());
        EXPECT_TRUE(bed.LogHas(
            "dkvZephra|Resizer download not offered from the web page, answered no: Images can be rescaled"));
        EXPECT_EQ(bed.Setting("Zephra Utilities", "ResizeQuestion"), "1");
    }
    {  // the platform's resizer is there, as the slideshow finds it: no question, the key is not written
        SetupBed bed(units);
        automation::registerClass(script::kImageResizeProgId, script::makeImageResize);
        forms::ScriptedUser user;
        bed.Dialog().OKButton_Click();
        EXPECT_TRUE(user.boxes().empty());
        EXPECT_EQ(bed.Setting("Zephra Utilities", "ResizeQuestion"), "<absent>");
    }
}

TEST(SettingsWriter, SoundButtonsFollowTheNewSounds) {
    SetupBed bed(IniText({"[Zephra Utilities]", "Sounds=\"1,1,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0\"", "HouseCode=81",
                          "[Zephra Names]", "127.0.0.2=\"Kitchen,Q11,,,0,0,\""}));
    InitZephraUtilities(bed.state);
    auto soundButtons = [&] {
        const int32_t ref = bed.host->DeviceExistsRef("Q17");
        EXPECT_NE(ref, -1);
        return ref == -1 ? std::string() : bed.host->GetDeviceByRef(ref)->buttons();
    };
    bed.Dialog().OKButton_Click();  // the same sounds
    EXPECT_NE(soundButtons().find("Play Check Sound"), std::string::npos);
    EXPECT_EQ(soundButtons().find("Play Copy Sound"), std::string::npos);

    bed.Dialog().Check1(2).Value(1);
    bed.Dialog().OKButton_Click();
    EXPECT_NE(soundButtons().find("Play Copy Sound"), std::string::npos);
}
