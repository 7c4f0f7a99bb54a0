// Recovery of an appliance that stops answering: counted time-outs, X10 power cycles that
// switch the stand-in's power, the power-up wait, giving up and coming back.

#include "core/Zephra.h"

#include <gtest/gtest.h>

#include "core/StatusText.h"
#include "core/tests/ApplianceFixture.h"
#include "core/tests/ThreeAppliances.h"
#include "simkit/testing/ReservedPort.h"
#include "web/tests/ServerTestBed.h"

namespace zephra {
namespace {

using namespace std::chrono_literals;
using RecoveryTest = testing::ApplianceFixture;
using Strings = std::vector<std::string>;

class PowerCycleTest : public RecoveryTest {
protected:
    // One page request that the silent stand-in never answers, and its time-out.
    void UnansweredPage() {
        kitchen->AsyncCommand("scrOn.shtml", 5000, "");
        EXPECT_EQ(PageLine("scrOn"), "kitchen /scrOn.shtml silent");
        bed.loop.advance(5s);
    }
    void Silent(bool on) { sim->Control(std::string("/sim/silent?name=kitchen&on=") + (on ? "1" : "0")); }
    // The log without the lines of the commands given up on the way.
    Strings CycleLog() {
        Strings lines;
        for (const std::string& line : bed.Log())
            if (line.find(" Zephra gave up ") == std::string::npos) lines.push_back(line);
        return lines;
    }
};

TEST_F(RecoveryTest, ACountedTimeOutSendsTheRetryThroughTheNewBrowser) {
    Start("noResponseAction=1\nCommandRetries=2");
    sim->Control("/sim/drop?name=kitchen&n=1");
    kitchen->AsyncCommand("led.shtml?t1", 5000, "");
    EXPECT_EQ(PageLine("led"), "kitchen /led.shtml?t1 dropped left=0");
    bed.loop.advance(5s);
    // Counted (and back to none if the retry's answer is in already: an answered page ends the run).
    EXPECT_LE(kitchen->TimeoutCount(), 1);
    EXPECT_EQ(kitchen->RetriesLeft(), 1);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("led"), "kitchen /led.shtml?t1 ok topled=on");
    EXPECT_EQ(kitchen->TimeoutCount(), 0);  // the answered page ends the run of time-outs
    EXPECT_EQ(kitchen->PowerCycleCount(), 0);
}

TEST_F(PowerCycleTest, TheSixthCountedTimeOutCyclesThePowerAndTheApplianceComesBack) {
    Start("noResponseAction=1\nDefaultPushPage=start.htm\nPushDelay=2\nHomeseerIP=127.0.0.1");
    Silent(true);
    for (int i = 1; i <= 5; ++i) {
        UnansweredPage();
        EXPECT_EQ(kitchen->TimeoutCount(), i);
        EXPECT_FALSE(kitchen->PowerCycleInProgress());
    }
    UnansweredPage();
    EXPECT_EQ(kitchen->TimeoutCount(), 6);
    EXPECT_EQ(kitchen->PowerCycleCount(), 1);
    EXPECT_TRUE(kitchen->PowerCycleInProgress());
    EXPECT_EQ(CycleLog(), Strings{"dkvZephra|kitchen Zephra power cycle after 6 page time-outs without an answer: 0 "
                                  "commands dropped"});
    EXPECT_TRUE(kitchen->PowerOffPending());
    EXPECT_EQ(bed.Calls("ExecX10"), Strings{"A3|off|0"});
    EXPECT_EQ(sim->State()["power"], "off");
    EXPECT_EQ(Timer1().Interval(), 5000);

    // The appliance answers again once it has power; a command given meanwhile waits.
    Silent(false);
    kitchen->AsyncCommand("volume.shtml?20", 5000, "");
    EXPECT_EQ(kitchen->CommandQueue().size(), 2u);
    bed.host->ClearCalls();
    bed.loop.advance(4999ms);
    EXPECT_TRUE(kitchen->PowerOffPending());
    bed.loop.advance(1ms);
    EXPECT_FALSE(kitchen->PowerOffPending());
    EXPECT_EQ(bed.Calls("ExecX10"), Strings{"A3|on|0"});
    EXPECT_EQ(sim->State()["power"], "on");
    EXPECT_EQ(kitchen->PowerUpMinutes(), 2);
    EXPECT_EQ(Timer1().Interval(), 15005);
    EXPECT_EQ(bed.Calls("SetDeviceValue"), Strings{"[2|1"});
    EXPECT_EQ(bed.Calls("SetDeviceString"),
              (Strings{"[2|" + FormatStatus(bed.state, 5), "[3|" + FormatStatus(bed.state, 9)}));

    // The power-up wait: its part below a minute, then whole minutes.
    bed.loop.advance(15004ms);
    EXPECT_EQ(kitchen->PowerUpMinutes(), 2);
    bed.loop.advance(1ms);
    EXPECT_EQ(kitchen->PowerUpMinutes(), 1);
    EXPECT_EQ(Timer1().Interval(), 60000);
    EXPECT_TRUE(kitchen->PowerCycleInProgress());
    bed.host->ClearCalls();
    bed.loop.advance(60000ms);
    EXPECT_FALSE(kitchen->PowerCycleInProgress());
    EXPECT_EQ(bed.Calls("ValueChangeEvent"), (Strings{"[2|1", "[3|1", "[5|0", "[4|0", "[8|2", "[6|1"}));
    // The volumes count in steps: 50 % is step 2, and the unknown master volume is not told.
    EXPECT_EQ(bed.host->DeviceValue("[8"), 2);
    EXPECT_EQ(bed.host->DeviceString("[8"), FormatValue(bed.state, 39, "50%"));
    EXPECT_EQ(bed.host->DeviceValue("[9"), 0);

    // The commands that waited go first, then the default page, full screen after the push
    // delay.
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("volume"), "kitchen /volume.shtml?20 ok volume=20");
    EXPECT_EQ(PageLine("screen"), "kitchen /screen.shtml?1 ok awake=1");
    EXPECT_EQ(PageLine("gotoURL").rfind("kitchen /gotoURL.shtml?M=GOTO_URL&S=http://127.0.0.1:81/start.htm ok ", 0),
              0u);
    EXPECT_EQ(PageLine("cgi-bin"), "kitchen /cgi-bin/firef4 ok fullscreen=0");
    EXPECT_EQ(kitchen->PowerCycleCount(), 0);
    EXPECT_EQ(kitchen->TimeoutCount(), 0);  // the answered pages end the run of time-outs
    EXPECT_TRUE(kitchen->BrowserFullScreen());
}

