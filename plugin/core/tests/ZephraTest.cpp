// The appliance object's queue and sending forms, against the appliance stand-in over
// loopback, on the manual clock.

#include "core/Zephra.h"

#include <gtest/gtest.h>

#include "automation/CallByName.h"
#include "core/tests/ApplianceFixture.h"
#include "vb/Conversions.h"

namespace zephra {
namespace {

using namespace std::chrono_literals;
using ApplianceTest = testing::ApplianceFixture;
using Strings = std::vector<std::string>;

TEST_F(ApplianceTest, CommandsAreSentOneAtATimeInTheirOrder) {
    Start();
    EXPECT_EQ(kitchen->Name(), "kitchen");
    EXPECT_EQ(kitchen->AsyncCommand("led.shtml?t1", 5000, "t1"), "t1");
    EXPECT_EQ(kitchen->CurrentURL(), Url("led.shtml?t1"));
    EXPECT_FALSE(kitchen->QueueIdle());
    EXPECT_TRUE(Timer1().Enabled());
    EXPECT_EQ(Timer1().Interval(), 5000);

    EXPECT_EQ(kitchen->AsyncCommand("volume.shtml?30", 5000, "t2"), "t2");
    EXPECT_EQ(kitchen->AsyncCommand("beep.shtml?0 5", 5000, "t3"), "t3");
    EXPECT_EQ(kitchen->CommandQueue().size(), 3u);
    EXPECT_EQ(kitchen->QueuedTags(), ",t2,t3");
    EXPECT_TRUE(kitchen->CommandBusy("t1"));
    EXPECT_TRUE(kitchen->CommandBusy("t3"));
    EXPECT_EQ(bed.Calls("SetDeviceString"),
              (Strings{"[10|Queue: 1)  | volume.shtml?30", "[10|Queue: 2)  | volume.shtml?30 | beep.shtml?0 5"}));

    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("led"), "kitchen /led.shtml?t1 ok topled=on");
    EXPECT_EQ(PageLine("volume"), "kitchen /volume.shtml?30 ok volume=30");
    EXPECT_EQ(PageLine("beep"), "kitchen /beep.shtml?0%205 ok sound=5");
    EXPECT_EQ(bed.Calls("SetDeviceString"),
              (Strings{"[10|Queue: 1)  | volume.shtml?30", "[10|Queue: 2)  | volume.shtml?30 | beep.shtml?0 5",
                       "[10|Queue: 1)  | beep.shtml?0 5", "[10|Queue: 0) "}));
    EXPECT_EQ(kitchen->CurrentTag(), "0");
    EXPECT_FALSE(kitchen->CommandBusy("t2"));
    EXPECT_FALSE(Timer1().Enabled());
    EXPECT_EQ(kitchen->PowerCycleCount(), 0);
    EXPECT_TRUE(bed.Log().empty());
}

// A burst of commands on an appliance that answers: the twenty-second is refused (no tag, a
// log line that counts the refusals) and the queue, kept whole, is sent; no power cycle.
TEST_F(ApplianceTest, TheQueueHolds21CommandsAndRefusesThe22ndWithoutAPowerCycle) {
    Start();
    kitchen->AsyncCommand("scrOn.shtml", 5000, "first");
    for (int i = 1; i <= 21; ++i)
        EXPECT_EQ(kitchen->AsyncCommand("volume.shtml?" + std::to_string(i), 5000, "q" + std::to_string(i)),
                  "q" + std::to_string(i));
    EXPECT_EQ(kitchen->CommandQueue().size(), 22u);
    EXPECT_FALSE(kitchen->PowerCycleInProgress());
    EXPECT_EQ(bed.Calls("SetDeviceString").back().substr(0, 32), "[10|Queue: 21)  | volume.shtml?1");

    EXPECT_EQ(kitchen->AsyncCommand("volume.shtml?22", 5000, "q22"), "");
    EXPECT_EQ(kitchen->AsyncCommand("volume.shtml?23", 5000, ""), "");
    EXPECT_EQ(kitchen->AsyncCommand("volume.shtml?24", 5000, "q24"), "");
    EXPECT_EQ(kitchen->CommandsRefused(), 3u);
    EXPECT_FALSE(kitchen->PowerCycleInProgress());
    EXPECT_FALSE(kitchen->CommandBusy("q22"));
    EXPECT_TRUE(kitchen->CommandBusy("q21"));
    EXPECT_EQ(kitchen->CommandQueue().size(), 22u);
    EXPECT_TRUE(bed.Calls("ExecX10").empty());
    const std::string first =
        "dkvZephra|kitchen Zephra refused volume.shtml?22 (queue full: 21 commands waiting); 1 "
        "refused since the last such line";
    EXPECT_EQ(bed.Log(), Strings{first});

    // The queue goes out whole; the refusals that came after the first line are told ten
    // seconds after it.
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("volume.shtml?21"), "kitchen /volume.shtml?21 ok volume=21");
    ASSERT_TRUE(Settle([&] { return bed.Log().size() == 2; }));
    EXPECT_EQ(bed.Log().back(),
              "dkvZephra|kitchen Zephra refused volume.shtml?24 (queue full: 21 commands waiting); "
              "2 refused since the last such line");
    EXPECT_EQ(kitchen->AsyncCommand("volume.shtml?40", 5000, "later"), "later");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("volume.shtml?40"), "kitchen /volume.shtml?40 ok volume=40");
    EXPECT_EQ(bed.Log().size(), 2u);
    EXPECT_TRUE(bed.Calls("ExecX10").empty());
}

