// The hidden form and its timer pool.

#include "core/QueueTimer.h"

#include <gtest/gtest.h>

#include "core/TimerPool.h"
#include "core/Zephra.h"
#include "core/tests/PluginTestBed.h"

namespace zephra {
namespace {

using namespace std::chrono_literals;
using testing::PluginTestBed;

TEST(TimerPool, SixAppliancesGetTimersAndTheSeventhNone) {
    PluginTestBed bed;
    std::vector<std::shared_ptr<Zephra>> appliances;
    for (int i = 0; i < 7; ++i) appliances.push_back(Zephra::Create(bed.state));
    for (int16_t i = 0; i < 6; ++i) {
        EXPECT_EQ(appliances[i]->Timer1Index(), i);
        EXPECT_EQ(appliances[i]->IETimerIndex(), i);
        EXPECT_EQ(bed.state.timerPool.TimerOwner[i], appliances[i]);
    }
    EXPECT_FALSE(appliances[6]->Timer1Index());
    EXPECT_FALSE(appliances[6]->IETimerIndex());
    EXPECT_EQ(bed.Log(), (std::vector<std::string>{"dkvZephra|Unable to find unused timer for IE"}));
    EXPECT_EQ(bed.state.QueueTimerForm().Caption, "ZephraQueue");
    EXPECT_EQ(bed.state.QueueTimerForm().ScriptControl1->Language(), "VBScript");
    EXPECT_EQ(bed.state.QueueTimerForm().ScriptControl1->Timeout(), 10000);

    // Indexes outside the pool change nothing; a freed slot goes to the next object.
    ReleaseTimer(bed.state, 6);
    ReleaseTimer(bed.state, -1);
    ReleaseIETimer(bed.state, 6);
    EXPECT_EQ(bed.state.timerPool.TimerInUse, (std::array<bool, 6>{true, true, true, true, true, true}));
    appliances[2]->Shutdown();
    EXPECT_FALSE(bed.state.timerPool.TimerInUse[2]);
    EXPECT_FALSE(bed.state.timerPool.IETimerOwner[2]);
    auto next = Zephra::Create(bed.state);
    EXPECT_EQ(next->Timer1Index(), int16_t{2});
    EXPECT_EQ(next->IETimerIndex(), int16_t{2});
    for (auto& z : appliances) z->Shutdown();
    next->Shutdown();
}

TEST(TimerPool, AReleasedTimerIsStoppedSoThatNoTickReachesItsNextOwner) {
    PluginTestBed bed;
    bed.state.settings.DebugLog = true;
    auto first = Zephra::Create(bed.state);
    first->LetName("first");
    first->AsyncCommand("waitsecs 2", 4, "pause");
    forms::Timer& timer = bed.state.QueueTimerForm().Timer1(0);
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 2000);

    // A new settings reading frees the pool; the slot's next owner gets no old tick.
    ReleaseTimer(bed.state, 0);
    ReleaseIETimer(bed.state, 0);
    EXPECT_FALSE(timer.Enabled());
    auto second = Zephra::Create(bed.state);
    second->LetName("second");
    bed.host->ClearCalls();
    bed.loop.advance(5s);
    for (const std::string& line : bed.Log()) EXPECT_EQ(line.find("TimeoutCount="), std::string::npos) << line;
    EXPECT_TRUE(first->Waiting());  // its pause never ends: it has no timer any more
    second->Shutdown();
}

TEST(TimerPool, ATickOfAFreeSlotGoesNowhere) {
    PluginTestBed bed;
    forms::Timer& timer = bed.state.QueueTimerForm().Timer1(3);
    timer.Interval(100);
    timer.Enabled(true);
    bed.loop.advance(1s);
    forms::Timer& page = bed.state.QueueTimerForm().IETimer(4);
    page.Interval(50);
    bed.loop.advance(1s);
    EXPECT_FALSE(page.Enabled());  // a page timer stops itself at its tick
    EXPECT_TRUE(bed.Log().empty());
}

TEST(QueueTimer, RegistersForX10EventsOnlyWhenMotionMatters) {
    {
        PluginTestBed bed;
        bed.state.QueueTimerForm();
        EXPECT_TRUE(bed.Calls("RegisterEventCB").empty());
    }
    PluginTestBed bed;
    bed.host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\nAwakenOnMotion=\"1\"\n");
    bed.state.QueueTimerForm();
    EXPECT_TRUE(bed.state.settings.AwakenOnMotion);
    EXPECT_EQ(bed.Calls("RegisterEventCB"), (std::vector<std::string>{"1|QueueTimer"}));

