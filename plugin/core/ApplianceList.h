#pragma once
// The appliance list: the INI section "Zephra Names" turned into the appliance table, one
// slot and one appliance object per appliance.

namespace zephra {

class PluginState;

// Reads section "Zephra Names" (key: IP, or IP "/" computer; value: name, base device code,
// power device, motion device, slide group, caller-ID switch, X10 server) into the table,
// which the caller has emptied, and makes an appliance object for every appliance that has
// a base device code. Malformed lines are dropped without a message.
void DefineZephras(PluginState& state);

}  // namespace zephra
