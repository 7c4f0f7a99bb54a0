// The messages the plug-in sends by xAP: the caller-ID message, the send queue on the manual
// clock, and the basic status and control events, query answers and commands.

#include "callerid/XapSend.h"

#include <gtest/gtest.h>

#include "callerid/XapBsc.h"
#include "callerid/XapCID.h"
#include "callerid/tests/XapTestBed.h"
#include "core/HomeSeerDevices.h"
#include "core/QueueTimer.h"
#include "core/tests/ThreeAppliances.h"
#include "homeseer/Device.h"
#include "vb/Err.h"

namespace zephra {
namespace {

using namespace std::chrono_literals;
using testing::XapTestBed;
using Strings = std::vector<std::string>;

const std::string kOne(1, '\x01');
const std::string kTwo(1, '\x02');

TEST(XapSend, BodiesJoinPairsWithoutATrailingSeparatorAndAppendBlocksAsText) {
    EXPECT_EQ(XapBody({{"Type", "Voice"}}), "Type" + kOne + "Voice");
    EXPECT_EQ(XapBody({{"a", "1"}, {"b", ""}}), "a" + kOne + "1" + std::string(1, '\0') + "b" + kOne);
    EXPECT_EQ(XapBlock("values.2", {"Text=On", "Level=1/1"}), "\n}\nvalues.2\n{\nText=On\nLevel=1/1");
}

TEST(XapCID, OneMessageWithTheCallersNumberDigitsAndWhetherTheNameWasGiven) {
    XapTestBed bed;
    bed.loop.setLocalNow(testing::LocalTime(2001, 2, 3, 4, 5, 6));
    XapCID(bed.state, "Unknown", "Office", "(555) 123-4567");
    EXPECT_TRUE(bed.state.xap.XapCIDSent);
    XapCID(bed.state, "JOHN", "John Smith", "Unknown");
    EXPECT_EQ(bed.SentXap(),
              (Strings{"|CID.Incoming|CID.Incoming|Type=Voice;DateTime=20010203040506;Phone=5551234567;"
                       "RNNumber=Withheld;Formatted_Date=Saturday, February 03, 2001;Formatted_Time=4:05:06 AM;"
                       "Name=Office;RNName=Withheld||00",
                       "|CID.Incoming|CID.Incoming|Type=Voice;DateTime=20010203040506;Phone=Unknown;"
                       "RNNumber=Available;Formatted_Date=Saturday, February 03, 2001;Formatted_Time=4:05:06 AM;"
                       "Name=John Smith;RNName=Available||00"}));

    // Without a callback object nothing leaves, the failure is logged, the switch is set.
    bed.state.xap.XapCIDSent = false;
    bed.state.CallbackObject = nullptr;
    XapCID(bed.state, "A", "A", "1");
    EXPECT_TRUE(bed.state.xap.XapCIDSent);
    EXPECT_EQ(bed.PluginLog().back(), "dkvZephra|XapCID  Line 0 Object variable or With block variable not set");
}

TEST(XapSendQueue, ABurstLeavesOneAtOnceThenOnePer200MsAndTheTimerStops) {
    XapTestBed bed;
    QueueTimer& form = bed.state.QueueTimerForm();
    auto message = [](const std::string& uid) { return xapQueuedMessage{"t", "c", "s", "d", "sub", uid}; };
    const auto start = bed.loop.now();
    for (const char* uid : {"01", "02", "03"}) SendXapQueued(bed.state, message(uid));
    EXPECT_EQ(bed.SentXap(), Strings{"t|c|s|d|sub|01"});
    EXPECT_EQ(bed.state.xap.XapSendQueue->size(), 2u);
    std::vector<std::chrono::milliseconds> sent;
    for (int i = 0; i < 1000 && form.BSCTimer.Enabled(); ++i) {
        bed.loop.advance(1ms);
        if (bed.SentXap().size() > sent.size() + 1)
            sent.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(bed.loop.now() - start));
    }
    EXPECT_EQ(sent, (std::vector<std::chrono::milliseconds>{200ms, 400ms}));
    EXPECT_EQ(bed.loop.now() - start, 600ms);  // the tick that found the queue empty
    EXPECT_EQ(bed.SentXap().back(), "t|c|s|d|sub|03");