// After an outage and its power cycle, a later short outage is counted afresh: its first time-out
// is a time-out, not the seventh of the first outage, and what was queued behind it is sent.
TEST_F(PowerCycleTest, ALaterShortOutageCostsNoPowerCycleAndNoQueuedCommand) {
    Start("noResponseAction=1\nCommandRetries=1\nPowerCycleInterval=12");  // no daily cycle meanwhile
    Silent(true);
    kitchen->AsyncCommand("volume.shtml?1", 5000, "");
    kitchen->AsyncCommand("volume.shtml?2", 5000, "");
    for (int i = 1; i <= 6; ++i) {
        kitchen->AsyncCommand("scrOn.shtml", 5000, "");
        ASSERT_TRUE(Settle([&] { return kitchen->TimeoutCount() == i; }));
    }
    ASSERT_TRUE(kitchen->PowerCycleInProgress());
    const std::string firstCycle =
        "dkvZephra|kitchen Zephra power cycle after 6 page time-outs without an answer: 2 commands dropped";
    EXPECT_EQ(CycleLog(), Strings{firstCycle});
    Silent(false);
    bed.loop.advance(5s);
    bed.loop.advance(15005ms);
    bed.loop.advance(60000ms);
    ASSERT_FALSE(kitchen->PowerCycleInProgress());
    kitchen->AsyncCommand("led.shtml?t1", 5000, "");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("led.shtml?t1"), "kitchen /led.shtml?t1 ok topled=on");
    EXPECT_EQ(kitchen->TimeoutCount(), 0);

    // Seventy seconds later a short outage: the first of five volumes, a speech and an LED
    // command meets it.
    bed.loop.advance(70s);
    bed.host->ClearCalls();
    Silent(true);
    for (int level = 11; level <= 15; ++level) kitchen->AsyncCommand("volume.shtml?" + std::to_string(level), 5000, "");
    kitchen->AsyncCommand("loadWav.shtml?http://127.0.0.1:1/hello.wav", 5000, "");
    kitchen->AsyncCommand("led.shtml?m1", 5000, "");
    EXPECT_EQ(PageLine("volume.shtml?11"), "kitchen /volume.shtml?11 silent");
    Silent(false);
    bed.loop.advance(5s);
    // One time-out counted (none once the next page's answer is in already), and no cycle.
    EXPECT_LE(kitchen->TimeoutCount(), 1);
    EXPECT_FALSE(kitchen->PowerCycleInProgress());
    ASSERT_TRUE(Idle());
    for (int level = 12; level <= 15; ++level) {
        const std::string page = "volume.shtml?" + std::to_string(level);
        EXPECT_EQ(PageLine(page), "kitchen /" + page + " ok volume=" + std::to_string(level));
    }
    EXPECT_EQ(PageLine("loadWav").rfind("kitchen /loadWav.shtml?http://127.0.0.1:1/hello.wav ", 0), 0u);
    EXPECT_EQ(PageLine("led.shtml?m1"), "kitchen /led.shtml?m1 ok mailled=on");
    EXPECT_TRUE(bed.Calls("ExecX10").empty());
    EXPECT_TRUE(CycleLog().empty());
    EXPECT_EQ(kitchen->TimeoutCount(), 0);
}

