// Device commands routed to the appliance that owns the unit, event actions, their
// description, web buttons of the Sounds devices, and the menu entries.

#include "host/DeviceCommands.h"

#include <gtest/gtest.h>

#include "core/SoundsDevice.h"
#include "core/Zephra.h"
#include "homeseer/Device.h"
#include "host/ActionStrings.h"
#include "host/tests/RevaTestBed.h"
#include "vb/Strings.h"

namespace zephra {
namespace {

using testing::RevaTestBed;
using Strings = std::vector<std::string>;

const std::string kTwo(1, '\x02');
const std::string kOne(1, '\x01');

// The plug-in started with appliances at the given "Zephra Names" lines; house code "[".
struct Started : RevaTestBed {
    explicit Started(const std::string& names, const std::string& settings = "") {
        host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\r\n" + settings + "[Zephra Names]\r\n" + names);
        RegisterPlugin();
        EXPECT_EQ(vb::CStr(Call("InitIO", {int32_t{0}})), "");
        host->ClearCalls();
    }
    Zephra& Z(std::size_t slot) { return *state.appliances.slots.at(slot).Object; }
    void SetIo(const std::string& house, const std::string& unit, int16_t value, int16_t command = 19) {
        Call("SetIO", {vb::Variant(), house, unit, command, value, int16_t{0}, int16_t{0}});
    }
    void EnableSounds(std::initializer_list<int> sounds) {
        state.settings.SoundEnabled.fill(false);
        for (int k : sounds) state.settings.SoundEnabled[static_cast<std::size_t>(k)] = true;
    }
};

TEST(SetZephraIO, RoutesAValueToTheApplianceOwningTheUnit) {
    Started bed("127.0.0.2=\"Kitchen,[1\"\r\n127.0.0.3=\"Hall,[11\"\r\n127.0.0.4=\"Den,B21\"\r\n");
    ASSERT_EQ(bed.state.HouseCode, "[");
    ASSERT_EQ(bed.Z(2).DeviceCodeBase(), "B21");

    bed.SetIo("[", "14", 2);  // the hall's top LED blinks
    EXPECT_EQ(bed.Z(1).TopLED(), "blink");
    EXPECT_EQ(bed.Z(0).TopLED(), "off");
    bed.SetIo("[", "5", 1);  // the kitchen's mail LED
    EXPECT_EQ(bed.Z(0).MailLED(), "on");
    bed.SetIo("[", "6", 1);
    bed.SetIo("[", "4", 0);
    EXPECT_EQ(bed.Z(0).TopLED(), "off");
    bed.SetIo("[", "3", 0);
    EXPECT_EQ(bed.Z(0).Backlight(), "Backlight Off");

    // Volumes: a step 0-4 counts 25 each, 5-100 is a percentage, anything else nothing.
    const std::pair<int16_t, int16_t> volumes[] = {{3, 75}, {0, 0}, {40, 40}, {100, 100}, {101, 100}, {-1, 100}};
    for (const auto& [value, volume] : volumes) {
        bed.SetIo("[", "9", value);
        EXPECT_EQ(bed.Z(0).Volume(), volume) << value;
        bed.SetIo("[", "8", value);
        EXPECT_EQ(bed.Z(0).SoundsVolume(), volume) << value;
    }

    // Sounds: the value counts the enabled sounds only.
    bed.EnableSounds({3, 7});
    bed.SetIo("[", "17", 1);
    EXPECT_EQ(bed.Z(1).Sounds(), 7);
    bed.SetIo("[", "17", 0);
    EXPECT_EQ(bed.Z(1).Sounds(), 3);
    bed.SetIo("[", "17", 2);  // beyond the enabled sounds
    EXPECT_EQ(bed.Z(1).Sounds(), 3);

    // Ignored: another command, another house code, a unit past the last group, and the
    // den, whose base lies under another house code ("[25" is the hall's group 14).
    const std::string before = bed.Z(1).MailLED();
    bed.SetIo("[", "15", 2, 2);
    bed.SetIo("A", "15", 2);
    bed.SetIo("[", "21", 2);
    bed.SetIo("[", "25", 2);
    EXPECT_EQ(bed.Z(1).MailLED(), before);
    EXPECT_EQ(bed.Z(2).MailLED(), "off");
    EXPECT_TRUE(bed.Log().empty());
}

TEST(SetZephraIO, IsIgnoredUntilTheStartUpHasCompleted) {
    Started bed("127.0.0.2=\"Kitchen,[1\"\r\n");
    bed.state.InitComplete = false;
    bed.SetIo("[", "4", 1);
    EXPECT_EQ(bed.Z(0).TopLED(), "off");
    bed.state.InitComplete = true;
    bed.SetIo("[", "4", 1);
    EXPECT_EQ(bed.Z(0).TopLED(), "on");
}

// A device code whose unit is no number stands for no device: the entry is named in the log
// and the other appliances still get their commands.
TEST(SetZephraIO, ACodeWithoutAUnitNumberIsPassedByAndNamed) {
    RevaTestBed bed;
    bed.host->SetIniText("dkvZephraUtilities.ini",
                         "[Zephra Utilities]\r\n[Zephra Names]\r\n127.0.0.6=\"Attic,[1x\"\r\n"
                         "127.0.0.2=\"Kitchen,[1\"\r\n127.0.0.3=\"Hall,[11\"\r\n");
    bed.RegisterPlugin();
    EXPECT_EQ(vb::CStr(bed.Call("InitIO", {int32_t{0}})), "");
    bool named = false;
    for (const std::string& line : bed.Log()) {
        EXPECT_EQ(line.find("Type mismatch"), std::string::npos) << line;
        if (line ==
            "dkvZephra|DefineZephras: the device code of attic has no unit number; the appliance has no "
            "devices: [1x")
            named = true;
    }
    EXPECT_TRUE(named);
    bed.host->ClearCalls();
    auto setIo = [&](const std::string& unit, int16_t value) {
        bed.Call("SetIO", {vb::Variant(), std::string("["), unit, int16_t{19}, value, int16_t{0}, int16_t{0}});
    };
    setIo("14", 2);
    setIo("5", 1);
    auto& slots = bed.state.appliances.slots;
    EXPECT_EQ(slots.at(2).Object->TopLED(), "blink");
    EXPECT_EQ(slots.at(1).Object->MailLED(), "on");
    EXPECT_EQ(slots.at(0).Object->MailLED(), "off");
    for (const std::string& line : bed.Log()) EXPECT_EQ(line.find("SetZephraIO"), std::string::npos) << line;
}

TEST(TriggerAction, SetsTheDeviceOfEachPairToTheActionsValue) {
    Started bed("127.0.0.2=\"Kitchen,[1\"\r\n");
    bed.EnableSounds({0, 2});
    auto trigger = [&](const Strings& fields) {
        bed.host->ClearCalls();
        std::string text;
        for (const std::string& f : fields) text += (text.empty() ? "" : kTwo) + f;
        bed.Call("TriggerAction", {text});
        return bed.Calls("SetDeviceValue");
    };
    EXPECT_EQ(trigger({"Zephra", "x", "A7-Kitchen;Kitchen", "Awaken"}), Strings{"A8|1"});
    EXPECT_EQ(bed.Log(), Strings{"TriggerAction|Zephra:x:A7-Kitchen;Kitchen:Awaken"});
    EXPECT_EQ(trigger({"Zephra", "", "A7-K", "Set Sounds Volume to 50%", "A17-D", "Set Master Volume to 100%%"}),
              (Strings{"A14|50", "A25|100"}));
    EXPECT_EQ(trigger({"Zephra", "", "A7-K", "Show Browser Nav Buttons", "A7-K", "Hide Browser Nav Buttons"}),
              (Strings{"A12|0", "A12|1"}));
    EXPECT_EQ(trigger({"Zephra", "", "A7-K", "Blink Mail LED", "A7-K", "Power Cycle"}), (Strings{"A11|2", "A8|3"}));
    // Sounds: the position among the enabled sounds; a disabled sound sets nothing.
    EXPECT_EQ(trigger({"Zephra", "", "A7-K", "Play Copy Sound", "A7-K", "Play Check Sound"}), Strings{"A13|1"});
    // Pairs skipped: no unit digits, three digits, an unknown action, a missing action.
    EXPECT_EQ(trigger({"Zephra", "", "A-K", "Awaken", "A123-K", "Awaken", "A7-K", "awaken", "A7-K"}), Strings{});
    EXPECT_EQ(trigger({"zephra", "", "A7-K", "Awaken"}), Strings{});
}

TEST(ActionUIFormat, DescribesEachPairThatNamesAnAppliance) {
    RevaTestBed bed;
    auto format = [&](const Strings& fields) {
        std::string text;
        for (const std::string& f : fields) text += (text.empty() ? "" : kTwo) + f;
        return vb::CStr(bed.Call("ActionUIFormat", {text}));
    };
    EXPECT_EQ(format({"dkvZephra", "", "A7-Kitchen;Kitchen", "Put to Sleep", "A17-Den; Den ", "Awaken"}),
              "Put to Sleep to Kitchen Zephra AND Awaken to Den Zephra");
    EXPECT_EQ(format({"dkvZephra", "", "A7-Kitchen", "Awaken", "A7;Den", "Awaken", "A7-x;Den", "Nap"}), "");
    EXPECT_EQ(format({"Zephra", "", "A7-Kitchen;Kitchen", "Awaken"}), "");
}

TEST(SoundsButtons, ListTheEnabledSoundsAndAPressSetsItsPosition) {
    Started bed("127.0.0.2=\"Zephra Room,[1\"\r\n");
    bed.EnableSounds({0, 2});
    EXPECT_EQ(UpdateSoundsButton(bed.state, "Kitchen"), "dkvZephra" + kTwo + "Play Cancel Sound @ Kitchen Zephra" +
                                                            kOne + "dkvZephra" + kTwo +
                                                            "Play Copy Sound @ Kitchen Zephra");
    UpdateButtons(bed.state);
    const std::string buttons = bed.host->GetDeviceByRef(bed.host->DeviceExistsRef("[7"))->buttons();
    EXPECT_EQ(buttons, UpdateSoundsButton(bed.state, "zephra room"));

    // Only the " Zephra" appended to the location is taken off.
    bed.Call("ButtonPress", {"Play Copy Sound @ zephra room Zephra"});
    EXPECT_EQ(bed.Calls("SetDeviceValue"), Strings{"[7|1"});
    bed.host->ClearCalls();
    for (const char* name : {"Play Copy Sound", "Play Copy Sound @ room @ x", "Play Copy Sound @ room Zephra"})
        bed.Call("ButtonPress", {name});
    EXPECT_EQ(bed.Calls("SetDeviceValue"), Strings{});

    bed.state.settings.StatusOnly = true;
    EXPECT_EQ(UpdateSoundsButton(bed.state, "Kitchen"), "");
}

TEST(SoundsButtons, EveryAppliancesSoundsDeviceIsUpdatedTheSeventhToo) {
    std::string names;
    for (int i = 0; i < 7; ++i)
        names += "127.0.0." + std::to_string(i + 2) + "=\"A" + std::to_string(i) + ",[" + std::to_string(1 + 10 * i) +
                 "\"\r\n";
    Started bed(names);
    bed.EnableSounds({18});
    UpdateButtons(bed.state);
    for (int i = 0; i < 7; ++i) {
        const std::string code = "[" + std::to_string(7 + 10 * i);
        const std::string location = "a" + std::to_string(i);
        EXPECT_EQ(bed.host->GetDeviceByRef(bed.host->DeviceExistsRef(code))->buttons(),
                  "dkvZephra" + kTwo + "Play Wake Sound @ " + location + " Zephra")
            << code;
    }
}

TEST(SelectMenu, EntriesActOnEveryAppliance) {
    Started bed("127.0.0.2=\"Kitchen,[1\"\r\n127.0.0.3=\"Hall,[11\"\r\n");
    auto menu = [&](const char* caption) { EXPECT_TRUE(bed.Call("SelectMenu", {caption}).isEmpty()) << caption; };
    menu("Disable Plugin");
    EXPECT_TRUE(bed.Z(0).DisablePlugin() && bed.Z(1).DisablePlugin());
    menu("Enable Plugin");
    EXPECT_FALSE(bed.Z(0).DisablePlugin() || bed.Z(1).DisablePlugin());
    menu("Start Slideshow");
    EXPECT_EQ(bed.state.SlideshowMenuState, 1);
    menu("Stop Slideshow");
    EXPECT_EQ(bed.state.SlideshowMenuState, 2);
    EXPECT_FALSE(bed.Z(0).Slideshow() || bed.Z(1).Slideshow());
    menu("reset queue");  // captions compare exactly
    menu("Browser");      // only under the xAP host application
    bed.Z(1).LetPowerCycleCount(1);
    menu("Reset Queue");
    EXPECT_TRUE(bed.Log().empty());
    menu("Help");
    EXPECT_EQ(bed.Log().size(), 1u);
}

}  // namespace
}  // namespace zephra
