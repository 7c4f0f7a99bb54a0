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

bool PostedRowsAsShown(PluginState& state);

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
    const bool posted =
        config && state.Part<StatusPageState>().ShowPosted && FieldPosted(state, "Class0") && PostedRowsAsShown(state);
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

void NoteFilters(PluginState& state, Drawing& drawing) {
    const HostInterfaceState& options = state.hostInterface;
    if (!options.ShowReceiveMessages || options.ShowStatus != 2) return;
    for (const char* field : {"Source0", "Class0", "FilterTag0", "FilterEvent0"}) drawing.fields[field] = "";
    const auto& filters = options.FilterDictionary;
    if (!filters) return;
    const vb::Array keys = filters->Keys();
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string row = std::to_string(i + 1);
        const std::string key = vb::CStr(keys.at(static_cast<int32_t>(i)));
        const auto [tag, event] = SplitAt(vb::CStr(filters->Item(vb::Variant(key))), ';');
        const auto [source, cls] = SplitAt(key, '~');
        drawing.keys["X" + row] = key;
        drawing.fields["Source" + row] = source;
        drawing.fields["Class" + row] = cls;
        drawing.fields["FilterTag" + row] = tag;
        drawing.fields["FilterEvent" + row] = event.empty() ? "" : "1";
    }
}

namespace {

// The rows the save's page drew, by their number (1 up); their keys as drawn.
std::vector<std::string> DrawnRows(PluginState& state) {
    std::vector<std::string> keys;
    const Drawing* drawn = state.Part<StatusPageState>().AsDrawn;
    if (!drawn) return keys;
    for (auto key = drawn->keys.find("X1"); key != drawn->keys.end();
         key = drawn->keys.find("X" + std::to_string(keys.size() + 1)))
        keys.push_back(key->second);
    return keys;
}

// Whether the user changed row r from what the page showed.
bool RowChanged(PluginState& state, int32_t r) {
    const std::string row = std::to_string(r);
    for (const std::string& field : {"Source" + row, "Class" + row, "FilterTag" + row})
        if (!FieldMissing(state, field) && !AsDrawn(state, field, ExactPostedField(state, field))) return true;
    return !AsDrawn(state, "FilterEvent" + row, PostedField(state, "FilterEvent" + row).empty() ? "" : "1");
}

bool SameKey(const std::string& a, const std::string& b) { return vb::UCase(a) == vb::UCase(b); }

}  // namespace

// A refused save shows the posted rows only where they are the rows shown now.
bool PostedRowsAsShown(PluginState& state) {
    const std::optional<Drawing> drawn = PostedDrawing(state);
    const auto& filters = state.hostInterface.FilterDictionary;
    if (!drawn || !filters) return false;
    const vb::Array keys = filters->Keys();
    for (std::size_t i = 0; i <= keys.size(); ++i) {
        auto key = drawn->keys.find("X" + std::to_string(i + 1));
        if (i == keys.size()) return key == drawn->keys.end();
        if (key == drawn->keys.end() || key->second != vb::CStr(keys.at(static_cast<int32_t>(i)))) return false;
    }
    return false;
}

