// Devices of the host in both generations, their state by code on the loop's clock, value
// call-backs and device property writes, through the recording host.

#include <gtest/gtest.h>

#include <chrono>

#include "automation/CallByName.h"
#include "forms/Loop.h"
#include "homeseer/Device.h"
#include "homeseer/ListEnumerator.h"
#include "homeseer/testing/RecordingHost.h"
#include "homeseer/tests/FakePlugin.h"
#include "vb/DateTime.h"
#include "windows/testing/ErrorNumber.h"

namespace homeseer {
namespace {

using windows::testing::errorNumber;
using Call = RecordingHost::Call;
using namespace std::chrono;

class HostDevices : public ::testing::Test {
protected:
    HostDevices() : loop_(forms::Loop::ClockKind::Manual) {
        loop_.setLocalNow(forms::LocalTime{local_days{year{2026} / December / 8}} + hours{19} + minutes{37});
        hs_ = std::make_shared<RecordingHost>();  // started at that time
    }
    static vb::Date at(int h, int m, int s) {
        return vb::Date{vb::DateSerial(2026, 12, 8).serial + vb::TimeSerial(h, m, s).serial};
    }

    forms::Loop loop_;
    std::shared_ptr<RecordingHost> hs_;
};

TEST_F(HostDevices, NewerHostsAddressDevicesByReference) {
    int32_t first = hs_->NewDeviceRef("Zephra Display");
    int32_t second = hs_->NewDeviceRef("Zephra Awake");
    EXPECT_EQ(first, 1001);
    EXPECT_EQ(second, 1002);
    std::shared_ptr<Device> dv = hs_->GetDeviceByRef(second);
    ASSERT_TRUE(dv);
    dv->setHc("[");
    dv->setDc("12");
    EXPECT_EQ(hs_->DeviceExistsRef("[12"), 1002);
    EXPECT_EQ(hs_->DeviceExists("[12"), 1002);
    EXPECT_EQ(hs_->DeviceExistsRef("[1"), -1);  // the first has no code yet
    EXPECT_EQ(hs_->GetDevice(1)->Name(), "Zephra Display");
    EXPECT_EQ(hs_->GetDeviceByRef(1), nullptr);

    // A reference is never reused; the other device keeps its own.
    hs_->DeleteDevice(first);
    EXPECT_EQ(hs_->DeviceCount(), 1);
    EXPECT_EQ(hs_->DeviceExistsRef("[12"), 1002);
    EXPECT_EQ(hs_->NewDevice("CID Detected", "[91"), 1003);
    EXPECT_EQ(hs_->GetDeviceByRef(1003)->code(), "[91");
    hs_->DeleteDevice(4711);  // unknown: nothing
    EXPECT_EQ(hs_->DeviceCount(), 2);
}

TEST_F(HostDevices, OlderHostsAddressDevicesByIndexAndLackTheReferenceMembers) {
    hs_->SetVersion("1.7.44");
    EXPECT_EQ(hs_->NewDevice("Original Plugin Version", "[99"), 1);
    EXPECT_EQ(hs_->NewDevice("Zephra Display"), 2);
    hs_->GetDevice(2)->setHc("[");
    hs_->GetDevice(2)->setDc("1");
    EXPECT_EQ(hs_->DeviceExists("[1"), 2);
    EXPECT_EQ(hs_->GetDevice(2)->ref(), 2);

    // Deleting the first moves the second to index 1.
    hs_->DeleteDevice(hs_->GetDevice(1)->ref());
    EXPECT_EQ(hs_->DeviceExists("[1"), 1);
    EXPECT_EQ(hs_->GetDevice(1)->ref(), 1);
    EXPECT_EQ(hs_->GetDevice(2), nullptr);

    EXPECT_EQ(errorNumber([&] { hs_->NewDeviceRef("x"); }), 438);
    EXPECT_EQ(errorNumber([&] { hs_->DeviceExistsRef("[1"); }), 438);
    EXPECT_EQ(errorNumber([&] { hs_->GetDeviceByRef(1); }), 438);
    EXPECT_EQ(errorNumber([&] { hs_->GetDeviceEnumerator(); }), 438);
    EXPECT_EQ(errorNumber([&] { hs_->NewEventEx("x"); }), 438);
    EXPECT_EQ(errorNumber([&] { hs_->GetHSPRef(); }), 438);
    // The failing calls are recorded too: a test sees what the plug-in tried.
    EXPECT_EQ(hs_->CallsOf("NewDeviceRef"), (std::vector<Call>{{"NewDeviceRef", {"x"}}}));
}

TEST_F(HostDevices, TheEnumeratorRestartsWhenTheListChanges) {
    for (const char* name : {"a", "b", "c"}) hs_->NewDeviceRef(name);
    auto walk = hs_->GetDeviceEnumerator();
    std::vector<std::string> seen;
    EXPECT_FALSE(walk->CountChanged());
    seen.push_back(std::dynamic_pointer_cast<Device>(walk->GetNext())->Name());
    hs_->NewDeviceRef("d");
    EXPECT_TRUE(walk->CountChanged());
    EXPECT_FALSE(walk->CountChanged());  // said once
    while (!walk->Finished()) seen.push_back(std::dynamic_pointer_cast<Device>(walk->GetNext())->Name());
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "a", "b", "c", "d"}));
    EXPECT_EQ(walk->GetNext(), nullptr);

    // Late-bound, as the plug-in walks it.
    vb::Variant e = automation::callByName(vb::Variant(vb::ObjectRef(hs_)), "GetDeviceEnumerator");
    int count = 0;
    while (!vb::CBool(automation::getProperty(e, "Finished"))) {
        EXPECT_FALSE(vb::CBool(automation::getProperty(e, "CountChanged")));
        EXPECT_TRUE(automation::callByName(e, "GetNext").isObject());
        ++count;
    }
    EXPECT_EQ(count, 4);
}

