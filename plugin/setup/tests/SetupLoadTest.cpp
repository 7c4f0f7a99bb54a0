#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "core/PluginState.h"
#include "forms/TcpSocket.h"
#include "forms/User.h"
#include "setup/tests/SetupTestBed.h"

using namespace zephra;
using namespace zephra::testing;

using Strings = std::vector<std::string>;

TEST(SetupLoad, AnEmptySettingsFileGivesTheLoadDefaults) {
    SetupBed bed;
    ZephraSetup& d = bed.Dialog();
    EXPECT_FALSE(d.Loaded());
    EXPECT_EQ(d.aSorvexCommandPort.Text(), "1024");  // the first touch loads the dialog
    EXPECT_TRUE(d.Loaded());
    EXPECT_EQ(d.Caption, "Zephra Setup");
    EXPECT_EQ(d.lblver.Caption(), "Version 2.5.0");
    EXPECT_EQ(d.HouseCode.Caption(), "Plugin House Code is Q");
    EXPECT_EQ(d.SSTab1.Tab(), 0);
    EXPECT_EQ(d.SSTab1.TabCaption(4), "Slide Group");

    const std::vector<std::pair<forms::TextBox*, std::string>> texts = {{&d.aHSIP, "192.168.0.1"},
                                                                        {&d.aPushDelay, "5"},
                                                                        {&d.aFontColor, "white"},
                                                                        {&d.aCommandRetries, ""},
                                                                        {&d.aUDPDelay, ""},
                                                                        {&d.aServerPort, ""},
                                                                        {&d.aStyleSheet, ""},
                                                                        {&d.aBackground, ""},
                                                                        {&d.aPowerCycleInterval, ""},
                                                                        {&d.aPowerCycleTime, "5"},
                                                                        {&d.aSleepInterval, "0"},
                                                                        {&d.aDefaultPushPage, ""},
                                                                        {&d.aPowerUpTime, "75"},
                                                                        {&d.aWindowsShare, ""},
                                                                        {&d.aLEDMotionTime, ""},
                                                                        {&d.aSlideshowNoMotionTime, ""},
                                                                        {&d.aSlideshowPath, ""},
                                                                        {&d.aImagePath, ""},
                                                                        {&d.aImageServer, ""},
                                                                        {&d.aUpdateInterval, ""},
                                                                        {&d.aLinks, "links_touchscreen.htm"},
                                                                        {&d.aTextStyle, "Arial"},
                                                                        {&d.aTextFontSize, "7"},
                                                                        {&d.aTextForeground, "Yellow"},
                                                                        {&d.aTextBackground, "Blue"},
                                                                        {&d.aLinksFile, "links_touchscreen.htm"},
                                                                        {&d.aMaxPixels, "100000"},
                                                                        {&d.aFriendsLocation, ""},
                                                                        {&d.aCIDEventGroup, ""},
                                                                        {&d.aLineNumber, "1"},
                                                                        {&d.aCIDCommPort, ""},
                                                                        {&d.aCIDPortString, "9600,n,8,1"},
                                                                        {&d.aCIDModemInitString, "AT#CID=1"},
                                                                        {&d.aCIDNamePrefix, "NAME ="},
                                                                        {&d.aCIDNumberPrefix, "NMBR ="}};
    for (const auto& [box, expected] : texts) EXPECT_EQ(box->Text(), expected) << box->Name();

    const std::vector<std::pair<forms::CheckBox*, int>> checks = {{&d.aMenu, 0},
                                                                  {&d.aStatusOnly, 0},
                                                                  {&d.aUseZephraServer, 0},
                                                                  {&d.aTCPDebug, 0},
                                                                  {&d.aDebugLog, 0},
                                                                  {&d.aShowSlides, 0},
                                                                  {&d.anoResponseAction, 0},
                                                                  {&d.aAwakenOnMotion, 0},
                                                                  {&d.aStartSlildeshow, 0},
                                                                  {&d.ajpg, 1},
                                                                  {&d.agif, 1},
                                                                  {&d.abmp, 0},
                                                                  {&d.aWallpaper, 0},
                                                                  {&d.aDontRandomize, 0},
                                                                  {&d.aIncludeHeaderLinks, 1},
                                                                  {&d.aUseHSPPhoneBook, 0},
                                                                  {&d.aExcludeHSPLocation, 0},
                                                                  {&d.aUseFriends, 0},
                                                                  {&d.aLogCID, 0},
                                                                  {&d.aCIDSentry, 0},
                                                                  {&d.aGenerateCIDEvent, 0},
                                                                  {&d.aSoundCIDResponse, 0},
                                                                  {&d.aBrowserCIDResponse, 0},
                                                                  {&d.aZcidCIDResponse, 0},
                                                                  {&d.aInsertModemCrLf, 1}};
    for (const auto& [box, expected] : checks) EXPECT_EQ(box->Value(), expected) << box->Name();
    for (int n = 0; n < 19; ++n) EXPECT_EQ(d.Check1(n).Value(), 0);
    EXPECT_EQ(d.Check1(18).Caption(), "Wake");

    EXPECT_TRUE(d.aTCPServerOption(0).Value());
    EXPECT_FALSE(d.aTCPServerOption(1).Value());
    EXPECT_TRUE(d.aServerPort.Enabled());

    // "Microsoft Mary" is not installed: the voice speech uses instead, the engine's default, is
    // shown, and it is the first voice of that name (the one a saved name selects).
    const Strings voices = InstalledVoices();
    ASSERT_FALSE(voices.empty());
    EXPECT_EQ(d.aVoiceCB.ListCount(), static_cast<int32_t>(voices.size()));
    const std::string speaking = windows::SpVoice().Voice().GetDescription();
    EXPECT_EQ(d.aVoiceCB.Text(), speaking);
    EXPECT_EQ(d.aVoiceCB.ListIndex(), std::find(voices.begin(), voices.end(), speaking) - voices.begin());
    EXPECT_NE(speaking, voices[0]);  // not merely the first of the list

    for (int s = 0; s < 9; ++s) {
        EXPECT_EQ(d.aIP(s).Text(), "");
        EXPECT_EQ(d.aName(s).Text(), "");
        EXPECT_FALSE(d.SlideGroupOptions(s)(0).Value());
        EXPECT_EQ(d.LoadedKeys()[static_cast<std::size_t>(s)], "");
    }
    for (int n = 0; n < 15; ++n) EXPECT_EQ(d.aSlideASP(n).Text() + "|" + d.aDwell(n).Text(), "|");
    for (int g = 0; g < 3; ++g) EXPECT_EQ(d.aServerPathGroup(g).Text() + d.aFolderPathGroup(g).Text(), "");

    EXPECT_TRUE(bed.host->CallsOf("SaveIniSetting").empty());  // the load never writes
    EXPECT_TRUE(bed.Log().empty());
}

