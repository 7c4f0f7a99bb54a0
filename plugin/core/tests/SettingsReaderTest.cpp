#include "core/SettingsReader.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "core/QueueTimer.h"
#include "core/Zephra.h"
#include "core/tests/PluginTestBed.h"
#include "forms/SerialPort.h"
#include "vb/Strings.h"

namespace zephra {
namespace {

using namespace std::chrono_literals;
using testing::PluginTestBed;

class SettingsReaderTest : public ::testing::Test {
protected:
    SettingsReaderTest() {
        bed.app.write("HTML/index.htm", "<html></html>");
        // Most of these readings have no web server; the line that says so is the first test's.
        bed.state.web.OffTold = true;
    }

    // Reads the settings from a "Zephra Utilities" section of these lines.
    void ReadWith(const std::string& lines, const std::string& moreSections = "") {
        bed.host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\n" + lines + "\n" + moreSections);
        bed.host->ClearCalls();
        InitZephraUtilities(bed.state);
    }

    std::string App() const { return bed.app.path().string(); }
    const ZephraSettings& S() const { return bed.state.settings; }

    PluginTestBed bed;
};

TEST_F(SettingsReaderTest, AnEmptyFileGivesEveryDefault) {
    ReadWith("");
    EXPECT_EQ(S().LastPowerCycleHour, -1);
    EXPECT_EQ(S().TCPServerOption, "0");
    EXPECT_FALSE(S().OwnWebServer);  // the port is empty
    EXPECT_FALSE(S().TCPDebug);
    EXPECT_TRUE(S().InsertModemCrLf);
    EXPECT_FALSE(S().CIDSentry || S().GenerateCIDEvent || S().LogCID || S().ZcidCIDResponse || S().BrowserCIDResponse ||
                 S().SoundCIDResponse);
    EXPECT_EQ(S().CIDCommPort, "");
    EXPECT_EQ(S().CIDPortString, "9600,n,8,1");
    EXPECT_EQ(S().CIDModemInitString, "AT#CID=1");
    EXPECT_EQ(S().CIDNamePrefix, "NAME =");
    EXPECT_EQ(S().CIDNumberPrefix, "NMBR =");
    EXPECT_EQ(S().FriendsLocation, "");
    EXPECT_FALSE(S().useFriends || S().ExcludeHSPLocation || S().useHSPPhoneBook);
    EXPECT_EQ(S().PushDelay, 5);
    EXPECT_EQ(S().HomeseerIP, "192.168.0.1");
    EXPECT_EQ(S().svrport, "81");
    EXPECT_EQ(S().CIDLineNumber, 1);
    EXPECT_EQ(S().UDPDelay, 0);
    EXPECT_EQ(S().SorvexCommandPort, "1024");
    EXPECT_FALSE(S().StatusOnly);
    EXPECT_EQ(S().LEDMotionTime, 999999);
    EXPECT_TRUE(S().jpg && S().gif && S().IncludeHeaderLinks);
    EXPECT_FALSE(S().bmp || S().Wallpaper || S().DontRandomize || S().AwakenOnMotion || S().StartSlildeshow);
    EXPECT_EQ(S().SleepMonitorInterval, 0);
    EXPECT_EQ(S().SlideshowNoMotionTime, 0);
    EXPECT_EQ(S().TextStyle, "Arial");
    EXPECT_EQ(S().TextFontSize, "7");
    EXPECT_EQ(S().TextBackground, "Blue");
    EXPECT_EQ(S().TextForeground, "Yellow");
    EXPECT_EQ(S().LinksFile, "links_touchscreen.htm");
    EXPECT_EQ(S().Links, "links_touchscreen.htm");
    EXPECT_EQ(S().SlideshowUpdateInterval, "20");
    EXPECT_EQ(S().SlideshowUpdateSeconds, 20);
    EXPECT_EQ(S().MaxPixels, 100000);
    EXPECT_EQ(S().PowerCycleTime, 5000);
    EXPECT_EQ(S().PowerCycleInterval, "0");
    EXPECT_FALSE(S().noResponseAction);
    EXPECT_EQ(S().DefaultPushPage, "");
    EXPECT_EQ(S().PowerUpTime, 75000);
    EXPECT_EQ(S().WindowsShare, "");
    EXPECT_EQ(S().FontColor, "white");
    EXPECT_FALSE(S().UseZephraServer || S().ShowSlides || S().DebugLog);
    EXPECT_EQ(S().CommandRetries, 0);
    EXPECT_EQ(S().T2WVoice, "Microsoft Mary");
    for (bool sound : S().SoundEnabled) EXPECT_FALSE(sound);

    EXPECT_EQ(S().ZephraTempPath, App() + "\\HTML\\ZephraTemp");
    EXPECT_TRUE(std::filesystem::is_directory(bed.app.path() / "HTML" / "ZephraTemp"));
    EXPECT_EQ(S().SlideFiles.files, std::vector<std::string>{""});
    for (int g = 1; g <= 3; ++g) {
        EXPECT_EQ(S().GroupServerPath[g], "http://192.168.0.1:81");
        EXPECT_EQ(S().GroupFolderPath[g], App() + "\\HTML");
        for (int r = 0; r < 5; ++r) {
            EXPECT_EQ(S().SlideRowPath[g][r], "");
            EXPECT_EQ(S().SlideRowSeconds[g][r], 30);
            EXPECT_EQ(S().SlideRowWidth[g][r], -1);
            EXPECT_EQ(S().SlideRowHeight[g][r], -1);
        }
    }
    // "PowerCycleInterval" is "0", not empty: the housekeeping tick runs.
    EXPECT_TRUE(bed.state.QueueTimerForm().Timer2.Enabled());
    EXPECT_EQ(bed.state.QueueTimerForm().Timer2.Interval(), 60000);
    EXPECT_EQ(S().SleepCountdown, 0);
    EXPECT_EQ(S().CIDDeviceCode, "[61");  // the house code the appliance list obtained
    EXPECT_FALSE(bed.state.modem.CommPortOpen);
    EXPECT_EQ(bed.state.appliances.slots.size(), 1u);
    EXPECT_EQ(bed.Log(), (std::vector<std::string>{"dkvZephra|Slideshow path has not been specified",
                                                   "dkvZephra|User Configuration Setup Initialization Complete"}));
    // Without a port the status page is off: the log says so once, and how to turn it on.
    const std::string off =
        "dkvZephra|The plug-in's web server and its status page are off; to turn them on, give \"ServerPort\" a "
        "port number and \"TCPServerOption\" any value but 1 in Config/dkvZephraUtilities.ini, then reload the "
        "settings";
    bed.state.web.OffTold = false;
    ReadWith("");
    EXPECT_EQ(bed.Log().front(), off);
    ReadWith("TCPServerOption=1\nServerPort=8090");
    const std::vector<std::string> again = bed.Log();
    EXPECT_EQ(std::count(again.begin(), again.end(), off), 0);
    bed.state.web.OffTold = false;
    ReadWith("TCPServerOption=1\nServerPort=8090");
    EXPECT_EQ(bed.Log().front(), off);
    std::string startup = bed.app.read("Data/dkvZephra/StartupLog.txt");
    EXPECT_EQ(startup.substr(startup.size() - 24), " | InitUtilities | 170\r\n");
}

TEST_F(SettingsReaderTest, QuotesAreRemovedAndEachSwitchFollowsItsRule) {
    bed.state.settings.StatusOnly = true;
    bed.state.settings.CIDSentry = true;
    ReadWith(
        "DebugLog=\"1\"\nInsertModemCrLf=1.0\nCIDSentry=\"maybe\"\nGenerateCIDEvent=1.0\nLogCID=1\n"
        "useFriends=abc\nExcludeHSPLocation=-2\nStatusOnly=no way\nWallpaper=0.0\njpg=0\n"
        "FriendsLocation=C:\\Friends\nPowerCycleInterval= 3 , 15 \nSounds=1,0,1\nCommandRetries=3\n"
        "PushDelay=soon\nCIDLineNumber=\"2\"\nLEDMotionTime=600\nT2WVoice=nobody",
        "[T2W]\nT2WVoice=\"Sam\"\n");
    EXPECT_TRUE(S().DebugLog);
    EXPECT_TRUE(S().InsertModemCrLf);
    EXPECT_FALSE(S().GenerateCIDEvent);  // only the text "1" is on
    EXPECT_TRUE(S().LogCID);
    EXPECT_FALSE(S().useFriends);
    EXPECT_TRUE(S().ExcludeHSPLocation);
    EXPECT_FALSE(S().Wallpaper);
    EXPECT_FALSE(S().jpg);
    // Texts that are no number (or no boolean) take the key's default and are named in the log.
    EXPECT_FALSE(S().CIDSentry);
    EXPECT_FALSE(S().StatusOnly);
    EXPECT_EQ(S().FriendsLocation, "C:\\Friends\\");
    EXPECT_EQ(S().PowerCycleInterval, "3,15");
    EXPECT_EQ(S().CommandRetries, 3);
    EXPECT_EQ(S().PushDelay, 5);
    EXPECT_EQ(S().CIDLineNumber, 2);
    EXPECT_EQ(S().LEDMotionTime, 600);
    EXPECT_EQ(S().T2WVoice, "Sam");
    const std::array<bool, kSoundCount> sounds = {true, false, true};
    EXPECT_EQ(S().SoundEnabled, sounds);
    EXPECT_EQ(bed.Log(),
              (std::vector<std::string>{
                  "dkvZephra|InitZephraUtilities  Line 0 Type mismatch: dkvZephraUtilities.ini [Zephra Utilities] "
                  "CIDSentry=maybe, 0 is used",
                  "dkvZephra|InitZephraUtilities  Line 0 Type mismatch: dkvZephraUtilities.ini [Zephra Utilities] "
                  "StatusOnly=no way, 0 is used",
                  "dkvZephra|Slideshow path has not been specified", "dkvZephra Debug|Returned House Code=",
                  "dkvZephra|User Configuration Setup Initialization Complete"}));
}

TEST_F(SettingsReaderTest, TimesAreHeldToWhatATimerTakes) {
    struct Case {
        const char* value;
        int32_t powerCycle;
        int32_t udpDelay;
        const char* slideInterval;
    };
    const Case cases[] = {
        {"word", 5000, 0, "20"},
        {"0", 5000, 0, "20"},
        {"-3", 5000, 0, "20"},
        {"2.5", 2000, 2, "2.5"},
        {"3.5", 4000, 4, "3.5"},
        {"65", 65000, 65, "65"},
        {"70", 5000, 70, "70"},
        // An interval that no 16-bit number holds fails its conversion: the default is used.
        {"100000", 5000, 65535, "20"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        std::string v = c.value;
        ReadWith("PowerCycleTime=" + v + "\nUDPDelay=" + v + "\nSlideshowUpdateInterval=" + v);
        EXPECT_EQ(S().PowerCycleTime, c.powerCycle);
        EXPECT_EQ(S().UDPDelay, c.udpDelay);
        EXPECT_EQ(S().SlideshowUpdateInterval, c.slideInterval);
    }
    ReadWith("PowerUpTime=90");
    EXPECT_EQ(S().PowerUpTime, 90000);
    ReadWith("PowerUpTime=a while");
    EXPECT_EQ(S().PowerUpTime, 75000);
    ReadWith("UDPDelay=-20\nSleepMonitorInterval=10\nPowerCycleInterval=");
    EXPECT_EQ(S().UDPDelay, 0);
    EXPECT_EQ(S().SleepCountdown, 10);
    EXPECT_TRUE(bed.state.QueueTimerForm().Timer2.Enabled());
    ReadWith("PowerCycleInterval=\"  \"\nSleepMonitorInterval=never");
    EXPECT_EQ(S().PowerCycleInterval, "");
    EXPECT_FALSE(bed.state.QueueTimerForm().Timer2.Enabled());
}

// A value typed by hand that its conversion refuses is named in the log (file, section, key and
// value, and the field of a list) and takes its default; the keys after it are read all the same.
TEST_F(SettingsReaderTest, AValueThatDoesNotConvertIsNamedAndTakesItsDefault) {
    bed.state.settings.LastPowerCycleDate = "stale";
    bed.state.settings.PushDelay = 9;
    ReadWith(
        "LastPowerCycleHour=99999\nInsertModemCrLf=yes\nPushDelay=40000\nSlideshowUpdateInterval=99999\n"
        "PowerUpTime=1e10\nCommandRetries=70000\nSlideASP0=\"pics,99999\"",
        "[Zephra Names]\n127.0.0.2=\"Kitchen,[1,,,x,1\"\n");
    EXPECT_EQ(S().LastPowerCycleHour, -1);
    EXPECT_NE(S().LastPowerCycleDate, "stale");  // the key after the bad one is read
    EXPECT_TRUE(S().InsertModemCrLf);
    EXPECT_EQ(S().PushDelay, 5);
    EXPECT_EQ(S().SlideshowUpdateInterval, "20");
    EXPECT_EQ(S().SlideshowUpdateSeconds, 20);
    EXPECT_EQ(S().PowerUpTime, 75000);
    EXPECT_EQ(S().CommandRetries, 0);
    EXPECT_EQ(S().SlideRowPath[1][0], "pics");
    EXPECT_EQ(S().SlideRowSeconds[1][0], 30);
    ASSERT_TRUE(bed.state.appliances.slots[0].Object);
    EXPECT_EQ(bed.state.appliances.slots[0].Name, "kitchen");
    EXPECT_EQ(bed.state.appliances.slots[0].SlideGroup, 0);
    EXPECT_TRUE(bed.state.appliances.slots[0].DoCID);

    const std::string failed = "dkvZephra|InitZephraUtilities  Line 0 ";
    const std::string main = ": dkvZephraUtilities.ini [Zephra Utilities] ";
    const std::vector<std::string> named = {
        failed + "Overflow" + main + "LastPowerCycleHour=99999, -1 is used",
        failed + "Type mismatch" + main + "InsertModemCrLf=yes, 1 is used",
        failed + "Overflow" + main + "PushDelay=40000, 5 is used",
        failed + "Overflow" + main + "SlideshowUpdateInterval=99999, 20 is used",
        failed + "Overflow" + main + "PowerUpTime=1e10, 75 is used",
        failed + "Overflow" + main + "CommandRetries=70000, its default is used",
        "dkvZephra|DefineZephras  Line 0 Type mismatch: dkvZephraUtilities.ini [Zephra Names] "
        "127.0.0.2=\"Kitchen,[1,,,x,1\" (Slide), 0 is used",
        failed + "Overflow" + main + "SlideASP0=pics,99999 (Secs), its default is used",
    };
    std::vector<std::string> log;
    for (const std::string& line : bed.Log())
        if (line.find(" Line ") != std::string::npos) log.push_back(line);
    EXPECT_EQ(log, named);
}

TEST_F(SettingsReaderTest, TheWebServerChoiceDecidesEveryDefaultAddress) {
    bed.host->SetIniText("settings.ini", "[Settings]\nsvrport=85\n");
    bed.app.write("HTML/pics/a.jpg", "x");
    ReadWith("TCPServerOption=1\nServerPort=8080\nHomeseerIP=10.0.0.5\nSlideshowPath=pics");
    EXPECT_FALSE(S().OwnWebServer);
    EXPECT_FALSE(bed.state.web.Loaded);
    EXPECT_EQ(S().ImageServer, "http://10.0.0.5:85");
    EXPECT_EQ(S().GroupServerPath[2], "http://10.0.0.5:85");

    ReadWith("TCPServerOption=0\nServerPort=8080\nHomeseerIP=10.0.0.5\nSlideshowPath=pics\nTCPDebug=True");
    EXPECT_TRUE(S().OwnWebServer);
    EXPECT_TRUE(S().TCPDebug);
    EXPECT_TRUE(bed.state.web.Loaded);
    EXPECT_EQ(S().ImageServer, "http://10.0.0.5:8080");
    EXPECT_EQ(S().GroupServerPath[1], "http://10.0.0.5:8080");
    EXPECT_TRUE(bed.state.web.ServerDebugLog);
    EXPECT_TRUE(std::filesystem::exists(bed.app.path() / "Data" / "dkvZephra" / "dkvZephra_TCPServerDebug.txt"));

    ReadWith("TCPServerOption=0\nServerPort=web");
    EXPECT_FALSE(S().OwnWebServer);
}

TEST_F(SettingsReaderTest, SlideshowPicturesAreFoundBelowTheImagePathWhicheverSlashesItHas) {
    bed.app.write("HS/HTML/pics/a.JPG", "x");
    bed.app.write("HS/HTML/pics/x.jpeg", "x");
    bed.app.write("HS/HTML/pics/c.tif", "x");
    bed.app.write("HS/HTML/pics/d.bmp", "x");
    bed.app.write("HS/HTML/pics/sub/b.gif", "x");
    ReadWith("ImagePath=C:\\hs\\html\nSlideshowPath=pics\nStartSlildeshow=1");
    EXPECT_EQ(S().ImagePath, "C:/hs/html");
    EXPECT_TRUE(S().StartSlildeshow);
    EXPECT_EQ(S().SlideFiles.files,
              (std::vector<std::string>{"\\pics\\a.JPG", "\\pics\\x.jpeg", "\\pics\\sub\\b.gif"}));
    EXPECT_EQ(S().SlideFiles.widths, (std::vector<int32_t>{-1, -1, -1}));

    ReadWith("ImagePath=C:\\hs\\html\nSlideshowPath=nothing\nStartSlildeshow=1");
    EXPECT_FALSE(S().StartSlildeshow);
    EXPECT_EQ(bed.Log()[0], "dkvZephra|Slideshow path C:\\hs\\html\\nothing does not exist");
}

TEST_F(SettingsReaderTest, SlideRowsNameFoldersOrFilesOfTheirGroup) {
    bed.app.write("HTML/pics/a.jpg", "x");
    bed.app.write("HTML/pics/b.gif", "x");
    ReadWith("SlideASP3=pics\nSlideASP5=pics,15\nSlideASP6=missing,x\nSlideASP7=pics\\a.jpg,5\nShowSlides=1");
    EXPECT_EQ(S().SlideRowPath[1][3], "");
    EXPECT_EQ(S().SlideRowSeconds[1][3], 30);
    EXPECT_EQ(S().SlideRowPath[2][0], "pics");
    EXPECT_EQ(S().SlideRowSeconds[2][0], 15);
    EXPECT_EQ(S().SlideRowSeconds[2][1], 30);
    EXPECT_EQ(S().GroupFiles[2].files, (std::vector<std::string>{"\\pics\\a.jpg", "\\pics\\b.gif"}));
    EXPECT_EQ(S().GroupFiles[1].files, std::vector<std::string>{""});
    EXPECT_EQ(S().GroupFiles[3].files, std::vector<std::string>{""});
    const std::string folder = App() + "\\HTML";
    const std::vector<std::string> expected = {
        "dkvZephra|Slideshow path has not been specified",
        "dkvZephra Debug|Group 2, Row 0 for Slideshow ",
        "dkvZephra Debug|Folder Slideshow List: pics, Base=" + folder,
        "dkvZephra Debug|Added to Slideshow List: \\pics\\a.jpg",
        "dkvZephra Debug|Added to Slideshow List: \\pics\\b.gif",
        "dkvZephra Debug|Group 2, Row 1 for Slideshow ",
        "dkvZephra|Slideshow Group 2 file or folder " + folder + "\\missing does not exist",
        "dkvZephra Debug|Group 2, Row 2 for Slideshow ",
        "dkvZephra|User Configuration Setup Initialization Complete",
    };
    EXPECT_EQ(bed.Log(), expected);
}

TEST_F(SettingsReaderTest, TheDefaultPageIsKeptBelowTheHtmlFolderWhenItExists) {
    bed.app.write("HTML/pages/start.htm", "<html></html>");
    ReadWith("DefaultPushPage=C:\\Program Files\\HS\\Html\\pages\\start.htm");
    EXPECT_EQ(S().DefaultPushPage, "\\pages\\start.htm");
    ReadWith("DefaultPushPage=D:/hs/HTML/pages/start.htm");
    EXPECT_EQ(S().DefaultPushPage, "/pages/start.htm");
    ReadWith("DefaultPushPage=C:\\hs\\html\\pages\\gone.htm");
    EXPECT_EQ(S().DefaultPushPage, "");
    ReadWith("DefaultPushPage=index.htm");
    EXPECT_EQ(S().DefaultPushPage, "index.htm");
}

TEST_F(SettingsReaderTest, AMissingFileShareIsLoggedAndEmptied) {
    ReadWith("WindowsShare=\\share");
    EXPECT_EQ(S().WindowsShare, "");
    EXPECT_EQ(bed.Log()[1], "dkvZephra|File share with Zephra in folder \\share does not exist");
    bed.app.write("share/kitchen.txt", "");
    ReadWith("WindowsShare=\\share");
    EXPECT_EQ(S().WindowsShare, "\\share");
}

// A modem on a pseudo-terminal: what the plug-in writes arrives at the master side.
class PseudoModem {
public:
    PseudoModem() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) throw std::runtime_error("no pty");
        forms::setCommPortDevice(3, ::ptsname(master_));
    }
    ~PseudoModem() { ::close(master_); }

