#pragma once
// Device commands: a value set on one of an appliance's host devices becomes the matching
// call on the appliance object that owns the unit.

#include <cstdint>
#include <string>

namespace zephra {

class PluginState;

// The host's device command (house code, unit, command, brightness; all by reference, as
// the host passes them). Command 19 carries a device value in the brightness.
void SetZephraIO(PluginState& state, std::string& houseCode, std::string& deviceCode, int16_t& command,
                 int16_t& brightness);

}  // namespace zephra
