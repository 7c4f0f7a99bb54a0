#pragma once
// The caller-ID modem's serial port: the hidden form's `Com1`, opened once per load of the
// plug-in with the settings "CIDCommPort" and "CIDPortString".

#include <string>

namespace zephra {

class PluginState;

// When `port` is numeric, up to two attempts to open that port; each failure is logged and
// the port closed again. True when the port is open.
bool InitCommPort(PluginState& state, const std::string& port);
// Opens the port with `settings` (for example "9600,n,8,1"); false after logging a failure.
bool OpenCommPort(PluginState& state, const std::string& port, const std::string& settings);
// Closes the port, ignoring errors.
void CloseCommPort(PluginState& state, const std::string& port);

// Writes the text, unchanged, to the modem when the port is open; nothing otherwise.
void ModemSend(PluginState& state, const std::string& text);

}  // namespace zephra
