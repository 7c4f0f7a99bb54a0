// The modem's caller-ID input: lines cut from serial text, name and number lines, "RING",
// the 500 ms wait for a missing line on the manual clock, the records of a network
// caller-ID box, the echo window, and a modem on a pseudo-terminal end to end.

#include "callerid/ModemInput.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>

#include "Pty.h"
#include "callerid/CallerIdPart.h"
#include "callerid/EchoWindow.h"
#include "callerid/ModemPort.h"
#include "core/QueueTimer.h"
#include "core/SettingsReader.h"
#include "core/StatusText.h"
#include "core/Zephra.h"
#include "core/tests/PluginTestBed.h"
#include "core/tests/ThreeAppliances.h"
#include "forms/SerialPort.h"
#include "simkit/testing/ChildProcess.h"

namespace zephra {
namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;
using testing::PluginTestBed;

class ModemInputTest : public ::testing::Test {
protected:
    ModemInputTest() {
        ZephraSettings& s = bed.state.settings;
        s.CIDNamePrefix = "NAME =";
        s.CIDNumberPrefix = "NMBR =";
        s.CIDDeviceCode = "[91";
        s.LogCID = true;
        bed.loop.setLocalNow(testing::LocalTime(2001, 1, 1, 19, 37, 5));
    }
    void Receive(const std::string& text) { ProcessCommData(bed.state, text, 2); }
    // The callers handled so far, as the "LogCID" lines give them.
    Strings Callers() {
        Strings found;
        for (const std::string& line : bed.Log())
            if (line.rfind("dkvZephra|", 0) == 0) found.push_back(line.substr(10));
        return found;
    }
    const ModemState& Modem() const { return bed.state.modem; }

