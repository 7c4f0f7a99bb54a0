#pragma once
// The host's event actions and web buttons for the appliances' devices: an action string
// sets device values, which reach the appliances as device commands; its description for
// the host's event list; the layout of the host's action editor; and a pressed button of a
// device's web page.
//
// Action string: fields separated by Chr(2); field 0 begins with "Zephra" (with
// "dkvZephra" for the description), field 1 is free, then up to 12 pairs of a device
// field (the appliance's base code, "-", and after a ";" its name) and an action name of
// the action table.

#include <string>

#include "vb/Object.h"

namespace zephra {

class PluginState;

// Sets, for each pair, the value of the action on the device of its group at the
// appliance's base unit: the action's value in its group; a sound's position among the
// enabled sounds (a disabled sound sets nothing); a volume 0, 25, 50, 75 or 100. A pair
// whose action is unknown or whose device field has not one or two unit digits before its
// "-" is skipped; a failure is logged ("TriggerAction: ") and the next pair taken.
void TriggerAction(PluginState& state, const std::string& actionStr);

// "Put to Sleep to Kitchen Zephra AND Awaken to Den Zephra": each pair whose action is
// known and whose device field names an appliance after ";". "" for a string that does not
// begin with "dkvZephra".
std::string ActionUIFormat(PluginState& state, const std::string& action);

// Lays out the twelve rows of four controls of the host's action editor (controls indexed
// from 1); failures are logged ("ModifyActionUI: ") and the layout goes on.
void ModifyActionUI(PluginState& state, const vb::ObjectRef& controls);

// A web button of a device was pressed: `buttonName` is its caption, action name " @ "
// location " Zephra". The device of that location whose buttons hold the action gets the
// button's position as its value.
void ButtonPress(PluginState& state, const std::string& buttonName);

}  // namespace zephra
