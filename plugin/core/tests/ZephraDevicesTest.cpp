// The appliance's ten host devices: made or brought up to date with their codes, names,
// "Values" and "buttons" texts and "misc" bits, and the power-up state they are told.

#include "core/Zephra.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/StatusText.h"
#include "core/tests/PluginTestBed.h"
#include "homeseer/Device.h"

namespace zephra {
namespace {

using testing::PluginTestBed;
using Strings = std::vector<std::string>;

const std::string S1(1, '\1');
const std::string S2(1, '\2');

class ZephraDevices : public ::testing::Test {
protected:
    ~ZephraDevices() override {
        if (zephra) zephra->Shutdown();
    }
    std::shared_ptr<homeseer::Device> Device(const std::string& code) { return bed.host->devices().byCode(code); }
    void Make(const std::string& base = "[1") {
        zephra = Zephra::Create(bed.state);
        zephra->LetName("den");
        zephra->LetDeviceCodeBase(base);
    }
    PluginTestBed bed;
    std::shared_ptr<Zephra> zephra;
};

TEST_F(ZephraDevices, ABaseCodeMakesTenDevicesWithTheirTexts) {
    bed.state.settings.SoundEnabled[0] = true;
    bed.state.settings.SoundEnabled[2] = true;
    Make();
    const Strings names = {"Zephra Display",  "Zephra Awake",   "Zephra Backlight", "Zephra Top LED",
                           "Zephra Mail LED", "Zephra Browser", "Zephra Sounds",    "Zephra Sounds Volume",
                           "Zephra Volume",   "Zephra Reserved"};
    for (int g = 0; g < 10; ++g) {
        auto d = Device("[" + std::to_string(g + 1));
        ASSERT_TRUE(d) << g;
        EXPECT_EQ(d->Name(), names[g]);
        EXPECT_EQ(d->hc(), "[");
        EXPECT_EQ(d->dc(), std::to_string(g + 1));
        EXPECT_EQ(d->Location(), "den");
        EXPECT_EQ(d->dev_type_string(), "Zephra");
        EXPECT_EQ(d->interfaceName(), "dkvZephra");
        EXPECT_EQ(d->iotype(), g == 9 ? 2 : 4);
        // A new device gets the value call-back bit of a newer host, as an existing one does.
        EXPECT_EQ(d->misc(), g == 9 ? 0x8020 : 0x8000);
    }
    EXPECT_EQ(Device("[3")->Values(), "Turn Backlight Off" + S2 + "0" + S1 + "Turn Backlight On" + S2 + "1");
    EXPECT_EQ(Device("[3")->buttons(), "dkvZephra" + S2 + "Turn Backlight Off @ den Zephra" + S1 + "dkvZephra" + S2 +
                                           "Turn Backlight On @ den Zephra");
    EXPECT_EQ(Device("[8")->Values(), "Set Sounds Volume to 0%" + S2 + "0" + S1 + "Set Sounds Volume to 25%" + S2 +
                                          "1" + S1 + "Set Sounds Volume to 50%" + S2 + "2" + S1 +
                                          "Set Sounds Volume to 75%" + S2 + "3" + S1 + "Set Sounds Volume to 100%" +
                                          S2 + "4");
    // The Sounds device names the enabled sounds only, numbered as its buttons are.
    EXPECT_EQ(Device("[7")->Values(), "Play Cancel Sound" + S2 + "0" + S1 + "Play Copy Sound" + S2 + "1");
    EXPECT_EQ(Device("[7")->buttons(), "dkvZephra" + S2 + "Play Cancel Sound @ den Zephra" + S1 + "dkvZephra" + S2 +
                                           "Play Copy Sound @ den Zephra");
    EXPECT_EQ(Device("[10")->Values(), "");
    EXPECT_EQ(Device("[10")->buttons(), "");
    EXPECT_EQ(bed.Calls("NewDeviceRef").size(), 10u);
    EXPECT_TRUE(bed.Log().empty());
}

TEST_F(ZephraDevices, AnExistingDeviceKeepsItsNameAndOtherBitsAndFollowsStatusOnly) {
    Make();
    Device("[2")->setName("Den sleep");
    Device("[2")->setMisc(0x8000 | 0x400 | 16);
    bed.state.settings.StatusOnly = true;
    bed.host->ClearCalls();
    zephra->LetDeviceCodeBase("[1");
    EXPECT_TRUE(bed.Calls("NewDeviceRef").empty());
    EXPECT_EQ(Device("[2")->Name(), "Den sleep");
    EXPECT_EQ(Device("[2")->misc(), 0x8000 | 0x400 | 16);
    EXPECT_EQ(Device("[2")->buttons(), "");
    EXPECT_EQ(Device("[7")->buttons(), "");
    EXPECT_EQ(Device("[10")->misc(), 0x8000 | 16 | 32);
    // Only these properties are written on an existing device.
    EXPECT_EQ(bed.Calls("Device.Location"), Strings{});
    EXPECT_EQ(bed.Calls("Device.misc").size(), 10u);
    EXPECT_EQ(bed.Calls("Device.iotype"), Strings{std::to_string(Device("[10")->ref()) + "|2"});

    bed.state.settings.StatusOnly = false;
    zephra->LetDeviceCodeBase("[1");
    EXPECT_EQ(Device("[2")->misc(), 0x8000 | 0x400);
    EXPECT_NE(Device("[2")->buttons(), "");
}

TEST_F(ZephraDevices, AnOlderHostGetsTheCodesSetByThePluginAndNoCallBackBit) {
    bed.OlderHost();
    bed.state.settings.DebugLog = true;
    Make("B5");
    EXPECT_EQ(bed.Calls("NewDevice").front(), "Zephra Display|");
    EXPECT_EQ(Device("B14")->Name(), "Zephra Reserved");
    EXPECT_EQ(Device("B5")->misc(), 0);
    EXPECT_EQ(Device("B14")->misc(), 32);
    const Strings log = bed.Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "dkvZephra Debug den|MakeDevice B5, Ref=-1"), log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "dkvZephra Debug den|MakeDevice Created for den"), log.end());
}

}  // namespace
}  // namespace zephra
