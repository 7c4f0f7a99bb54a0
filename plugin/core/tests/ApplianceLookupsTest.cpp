// Appliances found by name, IP and selector; the availability test; the command token.

#include "core/ApplianceLookups.h"

#include <gtest/gtest.h>

#include <clocale>
#include <regex>
#include <set>

#include "core/ApplianceList.h"
#include "core/RandomToken.h"
#include "core/Zephra.h"
#include "core/tests/PluginTestBed.h"

namespace zephra {
namespace {

using testing::PluginTestBed;
using Strings = std::vector<std::string>;

class ApplianceLookupsTest : public ::testing::Test {
protected:
    ApplianceLookupsTest() {
        bed.state.HostVersionNumber = 20500;
        bed.host->SetIniText("dkvZephraUtilities.ini",
                             "[Zephra Names]\n127.0.0.2=\"Kitchen,[1,a3\"\n127.0.0.3=\"Den,[11\"\n"
                             "127.0.0.4=\"Living Room,[21\"\n127.0.0.5=\"Living,[31\"\n127.0.0.6=\"Room,[41\"\n");
        bed.state.appliances.Reset();
        DefineZephras(bed.state);
        bed.host->ClearCalls();
    }
    ~ApplianceLookupsTest() override {
        for (ZephraEntry& slot : bed.state.appliances.slots)
            if (slot.Object) slot.Object->Shutdown();
    }

    Strings Names(const std::string& selector) {
        Strings found;
        for (const std::shared_ptr<Zephra>& z : GetZephraObjects(bed.state, selector)) found.push_back(z->Name());
        return found;
    }
    static std::string NotConfigured(const std::string& name) {
        return "dkvZephra|Appliance \"" + name +
               "\" is not configured: no line of [Zephra Names] in dkvZephraUtilities.ini has that name or IP";
    }
    std::string One(const std::string& name) {
        std::shared_ptr<Zephra> z = GetOneZephraObject(bed.state, name);
        return z ? z->Name() : "(none)";
    }