TEST(SetupLoad, EachControlFollowsItsLoadRule) {
    const Strings voices = InstalledVoices();
    ASSERT_GE(voices.size(), 2u);
    std::string upper;
    for (char c : voices[1]) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    SetupBed bed(IniText({
        "[Zephra Utilities]",
        "TCPServerOption=\"1\"",
        "CIDLineNumber=abc",
        "Sounds=\"1,0,1\"",
        "jpg=0 but",     // the leading number
        "gif=pictures",  // no number: unchecked
        "bmp=2",         // greyed
        "DebugLog=\"1\"",
        "SlideASP3=\"page3.asp,45\"",
        "SlideASP4=page4.asp,12,extra",
        "SlideASP5=no comma",
        "ServerPathGroup1=\"/pictures\"",
        "FolderPathGroup2=C:\\pics",
        "HomeseerIP=\"10.0.0.5\"",
        "[T2W]",
        "T2WVoice=\"" + upper + "\"",
        "[Zephra Names]",
        "127.0.0.2=\"Kitchen\"",
        "no equals sign",
        "127.0.0.3=\",A1,A2,A3,1,1\"",  // no name: skipped
        "127.0.0.4=a=b",
        "",
        "127.0.0.5/hall=\"Hall,~11~2,[2,B3,2,1,xap.hall,more\"",
        "127.0.0.6=Porch,C1,,,0,yes",
    }));
    ZephraSetup& d = bed.Dialog();
    EXPECT_TRUE(d.aTCPServerOption(1).Value());
    EXPECT_FALSE(d.aTCPServerOption(0).Value());
    EXPECT_FALSE(d.aServerPort.Enabled());
    EXPECT_EQ(d.aLineNumber.Text(), "1");
    EXPECT_EQ(d.aHSIP.Text(), "10.0.0.5");
    EXPECT_EQ(d.aDebugLog.Value(), 1);
    EXPECT_EQ(d.ajpg.Value(), 0);
    EXPECT_EQ(d.agif.Value(), 0);
    EXPECT_EQ(d.abmp.Value(), 2);
    EXPECT_EQ(d.aVoiceCB.ListIndex(), 1);  // the saved voice in another letter case
    EXPECT_EQ(d.LoadedSounds(), "1,0,1");
    EXPECT_EQ(d.Check1(0).Value() * 100 + d.Check1(1).Value() * 10 + d.Check1(2).Value(), 101);
    EXPECT_EQ(d.Check1(3).Value(), 0);
    EXPECT_EQ(d.aSlideASP(3).Text() + "|" + d.aDwell(3).Text(), "page3.asp|45");
    EXPECT_EQ(d.aSlideASP(4).Text() + "|" + d.aDwell(4).Text(), "page4.asp|12");
    EXPECT_EQ(d.aSlideASP(5).Text() + "|" + d.aDwell(5).Text(), "|");
    EXPECT_EQ(d.aServerPathGroup(1).Text(), "/pictures");
    EXPECT_EQ(d.aFolderPathGroup(2).Text(), "C:\\pics");

    EXPECT_EQ(d.aIP(0).Text(), "127.0.0.2");
    EXPECT_EQ(d.aName(0).Text(), "Kitchen");
    EXPECT_EQ(d.aDC(0).Text() + d.aPower(0).Text() + d.aMotion(0).Text(), "");
    EXPECT_FALSE(d.Option1(0).Value());
    EXPECT_EQ(d.aDoCID(0).Value(), 0);
    EXPECT_EQ(d.aIP(1).Text(), "127.0.0.5/hall");
    EXPECT_EQ(d.aName(1).Text(), "Hall");
    EXPECT_EQ(d.aDC(1).Text(), "[1]");
    EXPECT_EQ(d.aPower(1).Text(), "[2");
    EXPECT_EQ(d.aMotion(1).Text(), "B3");
    EXPECT_TRUE(d.Option2(2).Value());
    EXPECT_EQ(d.aDoCID(1).Value(), 1);
    EXPECT_EQ(d.aX10Server(1).Text(), "xap.hall");
    EXPECT_EQ(d.aName(2).Text(), "Porch");
    EXPECT_TRUE(d.Option3(0).Value());
    EXPECT_EQ(d.aDoCID(2).Value(), 0);  // only "1" turns caller ID on
    EXPECT_EQ(d.aIP(3).Text(), "");
    EXPECT_EQ(d.LoadedKeys()[1], "127.0.0.5/hall");
    EXPECT_EQ(d.LoadedKeys()[3], "");
    EXPECT_TRUE(bed.Log().empty());

    // Showing the loaded dialog does not load it again; the user's edits stay until it closes.
    forms::ScriptedUser user;
    d.aHSIP.Text("edited");
    user.onModal("Zephra Setup",
                 [](forms::Form& f) { EXPECT_EQ(static_cast<ZephraSetup&>(f).aHSIP.Text(), "edited"); });
    bed.state.settings.ServerPort = "8081";
    bed.state.settings.OwnWebServer = true;
    ShowZephraSetup(bed.state);
    EXPECT_FALSE(d.OnScreen());  // these tests run without a display: one line says where to go instead
    EXPECT_TRUE(
        bed.LogHas("dkvZephra|The setup window needs a display (none is open: DISPLAY is not set or cannot "
                   "be reached); the same settings are on the status page, http://localhost:8081/status"));
    EXPECT_FALSE(d.Loaded());  // closed by the user: unloaded, nothing written
    EXPECT_TRUE(bed.host->CallsOf("SaveIniSetting").empty());
    // With the plug-in's server off there is no page to go to: the line says how to turn it on.
    bed.state.settings.OwnWebServer = false;
    user.onModal("Zephra Setup", [](forms::Form&) {});
    ShowZephraSetup(bed.state);
    EXPECT_TRUE(bed.LogHas(
        "dkvZephra|The setup window needs a display (none is open: DISPLAY is not set or cannot be reached), and "
        "the status page, which edits the same settings, is off: give \"ServerPort\" a port number and "
        "\"TCPServerOption\" any value but 1 in Config/dkvZephraUtilities.ini, then reload the settings"));
    EXPECT_EQ(d.aHSIP.Text(), "10.0.0.5");  // the next use loads it again

    // Clicking the server options enables the port box for the internal server only.
    d.aTCPServerOption(0).Click();
    EXPECT_TRUE(d.aServerPort.Enabled());
    d.aTCPServerOption(1).Click();
    EXPECT_FALSE(d.aServerPort.Enabled());
    d.CancelButton.Click();
    EXPECT_FALSE(d.Loaded());
}

