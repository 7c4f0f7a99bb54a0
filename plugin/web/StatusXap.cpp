// The xAP side of the status page: the messages of interest (shown, edited and saved) and the
// buttons that reload the plug-in's script and send an xAP status query.

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/DeviceClass.h"
#include "core/PluginState.h"
#include "core/SettingsTable.h"
#include "core/SettingsChecks.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Strings.h"
#include "web/HTMLIncludes.h"
#include "web/PageFrameDetail.h"
#include "web/StatusPage.h"
#include "web/StatusPageState.h"
#include "web/StatusTexts.h"

namespace zephra {

using namespace status_text;
using page_frame::Trapped;

namespace {

std::pair<std::string, std::string> SplitAt(const std::string& text, char mark) {
    const std::size_t at = text.find(mark);
    if (at == std::string::npos) return {text, ""};
    std::string rest = text.substr(at + 1);
    const std::size_t next = rest.find(mark);
    if (next != std::string::npos) rest.resize(next);
    return {text.substr(0, at), rest};
}

// The separator a part of a stored row cannot hold, told as the settings' refusals tell it.
std::string Holding(const std::string& text, char separator) {
    return text.find(separator) == std::string::npos ? std::string() : std::string("'") + separator + "'";
}

std::string Or(const std::string& first, const std::string& second) { return first.empty() ? second : first; }

std::shared_ptr<DeviceClass> DeviceOf(PluginState& state, const std::string& tag) {
    const auto& devices = state.hostInterface.DeviceDictionary;
    if (!devices || !devices->Exists(vb::Variant(tag))) return nullptr;
    return std::dynamic_pointer_cast<DeviceClass>(devices->Item(vb::Variant(tag)).object());
}

}  // namespace

void AddScriptButton(PluginState& state, FastString& fs) {
    Trapped(state, kTagAddScriptButton, [&] {
        fs.Add(kTable);
        fs.Add(html_includes::FormatCell(state, "Refresh", kHeader, "2", "Center"));
        fs.Add(kRow);
        fs.Add(html_includes::FormatCell(
            state,
            std::string("<form name='no redraw' method='post' target='hiddenframe'><input type='submit' name='script' "
                        "value='Read Script ") +
                kSource + ".txt'><input type='hidden' name='clientinput' value='yes'></form>",
            kOdd, "1", "Center"));
        fs.Add(html_includes::FormatCell(
            state,
            "<form name='redraw' method='post'><input type='submit' name='query' "
            "value='Query Zephra'><input type='hidden' name='clientinput' value='yes'></form>",
            kOdd, "1", "Center"));
        fs.Add("</tr></table>");
    });
}

void AddFilter(PluginState& state, FastString& fs) {
    const HostInterfaceState& options = state.hostInterface;
    const bool config = options.ShowStatus == 2;
    const std::string width = config ? "4" : "2";
    auto cell = [&](const std::string& text, const std::string& style, const std::string& span,
                    const std::string& align) { fs.Add(html_includes::FormatCell(state, text, style, span, align)); };
    Trapped(state, kTagAddFilter, [&] {
        fs.Add(std::string("<br><p>") + kTable);
        cell("xAP Messages of Interest", kHeader, width, "Center");
        fs.Add(kRow);
        cell("Status", kHeader, "1", "Center");
        cell("Tag", kHeader, "1", "Center");
        if (config) {
            cell("Ev", kHeader, "1", "Center");
            cell("Class", kHeader, "1", "Center");
        }
        fs.Add(kRow);
    });
    std::string s = kOdd;
    const bool posted = config && state.Part<StatusPageState>().ShowPosted && FieldPosted(state, "Class0");
    auto shown = [&](const std::string& field) {
        return (posted ? HTMLEncode(ExactPostedField(state, field)) : std::string()) + "' name='" + field + "'>" +
               ProblemBeside(state, field);
    };
    Trapped(state, kTagAddFilter, [&] {
        const auto& filters = state.hostInterface.FilterDictionary;
        if (!filters) return;
        const vb::Array keys = filters->Keys();
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const int32_t r = static_cast<int32_t>(i) + 1;
            const std::string row = std::to_string(r);
            Trapped(state, kTagAddFilter, [&] {
                const std::string key = vb::CStr(keys.at(static_cast<int32_t>(i)));
                auto [tag, event] = SplitAt(vb::CStr(filters->Item(vb::Variant(key))), ';');
                auto [source, cls] = SplitAt(key, '~');
                // A refused save shows the rows as they were posted.
                if (posted) {
                    tag = ExactPostedField(state, "FilterTag" + row);
                    event = ExactPostedField(state, "FilterEvent" + row);
                    source = ExactPostedField(state, "Source" + row);
                    cls = ExactPostedField(state, "Class" + row);
                }
                const std::shared_ptr<DeviceClass> device = DeviceOf(state, tag);
                cell(device ? FormatChangeTime(state, device->LastChange) : "", s, "1", "Center");
                if (config) {
                    cell("<input type='text' size='40' value='" + HTMLEncode(tag) + "' name='FilterTag" + row + "'>" +
                             ProblemBeside(state, "FilterTag" + row),
                         "tablecellmisc", "1", "Left");
                    cell(std::string("<input type='checkbox'") + (event.empty() ? "" : " checked") +
                             " value='1' name='FilterEvent" + row + "'>" + ProblemBeside(state, "FilterEvent" + row),
                         s, "1", "Left");
                    cell("<input type='text' size='20' value='" + HTMLEncode(cls) + "' name='Class" + row + "'>" +
                             ProblemBeside(state, "Class" + row),
                         s, "1", "Left");
                    fs.Add(kRow);
                    cell("Source&nbsp;<input type='text' size='80' value='" + HTMLEncode(source) + "' name='Source" +
                             row + "'>" + ProblemBeside(state, "Source" + row),
                         s, "4", "Right");
                } else {
                    cell(HTMLEncode(tag), "tablecellmisc", "1", "Left");
                }
                fs.Add(kRow);
                if (options.ShowReceiveDetail && device) {
                    const std::string span = std::to_string(vb::CInt(vb::Variant(width)) - 2);
                    for (int32_t m = 1; m <= device->MessageList->Count(); ++m) {
                        // Values received over xAP come from anyone on the network.
                        cell(HTMLEncode(vb::CStr(device->MessageList->Item(vb::Variant(m)))), s, "3", "Right");
                        const std::string name = m <= device->MessageKeyList->Count()
                                                     ? vb::CStr(device->MessageKeyList->Item(vb::Variant(m)))
                                                     : std::string();
                        cell(HTMLEncode(name), s, span, "Left");
                        fs.Add(kRow);
                    }
                }
            });
            s = r % 2 == 1 ? kEven : kOdd;
        }
    });
    Trapped(state, kTagAddFilter, [&] {
        if (config) {
            cell("&nbsp;&nbsp;", s, "1", "Center");
            cell("<input type='text' size='40' value='" + shown("FilterTag0"), "tablecellmisc", "1", "Left");
            cell(std::string("<input type='checkbox' value='1'") +
                     (posted && !PostedField(state, "FilterEvent0").empty() ? " checked" : "") +
                     " name='FilterEvent0'>" + ProblemBeside(state, "FilterEvent0"),
                 s, "1", "Left");
            cell("<input type='text' size='20' value='" + shown("Class0"), s, "1", "Left");
            fs.Add(kRow);
            cell("<input type='text' size='80' value='" + shown("Source0"), s, "4", "Right");
        }
        fs.Add("</tr></table>");
    });
}

