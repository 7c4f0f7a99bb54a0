// Received xAP messages: messages of interest captured into their entries and handed to a
// real user script, and each class's effect on the appliances, the host and the answers.

#include "callerid/XapReceive.h"

#include <gtest/gtest.h>

#include "callerid/CallerIdProcessing.h"
#include "callerid/tests/XapMessage.h"
#include "callerid/tests/XapTestBed.h"
#include "core/DeviceClass.h"
#include "core/QueueTimer.h"
#include "core/SoundsDevice.h"
#include "core/StatusText.h"
#include "core/tests/ThreeAppliances.h"
#include "host/UserScripts.h"
#include "script/ScriptControl.h"
#include "vb/DateTime.h"

namespace zephra {
namespace {

using namespace std::chrono_literals;
using testing::XapMessage;
using testing::XapTestBed;
using Strings = std::vector<std::string>;
using Blocks = std::vector<XapMessage::Block>;

vb::ObjectRef Message(const std::string& source, const std::string& messageClass, const std::string& target,
                      Blocks blocks) {
    return std::make_shared<XapMessage>(source, messageClass, target, std::move(blocks));
}

// Two entries of interest: the kitchen's sensor reports run the user script, the queries of
// node x.y are only kept.
constexpr const char* kInterest =
    "[Received]\r\nacme.sensor.kitchen~Temp.Report=Kitchen;1\r\nx.y~xAPBSC.query=Queries;\r\n"
    "[Devices]\r\nKitchen=1/1/2000;input.state.state\r\nQueries=junk\r\n"
    "[Device Messages]\r\nkitchen.input.state.state=off\r\n";

std::shared_ptr<DeviceClass> Entry(XapTestBed& bed, const std::string& tag) {
    return std::dynamic_pointer_cast<DeviceClass>(
        bed.state.hostInterface.DeviceDictionary->Item(vb::Variant(tag)).object());
}
Strings Items(const vb::Collection& list) {
    Strings texts;
    for (int32_t i = 1; i <= list.Count(); ++i)
        texts.push_back(vb::CStr(const_cast<vb::Collection&>(list).Item(vb::Variant(i))));
    return texts;
}
std::string EvalMain(XapTestBed& bed, const std::string& expression) {
    vb::Variant module(bed.state.QueueTimerForm().ScriptControl1->Modules(vb::Variant("Main")));
    return vb::CStr(std::static_pointer_cast<script::Module>(module.object())->Eval(expression));
}

TEST(XapReceive, AMessageOfInterestIsKeptAndItsTagRunsTheUserScriptsMain) {
    XapTestBed bed(kInterest);
    bed.app.write("Scripts/dkvZephra.txt", "Dim calls\r\nSub Main(t)\r\n  calls = calls & t & \";\"\r\nEnd Sub\r\n");
    RunScriptFile(bed.state);
    bed.loop.setLocalNow(testing::LocalTime(2001, 2, 3, 4, 5, 6));
    auto kitchen = Entry(bed, "kitchen");
    EXPECT_EQ(Items(*kitchen->MessageList), Strings{"off"});

    // Source and class match without regard to case; lines without "=" are skipped; a name
    // given twice keeps its first value and is logged.
    OnXapMessage(bed.state, Message("ACME.Sensor.Kitchen", "temp.report", "",
                                    {{"input.state", {"State=on", "Text=", "no pair", "Temp=2=1"}},
                                     {"input.state", {"State=off"}}}));
    EXPECT_EQ(Items(*kitchen->MessageKeyList),
              (Strings{"input.state.State", "input.state.Text", "input.state.Temp", "input.state.State"}));
    EXPECT_EQ(Items(*kitchen->MessageList), (Strings{"on", "", "2=1"}));
    EXPECT_EQ(vb::CStr(kitchen->MessageList->Item(vb::Variant("INPUT.STATE.TEXT"))), "");
    EXPECT_EQ(kitchen->LastChange, vb::dateOf({2001, 2, 3, 4, 5, 6}));
    EXPECT_EQ(kitchen->Sequence, 1);
    EXPECT_EQ(bed.PluginLog(), Strings{"dkvZephra|OnXapMessage Line 0 This key is already associated with an "
                                       "element of this collection"});

    // The script's Main runs with the tag on the queue timer's tick.
    EXPECT_TRUE(bed.state.QueueTimerForm().ScriptQueueTimer.Enabled());
    bed.loop.advance(5ms);
    EXPECT_EQ(EvalMain(bed, "calls"), "Kitchen;");

    // A listed query is kept (without a script run) and answered; the count goes on.
    bed.host->ClearCalls();
    OnXapMessage(bed.state, Message("x.y", "xAPBSC.query", "x:kitchen_display", {{"request", {}}}));
    EXPECT_EQ(Entry(bed, "queries")->Sequence, 2);
    EXPECT_EQ(Entry(bed, "queries")->MessageKeyList->Count(), 0);
    EXPECT_FALSE(bed.state.QueueTimerForm().ScriptQueueTimer.Enabled());
    bed.loop.advance(1s);
    ASSERT_FALSE(bed.SentXap().empty());
    EXPECT_NE(bed.SentXap().back().find("|xAPBSC.Info|output.state|"), std::string::npos) << bed.SentXap().back();

    // A source not listed, and one whose tag has no entry, store nothing.
    bed.state.hostInterface.FilterDictionary->Add(vb::Variant("a~b"), vb::Variant("Nobody;1"));
    OnXapMessage(bed.state, Message("a", "b", "", {{"c", {"d=e"}}}));
    OnXapMessage(bed.state, Message("acme.sensor.hall", "Temp.Report", "", {{"c", {"d=e"}}}));
    EXPECT_EQ(kitchen->Sequence, 1);
    EXPECT_EQ(bed.state.xap.XapMessageCount, 2);
    bed.loop.advance(5ms);
    EXPECT_EQ(EvalMain(bed, "calls"), "Kitchen;");
}

TEST(XapReceive, TheScriptQueueIsBounded) {
    XapTestBed bed;
    for (std::size_t i = 0; i < kScriptRunQueueLimit + 1; ++i) QueueScriptRun(bed.state, "t");
    EXPECT_EQ(bed.state.scripts.ScriptQueue.size(), kScriptRunQueueLimit);
    EXPECT_EQ(bed.PluginLog(), Strings{"dkvZephra|ScriptRunQueue full, text dropped: t"});
}

TEST(XapReceive, DisplayAndSpeechGoToTheAddressedAppliance) {
    XapTestBed bed;
    OnXapMessage(bed.state, Message("n", "xAP-OSD.Display", "dkv.dkvZephra.hall",
                                    {{"Display.Zephra", {"URL=http://host/page.htm"}}}));
    EXPECT_EQ(bed.Z(1).Push(), "host/page.htm");
    EXPECT_EQ(bed.Z(0).Push(), "");
    OnXapMessage(bed.state, Message("n", "xAP-OSD.Display", "dkv.dkvZephra.den",
                                    {{"Display.Zephra", {"URL=http://host/other.htm"}}}));
    EXPECT_EQ(bed.Z(1).Push(), "host/page.htm");

    const int16_t volume = bed.Z(0).Volume();
    OnXapMessage(bed.state, Message("n", "xap.voice", "dkv.dkvZephra.*", {{"Voice.Speak", {"say=Hi", "volume=30"}}}));
    EXPECT_EQ(bed.Z(0).Volume(), 30);
    OnXapMessage(bed.state, Message("n", "TTS.Speak", "dkv.dkvZephra.hall", {{"tts.speak", {"say=Hi", "volume=20"}}}));
    EXPECT_EQ(bed.Z(1).Volume(), 20);
    EXPECT_EQ(bed.Z(0).Volume(), 30);
    EXPECT_NE(volume, 30);
    EXPECT_EQ(bed.PluginLog(), Strings{});

    // Without appliances no appliance matches: nothing happens, nothing is logged.
    bed.state.appliances.Reset();
    OnXapMessage(bed.state, Message("n", "tts.speak", "dkv.dkvZephra.hall", {}));
    EXPECT_EQ(bed.PluginLog(), Strings{});
}

// A host with no appliances under a flood of display and speech datagrams logs nothing; what
// malformed messages make it complain of is logged five lines a minute (on the loop's clock), the
// rest counted in the next minute's first line.
TEST(XapReceive, AFloodLogsNothingForNoMatchAndBoundedLinesForErrors) {
    XapTestBed bed;
    bed.state.appliances.Reset();
    for (int i = 0; i < 5000; ++i) {
        OnXapMessage(bed.state, Message("n", "xAP-OSD.Display", "dkv.dkvZephra.hall",
                                        {{"Display.Zephra", {"Text=flood " + std::to_string(i)}}}));
        OnXapMessage(bed.state, Message("n", "tts.speak", "dkv.dkvZephra.*", {{"tts.speak", {"say=flood"}}}));
    }
    EXPECT_EQ(bed.PluginLog(), Strings{});

    const std::string error = "dkvZephra|OnXapMessage Line 0 Object variable or With block variable not set";
    for (int i = 0; i < 1000; ++i) OnXapMessage(bed.state, nullptr);
    const Strings first = {error, error, error, error, error + "; more within a minute are only counted"};
    EXPECT_EQ(bed.PluginLog(), first);
    bed.loop.advance(std::chrono::seconds(60));
    OnXapMessage(bed.state, nullptr);
    Strings then = first;
    then.push_back("dkvZephra|995 more OnXapMessage errors were dropped unlogged");
    then.push_back(error);
    EXPECT_EQ(bed.PluginLog(), then);
    EXPECT_EQ(vb::Err().Number, 0);
}

TEST(XapReceive, CallerIdFromTheNetworkUntilThePlugInSentItsOwn) {
    XapTestBed bed;
    bed.state.settings.GenerateCIDEvent = true;
    QueueTimer& form = bed.state.QueueTimerForm();
    OnXapMessage(bed.state, Message("n", "CID.Incoming", "", {{"CID.Incoming", {"Phone=5551234"}}}));
    // The caller-ID processing took the caller (and started the device's off timer).
    EXPECT_TRUE(form.Timer4.Enabled());
    EXPECT_FALSE(bed.state.xap.CIDFromXap);
    EXPECT_EQ(bed.state.modem.CallerNumber, "");

    form.Timer4.Enabled(false);
    bed.state.xap.XapCIDSent = true;
    OnXapMessage(bed.state, Message("n", "CID.Incoming", "", {{"CID.Incoming", {"Name=A", "Phone=1"}}}));
    EXPECT_FALSE(form.Timer4.Enabled());
    EXPECT_EQ(bed.state.modem.CallerName, "");
    EXPECT_FALSE(bed.state.modem.NameDetected);
}

// Under the xAP host every caller is announced on xAP, except one that came in by xAP.
TEST(XapReceive, ACallerFromTheNetworkIsNotAnnouncedAgainButAModemCallerIs) {
    XapTestBed bed;
    bed.state.IsSetup = true;
    OnXapMessage(bed.state, Message("n", "CID.Incoming", "", {{"CID.Incoming", {"Name=Ann", "Phone=5551234"}}}));
    for (const std::string& line : bed.SentXap()) EXPECT_EQ(line.find("CID.Incoming"), std::string::npos) << line;
    EXPECT_FALSE(bed.state.xap.CIDFromXap);

    bed.host->ClearCalls();
    bed.state.modem.CallerName = "Bob";
    bed.state.modem.CallerNumber = "(555) 765-4321";
    bed.state.modem.NameDetected = bed.state.modem.NumberDetected = true;
    ProcessModemInput(bed.state);
    Strings announced;
    for (const std::string& line : bed.SentXap())
        if (line.find("CID.Incoming") != std::string::npos) announced.push_back(line);
    ASSERT_EQ(announced.size(), 1u);
    EXPECT_NE(announced[0].find("Phone=5557654321"), std::string::npos) << announced[0];
}

TEST(XapReceive, CommandBlocksAreReadInTurnUntilOneHasNoId) {
    XapTestBed bed;
    // "output.state" is read, then output.state.2: "output.state.1" is never looked at.
    OnXapMessage(bed.state, Message("n", "xAPBSC.cmd", "x:kitchen_topled",
                                    {{"output.state", {"ID=04", "Level=1"}},
                                     {"output.state.1", {"ID=0E", "Level=2"}},
                                     {"output.state.2", {"ID=*", "Level=2"}},
                                     {"output.state.4", {"ID=*", "Level=0"}}}));
    EXPECT_EQ(bed.Z(0).TopLED(), "blink");
    // Without "output.state", "output.state.1" comes first.
    OnXapMessage(bed.state, Message("n", "xAPBSC.cmd", "x:hall_topled", {{"output.state.1", {"ID=0E", "Level=1"}}}));
    EXPECT_EQ(bed.Z(1).TopLED(), "on");
    EXPECT_EQ(bed.PluginLog(), Strings{});
    // A target of 1,300 address levels: one line for the datagram.
    std::string target = "x:hall_topled.*.*";
    for (int i = 0; i < 1300; ++i) target += ".l";
    OnXapMessage(bed.state, Message("n", "xAPBSC.cmd", target, {{"output.state.1", {"ID=0E", "Level=0"}}}));
    EXPECT_EQ(bed.Z(1).TopLED(), "off");
    EXPECT_EQ(bed.PluginLog(), Strings{"dkvZephra|BSCCmd Line 0 Subscript out of range"});
}

TEST(XapReceive, HostClassesOnlyUnderTheXapHost) {
    XapTestBed bed("", ",A3,A7", ",A4,A7");
    bed.state.settings.SoundEnabled.fill(false);
    bed.state.settings.SoundEnabled[2] = true;
    UpdateButtons(bed.state);
    auto x10 = Message("n", "xAP-X10.Event", "", {{"xAP-X10.event", {"device=b5,a3, a7,,Q9", "event=on"}}});
    auto today = Message("n", "Time.Today", "", {{"Time.Today", {"Sunrise=06:01", "Sunset=19:59"}}});
    auto button = Message("n", "Homeseer.Control", "", {{"Button.Press", {"Button=Play Copy Sound @ hall Zephra"}}});
    for (const auto& m : {x10, today, button}) OnXapMessage(bed.state, m);
    EXPECT_EQ(bed.Calls("SetDeviceStatusNoReport"), Strings{});
    EXPECT_EQ(bed.state.xap.XapSunrise, "");
    EXPECT_EQ(bed.Calls("SetDeviceValue"), Strings{});

    bed.state.IsSetup = true;
    for (const auto& m : {x10, today, button}) OnXapMessage(bed.state, m);
    EXPECT_EQ(bed.Calls("SetDeviceStatusNoReport"), (Strings{"A3|2|0", "A7|2|0"}));
    EXPECT_EQ(bed.Calls("SetDeviceString"),
              (Strings{"A3|" + FormatString(bed.state, "ON"), "A7|" + FormatString(bed.state, "ON")}));
    EXPECT_EQ(bed.state.xap.XapSunrise, "06:01");
    EXPECT_EQ(bed.state.xap.XapSunset, "19:59");
    EXPECT_EQ(bed.Calls("SetDeviceValue"), Strings{"[17|0"});
    bed.host->ClearCalls();
    OnXapMessage(bed.state, Message("n", "xAP-X10.event", "", {{"xAP-X10.event", {"device=A4", "event=dim"}}}));
    EXPECT_EQ(bed.Calls("SetDeviceStatusNoReport"), Strings{"A4|3|0"});
    EXPECT_EQ(bed.PluginLog(), Strings{});
}

TEST(XapReceive, MalformedMessagesAreLoggedAndHarmless) {
    XapTestBed bed(kInterest);
    OnXapMessage(bed.state, nullptr);
    EXPECT_EQ(bed.PluginLog(),
              (Strings{"dkvZephra|OnXapMessage Line 0 Object variable or With block variable not set",
                       "dkvZephra|OnXapMessage Line 0 Object variable or With block variable not set"}));
    // An object without the members: logged, nothing stored.
    OnXapMessage(bed.state, std::make_shared<vb::Collection>());
    EXPECT_EQ(bed.PluginLog().size(), 4u);
    EXPECT_EQ(Entry(bed, "kitchen")->Sequence, 0);
}

}  // namespace
}  // namespace zephra