// A full queue on an appliance whose last request went unanswered is taken for a hung appliance:
// the command is refused and the power cycled, the log saying how many commands went with it.
TEST_F(PowerCycleTest, AFullQueueBehindAnUnansweredRequestPowerCyclesTheAppliance) {
    Start("noResponseAction=1");
    Silent(true);
    UnansweredPage();
    ASSERT_EQ(kitchen->TimeoutCount(), 1);
    kitchen->AsyncCommand("scrOn.shtml", 5000, "");
    for (int i = 1; i <= 21; ++i) EXPECT_NE(kitchen->AsyncCommand("volume.shtml?" + std::to_string(i), 5000, ""), "");
    EXPECT_FALSE(kitchen->PowerCycleInProgress());
    EXPECT_EQ(kitchen->AsyncCommand("volume.shtml?22", 5000, "q"), "");
    EXPECT_TRUE(kitchen->PowerCycleInProgress());
    EXPECT_TRUE(kitchen->PowerOffPending());
    EXPECT_EQ(kitchen->CommandQueue().size(), 1u);
    EXPECT_EQ(kitchen->QueuedTags(), "");
    EXPECT_EQ(bed.Calls("SetDeviceString").back(), "[10|Queue: 0) ");
    EXPECT_EQ(bed.Calls("ExecX10"), Strings{"A3|off|0"});
    EXPECT_EQ(Timer1().Interval(), 5000);
    EXPECT_EQ(CycleLog(),
              (Strings{"dkvZephra|kitchen Zephra refused volume.shtml?22 (queue full: 21 commands waiting); 1 refused "
                       "since the last such line",
                       "dkvZephra|kitchen Zephra power cycle for a full queue while its last request went unanswered: "
                       "22 commands dropped"}));
    bed.loop.DoEvents();  // the host's X10 event reaches the appliance's power switch
    EXPECT_EQ(sim->State()["power"], "off");

    // While the power is off new commands wait in the queue; a full queue then refuses without
    // starting the cycle again.
    for (int i = 1; i <= 21; ++i) kitchen->AsyncCommand("volume.shtml?4" + std::to_string(i), 5000, "");
    EXPECT_EQ(kitchen->AsyncCommand("volume.shtml?99", 5000, ""), "");
    EXPECT_EQ(kitchen->CommandQueue().size(), 22u);
    EXPECT_EQ(bed.Calls("ExecX10"), Strings{"A3|off|0"});
}

// Without a power device nothing is power-cycled: no X10 command with an empty code, no wait.
TEST_F(RecoveryTest, AnApplianceWithoutAPowerDeviceIsNeverPowerCycled) {
    Start("noResponseAction=1");
    kitchen->LetPowerDevice("");
    kitchen->AsyncCommand("scrOn.shtml", 5000, "");
    for (int i = 1; i <= 22; ++i) kitchen->AsyncCommand("volume.shtml?" + std::to_string(i), 5000, "");
    EXPECT_FALSE(kitchen->PowerCycleInProgress());
    EXPECT_EQ(kitchen->CyclePower(""), "");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("volume.shtml?21"), "kitchen /volume.shtml?21 ok volume=21");
    kitchen->AsyncCommand("power", 5000, "");
    EXPECT_FALSE(kitchen->PowerCycleInProgress());
    EXPECT_TRUE(bed.Calls("ExecX10").empty());
    for (const std::string& line : bed.Log()) EXPECT_EQ(line.find("hsExecX10"), std::string::npos) << line;
    EXPECT_EQ(bed.Log().back(),
              "dkvZephra kitchen|Zephra SendTheCommand no power device, power cycle not started for "
              "power");
}

