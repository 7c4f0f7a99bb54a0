#pragma once
// The caller text of the host phone's last call.

#include <string>

namespace zephra {

class PluginState;

// The last caller that the host's phone component reports for the line of the setting
// "CIDLineNumber", as number & " : " & name after the phone-book lookup; with `send`, that
// caller also goes out as a caller-ID datagram to `target`.
std::string MessageCIDEvent(PluginState& state, bool send, const std::string& target);

}  // namespace zephra
