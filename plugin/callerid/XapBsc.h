#pragma once
// xAP basic status and control: every appliance is seen on the xAP network as nine
// sub-devices, one per device group 0 to 8 ("Display" to "Volume"), and the caller-ID device
// as one more. Announces changes, answers queries and applies commands.

#include <cstdint>
#include <string>

namespace zephra {

class PluginState;

// Under the xAP host application, announces the current state of the host device (status,
// level, text) as an "xapBSC.Event" message; otherwise does nothing.
void SendXapBSC(PluginState& state, const std::string& deviceCode);

// Answers an "xAPBSC.query" for the sub-devices the target's address names (after its ":",
// up to three levels, "*" any, ">" the rest): per existing sub-device an "xAPBSC.Values" (when
// its device has value names) and an "xAPBSC.Info", through the send queue. A target without
// ":" is ignored.
void BSCQuery(PluginState& state, const std::string& target);

// Applies one "output.state" block of an "xAPBSC.cmd": sets the level's number as the value
// of every sub-device the target names ("*" as id), or of the first one only when its unit
// is the hexadecimal id. Without a level (missing or empty) the state decides: "on" sets 1,
// anything else 0.
void BSCCmd(PluginState& state, const std::string& target, const std::string& id, const std::string& stateText,
            const std::string& level);

// Two upper-case hexadecimal digits; above 255 a warning is logged and "00" given; a negative
// number is logged ("ToHex ") and gives "".
std::string ToHex(PluginState& state, int16_t n);
// "ON" for status 2, else "OFF".
std::string OnOffText(int16_t status);
// The value of a numeric text; 10 to 15 for "A" to "F" in either case; else 0.
int32_t HexDigitValue(const std::string& c);
// HexDigitValue of the first character × 16 + HexDigitValue of the last; 0 for "".
int32_t HexByteValue(const std::string& text);

}  // namespace zephra
