// Posts of the status page: a sort of the device table, a command for one device, a save of
// the setup sections and display options, a run of the plug-in's script, or an xAP query.

#include <memory>

#include "callerid/XapBsc.h"
#include "core/ApplianceLookups.h"
#include "core/HomeSeerDevices.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/RequestItems.h"
#include "core/SettingsTable.h"
#include "core/Zephra.h"
#include "homeseer/Device.h"
#include "setup/ZephraSetup.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Strings.h"
#include "web/PageFrameDetail.h"
#include "web/Request.h"
#include "web/StatusPage.h"
#include "web/StatusPageState.h"
#include "web/StatusTexts.h"

namespace zephra {

using namespace status_text;
using page_frame::Trapped;

namespace {

int32_t UnitOf(const std::string& code) { return code.size() < 2 ? 0 : static_cast<int32_t>(vb::Val(code.substr(1))); }

// Only a device the page lists with a control may be commanded from it.
bool ListedWithControl(PluginState& state, const std::string& code) {
    if (code.empty()) return false;
    for (const StatusRowSource& row : StatusRowSources(state))
        if (row.control && vb::UCase(row.code) == vb::UCase(code)) return hsDeviceExists(state, row.code) > -1;
    return false;
}

// The index of the device value a posted label names: a value whose name equals the label
// (any case) first, else the first value that holds it; -1 for none.
int32_t ValueIndex(const std::string& values, const std::string& command) {
    if (vb::InStr(values, command, vb::CompareMethod::Text) == 0) return -1;
    const std::vector<std::string> parts = vb::Split(values, "\x01");
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string name = vb::Trim(parts[i].substr(0, parts[i].find('\x02')));
        if (vb::UCase(name) == command) return static_cast<int32_t>(i);
    }
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (vb::InStr(parts[i], command, vb::CompareMethod::Text) > 0) return static_cast<int32_t>(i);
    return -1;
}

void DeviceCommand(PluginState& state) {
    const std::string code = DeviceCodeFromFieldName(PostedField(state, "clientinput"));
    const std::string command = vb::UCase(PostedField(state, "clientvalue"));
    if (!ListedWithControl(state, code)) return;
    if (command == "ON" || command == "OFF") {
        hsExec(state, code, command);
    } else if (command == "CLEAR") {
        ResetZephraQueue(state, code);
    } else if (!command.empty()) {
        const int32_t ref = hsDeviceExists(state, code);
        if (ref == -1) return;
        std::shared_ptr<homeseer::Device> device = hsGetDevice(state, ref);
        if (!device) return;
        const int32_t index = ValueIndex(device->Values(), command);
        if (index < 0) return;
        if (!state.CallbackObject) vb::raise(vb::errors::ObjectNotSet);
        std::vector<vb::Variant> args = {vb::Variant(code), vb::Variant(index)};
        state.CallbackObject->call("ValueChangeEvent", vb::Method, args);
        std::string house = code.substr(0, 1);
        std::string unit = code.substr(1);
        int16_t set = 19;
        int16_t value = static_cast<int16_t>(index);
        state.services.SetZephraIO(state, house, unit, set, value);
    }
}

bool SortOrCommand(PluginState& state) {
    if (FieldPosted(state, "Refresh")) return true;
    StatusPageState& page = state.Part<StatusPageState>();
    const std::string key = FieldPosted(state, "ID") ? std::string("DCSort")
                                                     : PostedField(state, "Status") + PostedField(state, "Name") +
                                                           PostedField(state, "Changed");
    if (!key.empty()) {
        page.SortKey = key;
        if (page.PrevSortKey != key) {
            page.PrevSortKey = key;
            page.SortDirection.clear();
        } else {
            page.SortDirection = page.SortDirection.empty() ? "DESC" : "";
        }
        homeseer::Host& hs = state.Host();
        hs.SaveIniSetting(kStatusSection, "StatusSortKey", "\"" + page.SortKey + "\"", kIniFile);
        hs.SaveIniSetting(kStatusSection, "StatusSortDirection", "\"" + page.SortDirection + "\"", kIniFile);
        return true;
    }
    DeviceCommand(state);
    return false;
}

// Each section is copied only when the posted page carried it (its marking field, named by
// the settings table); the writer then stores every control, those of the other sections as
// they were loaded.
void SaveSetup(PluginState& state) {
    using settings::PageSection;
    struct Section {
        PageSection section;
        void (*update)(PluginState&);
    };
    static constexpr Section sections[] = {
        {PageSection::Units, UpdateZephras},         {PageSection::Definitions, UpdateDefinitions},
        {PageSection::Power, UpdatePower},           {PageSection::Screen, UpdateScreen},
        {PageSection::SlideGroup, UpdateSlideGroup}, {PageSection::CID, UpdateCID},
    };
    bool any = false;
    for (const Section& section : sections) {
        if (!FieldPosted(state, settings::SectionMark(section.section))) continue;
        any = true;
        section.update(state);
    }
    if (!any) return;
    ZephraSetup& dialog = SetupDialog(state);
    state.Part<StatusPageState>().SaveProblem = dialog.SaveFromWebPage();
    // The page then shows what is stored, not the values that were refused.
    if (!state.Part<StatusPageState>().SaveProblem.empty()) dialog.Unload();
}

}  // namespace

