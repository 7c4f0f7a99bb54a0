#pragma once
// The caller-ID processing: a complete caller (from the modem or from xAP) is looked up in
// the phone book, shown on the host's caller-ID device, announced on xAP and fanned out to
// the appliances, the UDP clients and the host log as the caller-ID switches say.

#include <string>

namespace zephra {

class PluginState;

// Handles the pending caller and empties it. Each step that fails is logged
// ("ProcessModemInput ") and the next one runs.
void ProcessModemInput(PluginState& state);

// The caller-ID text of a number: FormatPhoneNumber(number) & " : " & the phone book's name
// (& " from " & its location), else `defaultName` ("Unknown" for "" and "O"). Sets the
// module's CallerWav to the entry's WAV file ("" when none).
std::string HSPAddressBookLookup(PluginState& state, const std::string& number, const std::string& defaultName);

// The caller-ID text split at its first " : ": the number before, the name after.
struct CallerIdText {
    explicit CallerIdText(const std::string& lookup);
    std::string number;
    std::string name;
};

}  // namespace zephra
