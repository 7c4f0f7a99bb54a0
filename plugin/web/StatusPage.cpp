// The status page: its entry, the preparation of one page, the page's structure and its device
// table, and the small helpers the setup sections share.

#include "web/StatusPage.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "callerid/XapBsc.h"
#include "core/ActionTable.h"
#include "core/HomeSeerDevices.h"
#include "core/PluginState.h"
#include "core/PluginVersion.h"
#include "core/RequestItems.h"
#include "core/SettingsTable.h"
#include "homeseer/Device.h"
#include "setup/ZephraSetup.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Format.h"
#include "vb/PercentEncode.h"
#include "vb/Strings.h"
#include "web/HTMLIncludes.h"
#include "web/PageFrame.h"
#include "web/PageFrameDetail.h"
#include "web/StatusPageState.h"
#include "web/StatusTexts.h"

namespace zephra {

using namespace status_text;
using page_frame::Trapped;

namespace {

// One record of the device table.
struct StatusRecord {
    std::string DC, Location, Name;
    vb::Date Changed;
    bool Control = false;
    std::string DCSort, Status;
};

void AddStatusRow(PluginState& state, const StatusRowSource& source, std::vector<StatusRecord>& records) {
    if (source.code.empty() || hsDeviceExists(state, source.code) <= -1) return;
    homeseer::Host& hs = state.Host();
    StatusRecord record;
    record.DC = source.code;
    record.Location = source.location;
    record.Name = source.name;
    record.Changed = hs.DeviceLastChange(source.code);
    record.DCSort = source.code.substr(0, 1) + vb::Right("0" + source.code.substr(1), 2);
    record.Control = source.control;
    record.Status = vb::Left(hs.DeviceString(source.code), 255);
    records.push_back(std::move(record));
}

void SortRecords(PluginState& state, std::vector<StatusRecord>& records) {
    const std::string& key = state.Part<StatusPageState>().SortKey;
    const bool descending = state.Part<StatusPageState>().SortDirection == "DESC";
    auto less = [&](const StatusRecord& a, const StatusRecord& b) {
        if (key == "CHANGED") return a.Changed < b.Changed;
        if (key == "NAME") return a.Name < b.Name;
        if (key == "STATUS") return a.Status < b.Status;
        return a.DCSort < b.DCSort;
    };
    std::stable_sort(records.begin(), records.end(), [&](const StatusRecord& a, const StatusRecord& b) {
        return descending ? less(b, a) : less(a, b);
    });
}

int32_t UnitOf(const std::string& code) {
    return static_cast<int32_t>(vb::Val(code.substr(std::min<std::size_t>(1, code.size()))));
}

std::string Cell(PluginState& state, const std::string& text, const std::string& style, const std::string& span,
                 const std::string& align) {
    return html_includes::FormatCell(state, text, style, span, align);
}

void DeviceRows(PluginState& state, FastString& fs) {
    std::vector<StatusRecord> records;
    for (const StatusRowSource& source : StatusRowSources(state))
        Trapped(state, kTagFormatScreen, [&] { AddStatusRow(state, source, records); });
    SortRecords(state, records);

    std::string style = kEven;
    const std::string& house = state.HouseCode;
    for (const StatusRecord& record : records) {
        Trapped(state, kTagFormatScreen, [&] {
            const std::string code = vb::UCase(record.DC);
            const bool ours = !house.empty() && code.substr(0, 1) == vb::UCase(house.substr(0, 1));
            // The host's status text is HTML the host made; it is shown as it is.
            fs.Add(Cell(state, state.Host().DeviceString(code), style, "1", "Left"));
            if (state.IsSetup) {
                fs.Add(Cell(state, ours ? ToHex(state, static_cast<int16_t>(UnitOf(code))) : HTMLEncode(code), style,
                            "1", "Left"));
            } else {
                fs.Add(Cell(state, HTMLEncode(code), style, "1", "Left"));
                fs.Add(Cell(state, ours ? ToHex(state, static_cast<int16_t>(UnitOf(code))) : "&nbsp;", style, "1",
                            "Left"));
            }
            fs.Add(Cell(state, HTMLEncode(record.Name), style, "1", "Left"));
            fs.Add(Cell(state, FormatChangeTime(state, record.Changed), style, "1", "Left"));
            if (record.Control) fs.Add(Cell(state, ControlPulldown(state, code), style, "1", "Left"));
        });
        fs.Add(kRow);
        style = style == kEven ? kOdd : kEven;
    }
}

std::string Checkbox(const std::string& name, bool on, const std::string& label) {
    return "<input type='checkbox' value='1'" + CheckedIfOne(BoolToBit(on ? 1 : 0)) + " name='" + name + "'>&nbsp;" +
           label;
}

std::string Radio(const std::string& value, bool on, const std::string& label) {
    return "<input type='radio' name ='ShowStatus' value='" + value + "'" + (on ? " checked" : "") + ">&nbsp;" + label;
}

// A display option as the page shows it: as posted when the page answers a refused save.
bool Ticked(PluginState& state, const char* field, bool stored) {
    return state.Part<StatusPageState>().ShowPosted && !BoxUnsaid(state, field) ? !PostedField(state, field).empty()
                                                                                : stored;
}

// A value as the page carries it: 48 bits of FNV-1a, as 12 hexadecimal digits.
std::string Digest(const std::string& text) {
    uint64_t hash = 14695981039346656037ULL;
    for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ULL;
    char digits[13];
    for (int i = 11; i >= 0; --i, hash >>= 4) digits[i] = "0123456789abcdef"[hash & 15];
    digits[12] = '\0';
    return digits;
}

bool Plain(unsigned char c) { return std::isalnum(c) || c == '.' || c == '-' || c == '_' || c == '~'; }

std::optional<std::string> PercentDecodedText(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            if (!Plain(static_cast<unsigned char>(text[i]))) return std::nullopt;
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 2])))
            return std::nullopt;
        out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
        i += 2;
    }
    return out;
}

