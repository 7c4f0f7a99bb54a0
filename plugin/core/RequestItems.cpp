#include "core/RequestItems.h"

#include "automation/CallByName.h"
#include "core/LogWriter.h"
#include "core/PageRequest.h"
#include "core/PluginState.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kStripTag = "StripHTML Error: ";

// The host's collections are read through `item` only on a newer host, and only when the
// page does not come from the plug-in's own web server.
bool ItemForm(const PluginState& state) { return state.UseDeviceRefs && !state.settings.OwnWebServer; }

vb::Variant ThroughItem(const vb::Variant& request, const char* collection, const std::string& item) {
    vb::Variant items = automation::getProperty(request, collection);
    return automation::callByName(items, page_request::kItem, {vb::Variant(item)});
}

vb::Variant Indexed(const vb::Variant& request, const char* collection, const std::string& item) {
    return automation::callByName(request, collection, {vb::Variant(item)});
}

// One tag cut out of the text; false when no complete tag is left.
bool RemoveFirstTag(std::string& text) {
    const int32_t open = vb::InStr(text, "<");
    if (open == 0) return false;
    const int32_t close = vb::InStr(open + 1, text, ">");
    if (close == 0) return false;
    if (open == 1) {
        text = vb::Mid(text, close + 1);
    } else if (close >= vb::Len(text)) {
        text = vb::Left(text, open - 1);
    } else {
        text = vb::Left(text, open - 1) + vb::Mid(text, close + 1);
    }
    return true;
}

}  // namespace

vb::Variant GetQueryStringItem(PluginState& state, const vb::Variant& request, const std::string& item) {
    if (ItemForm(state)) return ThroughItem(request, page_request::kQueryString, item);
    return Indexed(request, page_request::kQueryString, item);
}

vb::Variant GetFormItem(PluginState& state, const vb::Variant& request, const std::string& item) {
    if (ItemForm(state)) {
        vb::Variant value;
        if (vb::Try([&] { value = ThroughItem(request, page_request::kForm, item); })) return value;
        vb::Err().Clear();
    }
    return Indexed(request, page_request::kForm, item);
}

// After a failure the text is returned as far as it was stripped.
std::string StripHTML(PluginState& state, const std::string& text) {
    std::string stripped = text;
    if (!vb::Try([&] {
            stripped = vb::Replace(stripped, "&nbsp;", "", 1, -1, vb::CompareMethod::Text);
            stripped = vb::Replace(stripped, "&nbsp", "", 1, -1, vb::CompareMethod::Text);
            while (RemoveFirstTag(stripped)) {}
        }))
        vb::Try([&] { WriteLog(state.Host(), kSource, kStripTag); });
    return stripped;
}

}  // namespace zephra