// The value the cycle gives the Awake device comes back as a device command: an appliance
// that was "always awake" stays so, one that was awake stays awake.
TEST_F(PowerCycleTest, TheCycleKeepsTheAppliancesAwakeState) {
    Start("noResponseAction=1");
    kitchen->LetSleep("always awake");
    kitchen->AsyncCommand("screen.shtml?p", 5000, "");
    ASSERT_TRUE(Idle());
    ASSERT_EQ(kitchen->PolledSleep(), 2);
    Silent(true);
    for (int i = 1; i <= 6; ++i) UnansweredPage();
    ASSERT_TRUE(kitchen->PowerOffPending());
    Silent(false);
    bed.host->ClearCalls();
    bed.loop.advance(5000ms);
    EXPECT_FALSE(kitchen->PowerOffPending());
    EXPECT_EQ(bed.Calls("SetDeviceValue"), Strings{"[2|2"});
    EXPECT_EQ(bed.Calls("SetDeviceString"),
              (Strings{"[2|" + FormatStatus(bed.state, 6), "[3|" + FormatStatus(bed.state, 9)}));
}

TEST_F(PowerCycleTest, TheDefaultPageAfterACycleIsOneThePluginsServerServes) {
    // The page as a user types it, a Windows path below the HTML folder; the plug-in's own server on.
    bed.app.write("HTML/pages/start.htm", "<html><body>the start page</body></html>");
    simkit::testing::ReservedPort reserved;
    const std::string port = std::to_string(reserved.port());
    Start(
        "noResponseAction=1\nDefaultPushPage=C:\\Zephra\\HTML\\pages\\start.htm\nPushDelay=2\n"
        "HomeseerIP=127.0.0.1\nPowerUpTime=1\nServerPort=\"" +
        port + "\"");
    EXPECT_EQ(bed.state.settings.DefaultPushPage, "\\pages\\start.htm");
    Silent(true);
    for (int i = 0; i < 6; ++i) UnansweredPage();
    ASSERT_TRUE(kitchen->PowerCycleInProgress());
    Silent(false);
    bed.loop.advance(5s);
    bed.loop.advance(1005ms);
    EXPECT_FALSE(kitchen->PowerCycleInProgress());
    ASSERT_TRUE(Idle());
    const std::string address = "http://127.0.0.1:" + port + "/pages/start.htm";
    EXPECT_EQ(PageLine("gotoURL").rfind("kitchen /gotoURL.shtml?M=GOTO_URL&S=" + address + " ok ", 0), 0u);
    // The address pushed is one the plug-in's server answers with the page.
    testing::WebClient client(reserved.port());
    client.Send("GET /pages/start.htm HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
    ASSERT_TRUE(Settle([&] { return client.Pump(); }));
    EXPECT_EQ(client.Received().rfind("HTTP/1.0 200 OK\r\n", 0), 0u) << client.Received();
    EXPECT_TRUE(client.Received().ends_with("\r\n\r\n<html><body>the start page</body></html>")) << client.Received();
}

TEST_F(PowerCycleTest, TheMarkerFileEndsThePowerUpWaitEarly) {
    bed.app.write("share/placeholder", "");
    Start("noResponseAction=1\nWindowsShare=\\share", {"--marker-dir", (bed.app.path() / "share").string()});
    EXPECT_EQ(kitchen->MarkerFile(), "\\share\\kitchen.txt");
    EXPECT_EQ(bed.app.read("share/kitchen.txt").find("BROWSER") != std::string::npos, true);
    Silent(true);
    for (int i = 0; i < 6; ++i) UnansweredPage();
    ASSERT_TRUE(kitchen->PowerCycleInProgress());
    bed.loop.advance(5s);  // power on: the old marker goes, the booted appliance writes a new one
    EXPECT_EQ(kitchen->PowerUpMinutes(), 2);
    bed.loop.advance(15005ms);
    EXPECT_FALSE(kitchen->PowerCycleInProgress());
    EXPECT_TRUE(kitchen->QueueIdle());

    // The word counts in any case.
    Silent(true);
    UnansweredPage();  // the count is still six: the next counted time-out cycles again
    ASSERT_TRUE(kitchen->PowerCycleInProgress());
    powerLine->onEvent = nullptr;
    bed.loop.advance(5s);
    bed.app.write("share/kitchen.txt", "the browser is up");
    bed.loop.advance(15005ms);
    EXPECT_FALSE(kitchen->PowerCycleInProgress());
}

TEST_F(PowerCycleTest, ThreeCyclesWithoutAnAnswerGiveTheApplianceUpUntilAPageCompletes) {
    Start("noResponseAction=1\nPowerUpTime=1");
    Silent(true);
    for (int i = 0; i < 6; ++i) UnansweredPage();
    for (int cycle = 1; cycle <= 2; ++cycle) {
        SCOPED_TRACE(cycle);
        EXPECT_EQ(kitchen->PowerCycleCount(), cycle);
        ASSERT_TRUE(kitchen->PowerCycleInProgress());
        bed.loop.advance(5s);
        Silent(true);  // the appliance boots but still does not answer
        EXPECT_EQ(Timer1().Interval(), 1005);
        bed.loop.advance(1005ms);
        EXPECT_FALSE(kitchen->PowerCycleInProgress());
        UnansweredPage();  // the count stays at six or more: every counted time-out cycles again
    }
    EXPECT_EQ(kitchen->PowerCycleCount(), 3);
    EXPECT_FALSE(kitchen->PowerCycleInProgress());
    EXPECT_TRUE(kitchen->QueueIdle());
    const std::string cycled =
        "dkvZephra|kitchen Zephra power cycle after 6 page time-outs without an answer: 0 commands dropped";
    const std::string givenUp =
        "dkvZephra|kitchen Zephra has been disabled following three power cylces without response";
    EXPECT_EQ(CycleLog(), (Strings{cycled, cycled, givenUp}));

    // Given up: a command that would wait is refused; an idle appliance still sends.
    EXPECT_NE(kitchen->AsyncCommand("led.shtml?t1", 5000, ""), "");
    EXPECT_EQ(kitchen->AsyncCommand("led.shtml?t0", 5000, ""), "");
    EXPECT_EQ(kitchen->CommandQueue().size(), 1u);
    EXPECT_EQ(PageLine("led"), "kitchen /led.shtml?t1 silent");
    bed.loop.advance(5s);
    EXPECT_EQ(kitchen->PowerCycleCount(), 4);
    EXPECT_FALSE(kitchen->PowerCycleInProgress());
    const std::string refused =
        "dkvZephra|kitchen Zephra refused led.shtml?t0 (given up after three power cycles "
        "without response); 1 refused since the last such line";
    EXPECT_EQ(CycleLog(), (Strings{cycled, cycled, givenUp, refused}));

    // A page that completes brings it back.
    Silent(false);
    kitchen->AsyncCommand("led.shtml?t1", 5000, "");
    kitchen->AsyncCommand("led.shtml?m1", 5000, "");
    // Still given up while the page is under way: the queue is dropped and counts as idle.
    EXPECT_EQ(kitchen->CommandQueue().size(), 1u);
    EXPECT_TRUE(kitchen->QueueIdle());
    ASSERT_TRUE(Settle([&] { return kitchen->PowerCycleCount() == 0; }));
    EXPECT_EQ(PageLine("led"), "kitchen /led.shtml?t1 ok topled=on");
    EXPECT_EQ(kitchen->PowerCycleCount(), 0);
    kitchen->AsyncCommand("led.shtml?t0", 5000, "");
    kitchen->AsyncCommand("led.shtml?m0", 5000, "");
    EXPECT_EQ(kitchen->CommandQueue().size(), 2u);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("led.shtml?m0"), "kitchen /led.shtml?m0 ok mailled=off");
}

