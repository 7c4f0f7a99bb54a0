// The appliance list: section "Zephra Names" read into the appliance table, base units
// handed out and saved back, and the devices no appliance covers removed.

#include "core/ApplianceList.h"

#include <gtest/gtest.h>

#include "automation/Class.h"
#include "core/PluginState.h"
#include "core/Zephra.h"
#include "core/tests/PluginTestBed.h"
#include "homeseer/Device.h"
#include "vb/Collection.h"

namespace zephra {
namespace {

using testing::PluginTestBed;
using Strings = std::vector<std::string>;

constexpr const char* kIni = "dkvZephraUtilities.ini";
constexpr int32_t kNewerHost = 20500;
constexpr int32_t kOlderHost = 16000;

class ApplianceListTest : public ::testing::Test {
protected:
    ApplianceListTest() {
        bed.state.HostVersionNumber = kNewerHost;
        OurDevice("[99");  // the version device: the house code is "["
    }
    ~ApplianceListTest() override {
        for (ZephraEntry& slot : bed.state.appliances.slots)
            if (slot.Object) slot.Object->Shutdown();
    }

    void OurDevice(const std::string& code) {
        bed.host->devices().add("device " + code, code)->setInterfaceName("dkvZephra");
    }
    bool Exists(const std::string& code) { return bed.host->DeviceExists(code) != -1; }

    // Reads the section from `lines` into an emptied table.
    void Define(const std::string& lines) {
        bed.host->SetIniText(kIni, "[Zephra Names]\n" + lines);
        bed.state.appliances.Reset();
        bed.host->ClearCalls();
        DefineZephras(bed.state);
    }
    const ApplianceTable& Table() const { return bed.state.appliances; }
    std::string Saved(const std::string& key) { return bed.host->GetIniSetting("Zephra Names", key, "-", kIni); }
    Strings Removals() {
        Strings lines;
        for (const std::string& line : bed.Log())
            if (line.find("Removing virtual device") != std::string::npos) lines.push_back(line);
        return lines;
    }

    PluginTestBed bed;
};

TEST_F(ApplianceListTest, AnEmptySectionLeavesOneEmptySlotAndRemovesEveryDeviceOfUnitsOneTo63) {
    for (const char* code : {"[0", "[1", "[5", "[61", "[63", "[64", "[91"}) OurDevice(code);
    Define("");
    ASSERT_EQ(Table().slots.size(), 1u);
    EXPECT_EQ(Table().slots[0].Name, "");
    EXPECT_FALSE(Table().slots[0].Object);
    EXPECT_FALSE(Table().slots[0].ZephraActive);
    EXPECT_EQ(Table().CIDZephraNames, "");
    EXPECT_EQ(bed.Log(), (Strings{"dkvZephra|Removing virtual device [1", "dkvZephra|Removing virtual device [5",
                                  "dkvZephra|Removing virtual device [61", "dkvZephra|Removing virtual device [63"}));
    for (const char* code : {"[0", "[64", "[91", "[99"}) EXPECT_TRUE(Exists(code)) << code;

    // On a host below version 16100 unit 61 is the caller-ID device's: it stays.
    bed.state.HostVersionNumber = kOlderHost;
    OurDevice("[61");
    Define("");
    EXPECT_TRUE(Removals().empty());
    EXPECT_TRUE(Exists("[61"));
}

TEST_F(ApplianceListTest, AnApplianceWithoutBaseCodeGetsTheFirstFreeUnitAndItsLineIsSavedBack) {
    OurDevice("[1");
    OurDevice("[11");
    bed.state.settings.DebugLog = true;
    Define("10.0.0.5/den=Den\n10.0.0.6=\"Porch,,a1,b2,2,1,srv\"\n");
    ASSERT_EQ(Table().slots.size(), 2u);
    EXPECT_EQ(Table().slots[0].ZephraDC, "[21");
    EXPECT_EQ(Table().slots[0].IP, "10.0.0.5");
    EXPECT_EQ(Table().slots[0].Computer, "den");
    EXPECT_EQ(Saved("10.0.0.5/den"), "\"Den,~121,,,0,0,\"");
    // The den's devices now take 21 to 30: the porch gets 31. Devices are written upper case.
    EXPECT_EQ(Table().slots[1].ZephraDC, "[31");
    EXPECT_EQ(Table().slots[1].Computer, "10.0.0.6");
    EXPECT_EQ(Saved("10.0.0.6"), "\"Porch,~131,A1,B2,2,1,srv\"");
    EXPECT_EQ(Table().slots[1].Object->DeviceCode(9), "[40");
    EXPECT_EQ(Table().CIDZephraNames, "porch");
    const Strings log = bed.Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "dkvZephra Debug|DefineZephras Saving Name Den at ~121"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "dkvZephra Debug|Initializing New Zephra porch"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "dkvZephra Debug|DefineZephras HouseCode=[, ZephraDC(1)=[31, DC=31"),
              log.end());
    // The units 1 and 11 are no appliance's any more.
    EXPECT_EQ(Removals(), (Strings{"dkvZephra|Removing virtual device [1", "dkvZephra|Removing virtual device [11"}));