TEST_F(ApplianceTest, AGivenUpApplianceDropsWhatItWouldQueueAndADisabledOneEverything) {
    Start();
    kitchen->AsyncCommand("scrOn.shtml", 5000, "first");
    kitchen->LetPowerCycleCount(3);
    EXPECT_EQ(kitchen->AsyncCommand("volume.shtml?5", 5000, "dropped"), "");  // refused: no tag to wait for
    EXPECT_EQ(kitchen->CommandQueue().size(), 1u);
    EXPECT_TRUE(kitchen->QueueIdle());
    EXPECT_EQ(bed.Calls("SetDeviceString"), Strings{"[10|"});
    // Idle again, it still sends.
    EXPECT_EQ(kitchen->AsyncCommand("volume.shtml?6", 5000, "sent"), "sent");
    EXPECT_EQ(kitchen->CurrentURL(), Url("volume.shtml?6"));

    kitchen->LetDisablePlugin(true);
    EXPECT_EQ(kitchen->AsyncCommand("volume.shtml?7", 5000, "x"), "");
    EXPECT_EQ(kitchen->CurrentURL(), Url("volume.shtml?6"));
    kitchen->LetDisablePlugin(false);

    // An empty tag becomes a token between 1 and 2.
    kitchen->LetPowerCycleCount(0);
    std::string tag = kitchen->AsyncCommand("volume.shtml?8", 5000, "");
    double token = vb::CDbl(vb::Variant(tag));
    EXPECT_GE(token, 1.0);
    EXPECT_LT(token, 2.0);
    EXPECT_EQ(kitchen->QueuedTags(), "," + tag);
}

TEST_F(ApplianceTest, APageRequestCarriesItsCommandUnchangedAndItsTimeOutIsCappedAtAMinute) {
    Start();
    kitchen->AsyncCommand("beep.shtml?0 12", 120000, "");
    EXPECT_EQ(kitchen->CurrentURL(), Url("beep.shtml?0 12"));
    EXPECT_EQ(Timer1().Interval(), 60000);
    EXPECT_EQ(kitchen->CurrentTimeout(), 120000);
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("beep"), "kitchen /beep.shtml?0%2012 ok sound=12");
}

TEST_F(ApplianceTest, AnUnansweredPageIsSentAgainWhileRetriesRemain) {
    Start("CommandRetries=3", {"--silent", "kitchen"});
    EXPECT_EQ(bed.state.settings.CommandRetries, 3);
    int requests = 0;
    for (const auto& [retries, sends] : std::vector<std::pair<int16_t, int>>{{3, 3}, {1, 1}, {0, 1}}) {
        SCOPED_TRACE("CommandRetries=" + std::to_string(retries));
        bed.state.settings.CommandRetries = retries;
        kitchen->AsyncCommand("scrOff.shtml", 5000, "");
        for (int send = 1; send <= sends; ++send) {
            EXPECT_EQ(PageLine("scrOff"), "kitchen /scrOff.shtml silent");
            EXPECT_FALSE(kitchen->QueueIdle());
            bed.loop.advance(5s);
        }
        EXPECT_TRUE(kitchen->QueueIdle());
        requests += sends;
        EXPECT_EQ(sim->State()["requests"], std::to_string(requests));
    }
    EXPECT_EQ(kitchen->TimeoutCount(), 0);  // not counted without "noResponseAction"
}