FilterRefusal RefusedFilterRow(PluginState& state) {
    const HostInterfaceState& hi = state.hostInterface;
    const int32_t n = hi.FilterDictionary ? hi.FilterDictionary->Count() : 0;
    for (int32_t r = 0; r <= n; ++r) {
        const std::string row = std::to_string(r);
        // Each as it was posted, control characters and all.
        const std::string source = ExactPostedField(state, "Source" + row);
        const std::string cls = ExactPostedField(state, "Class" + row);
        const std::string tag = ExactPostedField(state, "FilterTag" + row);
        // The row's key is "source~class": neither may hold "=" or "~", nor the source begin as a
        // header; the value is "tag;event", so the tag holds no ";".
        const struct {
            const char* shown;
            std::string field, what;
        } parts[] = {
            {"Source", "Source" + row, Or(settings::Problem(source, settings::Check::UnitKey), Holding(source, '~'))},
            {"Class", "Class" + row,
             Or(Or(settings::Problem(cls, settings::Check::Text),
                   settings::Unstorable(source + "~" + cls, settings::Check::UnitKey)),
                Holding(cls, '~'))},
            {"Tag", "FilterTag" + row, Or(settings::Problem(tag, settings::Check::Text), Holding(tag, ';'))},
            {"Ev", "FilterEvent" + row,
             settings::Problem(ExactPostedField(state, "FilterEvent" + row), settings::Check::Text)},
        };
        const std::string of = r == 0 ? " of the new xAP message" : " of xAP message " + row;
        for (const auto& part : parts)
            if (!part.what.empty()) return {settings::Refused(part.shown + of, part.what), part.field};
    }
    return {};
}