TEST(SetupLoad, AControlThatFailsToLoadIsLoggedAndTheLoadGoesOn) {
    Strings names = {"[Zephra Names]"};
    for (int i = 1; i <= 10; ++i)
        names.push_back("127.0.1." + std::to_string(i) + "=\"Unit" + std::to_string(i) + ",A" + std::to_string(i) +
                        ",,,0,0,\"");
    names[3] = "127.0.1.3=\"Unit3,A3,,,7,1,xap3\"";  // a slide group no slot has
    Strings lines = {"[Zephra Utilities]", "DebugLog=yes", "bmp=5", "Sounds=\"1,9,1\"", "SlideASP0=\"first.asp,10\""};
    lines.insert(lines.end(), names.begin(), names.end());
    SetupBed bed(IniText(lines));
    ZephraSetup& d = bed.Dialog();
    d.Load();
    const Strings log = bed.Log();
    ASSERT_EQ(log.size(), 5u);  // bmp, DebugLog, Sounds, the third unit's group, the tenth unit
    for (const std::string& line : log) EXPECT_EQ(line.rfind("dkvZephra|Setup  Line 0 ", 0), 0u) << line;
    EXPECT_NE(log[0].find("Invalid property value"), std::string::npos);
    EXPECT_NE(log[1].find("Type mismatch"), std::string::npos);
    EXPECT_NE(log[2].find("Invalid property value"), std::string::npos);
    EXPECT_NE(log[3].find("doesn't exist"), std::string::npos);
    EXPECT_NE(log[4].find("Subscript out of range"), std::string::npos);
    // Each names the entry as it is stored.
    const std::string main = ": dkvZephraUtilities.ini [Zephra Utilities] ";
    const std::string units = ": dkvZephraUtilities.ini [Zephra Names] ";
    EXPECT_TRUE(log[0].ends_with(main + "bmp=5")) << log[0];
    EXPECT_TRUE(log[1].ends_with(main + "DebugLog=yes")) << log[1];
    EXPECT_TRUE(log[2].ends_with(main + "Sounds=\"1,9,1\"")) << log[2];
    EXPECT_TRUE(log[3].ends_with(units + "127.0.1.3=\"Unit3,A3,,,7,1,xap3\"")) << log[3];
    EXPECT_TRUE(log[4].ends_with(units + "127.0.1.10=\"Unit10,A10,,,0,0,\"")) << log[4];

    // Everything after each failure was loaded.
    EXPECT_EQ(d.aTCPDebug.Value(), 0);
    EXPECT_EQ(d.Check1(0).Value(), 1);
    EXPECT_EQ(d.Check1(2).Value(), 1);
    EXPECT_EQ(d.aDoCID(2).Value(), 1);
    EXPECT_EQ(d.aX10Server(2).Text(), "xap3");
    EXPECT_EQ(d.aName(8).Text(), "Unit9");
    EXPECT_EQ(d.aSlideASP(0).Text(), "first.asp");
    EXPECT_EQ(d.aVoiceCB.Text(), windows::SpVoice().Voice().GetDescription());  // the voice that speaks
}