// The setup controls as the settings files hold them now, their fields noted as drawn; a page
// that answers a refused save keeps the controls as the save left them (what was posted, over
// what was stored) and carries what the save found stored.
void LoadSetupForPage(PluginState& state) {
    StatusPageState& page = state.Part<StatusPageState>();
    ZephraSetup& setup = StatusSetup(state);
    if (page.ShowPosted && setup.Loaded() && page.FoundNoted) {
        page.Building.fields.insert(page.Found.fields.begin(), page.Found.fields.end());
        page.Building.keys.insert(page.Found.keys.begin(), page.Found.keys.end());
        page.Building.boxes.insert(page.Building.boxes.end(), page.Found.boxes.begin(), page.Found.boxes.end());
        return;
    }
    setup.Unload();
    setup.Load();
    page.Noting = &page.Building;
    UpdateZephras(state);
    UpdateDefinitions(state);
    UpdatePower(state);
    UpdateScreen(state);
    UpdateSlideGroup(state);
    UpdateCID(state);
    page.Noting = nullptr;
}

// The display options as stored, as a post of the unchanged page gives them.
void NoteOptions(const HostInterfaceState& options, Drawing& drawing) {
    drawing.fields["ShowControl"] = options.ShowControl ? "1" : "";
    drawing.fields["ShowSetup"] = options.ShowSetup ? "1" : "";
    drawing.fields["ShowReceiveMessages"] = options.ShowReceiveMessages ? "1" : "";
    drawing.fields["ShowReceiveDetail"] = options.ShowReceiveDetail ? "1" : "";
    drawing.fields["ShowStatus"] = options.ShowStatus == 0 ? "0" : options.ShowStatus == 1 ? "1" : "2";
    for (const char* box : {"ShowControl", "ShowSetup", "ShowReceiveMessages", "ShowReceiveDetail"})
        drawing.boxes.push_back(box);
}

}  // namespace

