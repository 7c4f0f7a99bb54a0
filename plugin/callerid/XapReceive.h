#pragma once
// Received xAP messages, as the host delivers them: messages of interest are captured into
// the device dictionary (and queued for the user script when their entry asks for it), then
// each message is handled by its class.

#include <cstddef>
#include <string>

#include "vb/Object.h"

namespace zephra {

class PluginState;

// At most this many texts wait for the user script; later ones are dropped with a log line.
constexpr std::size_t kScriptRunQueueLimit = 1000;

// Handles one received xAP message object; traps its own errors.
void OnXapMessage(PluginState& state, const vb::ObjectRef& message);

// Queues a text for the user script's "Main" (see QueueScriptText).
void QueueScriptRun(PluginState& state, const std::string& text);

// Mirrors an X10 event word on an appliance's power or motion device: "ON" turns the host
// device on, any other word off. A code that is no such device is ignored.
void UpdateDeviceStatus(PluginState& state, const std::string& device, const std::string& event);

}  // namespace zephra