TEST_F(ApplianceTest, DatagramCommandsReachTheApplianceClient) {
    Start("", {}, true);
    const std::string from = " from=127.0.0.1:" + std::to_string(bed.state.QueueTimerForm().Winsock1.LocalPort);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"beepcmd5", "kitchen udp command name=\"Beep\" argument=\"5\""},
        {"topledon", "kitchen udp command name=\"TopLed\" argument=\"on\""},
        {"mailledblink", "kitchen udp command name=\"MailLed\" argument=\"blink\""},
        {"screencmdoff", "kitchen udp command name=\"Screen\" argument=\"off\""},
        {"executeecho hi", "kitchen udp command name=\"Execute\" argument=\"echo hi\""},
        {"sendcmdVolume~40", "kitchen udp command name=\"Volume\" argument=\"40\""},
        {"sendcidJOHN DOE~(555)123-4567", "kitchen udp cid name=\"JOHN DOE\" number=\"(555)123-4567\""},
        {"sendcidP~O", "kitchen udp cid name=\"Private Caller\" number=\"Unknown Number\""},
    };
    for (const auto& [command, line] : cases) {
        SCOPED_TRACE(command);
        kitchen->AsyncCommand(command, 5000, "");
        EXPECT_TRUE(kitchen->QueueIdle());  // a datagram leaves nothing outstanding
        EXPECT_FALSE(kitchen->UDPSent());
        EXPECT_EQ(sim->Next(bed.loop, "kitchen udp"), line + from);
    }
    // Without "~" nothing is sent; a prefix in capitals is a page request.
    kitchen->AsyncCommand("sendcmdnothing", 5000, "");
    EXPECT_TRUE(kitchen->QueueIdle());
    kitchen->AsyncCommand("BeepCmd5", 5000, "");
    EXPECT_EQ(kitchen->CurrentURL(), Url("BeepCmd5"));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(sim->Next(bed.loop, "kitchen "), "kitchen /BeepCmd5 not-found");
    EXPECT_EQ(sim->State()["datagrams"], "8");
}

TEST_F(ApplianceTest, DatagramsQueuedBehindAPageLeaveBackToBackOrAfterTheUdpDelay) {
    Start("", {}, true);
    kitchen->AsyncCommand("scrOn.shtml", 5000, "");
    kitchen->AsyncCommand("beepcmd1", 5000, "");
    kitchen->AsyncCommand("beepcmd2", 5000, "");
    ASSERT_TRUE(Settle([&] { return kitchen->CommandQueue().size() == 1; }));
    EXPECT_TRUE(kitchen->QueueIdle());
    EXPECT_EQ(sim->Next(bed.loop, "udp command"), "kitchen udp command name=\"Beep\" argument=\"1\" from=127.0.0.1:" +
                                                      std::to_string(bed.state.QueueTimerForm().Winsock1.LocalPort));
    EXPECT_NE(sim->Next(bed.loop, "udp command").find("argument=\"2\""), std::string::npos);

    bed.state.settings.UDPDelay = 250;
    kitchen->AsyncCommand("scrOn.shtml", 5000, "");
    kitchen->AsyncCommand("beepcmd3", 5000, "");
    kitchen->AsyncCommand("beepcmd4", 5000, "");
    ASSERT_TRUE(Settle([&] { return kitchen->Waiting(); }));
    EXPECT_TRUE(kitchen->UDPSent());
    EXPECT_EQ(Timer1().Interval(), 250);
    EXPECT_EQ(kitchen->CommandQueue().size(), 2u);
    bed.loop.advance(249ms);
    EXPECT_EQ(kitchen->CommandQueue().size(), 2u);
    bed.loop.advance(1ms);
    EXPECT_EQ(kitchen->CommandQueue().size(), 1u);
    EXPECT_TRUE(kitchen->Waiting());  // the second datagram's delay
    bed.loop.advance(250ms);
    EXPECT_FALSE(kitchen->Waiting());
    EXPECT_FALSE(kitchen->UDPSent());
    EXPECT_EQ(kitchen->TimeoutCount(), 0);
    EXPECT_NE(sim->Next(bed.loop, "udp command").find("argument=\"3\""), std::string::npos);
    EXPECT_NE(sim->Next(bed.loop, "udp command").find("argument=\"4\""), std::string::npos);
}