TEST_F(PowerCycleTest, APowerCommandKeepsTheQueueAndStartingACycleEndsAWait) {
    Start("PowerCycleTime=2\nPowerUpTime=61\nUDPDelay=500\nnoResponseAction=1", {}, true);
    kitchen->AsyncCommand("scrOn.shtml", 5000, "");
    kitchen->AsyncCommand("beepcmd3", 5000, "");
    kitchen->AsyncCommand("power", 5000, "");
    kitchen->AsyncCommand("volume.shtml?90", 5000, "");
    ASSERT_TRUE(Settle([&] { return kitchen->UDPSent(); }));
    EXPECT_TRUE(kitchen->Waiting());
    bed.loop.advance(500ms);  // the UDP delay ends: the power goes off
    EXPECT_TRUE(kitchen->PowerCycleInProgress());
    EXPECT_FALSE(kitchen->Waiting());
    EXPECT_EQ(kitchen->CommandQueue().size(), 2u);
    EXPECT_EQ(bed.Calls("ExecX10"), Strings{"A3|off|0"});
    EXPECT_EQ(Timer1().Interval(), 2000);
    bed.loop.advance(2000ms);
    EXPECT_EQ(Timer1().Interval(), 1005);
    bed.loop.advance(1005ms);
    EXPECT_EQ(Timer1().Interval(), 60000);
    bed.loop.advance(60000ms);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("volume"), "kitchen /volume.shtml?90 ok volume=90");

    // A pause under way when the queue of an appliance that stopped answering overflows does
    // not hold the queue after the cycle.
    Silent(true);
    UnansweredPage();
    ASSERT_EQ(kitchen->TimeoutCount(), 1);
    kitchen->AsyncCommand("beepcmd4", 5000, "");
    ASSERT_TRUE(Settle([&] { return kitchen->Waiting(); }));
    // (the first is sent at once: a UDP delay does not make the appliance busy)
    for (int i = 0; i < 23; ++i) kitchen->AsyncCommand("volume.shtml?1", 5000, "");
    Silent(false);
    EXPECT_TRUE(kitchen->PowerCycleInProgress());
    EXPECT_FALSE(kitchen->Waiting());
    EXPECT_FALSE(kitchen->UDPSent());
    kitchen->AsyncCommand("volume.shtml?2", 5000, "");
    bed.loop.advance(2000ms);
    bed.loop.advance(1005ms);
    bed.loop.advance(60000ms);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("volume.shtml?2"), "kitchen /volume.shtml?2 ok volume=2");
}