std::string PostedField(PluginState& state, const std::string& name) {
    return vb::CStr(GetFormItem(state, state.Part<StatusPageState>().Request, name));
}

namespace {

// The form pairs of the plug-in's own request object; none for the host's.
vb::Collection* OwnFormPairs(PluginState& state) {
    const vb::Variant& request = state.Part<StatusPageState>().Request;
    if (!request.isObject()) return nullptr;
    auto own = std::dynamic_pointer_cast<Request>(request.object());
    if (!own) return nullptr;
    vb::ObjectRef pairs = own->FormCol();
    return dynamic_cast<vb::Collection*>(pairs.get());
}

}  // namespace

bool FieldPosted(PluginState& state, const std::string& name) {
    if (vb::Collection* pairs = OwnFormPairs(state)) return pairs->Find(name) != nullptr;
    // The host's request object tells only the value: an empty field counts as absent.
    return !PostedField(state, name).empty();
}

bool FieldMissing(PluginState& state, const std::string& name) {
    vb::Collection* pairs = OwnFormPairs(state);
    return pairs && !pairs->Find(name);
}

int16_t FormItemValue(PluginState& state, const std::string& name) { return PostedField(state, name).empty() ? 0 : 1; }

void hsExec(PluginState& state, const std::string& code, const std::string& command) {
    Trapped(state, kTagHsExec, [&] {
        if (state.IsSetup) {
            for (const std::shared_ptr<Zephra>& zephra : GetZephraObjects(state, "")) {
                if (zephra && zephra->PowerDevice() == code) {
                    zephra->hsExecX10(code, command);
                    return;
                }
            }
            return;
        }
        state.Host().ExecX10(code, command);
    });
}

void ResetZephraQueue(PluginState& state, const std::string& code) {
    Trapped(state, kTagResetQueue, [&] {
        const int32_t unit = UnitOf(code);
        for (const std::shared_ptr<Zephra>& zephra : GetZephraObjects(state, "")) {
            if (!zephra) continue;
            const std::string& base = zephra->DeviceCodeBase();
            if (base.empty() || code.empty() || vb::UCase(base.substr(0, 1)) != vb::UCase(code.substr(0, 1))) continue;
            const int32_t first = UnitOf(base);
            if (unit >= first && unit <= first + 9) {
                zephra->ResetQueue();
                return;
            }
        }
    });
}

int ClientRequest(PluginState& state) {
    HostInterfaceState& options = state.hostInterface;
    bool stop = false;
    if (options.ShowControl) Trapped(state, kTagClientRequest, [&] { stop = SortOrCommand(state); });
    if (stop) return 0;
    if (!FieldPosted(state, "Save")) {
        Trapped(state, kTagClientRequest, [&] {
            if (FieldPosted(state, "script")) {
                state.Host().InitScriptControl();
                state.services.RunScriptFile(state);
            } else if (FieldPosted(state, "query")) {
                BSCQuery(state, ">:>");
            }
        });
        return 0;
    }
    state.Part<StatusPageState>().SaveProblem.clear();
    // The filters' rows are checked with the rest, before anything of the page is stored.
    const bool filtersPosted = state.Part<StatusPageState>().FilterRowsShown && FieldPosted(state, "Class0");
    if (filtersPosted) {
        std::string& problem = state.Part<StatusPageState>().SaveProblem;
        problem = RefusedFilterRow(state);
        if (!problem.empty()) {
            Trapped(state, kTagClientRequest, [&] { WriteLog(state.Host(), kSource, problem); });
            return 0;
        }
    }
    if (options.ShowSetup) Trapped(state, kTagClientRequest, [&] { SaveSetup(state); });
    // A refused save stores nothing of the page, its display options neither.
    if (!state.Part<StatusPageState>().SaveProblem.empty()) return 0;
    Trapped(state, kTagClientRequest, [&] {
        options.ShowControl = !PostedField(state, "ShowControl").empty();
        options.ShowSetup = !PostedField(state, "ShowSetup").empty();
        options.ShowReceiveMessages = !PostedField(state, "ShowReceiveMessages").empty();
        options.ShowReceiveDetail = !PostedField(state, "ShowReceiveDetail").empty();
        options.ShowStatus = static_cast<int16_t>(vb::Val(PostedField(state, "ShowStatus")));
        homeseer::Host& hs = state.Host();
        auto text = [](bool on) { return std::string(on ? "True" : "False"); };
        hs.SaveIniSetting(kStatusSection, "ShowControl", text(options.ShowControl), kIniFile);
        hs.SaveIniSetting(kStatusSection, "ShowSetup", text(options.ShowSetup), kIniFile);
        hs.SaveIniSetting(kStatusSection, "ShowReceiveMessages", text(options.ShowReceiveMessages), kIniFile);
        hs.SaveIniSetting(kStatusSection, "ShowReceiveDetail", text(options.ShowReceiveDetail), kIniFile);
        hs.SaveIniSetting(kStatusSection, "ShowStatus", std::to_string(options.ShowStatus), kIniFile);
    });
    // The filters are rewritten only from a page that carried their inputs.
    if (filtersPosted) SaveFilterSettigs(state);
    return 0;
}

}  // namespace zephra