std::string DrawingText(const Drawing& drawing) {
    std::string text;
    auto add = [&](const std::string& entry) { text += (text.empty() ? "" : ",") + entry; };
    for (const auto& [name, key] : drawing.keys) add(name + "=" + vb::PercentEncoded(key));
    for (const auto& [field, value] : drawing.fields) add(vb::PercentEncoded(field) + ":" + Digest(value));
    return text;
}

std::optional<Drawing> PostedDrawing(PluginState& state) {
    if (!FieldPosted(state, kDrawnField)) return std::nullopt;
    const std::string text = PostedField(state, kDrawnField);
    Drawing drawing;
    for (const std::string& entry : vb::Split(text, ",")) {
        const std::size_t mark = entry.find_first_of(":=");
        if (mark == std::string::npos || mark == 0) return std::nullopt;
        const std::optional<std::string> name = PercentDecodedText(entry.substr(0, mark));
        const std::optional<std::string> rest = PercentDecodedText(entry.substr(mark + 1));
        if (!name || !rest) return std::nullopt;
        (entry[mark] == '=' ? drawing.keys : drawing.fields)[*name] = *rest;
    }
    // Every page draws its display options.
    if (!drawing.fields.contains("ShowStatus")) return std::nullopt;
    return drawing;
}

bool AsDrawn(PluginState& state, const std::string& field, const std::string& posted) {
    const Drawing* drawn = state.Part<StatusPageState>().AsDrawn;
    if (!drawn) return false;
    auto found = drawn->fields.find(field);
    return found != drawn->fields.end() && found->second == Digest(posted);
}

ZephraSetup& StatusSetup(PluginState& state) {
    std::shared_ptr<ZephraSetup>& setup = state.Part<StatusPageState>().Setup;
    if (!setup) setup = std::make_shared<ZephraSetup>(state);
    return *setup;
}

std::string ProblemBeside(PluginState& state, const std::string& field) {
    const StatusPageState& page = state.Part<StatusPageState>();
    if (page.SaveProblem.empty() || page.RefusedField.empty() || page.RefusedField != field) return {};
    return "<b class='saveproblem'>" + HTMLEncode(page.SaveProblem) + "</b>";
}

int16_t BoolToBit(int32_t value) { return value != 0 ? 1 : 0; }

std::string CheckedIfOne(int32_t value) { return value == 1 ? " checked" : ""; }

std::vector<std::string> CheckedFromControlArray(const forms::Controls<forms::OptionButton>& controls) {
    std::vector<std::string> marks;
    for (int i = 0; i <= controls.UBound(); ++i) marks.push_back(controls(i).Value() ? " checked" : "");
    return marks;
}

std::vector<std::string> CheckedFromControlArray(const forms::Controls<forms::CheckBox>& controls) {
    std::vector<std::string> marks;
    for (int i = 0; i <= controls.UBound(); ++i) marks.push_back(controls(i).Value() == 1 ? " checked" : "");
    return marks;
}

std::string DeviceCodeFieldName(PluginState& state, const std::string& code) {
    if (code.empty()) return "V";
    return "V" + ToHex(state, static_cast<int16_t>(static_cast<unsigned char>(code[0]))) + code.substr(1);
}

std::string DeviceCodeFromFieldName(const std::string& name) {
    if (name.size() < 3) return {};
    const int32_t character = HexByteValue(name.substr(1, 2));
    if (character <= 0 || character > 255) return {};
    return std::string(1, static_cast<char>(character)) + name.substr(3);
}

std::string FormatChangeTime(PluginState& state, vb::Date t) {
    const StatusPageState& page = state.Part<StatusPageState>();
    if (t >= page.TodayStart) return "Today " + vb::formatDate(t, "h:mm:ss AM/PM");
    if (t >= page.YesterdayStart) return "Yesterday " + vb::formatDate(t, "h:mm:ss AM/PM");
    return vb::FormatDateTime(t);
}