    PluginTestBed bed;
};

TEST_F(ModemInputTest, ANameAndANumberLineInOneChunkMakeOneCaller) {
    Receive("\r\nRING\r\n\r\nDATE = 1208\r\nname = JOHN DOE \r\nNMBR = 5551234567\r\n");
    EXPECT_EQ(Callers(), (Strings{"(555) 123-4567 : JOHN DOE"}));
    EXPECT_EQ(bed.Calls("SetDeviceString"), (Strings{"[91|" + FormatValue(bed.state, 0, "(555) 123-4567 : JOHN DOE")}));
    EXPECT_EQ(Modem().CommBuffer, "");
    EXPECT_FALSE(bed.state.QueueTimerForm().Timer5.Enabled());

    // A line that holds both prefixes is a name line; a number prefix of another length.
    bed.state.settings.CIDNumberPrefix = "NUMBER:";
    Receive("NAME = A NMBR = 1\r\nNUMBER:5550001\r\n");
    EXPECT_EQ(Callers().back(), "555-0001 : A NMBR = 1");
}

TEST_F(ModemInputTest, ALonelyLineIsHandled500msLaterAndRingStartsTheWaitAgain) {
    Receive("NMBR = 5551234\r\n");
    EXPECT_TRUE(Modem().NumberDetected);
    EXPECT_EQ(bed.state.QueueTimerForm().Timer5.Interval(), 500);
    bed.loop.advance(499ms);
    EXPECT_EQ(Callers(), Strings{});
    bed.loop.advance(1ms);
    EXPECT_EQ(Callers(), (Strings{"555-1234 : Unknown"}));
    EXPECT_FALSE(bed.state.QueueTimerForm().Timer5.Enabled());

    // "RING" between the lines clears the flags, keeps the name, and stops the wait; the
    // number line starts it again.
    Receive("NAME = JANE\r\n");
    bed.loop.advance(300ms);
    Receive("RING\r\n");
    EXPECT_FALSE(Modem().NameDetected);
    EXPECT_EQ(Modem().CallerName, "JANE");
    EXPECT_FALSE(bed.state.QueueTimerForm().Timer5.Enabled());
    bed.loop.advance(1s);
    EXPECT_EQ(Callers().size(), 1u);
    Receive("NMBR = 5559999\r\n");
    bed.loop.advance(499ms);
    EXPECT_EQ(Callers().size(), 1u);
    bed.loop.advance(1ms);
    EXPECT_EQ(Callers().back(), "555-9999 : JANE");
}

TEST_F(ModemInputTest, LinesSplitAcrossEventsAndTheLineEndThatNeverComes) {
    bed.state.settings.InsertModemCrLf = false;
    Receive("NA");
    Receive("ME = JOHN\r");
    EXPECT_TRUE(Modem().NameDetected);
    Receive("\nNMBR = 5551234");
    EXPECT_FALSE(Modem().NumberDetected);
    Receive("\r\n");
    EXPECT_EQ(Callers(), (Strings{"555-1234 : JOHN"}));

    // With InsertModemCrLf on, pending text holding a prefix is a line once the modem has been
    // quiet for 500 ms: a name cut by the end of a serial event waits for the rest of it.
    bed.state.settings.InsertModemCrLf = true;
    Receive("NMBR = 555");
    bed.loop.advance(300ms);
    Receive("0002");
    bed.loop.advance(499ms);
    EXPECT_FALSE(Modem().NumberDetected);
    bed.loop.advance(1ms);
    EXPECT_TRUE(Modem().NumberDetected);
    EXPECT_EQ(Modem().CallerNumber, "555-0002");
    EXPECT_EQ(Modem().CommBuffer, "");
    Receive("NAME = JO");
    Receive("HN SMITH\r\n");
    EXPECT_EQ(Callers().back(), "555-0002 : JOHN SMITH");

    // Text that ends with CR (or LF) is a line at once.
    Receive("NAME = ANN\r");
    EXPECT_TRUE(Modem().NameDetected);
    EXPECT_EQ(Modem().CallerName, "ANN");
    Receive("\n");
    // The caller's wait ends while a number is still pending: the number is taken first.
    Receive("NMBR = 5550003");
    bed.loop.advance(500ms);
    EXPECT_EQ(Callers().back(), "555-0003 : ANN");
    EXPECT_FALSE(bed.state.QueueTimerForm().Timer5.Enabled());
    EXPECT_FALSE(bed.state.QueueTimerForm().CommLineTimer.Enabled());
}

TEST_F(ModemInputTest, CrAloneLfAloneAndCrLfEachEndALineAndControlBytesAreDropped) {
    bed.state.settings.InsertModemCrLf = false;
    Receive("NMBR = 5552222\rNAME = X\r");
    EXPECT_EQ(Callers(), (Strings{"555-2222 : X"}));
    Receive("NAME = Y\nNMBR = 5553333\n");
    EXPECT_EQ(Callers().back(), "555-3333 : Y");
    // A CR and its LF in two events are one line end.
    Receive("RING\r");
    Receive("\nNAME = Z\r");
    Receive("\nNMBR = 5554444\r");
    Receive("\n");
    EXPECT_EQ(Callers().back(), "555-4444 : Z");
    EXPECT_EQ(Callers().size(), 3u);

    // NUL, 0xFF and other control bytes reach neither the log, the device nor the echo.
    bed.state.settings.DebugLog = true;
    bed.host->ClearCalls();
    const char noisy[] =
        "NA\0ME = J\xff\x01O\x7f\tE\r\nNMBR = 555\0"
        "5555\r\n";
    Receive(std::string(noisy, sizeof noisy - 1));
    EXPECT_EQ(Callers().back(), "555-5555 : JOE");
    EXPECT_EQ(bed.Calls("SetDeviceString"), (Strings{"[91|" + FormatValue(bed.state, 0, "555-5555 : JOE")}));
    for (const std::string& line : bed.Log())
        for (const char c : line) {
            const auto b = static_cast<unsigned char>(c);
            EXPECT_TRUE(c == '\r' || c == '\n' || (b >= 0x20 && b != 0x7f && b != 0xff)) << line;
        }
}

TEST_F(ModemInputTest, NetworkCallerIdRecords) {
    bed.state.settings.DebugLog = true;
    Receive("###DATE12081937...NMBR5551234567...NAMEJOHN DOE+++\r");
    EXPECT_EQ(Callers(), (Strings{"(555) 123-4567 : JOHN DOE"}));
    const Strings log = bed.Log();
    EXPECT_EQ(log.front(),
              "dkvZephra Debug|Comm Status = ###DATE12081937...NMBR5551234567...NAMEJOHN DOE+++\r, Comm Buffer = >0");
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "dkvZephra Debug|DoModemNetCallerID = ###DATE12081937...NMBR5551234567...NAMEJOHN DOE"),
              log.end());
    EXPECT_EQ(log.back(), "dkvZephra Debug|DoModemNetCallerID [Name]=  [Number]=");
    EXPECT_EQ(Modem().CommBuffer, "");

    // The name field first: the name runs to the end and the number is not taken.
    bed.host->ClearCalls();
    Receive("###DATE12081937...NAMEJANE...NMBR5559876+++\r");
    EXPECT_EQ(Modem().CallerNumber, "(000)000-0000");
    EXPECT_FALSE(Modem().NumberDetected);
    bed.loop.advance(500ms);
    EXPECT_EQ(Callers(), (Strings{"(000)000-0000 : JANE...NMBR5559876"}));
}

