// The xAP side of the status page: the messages of interest (shown, edited and saved) and the
// buttons that reload the plug-in's script and send an xAP status query.

#include <memory>
#include <string>
#include <vector>

#include "core/DeviceClass.h"
#include "core/PluginState.h"
#include "core/SettingsTable.h"
#include "setup/SetupTexts.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Strings.h"
#include "web/HTMLIncludes.h"
#include "web/PageFrameDetail.h"
#include "web/StatusPage.h"
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
    Trapped(state, kTagAddFilter, [&] {
        const auto& filters = state.hostInterface.FilterDictionary;
        if (!filters) return;
        const vb::Array keys = filters->Keys();
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const int32_t r = static_cast<int32_t>(i) + 1;
            const std::string row = std::to_string(r);
            Trapped(state, kTagAddFilter, [&] {
                const std::string key = vb::CStr(keys.at(static_cast<int32_t>(i)));
                const auto [tag, event] = SplitAt(vb::CStr(filters->Item(vb::Variant(key))), ';');
                const auto [source, cls] = SplitAt(key, '~');
                const std::shared_ptr<DeviceClass> device = DeviceOf(state, tag);
                cell(device ? FormatChangeTime(state, device->LastChange) : "", s, "1", "Center");
                if (config) {
                    cell("<input type='text' size='40' value='" + HTMLEncode(tag) + "' name='FilterTag" + row + "'>",
                         "tablecellmisc", "1", "Left");
                    cell(std::string("<input type='checkbox'") + (event.empty() ? "" : " checked") +
                             " value='1' name='FilterEvent" + row + "'>",
                         s, "1", "Left");
                    cell("<input type='text' size='20' value='" + HTMLEncode(cls) + "' name='Class" + row + "'>", s,
                         "1", "Left");
                    fs.Add(kRow);
                    cell("Source&nbsp;<input type='text' size='80' value='" + HTMLEncode(source) + "' name='Source" +
                             row + "'>",
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
            cell("<input type='text' size='40' value='' name='FilterTag0'>", "tablecellmisc", "1", "Left");
            cell("<input type='checkbox' value='1' name='FilterEvent0'>", s, "1", "Left");
            cell("<input type='text' size='20' value='' name='Class0'>", s, "1", "Left");
            fs.Add(kRow);
            cell("<input type='text' size='80' value='' name='Source0'>", s, "4", "Right");
        }
        fs.Add("</tr></table>");
    });
}

std::string RefusedFilterRow(PluginState& state) {
    const HostInterfaceState& hi = state.hostInterface;
    const int32_t n = hi.FilterDictionary ? hi.FilterDictionary->Count() : 0;
    for (int32_t r = 0; r <= n; ++r) {
        const std::string row = std::to_string(r);
        const std::string source = PostedField(state, "Source" + row);
        const std::string cls = PostedField(state, "Class" + row);
        // The row's key is "source~class": neither may hold "=", nor the source begin as a header.
        const std::pair<std::string, std::string> parts[] = {
            {"Source" + row, settings::Unstorable(source, settings::Check::UnitKey)},
            {"Class" + row, settings::Unstorable(source + "~" + cls, settings::Check::UnitKey)},
            {"FilterTag" + row, settings::Unstorable(PostedField(state, "FilterTag" + row), settings::Check::Text)},
            {"FilterEvent" + row, settings::Unstorable(PostedField(state, "FilterEvent" + row), settings::Check::Text)},
        };
        for (const auto& [field, what] : parts)
            if (!what.empty()) return setuptext::kNothingSaved + field + setuptext::kCannotHold + what + ".";
    }
    return {};
}

void SaveFilterSettigs(PluginState& state) {
    Trapped(state, kTagSaveFilter, [&] {
        HostInterfaceState& hi = state.hostInterface;
        if (!hi.FilterDictionary) hi.FilterDictionary = std::make_shared<vb::Dictionary>();
        if (!hi.DeviceDictionary) hi.DeviceDictionary = std::make_shared<vb::Dictionary>();
        vb::Dictionary& filters = *hi.FilterDictionary;
        // The entries before the rewrite, for a tag the post did not carry.
        std::vector<std::string> oldTags{""};
        const vb::Array keys = filters.Keys();
        for (std::size_t i = 0; i < keys.size(); ++i)
            oldTags.push_back(SplitAt(vb::CStr(filters.Item(keys.at(static_cast<int32_t>(i)))), ';').first);
        const int32_t n = filters.Count();

        state.Host().ClearINISection(kReceivedSection, kIniFile);
        filters.RemoveAll();
        for (int32_t r = 0; r <= n; ++r) {
            Trapped(state, kTagSaveFilter, [&] {
                const std::string row = std::to_string(r);
                const std::string source = PostedField(state, "Source" + row);
                const std::string cls = PostedField(state, "Class" + row);
                // An existing row whose tag cell came back empty or not at all keeps its tag.
                std::string tag = PostedField(state, "FilterTag" + row);
                if (tag.empty() && r > 0) tag = oldTags[static_cast<std::size_t>(r)];
                tag = vb::Replace(tag, " ", "_");
                const std::string event = PostedField(state, "FilterEvent" + row);
                const std::string key = source + "~" + cls;
                if (key == "~") return;
                if (!filters.Exists(vb::Variant(key))) {
                    filters.Add(vb::Variant(key), vb::Variant(tag + ";" + event));
                    state.Host().SaveIniSetting(kReceivedSection, key, tag + ";" + event, kIniFile);
                }
                if (!hi.DeviceDictionary->Exists(vb::Variant(tag))) {
                    auto device = std::make_shared<DeviceClass>();
                    device->LastChange = vb::DateSerial(2000, 1, 1);
                    device->Tag = tag;
                    hi.DeviceDictionary->Add(vb::Variant(tag), vb::Variant(vb::ObjectRef(device)));
                }
            });
        }
    });
}

}  // namespace zephra