TEST(SetupButtons, PlayAndStopGoToTheJukeboxOfEveryAppliance) {
    SetupBed bed;
    forms::TcpSocket listener;
    forms::TcpSocket connection;
    std::string received;
    listener.LocalIP = "127.0.0.1";
    listener.LocalPort = 0;
    listener.OnConnectionRequest = [&](int32_t id) {
        if (connection.State() != forms::sckClosed) connection.Close();
        connection.Accept(id);
    };
    connection.OnDataArrival = [&](int32_t) { received += connection.GetData() + "|"; };
    listener.Listen();
    bed.host->SetIniText(SetupBed::kFile, IniText({"[Zephra Utilities]",
                                                   "SorvexCommandPort=\"" + std::to_string(listener.LocalPort) + "\"",
                                                   "[Zephra Names]", "127.0.0.1=\"Juke,Q11,,,0,0,\""}));
    InitZephraUtilities(bed.state);
    bed.host->ClearCalls();
    bed.Dialog().aPlay.Click();
    EXPECT_TRUE(bed.loop.runUntil([&] { return received == "play|"; }, std::chrono::seconds(5)));
    bed.Dialog().aStop.Click();
    EXPECT_TRUE(bed.loop.runUntil([&] { return received == "play|stop|"; }, std::chrono::seconds(5)));
    EXPECT_TRUE(bed.host->CallsOf("SaveIniSetting").empty());
}