TEST_F(ModemInputTest, TextWithoutALineEndIsDroppedPast2000Characters) {
    bed.state.settings.InsertModemCrLf = false;
    Receive(std::string(1500, 'x'));
    Receive(std::string(600, 'y'));
    EXPECT_EQ(Modem().CommBuffer.size(), 2100u);
    Receive("NAME = AFTER\r\nNMBR = 5551234\r\n");
    EXPECT_EQ(bed.Log().front(), "dkvZephra|ProcessCommData discarded modem text without a line end: 2100 characters");
    EXPECT_EQ(Callers().back(), "555-1234 : AFTER");
    EXPECT_EQ(Modem().CommBuffer, "");

    // Other event codes are echoed only; unknown ones noted under DebugLog.
    bed.host->ClearCalls();
    bed.state.settings.DebugLog = true;
    ProcessCommData(bed.state, "", 3);
    ProcessCommData(bed.state, "", 1010);
    EXPECT_EQ(bed.Log().back(), "dkvZephra|dkvZephra Comm Event Code=1010");
    EXPECT_EQ(bed.Log().size(), 3u);
}

TEST_F(ModemInputTest, TheEchoWindowStampsEveryLineAndKeepsItsLast5000Characters) {
    bed.state.settings.InsertModemCrLf = false;
    Receive("OK\r\nNAME = ANN\r\n");
    const EchoWindow& w = *bed.state.Part<CallerIdPart>().echoWindow;
    EXPECT_EQ(w.CommStatus, "\r\n2");
    EXPECT_EQ(w.CommData, "OK\r\n19:37:05 |  NAME = ANN\r\n19:37:05 |   ... Name=ANN ... ");
    for (int i = 0; i < 400; ++i) Receive("RING\r\n");
    EXPECT_EQ(w.CommData.size(), 5000u);
    EXPECT_EQ(w.CommStatus.size(), 1203u);
    EXPECT_EQ(w.CommData.substr(w.CommData.size() - 18), "RING\r\n19:37:05 |  ");
    EXPECT_EQ(w.CommStatusTopLine, 402 - 7);
    EXPECT_GT(w.CommDataTopLine, 0);

    // Sending: the echo shows the text with "<crlf>", the port gets it unchanged.
    bed.state.modem.CommPortOpen = false;
    const std::string before = w.CommData;
    ModemSend(bed.state, "ATZ\r\n");
    EXPECT_EQ(w.CommData, before);
}

// An appliance's shut-down unloads the echo window; the next modem text loads it again, empty.
TEST_F(ModemInputTest, AnAppliancesShutdownUnloadsTheEchoWindow) {
    Receive("OK\r\n");
    ASSERT_TRUE(bed.state.Part<CallerIdPart>().echoWindow->Loaded());
    std::shared_ptr<Zephra> zephra = Zephra::Create(bed.state);
    zephra->Shutdown();
    EXPECT_FALSE(bed.state.Part<CallerIdPart>().echoWindow->Loaded());
    Receive("RING\r\n");
    EXPECT_TRUE(bed.state.Part<CallerIdPart>().echoWindow->Loaded());
    EXPECT_EQ(bed.state.Part<CallerIdPart>().echoWindow->CommData, "RING\r\n19:37:05 |  ");
}