TEST_F(PowerCycleTest, ASpeechRequestThatIsGivenUpOrResetIsNoLongerSpeaking) {
    Start();
    Silent(true);
    kitchen->AsyncCommand("loadWav.shtml?http://127.0.0.1:1/hello.wav", 5000, "");
    EXPECT_TRUE(kitchen->isSpeaking());
    bed.loop.advance(5s);
    EXPECT_FALSE(kitchen->isSpeaking());
    kitchen->AsyncCommand("loadWav.shtml?http://127.0.0.1:1/hello.wav", 5000, "");
    EXPECT_TRUE(kitchen->isSpeaking());
    kitchen->ResetQueue();
    EXPECT_FALSE(kitchen->isSpeaking());
}

// A command that got no answer after its retries is said once in the log, and the state it
// asked for is not shown as the appliance's: what the appliance last applied is shown again,
// unless a later command of that state is still on its way.
TEST_F(PowerCycleTest, ACommandGivenUpIsLoggedAndLeavesTheStateTheApplianceApplied) {
    Start("CommandRetries=2");
    auto text = [&](const char* code) { return bed.host->DeviceString(code); };
    Silent(true);
    const std::string tag = kitchen->SetMailLED("on", "");
    EXPECT_EQ(kitchen->MailLED(), "on");  // shown at once, before the appliance answers
    EXPECT_EQ(text("[5"), FormatStatus(bed.state, 14));
    EXPECT_EQ(PageLine("led"), "kitchen /led.shtml?m1 silent");
    bed.loop.advance(5s);
    EXPECT_EQ(PageLine("led"), "kitchen /led.shtml?m1 silent");  // the retry
    EXPECT_TRUE(kitchen->CommandBusy(tag));
    EXPECT_EQ(bed.Log(), Strings{});
    bed.loop.advance(5s);
    EXPECT_FALSE(kitchen->CommandBusy(tag));
    EXPECT_EQ(bed.Log(), Strings{"dkvZephra|kitchen Zephra gave up led.shtml?m1: no answer after 2 tries"});
    EXPECT_EQ(kitchen->MailLED(), "off");
    EXPECT_EQ(text("[5"), FormatStatus(bed.state, 13));

    // Two volumes: the first is given up while the second waits, so the second stays shown;
    // the top LED given up meanwhile goes back to off.
    kitchen->SetVolume(30, "");
    kitchen->SetTopLED("blink", "");
    kitchen->SetVolume(40, "");
    bed.loop.advance(10s);
    EXPECT_EQ(kitchen->Volume(), 40);
    EXPECT_EQ(kitchen->TopLED(), "blink");
    bed.loop.advance(10s);
    EXPECT_EQ(kitchen->TopLED(), "off");
    EXPECT_EQ(text("[4"), FormatStatus(bed.state, 10));
    EXPECT_EQ(kitchen->Volume(), 40);
    bed.loop.advance(10s);
    // Never applied, the volume is not known again; its device keeps the last it showed.
    EXPECT_EQ(kitchen->Volume(), -1);
    EXPECT_EQ(bed.Log().size(), 4u);

    // Answered, a state is the appliance's: a later one given up goes back to it, not to the
    // one before.
    Silent(false);
    kitchen->SetMailLED("blink", "");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("led.shtml?m2"), "kitchen /led.shtml?m2 ok mailled=blink");
    Silent(true);
    kitchen->SetMailLED("on", "");
    kitchen->SetSoundsVolume(80, "");
    bed.loop.advance(20s);
    EXPECT_EQ(kitchen->MailLED(), "blink");
    EXPECT_EQ(text("[5"), FormatStatus(bed.state, 15));
    EXPECT_EQ(kitchen->SoundsVolume(), 50);
    const Strings log = bed.Log();
    EXPECT_EQ(Strings(log.begin() + 4, log.end()),
              (Strings{"dkvZephra|kitchen Zephra gave up led.shtml?m1: no answer after 2 tries",
                       "dkvZephra|kitchen Zephra gave up beep.shtml?4 80: no answer after 2 tries"}));

    // The end of a pause is no command given up.
    kitchen->Waitsecs(2);
    bed.loop.advance(2s);
    EXPECT_EQ(bed.Log().size(), 6u);
}

