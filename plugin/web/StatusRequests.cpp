// Posts of the status page: a sort of the device table, a command for one device, a save of
// the setup sections and display options, a run of the plug-in's script, or an xAP query.

#include <algorithm>
#include <memory>
#include <optional>

#include "callerid/XapBsc.h"
#include "core/ApplianceLookups.h"
#include "core/HomeSeerDevices.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/RequestItems.h"
#include "core/SettingsChecks.h"
#include "core/SettingsTable.h"
#include "core/Zephra.h"
#include "forms/Controls.h"
#include "setup/SetupTexts.h"
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

vb::Collection* OwnFormPairs(PluginState& state);

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
        // The key comes from the post: one the settings file could not give back is not stored.
        const std::string refused = settings::Unstorable(page.SortKey, settings::Check::Text);
        if (!refused.empty()) {
            page.SaveProblem = settings::Refused("StatusSortKey", refused);
            WriteLog(state.Host(), kSource, page.SaveProblem);
            return true;
        }
        state.Host().SaveIniSettings({{kStatusSection, "StatusSortKey", "\"" + page.SortKey + "\""},
                                      {kStatusSection, "StatusSortDirection", "\"" + page.SortDirection + "\""}},
                                     kIniFile);
        return true;
    }
    DeviceCommand(state);
    return false;
}

// The page's setup controls read afresh from the settings files, then the post copied in: only
// the fields it carries that the user changed from what that page showed, so that a change
// stored meanwhile (by a script, the setup window, another page) is kept, and each unit row's
// edits into the entry it was drawn from, wherever that entry is now. False when the post
// changed no control.
bool CopySetup(PluginState& state, const Drawing& drawn) {
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
    StatusPageState& page = state.Part<StatusPageState>();
    ZephraSetup& setup = StatusSetup(state);
    setup.Unload();
    setup.Load();
    page.CopyRefusal.clear();
    page.CopyRefusedField.clear();
    page.Changed.clear();
    page.SlotOfRow.clear();
    page.RowOfSlot.clear();
    // What is stored now, for the page that answers should the save be refused.
    page.Found = {};
    page.Noting = &page.Found;
    for (const Section& section : sections) section.update(state);
    page.Noting = nullptr;
    page.FoundNoted = true;
    // A post changes what it carries, whichever of the page's fields it holds.
    page.AsDrawn = &drawn;
    // The host's request object cannot tell an absent field from an empty one: there a section
    // is copied only when the post carries its marking field (named by the settings table).
    const bool fieldsKnown = OwnFormPairs(state) != nullptr;
    for (const Section& section : sections)
        if (fieldsKnown || FieldPosted(state, settings::SectionMark(section.section))) section.update(state);
    page.AsDrawn = nullptr;
    return !page.Changed.empty() || !page.CopyRefusal.empty();
}

// Two unit slots with the same address would be one entry of the settings file: the second
// would overwrite the first. The setup dialog's check, each slot named by the row the page
// showed it in; returns the refusal, naming the second slot's field, and the field.
std::pair<std::string, std::string> SameAddressTwice(PluginState& state) {
    const StatusPageState& page = state.Part<StatusPageState>();
    // A slot not on the page was stored after it was drawn.
    auto row = [&](int n) {
        const std::size_t at = static_cast<std::size_t>(n);
        return at < page.RowOfSlot.size() ? page.RowOfSlot[at] : n;
    };
    const ZephraSetup::AddressClash clash = StatusSetup(state).SameAddressTwice(row);
    if (clash.refusal.empty()) return {};
    return {clash.refusal, settings::PostedName(*settings::Units().keyField, row(clash.slot))};
}

// The field a refusal names ("Nothing was saved: <field> cannot hold ..."), for the message
// beside it.
std::string FieldOfRefusal(const std::string& problem) {
    const std::string lead = setuptext::kNothingSaved;
    if (!problem.starts_with(lead)) return {};
    const std::size_t end = problem.find(' ', lead.size());
    return problem.substr(lead.size(), end == std::string::npos ? std::string::npos : end - lead.size());
}