// The modem on a pseudo-terminal: the settings open the port and send the init string; the
// modem's lines come back as a caller on the appliances, over the serial port.
class ModemOnPtyTest : public testing::ThreeAppliances {
protected:
    // What the plug-in wrote to the modem, while its loop runs.
    std::string ReadMaster(int fd, std::size_t atLeast) {
        std::string got;
        bed.loop.runUntil(
            [&] {
                pollfd p{fd, POLLIN, 0};
                while (::poll(&p, 1, 0) > 0) {
                    char buffer[256];
                    const ssize_t n = ::read(fd, buffer, sizeof buffer);
                    if (n <= 0) break;
                    got.append(buffer, static_cast<std::size_t>(n));
                }
                return got.size() >= atLeast;
            },
            3s);
        return got;
    }
    Strings DeviceStrings() {
        Strings found;
        for (const std::string& call : bed.Calls("SetDeviceString"))
            if (call.rfind("[91|", 0) == 0) found.push_back(call);
        return found;
    }
    static void WriteMaster(int fd, const std::string& text) {
        ASSERT_EQ(::write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }

    modem_sim::Pty pty;
};

TEST_F(ModemOnPtyTest, ACallFromTheModemReachesTheDeviceTheAppliancesAndTheSentry) {
    forms::setCommPortDevice(7, pty.slavePath());
    bed.app.write("Friends/Friends.txt", "5551234567\tGrandma\r\n");
    Start(
        "CIDCommPort=7\nCIDPortString=\"9600,n,8,1\"\nLogCID=1\nZcidCIDResponse=1\nCIDSentry=1\n"
        "useFriends=1\nFriendsLocation=C:\\Friends",
        true, {"A3,A7,1,1", "A4,A7,1,0", "A5,,0,1"}, true);
    EXPECT_TRUE(bed.state.modem.CommPortOpen);
    EXPECT_EQ(bed.state.QueueTimerForm().Com1.Settings(), "9600,n,8,1");
    EXPECT_EQ(ReadMaster(pty.master(), 10), "AT#CID=1\r\n");
    EXPECT_EQ(bed.state.Part<CallerIdPart>().echoWindow->CommData, "\r\n[Sent to Modem:     AT#CID=1<crlf> ]\r\n");

    // The echo window's "Send To Modem", with and without CR LF.
    EchoWindow& w = *bed.state.Part<CallerIdPart>().echoWindow;
    w.SendString = "ATZ";
    w.SendToTemp05_Click();
    w.EchoCrLf = true;
    w.SendToTemp05_Click();
    EXPECT_EQ(ReadMaster(pty.master(), 8), "ATZATZ\r\n");
    EXPECT_EQ(w.SendString, "ATZ");
    EXPECT_NE(w.CommData.find("[Sent to Modem:     ATZ ]\r\n\r\n[Sent to Modem:     ATZ<crlf> ]\r\n"),
              std::string::npos);

    for (const char* device : {"A3", "A4", "A5"}) bed.host->ExecX10(device, "on");
    // A client that is no appliance: the sentry.
    forms::UdpSocket sentry;
    std::string datagram;
    ASSERT_TRUE(SubscribeSentry(sentry, datagram));
    bed.host->ClearCalls();

    WriteMaster(pty.master(), "RING\r\nDATE = 1208\r\nNMBR = 5551234567\r\nNAME = GRANDMA\r\n");
    ASSERT_TRUE(bed.loop.runUntil([&] { return !DeviceStrings().empty(); }, 30s));
    EXPECT_EQ(DeviceStrings(), (Strings{"[91|" + FormatValue(bed.state, 0, "(555) 123-4567 : Grandma")}));
    const Strings got = Sent();
    EXPECT_EQ(Count(got, "kitchen udp cid name=\"Grandma\" number=\"(555) 123-4567\""), 1);
    EXPECT_EQ(Count(got, "den udp cid name=\"Grandma\" number=\"(555) 123-4567\""), 1);
    EXPECT_EQ(Of(got, "hall"), Strings{});
    ASSERT_TRUE(bed.loop.runUntil([&] { return !datagram.empty(); }, 30s));
    EXPECT_EQ(datagram, ServerDatagram(kCallerIdDatagram, "Grandma", "(555) 123-4567"));
    const Strings log = bed.Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "dkvZephra|(555) 123-4567 : Grandma"), log.end());
}

