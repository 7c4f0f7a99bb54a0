#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "homeseer/HostEvent.h"
#include "homeseer/ListEnumerator.h"
#include "setup/tests/SetupTestBed.h"

using namespace zephra;
using namespace zephra::testing;

namespace {

// A host whose event list reports a change on every look, for ever.
class RestlessHost : public homeseer::RecordingHost {
public:
    std::shared_ptr<homeseer::ListEnumerator> GetEventEnumerator() override {
        auto generation = std::make_shared<uint64_t>(0);
        return std::make_shared<homeseer::ListEnumerator>([this, generation] {
            return homeseer::ListEnumerator::Snapshot{++*generation, events_};
        });
    }

private:
    std::vector<vb::ObjectRef> events_{std::make_shared<homeseer::HostEvent>("Porch light"),
                                       std::make_shared<homeseer::HostEvent>("Hall light")};
};

}  // namespace

TEST(CIDEvent, CreatedOnceWithItsPropertiesAndValueTypes) {
    SetupBed bed;
    bed.host->NewEventEx("Morning");
    EXPECT_FALSE(FindEvent(bed.state, "dkvZephra CID"));
    EXPECT_TRUE(FindEvent(bed.state, "MORNING"));

    CreateCIDEvent(bed.state, "Phone", 1);
    CreateCIDEvent(bed.state, "Phone", 1);  // exists: not made again
    ASSERT_EQ(bed.host->EventCount(), 2);
    std::shared_ptr<homeseer::HostEvent> ev = bed.host->GetEvent(2);
    EXPECT_EQ(ev->Name(), "dkvZephra CID");
    EXPECT_EQ(ev->scripts(), "&hs.Plugin(\"dkvZephra\").ZephraSendHspCID(\"\")");
    EXPECT_EQ(ev->ev_abs_time(), 10);
    EXPECT_EQ(ev->phone_line(), 1);
    EXPECT_EQ(ev->phone_event(), 4);
    EXPECT_EQ(ev->Group(), "Phone");
    EXPECT_EQ(ev->misc(), 0xC000);
    EXPECT_EQ(ev->WrittenType("scripts"), "String");
    EXPECT_EQ(ev->WrittenType("ev_abs_time"), "Integer");
    EXPECT_EQ(ev->WrittenType("phone_line"), "Integer");
    EXPECT_EQ(ev->WrittenType("phone_event"), "Integer");
    EXPECT_EQ(ev->WrittenType("Group"), "String");
    EXPECT_EQ(ev->WrittenType("misc"), "Long");
    EXPECT_EQ(bed.host->CallsOf("NewEventEx").size(), 2u);
    EXPECT_TRUE(bed.host->CallsOf("NewEvent").empty());
    EXPECT_TRUE(bed.Log().empty());

    // Another line and group move the one event there; the rest stays.
    CreateCIDEvent(bed.state, "Other", 2);
    ASSERT_EQ(bed.host->EventCount(), 2);
    EXPECT_EQ(bed.host->GetEvent(2), ev);
    EXPECT_EQ(ev->phone_line(), 2);
    EXPECT_EQ(ev->Group(), "Other");
    EXPECT_EQ(ev->WrittenType("phone_line"), "Integer");
    EXPECT_EQ(ev->WrittenType("Group"), "String");
    EXPECT_EQ(ev->scripts(), "&hs.Plugin(\"dkvZephra\").ZephraSendHspCID(\"\")");
    EXPECT_EQ(ev->phone_event(), 4);
    EXPECT_EQ(bed.host->CallsOf("NewEventEx").size(), 2u);
    EXPECT_TRUE(bed.Log().empty());
}

TEST(CIDEvent, AnOlderHostIsWalkedByIndexAndGetsTheSixteenBitMisc) {
    SetupBed bed;
    bed.OlderHost();
    bed.host->NewEvent("DKVZEPHRA CID");
    CreateCIDEvent(bed.state, "Phone", 1);  // another letter case counts as the same event
    EXPECT_EQ(bed.host->EventCount(), 1);

    SetupBed older;
    older.OlderHost();
    older.host->NewEvent("Evening");
    CreateCIDEvent(older.state, "Phone", 2);
    ASSERT_EQ(older.host->EventCount(), 2);
    std::shared_ptr<homeseer::HostEvent> ev = older.host->GetEvent(2);
    EXPECT_EQ(ev->misc(), 16384);
    EXPECT_EQ(ev->WrittenType("misc"), "Integer");
    EXPECT_EQ(ev->phone_line(), 2);
    EXPECT_EQ(older.host->CallsOf("NewEvent").size(), 2u);
    EXPECT_FALSE(older.host->CallsOf("GetEvent").empty());
    EXPECT_TRUE(older.host->CallsOf("GetEventEnumerator").empty());
}

TEST(CIDEvent, TheWriterCreatesItForLineOneOrTwoWithAGroupOnly) {
    SetupBed bed(IniText({"[Zephra Utilities]", "CIDLineNumber=3", "CIDEventGroup=Phone"}));
    bed.Dialog().OKButton_Click();
    EXPECT_EQ(bed.host->EventCount(), 0);
    bed.Dialog().aLineNumber.Text("1");
    bed.Dialog().aCIDEventGroup.Text("");
    bed.Dialog().OKButton_Click();
    EXPECT_EQ(bed.host->EventCount(), 0);
    bed.Dialog().aCIDEventGroup.Text("Phone");
    bed.Dialog().OKButton_Click();
    ASSERT_EQ(bed.host->EventCount(), 1);
    EXPECT_EQ(bed.host->GetEvent(1)->phone_line(), 1);
    // A later save with line 2 moves the one event there.
    bed.Dialog().aLineNumber.Text("2");
    bed.Dialog().aCIDEventGroup.Text("Kitchen phone");
    bed.Dialog().OKButton_Click();
    ASSERT_EQ(bed.host->EventCount(), 1);
    EXPECT_EQ(bed.host->GetEvent(1)->phone_line(), 2);
    EXPECT_EQ(bed.host->GetEvent(1)->Group(), "Kitchen phone");
}

TEST(CIDEvent, AWalkThatNeverSettlesIsCutShortAndNothingIsCreated) {
    auto host = std::make_shared<RestlessHost>();
    SetupBed bed;
    bed.state.hs = host;
    EXPECT_FALSE(FindEvent(bed.state, "dkvZephra CID"));
    CreateCIDEvent(bed.state, "Phone", 1);
    EXPECT_TRUE(host->CallsOf("NewEventEx").empty());
    const auto log = host->Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].text, "FindEvent the walk over the host's events was cut short");

    // A failing host call is logged and nothing is found.
    SetupBed failing;
    failing.host->FailNext("GetEventEnumerator", vb::Error(5, "Invalid procedure call or argument"));
    EXPECT_FALSE(FindEvent(failing.state, "x"));
    EXPECT_TRUE(failing.LogHas("dkvZephra|FindEvent  Line 0 Invalid procedure call or argument"));
    failing.host->FailNext("NewEventEx", vb::Error(7, "Out of memory"));
    CreateCIDEvent(failing.state, "Phone", 1);
    EXPECT_TRUE(failing.LogHas("dkvZephra|CreateCIDEVent  Line 0 Out of memory"));
}
