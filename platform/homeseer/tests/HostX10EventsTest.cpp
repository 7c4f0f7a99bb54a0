// X10 commands and their events, the callback object, host events and the phone component.

#include <gtest/gtest.h>

#include <chrono>

#include "automation/CallByName.h"
#include "automation/Registry.h"
#include "forms/Loop.h"
#include "homeseer/HostEvent.h"
#include "homeseer/Phone.h"
#include "homeseer/testing/RecordingHost.h"
#include "homeseer/HostScriptControl.h"
#include "homeseer/SunTimes.h"
#include "homeseer/tests/FakePlugin.h"
#include "vb/Collection.h"
#include "vb/DateTime.h"
#include "windows/testing/ErrorNumber.h"

namespace homeseer {
namespace {

using windows::testing::errorNumber;
using Call = RecordingHost::Call;
using namespace std::chrono;

class HostServices : public ::testing::Test {
protected:
    HostServices() : loop_(forms::Loop::ClockKind::Manual) {
        loop_.setLocalNow(forms::LocalTime{local_days{year{2026} / December / 8}} + hours{19} + minutes{37});
        hs_ = std::make_shared<RecordingHost>();  // started at that time
        hs_->addPlugin("dkvZephra", plugin_);
    }

    forms::Loop loop_;
    std::shared_ptr<RecordingHost> hs_;
    std::shared_ptr<testing::FakePlugin> plugin_ = std::make_shared<testing::FakePlugin>();
};

TEST_F(HostServices, ExecX10SetsTheStatusAndRaisesEventsToRegisteredCallBacks) {
    EXPECT_FALSE(hs_->IsOn("A3"));
    EXPECT_FALSE(hs_->IsOff("A3"));  // never switched: neither
    hs_->RegisterEventCB(kX10Event, plugin_);
    hs_->RegisterEventCB(kX10Event, plugin_);                          // once is enough
    hs_->RegisterEventCB(2, std::make_shared<testing::FakePlugin>());  // other event types get none of these

    hs_->ExecX10("a3", "OFF");
    EXPECT_TRUE(hs_->IsOff("A3"));
    EXPECT_FALSE(hs_->IsOn("A3"));
    EXPECT_EQ(hs_->DeviceStatus("A3"), kStatusOff);
    EXPECT_EQ(hs_->DeviceLastChange("A3"),
              vb::Date{vb::DateSerial(2026, 12, 8).serial + vb::TimeSerial(19, 37, 0).serial});
    loop_.advance(seconds(30));  // (runs the events waiting)
    hs_->ExecX10("P16", "on");
    hs_->ExecX10("P16", "on");
    EXPECT_TRUE(hs_->IsOn("p16"));
    hs_->ExecX10("B2", "dim", 40);
    EXPECT_TRUE(hs_->IsOn("B2"));
    EXPECT_EQ(hs_->DeviceStatus("B2"), kStatusDim);

    loop_.DoEvents();
    EXPECT_EQ(plugin_->calls,
              (std::vector<std::string>{"HSEvent 1 A 3 3", "HSEvent 1 P 16 2", "HSEvent 1 P 16 2", "HSEvent 1 B 2 4"}));

    // Malformed codes and commands are refused and change nothing.
    for (const char* code : {"Q1", "A0", "A17", "A05", "", "[11", "A 1"})
        EXPECT_EQ(errorNumber([&] { hs_->ExecX10(code, "on"); }), 5) << code;
    EXPECT_EQ(errorNumber([&] { hs_->ExecX10("A3", "toggle"); }), 5);
    EXPECT_TRUE(hs_->IsOff("A3"));
    loop_.DoEvents();
    EXPECT_EQ(plugin_->calls.size(), 4u);

    // Scripts ask "isOn" and "IsOff" by name.
    vb::Variant hs{vb::ObjectRef(hs_)};
    EXPECT_TRUE(vb::CBool(automation::callByName(hs, "isOn", {"P16"})));
    EXPECT_TRUE(vb::CBool(automation::callByName(hs, "ISOFF", {"a3"})));
    EXPECT_EQ(hs_->CallsOf("ExecX10")[1], (Call{"ExecX10", {"P16", "on", "0"}}));
}

TEST_F(HostServices, TheCallbackObjectServesTheHostMenusHouseCodesAndXap) {
    vb::Variant cb{vb::ObjectRef(hs_->callback())};
    EXPECT_TRUE(vb::Is(automation::callByName(cb, "GetHSIface"), vb::Variant(vb::ObjectRef(hs_))));
    EXPECT_NE(vb::TypeName(cb), "Setup");
    automation::callByName(cb, "RegisterMenu", {"dkvZephra", "GUI Setup"});
    automation::callByName(cb, "RegisterMenu", {"dkvZephra", "Help"});
    automation::callByName(cb, "RegisterMenu", {"dkvZephra", "GUI Setup"});
    EXPECT_EQ(hs_->callback()->menus(),
              (std::vector<Callback::MenuEntry>{{"dkvZephra", "GUI Setup"}, {"dkvZephra", "Help"}}));

    // "[" first; a code in use or handed out before is skipped.
    hs_->NewDevice("someone else's", "\\5");
    EXPECT_EQ(vb::CLng(automation::callByName(cb, "GetNextFreeIOCode")), 91);
    EXPECT_EQ(vb::CLng(automation::callByName(cb, "GetNextFreeIOCode")), 93);

    automation::callByName(cb, "SendXapMessage",
                           {"dkv.kitchen", "xap-x10.request", "xap-x10.request",
                            "device\x01"
                            "A3\x00"
                            "command\x01off",
                            "", "00"});
    EXPECT_EQ(hs_->Log().back().source, "xAP");
    EXPECT_EQ(hs_->Log().back().text.substr(0, 61), "Send target=dkv.kitchen class=xap-x10.request section=xap-x10");

    // A host object not held by a shared pointer cannot hand itself out.
    RecordingHost onStack;
    EXPECT_EQ(errorNumber([&] { onStack.callback()->GetHSIface(); }), 91);
}

TEST_F(HostServices, EventsAreMadeFoundAndRunTheirScripts) {
    std::vector<std::string> errors;
    auto script = std::make_shared<HostScriptControl>(hs_, [&](const std::string& line) { errors.push_back(line); });
    hs_->setScript(script);
    EXPECT_EQ(hs_->NewEvent("Lights"), 1);
    std::shared_ptr<HostEvent> cid = hs_->NewEventEx("dkvZephra CID");
    vb::Variant ev{vb::ObjectRef(cid)};
    automation::letProperty(ev, "scripts", "&hs.Plugin(\"dkvZephra\").Echo(\"\")");
    automation::letProperty(ev, "ev_abs_time", int16_t{10});
    automation::letProperty(ev, "phone_line", int16_t{1});
    automation::letProperty(ev, "phone_event", int16_t{4});
    automation::letProperty(ev, "Group", "Phone");
    automation::letProperty(ev, "misc", int32_t{0xC000});
    EXPECT_EQ(hs_->EventCount(), 2);
    EXPECT_EQ(hs_->GetEvent(2)->misc(), 0xC000);
    EXPECT_EQ(hs_->GetEvent(3), nullptr);

    auto walk = hs_->GetEventEnumerator();
    std::vector<std::string> names;
    while (!walk->Finished()) names.push_back(std::dynamic_pointer_cast<HostEvent>(walk->GetNext())->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"Lights", "dkvZephra CID"}));