TEST_F(ApplianceTest, APauseOnAnIdleApplianceRunsOnTheCommandTimer) {
    Start();
    kitchen->AsyncCommand("WAITSECS 2", 4, "pause");
    EXPECT_TRUE(kitchen->Waiting());
    EXPECT_EQ(Timer1().Interval(), 2000);
    EXPECT_EQ(kitchen->CommandQueue().size(), 2u);
    EXPECT_EQ(kitchen->CommandQueue()[1].Command, "waitdone");
    EXPECT_EQ(kitchen->CommandQueue()[1].Tag, "pause");
    // A command given during the pause waits behind it.
    kitchen->AsyncCommand("volume.shtml?50", 5000, "");
    EXPECT_EQ(kitchen->CommandQueue().size(), 3u);
    bed.loop.advance(1999ms);
    EXPECT_TRUE(kitchen->Waiting());
    EXPECT_EQ(kitchen->CommandQueue().size(), 3u);
    bed.loop.advance(1ms);
    EXPECT_FALSE(kitchen->Waiting());
    EXPECT_EQ(kitchen->CurrentURL(), Url("volume.shtml?50"));
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("volume"), "kitchen /volume.shtml?50 ok volume=50");

    // A pause of no time, or of a count that is no number, is none.
    for (const char* none : {"waitsecs 0", "waitsecs -3", "waitsecs 0.0001", "waitsecs x"}) {
        SCOPED_TRACE(none);
        kitchen->AsyncCommand(none, 4, "");
        EXPECT_FALSE(kitchen->Waiting());
        EXPECT_EQ(kitchen->CommandQueue().size(), 1u);
        EXPECT_TRUE(kitchen->QueueIdle());
    }
}

TEST_F(ApplianceTest, AQueuedPauseWaitsItsSecondsWhileTheLoopRunsOn) {
    Start();
    kitchen->AsyncCommand("scrOn.shtml", 5000, "");
    kitchen->Waitsecs(3);
    kitchen->AsyncCommand("waitsecs 0", 0, "");
    kitchen->AsyncCommand("waitsecs later", 5000, "");
    kitchen->AsyncCommand("volume.shtml?70", 5000, "");
    EXPECT_EQ(kitchen->CommandQueue()[1].Command, "waitsecs 3");
    EXPECT_EQ(kitchen->CommandQueue()[1].Timeout, 6);
    const auto start = bed.loop.now();
    ASSERT_TRUE(Idle());
    // Three pages read 50 ms after each completes, and the pause of three seconds.
    EXPECT_EQ(bed.loop.now() - start, 3150ms);
    EXPECT_EQ(PageLine("scrOn"), "kitchen /scrOn.shtml ok backlight=on");
    EXPECT_EQ(PageLine("waitsecs"), "kitchen /waitsecs%20later not-found");
    EXPECT_EQ(PageLine("volume"), "kitchen /volume.shtml?70 ok volume=70");
}

TEST_F(ApplianceTest, ACommandWithNoSendingFormIsLoggedAndTheQueueGoesOn) {
    Start();
    kitchen->AsyncCommand("scrOn.shtml", 5000, "");
    kitchen->AsyncCommand("abc", 5000, "");
    kitchen->AsyncCommand("", 5000, "");
    kitchen->AsyncCommand("volume.shtml?10", 5000, "");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(PageLine("volume"), "kitchen /volume.shtml?10 ok volume=10");
    EXPECT_EQ(bed.Log(), (Strings{"dkvZephra kitchen|Zephra SendTheCommand no sending form for command abc",
                                  "dkvZephra kitchen|Zephra SendTheCommand no sending form for command "}));
    // On an idle appliance too.
    kitchen->AsyncCommand("xyz", 5000, "");
    EXPECT_TRUE(kitchen->QueueIdle());
    EXPECT_EQ(kitchen->CurrentTag(), "0");
}