std::vector<StatusRowSource> StatusRowSources(PluginState& state) {
    std::vector<StatusRowSource> rows;
    const settings::Family& units = settings::Units();
    std::string section = state.Host().GetINISection(units.section, settings::FileOf(units.section));
    section = settings::UnescapedUnitText(vb::Replace(section, "\"", ""));
    for (const std::string& line : vb::Split(section, std::string(1, '\0'))) {
        const settings::UnitEntry entry = settings::ParseUnitEntry(line);
        if (entry.fault != settings::EntryFault::None) continue;
        auto field = [&](const char* control) { return settings::FieldOf(units, entry.fields, control).value_or(""); };
        const std::string name = field("aName");
        if (name.empty()) continue;
        const std::string code = field("aDC");
        const std::string house = code.substr(0, std::min<std::size_t>(1, code.size()));
        const int32_t unit = UnitOf(code);
        for (int g = 0; g < kDeviceGroupCount; ++g)
            rows.push_back({house + std::to_string(unit + g), entry.key,
                            name + " " + std::string(DeviceGroupTable[static_cast<std::size_t>(g)]), true});
        rows.push_back({field("aPower"), entry.key, name + " Power", true});
        rows.push_back({field("aMotion"), entry.key, name + " Motion", false});
    }
    rows.push_back({state.settings.CIDDeviceCode, "Zephra", "CID", false});
    return rows;
}

std::string ControlPulldown(PluginState& state, const std::string& code) {
    std::string out;
    Trapped(state, kTagControlPulldown, [&] {
        const int32_t ref = hsDeviceExists(state, code);
        if (ref <= -1) return;
        std::string buttons;
        if (auto device = hsGetDevice(state, ref)) buttons = device->buttons();
        std::vector<std::string> options;
        const std::size_t two = buttons.find('\x02');
        const std::string& house = state.HouseCode;
        if (two != std::string::npos) {
            options = vb::Split(buttons.substr(two + 1), "\x01");
        } else if (!house.empty() && vb::UCase(code.substr(0, 1)) == vb::UCase(house.substr(0, 1))) {
            options = {"Clear"};
        } else {
            options = {"OFF", "ON"};
        }
        out = "<select class='formdropdown' onChange='ClearSubmit(this);' name='" + DeviceCodeFieldName(state, code) +
              "' size='1'><option selected=' '></option>";
        for (std::string label : options) {
            const std::size_t mark = label.find('\x02');
            if (mark != std::string::npos) label = label.substr(mark + 1);
            const std::size_t at = label.find('@');
            if (at != std::string::npos) label = vb::Trim(label.substr(0, at));
            const std::string shown = HTMLEncode(label);
            out += "<option value='" + shown + "'>" + shown + "</option>";
        }
        out += "</select>";
    });
    return out;
}

