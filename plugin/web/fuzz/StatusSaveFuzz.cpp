// libFuzzer target: saves of the status page. The input is a form body ("name=value" pairs joined
// by "&", URL-encoded as a browser sends them); its pairs are posted ahead of the page's own
// fields, so that they win over the values the page showed. After each save every settings file
// must still read back: each unit entry parses, each messages-of-interest row splits into its
// parts, each quoted key holds one quoted value, and the page draws again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "core/PluginState.h"
#include "core/SettingsReader.h"
#include "core/SettingsTable.h"
#include "core/tests/PluginTestBed.h"
#include "homeseer/Device.h"
#include "vb/Strings.h"
#include "web/Request.h"
#include "web/StatusPage.h"
#include "web/StatusPageState.h"
#include "web/tests/PageForm.h"
#include "windows/IniDocument.h"

namespace {

using namespace zephra;

constexpr const char* kFile = "dkvZephraUtilities.ini";
constexpr std::size_t kMaxInput = 8192;

const std::string kStart =
    "[Zephra Utilities]\r\nPushDelay=\"5\"\r\nFontColor=\"red\"\r\nServerPort=\"8081\"\r\n"
    "[Zephra Names]\r\n127.0.0.2=\"Kitchen,Q11,A3,A4,0,0,\"\r\n127.0.0.3=\"Hall,Q21,,,1,1,\"\r\n"
    "[STATUS]\r\nShowControl=True\r\nShowSetup=True\r\nShowReceiveMessages=True\r\nShowStatus=2\r\n"
    "[Received]\r\nacme.a~T.R=Tag_A;1\r\nacme.b~T.S=Tag_B;\r\n";

void Require(bool promise) {
    if (!promise) std::abort();
}

testing::PluginTestBed& Bed() {
    static testing::PluginTestBed* bed = [] {
        auto* made = new testing::PluginTestBed;
        made->state.HouseCode = "Q";
        return made;
    }();
    return *bed;
}

// The host's devices as the first input found them: those a save's settings reading makes for
// units the input named are removed again, so that nothing grows from input to input.
void DevicesAsAtFirst(testing::PluginTestBed& bed) {
    static const int32_t first = bed.host->DeviceCount();
    while (bed.host->DeviceCount() > first) {
        const std::shared_ptr<homeseer::Device> last = bed.host->GetDevice(bed.host->DeviceCount());
        if (!last) break;
        bed.host->DeleteDevice(last->ref());
    }
}

void StartAfresh(testing::PluginTestBed& bed) {
    DevicesAsAtFirst(bed);
    bed.host->SetIniText(kFile, kStart);
    HostInterfaceState& options = bed.state.hostInterface;
    options.ShowControl = true;
    options.ShowSetup = true;
    options.ShowReceiveMessages = true;
    options.ShowReceiveDetail = false;
    options.ShowStatus = 2;
    options.FilterDictionary = std::make_shared<vb::Dictionary>();
    options.FilterDictionary->Add(vb::Variant("acme.a~T.R"), vb::Variant("Tag_A;1"));
    options.FilterDictionary->Add(vb::Variant("acme.b~T.S"), vb::Variant("Tag_B;"));
    options.DeviceDictionary = std::make_shared<vb::Dictionary>();
    bed.host->ClearCalls();
}

std::string Page(testing::PluginTestBed& bed, const std::string& body) {
    auto request = std::make_shared<Request>();
    request->ParsePage("POST /status HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: " + std::to_string(body.size()) +
                       "\r\n\r\n" + body);
    return StatusPage(bed.state, vb::Variant(vb::ObjectRef(request)), vb::Variant());
}

// Every file the save touched reads back as the plug-in reads it.
void ReadsBack(testing::PluginTestBed& bed) {
    const std::string text = bed.host->IniText(kFile);
    const windows::IniDocument again(text);
    Require(again.Text() == text);
    for (const auto& [key, value] : again.Section("Zephra Names")) {
        if (value == "\",,\"") continue;  // a unit blanked by the save
        const settings::UnitEntry entry =
            settings::ParseUnitEntry(settings::UnescapedUnitText(vb::Replace(key + "=" + value, "\"", "")));
        Require(entry.fault == settings::EntryFault::None);
    }
    for (const auto& [key, value] : again.Section("Received")) {
        Require(vb::Split(key, "~").size() == 2);
        Require(vb::Split(value, ";").size() == 2);
    }
    for (const char* section : {"Zephra Utilities", "STATUS"}) {
        for (const auto& [key, value] : again.Section(section)) {
            if (!value.starts_with('"')) continue;
            Require(value.size() >= 2 && value.ends_with('"') && value.find('"', 1) == value.size() - 1);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    testing::PluginTestBed& bed = Bed();
    StartAfresh(bed);
    const std::string input(reinterpret_cast<const char*>(data), size < kMaxInput ? size : kMaxInput);
    const std::string drawn = Page(bed, "");
    Page(bed, input + "&" + testing::FormPost(drawn, "Save"));
    ReadsBack(bed);
    // The reader takes the files as they are, and the page draws from them again.
    InitZephraUtilities(bed.state);
    Page(bed, "");
    ReadsBack(bed);
    return 0;
}