    hs_->TriggerEvent("DKVZEPHRA cid");
    hs_->TriggerEvent("no such event");
    EXPECT_EQ(plugin_->calls, (std::vector<std::string>{"Echo "}));
    // A failing line is reported with its event's name and the host goes on.
    hs_->GetEvent(1)->setScripts("hs.Plugin(\"dkvZephra\").Echo 1 / 0");
    hs_->TriggerEvent("Lights");
    EXPECT_EQ(errors, (std::vector<std::string>{"event Lights line 1, column 1: Error 11: Division by zero"}));

    // A call on line 1 runs the event set for that line; a call on line 2 runs none.
    auto phone = std::make_shared<Phone>(std::vector<Contact>{}, [this](int32_t line) { hs_->phoneCall(line); });
    phone->IncomingCall(1, "5551234", "ROBIN TALLIS");
    phone->IncomingCall(2, "5559999", "OTHER");
    loop_.DoEvents();
    EXPECT_EQ(plugin_->calls, (std::vector<std::string>{"Echo ", "Echo "}));
    EXPECT_EQ(phone->CIDNumber(1), "5551234");
    EXPECT_EQ(phone->CIDName(1), "ROBIN TALLIS");
}

TEST_F(HostServices, PluginsPhoneAndTimeAreReachedByName) {
    vb::Variant hs{vb::ObjectRef(hs_)};
    EXPECT_TRUE(vb::Is(automation::callByName(hs, "Plugin", {"DKVZEPHRA"}), vb::Variant(vb::ObjectRef(plugin_))));
    EXPECT_TRUE(automation::callByName(hs, "Plugin", {"other"}).isNothing());
    EXPECT_TRUE(vb::Is(automation::callByName(hs, "GetPlugins", {"dkvZephra"}), vb::Variant(vb::ObjectRef(plugin_))));
    vb::Variant all = automation::callByName(hs, "GetPlugins");
    ASSERT_TRUE(all.isObject());
    EXPECT_EQ(std::dynamic_pointer_cast<vb::Collection>(all.object())->Count(), 1);

    EXPECT_EQ(errorNumber([&] { hs_->GetHSPRef(); }), 429);  // no phone component
    auto phone =
        std::make_shared<Phone>(std::vector<Contact>{{"Robin", "Tallis", "555-1234", "", "", "robin.wav"}}, nullptr);
    hs_->setPhone(phone);
    vb::Variant hsp = automation::callByName(hs, "GetHSPRef");
    EXPECT_EQ(vb::TypeName(hsp), "Application");
    EXPECT_EQ(automation::callByName(hsp, "ADRCount").str(), "1");
    vb::Variant entry = automation::callByName(hsp, "ADRGet", {1});
    EXPECT_EQ(automation::getProperty(entry, "home_phone").str(), "555-1234");
    EXPECT_EQ(automation::getProperty(entry, "announce_local_wav").str(), "robin.wav");
    EXPECT_EQ(errorNumber([&] { automation::callByName(hsp, "ADRGet", {2}); }), 9);
    EXPECT_EQ(errorNumber([&] { automation::callByName(hsp, "CIDNumber", {0}); }), 5);
    EXPECT_EQ(automation::callByName(hsp, "CIDName", {1}).str(), "");

    // Older hosts' plug-ins create it by name.
    RegisterPhoneClass(phone);
    EXPECT_EQ(automation::CreateObject("HSPHONE.Application"), phone);
    hs_->setPhone(nullptr);
    hsp = vb::Variant();
    phone.reset();
    EXPECT_EQ(errorNumber([&] { automation::CreateObject("hsPhone.Application"); }), 429);
    automation::unregisterClass("hsPhone.Application");

    EXPECT_EQ(automation::callByName(hs, "SystemUpTime").str(), "0 Days 0 Hours 0 Minutes");
    loop_.advance(hours(26) + minutes(5));
    EXPECT_EQ(hs_->SystemUpTime(), "1 Days 2 Hours 5 Minutes");
    hs_->WaitSecs(90);  // the manual clock moves on while waiting
    EXPECT_EQ(hs_->SystemUpTime(), "1 Days 2 Hours 6 Minutes");
}