    // The next reading finds the lines complete and saves nothing.
    Define(bed.host->IniText(kIni).substr(bed.host->IniText(kIni).find('\n') + 1));
    EXPECT_TRUE(bed.Calls("SaveIniSetting").empty());
    EXPECT_EQ(Table().slots[1].ZephraDC, "[31");
    EXPECT_TRUE(Removals().empty());
}

// Settings rewritten without device codes while the devices of an earlier set-up remain (the
// host's saved devices): no base unit is free, so the appliances are left out and their devices
// removed, as the list's rules have it; one line says so.
TEST_F(ApplianceListTest, AppliancesWithoutAFreeBaseUnitAreLeftOutWithOneLineSayingWhy) {
    for (int unit = 1; unit <= 70; ++unit) OurDevice("[" + std::to_string(unit));
    Define("10.0.0.5/den=Den\n10.0.0.6=\"Porch\"\n");
    ASSERT_EQ(Table().slots.size(), 1u);
    EXPECT_FALSE(Table().slots[0].Object);
    EXPECT_TRUE(bed.Calls("SaveIniSetting").empty());
    const Strings log = bed.Log();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(
        std::find(log.begin(), log.end(),
                  "dkvZephra|DefineZephras: no free device code for den, porch (the base units 1, 11, 21, 31, 41, "
                  "51 and 61 of house code [ all hold devices); left out of the appliances"),
        log.end());
    EXPECT_EQ(Removals().size(), 63u);

    // The next load finds the units free and hands them out.
    Define("10.0.0.5/den=Den\n10.0.0.6=\"Porch\"\n");
    EXPECT_EQ(Table().slots[0].ZephraDC, "[1");
    EXPECT_EQ(Table().slots[1].ZephraDC, "[11");
    for (const std::string& line : bed.Log()) EXPECT_EQ(line.find("no free device code"), std::string::npos) << line;
}