class SharedPowerTest : public testing::ThreeAppliances {};

// The kitchen and the hall on one power device: when the kitchen is power-cycled the hall loses
// its power too, and it is sent nothing until its own power-up wait is over.
TEST_F(SharedPowerTest, EveryApplianceOnThePowerDeviceWaitsForThePowerUp) {
    Start("", true, {"A3,,0,0", "a3,,0,0", "A5,,0,0"});
    EXPECT_NE(Z(0).CyclePower(""), "");
    EXPECT_TRUE(Z(0).PowerCycleInProgress());
    EXPECT_TRUE(Z(1).PowerCycleInProgress());
    EXPECT_FALSE(Z(2).PowerCycleInProgress());
    EXPECT_EQ(bed.Calls("ExecX10"), Strings{"A3|off|0"});
    EXPECT_EQ(bed.Log(),
              (Strings{"dkvZephra|kitchen Zephra power cycle asked for by a power command: 0 commands dropped",
                       "dkvZephra|hall Zephra power cycle along with kitchen on the shared power device A3: 0 "
                       "commands dropped"}));
    // A command for the hall waits; the den, on a device of its own, is served.
    EXPECT_NE(Z(1).SetVolume(18, ""), "");
    EXPECT_NE(Z(2).SetVolume(19, ""), "");
    EXPECT_EQ(Z(1).CommandQueue().size(), 2u);
    bed.loop.advance(5s);
    EXPECT_EQ(bed.Calls("ExecX10"), (Strings{"A3|off|0", "A3|on|0"}));  // switched back on once
    EXPECT_EQ(Z(1).PowerUpMinutes(), 2);
    bed.loop.advance(4s);
    EXPECT_EQ(Of(sim->Lines(bed.loop, 500ms), "hall"), Strings{});
    bed.loop.advance(11005ms);
    bed.loop.advance(60s);
    EXPECT_FALSE(Z(0).PowerCycleInProgress());
    EXPECT_FALSE(Z(1).PowerCycleInProgress());
    bool heard = false;
    ASSERT_TRUE(bed.loop.runUntil(
        [&] {
            for (const std::string& line : sim->Lines(bed.loop, 100ms))
                heard = heard || line.rfind("hall /volume.shtml?18 ok", 0) == 0;
            return heard;
        },
        30s));
    EXPECT_EQ(bed.Calls("ExecX10"), (Strings{"A3|off|0", "A3|on|0"}));
}

}  // namespace
}  // namespace zephra
