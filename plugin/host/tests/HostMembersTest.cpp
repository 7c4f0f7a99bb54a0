// The plug-in class as the host sees it: its members in order, the constants, registration
// under both hosts, the start-up run once, the proxy instance, configuration and shut-down.

#include "host/reva.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "automation/Registry.h"
#include "callerid/UdpServer.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "core/Zephra.h"
#include "forms/User.h"
#include "homeseer/Callback.h"
#include "host/tests/RevaTestBed.h"
#include "vb/Err.h"
#include "windows/testing/ErrorNumber.h"

namespace zephra {
namespace {

using testing::RevaTestBed;
using Strings = std::vector<std::string>;

// A callback object of the xAP host application: its type name is "Setup".
class SetupCallback : public automation::Dispatch<SetupCallback> {
public:
    static constexpr std::string_view className = "Setup";
    static void describe(automation::Members<SetupCallback>& m) {
        m.method<&SetupCallback::GetHSIface>("GetHSIface");
        m.method<&SetupCallback::RegisterMenu>("RegisterMenu");
    }
    vb::ObjectRef GetHSIface() { return host; }
    void RegisterMenu(const std::string& plugin, const std::string& caption) {
        menus.push_back(plugin + "|" + caption);
    }

    vb::ObjectRef host;
    Strings menus;
};

// The xAP host application's object, to which a proxy instance passes its configuration.
class XapHostApplication : public automation::Dispatch<XapHostApplication> {
public:
    static constexpr std::string_view className = "Application";
    static void describe(automation::Members<XapHostApplication>& m) {
        m.method<&XapHostApplication::GetPlugins>("GetPlugins");
        m.method<&XapHostApplication::ConfigIO>("ConfigIO");
    }
    vb::ObjectRef GetPlugins(const vb::Variant& which) {
        Calls().push_back("GetPlugins " + vb::TypeName(which) + " " + vb::CStr(which));
        return shared_from_this();
    }
    void ConfigIO() { Calls().push_back("ConfigIO"); }
    static Strings& Calls() {
        static Strings made;
        return made;
    }
};

Strings MemberNames() {
    Strings names;
    const vb::MemberTable& table = reva::table();
    for (vb::DispId id = 1; !table.name(id).empty(); ++id) names.emplace_back(table.name(id));
    return names;
}

TEST(Reva, MembersStandInTheOrderOfTheClassInterface) {
    const Strings expected = {
        "Link", "linktext", "page_title", "AccessLevel", "Capabilities", "Name", "RegisterCallback", "InterfaceStatus",
        "ConfigX10", "ShutDownX10", "InitX10", "Exec", "ExecWait", "InitIO", "ShutdownIO", "ConfigIO", "SetIO",
        "IRPortType", "InitIR", "ShutDownIR", "MaxKeys", "MaxDevices", "HasOptions", "IRMatchSupport",
        "SupportsIRMatch", "MaxZones", "IsMatchable", "ConfigIR", "KeyColor", "KeyLearnable", "SetZone", "PlayIR",
        "LearnIR", "Version", "ButtonPress", "SupportsTriggerUI", "SupportsActionUI", "TriggerUI", "TriggerUIFormat",
        "ModifyTriggerUI", "CustomActionDialogUI", "ValidateTriggerUI", "ValidateActionUI", "SupportsConditionUI",
        "ConditionUI", "ConditionUIFormat", "ConditionCheck", "GenPage", "SelectMenu", "ActionUI", "ModifyActionUI",
        "ActionUIFormat", "TriggerAction",
        // The script operations.
        "ZephraSlideshowStatus", "ZephraSoundsVolumeStatus", "ZephraVolumeStatus", "ZephraBacklightStatus",
        "ZephraMailLEDStatus", "ZephraTopLEDStatus", "ZephraSleepStatus", "ZephraSleepEx", "ZephraSleep",
        "ZephraTextToWav", "ZephraSpeakEx", "ZephraSpeak", "ZephraWavEx", "ZephraWav", "ZephraLEDEx", "ZephraLED",
        "ZephraSoundsEx", "ZephraSounds", "ZephraSoundsVolumeEx", "ZephraSoundsVolume", "ZephraScreen",
        "ZephraBacklightEx", "ZephraBacklight", "ZephraRefreshSleepStatus", "ZephraWaitsecsEx", "ZephraWaitsecs",
        "ZephraToggleBrowserFullscreen", "ZephraVolumeEx", "ZephraVolume", "ZephraSetBrowserScreenEx",
        "ZephraSetBrowserScreen", "ZephraPushIISPageEx", "ZephraPushIISPage", "ZephraPushFullscreenEx",
        "ZephraPushFullscreen", "ZephraPushPageEx", "ZephraPushPage", "ZephraTopLedEx", "ZephraTopLed",
        "ZephraMailLedEx", "ZephraMailLed", "ZephraTextEx", "ZephraText", "ZephraCyclePower", "ZephraZCIDEx",
        "ZephraZCID", "ZephraIsSpeaking", "ZephraCommandBusyEx", "ZephraCommandBusy", "ZephraWavTime", "ZephraWhoSent",
        "ZephraIP", "ZephraIPLookup", "ZephraResetQueue", "ZephraTest", "ZephraSlideshow", "ZephraExecuteEx",
        "ZephraExecute", "ZephraPluginDisableEx", "ZephraPluginDisable", "ZephraPluginDisableStatus", "ZephraNames",
        "ZEPHRAIPS", "ZephraNextPicture", "ZephraSendCIDEx", "ZephraSendCID", "ZephraSendHspCID",
        "ZephraSendHspBrowserCID", "ZephraSendCommandEx", "ZephraSendCommand", "SendCID", "SendCommand",
        "ZephraSlideshowCoordination", "ZephraReloadSettings", "ZephraSetSlideGroupEx", "ZephraSetSlideGroup",
        "ZephraGetSlideGroup", "ZephraSlideshowASP", "ZephraMP3Load", "ZephraMP3", "ZephraMP3Save", "ZephraMP3Clear",
        "ZephraMP3Status", "ZephraOnXapMessage", "ZephraSorvex", "ZephraSorvexEx"};
    EXPECT_EQ(MemberNames(), expected);
    EXPECT_EQ(expected.size(), 53u + 86u);
}

TEST(Reva, ConstantMembersAnswerTheirValues) {
    RevaTestBed bed;
    auto is = [&](const std::string& member, const vb::Variant& expected,
                  std::initializer_list<vb::Variant> args = {}) {
        const vb::Variant v = bed.Call(member, args);
        EXPECT_EQ(vb::TypeName(v), vb::TypeName(expected)) << member;
        EXPECT_EQ(vb::CStr(v), vb::CStr(expected)) << member;
    };
    is("Name", "dkvZephra");
    is("Capabilities", int32_t{4});
    is("AccessLevel", int32_t{1});
    is("InterfaceStatus", int16_t{0});
    is("IRPortType", int32_t{1});
    is("MaxKeys", int16_t{25});
    is("MaxDevices", int16_t{10});
    is("MaxZones", int16_t{1});
    is("KeyColor", int32_t{0}, {int32_t{3}});
    for (const char* yes : {"HasOptions", "IRMatchSupport", "SupportsIRMatch"}) is(yes, true);
    is("KeyLearnable", true, {int32_t{3}});
    is("IsMatchable", false, {int32_t{3}});
    for (const char* no : {"SupportsTriggerUI", "SupportsActionUI", "SupportsConditionUI"}) is(no, false);
    for (const char* empty : {"TriggerUI", "CustomActionDialogUI", "ConditionUIFormat", "ConditionCheck"})
        is(empty, "", {"x"});
    for (const char* empty : {"TriggerUIFormat", "GenPage", "ActionUI", "ValidateTriggerUI", "ValidateActionUI"})
        is(empty, "", {"x"});
    is("ConditionUI", "", {int16_t{1}});
    is("ShutDownX10", vb::Variant());
    is("ShutDownIR", vb::Variant());
    is("PlayIR", vb::Variant(), {int32_t{1}});
    is("ExecWait", vb::Variant(), {vb::Variant(), "A", "1", int16_t{2}, int16_t{0}, int16_t{0}, int16_t{0}});

    bed.Call("Link", {});
    automation::letProperty(vb::Variant(vb::ObjectRef(bed.plugin)), "page_title", "Zephra");
    is("page_title", "Zephra");
    is("Link", "");
    EXPECT_TRUE(bed.host->Calls().empty());
}

TEST(Reva, RegistrationTakesTheHostLogsTheVersionAndRegistersTheMenu) {
    RevaTestBed bed;
    bed.host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\r\n");
    bed.state.UseDeviceRefs = false;
    bed.RegisterPlugin();
    EXPECT_EQ(bed.state.hs, bed.host);
    EXPECT_FALSE(bed.state.IsSetup);
    EXPECT_TRUE(bed.state.IsStandAlone);
    EXPECT_TRUE(bed.state.UseDeviceRefs);  // version 2.5.0.81
    EXPECT_TRUE(bed.state.Part<UdpServerState>().window);
    EXPECT_EQ(bed.state.hostInterface.AppPath, bed.app.path().string());
    EXPECT_EQ(bed.Log(), Strings{"dkvZephra|Version 2.5.0 Registered, XAP=False"});
    std::vector<homeseer::Callback::MenuEntry> expected;
    for (const char* caption : {"GUI Setup", "Zephra Server", "Start Slideshow", "Stop Slideshow", "Modem Window",
                                "Reset Queue", "Disable Plugin", "Enable Plugin", "Test", "Help"})
        expected.push_back({"dkvZephra", caption});
    EXPECT_EQ(bed.host->callback()->menus(), expected);

    // An older host is addressed by index and code.
    RevaTestBed older;
    older.host->SetVersion("1.7.44");
    older.RegisterPlugin();
    EXPECT_FALSE(older.state.UseDeviceRefs);
}

TEST(Reva, InMenuZeroRegistersNoEntryAndRunAsXapNodeMakesAProxy) {
    RevaTestBed bed;
    bed.host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\r\ninMenu=\"0\"\r\nRunAsXapNode=x\r\n");
    bed.RegisterPlugin();
    EXPECT_TRUE(bed.host->callback()->menus().empty());
    EXPECT_FALSE(bed.state.IsStandAlone);
}

TEST(Reva, UnderTheXapHostBrowserComesFirstAndDevicesAreAddressedByCode) {
    RevaTestBed bed;
    auto setup = std::make_shared<SetupCallback>();
    setup->host = bed.host;
    bed.Call("RegisterCallback", {vb::Variant(vb::ObjectRef(setup))});
    EXPECT_TRUE(bed.state.IsSetup);
    EXPECT_FALSE(bed.state.UseDeviceRefs);
    ASSERT_EQ(setup->menus.size(), 11u);
    EXPECT_EQ(setup->menus.front(), "dkvZephra|Browser");
    EXPECT_EQ(setup->menus.back(), "dkvZephra|Help");
    EXPECT_EQ(bed.Log(), Strings{"dkvZephra|Version 2.5.0 Registered, XAP=True"});
}

TEST(Reva, ACallbackWithoutHostShowsTheMessageAndFails) {
    RevaTestBed bed;
    forms::ScriptedUser user;
    auto setup = std::make_shared<SetupCallback>();  // its host is Nothing
    EXPECT_EQ(windows::testing::errorNumber([&] { bed.Call("RegisterCallback", {vb::Variant(vb::ObjectRef(setup))}); }),
              91);
    ASSERT_EQ(user.boxes().size(), 1u);
    EXPECT_EQ(user.boxes()[0].Prompt, "Unable to access HS interface");
    EXPECT_TRUE(setup->menus.empty());
}

TEST(Reva, InitIORunsTheStartUpOnceAndNotAfterInitX10) {
    RevaTestBed bed;
    bed.host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\r\n");
    bed.RegisterPlugin();
    EXPECT_EQ(vb::CStr(bed.Call("InitIO", {int32_t{0}})), "");
    EXPECT_TRUE(bed.state.InitComplete);
    EXPECT_TRUE(std::filesystem::exists(bed.app.path() / "HTML/ZephraSlideshow.asp"));
    bed.host->ClearCalls();
    EXPECT_EQ(vb::CStr(bed.Call("InitIO", {int32_t{0}})), "");
    EXPECT_TRUE(bed.host->Calls().empty());

    RevaTestBed x10;
    x10.host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\r\n");
    x10.RegisterPlugin();
    EXPECT_EQ(vb::CStr(x10.Call("InitX10", {int32_t{1}})), "");
    EXPECT_EQ(vb::CStr(x10.Call("InitIO", {int32_t{0}})), "");
    EXPECT_FALSE(x10.state.InitComplete);
    EXPECT_FALSE(std::filesystem::exists(x10.app.path() / "HTML/ZephraSlideshow.asp"));
    EXPECT_FALSE(x10.state.QueueTimerLoaded());
}

TEST(Reva, AProxyOnlySettlesItsDevicesAndPassesConfigurationOn) {
    RevaTestBed bed;
    bed.host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\r\nRunAsXapNode=yes\r\n");
    bed.RegisterPlugin();
    EXPECT_EQ(vb::CStr(bed.Call("InitIO", {int32_t{0}})), "");
    EXPECT_EQ(bed.state.HouseCode, "[");
    EXPECT_NE(bed.host->DeviceExists("[99"), -1);
    EXPECT_FALSE(bed.state.InitComplete);
    EXPECT_FALSE(bed.state.QueueTimerLoaded());

    bed.host->ClearCalls();
    bed.Call("SetIO", {vb::Variant(), "[", "1", int16_t{19}, int16_t{1}, int16_t{0}, int16_t{0}});
    bed.Call("SelectMenu", {"Reset Queue"});
    bed.Call("ShutdownIO");
    EXPECT_FALSE(bed.state.ShuttingDown);
    EXPECT_TRUE(bed.host->Calls().empty());

    XapHostApplication::Calls().clear();
    automation::registerClass<XapHostApplication>("xapdkvZephra.Application");
    bed.Call("ConfigIO");
    EXPECT_EQ(XapHostApplication::Calls(), (Strings{"GetPlugins Integer 1", "ConfigIO"}));
    automation::unregisterClass("xapdkvZephra.Application");
    bed.Call("ConfigIO");  // no xAP host application: nothing, and no error
    EXPECT_EQ(vb::Err().Number, 0);
}

TEST(Reva, ConfigurationShowsTheSetupDialogModallyAndLearnIRItsMessage) {
    RevaTestBed bed;
    bed.host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\r\n");
    bed.RegisterPlugin();
    forms::ScriptedUser user;
    bed.Call("ConfigIO");
    bed.Call("ConfigX10");
    bed.Call("ConfigIR");
    bed.Call("SelectMenu", {"GUI Setup"});
    EXPECT_EQ(user.modalForms(), (Strings{"Zephra Setup", "Zephra Setup", "Zephra Setup", "Zephra Setup"}));
    EXPECT_TRUE(bed.Call("LearnIR", {int32_t{1}}).isEmpty());
    ASSERT_EQ(user.boxes().size(), 1u);
    EXPECT_EQ(user.boxes()[0].Prompt,
              "Press OK to initiate the learn process on the Sample device.\r\n"
              "After pressing OK, point your remote at the learn window and press the key your wish to learn.");
    EXPECT_EQ(user.boxes()[0].Buttons, forms::vbInformation);
}

TEST(Reva, VersionJoinsThePluginsAndTheStoredCompanionVersion) {
    RevaTestBed bed;
    bed.host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\r\n");
    bed.RegisterPlugin();
    EXPECT_EQ(vb::CStr(bed.Call("Version")), "2.5.0/2.5.0");
    bed.host->SaveIniSetting("Zephra", "ZephraUtilitiesVersion", "1.9.3", "dkvZephraUtilities.ini");
    EXPECT_EQ(vb::CStr(bed.Call("Version")), "2.5.0/1.9.3");
}

TEST(Reva, SetIOLogsTheCommandWhenDebuggingAndShutdownEndsTheWork) {
    RevaTestBed bed;
    bed.host->SetIniText("dkvZephraUtilities.ini",
                         "[Zephra Utilities]\r\nDebugLog=1\r\n[Zephra Names]\r\n127.0.0.2=\"Kitchen,[1\"\r\n");
    bed.RegisterPlugin();
    EXPECT_EQ(vb::CStr(bed.Call("InitIO", {int32_t{0}})), "");
    ASSERT_TRUE(bed.state.appliances.slots[0].Object);
    bed.host->ClearCalls();
    bed.Call("SetIO", {vb::Variant(), "[", "10", int16_t{19}, int16_t{4}, int16_t{0}, int16_t{7}});
    const Strings log = bed.Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0], "dkvZephra Debug|SetIO [10: 19,4,0,7");
    EXPECT_EQ(log[1], "dkvZephra Debug|SetZephraIO Initialization Complete=True");

    bed.Call("ShutdownIO");
    EXPECT_TRUE(bed.state.ShuttingDown);
    EXPECT_FALSE(bed.state.appliances.slots[0].Object);
    EXPECT_FALSE(bed.state.QueueTimerLoaded());
    EXPECT_FALSE(bed.state.xap.XapSendQueue.has_value());
    EXPECT_EQ(bed.state.hs, bed.host);  // the host object stays
    EXPECT_TRUE(bed.plugin->Idle());
}

}  // namespace
}  // namespace zephra
