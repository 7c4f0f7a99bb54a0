// The status and setup page: its device table and controls, each setup section's fields, the
// sort and device commands of a post, and a save of the page's own fields back into the
// settings file.

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "callerid/XapBsc.h"
#include "core/DeviceClass.h"
#include "homeseer/Device.h"
#include "setup/tests/SetupTestBed.h"
#include "vb/DateTime.h"
#include "web/Request.h"
#include "web/StatusPage.h"
#include "web/StatusPageState.h"
#include "web/tests/StatusBed.h"

namespace zephra::testing {
namespace {

const std::string kNames = "[Zephra Names]\r\n192.168.9.5=\"Kit'chen,Q11,A3,A4\"\r\n10.0.0.2/den=\"Den,Q1,,\"\r\n";

TEST(StatusPage, DeviceTableRowsControlsAndEscaping) {
    StatusBed bed(kNames);
    for (int u = 1; u <= 20; ++u) bed.Device("Q" + std::to_string(u));
    bed.Device("A3");
    bed.Device("A4");
    bed.state.HouseCode = "Q";
    bed.state.hostInterface.ShowSetup = false;
    bed.state.hostInterface.ShowReceiveMessages = false;
    const std::string page = bed.Get();

    // The default sort by DCSort puts Q2 before Q10, and A3 first.
    const std::size_t a3 = page.find(">A3<"), q2 = page.find(">Q2<"), q10 = page.find(">Q10<");
    ASSERT_NE(a3, std::string::npos);
    EXPECT_LT(a3, q2);
    EXPECT_LT(q2, q10);
    // The appliance's name is escaped in its cells; the host's status text is not touched.
    EXPECT_NE(page.find("Kit&#39;chen Top LED"), std::string::npos);
    EXPECT_EQ(page.find("Kit'chen"), std::string::npos);
    EXPECT_NE(page.find(">status Q14<"), std::string::npos);
    // A device of the plug-in's house code gets "Clear", another "OFF" and "ON"; motion none.
    EXPECT_NE(page.find("<select class='formdropdown' onChange='ClearSubmit(this);' name='V5114' size='1'>"
                        "<option selected=' '></option><option value='Clear'>Clear</option></select>"),
              std::string::npos);
    EXPECT_NE(page.find("name='V413' size='1'><option selected=' '></option><option value='OFF'>OFF</option>"
                        "<option value='ON'>ON</option></select>"),
              std::string::npos);
    EXPECT_EQ(page.find("name='V414'"), std::string::npos);
    // Every input lies inside the form "control" except the two small forms of the buttons.
    const std::string form =
        page.substr(page.find("<form name='control'"), page.find("</form>") - page.find("<form name='control'"));
    EXPECT_EQ(Inputs(page).size(), Inputs(form).size() + 4);
    EXPECT_NE(page.find("<input type='submit' name='UID' value='ID'>"), std::string::npos);
    EXPECT_NE(page.find("name='hiddenframe'"), std::string::npos);
}

TEST(StatusPage, SortButtonsReverseOnASecondPress) {
    StatusBed bed(kNames);
    bed.state.hostInterface.ShowSetup = false;
    bed.page("clientinput=yes&clientvalue=yes&Name=Name");
    EXPECT_EQ(bed.Setting("STATUS", "StatusSortKey"), "\"Name\"");
    EXPECT_EQ(bed.Setting("STATUS", "StatusSortDirection"), "\"\"");
    bed.page("clientinput=yes&clientvalue=yes&Name=Name");
    EXPECT_EQ(bed.Setting("STATUS", "StatusSortDirection"), "\"DESC\"");
    EXPECT_EQ(bed.state.Part<StatusPageState>().SortKey, "NAME");
    bed.page("clientinput=yes&clientvalue=yes&Changed=Changed");
    EXPECT_EQ(bed.Setting("STATUS", "StatusSortKey"), "\"Changed\"");
    EXPECT_EQ(bed.Setting("STATUS", "StatusSortDirection"), "\"\"");
    // "Refresh" changes nothing.
    bed.page("clientinput=yes&clientvalue=yes&Refresh=x&Name=Name");
    EXPECT_EQ(bed.Setting("STATUS", "StatusSortKey"), "\"Changed\"");
}

TEST(StatusPage, DeviceCommandsOnlyForListedDevices) {
    StatusBed bed(kNames);
    for (int u = 1; u <= 20; ++u)
        bed.Device("Q" + std::to_string(u), "x\x02On\x01Off",
                   "Sleep\x02"
                   "0\x01"
                   "Awake\x02"
                   "1\x01"
                   "Always Awake\x02"
                   "2");
    bed.Device("A3");
    bed.Device("B7");
    bed.state.HouseCode = "Q";
    bed.host->ClearCalls();
    // A power device is switched through the host.
    bed.page("clientinput=V413&clientvalue=on");
    EXPECT_EQ(bed.Calls("ExecX10"), (std::vector<std::string>{"A3|ON|0"}));
    // A device the page does not list is refused.
    bed.page("clientinput=V427&clientvalue=on");
    EXPECT_EQ(bed.Calls("ExecX10").size(), 1u);
    // A value label: the exact name wins over an earlier value that holds it.
    bed.page("clientinput=V5112&clientvalue=awake");
    EXPECT_EQ(bed.Calls("ValueChangeEvent"), (std::vector<std::string>{"Q12|1"}));
    bed.page("clientinput=V5112&clientvalue=Always");
    EXPECT_EQ(bed.Calls("ValueChangeEvent").back(), "Q12|2");
    EXPECT_EQ(DeviceCodeFieldName(bed.state, "Q5"), "V515");
    EXPECT_EQ(DeviceCodeFromFieldName("V515"), "Q5");
}

TEST(StatusPage, SectionFieldNames) {
    StatusBed bed("");
    const std::string page = bed.Get();
    std::vector<std::string> names;
    for (const Field& f : Inputs(page)) names.push_back(f.name);
    auto has = [&](const std::string& name) { return std::find(names.begin(), names.end(), name) != names.end(); };
    for (const char* name : {"Location0",
                             "IP8",
                             "Power0",
                             "Motion8",
                             "Option1",
                             "Option9",
                             "CID0",
                             "HSIP",
                             "VoiceCB",
                             "FontColor",
                             "PushDelay",
                             "Menu",
                             "StatusOnly",
                             "Check1_0",
                             "Check1_18",
                             "CommandRetries",
                             "UseZephraServer",
                             "UDPDelay",
                             "ServerPort",
                             "StyleSheet",
                             "Background",
                             "TCPServerOption",
                             "DebugLog",
                             "ShowSlides",
                             "TCPDebug",
                             "PowerCycleInterval",
                             "PowerCycleTime",
                             "SleepInterval",
                             "noResponseAction",
                             "DefaultPushPage",
                             "PowerUpTime",
                             "WindowsShare",
                             "AwakenOnMotion",
                             "SlideshowNoMotionTime",
                             "StartSlildeshow",
                             "LEDMotionTime",
                             "TextStyle",
                             "TextForeground",
                             "TextBackground",
                             "TextFontSize",
                             "IncludeHeaderLinks",
                             "LinksFile",
                             "MaxPixels",
                             "SlideshowPath",
                             "ImagePath",
                             "ImageServer",
                             "jpg",
                             "gif",
                             "bmp",
                             "Wallpaper",
                             "DontRandomize",
                             "UpdateInterval",
                             "Links",
                             "SlideASP0",
                             "SlideASP14",
                             "Dwell6",
                             "ServerPathGroup1",
                             "FolderPathGroup2",
                             "LineNumber",
                             "CIDEventGroup",
                             "CIDCommPort",
                             "CIDPortString",
                             "CIDModemInitString",
                             "CIDNamePrefix",
                             "CIDNumberPrefix",
                             "InsertModemCrLf",
                             "ZcidCIDResponse",
                             "CIDSentry",
                             "BrowserCIDResponse",
                             "SoundCIDResponse",
                             "GenerateCIDEvent",
                             "LogCID",
                             "UseHSPPhoneBook",
                             "ExcludeHSPLocation",
                             "UseFriends",
                             "FriendsLocation",
                             "FilterTag0",
                             "FilterEvent0",
                             "Class0",
                             "Source0",
                             "script",
                             "query",
                             "Save",
                             "ShowControl",
                             "ShowSetup",
                             "ShowReceiveMessages",
                             "ShowReceiveDetail",
                             "ShowStatus"})
        EXPECT_TRUE(has(name)) << name;
    EXPECT_FALSE(has("X10Server0"));
    EXPECT_NE(page.find("&nbsp;Start Sllideshow on New Motion Detected"), std::string::npos);
    EXPECT_NE(page.find(">&nbsp;Include jpg"), std::string::npos);
    EXPECT_NE(page.find("Seconds after power cycle  OR Wait for browser to appear on file share "), std::string::npos);
    EXPECT_NE(page.find("Folder Path&nbsp;&nbsp;&nbsp;<input type='text'  size='70' name='FolderPathGroup0'"),
              std::string::npos);
    // Under the xAP host: no server selection, an X10 target row for a unit with a power code.
    StatusBed xap("[Zephra Names]\r\n1.2.3.4=\"Hall,Q1,A2,\"\r\n");
    xap.state.IsSetup = true;
    const std::string xapPage = xap.Get();
    EXPECT_EQ(xapPage.find("TCPServerOption"), std::string::npos);
    EXPECT_NE(xapPage.find("name='X10Server0'"), std::string::npos);
    EXPECT_EQ(xapPage.substr(xapPage.size() - 14), "</body></html>");
}

TEST(StatusPage, ASaveOfTheUnchangedPageKeepsTheSettingsFile) {
    StatusBed bed(kNames);
    const std::string first = bed.Get();
    bed.page(StatusBed::Post(first, "Save"));  // the first save writes every key in the writer's form
    const std::string stored = bed.Ini();
    const std::string second = bed.Get();
    bed.page(StatusBed::Post(second, "Save"));
    EXPECT_EQ(bed.Ini(), stored);
    EXPECT_EQ(bed.Get(), second);
}

TEST(StatusPage, AwkwardValuesAndAnUntickedBoxSurviveASave) {
    StatusBed bed(kNames);
    bed.state.hostInterface.ShowReceiveDetail = true;
    const std::string page = bed.Get();
    bed.page(StatusBed::Post(page, "Save",
                             {{"WindowsShare", "\\\\srv\\bob's share"},
                              {"CIDNamePrefix", "NAM ="},
                              {"LinksFile", "a&b=c"},
                              {"Location1", "O'Neil <den>"}},
                             {"ShowReceiveDetail", "jpg"}));
    EXPECT_EQ(bed.Setting("Zephra Utilities", "WindowsShare"), "\\\\srv\\bob's share");
    EXPECT_EQ(bed.Setting("Zephra Utilities", "CIDNamePrefix"), "NAM =");
    EXPECT_EQ(bed.Setting("Zephra Utilities", "LinksFile"), "a&b=c");
    EXPECT_EQ(bed.Setting("Zephra Utilities", "jpg"), "0");
    EXPECT_EQ(bed.Setting("STATUS", "ShowReceiveDetail"), "False");
    const std::string again = bed.Get();
    EXPECT_NE(again.find("value='\\\\srv\\bob&#39;s share'"), std::string::npos);
    EXPECT_NE(again.find("value='O&#39;Neil &lt;den&gt;'"), std::string::npos);
    EXPECT_NE(again.find("value='NAM ='"), std::string::npos);
}

TEST(StatusPage, ASaveKeepsWhatThePostDidNotCarry) {
    StatusBed bed(kNames + "[Received]\r\nacme.a~T.R=Tag_A;1\r\n");
    bed.state.hostInterface.FilterDictionary->Add(vb::Variant("acme.a~T.R"), vb::Variant("Tag_A;1"));
    bed.Get();
    const std::string before = bed.Ini();
    // Only the display options are posted: no setup section, no filter row.
    bed.page("clientinput=yes&clientvalue=yes&Save=x&ShowControl=1&ShowSetup=1&ShowReceiveMessages=1&ShowStatus=2");
    EXPECT_EQ(bed.Setting("Zephra Names", "192.168.9.5"), "\"Kit'chen,Q11,A3,A4\"");
    EXPECT_EQ(bed.Setting("Received", "acme.a~T.R"), "Tag_A;1");
    EXPECT_TRUE(bed.Calls("ClearINISection").empty());
    // A new filter row from the page.
    const std::string page = bed.Get();
    bed.page(StatusBed::Post(
        page, "Save", {{"Source0", "acme.sensor.kitchen"}, {"Class0", "Temp.Report"}, {"FilterTag0", "Kitchen Temp"}}));
    EXPECT_EQ(bed.Setting("Received", "acme.sensor.kitchen~Temp.Report"), "Kitchen_Temp;");
    EXPECT_EQ(bed.Setting("Received", "acme.a~T.R"), "Tag_A;1");
    EXPECT_TRUE(bed.state.hostInterface.DeviceDictionary->Exists(vb::Variant("Kitchen_Temp")));
}

// A filter row whose key or value the settings file could not give back refuses the whole
// save, setup included, with the field named on the page and in the log; nothing is written.
TEST(StatusPage, AFilterRowThatCannotBeStoredRefusesTheWholeSave) {
    StatusBed bed(kNames + "[Received]\r\nacme.a~T.R=Tag_A;1\r\n");
    bed.state.hostInterface.FilterDictionary->Add(vb::Variant("acme.a~T.R"), vb::Variant("Tag_A;1"));
    bed.page("clientinput=yes&clientvalue=yes&Save=x&ShowControl=1&ShowSetup=1&ShowReceiveMessages=1&ShowStatus=2");
    // `shown`: the refusal as the page writes it.
    struct Case {
        const char* field;
        const char* value;
        const char* refusal;
        const char* shown;
    };
    for (const Case& c : {Case{"Source0", "acme=evil", "Source of the new xAP message cannot hold '='.",
                               "Source of the new xAP message cannot hold &#39;=&#39;."},
                          Case{"Source0", "[evil]", "Source of the new xAP message cannot hold '[' at its start.",
                               "Source of the new xAP message cannot hold &#39;[&#39; at its start."},
                          Case{"Class0", "T=R", "Class of the new xAP message cannot hold '='.",
                               "Class of the new xAP message cannot hold &#39;=&#39;."},
                          Case{"FilterTag0", "Kit\"chen", "Tag of the new xAP message cannot hold '\"'.",
                               "Tag of the new xAP message cannot hold &#39;&quot;&#39;."}}) {
        SCOPED_TRACE(c.field + std::string(" ") + c.value);
        const std::string page = bed.Get();
        const std::string before = bed.Ini();
        std::map<std::string, std::string> fields = {{"Source0", "acme.sensor.kitchen"},
                                                     {"Class0", "Temp.Report"},
                                                     {"FilterTag0", "Kitchen"},
                                                     {"Location0", "Den"}};
        fields[c.field] = c.value;
        const std::string answer = bed.page(StatusBed::Post(page, "Save", fields));
        EXPECT_NE(answer.find(std::string("Nothing was saved: ") + c.shown), std::string::npos) << answer;
        EXPECT_TRUE(bed.LogHas(std::string("Nothing was saved: ") + c.refusal));
        EXPECT_EQ(bed.Ini(), before);
        EXPECT_EQ(bed.state.hostInterface.FilterDictionary->Count(), 1);
    }
    // A row that can be stored is, with the setup beside it.
    const std::string page = bed.Get();
    bed.page(StatusBed::Post(page, "Save",
                             {{"Source0", "acme.b"}, {"Class0", "T.S"}, {"FilterTag0", "B"}, {"Location0", "Den"}}));
    EXPECT_EQ(bed.Setting("Received", "acme.b~T.S"), "B;");
    EXPECT_NE(bed.Setting("Zephra Names", "192.168.9.5").find("Den"), std::string::npos);
}

// The appliances the settings give, by name, and the host's device count.
std::pair<std::vector<std::string>, int32_t> AppliancesAndDevices(StatusBed& bed) {
    InitZephraUtilities(bed.state);
    std::vector<std::string> names;
    for (const auto& slot : bed.state.appliances.slots)
        if (slot.ZephraActive) names.push_back(slot.Name + "@" + slot.IP + "@" + slot.ZephraDC);
    return {names, bed.host->DeviceCount()};
}

TEST(StatusPage, HostileSavesLoseNoApplianceAndAFailedSaveChangesNothing) {
    const std::vector<std::string> fields = {"Location0", "IP0",       "Power0",           "Motion0",
                                             "FontColor", "SlideASP0", "ServerPathGroup0", "CIDModemInitString"};
    const std::vector<char> characters = {'=', '"', '[', ']', ',', '\r', '\n', '\0'};
    for (const std::string& field : fields) {
        for (const char c : characters) {
            for (const bool raw : {false, true}) {
                SCOPED_TRACE(field + " " + std::to_string(static_cast<int>(c)) + (raw ? " raw" : " encoded"));
                StatusBed bed(kNames);
                const auto known = AppliancesAndDevices(bed);
                ASSERT_EQ(known.first.size(), 2u);
                const std::string page = bed.Get();
                const std::string before = bed.Ini();
                // The value "a?b" with the character in the middle, escaped or as it is.
                std::string body = StatusBed::Post(page, "Save", {{field, "a-b"}});
                const std::string marker = field + "=a-b";
                const std::size_t at = body.find(marker);
                ASSERT_NE(at, std::string::npos);
                body.replace(
                    at + marker.size() - 2, 1, raw ? std::string(1, c) : "%" + [&] {
                        static const char* hex = "0123456789ABCDEF";
                        return std::string{hex[static_cast<unsigned char>(c) >> 4], hex[c & 15]};
                    }());
                const std::string answer = bed.page(body);
                if (answer.find("Nothing was saved: ") != std::string::npos) {
                    EXPECT_EQ(bed.Ini(), before);
                    EXPECT_NE(answer.find(field), std::string::npos) << "the message names the field";
                } else {
                    // Stored: the page shows again what was posted.
                    const std::string stored = bed.Get();
                    for (const Field& f : Inputs(stored)) {
                        if (f.name == field && field != "IP0") {
                            EXPECT_NE(f.value.find('b'), std::string::npos) << f.value;
                        }
                    }
                }
                const auto after = AppliancesAndDevices(bed);
                EXPECT_EQ(after.first.size(), 2u);
                EXPECT_EQ(after.second, known.second);
                if (field != "Location0" && field != "IP0") {
                    EXPECT_EQ(after.first, known.first);
                }
            }
        }
    }
}

TEST(StatusPage, ASaveWithoutAUnitsFieldsKeepsTheUnit) {
    StatusBed bed(kNames);
    const auto known = AppliancesAndDevices(bed);
    const std::string page = bed.Get();
    std::string body = StatusBed::Post(page, "Save");
    for (const std::string name : {"IP0=", "Power0="}) {
        const std::size_t at = body.find("&" + name);
        ASSERT_NE(at, std::string::npos) << name;
        body.erase(at, body.find('&', at + 1) - at);
    }
    // A field given twice keeps its first value.
    body += "&Location1=Twice";
    bed.page(body);
    // Nothing of the unit changed: its entry is left as stored.
    EXPECT_EQ(bed.Setting("Zephra Names", "192.168.9.5"), "\"Kit'chen,Q11,A3,A4\"");
    EXPECT_EQ(AppliancesAndDevices(bed), known);
}

TEST(StatusPage, ReceivedValuesAreEscaped) {
    StatusBed bed("");
    auto device = std::make_shared<DeviceClass>();
    device->LastChange = vb::Now();
    device->MessageList->Add(vb::Variant("<script>x</script>"), vb::Variant("t.v"));
    device->MessageKeyList->Add(vb::Variant("t.v"));
    bed.state.hostInterface.DeviceDictionary->Add(vb::Variant("T"), vb::Variant(vb::ObjectRef(device)));
    bed.state.hostInterface.FilterDictionary->Add(vb::Variant("s~c"), vb::Variant("T;"));
    bed.state.hostInterface.ShowReceiveDetail = true;
    bed.state.hostInterface.ShowSetup = false;
    const std::string page = bed.Get();
    EXPECT_EQ(page.find("<script>x"), std::string::npos);
    EXPECT_NE(page.find("&lt;script&gt;x&lt;/script&gt;"), std::string::npos);
    EXPECT_NE(page.find("name='FilterTag1'"), std::string::npos);
}

}  // namespace
}  // namespace zephra::testing
