#pragma once
// Device commands: a value set on one of an appliance's host devices becomes the matching
// call on the appliance object that owns the unit.

#include <cstdint>
#include <string>

namespace zephra {

class PluginState;

// The host's device command (house code, unit, command, brightness; all by reference, as
// the host passes them). Command 19 carries a device value in the brightness; it acts on
// the appliance with the highest base unit at or below the unit, among those under the
// plug-in's house code, by the device's group (unit − base):
//   0 Display: 0 the host phone's last caller sent and shown on the device, 1 CID;
//   1 Awake: sleep, awake, always awake, power cycle; 2 Backlight: off, on;
//   3 Top LED, 4 Mail LED: off, on, blink; 5 Browser: nav buttons, full screen;
//   6 Sounds: the (value + 1)-th enabled sound; 7 Sounds Volume, 8 Volume: a step 0-4
//   (times 25) or a percentage 5-100; 9 Reserved: shows the queue.
// Nothing before the start-up has completed or for another house code; other values and
// commands do nothing. Failures are logged ("SetZephraIO: ").
void SetZephraIO(PluginState& state, std::string& houseCode, std::string& deviceCode, int16_t& command,
                 int16_t& brightness);

}  // namespace zephra