TEST_F(ApplianceListTest, MalformedLinesAreDroppedAndALaterLineOfTheSameNameWins) {
    bed.state.settings.DebugLog = true;
    Define(
        "127.0.0.2=\"Kitchen,[1,,,0,1\"\n"
        "127.0.0.3=\"a=b,[11\"\n"
        "=\"nokey,[21\"\n"
        "127.0.0.4=\"  ,[31\"\n"
        "127.0.0.5=\" KITCHEN ,[41,a9,,0, 1\"\n");
    ASSERT_EQ(Table().slots.size(), 1u);
    const ZephraEntry& kitchen = Table().slots[0];
    EXPECT_EQ(kitchen.Name, "kitchen");
    EXPECT_EQ(kitchen.IP, "127.0.0.5");
    EXPECT_EQ(kitchen.ZephraDC, "[41");
    EXPECT_EQ(kitchen.PowerDevice, "A9");
    EXPECT_FALSE(kitchen.DoCID);  // " 1" is not "1"
    EXPECT_EQ(Table().CIDZephraNames, "");
    EXPECT_EQ(kitchen.Object->IP(), "127.0.0.5");
    EXPECT_EQ(kitchen.Object->DeviceCodeBase(), "[41");
    const Strings log = bed.Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "dkvZephra Debug|Initializing Existing Zephra kitchen"), log.end());
    EXPECT_TRUE(bed.Calls("SaveIniSetting").empty());
    // The first line still claims its units: their devices stay.
    EXPECT_TRUE(Exists("[1"));
    EXPECT_TRUE(Exists("[41"));
    // Each dropped entry is named in the log with the reason. (The host's INI reading passes no
    // line without a key.)
    Strings notUsed;
    for (const std::string& line : log)
        if (line.find("Zephra Names:") != std::string::npos) notUsed.push_back(line);
    EXPECT_EQ(
        notUsed,
        (Strings{"dkvZephra|Zephra Names: the entry \"127.0.0.3=a=b,[11\" is not used: it has more than one \"=\" "
                 "(a comment after the value?)",
                 "dkvZephra|Zephra Names: the entry \"127.0.0.4=  ,[31\" is not used: its first field, the appliance's "
                 "name, is empty"}));

    // As a README reader might paste it: a comment after the value.
    Define("127.0.0.2/127.0.0.2:8080=\"Kitchen\"   IP \"/\" computer name = name, device code\n");
    const Strings pasted = bed.Log();
    EXPECT_NE(std::find(pasted.begin(), pasted.end(),
                        "dkvZephra|Zephra Names: the entry \"127.0.0.2/127.0.0.2:8080=Kitchen   IP / computer name = "
                        "name, device code\" is not used: it has more than one \"=\" (a comment after the value?)"),
              pasted.end());

    // A comment after a quoted value becomes part of the name: the entry is named with the name it made.
    Define("127.0.0.2/kitchen=\"Kitchen\" ; main screen\n127.0.0.3/hall=\"Hall,[11\"\n");
    const Strings commented = bed.Log();
    EXPECT_NE(std::find(commented.begin(), commented.end(),
                        "dkvZephra|Zephra Names: the entry \"127.0.0.2/kitchen=Kitchen ; main screen\" has text after "
                        "its closing quote (a comment?): it makes the appliance \"Kitchen ; main screen\""),
              commented.end());
    for (const std::string& line : commented) EXPECT_EQ(line.find("127.0.0.3/hall"), std::string::npos) << line;

    // Every base unit taken: the appliance is not used either.
    for (const char* code : {"[1", "[11", "[21", "[31", "[41", "[51", "[61"}) OurDevice(code);
    Define("10.0.0.9=Attic\n");
    const Strings full = bed.Log();
    EXPECT_NE(std::find(full.begin(), full.end(),
                        "dkvZephra|DefineZephras: no free device code for attic (the base units 1, 11, 21, 31, 41, "
                        "51 and 61 of house code [ all hold devices); left out of the appliances"),
              full.end());
}

TEST_F(ApplianceListTest, TheSeventhApplianceRunsWithoutTimers) {
    std::string lines;
    for (int i = 0; i < 7; ++i)
        lines += "127.0.0." + std::to_string(i + 2) + "=\"z" + std::to_string(i) + ",[" + std::to_string(1 + 10 * i) +
                 "\"\n";
    Define(lines);
    ASSERT_EQ(Table().slots.size(), 7u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Table().slots[i].Object->Timer1Index(), int16_t(i));
    EXPECT_FALSE(Table().slots[6].Object->Timer1Index());
    EXPECT_FALSE(Table().slots[6].Object->IETimerIndex());
    const Strings log = bed.Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "dkvZephra|Unable to find unused timer for IE"), log.end());
}

TEST_F(ApplianceListTest, TheCallerIdUnitOfAnOlderHostIsNeverHandedOut) {
    bed.OlderHost();
    bed.state.HostVersionNumber = kOlderHost;
    std::string lines;
    for (int i = 0; i < 7; ++i) lines += "127.0.0." + std::to_string(i + 2) + "=\"z" + std::to_string(i) + "\"\n";
    Define(lines);
    ASSERT_EQ(Table().slots.size(), 7u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Table().slots[i].ZephraDC, "[" + std::to_string(1 + 10 * i)) << i;
    EXPECT_EQ(Table().slots[6].ZephraDC, "");
    EXPECT_FALSE(Table().slots[6].Object);
    EXPECT_FALSE(Table().slots[6].ZephraActive);
    EXPECT_EQ(Saved("127.0.0.8"), "\"z6\"");  // not saved back
    EXPECT_FALSE(Exists("[61"));
}

