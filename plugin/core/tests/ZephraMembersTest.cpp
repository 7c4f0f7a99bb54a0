// Members of the appliance object that need no appliance: device codes, the X10 command
// under both hosts, the queue device, properties.

#include "core/Zephra.h"

#include <gtest/gtest.h>

#include "core/StatusText.h"
#include "core/tests/PluginTestBed.h"
#include "windows/testing/ErrorNumber.h"

namespace zephra {
namespace {

using testing::PluginTestBed;
using Strings = std::vector<std::string>;

class ZephraMembers : public ::testing::Test {
protected:
    ~ZephraMembers() override { zephra->Shutdown(); }
    PluginTestBed bed;
    std::shared_ptr<Zephra> zephra = Zephra::Create(bed.state);
};

TEST_F(ZephraMembers, TheBaseCodeGivesTheTenDeviceCodes) {
    zephra->LetDeviceCodeBase("B5");
    EXPECT_EQ(zephra->DeviceCode(0), "B5");
    EXPECT_EQ(zephra->DeviceCode(9), "B14");
    zephra->LetDeviceCodeBase("Bx");
    EXPECT_EQ(zephra->DeviceCodeBase(), "Bx");
    EXPECT_EQ(zephra->DeviceCode(9), "B14");  // a unit that is no number leaves them
    zephra->LetDeviceCodeBase("");
    for (int g = 0; g < 10; ++g) EXPECT_EQ(zephra->DeviceCode(g), "");
    EXPECT_EQ(windows::testing::errorNumber([&] { zephra->LetDeviceCodeBase("B32760"); }), 6);
}

TEST_F(ZephraMembers, TheQueueDeviceShowsAnEmptyQueue) {
    zephra->LetDeviceCodeBase("[1");  // the queue device shows the queue as soon as it is made
    EXPECT_EQ(bed.Calls("SetDeviceString"), Strings{"[10|Queue: 0) "});
    bed.host->ClearCalls();
    zephra->ShowQueue();
    EXPECT_EQ(bed.Calls("SetDeviceString"), Strings{"[10|Queue: 0) "});
    bed.host->ClearCalls();
    zephra->ResetQueue();
    EXPECT_EQ(bed.Calls("SetDeviceString"), Strings{"[10|Queue: 0) "});
}

TEST_F(ZephraMembers, X10CommandsGoThroughTheHostOrAsXapRequests) {
    zephra->hsExecX10("A3", "on");
    EXPECT_EQ(bed.Calls("ExecX10"), Strings{"A3|on|0"});
    EXPECT_TRUE(bed.Calls("SendXapMessage").empty());

    bed.host->ClearCalls();
    bed.state.IsSetup = true;
    zephra->LetX10Server("acme.x10.gateway");
    zephra->hsExecX10("A3", "Off");
    EXPECT_TRUE(bed.Calls("ExecX10").empty());
    EXPECT_EQ(
        bed.Calls("SendXapMessage"),
        Strings{std::string("acme.x10.gateway|xap-x10.request|xap-x10.request|device\1A3\0command\1Off||00", 74)});
    EXPECT_EQ(bed.Calls("SetDeviceStatus"), Strings{"A3|3"});
    EXPECT_EQ(bed.Calls("SetDeviceString"), Strings{"A3|" + FormatString(bed.state, "OFF")});

    // Without a callback object the failure is logged.
    bed.state.CallbackObject.reset();
    zephra->hsExecX10("A3", "on");
    EXPECT_EQ(bed.Log().back(), "dkvZephra|hsExecX10 Line 0 Object variable or With block variable not set");
}

TEST_F(ZephraMembers, PropertiesKeepTheirLimits) {
    EXPECT_EQ(zephra->Name(), "Zephra");
    EXPECT_EQ(zephra->Sleep(), "awake");
    zephra->LetMotionOffMinutes(150000);
    EXPECT_EQ(zephra->MotionOffMinutes(), 99999);
    zephra->LetMotionOffMinutes(500);
    EXPECT_EQ(zephra->MotionOffMinutes(), 500);
    zephra->LetEnableSlideshow(0);
    zephra->LetSlideshow(true);
    EXPECT_FALSE(zephra->Slideshow());
    zephra->LetEnableSlideshow(2);
    zephra->LetSlideshow(true);
    EXPECT_TRUE(zephra->Slideshow());
    bed.state.settings.WindowsShare = "\\share";
    zephra->LetName("hall");
    EXPECT_EQ(zephra->MarkerFile(), "\\share\\hall.txt");
    EXPECT_EQ(zephra->CyclePower("t"), "");  // no power device
    EXPECT_EQ(windows::testing::errorNumber([&] { zephra->SetWaitsecs(16384, ""); }), 6);
    EXPECT_EQ(DetermineVolumeIcon(14), 0);
    EXPECT_EQ(DetermineVolumeIcon(50), 2);
    EXPECT_EQ(DetermineVolumeIcon(90), 4);
}

}  // namespace
}  // namespace zephra
