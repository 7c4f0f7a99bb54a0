#pragma once
// The texts of an appliance's Sounds device: only the sounds switched on in the settings
// ("Sounds"), in the action table's order, so that the n-th button and the value n name the
// same sound (the device command plays the (n + 1)-th enabled sound).

#include <string>

namespace zephra {

class PluginState;

// The "buttons" text: for each enabled sound "dkvZephra", Chr(2), its action name, " @ ",
// `location`, " Zephra", the entries joined by Chr(1); "" while "StatusOnly" is on.
std::string UpdateSoundsButton(PluginState& state, const std::string& location);
// The "Values" text: for each enabled sound its action name, Chr(2) and its position among
// the enabled sounds (from 0), the entries joined by Chr(1).
std::string SoundsValues(PluginState& state);
// Rewrites the "buttons" text of the Sounds device (base unit + 6) of every appliance under
// the plug-in's house code, after the sound switches changed. Failures are logged
// ("UpdateButtons: ").
void UpdateButtons(PluginState& state);

}  // namespace zephra
