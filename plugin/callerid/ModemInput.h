#pragma once
// The modem's caller-ID input: received text cut into lines (and the records of a network
// caller-ID box), a pending caller gathered from its name and number lines, and the caller
// handed to the caller-ID processing once both have come (or 500 ms after the first,
// through the hidden form's `Timer5`).

#include <cstdint>
#include <string>

#include "callerid/CallerIdProcessing.h"

namespace zephra {

class PluginState;

// Takes the text that the modem port had pending and its event code (2 = data received):
// echoes both, and with code 2 cuts complete lines and records out of the module's
// CommBuffer. Text that stays without a line end past 2,000 characters is dropped with a
// log line, so the buffer never grows without bound.
void ProcessCommData(PluginState& state, const std::string& text, int16_t code);

// With InsertModemCrLf on, pending text that holds a name or number prefix but no line end is
// taken as a whole line once the modem has sent nothing more for 500 ms (CommLineTimer), or at
// once when it ends with CR or LF. Takes it now, if there is such text; true when it did.
bool TakePendingModemLine(PluginState& state);

// One modem line: a name line, a number line or "RING"; anything else is ignored.
void DoModem(PluginState& state, const std::string& line);
// One record of a network caller-ID box ("...NMBR" and "...NAME" fields).
void DoModemNetCallerID(PluginState& state, const std::string& record);

}  // namespace zephra