// The first setup field a post carries, for a page that shows no setup sections; "" for none.
std::string SetupFieldPosted(PluginState& state) {
    for (const settings::Setting& row : settings::SettingsTable())
        if (row.page.section != settings::PageSection::None && FieldPosted(state, settings::PageField(row)))
            return settings::PageField(row);
    for (const settings::Family& family : settings::Families()) {
        for (int n = 0; n < family.count; ++n) {
            if (family.keyField && FieldPosted(state, settings::PostedName(*family.keyField, n)))
                return settings::PostedName(*family.keyField, n);
            for (const settings::FamilyField& f : family.fields)
                if (FieldPosted(state, settings::PostedName(f, n))) return settings::PostedName(f, n);
        }
    }
    return {};
}

// The display options as the post gives them.
struct DisplayOptions {
    bool control, setup, receive, detail;
    int16_t status;
};

DisplayOptions PostedOptions(PluginState& state) {
    return {!PostedField(state, "ShowControl").empty(), !PostedField(state, "ShowSetup").empty(),
            !PostedField(state, "ShowReceiveMessages").empty(), !PostedField(state, "ShowReceiveDetail").empty(),
            static_cast<int16_t>(vb::Val(PostedField(state, "ShowStatus")))};
}

// The save of the page: the setup sections, the display options and the messages of interest,
// all in one change of the settings file, or nothing of them when one value is refused. Only
// what the user changed from what the page showed is written.
void SavePage(PluginState& state) {
    HostInterfaceState& options = state.hostInterface;
    StatusPageState& page = state.Part<StatusPageState>();
    auto refuse = [&](const std::string& problem, const std::string& field) {
        page.SaveProblem = problem;
        page.RefusedField = field;
        page.ShowPosted = true;
        Trapped(state, kTagClientRequest, [&] { WriteLog(state.Host(), kSource, problem); });
    };
    // A post that does not say what its page showed cannot tell its user's changes from stale
    // values: nothing of it is written, and the page is drawn afresh.
    const std::optional<Drawing> drawn = PostedDrawing(state);
    if (!drawn) {
        refuse(std::string(settings::kNothingSaved) + kOutOfDate, "");
        page.ShowPosted = false;
        return;
    }
    bool setupPosted = false;
    if (options.ShowSetup) Trapped(state, kTagClientRequest, [&] { setupPosted = CopySetup(state, *drawn); });
    // A setup field posted while the page shows no setup sections cannot be stored: said by name.
    if (!options.ShowSetup)
        if (const std::string field = SetupFieldPosted(state); !field.empty())
            return refuse(std::string(settings::kNothingSaved) + field + kSetupNotShown, "");
    page.AsDrawn = &*drawn;
    struct Clear {
        StatusPageState& page;
        ~Clear() { page.AsDrawn = nullptr; }
    } clear{page};
    // The filters' rows are checked with the rest, before anything of the page is stored.
    const bool filtersPosted = FieldPosted(state, "Class0") && drawn->fields.contains("Class0");
    FilterSave filters;
    if (filtersPosted) {
        if (const FilterRefusal refused = RefusedFilterRow(state); !refused.problem.empty())
            return refuse(refused.problem, refused.field);
        Trapped(state, kTagSaveFilter, [&] { filters = PlannedFilterSave(state); });
        if (!filters.problem.empty()) return refuse(filters.problem, filters.field);
    }
    if (setupPosted) {
        if (!page.CopyRefusal.empty()) return refuse(page.CopyRefusal, page.CopyRefusedField);
        if (const auto [problem, field] = SameAddressTwice(state); !problem.empty()) return refuse(problem, field);
    }

    // The display options the user changed; the others stay as they are, whoever set them.
    const DisplayOptions shown = PostedOptions(state);
    auto text = [](bool on) { return std::string(on ? "True" : "False"); };
    // An option whose control the post does not carry is left as it is.
    auto changed = [&](const char* field, bool box) {
        if (box ? BoxUnsaid(state, field) : !FieldPosted(state, field)) return false;
        const std::string posted = PostedField(state, field);
        return !AsDrawn(state, field, box ? (posted.empty() ? "" : "1") : posted);
    };
    const bool newControl = changed("ShowControl", true), newSetup = changed("ShowSetup", true),
               newReceive = changed("ShowReceiveMessages", true), newDetail = changed("ShowReceiveDetail", true),
               newStatus = changed("ShowStatus", false);
    std::vector<homeseer::Host::IniSetting> batch;
    if (newControl) batch.push_back({kStatusSection, "ShowControl", text(shown.control)});
    if (newSetup) batch.push_back({kStatusSection, "ShowSetup", text(shown.setup)});
    if (newReceive) batch.push_back({kStatusSection, "ShowReceiveMessages", text(shown.receive)});
    if (newDetail) batch.push_back({kStatusSection, "ShowReceiveDetail", text(shown.detail)});
    if (newStatus) batch.push_back({kStatusSection, "ShowStatus", std::to_string(shown.status)});
    const bool filtersChanged =
        filtersPosted && (!filters.removed.empty() || !filters.set.empty() || filters.added.has_value());
    if (filtersChanged) {
        batch.push_back({kReceivedSection, "", "", true});
        for (const auto& [key, value] : filters.section) batch.push_back({kReceivedSection, key, value});
    }

    std::string problem;
    if (setupPosted) {
        problem = StatusSetup(state).SaveFromWebPage(batch, true);
    } else if (!batch.empty() && !vb::Try([&] { state.Host().SaveIniSettings(batch, kIniFile); })) {
        problem = setuptext::kSaveFailed + vb::Err().Description;
        vb::Err().Clear();
    }
    if (!problem.empty()) return refuse(problem, FieldOfRefusal(problem));

    // What was stored, as the user named it, in the page that answers, in the page's order.
    std::vector<std::string> saved;
    auto option = [&](bool isNew, const char* field, bool was, bool now) {
        if (isNew && was != now) saved.push_back(field);
    };
    option(newControl, "ShowControl", options.ShowControl, shown.control);
    option(newSetup, "ShowSetup", options.ShowSetup, shown.setup);
    option(newReceive, "ShowReceiveMessages", options.ShowReceiveMessages, shown.receive);
    option(newDetail, "ShowReceiveDetail", options.ShowReceiveDetail, shown.detail);
    option(newStatus, "ShowStatus", options.ShowStatus != shown.status, false);
    if (setupPosted) saved.insert(saved.end(), page.Changed.begin(), page.Changed.end());
    if (filtersChanged) saved.push_back(kFiltersSaved);
    page.SaveNote =
        saved.empty() ? std::string(settings::kNothingSaved) + kNothingChanged : kSavedLead + vb::Join(saved, ", ");

    if (newControl) options.ShowControl = shown.control;
    if (newSetup) options.ShowSetup = shown.setup;
    if (newReceive) options.ShowReceiveMessages = shown.receive;
    if (newDetail) options.ShowReceiveDetail = shown.detail;
    if (newStatus) options.ShowStatus = shown.status;
    if (filtersChanged) SaveFilterSettigs(state, filters);
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

std::string ExactPostedField(PluginState& state, const std::string& name) {
    const vb::Variant& request = state.Part<StatusPageState>().Request;
    if (request.isObject())
        if (auto own = std::dynamic_pointer_cast<Request>(request.object())) return own->ExactForm(name);
    return PostedField(state, name);
}

bool FieldPosted(PluginState& state, const std::string& name) {
    if (vb::Collection* pairs = OwnFormPairs(state)) return pairs->Find(name) != nullptr;
    // The host's request object tells only the value: an empty field counts as absent.
    return !PostedField(state, name).empty();
}

bool FieldMissing(PluginState& state, const std::string& name) {
    vb::Collection* pairs = OwnFormPairs(state);
    return pairs && !pairs->Find(name);
}

bool BoxUnsaid(PluginState& state, const std::string& name) {
    if (FieldPosted(state, name)) return false;
    const std::vector<std::string> shown = vb::Split(PostedField(state, kBoxesField), ",");
    return std::find(shown.begin(), shown.end(), name) == shown.end();
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
    Trapped(state, kTagClientRequest, [&] { SavePage(state); });
    return 0;
}

}  // namespace zephra
