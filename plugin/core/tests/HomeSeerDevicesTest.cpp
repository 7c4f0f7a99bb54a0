// The plug-in's house code and its own devices, under both host generations and under the
// xAP host application.

#include "core/HomeSeerDevices.h"

#include <gtest/gtest.h>

#include "core/tests/PluginTestBed.h"
#include "homeseer/Device.h"

namespace zephra {
namespace {

using testing::PluginTestBed;
using Strings = std::vector<std::string>;

// Every recorded call as member & "|" & its arguments joined by "|".
Strings AllCalls(const homeseer::RecordingHost& host) {
    Strings lines;
    for (const auto& call : host.Calls()) {
        std::string text = call.member;
        for (const auto& arg : call.args) text += "|" + arg;
        lines.push_back(text);
    }
    return lines;
}

// A device that some plug-in made, as a host keeps it.
void AddDevice(homeseer::RecordingHost& host, const std::string& code, const std::string& interfaceName) {
    auto device = host.devices().add("other", code);
    device->setInterfaceName(interfaceName);
}

TEST(HouseCode, AFirstStartOnANewerHostTakesAFreeCodeAndMakesTheVersionDevice) {
    PluginTestBed bed;
    AddDevice(*bed.host, "[5", "acmeLights");  // another plug-in's device outside A to Z
    AddDevice(*bed.host, "B7", "dkvZephra");   // ours, but inside A to Z
    bed.host->ClearCalls();
    InitDevices(bed.state);
    EXPECT_EQ(bed.state.HouseCode, "\\");  // "[" is taken by the other plug-in
    const std::string date = bed.Calls("SetDeviceLastChange").at(0).substr(4);
    EXPECT_EQ(AllCalls(*bed.host), (Strings{
                                       "GetDeviceEnumerator",
                                       "GetNextFreeIOCode",
                                       "DeviceExistsRef|\\99",
                                       "NewDeviceRef|Original Plugin Version",
                                       "GetDeviceByRef|1003",
                                       "Device.hc|1003|\\",
                                       "Device.dc|1003|99",
                                       "Device.Location|1003|Zephra",
                                       "Device.dev_type_string|1003|Zephra",
                                       "Device.interface|1003|dkvZephra",
                                       "Device.misc|1003|32816",
                                       "SetDeviceString|\\99|Original Install Version 2.5.0",
                                       "SetDeviceLastChange|\\99|" + date,
                                       "SaveIniSetting|Zephra Utilities|HouseCode|92|dkvZephraUtilities.ini",
                                   }));
    EXPECT_TRUE(bed.Log().empty());

    // A later start finds the house code again through the version device.
    PluginState again(bed.host);
    ConnectServices(again);
    again.UseDeviceRefs = true;
    again.CallbackObject = bed.host->callback();
    bed.host->ClearCalls();
    InitDevices(again);
    EXPECT_EQ(again.HouseCode, "\\");
    EXPECT_TRUE(bed.Calls("GetNextFreeIOCode").empty());
    EXPECT_TRUE(bed.Calls("NewDeviceRef").empty());
}

TEST(HouseCode, AnOlderHostIsWalkedByIndexAndGetsItsDevicesByName) {
    PluginTestBed bed;
    bed.OlderHost();
    bed.state.settings.DebugLog = true;
    InitDevices(bed.state);
    EXPECT_EQ(bed.state.HouseCode, "[");
    EXPECT_EQ(bed.Calls("NewDevice"), Strings{"Original Plugin Version|"});
    EXPECT_EQ(bed.Calls("GetDevice"), Strings{"1"});
    EXPECT_EQ(bed.Calls("SaveIniSetting"), Strings{"Zephra Utilities|HouseCode|91|dkvZephraUtilities.ini"});
    EXPECT_EQ(bed.Log(), Strings{"dkvZephra Debug|Returned House Code="});
    EXPECT_EQ(bed.host->DeviceString("[99"), "Original Install Version 2.5.0");

    bed.host->ClearCalls();
    EXPECT_EQ(GetHouseCode(bed.state), "[");
    EXPECT_EQ(AllCalls(*bed.host), (Strings{"DeviceCount", "GetDevice|1"}));
    // No enumerator exists on an older host.
    SetValueCallback(bed.state);
    EXPECT_EQ(AllCalls(*bed.host), (Strings{"DeviceCount", "GetDevice|1"}));
}

TEST(HouseCode, TheXapHostApplicationHasItsOwnCodeAndTakesCodesInNewDevice) {
    PluginTestBed bed;
    bed.OlderHost();  // devices by index, as that application hands them out
    bed.state.IsSetup = true;
    InitDevices(bed.state);
    EXPECT_EQ(bed.state.HouseCode, "^");
    EXPECT_EQ(AllCalls(*bed.host), Strings{});
    NewDevice(bed.state, "^99");
    EXPECT_EQ(bed.Calls("NewDevice"), Strings{"Original Plugin Version|^99"});
    EXPECT_TRUE(bed.Calls("Device.hc").empty());
    EXPECT_EQ(bed.host->devices().byCode("^99")->interfaceName(), "dkvZephra");
}

TEST(CallerIdDevice, IsMadeOnceWithTheMiscBitsOfItsHost) {
    for (bool refs : {true, false}) {
        PluginTestBed bed;
        if (!refs) bed.OlderHost();
        CIDDevice(bed.state, "[91");
        auto device = bed.host->devices().byCode("[91");
        ASSERT_TRUE(device);
        EXPECT_EQ(device->Name(), "CID Detected");
        EXPECT_EQ(device->misc(), refs ? 0x8030 : 0x30);
        EXPECT_EQ(device->Location(), "Zephra");
        EXPECT_EQ(bed.Calls("SetDeviceString"), Strings{"[91|"});
        EXPECT_EQ(bed.Calls("SetDeviceStatus"), Strings{"[91|3"});
        EXPECT_EQ(bed.host->DeviceStatus("[91"), homeseer::kStatusOff);
        bed.host->ClearCalls();
        CIDDevice(bed.state, "[91");
        EXPECT_EQ(AllCalls(*bed.host), Strings{refs ? "DeviceExistsRef|[91" : "DeviceExists|[91"});
        EXPECT_TRUE(bed.Log().empty());
    }
}

TEST(ValueCallback, MarksEveryDeviceOfThePluginOnANewerHost) {
    PluginTestBed bed;
    AddDevice(*bed.host, "[1", "dkvZephra");
    AddDevice(*bed.host, "[2", "DKVZEPHRA");
    AddDevice(*bed.host, "C1", "acmeLights");
    bed.host->devices().byCode("[2")->setMisc(16);
    SetValueCallback(bed.state);
    EXPECT_EQ(bed.host->devices().byCode("[1")->misc(), 0x8000);
    EXPECT_EQ(bed.host->devices().byCode("[2")->misc(), 0x8010);
    EXPECT_EQ(bed.host->devices().byCode("C1")->misc(), 0);
}

TEST(DeviceWrappers, ChooseTheCallsOfTheHostGenerationAndLogTheirFailures) {
    PluginTestBed bed;
    bed.OlderHost();
    EXPECT_EQ(hsDeviceExists(bed.state, "[1"), -1);
    EXPECT_EQ(bed.Calls("DeviceExists"), Strings{"[1"});
    EXPECT_EQ(hsGetDevice(bed.state, 40000), nullptr);  // an index beyond 16 bits
    EXPECT_EQ(bed.Log(), Strings{"dkvZephra|hsGetDevice 40000 Line 0 Overflow"});
    bed.host->FailNext("NewDevice", vb::Error(7, "Out of memory"));
    EXPECT_EQ(hsNewDevice(bed.state, "x", ""), 0);
    EXPECT_EQ(bed.Log().back(), "dkvZephra|hsNewDevice x Line 0 Out of memory");
    bed.host->SetVersion("2.5.0.81");
    bed.state.UseDeviceRefs = true;
    EXPECT_EQ(hsDeviceExists(bed.state, "[1"), -1);
    EXPECT_EQ(bed.Calls("DeviceExistsRef"), Strings{"[1"});
}

}  // namespace
}  // namespace zephra