FilterRefusal RefusedFilterRow(PluginState& state) {
    const int32_t n = static_cast<int32_t>(DrawnRows(state).size());
    for (int32_t r = 0; r <= n; ++r) {
        // A row the user left as it was is written back as it is stored.
        if (r > 0 && !RowChanged(state, r)) continue;
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

FilterSave PlannedFilterSave(PluginState& state) {
    FilterSave save;
    // The section as stored now: rows someone else added or changed since the page was drawn stay.
    const std::string text = state.Host().GetINISection(kReceivedSection, kIniFile);
    for (const std::string& line : vb::Split(text, std::string(1, '\0'))) {
        const std::size_t eq = line.find('=');
        if (line.empty() || eq == std::string::npos || eq == 0) continue;
        save.section.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    auto at = [&](const std::string& key) {
        return std::find_if(save.section.begin(), save.section.end(),
                            [&](const auto& entry) { return SameKey(entry.first, key); });
    };
    auto set = [&](const FilterRow& row) {
        save.set.push_back(row);
        const auto stored = at(row.key);
        if (stored == save.section.end()) {
            save.section.emplace_back(row.key, row.tag + ";" + row.event);
        } else {
            stored->first = row.key;
            stored->second = row.tag + ";" + row.event;
        }
    };
    const std::vector<std::string> drawn = DrawnRows(state);
    for (int32_t r = 1; r <= static_cast<int32_t>(drawn.size()); ++r) {
        if (!RowChanged(state, r)) continue;
        const std::string row = std::to_string(r);
        const std::string& was = drawn[static_cast<std::size_t>(r - 1)];
        const auto [drawnSource, drawnClass] = SplitAt(was, '~');
        auto posted = [&](const std::string& field, const std::string& kept) {
            return FieldMissing(state, field) ? kept : PostedField(state, field);
        };
        const auto stored = at(was);
        FilterRow kept;
        kept.key = posted("Source" + row, drawnSource) + "~" + posted("Class" + row, drawnClass);
        // A tag the post does not carry is kept; one posted empty is cleared.
        const std::string storedTag = stored == save.section.end() ? std::string() : SplitAt(stored->second, ';').first;
        kept.tag = vb::Replace(posted("FilterTag" + row, storedTag), " ", "_");
        kept.event = PostedField(state, "FilterEvent" + row);
        if (kept.key == "~") {
            if (stored != save.section.end()) save.section.erase(stored);
            save.removed.push_back(was);
            continue;
        }
        if (stored == save.section.end()) {
            const std::string tag = vb::Trim(PostedField(state, "FilterTag" + row));
            save.problem = std::string(settings::kNothingSaved) + "xAP message " + row +
                           (tag.empty() ? "" : " (" + tag + ")") + kRemovedSince;
            save.field = "FilterTag" + row;
            return save;
        }
        if (!SameKey(kept.key, was)) {
            save.section.erase(stored);
            save.removed.push_back(was);
        }
        set(kept);
    }
    // A new row whose key a stored row holds is dropped: the stored row stays.
    FilterRow added;
    added.key = PostedField(state, "Source0") + "~" + PostedField(state, "Class0");
    added.tag = vb::Replace(PostedField(state, "FilterTag0"), " ", "_");
    added.event = PostedField(state, "FilterEvent0");
    if (added.key != "~" && at(added.key) == save.section.end()) {
        save.section.insert(save.section.begin(), {added.key, added.tag + ";" + added.event});
        save.added = added;
    }
    return save;
}

void SaveFilterSettigs(PluginState& state, const FilterSave& save) {
    Trapped(state, kTagSaveFilter, [&] {
        HostInterfaceState& hi = state.hostInterface;
        if (!hi.FilterDictionary) hi.FilterDictionary = std::make_shared<vb::Dictionary>();
        if (!hi.DeviceDictionary) hi.DeviceDictionary = std::make_shared<vb::Dictionary>();
        vb::Dictionary& filters = *hi.FilterDictionary;
        // The rows held, the save's changes put in: a new row first, as the page lists it after.
        std::vector<std::pair<std::string, std::string>> rows;
        if (save.added) rows.emplace_back(save.added->key, save.added->tag + ";" + save.added->event);
        const vb::Array keys = filters.Keys();
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const std::string key = vb::CStr(keys.at(static_cast<int32_t>(i)));
            const bool removed = std::any_of(save.removed.begin(), save.removed.end(),
                                             [&](const std::string& gone) { return SameKey(gone, key); });
            if (!removed) rows.emplace_back(key, vb::CStr(filters.Item(vb::Variant(key))));
        }
        for (const FilterRow& row : save.set) {
            auto held =
                std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return SameKey(r.first, row.key); });
            if (held == rows.end()) held = rows.insert(rows.end(), {row.key, ""});
            *held = {row.key, row.tag + ";" + row.event};
        }
        filters.RemoveAll();
        for (const auto& row : rows)
            Trapped(state, kTagSaveFilter, [&] {
                if (!filters.Exists(vb::Variant(row.first)))
                    filters.Add(vb::Variant(row.first), vb::Variant(row.second));
            });
        std::vector<FilterRow> tagged = save.set;
        if (save.added) tagged.push_back(*save.added);
        for (const FilterRow& row : tagged) {
            Trapped(state, kTagSaveFilter, [&] {
                if (hi.DeviceDictionary->Exists(vb::Variant(row.tag))) return;
                auto device = std::make_shared<DeviceClass>();
                device->LastChange = vb::DateSerial(2000, 1, 1);
                device->Tag = row.tag;
                hi.DeviceDictionary->Add(vb::Variant(row.tag), vb::Variant(vb::ObjectRef(device)));
            });
        }
    });
}

}  // namespace zephra
