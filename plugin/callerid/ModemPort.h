#pragma once
// The caller-ID modem's serial port: the hidden form's `Com1`, opened once per load of the
// plug-in with the settings "CIDCommPort" and "CIDPortString". A modem whose line fails (a USB
// modem unplugged, its pseudo-terminal gone) is logged and its port closed; the port is opened
// again at the next load of the settings and every minute (on the loop's clock) until it is
// back, which is logged too, and the modem is sent its init string again. A modem whose device
// is missing when the port is to be opened (plugged in later) is looked for every minute the same
// way, which is said once.

#include <string>

namespace zephra {

class PluginState;

// When `port` is numeric, up to two attempts to open that port; each failure is logged and
// the port closed again. True when the port is open.
bool InitCommPort(PluginState& state, const std::string& port);
// Opens the port with `settings` (for example "9600,n,8,1"); false after logging a failure.
bool OpenCommPort(PluginState& state, const std::string& port, const std::string& settings);
// The modem's line failed: logged, the port marked closed, and the minute's retries started.
void ModemLost(PluginState& state, const std::string& why);
// Closes the port, ignoring errors.
void CloseCommPort(PluginState& state, const std::string& port);

// Writes the text, unchanged, to the modem when the port is open; nothing otherwise.
void ModemSend(PluginState& state, const std::string& text);

}  // namespace zephra