    // What the plug-in wrote so far, waiting at most `wait` for the first byte.
    std::string Received(forms::Loop& loop, std::chrono::milliseconds wait) {
        std::string text;
        loop.runUntil([&] { return Readable(); }, wait);
        while (Readable()) {
            char buffer[256];
            ssize_t n = ::read(master_, buffer, sizeof buffer);
            if (n <= 0) break;
            text.append(buffer, static_cast<std::size_t>(n));
        }
        return text;
    }

private:
    bool Readable() const {
        pollfd fd{master_, POLLIN, 0};
        return ::poll(&fd, 1, 0) > 0 && (fd.revents & POLLIN);
    }
    int master_ = -1;
};

TEST_F(SettingsReaderTest, TheModemOpensOnceAndGetsItsInitStringOnlyThen) {
    PseudoModem modem;
    ReadWith("CIDCommPort=3\nCIDModemInitString=\"ATZ#CID=1\"");
    EXPECT_TRUE(bed.state.modem.CommPortOpen);
    EXPECT_EQ(modem.Received(bed.loop, 30s), "ATZ#CID=1\r\n");
    EXPECT_EQ(bed.Log()[1], "dkvZephra|dkvZephra Modem Comm Port 3 Opened");

    ReadWith("CIDCommPort=3\nCIDModemInitString=\"ATZ#CID=1\"\nDebugLog=1");
    EXPECT_EQ(modem.Received(bed.loop, 100ms), "");
    for (const std::string& line : bed.Log()) EXPECT_EQ(line.find("Comm Port"), std::string::npos) << line;
    EXPECT_TRUE(bed.state.QueueTimerForm().Com1.PortOpen());
}

TEST_F(SettingsReaderTest, APortThatDoesNotOpenIsTriedTwiceAndAgainAtTheNextReading) {
    forms::setCommPortDevice(9, (bed.app.path() / "no-such-tty").string());
    ReadWith("CIDCommPort=9");
    EXPECT_FALSE(bed.state.modem.CommPortOpen);
    std::vector<std::string> log = bed.Log();
    // The two tries, then the word that the missing device is looked for again.
    ASSERT_EQ(log.size(), 9u);
    EXPECT_EQ(log[1].substr(0, 33), "dkvZephra|Open Comm Port 9 Error ");
    EXPECT_EQ(log[2], "dkvZephra|Error Opening dkvZephra Modem Comm Port number  9");
    EXPECT_EQ(log[3], "dkvZephra|Closed Comm Port 9");
    EXPECT_EQ(log[5], "dkvZephra|Error Opening dkvZephra Modem Comm Port number  9");
    EXPECT_EQ(log[7].substr(0, 43), "dkvZephra|Modem Comm Port 9 not found: the ");
    EXPECT_EQ(log[7].substr(log[7].size() - 49), "no-such-tty is missing; trying again every minute");
    ReadWith("CIDCommPort=9");
    EXPECT_EQ(bed.Log().size(), 8u);  // said once while it stays missing
    ReadWith("CIDCommPort=none");
    EXPECT_EQ(bed.Log().size(), 2u);  // not numeric: no modem, nothing logged
}

TEST_F(SettingsReaderTest, EveryReadingBuildsTheAppliancesWithTheTimerPoolKeepingThoseThatStay) {
    const std::string names =
        "[Zephra Names]\n127.0.0.2/kitchenpc=\"Kitchen,[1,a3,A4,1,1,\"\n127.0.0.3=\" Hall ,[11\"\n"
        "127.0.0.4=\"Garage\"\n=\"nameless,[21\"\n127.0.0.5=\"=,[31\"\n";
    ReadWith("", names);
    const ApplianceTable& table = bed.state.appliances;
    ASSERT_EQ(table.slots.size(), 3u);
    std::shared_ptr<Zephra> kitchen = table.slots[0].Object;
    ASSERT_TRUE(kitchen);
    EXPECT_EQ(kitchen->Name(), "kitchen");
    EXPECT_EQ(kitchen->IP(), "127.0.0.2");
    EXPECT_EQ(kitchen->Computer(), "kitchenpc");
    EXPECT_EQ(kitchen->PowerDevice(), "A3");
    EXPECT_EQ(kitchen->MotionDevice(), "A4");
    EXPECT_EQ(kitchen->EnableSlideshow(), 1);
    EXPECT_TRUE(kitchen->DoCID());
    EXPECT_EQ(kitchen->DeviceCode(9), "[10");
    EXPECT_EQ(kitchen->Timer1Index(), int16_t{0});
    EXPECT_EQ(table.slots[1].Object->Name(), "hall");
    EXPECT_EQ(table.slots[1].Object->Computer(), "127.0.0.3");
    EXPECT_EQ(table.slots[1].Object->Timer1Index(), int16_t{1});
    // The first base unit whose device is free, saved back with the line.
    ASSERT_TRUE(table.slots[2].Object);
    EXPECT_EQ(table.slots[2].Object->DeviceCodeBase(), "[21");
    EXPECT_EQ(bed.host->GetIniSetting("Zephra Names", "127.0.0.4", "", "dkvZephraUtilities.ini"),
              "\"Garage,~121,,,0,0,\"");
    EXPECT_EQ(table.CIDZephraNames, "kitchen");

    // Read again, each appliance keeps its object, with its queue and its timers.
    std::shared_ptr<Zephra> hall = table.slots[1].Object;
    ReadWith("", names);
    EXPECT_EQ(bed.state.appliances.slots[0].Object, kitchen);
    EXPECT_EQ(bed.state.appliances.slots[1].Object, hall);
    EXPECT_EQ(bed.state.timerPool.TimerOwner[0], kitchen);
    EXPECT_EQ(bed.state.timerPool.IETimerOwner[1], hall);
    EXPECT_EQ(bed.state.timerPool.TimerOwner[2], bed.state.appliances.slots[2].Object);
    EXPECT_FALSE(bed.state.timerPool.TimerInUse[3]);
    EXPECT_TRUE(bed.state.appliances.Carried.empty());

    // An appliance at another address is another object; the old one has given its timers back.
    ReadWith("", vb::Replace(names, "127.0.0.2/kitchenpc", "127.0.0.9/kitchenpc"));
    ASSERT_TRUE(bed.state.appliances.slots[0].Object);
    EXPECT_NE(bed.state.appliances.slots[0].Object, kitchen);
    EXPECT_FALSE(kitchen->Timer1Index());
    EXPECT_EQ(bed.state.appliances.slots[1].Object, hall);
    ASSERT_TRUE(bed.state.appliances.slots[0].Object->Timer1Index());
    EXPECT_EQ(bed.state.timerPool.TimerOwner[*bed.state.appliances.slots[0].Object->Timer1Index()],
              bed.state.appliances.slots[0].Object);
    EXPECT_FALSE(bed.state.timerPool.TimerOwner[0]);
    EXPECT_EQ(kitchen.use_count(), 1);  // only the test holds the old object
}

}  // namespace
}  // namespace zephra