// A failure while an entry is defined names the entry as written: a slide group that is no
// number (group 0 is used), a base unit whose ten devices would pass the largest unit.
TEST_F(ApplianceListTest, AnEntryThatFailsIsNamedInTheLog) {
    Define("127.0.0.2=\"Kitchen,[1,,,x,1\"\n127.0.0.3=\"Top,[32760\"\n");
    ASSERT_TRUE(Table().slots[0].Object);
    EXPECT_EQ(Table().slots[0].SlideGroup, 0);
    EXPECT_TRUE(Table().slots[0].DoCID);
    const Strings log = bed.Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0],
              "dkvZephra|DefineZephras  Line 0 Type mismatch: dkvZephraUtilities.ini [Zephra Names] "
              "127.0.0.2=\"Kitchen,[1,,,x,1\" (Slide), 0 is used");
    EXPECT_EQ(log[1],
              "dkvZephra|DefineZephras  Line 0 Overflow: dkvZephraUtilities.ini [Zephra Names] "
              "127.0.0.3=\"Top,[32760\"");
}

TEST_F(ApplianceListTest, OnlyUnitsOneTo63AreMarkedAndABaseOutsideIsLogged) {
    OurDevice("[62");
    OurDevice("[63");
    Define("127.0.0.2=\"Near,[60\"\n127.0.0.3=\"Far,[70\"\n127.0.0.4=\"Below,[-5\"\n127.0.0.5=\"Odd,[x\"\n");
    EXPECT_EQ(bed.Log(), (Strings{"dkvZephra|DefineZephras units not marked, base unit outside 0 to 63: far [70",
                                  "dkvZephra|DefineZephras units not marked, base unit outside 0 to 63: below [-5",
                                  "dkvZephra|DefineZephras: the device code of odd has no unit number; the "
                                  "appliance has no devices: [x",
                                  // "below"'s devices from -5 to 4 count as no appliance's
                                  "dkvZephra|Removing virtual device [1", "dkvZephra|Removing virtual device [2",
                                  "dkvZephra|Removing virtual device [3", "dkvZephra|Removing virtual device [4"}));
    EXPECT_TRUE(Exists("[62"));  // covered by "near", whose units run to 69
    EXPECT_TRUE(Exists("[63"));
    EXPECT_TRUE(Exists("[70"));
}

// The xAP host application's callback object, as far as the appliance list uses it.
class SetupCallback : public automation::Dispatch<SetupCallback> {
public:
    static constexpr std::string_view className = "Setup";
    static void describe(automation::Members<SetupCallback>& m) {
        m.method<&SetupCallback::SetSilentDeviceCollection>("SetSilentDeviceCollection");
        m.method<&SetupCallback::ValueChangeEvent>("ValueChangeEvent");
        m.method<&SetupCallback::SendXapMessage>("SendXapMessage");
    }
    void SetSilentDeviceCollection(const vb::ObjectRef& collection) {
        auto items = std::dynamic_pointer_cast<vb::Collection>(collection);
        for (int32_t i = 1; items && i <= items->Count(); ++i) silent.push_back(vb::CStr(items->Item(i)));
    }
    void ValueChangeEvent(const std::string&, int32_t) {}
    void SendXapMessage(const std::string&, const std::string&, const std::string&, const std::string&,
                        const std::string&, const std::string&) {}
    Strings silent;
};

TEST_F(ApplianceListTest, UnderTheXapHostPowerDevicesAreOnAndTheCallerIdDevicesSilent) {
    auto setup = std::make_shared<SetupCallback>();
    bed.OlderHost();
    bed.state.IsSetup = true;
    bed.state.CallbackObject = setup;
    bed.host->devices().add("stray", "^45")->setInterfaceName("dkvZephra");
    Define("127.0.0.2=\"Kitchen,^1,a3,,0,1\"\n127.0.0.3=\"Hall,^11,,,0,0\"\n127.0.0.4=\"Den,^21,,,0,1\"\n");
    EXPECT_EQ(bed.Calls("SetDeviceStatusNoReport"), Strings{"A3|2|0"});
    EXPECT_EQ(setup->silent, (Strings{"^10", "^30"}));
    EXPECT_EQ(Table().CIDZephraNames, "kitchen,den");
    EXPECT_TRUE(Removals().empty());  // removed without a log line
    EXPECT_FALSE(Exists("^45"));
}

}  // namespace
}  // namespace zephra