// A modem at 1200 baud: modem-sim sends a character every 8 ms. Lines ended by CR LF are taken
// whole; a last line without one once the modem has been quiet for 500 ms (on the test's clock).
TEST_F(ModemOnPtyTest, ASlowModemSendingByteByByteAnnouncesTheWholeCaller) {
    const std::string script = bed.app
                                   .write("calls.txt",
                                          "expect AT#CID\nRING\nDATE = 1208\nTIME = 1937\nNMBR = 5551234\n"
                                          "NAME = JOHN DOE\nwait 300\nRING\nNAME = JANE ROE\nraw NMBR = 5559876\n"
                                          "wait 5000\n")
                                   .string();
    simkit::testing::ChildProcess modem(MODEM_SIM_PATH,
                                        {"--baud", "1200", "--log", (bed.app.path() / "modem.log").string(), script});
    const std::optional<std::string> path = modem.readLine();
    ASSERT_TRUE(path && !path->empty());
    forms::setCommPortDevice(8, *path);
    Start("CIDCommPort=8\nCIDPortString=\"1200,n,8,1\"\nLogCID=1", false);
    ASSERT_TRUE(bed.state.modem.CommPortOpen);

    ASSERT_TRUE(bed.loop.runUntil([&] { return !DeviceStrings().empty(); }, 30s));
    EXPECT_EQ(DeviceStrings(), (Strings{"[91|" + FormatValue(bed.state, 0, "555-1234 : JOHN DOE")}));

    // The second call's number line has no line end: it waits for the modem to be quiet.
    ASSERT_TRUE(bed.loop.runUntil([&] { return bed.state.modem.CommBuffer == "NMBR = 5559876"; }, 30s));
    EXPECT_TRUE(bed.state.modem.NameDetected);
    EXPECT_FALSE(bed.state.modem.NumberDetected);
    bed.loop.advance(500ms);
    ASSERT_EQ(DeviceStrings().size(), 2u);
    EXPECT_EQ(DeviceStrings()[1], "[91|" + FormatValue(bed.state, 0, "555-9876 : JANE ROE"));
}

// A modem that ends its lines with CR alone and sends noise bytes, over the pseudo-terminal.
TEST_F(ModemOnPtyTest, AModemEndingLinesWithCrAloneAnnouncesNumberAndNameWithoutNoise) {
    const std::string script = bed.app
                                   .write("cr.txt",
                                          "expect AT#CID\nraw RING\\r\\rNMBR = 5552222\\rNAME = X\\r\n"
                                          "wait 300\nraw \\x00\\xffRING\\rNMBR = 555\\x00"
                                          "3333\\rNAME = Y\\xff\\x01Z\\r\n"
                                          "wait 5000\n")
                                   .string();
    simkit::testing::ChildProcess modem(MODEM_SIM_PATH, {"--log", (bed.app.path() / "modem.log").string(), script});
    const std::optional<std::string> path = modem.readLine();
    ASSERT_TRUE(path && !path->empty());
    forms::setCommPortDevice(8, *path);
    Start("CIDCommPort=8\nCIDPortString=\"9600,n,8,1\"\nLogCID=1\nInsertModemCrLf=0", false);
    ASSERT_TRUE(bed.state.modem.CommPortOpen);
    ASSERT_TRUE(bed.loop.runUntil([&] { return DeviceStrings().size() >= 2; }, 30s));
    EXPECT_EQ(DeviceStrings(), (Strings{"[91|" + FormatValue(bed.state, 0, "555-2222 : X"),
                                        "[91|" + FormatValue(bed.state, 0, "555-3333 : YZ")}));
    const Strings log = bed.Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "dkvZephra|555-2222 : X"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "dkvZephra|555-3333 : YZ"), log.end());
}