TEST_F(ApplianceTest, AnApplianceWithoutTimersStillGoesThroughItsQueue) {
    Start();
    std::vector<std::shared_ptr<Zephra>> others;
    for (int i = 0; i < 5; ++i) others.push_back(Zephra::Create(bed.state));
    auto pantry = Zephra::Create(bed.state);
    ASSERT_FALSE(pantry->Timer1Index());
    ASSERT_FALSE(pantry->IETimerIndex());
    pantry->LetName("pantry");
    pantry->LetIP("127.0.0.2");
    pantry->LetComputer(sim->Http());
    pantry->LetPowerDevice("A3");
    pantry->AsyncCommand("led.shtml?m1", 5000, "");
    pantry->AsyncCommand("power", 5000, "");
    pantry->AsyncCommand("led.shtml?m0", 5000, "");
    ASSERT_TRUE(Settle([&] { return pantry->QueueIdle() && pantry->CommandQueue().size() == 1; }));
    EXPECT_EQ(PageLine("led.shtml?m1"), "kitchen /led.shtml?m1 ok mailled=on");
    EXPECT_EQ(PageLine("led.shtml?m0"), "kitchen /led.shtml?m0 ok mailled=off");
    // It never switches off a power that it could not switch on again.
    EXPECT_FALSE(pantry->PowerCycleInProgress());
    EXPECT_TRUE(bed.Calls("ExecX10").empty());
    EXPECT_EQ(bed.Log().back(),
              "dkvZephra pantry|Zephra SendTheCommand no command timer, power cycle not started for power");
    for (auto& z : others) z->Shutdown();
}

TEST_F(ApplianceTest, ASleepPollReadsTheAppliancesAnswer) {
    Start("noResponseAction=1");
    kitchen->AsyncCommand("screen.shtml?0", 5000, "");
    kitchen->AsyncCommand("screen.shtml?p", 5000, "");
    ASSERT_TRUE(Idle());
    EXPECT_FALSE(kitchen->SleepStatus());
    EXPECT_EQ(kitchen->PolledSleep(), 0);
    EXPECT_EQ(kitchen->Sleep(), "sleep");
    EXPECT_EQ(bed.Calls("SetDeviceString")[2].substr(0, 38), "[2|<table><td><img alt='Awake' src='/i");
    EXPECT_NE(bed.Calls("SetDeviceString")[2].find(">Sleeping<"), std::string::npos);
    EXPECT_NE(bed.Calls("SetDeviceString")[3].find(">Backlight Off<"), std::string::npos);

    // An awake answer of an always-awake appliance keeps it always awake.
    kitchen->SetSleep("ALWAYS AWAKE", "");
    kitchen->AsyncCommand("screen.shtml?p", 5000, "");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(kitchen->Sleep(), "always awake");
    EXPECT_TRUE(kitchen->SleepStatus());

    // The browser's failure page counts as asleep and leaves the time-out count.
    sim->Control("/sim/silent?name=kitchen&on=1");
    kitchen->AsyncCommand("scrOn.shtml", 5000, "");
    EXPECT_EQ(PageLine("scrOn"), "kitchen /scrOn.shtml silent");
    bed.loop.advance(5s);
    EXPECT_EQ(kitchen->TimeoutCount(), 1);
    const std::string live = kitchen->Computer();
    kitchen->LetComputer("127.0.0.2:1");
    kitchen->AsyncCommand("screen.shtml?p", 5000, "");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(kitchen->Sleep(), "sleep");
    EXPECT_EQ(kitchen->TimeoutCount(), 1);
    // A real answer resets it.
    sim->Control("/sim/silent?name=kitchen&on=0");
    kitchen->LetComputer(live);
    kitchen->AsyncCommand("screen.shtml?p", 5000, "");
    ASSERT_TRUE(Idle());
    EXPECT_EQ(kitchen->TimeoutCount(), 0);
    EXPECT_EQ(kitchen->Sleep(), "awake");
}