std::vector<FilterRow> PostedFilterRows(PluginState& state) {
    const HostInterfaceState& hi = state.hostInterface;
    std::vector<FilterRow> rows;
    const int32_t n = hi.FilterDictionary ? hi.FilterDictionary->Count() : 0;
    const vb::Array keys = hi.FilterDictionary ? hi.FilterDictionary->Keys() : vb::Array();
    for (int32_t r = 0; r <= n; ++r) {
        const std::string row = std::to_string(r);
        FilterRow kept;
        kept.key = PostedField(state, "Source" + row) + "~" + PostedField(state, "Class" + row);
        if (kept.key == "~") continue;
        // A tag the post does not carry is kept; one posted empty is cleared.
        std::string tag = PostedField(state, "FilterTag" + row);
        if (r > 0 && FieldMissing(state, "FilterTag" + row))
            tag = SplitAt(vb::CStr(hi.FilterDictionary->Item(keys.at(r - 1))), ';').first;
        kept.tag = vb::Replace(tag, " ", "_");
        kept.event = PostedField(state, "FilterEvent" + row);
        const bool taken = std::any_of(rows.begin(), rows.end(), [&](const FilterRow& earlier) {
            return vb::UCase(earlier.key) == vb::UCase(kept.key);
        });
        if (!taken) rows.push_back(std::move(kept));
    }
    return rows;
}

void SaveFilterSettigs(PluginState& state, const std::vector<FilterRow>& rows) {
    Trapped(state, kTagSaveFilter, [&] {
        HostInterfaceState& hi = state.hostInterface;
        if (!hi.FilterDictionary) hi.FilterDictionary = std::make_shared<vb::Dictionary>();
        if (!hi.DeviceDictionary) hi.DeviceDictionary = std::make_shared<vb::Dictionary>();
        vb::Dictionary& filters = *hi.FilterDictionary;
        filters.RemoveAll();
        for (const FilterRow& row : rows) {
            Trapped(state, kTagSaveFilter, [&] {
                if (!filters.Exists(vb::Variant(row.key)))
                    filters.Add(vb::Variant(row.key), vb::Variant(row.tag + ";" + row.event));
                if (!hi.DeviceDictionary->Exists(vb::Variant(row.tag))) {
                    auto device = std::make_shared<DeviceClass>();
                    device->LastChange = vb::DateSerial(2000, 1, 1);
                    device->Tag = row.tag;
                    hi.DeviceDictionary->Add(vb::Variant(row.tag), vb::Variant(vb::ObjectRef(device)));
                }
            });
        }
    });
}

}  // namespace zephra