    // Queued while the timer still runs with an empty queue: the next tick sends it.
    SendXapQueued(bed.state, message("04"));
    bed.loop.advance(199ms);
    SendXapQueued(bed.state, message("05"));
    EXPECT_EQ(bed.SentXap().size(), 4u);
    bed.loop.advance(1ms);
    EXPECT_EQ(bed.SentXap().back(), "t|c|s|d|sub|05");

    // A full queue drops with a log line, and keeps what it holds.
    for (std::size_t i = 0; i < kXapSendQueueLimit + 2; ++i) SendXapQueued(bed.state, message("x"));
    EXPECT_EQ(bed.state.xap.XapSendQueue->size(), kXapSendQueueLimit);
    EXPECT_EQ(bed.PluginLog(), (Strings{"dkvZephra|XapSendQueue full, message dropped: c sub",
                                        "dkvZephra|XapSendQueue full, message dropped: c sub"}));
}

TEST(XapBsc, Conversions) {
    XapTestBed bed;
    EXPECT_EQ(ToHex(bed.state, 10), "0A");
    EXPECT_EQ(ToHex(bed.state, 255), "FF");
    EXPECT_EQ(ToHex(bed.state, 0), "00");
    EXPECT_TRUE(bed.PluginLog().empty());
    EXPECT_EQ(ToHex(bed.state, 300), "00");
    EXPECT_EQ(bed.PluginLog().back(), "dkvZephra|ToHex: value too large, 0 used instead: 300");
    EXPECT_EQ(ToHex(bed.state, -1), "");
    EXPECT_EQ(bed.PluginLog().back(), "dkvZephra|ToHex  Line 0 Subscript out of range");
    EXPECT_EQ(OnOffText(2), "ON");
    EXPECT_EQ(OnOffText(3), "OFF");
    EXPECT_EQ(HexByteValue("1f"), 31);
    EXPECT_EQ(HexByteValue("0C"), 12);
    EXPECT_EQ(HexByteValue("7"), 119);
    EXPECT_EQ(HexByteValue(""), 0);
    EXPECT_EQ(HexByteValue("zz"), 0);
    EXPECT_EQ(HexDigitValue("e"), 14);
}

TEST(XapBsc, EventsOnlyUnderTheXapHostWithTheSubDevicesAddress) {
    XapTestBed bed;
    bed.host->SetDeviceStatus("[4", homeseer::kStatusOn);
    bed.host->SetDeviceString("[4", "Blink");
    bed.host->SetDeviceValue("[4", 2);
    SendXapBSC(bed.state, "[4");
    EXPECT_TRUE(bed.SentXap().empty());

    bed.state.IsSetup = true;
    SendXapBSC(bed.state, "[4");
    SendXapBSC(bed.state, "[12");
    SendXapBSC(bed.state, "[15");
    SendXapBSC(bed.state, "[31");  // no appliance there: nothing
    SendXapBSC(bed.state, bed.state.settings.CIDDeviceCode);
    const Strings sent = bed.SentXap();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[0],
              "|xapBSC.Event|output.state|State=ON;DisplayText=Blink;Level=2/1|"
              "kitchen_TopLED.zephra_________4.TopLED|04");
    EXPECT_EQ(sent[1].substr(sent[1].rfind("|", sent[1].size() - 4)), "|hall_Awake.zephra________12.Awake|0C");
    EXPECT_EQ(sent[2].substr(sent[2].rfind("|", sent[2].size() - 4)), "|hall_MailLED.zephra________15.MailLED|0F");
    const std::string cid = bed.state.settings.CIDDeviceCode;
    EXPECT_NE(sent[3].find("|Modem_Switch.Zephra_CID____91.Switch|" +
                           ToHex(bed.state, static_cast<int16_t>(std::stoi(cid.substr(1))))),
              std::string::npos)
        << sent[3];
    EXPECT_TRUE(bed.PluginLog().empty()) << bed.PluginLog().front();
}