// The modem goes away (modem-sim ends: its pseudo-terminal is gone, as a USB modem unplugged)
// and a new one comes on the same name: the loss is logged and the port closed; a minute later
// (on the test's clock) the port is open again, logged, the modem set up again and its calls
// announced. A second loss ends at the next load of the settings.
TEST_F(ModemOnPtyTest, AModemThatGoesAwayAndComesBackIsReadAgain) {
    const std::filesystem::path link = bed.app.path() / "ttyModem";
    auto modemOn = [&](const std::string& name, const std::string& number) {
        const std::string script =
            bed.app.write(name + ".txt", "expect AT#CID\nRING\nNMBR = " + number + "\nNAME = " + name + "\n").string();
        auto modem = std::make_unique<simkit::testing::ChildProcess>(
            MODEM_SIM_PATH, Strings{"--stay", "--log", (bed.app.path() / (name + ".log")).string(), script});
        const std::optional<std::string> path = modem->readLine();
        EXPECT_TRUE(path && !path->empty());
        std::filesystem::remove(link);
        std::filesystem::create_symlink(path.value_or(""), link);
        return modem;
    };
    auto logHolds = [&](const std::string& text) {
        const Strings log = bed.Log();
        return std::count(log.begin(), log.end(), text);
    };
    auto modem = modemOn("FIRST", "5551111");
    forms::setCommPortDevice(11, link.string());
    Start("CIDCommPort=11\nCIDPortString=\"9600,n,8,1\"\nLogCID=1", false);
    ASSERT_TRUE(bed.state.modem.CommPortOpen);
    ASSERT_TRUE(bed.loop.runUntil([&] { return logHolds("dkvZephra|555-1111 : FIRST") == 1; }, 30s));

    modem.reset();  // the modem goes away
    const std::string lost = "dkvZephra|Modem Comm Port 11 lost: ";
    auto lostLines = [&] {
        const Strings log = bed.Log();
        return std::count_if(log.begin(), log.end(), [&](const std::string& l) { return l.starts_with(lost); });
    };
    ASSERT_TRUE(bed.loop.runUntil([&] { return lostLines() == 1; }, 30s)) << ::testing::PrintToString(bed.Log());
    EXPECT_FALSE(bed.state.modem.CommPortOpen);
    EXPECT_FALSE(bed.state.QueueTimerForm().Com1.PortOpen());

    modem = modemOn("SECOND", "5552222");
    bed.loop.advance(30s);  // not yet tried again
    EXPECT_FALSE(bed.state.modem.CommPortOpen);
    bed.loop.advance(30s);
    EXPECT_TRUE(bed.state.modem.CommPortOpen);
    const Strings log = bed.Log();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& l) { return l.starts_with("dkvZephra|Modem Comm Port 11 is back"); }),
              1)
        << ::testing::PrintToString(log);
    ASSERT_TRUE(bed.loop.runUntil([&] { return logHolds("dkvZephra|555-2222 : SECOND") == 1; }, 30s))
        << ::testing::PrintToString(bed.Log());

    // Lost again; this time the settings are loaded again before the minute has passed.
    modem.reset();
    ASSERT_TRUE(bed.loop.runUntil([&] { return lostLines() == 2; }, 30s));
    modem = modemOn("THIRD", "5553333");
    InitZephraUtilities(bed.state);
    EXPECT_TRUE(bed.state.modem.CommPortOpen);
    ASSERT_TRUE(bed.loop.runUntil([&] { return logHolds("dkvZephra|555-3333 : THIRD") == 1; }, 30s))
        << ::testing::PrintToString(bed.Log());
    const Strings after = bed.Log();
    EXPECT_EQ(std::count_if(after.begin(), after.end(),
                            [](const std::string& l) { return l.starts_with("dkvZephra|Modem Comm Port 11 is back"); }),
              2);
    // Open again: the minute's retries have ended, and nothing more is logged of the port.
    const std::size_t lines = bed.Log().size();
    bed.loop.advance(120s);
    const Strings later = bed.Log();
    EXPECT_EQ(std::count_if(later.begin() + static_cast<std::ptrdiff_t>(lines), later.end(),
                            [](const std::string& l) { return l.find("Comm Port 11") != std::string::npos; }),
              0);
    std::filesystem::remove(link);
}