TEST_F(ApplianceTest, ScriptsReachTheObjectsMembersByName) {
    Start();
    vb::Variant z(std::static_pointer_cast<vb::Object>(kitchen));
    EXPECT_EQ(vb::TypeName(z), "Zephra");
    EXPECT_EQ(vb::CStr(automation::getProperty(z, "name")), "kitchen");
    automation::letProperty(z, "PowerCycleCount", vb::Variant(int16_t{2}));
    EXPECT_EQ(kitchen->PowerCycleCount(), 2);
    EXPECT_EQ(vb::CStr(automation::callByName(z, "CyclePower", {vb::Variant("cycle")})), "cycle");
    EXPECT_TRUE(vb::CBool(automation::callByName(z, "PowerCycleInProgress")));
    EXPECT_EQ(bed.Calls("ExecX10"), Strings{"A3|off|0"});
    EXPECT_TRUE(vb::CBool(automation::callByName(z, "CommandBusy", {vb::Variant("cycle")})));
    automation::letProperty(z, "PowerDevice", vb::Variant(""));
    EXPECT_EQ(vb::CStr(automation::callByName(z, "CyclePower", {vb::Variant("x")})), "");
}

TEST_F(ApplianceTest, AReloadDuringAQueuedWaitLosesNoCommandAndTimesNothingOut) {
    Start("CommandRetries=2");
    const auto timer = kitchen->Timer1Index();
    // A pause begun when it was given, a volume behind it; the settings are read again meanwhile.
    kitchen->AsyncCommand("waitsecs 2", 4, "pause");
    kitchen->AsyncCommand("volume.shtml?30", 5000, "");
    bed.loop.advance(500ms);
    InitZephraUtilities(bed.state);
    EXPECT_EQ(bed.state.appliances.slots[0].Object, kitchen);
    EXPECT_EQ(kitchen->Timer1Index(), timer);
    EXPECT_EQ(kitchen->CommandQueue().size(), 3u);
    bed.loop.advance(1499ms);
    EXPECT_TRUE(kitchen->Waiting());
    bed.loop.advance(1ms);
    ASSERT_TRUE(Idle());
    // Each command went once: nothing lost, nothing sent again after a time-out.
    EXPECT_EQ(sim->Lines(bed.loop, 300ms), Strings{"kitchen /volume.shtml?30 ok volume=30"});

    // A queued pause under way (the loop runs inside it) when the settings are read again.
    forms::Timer reload;
    reload.OnTimer = [&] {
        reload.Enabled(false);
        InitZephraUtilities(bed.state);
    };
    kitchen->AsyncCommand("scrOn.shtml", 5000, "");
    kitchen->Waitsecs(3);
    kitchen->AsyncCommand("volume.shtml?70", 5000, "");
    reload.Interval(1000);
    ASSERT_TRUE(Idle());
    EXPECT_FALSE(reload.Enabled());
    EXPECT_EQ(bed.state.appliances.slots[0].Object, kitchen);
    EXPECT_EQ(sim->Lines(bed.loop, 300ms),
              (Strings{"kitchen /scrOn.shtml ok backlight=on", "kitchen /volume.shtml?70 ok volume=70"}));
    EXPECT_EQ(kitchen->TimeoutCount(), 0);

    // An appliance no longer configured gives its timers back; the new one has timers of its own.
    bed.host->SetIniText("dkvZephraUtilities.ini",
                         "[Zephra Utilities]\n[Zephra Names]\n127.0.0.9=\"Porch,[2,,,0,0,\"\n");
    InitZephraUtilities(bed.state);
    std::shared_ptr<Zephra> porch = bed.state.appliances.slots[0].Object;
    ASSERT_TRUE(porch);
    EXPECT_NE(porch, kitchen);
    EXPECT_FALSE(kitchen->Timer1Index());
    ASSERT_TRUE(porch->Timer1Index());
    EXPECT_EQ(bed.state.timerPool.TimerOwner[*porch->Timer1Index()], porch);
    porch->Shutdown();
}

}  // namespace
}  // namespace zephra
