#pragma once
// Where the appliances fetch spoken files and pages from, as the log tells it: the address,
// and a warning when no appliance can fetch from it (not an address of this machine) or when
// appliances elsewhere on the network cannot (a loopback address while an appliance is not on
// loopback). Told at every start, and again when a settings reading changes what it says.

namespace zephra {

class PluginState;

// Logs the address and its warnings.
void TellFetchAddress(PluginState& state);

// Logs them again when they differ from what was last told (a HomeseerIP or an appliance
// changed on the page, in the setup window or in the file); nothing before the first telling.
void TellFetchAddressChange(PluginState& state);

}  // namespace zephra