    PluginTestBed bed;
};

TEST_F(ApplianceLookupsTest, SelectorsSplitAtCommasOrElseAtBlanks) {
    EXPECT_EQ(Names("Kitchen"), Strings{"kitchen"});
    EXPECT_EQ(Names("kitchen den"), (Strings{"kitchen", "den"}));
    EXPECT_EQ(Names("kitchen  den"), (Strings{"kitchen", "den"}));  // the empty piece matches nothing
    EXPECT_EQ(Names("living room"), (Strings{"living", "room"}));
    EXPECT_EQ(Names("living room,"), Strings{"living room"});
    EXPECT_EQ(Names(" Living Room , DEN"), (Strings{"living room", "den"}));
    EXPECT_EQ(Names("kitchen,kitchen"), (Strings{"kitchen", "kitchen"}));
    EXPECT_EQ(Names("127.0.0.3"), Strings{"den"});
    EXPECT_EQ(Names("127.0.0.3,127.0.0.02"), Strings{"den"});  // written otherwise than in the key
    EXPECT_EQ(Names("nobody"), Strings{});
    const Strings everyone = {"kitchen", "den", "living room", "living", "room"};
    EXPECT_EQ(Names(""), everyone);
    EXPECT_EQ(Names("   "), everyone);
    EXPECT_EQ(bed.Log(), (Strings{NotConfigured("127.0.0.02"), NotConfigured("nobody")}));

    bed.host->ClearCalls();
    bed.state.settings.DebugLog = true;
    Names("kitchen den nobody");
    EXPECT_EQ(bed.Log(), Strings{"dkvZephra Debug|GetZephraObjects kitchen den nobody, count=2"});
}

TEST_F(ApplianceLookupsTest, ANameThatMatchesNoApplianceIsLoggedOncePerName) {
    EXPECT_EQ(One("Garage"), "(none)");
    EXPECT_EQ(Names("garage"), Strings{});
    EXPECT_EQ(Names("kitchen, garage ,attic"), Strings{"kitchen"});
    EXPECT_EQ(One(" ATTIC"), "(none)");
    EXPECT_EQ(bed.Log(), (Strings{NotConfigured("garage"), NotConfigured("attic")}));

    // Names from the network cannot grow the list without bound: past its limit nothing more is said.
    bed.host->ClearCalls();
    for (int i = 0; i < 100; ++i) One("n" + std::to_string(i));
    EXPECT_EQ(bed.Log().size(), ApplianceTable::kMaxUnknownNames - 2);
    EXPECT_EQ(bed.state.appliances.UnknownNames.size(), ApplianceTable::kMaxUnknownNames);

    // Settings read again: a name still missing is said again.
    for (ZephraEntry& slot : bed.state.appliances.slots) slot.Object->Shutdown();
    bed.state.appliances.Reset();
    DefineZephras(bed.state);
    bed.host->ClearCalls();
    One("garage");
    EXPECT_EQ(bed.Log(), Strings{NotConfigured("garage")});
}

TEST_F(ApplianceLookupsTest, OneApplianceByNameOrIpTheFirstForAnEmptyName) {
    EXPECT_EQ(One(" DEN "), "den");
    EXPECT_EQ(One("127.0.0.4"), "living room");
    EXPECT_EQ(One(""), "kitchen");
    EXPECT_EQ(One("nobody"), "(none)");
    EXPECT_EQ(One("kitchen den"), "(none)");

    // Without appliances nothing is found and every appliance is no appliance at all.
    for (ZephraEntry& slot : bed.state.appliances.slots) slot.Object->Shutdown();
    bed.state.appliances.Reset();
    EXPECT_EQ(One(""), "(none)");
    EXPECT_TRUE(GetZephraObjects(bed.state, "").empty());
    EXPECT_TRUE(GetZephraObjects(bed.state, " , ").empty());
}

TEST_F(ApplianceLookupsTest, OnlyAPowerDeviceReportedOffOutsideAPowerCycleMakesAnApplianceUnavailable) {
    Zephra& kitchen = *GetOneZephraObject(bed.state, "kitchen");
    Zephra& den = *GetOneZephraObject(bed.state, "den");
    EXPECT_TRUE(IsAvailable(bed.state, kitchen));  // A3 never switched: not off
    bed.host->ExecX10("A3", "on");
    EXPECT_TRUE(IsAvailable(bed.state, kitchen));
    EXPECT_TRUE(bed.Log().empty());

    // Switched off, the kitchen is skipped: said once, naming it and its power device.
    bed.host->ExecX10("A3", "off");
    EXPECT_FALSE(IsAvailable(bed.state, kitchen));
    EXPECT_FALSE(IsAvailable(bed.state, kitchen));
    const std::string skipped =
        "dkvZephra|kitchen Zephra skipped: the host reports its power device A3 off; nothing "
        "is sent to it until the device is on";
    EXPECT_EQ(bed.Log(), Strings{skipped});
    bed.host->ExecX10("A3", "on");
    EXPECT_TRUE(IsAvailable(bed.state, kitchen));
    bed.host->ExecX10("A3", "off");
    EXPECT_FALSE(IsAvailable(bed.state, kitchen));  // a new run of skips is said again
    EXPECT_EQ(bed.Log(), (Strings{skipped, skipped}));

    bed.host->ClearCalls();
    EXPECT_TRUE(IsAvailable(bed.state, den));
    EXPECT_TRUE(bed.Calls("isOn").empty());  // no power device: the host is not asked

    kitchen.CyclePower("");
    ASSERT_TRUE(kitchen.PowerCycleInProgress());
    EXPECT_TRUE(IsAvailable(bed.state, kitchen));
}

TEST(RandomToken, ADecimalTextFromOneToTwoWithAPointWhateverTheLocale) {
    const std::regex form("[12](\\.[0-9]{1,6})?");
    std::set<std::string> seen;
    auto check = [&] {
        for (int i = 0; i < 2000; ++i) {
            const std::string token = RandomToken();
            ASSERT_TRUE(std::regex_match(token, form)) << token;
            const double value = std::stod(token);
            EXPECT_GE(value, 1.0);
            EXPECT_LE(value, 2.0);
            seen.insert(token);
        }
    };
    check();
    EXPECT_GT(seen.size(), 1900u);
    // Where the system has a locale that writes a decimal comma, the token keeps its point.
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8"}) {
        if (!std::setlocale(LC_NUMERIC, name)) continue;
        check();
        std::setlocale(LC_NUMERIC, "C");
        break;
    }
}

}  // namespace
}  // namespace zephra