TEST(XapBsc, QueriesAnswerTheSubDevicesTheirAddressNames) {
    XapTestBed bed;
    std::shared_ptr<homeseer::Device> topled = hsGetDevice(bed.state, hsDeviceExists(bed.state, "[4"));
    ASSERT_TRUE(topled);
    topled->setValues("Off" + kTwo + "0" + kOne + "On" + kTwo + "1");
    bed.host->SetDeviceString("[4", "On");
    bed.host->SetDeviceValue("[4", 1);
    bed.host->SetDeviceStatus("[4", homeseer::kStatusOn);

    BSCQuery(bed.state, "x:kitchen_topled.*.topled");
    bed.loop.advance(1s);
    EXPECT_EQ(bed.SentXap(), (Strings{"|xAPBSC.Values|values.1|Text=Off;Level=0/1\n}\nvalues.2\n{\nText=On\nLevel=1/1|"
                                      "kitchen_topled.zephra_________4.topled|04",
                                      "|xAPBSC.Info|output.state|State=ON;DisplayText=On;Level=1/2|"
                                      "kitchen_topled.zephra_________4.topled|04"}));

    // Every sub-device whose unit is 4: only the kitchen's.
    bed.host->ClearCalls();
    BSCQuery(bed.state, "x:*.zephra_________4");
    bed.loop.advance(1s);
    EXPECT_EQ(bed.SentXap().size(), 2u);

    // The first level alone; no ":" at all.
    bed.host->ClearCalls();
    BSCQuery(bed.state, "x:kitchen_display");
    BSCQuery(bed.state, "kitchen_display");
    bed.loop.advance(1s);
    ASSERT_FALSE(bed.SentXap().empty());
    for (const std::string& line : bed.SentXap())
        EXPECT_NE(line.find("|kitchen_display.zephra_________1.display|01"), std::string::npos) << line;

    // Everything: per sub-device of both appliances its Info, and Values where the device has
    // value names; 200 ms apart.
    bed.host->ClearCalls();
    const auto start = bed.loop.now();
    BSCQuery(bed.state, ">:>");
    int infos = 0;
    while (bed.state.QueueTimerForm().BSCTimer.Enabled()) bed.loop.advance(10ms);
    const Strings all = bed.SentXap();
    for (const std::string& line : all) infos += line.find("|xAPBSC.Info|") != std::string::npos;
    EXPECT_EQ(infos, 18);
    EXPECT_EQ(bed.loop.now() - start, std::chrono::milliseconds(200 * all.size()));
    EXPECT_NE(all.back().find("|hall_volume.zephra________19.volume|13"), std::string::npos) << all.back();
    EXPECT_EQ(bed.PluginLog(), Strings{});
}

// A folder first used under HomeSeer (house code "[") and then under the xAP host application
// (whose own code is "^"): the sub-devices the node advertises under their saved codes obey.
TEST(XapBsc, CommandsReachAppliancesWhoseCodesAFolderKeptFromAnotherHost) {
    XapTestBed bed;
    bed.state.IsSetup = true;
    bed.state.HouseCode = "^";
    BSCCmd(bed.state, "x:kitchen_topled", "04", "", "2");
    EXPECT_EQ(bed.Z(0).TopLED(), "blink");
    BSCCmd(bed.state, "x:*.*.topled", "*", "on", "1/2");
    EXPECT_EQ(bed.Z(1).TopLED(), "on");
    EXPECT_EQ(bed.PluginLog(), Strings{});
    EXPECT_EQ(bed.Z(0).TopLED(), "on");
    // X10 codes stay the host's own.
    bed.Call("SetIO",
             {vb::Variant(), std::string("A"), std::string("4"), int16_t{19}, int16_t{0}, int16_t{0}, int16_t{0}});
    EXPECT_EQ(bed.Z(0).TopLED(), "on");
}