void FormatScreen(PluginState& state, FastString& fs) {
    HostInterfaceState& options = state.hostInterface;
    state.Part<StatusPageState>().Building = {};
    Trapped(state, kTagFormatScreen, [&] {
        fs.Add("<html><head>");
        fs.Add("<SCRIPT LANGUAGE=\"JavaScript\">");
        fs.Add("function ClearSubmit(button) {");
        fs.Add("  document.control.clientvalue.value = button.value;");
        fs.Add("  document.control.clientinput.value = button.name;");
        fs.Add("  document.control.submit();}");
        fs.Add("</script>");
    });
    Trapped(state, kTagFormatScreen, [&] {
        const std::string title = std::string("Zephra Status&nbsp;&nbsp;<small><font size='1'></b>") + " V" +
                                  PluginVersionText() + "</font></small>";
        const vb::Array header =
            vb::Array::of({vb::Variant(title), vb::Variant(""), vb::Variant(state.settings.Background),
                           vb::Variant("x"), vb::Variant(state.settings.StyleSheet)});
        fs.Add(html_includes::CustomHeader(state, vb::Variant(header)));
    });
    Trapped(state, kTagFormatScreen, [&] {
        fs.Add("\r\n");
        fs.Add("<div><center><small>");
        fs.Add("<form name='control' method='post'>");
        fs.Add("<input type='hidden' name='clientinput' value='yes'>");
        fs.Add("<input type='hidden' name='clientvalue' value='yes'>");
        fs.Add("<input type='hidden' name='page' value='status'>");
        fs.Add("<center><input type='submit' name='Save' value='Save Setup Changes'></center><br>");
        if (!state.Part<StatusPageState>().SaveProblem.empty())
            fs.Add("<center><b class='saveproblem'>" + HTMLEncode(state.Part<StatusPageState>().SaveProblem) +
                   "</b></center><br>");
        else if (!state.Part<StatusPageState>().SaveNote.empty())
            fs.Add("<center><b class='savenote'>" + HTMLEncode(state.Part<StatusPageState>().SaveNote) +
                   "</b></center><br>");
    });
    Trapped(state, kTagFormatScreen, [&] {
        fs.Add(kTable);
        fs.Add(Cell(
            state,
            Checkbox("ShowControl", Ticked(state, "ShowControl", options.ShowControl), "Include Control and Status"),
            kHeader, "1", "Center"));
        fs.Add(Cell(state,
                    Checkbox("ShowSetup", Ticked(state, "ShowSetup", options.ShowSetup), "Include Setup Options"),
                    kHeader, "1", "Center"));
        fs.Add(kRow);
        fs.Add(Cell(state,
                    Checkbox("ShowReceiveMessages", Ticked(state, "ShowReceiveMessages", options.ShowReceiveMessages),
                             "Include Received Messages"),
                    kHeader, "1", "Center"));
        fs.Add(Cell(state,
                    Checkbox("ShowReceiveDetail", Ticked(state, "ShowReceiveDetail", options.ShowReceiveDetail),
                             "Show Received Detail"),
                    kHeader, "1", "Center"));
        fs.Add(kRow);
        const int16_t shown = state.Part<StatusPageState>().ShowPosted
                                  ? static_cast<int16_t>(vb::Val(PostedField(state, "ShowStatus")))
                                  : options.ShowStatus;
        fs.Add(Cell(state,
                    Radio("0", shown == 0, "Dont Show Status") + "&nbsp;&nbsp;&nbsp;&nbsp;" +
                        Radio("1", shown == 1, "Show Status") + "&nbsp;&nbsp;&nbsp;&nbsp;" +
                        Radio("2", shown != 0 && shown != 1, "Show Status and Config"),
                    kHeader, "2", "Center"));
        fs.Add("</tr></table>");
        NoteOptions(options, state.Part<StatusPageState>().Building);
    });
    Trapped(state, kTagFormatScreen, [&] {
        fs.Add("<br><table  width=600 border='5' frame='box'><tr>");
        fs.Add(Cell(state, "<input type='submit' name='Status' value='Status'>", kHeader, "1", "Center"));
        fs.Add(Cell(state, "<input type='submit' name='ID' value='ID'>", kHeader, "1", "Center"));
        if (!state.IsSetup) fs.Add(Cell(state, "<input type='submit' name='UID' value='ID'>", kHeader, "1", "Center"));
        fs.Add(Cell(state, "<input type='submit' name='Name' value='Name'>", kHeader, "1", "Center"));
        fs.Add(Cell(state, "<input type='submit' name='Changed' value='Changed'>", kHeader, "1", "Center"));
        fs.Add(Cell(state, "<input type='submit' name='Refresh' value='Control / Refresh'>", kHeader, "1", "Center"));
        fs.Add(kRow);
    });
    if (options.ShowControl) Trapped(state, kTagFormatScreen, [&] { DeviceRows(state, fs); });
    if (options.ShowSetup) {
        Trapped(state, kTagFormatScreen, [&] { LoadSetupForPage(state); });
        AddZephras(state, fs);
        AddDefinitions(state, fs);
        AddPower(state, fs);
        AddScreen(state, fs);
        AddSlideGroup(state, fs);
        AddCID(state, fs);
    }
    if (options.ShowReceiveMessages) {
        AddFilter(state, fs);
        Trapped(state, kTagAddFilter, [&] { NoteFilters(state, state.Part<StatusPageState>().Building); });
    }
    // What the page shows as stored, so that its save writes only what its user changed.
    Trapped(state, kTagFormatScreen, [&] {
        const Drawing& building = state.Part<StatusPageState>().Building;
        fs.Add(std::string("<input type='hidden' name='") + kDrawnField + "' value='" + DrawingText(building) + "'>");
        fs.Add(std::string("<input type='hidden' name='") + kBoxesField + "' value='" +
               HTMLEncode(vb::Join(building.boxes, ",")) + "'>");
    });
    fs.Add("</form>");
    AddScriptButton(state, fs);
    fs.Add("<IFRAME frameborder=0 scrolling='no' name='hiddenframe' cols='0' rows='0' width='0' height='0' size='0'>");
    fs.Add("</IFRAME>");
    fs.Add("</tr></table></small></center></div>");
    if (state.IsSetup) {
        fs.Add("</body></html>");
    } else {
        Trapped(state, kTagFormatScreen, [&] { fs.Add(html_includes::CustomFooter(state)); });
    }
    StatusPageState& page = state.Part<StatusPageState>();
    page.FilterInputsShown = options.ShowReceiveMessages && options.ShowStatus == 2;
    // A refusal is shown once.
    page.SaveProblem.clear();
    page.SaveNote.clear();
    page.RefusedField.clear();
    page.ShowPosted = false;
    page.Found = {};
    page.FoundNoted = false;
    page.Building = {};
}

