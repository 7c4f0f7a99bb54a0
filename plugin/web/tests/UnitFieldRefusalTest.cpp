// The status page's save refuses a unit's field that would split the unit's entry, by the same
// rule as the setup window, before anything is written.

#include <gtest/gtest.h>

#include "core/SettingsReader.h"
#include "core/Zephra.h"
#include "web/StatusPage.h"
#include "web/tests/StatusBed.h"

namespace zephra::testing {
namespace {

TEST(StatusPageUnits, AUnitFieldThatWouldSplitItsEntryRefusesTheSave) {
    StatusBed bed("[Zephra Names]\r\n127.0.0.2=\"Kitchen,Q11,A3,A4\"\r\n127.0.0.3=\"Den,Q1,,\"\r\n");
    InitZephraUtilities(bed.state);
    bed.page("clientinput=yes&clientvalue=yes&Save=x&ShowControl=1&ShowSetup=1&ShowReceiveMessages=1&ShowStatus=2");
    struct Case {
        const char* field;
        const char* value;
        const char* shown;  // the refusal as the page writes it
    };
    for (const Case& c : {Case{"IP0", "127.0.0.2,127.0.0.4", "IP of unit 1 (Kitchen) cannot hold &#39;,&#39;."},
                          Case{"IP1", "127.0.0.3=x", "IP of unit 2 (Den) cannot hold &#39;=&#39;."},
                          Case{"Location0", "Kitchen,2", "Location of unit 1 cannot hold &#39;,&#39;."},
                          Case{"Power0", "A=3", "Power of unit 1 (Kitchen) cannot hold &#39;=&#39;."},
                          Case{"Motion1", "B\"4", "Motion of unit 2 (Den) cannot hold &#39;&quot;&#39;."}}) {
        SCOPED_TRACE(c.field + std::string(" ") + c.value);
        const std::string page = bed.Get();
        const std::string before = bed.Ini();
        const std::string answer = bed.page(StatusBed::Post(page, "Save", {{c.field, c.value}}));
        EXPECT_NE(answer.find(std::string("Nothing was saved: ") + c.shown), std::string::npos)
            << answer.substr(0, 400);
        EXPECT_EQ(bed.Ini(), before);
        ASSERT_EQ(bed.state.appliances.slots.size(), 2u);
        EXPECT_EQ(bed.state.appliances.slots[0].Name, "kitchen");
    }
    for (ZephraEntry& slot : bed.state.appliances.slots)
        if (slot.Object) slot.Object->Shutdown();
}

}  // namespace
}  // namespace zephra::testing