// The modem's device is missing when the host starts (a USB modem plugged in later): that is
// said once, and the port is looked for every minute (on the test's clock) until the modem is
// there; then it is opened, set up and its calls announced, and the looking ends.
TEST_F(ModemOnPtyTest, AModemPluggedInAfterTheStartIsFoundWithinAMinute) {
    const std::filesystem::path link = bed.app.path() / "ttyLater";
    forms::setCommPortDevice(12, link.string());
    // The settings read as at the host's start, the log kept from the first line.
    bed.host->SetIniText("dkvZephraUtilities.ini",
                         "[Zephra Utilities]\nHomeseerIP=127.0.0.1\nCIDCommPort=12\nCIDPortString=\"9600,n,8,1\"\n"
                         "LogCID=1\n[Zephra Names]\n127.0.0.2=\"Kitchen,[1\"\n");
    InitZephraUtilities(bed.state);
    EXPECT_FALSE(bed.state.modem.CommPortOpen);
    auto count = [&](const std::string& text) {
        const Strings log = bed.Log();
        return std::count_if(log.begin(), log.end(), [&](const std::string& l) { return l.find(text) != l.npos; });
    };
    const std::string notFound = "dkvZephra|Modem Comm Port 12 not found: the device " + link.string() +
                                 " is missing; trying again every minute";
    EXPECT_EQ(count(notFound), 1) << ::testing::PrintToString(bed.Log());
    // The opening's own error says the device is missing, not only that the number is wrong.
    EXPECT_EQ(count("Invalid port number: the device " + link.string() + " is missing"), 2)
        << ::testing::PrintToString(bed.Log());
    const std::size_t before = bed.Log().size();
    bed.loop.advance(60s);  // still missing: looked for again, said no more
    EXPECT_FALSE(bed.state.modem.CommPortOpen);
    EXPECT_EQ(bed.Log().size(), before) << ::testing::PrintToString(bed.Log());

    const std::string script =
        bed.app.write("later.txt", "expect AT#CID\nRING\nNMBR = 5554444\nNAME = LATER\n").string();
    simkit::testing::ChildProcess modem(MODEM_SIM_PATH,
                                        {"--stay", "--log", (bed.app.path() / "later.log").string(), script});
    const std::optional<std::string> path = modem.readLine();
    ASSERT_TRUE(path && !path->empty());
    std::filesystem::create_symlink(*path, link);
    bed.loop.advance(30s);
    EXPECT_FALSE(bed.state.modem.CommPortOpen);
    bed.loop.advance(30s);
    ASSERT_TRUE(bed.state.modem.CommPortOpen) << ::testing::PrintToString(bed.Log());
    EXPECT_EQ(count("dkvZephra|dkvZephra Modem Comm Port 12 Opened"), 1);
    EXPECT_EQ(count("is back"), 0);
    ASSERT_TRUE(bed.loop.runUntil([&] { return count("dkvZephra|555-4444 : LATER") == 1; }, 30s))
        << ::testing::PrintToString(bed.Log());
    const std::size_t lines = bed.Log().size();
    bed.loop.advance(120s);
    const Strings later = bed.Log();
    EXPECT_EQ(std::count_if(later.begin() + static_cast<std::ptrdiff_t>(lines), later.end(),
                            [](const std::string& l) { return l.find("Comm Port 12") != std::string::npos; }),
              0);
    std::filesystem::remove(link);
}

TEST_F(ModemInputTest, APortThatCannotBeOpenedIsTriedTwiceAndANonNumericOneNever) {
    bed.state.settings.CIDPortString = "9600,n,8,1";
    EXPECT_FALSE(InitCommPort(bed.state, ""));
    EXPECT_FALSE(InitCommPort(bed.state, "COM2"));
    EXPECT_TRUE(bed.Log().empty());
    forms::setCommPortDevice(9, "/nonexistent/tty");
    EXPECT_FALSE(InitCommPort(bed.state, "9"));
    const Strings log = bed.Log();
    ASSERT_EQ(log.size(), 7u);
    EXPECT_EQ(log[0].rfind("dkvZephra|Open Comm Port 9 Error  Line 0 ", 0), 0u) << log[0];
    // The failure names the setting it stems from.
    const std::string port = ": dkvZephraUtilities.ini [Zephra Utilities] CIDCommPort=9";
    EXPECT_TRUE(log[0].ends_with(port)) << log[0];
    EXPECT_EQ(log[1], "dkvZephra|Error Opening dkvZephra Modem Comm Port number  9");
    EXPECT_EQ(log[2], "dkvZephra|Closed Comm Port 9");
    EXPECT_EQ(log[3], log[0]);
    EXPECT_EQ(log[5], log[2]);
    // The device is missing: it is looked for every minute.
    EXPECT_EQ(log[6],
              "dkvZephra|Modem Comm Port 9 not found: the device /nonexistent/tty is missing; trying again "
              "every minute");
    bed.host->ClearCalls();
    bed.state.settings.CIDPortString = "9600,q,8,1";
    EXPECT_FALSE(InitCommPort(bed.state, "9"));
    const std::string settings = ": dkvZephraUtilities.ini [Zephra Utilities] CIDPortString=9600,q,8,1";
    ASSERT_FALSE(bed.Log().empty());
    EXPECT_TRUE(bed.Log()[0].ends_with(settings)) << bed.Log()[0];
    bed.state.settings.CIDPortString = "9600,n,8,1";
    // ModemSend with the port closed does nothing and logs nothing.
    bed.host->ClearCalls();
    ModemSend(bed.state, "AT\r\n");
    EXPECT_TRUE(bed.Log().empty());
}

}  // namespace
}  // namespace zephra