TEST(SunTimes, RiseAndSetFollowTheAlmanac) {
    // Greenwich at midsummer: sunrise 03:43 and sunset 20:21 UTC (almanac), within 3 minutes.
    vb::Date midsummer = vb::DateSerial(2024, 6, 21);
    auto rise = SunEventHour(midsummer, 51.48, 0.0, SunEvent::Rise, 0.0);
    auto set = SunEventHour(midsummer, 51.48, 0.0, SunEvent::Set, 0.0);
    ASSERT_TRUE(rise && set);
    EXPECT_NEAR(*rise, 3 + 43 / 60.0, 0.05);
    EXPECT_NEAR(*set, 20 + 21 / 60.0, 0.05);
    // New York in winter, five hours behind: 07:17 and 16:32 local.
    vb::Date winter = vb::DateSerial(2024, 12, 21);
    EXPECT_NEAR(*SunEventHour(winter, 40.71, -74.01, SunEvent::Rise, -5.0), 7 + 17 / 60.0, 0.05);
    EXPECT_NEAR(*SunEventHour(winter, 40.71, -74.01, SunEvent::Set, -5.0), 16 + 32 / 60.0, 0.05);
    // Polar night: no sunrise.
    EXPECT_FALSE(SunEventHour(winter, 80.0, 15.0, SunEvent::Rise, 1.0));
}

}  // namespace
}  // namespace homeseer