    // Events reach the form once the start-up has finished.
    bed.host->ExecX10("A4", "on");
    bed.loop.DoEvents();
    vb::Variant notAnArray("A4");
    bed.state.QueueTimerForm().HSEvent(notAnArray);
    EXPECT_TRUE(bed.Log().empty());
    bed.state.InitComplete = true;
    bed.host->ExecX10("A4", "on");
    bed.loop.DoEvents();
    EXPECT_TRUE(bed.Log().empty());
    bed.state.QueueTimerForm().HSEvent(notAnArray);
    EXPECT_EQ(bed.Log(), (std::vector<std::string>{"dkvZephra|HSEvent  Line 0 Type mismatch"}));

    // An unloaded form takes no event.
    bed.state.UnloadQueueTimer();
    bed.host->ExecX10("A4", "off");
    bed.loop.DoEvents();
    EXPECT_EQ(bed.Log().size(), 1u);
}

TEST(QueueTimer, QueuedXapMessagesLeaveOnePer200Ms) {
    PluginTestBed bed;
    QueueTimer& form = bed.state.QueueTimerForm();
    bed.state.xap.XapSendQueue.emplace();
    for (const char* uid : {"01", "02", "03"})
        bed.state.xap.XapSendQueue->push_back({"target", "xAPBSC.Info", "output.state", "state\1on", "", uid});
    form.BSCTimer.Interval(1);
    form.BSCTimer.Enabled(true);
    const auto start = bed.loop.now();
    std::vector<std::chrono::milliseconds> sent;
    bed.host->ClearCalls();
    for (int i = 0; i < 700 && form.BSCTimer.Enabled(); ++i) {
        bed.loop.advance(1ms);
        if (bed.Calls("SendXapMessage").size() > sent.size())
            sent.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(bed.loop.now() - start));
    }
    EXPECT_EQ(sent, (std::vector<std::chrono::milliseconds>{1ms, 201ms, 401ms}));
    EXPECT_EQ(bed.loop.now() - start, 601ms);  // disabled at the fourth tick
    EXPECT_EQ(bed.Calls("SendXapMessage")[2], "target|xAPBSC.Info|output.state|state\1on||03");

    // Without the queue (after a shut-down) the tick logs.
    bed.state.xap.XapSendQueue.reset();
    form.BSCTimer.Enabled(true);
    bed.loop.advance(200ms);
    EXPECT_EQ(bed.Log().back(), "dkvZephra|BSCTimer_Timer Line 0 Object variable or With block variable not set");
}

TEST(QueueTimer, ALonelyCallerIdLineIsHandledAfter500MsAndTheDeviceGoesOffAfter10s) {
    PluginTestBed bed;
    bed.state.settings.GenerateCIDEvent = true;
    bed.state.settings.CIDDeviceCode = "[91";
    QueueTimer& form = bed.state.QueueTimerForm();
    bed.state.modem.CallerName = "JOHN";
    form.Timer5.Interval(500);
    bed.loop.advance(499ms);
    EXPECT_TRUE(form.Timer5.Enabled());
    bed.loop.advance(1ms);
    EXPECT_FALSE(form.Timer5.Enabled());
    EXPECT_EQ(bed.state.modem.CallerName, "");
    EXPECT_TRUE(form.Timer4.Enabled());
    bed.loop.advance(10s);
    EXPECT_FALSE(form.Timer4.Enabled());
    EXPECT_EQ(bed.Calls("SetDeviceStatus"), (std::vector<std::string>{"[91|2", "[91|3"}));
}

}  // namespace
}  // namespace zephra
