// The full start-up: its order, the stub page byte for byte, the host's version number,
// the xAP dictionaries, the "STATUS" options, the host phone, and a failing step.

#include "host/Startup.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "callerid/CallerIdPart.h"
#include "callerid/EchoWindow.h"
#include "core/DeviceClass.h"
#include "core/QueueTimer.h"
#include "core/Zephra.h"
#include "homeseer/Phone.h"
#include "host/Script.h"
#include "host/XapDictionaries.h"
#include "host/tests/RevaTestBed.h"
#include "vb/DateTime.h"
#include "windows/testing/ErrorNumber.h"

namespace zephra {
namespace {

using testing::RevaTestBed;
using Strings = std::vector<std::string>;

// The member names of the host calls, in order, that are among `members`.
Strings CallsAmong(const RevaTestBed& bed, const Strings& members) {
    Strings seen;
    for (const auto& call : bed.host->Calls())
        if (std::find(members.begin(), members.end(), call.member) != members.end())
            seen.push_back(call.member + (call.args.empty() ? "" : " " + call.args[0] + " " + call.args.back()));
    return seen;
}

TEST(HostVersionNumber, IsMajorMinorAndRevisionInOneNumberWithoutOverflow) {
    EXPECT_EQ(HostVersionNumberOf("1.7.44"), 17044);
    EXPECT_EQ(HostVersionNumberOf("2.5.0.8"), 25000);
    EXPECT_EQ(HostVersionNumberOf("1.7"), 0);
    EXPECT_EQ(HostVersionNumberOf("2.13.0"), 33000);
    EXPECT_EQ(HostVersionNumberOf("3.3.0"), 33000);
    EXPECT_EQ(HostVersionNumberOf("4.0.0.548"), 40000);
    EXPECT_EQ(windows::testing::errorNumber([] { HostVersionNumberOf("a.b.c"); }), 13);
    EXPECT_EQ(windows::testing::errorNumber([] { HostVersionNumberOf("1.40000.0"); }), 6);
}

TEST(Startup, WritesTheSlideshowStubPageByteForByte) {
    RevaTestBed bed;
    bed.app.write("HTML/ZephraSlideshow.asp", "an older page that is longer than the stub page will be, by far");
    WriteSlideshowStub(bed.state);
    EXPECT_EQ(bed.app.read("HTML/ZephraSlideshow.asp"),
              "<%\r\n"
              "On Error Resume Next\r\n"
              "Response.Write hs.GetPlugins(\"dkvZephra\").ZephraSlideshowASP(request, Response)\r\n"
              "If Err.Number <> 0 Then\r\n"
              "    Err.Clear\r\n"
              "    For Each c In hs.GetPlugins\r\n"
              "        If LCase(c) = \"dkvzephra\" Then\r\n"
              "            Response.write c.ZephraSlideshowASP(request, Response)\r\n"
              "            Exit For\r\n"
              "        End If\r\n"
              "    Next\r\n"
              "End If\r\n"
              "%>\r\n");
}

TEST(Startup, RunsItsStepsInOrderAndCompletes) {
    RevaTestBed bed;
    bed.host->SetIniText("dkvZephraUtilities.ini",
                         "[Zephra Utilities]\r\nUseZephraServer=1\r\n"
                         "[Zephra Names]\r\n127.0.0.2=\"Kitchen,[1\"\r\n127.0.0.3=\"Hall,[11\"\r\n"
                         "[STATUS]\r\nShowControl=true\r\nShowStatus=1\r\nShowReceiveDetail=no\r\n");
    bed.app.write("Scripts/dkvZephra.txt", "Function Main(s)\r\nEnd Function\r\n");
    bed.RegisterPlugin();
    bed.state.HostVersionNumber = 0;
    bed.state.housekeeping.PowerCycleIndex = 3;
    bed.state.web.NextPictureIndex = 7;
    bed.state.web.ConvertedPages = {"", "a.asp"};
    bed.host->ClearCalls();
    EXPECT_EQ(InitHW(bed.state, 0), "");
    EXPECT_TRUE(bed.state.InitComplete);
    EXPECT_EQ(bed.state.HostVersionNumber, 25000);
    EXPECT_EQ(bed.state.housekeeping.PowerCycleIndex, -1);
    EXPECT_EQ(bed.state.web.NextPictureIndex, 0);
    EXPECT_EQ(bed.state.web.ConvertedPages, Strings{""});
    EXPECT_TRUE(bed.state.QueueTimerLoaded());
    EXPECT_TRUE(bed.state.xap.XapSendQueue.has_value());
    EXPECT_TRUE(bed.state.Part<CallerIdPart>().echoWindow && bed.state.Part<CallerIdPart>().echoWindow->Loaded());
    EXPECT_TRUE(bed.state.settings.UseZephraServer);  // back on after the synchronisation
    ASSERT_TRUE(bed.state.scripts.UserScript);
    EXPECT_EQ(bed.state.scripts.UserScript->Filename(), "dkvZephra.txt");
    ASSERT_EQ(bed.state.appliances.slots.size(), 2u);
    EXPECT_TRUE(bed.state.appliances.slots[1].Object);

    const HostInterfaceState& options = bed.state.hostInterface;
    EXPECT_TRUE(options.ShowControl);
    EXPECT_TRUE(options.ShowSetup);
    EXPECT_EQ(options.ShowStatus, 1);
    EXPECT_TRUE(options.ShowReceiveMessages);
    EXPECT_FALSE(options.ShowReceiveDetail);

    // The dictionaries before the settings (whose appliance list first looks for the house
    // code among the devices, then reads its section), the settings before the "STATUS"
    // options, and the value call-backs last.
    EXPECT_EQ(
        CallsAmong(bed, {"GetINISection", "GetDeviceEnumerator"}),
        (Strings{"GetINISection Received dkvZephraUtilities.ini", "GetINISection Devices dkvZephraUtilities.ini",
                 "GetDeviceEnumerator", "GetINISection Zephra Names dkvZephraUtilities.ini", "GetDeviceEnumerator"}));
    const Strings log = bed.Log();
    const auto settingsRead =
        std::find(log.begin(), log.end(), "dkvZephra|User Configuration Setup Initialization Complete");
    ASSERT_NE(settingsRead, log.end());
    EXPECT_EQ(log.back(), "dkvZephra|Startup Initialization Complete");
    const Strings status = CallsAmong(bed, {"GetIniSetting"});
    EXPECT_EQ(Strings(status.end() - 5, status.end()),
              (Strings{"GetIniSetting STATUS dkvZephraUtilities.ini", "GetIniSetting STATUS dkvZephraUtilities.ini",
                       "GetIniSetting STATUS dkvZephraUtilities.ini", "GetIniSetting STATUS dkvZephraUtilities.ini",
                       "GetIniSetting STATUS dkvZephraUtilities.ini"}));
    for (const auto& saved : bed.host->devices().all()) {
        if (saved.device->interfaceName() == "dkvZephra") {
            EXPECT_NE(saved.device->misc() & 0x8000, 0) << saved.device->hc() << saved.device->dc();
        }
    }
}

TEST(Startup, AFailingStepIsLoggedByNameTheRestRunAndTheStartUpCompletes) {
    RevaTestBed bed;
    bed.host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\r\n");
    bed.RegisterPlugin();
    bed.host->SetVersion("2.x.0");
    bed.host->ClearCalls();
    EXPECT_EQ(InitHW(bed.state, 0), "Type mismatch");
    // Device commands and host events are served all the same.
    EXPECT_TRUE(bed.state.InitComplete);
    const Strings log = bed.Log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log[0], "dkvZephra|InitHW HostVersion Line 0 Type mismatch");
    EXPECT_NE(std::find(log.begin(), log.end(), "dkvZephra|User Configuration Setup Initialization Complete"),
              log.end());
    EXPECT_NE(std::find(log.begin(), log.end(), "dkvZephra|Startup Initialization Complete"), log.end());
    EXPECT_TRUE(std::filesystem::exists(bed.app.path() / "HTML/ZephraSlideshow.asp"));
    EXPECT_TRUE(bed.state.xap.XapSendQueue.has_value());
}

TEST(Startup, AShowStatusThatIsNoNumberTakesItsDefaultWithALogLine) {
    for (const auto& [text, why] : {std::pair{"abc", "Type mismatch"}, std::pair{"40000", "Overflow"}}) {
        RevaTestBed bed;
        bed.host->SetIniText("dkvZephraUtilities.ini",
                             std::string("[Zephra Utilities]\r\n[STATUS]\r\nShowStatus=") + text + "\r\n");
        bed.RegisterPlugin();
        bed.host->ClearCalls();
        EXPECT_EQ(InitHW(bed.state, 0), "") << text;
        EXPECT_TRUE(bed.state.InitComplete) << text;
        EXPECT_EQ(bed.state.hostInterface.ShowStatus, 2) << text;
        const Strings log = bed.Log();
        const std::string line =
            std::string("dkvZephra|ReadStatusOptions: [STATUS] ShowStatus=") + text + " (" + why + "), 2 is used";
        EXPECT_NE(std::find(log.begin(), log.end(), line), log.end()) << text;
    }
}

TEST(Startup, LoadsTheFilterAndTheMessagesOfInterestSkippingLinesWithoutEquals) {
    RevaTestBed bed;
    bed.host->SetIniText(
        "dkvZephraUtilities.ini",
        "[Zephra Utilities]\r\n"
        "[Received]\r\nacme.sensor~Temp.Report=\"Kitchen_Temp;1\"\r\nACME.SENSOR~temp.report=Other;\r\n"
        "three=a=b\r\n[Devices]\r\nKitchen=1/2/2005 10:00;Temp;Mode\r\nDen=someday\r\n"
        "kitchen=1/3/2005;Twice\r\n"
        "[Device Messages]\r\nkitchen.temp=21.5\r\nkitchen.mode=heat\r\n");
    bed.RegisterPlugin();
    bed.host->ClearCalls();
    EXPECT_EQ(InitHW(bed.state, 0), "");

    const vb::Dictionary& filters = *bed.state.hostInterface.FilterDictionary;
    EXPECT_EQ(filters.Count(), 2);
    EXPECT_EQ(vb::CStr(*filters.find(vb::Variant("Acme.Sensor~TEMP.REPORT"))), "Kitchen_Temp;1");
    EXPECT_EQ(vb::CStr(*filters.find(vb::Variant("three"))), "a");

    const vb::Dictionary& devices = *bed.state.hostInterface.DeviceDictionary;
    ASSERT_EQ(devices.Count(), 2);
    auto device = [&](const char* key) {
        return std::dynamic_pointer_cast<DeviceClass>(devices.find(vb::Variant(key))->object());
    };
    std::shared_ptr<DeviceClass> kitchen = device("KITCHEN");
    EXPECT_EQ(kitchen->LastChange, vb::CDate(vb::Variant("1/2/2005 10:00")));
    ASSERT_EQ(kitchen->MessageKeyList->Count(), 2);
    EXPECT_EQ(vb::CStr(kitchen->MessageKeyList->Item(vb::Variant(int32_t{1}))), "temp");
    EXPECT_EQ(vb::CStr(kitchen->MessageKeyList->Item(vb::Variant(int32_t{2}))), "mode");
    EXPECT_EQ(vb::CStr(kitchen->MessageList->Item(vb::Variant("kitchen.temp"))), "21.5");
    EXPECT_EQ(vb::CStr(kitchen->MessageList->Item(vb::Variant("kitchen.mode"))), "heat");
    std::shared_ptr<DeviceClass> den = device("den");
    EXPECT_EQ(den->LastChange, vb::DateSerial(2000, 1, 1));
    EXPECT_EQ(den->MessageList->Count(), 0);
    EXPECT_EQ(den->MessageKeyList->Count(), 0);
}

TEST(Startup, SectionLinesWithoutEqualsAreSkippedWithALogLine) {
    RevaTestBed bed;
    bed.host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\r\n");
    bed.RegisterPlugin();
    // A host that hands over a section whose lines lack "=".
    class LooseHost : public homeseer::RecordingHost {
    public:
        std::string GetINISection(const std::string& section, const std::string& file) override {
            RecordingHost::GetINISection(section, file);
            if (section == "Received") return std::string("a=1") + '\0' + "loose" + '\0' + "b=2";
            if (section == "Devices") return std::string("orphan") + '\0' + "Den=x";
            return "";
        }
    };
    auto loose = std::make_shared<LooseHost>();
    bed.state.hs = loose;
    InitFilterDictionary(bed.state);
    InitDeviceDictionary(bed.state);
    EXPECT_EQ(bed.state.hostInterface.FilterDictionary->Count(), 2);
    EXPECT_EQ(bed.state.hostInterface.DeviceDictionary->Count(), 1);
    std::vector<homeseer::RecordingHost::LogLine> expected = {
        {"dkvZephra", "InitFilterDictionary skipped a line without \"=\": loose"},
        {"dkvZephra", "InitDeviceDictionary skipped a line without \"=\": orphan"}};
    EXPECT_EQ(loose->Log(), expected);
}

TEST(Startup, TheHostPhoneIsMadeOnFirstNeedWhenThePhoneBookIsUsed) {
    RevaTestBed bed;
    bed.RegisterPlugin();
    EXPECT_FALSE(InitHSP(bed.state));  // "useHSPPhoneBook" off
    bed.state.settings.useHSPPhoneBook = true;
    bed.state.settings.DebugLog = true;
    auto phone = std::make_shared<homeseer::Phone>(std::vector<homeseer::Contact>{}, [](int32_t) {});
    bed.host->setPhone(phone);
    EXPECT_TRUE(InitHSP(bed.state));
    EXPECT_EQ(bed.state.hostInterface.HostPhone, phone);
    EXPECT_EQ(bed.Log().back(), "dkvZephra Debug|InitHSP type = Application, is Application = True");

    // An older host has no phone of its own, and "hsPhone.Application" is not installed.
    RevaTestBed older;
    older.host->SetVersion("1.7.44");
    older.RegisterPlugin();
    older.state.settings.useHSPPhoneBook = true;
    older.state.settings.CIDLineNumber = 2;
    EXPECT_FALSE(InitHSP(older.state));
    EXPECT_EQ(older.state.settings.CIDLineNumber, 0);
    EXPECT_EQ(older.Log().back(), "dkvZephra|Unable to Create hsp Object ,#=429");
}

TEST(Startup, UseZephraServerIsBackAfterAFailingSynchronisation) {
    RevaTestBed bed;
    bed.host->SetIniText("dkvZephraUtilities.ini",
                         "[Zephra Utilities]\r\nUseZephraServer=1\r\n[Zephra Names]\r\n127.0.0.2=\"Kitchen,[1\"\r\n");
    bed.RegisterPlugin();
    bed.host->FailNext("DeviceValue", vb::Error(5, "Invalid procedure call or argument"));
    EXPECT_EQ(InitHW(bed.state, 0), "");
    EXPECT_TRUE(bed.state.settings.UseZephraServer);
    const Strings log = bed.Log();
    EXPECT_NE(std::find_if(log.begin(), log.end(),
                           [](const std::string& line) { return line.rfind("dkvZephra|SyncWithHomeseer ", 0) == 0; }),
              log.end());
}

}  // namespace
}  // namespace zephra
