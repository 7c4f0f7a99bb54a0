#pragma once
// The modem's caller-ID input: received text cut into lines, a pending caller gathered from
// its name and number lines, and the caller handled once both have come (or 500 ms after
// the first, through the hidden form's `Timer5`).

#include <cstdint>
#include <string>

namespace zephra {

class PluginState;

// Takes the text that the modem port had pending and its event code (2 = data received).
void ProcessCommData(PluginState& state, const std::string& text, int16_t code);

// Handles the pending caller: stops `Timer5`, starts `Timer4` (the caller-ID device goes
// back off after it) when "GenerateCIDEvent" is on, and clears the pending caller.
void ProcessModemInput(PluginState& state);

}  // namespace zephra