std::string Status_ASP(PluginState& state) {
    StatusPageState& page = state.Part<StatusPageState>();
    FastString fs;
    Trapped(state, kTagStatusASP, [&] {
        if (!PostedField(state, "clientinput").empty()) ClientRequest(state);
    });
    Trapped(state, kTagStatusASP, [&] {
        homeseer::Host& hs = state.Host();
        std::string direction =
            vb::UCase(vb::Replace(hs.GetIniSetting(kStatusSection, "StatusSortDirection", "", kIniFile), "\"", ""));
        page.SortDirection = direction == "DESC" ? direction : "";
        std::string key =
            vb::UCase(vb::Replace(hs.GetIniSetting(kStatusSection, "StatusSortKey", "DCSort", kIniFile), "\"", ""));
        if (key != "DCSORT" && key != "STATUS" && key != "NAME" && key != "CHANGED") {
            key = "DCSORT";
            page.PrevSortKey = "DCSort";
        }
        page.SortKey = key;
    });
    Trapped(state, kTagStatusASP, [&] {
        page.TodayStart = vb::Today();
        page.YesterdayStart = vb::Date{page.TodayStart.serial - 1};
    });
    FormatScreen(state, fs);
    return fs.value();
}

std::string StatusPage(PluginState& state, const vb::Variant& request, const vb::Variant& response) {
    std::string text;
    Trapped(state, kTagStatusPage, [&] {
        state.Part<StatusPageState>().Request = request;
        state.Part<StatusPageState>().Response = response;
        state.Part<PageFrameState>().Request = request;
        state.Part<PageFrameState>().Response = response;
    });
    Trapped(state, kTagStatusPage, [&] {
        XStartMiscFunctionsASP(state);
        XSecurityCheck(state);
        state.Part<PageFrameState>().ApplianceBrowser = xStartHeaderASP(state);
    });
    Trapped(state, kTagStatusPage, [&] { text = Status_ASP(state); });
    // The request is not kept past its page.
    state.Part<StatusPageState>().Request = vb::Variant();
    state.Part<StatusPageState>().Response = vb::Variant();
    return text;
}

}  // namespace zephra