TEST(XapBsc, CommandsSetTheValueOfTheSubDevicesTheyName) {
    XapTestBed bed;
    // Every sub-device of every appliance: each top LED on.
    BSCCmd(bed.state, "x:*.*.topled", "*", "on", "1/2");
    EXPECT_EQ(bed.Z(0).TopLED(), "on");
    EXPECT_EQ(bed.Z(1).TopLED(), "on");
    // An ID: only the first sub-device the address names, and only when its unit is the ID.
    BSCCmd(bed.state, "x:>", "0C", "on", "0");            // the kitchen's display is unit 1: nothing
    BSCCmd(bed.state, "x:*.*.topled", "0E", "off", "0");  // first match: kitchen's unit 4
    EXPECT_EQ(bed.Z(1).TopLED(), "on");
    BSCCmd(bed.state, "x:hall_topled", "0E", "off", "");
    EXPECT_EQ(bed.Z(1).TopLED(), "off");
    BSCCmd(bed.state, "x:kitchen_topled", "04", "", "2");
    EXPECT_EQ(bed.Z(0).TopLED(), "blink");
    BSCCmd(bed.state, "x:kitchen_topled", "04", "", "Unknown");
    EXPECT_EQ(bed.Z(0).TopLED(), "off");
    // State alone switches: "on" without a Level is 1, "off" 0; a Level given decides.
    BSCCmd(bed.state, "x:kitchen_topled", "04", "ON", "Unknown");
    EXPECT_EQ(bed.Z(0).TopLED(), "on");
    BSCCmd(bed.state, "x:kitchen_topled", "04", "off", "Unknown");
    EXPECT_EQ(bed.Z(0).TopLED(), "off");
    BSCCmd(bed.state, "x:kitchen_topled", "04", "on", "");
    EXPECT_EQ(bed.Z(0).TopLED(), "on");
    BSCCmd(bed.state, "x:kitchen_topled", "04", "on", "0");
    EXPECT_EQ(bed.Z(0).TopLED(), "off");
    EXPECT_TRUE(bed.PluginLog().empty());
    // Levels beyond the third are logged once a command, however many; a level too large for a
    // value is logged too.
    BSCCmd(bed.state, "x:kitchen_topled.zephra_________4.topled.a.b", "*", "", "1");
    EXPECT_EQ(bed.Z(0).TopLED(), "on");
    std::string many = "x:kitchen_topled.zephra_________4.topled";
    for (int i = 0; i < 1300; ++i) many += ".x";
    BSCCmd(bed.state, many, "*", "", "0");
    EXPECT_EQ(bed.Z(0).TopLED(), "off");
    BSCCmd(bed.state, "x:kitchen_topled", "*", "", "99999");
    EXPECT_EQ(bed.PluginLog(),
              (Strings{"dkvZephra|BSCCmd Line 0 Subscript out of range",
                       "dkvZephra|BSCCmd Line 0 Subscript out of range", "dkvZephra|BSCCmd Line 0 Overflow"}));
}

// Hostile values make failures at the rate datagrams arrive: five lines a minute on the loop's
// clock, then only a count, logged with the next minute's first line.
TEST(XapBsc, CommandFailuresAreLoggedAtABoundedRate) {
    XapTestBed bed;
    const std::string hostile = "99999999999999999999";
    for (int i = 0; i < 40; ++i) BSCCmd(bed.state, "x:kitchen_topled", "*", "", hostile);
    BSCCmd(bed.state, "x:kitchen_topled.zephra_________4.topled.a", "*", "", "1");  // counted as well
    EXPECT_EQ(bed.Z(0).TopLED(), "on");
    const Strings first = {"dkvZephra|BSCCmd Line 0 Overflow", "dkvZephra|BSCCmd Line 0 Overflow",
                           "dkvZephra|BSCCmd Line 0 Overflow", "dkvZephra|BSCCmd Line 0 Overflow",
                           "dkvZephra|BSCCmd Line 0 Overflow; more within a minute are only counted"};
    EXPECT_EQ(bed.PluginLog(), first);
    bed.loop.advance(std::chrono::seconds(59));
    BSCCmd(bed.state, "x:kitchen_topled", "*", "", hostile);
    EXPECT_EQ(bed.PluginLog(), first);
    bed.loop.advance(std::chrono::seconds(1));
    BSCCmd(bed.state, "x:kitchen_topled", "*", "", hostile);
    Strings then = first;
    then.push_back("dkvZephra|37 more BSCCmd errors were dropped unlogged");
    then.push_back("dkvZephra|BSCCmd Line 0 Overflow");
    EXPECT_EQ(bed.PluginLog(), then);
    // The counted failures kept no error pending for the lines that follow.
    EXPECT_EQ(vb::Err().Number, 0);
}

}  // namespace
}  // namespace zephra
