#pragma once
// The HTML status texts written into the appliances' device strings: an icon of the
// action's device group and a text in the font colour of the setting "FontColor".

#include <cstdint>
#include <string>

namespace zephra {

class PluginState;

// FormatValue of the action with its status text. An index outside the table raises 9.
std::string FormatStatus(PluginState& state, int32_t index);
// The status HTML of an action with a given text; "" after logging "FormatValue: " when the
// index lies outside the table.
std::string FormatValue(PluginState& state, int32_t index, const std::string& text);
// The status HTML with the icon `name` & ".gif" and `name` as caption and text.
std::string FormatString(PluginState& state, const std::string& name);

}  // namespace zephra
