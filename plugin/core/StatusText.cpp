#include "core/StatusText.h"

#include <functional>

#include "core/ActionTable.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "vb/Err.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kHead = "<table><td><img alt='";
constexpr const char* kImageSource = "' src='/images/Zephra/";
constexpr const char* kAfterImage =
    "' '><img alt=' ' src='/images/Zephra/blank3.gif'></td><td valign='middle' align='left'><font color='";
constexpr const char* kAfterColour = "'>";
constexpr const char* kEnd = "</font></td></table>";
constexpr const char* kGif = ".gif";

std::string StatusHtml(const std::string& caption, std::string_view image, const std::string& fontColor,
                       const std::string& text) {
    return kHead + caption + kImageSource + std::string(image) + kAfterImage + fontColor + kAfterColour + text + kEnd;
}

std::string Handled(PluginState& state, const char* tag, const std::function<std::string()>& build) {
    std::string result;
    if (!vb::Try([&] { result = build(); })) vb::Try([&] { WriteLog(state.Host(), kSource, tag); });
    return result;
}

}  // namespace

std::string FormatStatus(PluginState& state, int32_t index) {
    return FormatValue(state, index, std::string(TableEntry(StatusTextTable, index)));
}

std::string FormatValue(PluginState& state, int32_t index, const std::string& text) {
    return Handled(state, "FormatValue: ", [&] {
        std::string group(TableEntry(DeviceGroupTable, ActionGroup(index)));
        return StatusHtml(group, TableEntry(StatusImageTable, index), state.settings.FontColor, text);
    });
}

std::string FormatString(PluginState& state, const std::string& name) {
    return Handled(state, "FormatString",
                   [&] { return StatusHtml(name, name + kGif, state.settings.FontColor, name); });
}

}  // namespace zephra
