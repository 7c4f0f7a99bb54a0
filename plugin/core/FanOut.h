#pragma once
// Fan-out operations: one action applied to every appliance a selector names that can take
// commands now. Each takes a fresh token, calls the appliance member with it as the command
// tag on every available appliance, and answers the token, or "" when a selected appliance
// was skipped because its power device is reported off or refused a command (a full queue):
// the others are served all the same.

#include <string>

namespace zephra {

class PluginState;

// Speaks the text once into the next of the ten shared temporary speech files that no
// appliance still has to play, and has every available appliance play it; "" when all ten
// wait (the refusal is counted in the log). Failures are logged ("InternalSpeak" & selector).
std::string InternalSpeak(PluginState& state, const std::string& selector, const std::string& text);
// Has every available appliance play the WAV file. Failures reach the caller.
std::string InternalWav(PluginState& state, const std::string& selector, const std::string& file);
// Shows the text as a text page on every available appliance and wakes it unless it is
// "always awake". Failures reach the caller.
std::string InternalText(PluginState& state, const std::string& selector, const std::string& text);
// Queues the caller-ID datagram on every available appliance and wakes it unless it is
// "always awake". Failures are logged ("InternalSendCID " & selector).
std::string InternalSendCID(PluginState& state, const std::string& selector, const std::string& line1,
                            const std::string& line2);
// Builds the host phone's caller text for every available appliance (the phone-book lookup
// runs) and sends nothing. Failures reach the caller.
std::string InternalSendHspBrowserCID(PluginState& state, const std::string& selector);
// The reactions to a call that the host's phone reports, as the caller-ID switches say:
// datagrams to the caller-ID appliances' clients, the sentry clients, xAP, the caller-ID
// device, speech or the caller's WAV file, a text page, the host log. Always "". Failures
// are logged ("InternalSendHspCID ") step by step.
std::string InternalSendHspCID(PluginState& state, const std::string& selector);

}  // namespace zephra