TEST_F(HostDevices, StringsStatusValuesAndLastChangeAreKeptByCodeOnTheLoopsClock) {
    hs_->NewDevice("Zephra Sounds Volume", "Q17");
    hs_->SetDeviceString("q17", "<table>50%</table>");
    EXPECT_EQ(hs_->DeviceString("Q17"), "<table>50%</table>");
    EXPECT_EQ(hs_->DeviceStatus("Q17"), kStatusUnknown);
    hs_->SetDeviceStatus("Q17", kStatusOn);
    EXPECT_EQ(hs_->DeviceStatus("Q17"), kStatusOn);
    EXPECT_EQ(hs_->DeviceLastChange("Q17"), at(19, 37, 0));

    loop_.advance(seconds(75));
    hs_->SetDeviceValue("Q17", 50);
    EXPECT_EQ(hs_->DeviceValue("Q17"), 50);
    EXPECT_EQ(hs_->DeviceLastChange("Q17"), at(19, 38, 15));
    hs_->SetDeviceLastChange("Q17", at(6, 0, 0));
    EXPECT_EQ(hs_->DeviceLastChange("Q17"), at(6, 0, 0));

    // A code without a device keeps nothing.
    hs_->SetDeviceString("Q18", "lost");
    hs_->SetDeviceValue("Q18", 3);
    EXPECT_EQ(hs_->DeviceString("Q18"), "");
    EXPECT_EQ(hs_->DeviceValue("Q18"), 0);
    EXPECT_EQ(hs_->DeviceStatus("Q18"), kStatusUnknown);
    EXPECT_EQ(hs_->DeviceLastChange("Q18"), vb::Date{});

    // Scripts read the text as "devicestring".
    vb::Variant hs{vb::ObjectRef(hs_)};
    EXPECT_EQ(automation::callByName(hs, "devicestring", {"Q17"}).str(), "<table>50%</table>");
    EXPECT_EQ(vb::CLng(automation::callByName(hs, "DEVICEVALUE", {"q17"})), 50);
}

TEST_F(HostDevices, ANewDeviceWasLastChangedWhenItWasMade) {
    loop_.advance(minutes(5));
    hs_->NewDevice("Zephra Backlight", "Q20");
    const int32_t ref = hs_->NewDeviceRef("Zephra Top LED");
    std::shared_ptr<Device> byRef = hs_->devices().byReference(ref);
    ASSERT_TRUE(byRef);
    byRef->setHc("Q");
    byRef->setDc("21");
    loop_.advance(minutes(1));
    EXPECT_EQ(hs_->DeviceLastChange("Q20"), at(19, 42, 0));
    EXPECT_EQ(hs_->DeviceLastChange("Q21"), at(19, 42, 0));
    hs_->SetDeviceValue("Q21", 1);
    EXPECT_EQ(hs_->DeviceLastChange("Q21"), at(19, 43, 0));
}

TEST_F(HostDevices, PropertyWritesAndValueChangesAreRecordedInOrder) {
    int32_t ref = hs_->NewDeviceRef("Zephra Backlight");
    vb::Variant dv = automation::callByName(vb::Variant(vb::ObjectRef(hs_)), "GetDeviceByRef", {ref});
    std::string values =
        "Turn Backlight Off\x02"
        "0\x01Turn Backlight On\x02"
        "1";
    automation::letProperty(dv, "hc", "[");
    automation::letProperty(dv, "dc", "3");
    automation::letProperty(dv, "Values", values);
    automation::letProperty(dv, "misc", int16_t{0x30});
    hs_->SetDeviceValue("[3", 1);
    hs_->callback()->ValueChangeEvent("[3", 0);

    std::vector<Call> calls(hs_->Calls().begin() + 2, hs_->Calls().end());
    EXPECT_EQ(calls, (std::vector<Call>{{"Device.hc", {"1001", "["}},
                                        {"Device.dc", {"1001", "3"}},
                                        {"Device.Values", {"1001", values}},
                                        {"Device.misc", {"1001", "48"}},
                                        {"SetDeviceValue", {"[3", "1"}},
                                        {"ValueChangeEvent", {"[3", "0"}}}));
    EXPECT_EQ(hs_->DeviceValue("[3"), 0);
}

TEST_F(HostDevices, ValuesOfDevicesThatAskForCallBacksReachTheirPluginsSetIO) {
    auto plugin = std::make_shared<testing::FakePlugin>();
    hs_->addPlugin("dkvZephra", plugin);
    hs_->NewDevice("Zephra Awake", "[2");
    hs_->NewDevice("Zephra Browser", "[6");
    auto awake = hs_->GetDevice(1);
    awake->setInterfaceName("dkvZephra");
    awake->setMisc(kMiscValueCallback | 0x10);
    hs_->GetDevice(2)->setInterfaceName("dkvZephra");  // no call-back bit

    hs_->SetDeviceValue("[2", 2);
    hs_->SetDeviceValue("[6", 1);
    hs_->callback()->ValueChangeEvent("[2", 1);  // the plug-in's own choice: not sent back
    EXPECT_TRUE(plugin->calls.empty());          // delivered as events, on the loop
    loop_.DoEvents();
    EXPECT_EQ(plugin->calls, (std::vector<std::string>{"SetIO [2 19 2"}));
}

}  // namespace
}  // namespace homeseer
