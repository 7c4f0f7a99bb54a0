#pragma once
// Received xAP messages, as the host delivers them.

#include "vb/Object.h"

namespace zephra {

class PluginState;

// Handles one received xAP message object; traps its own errors.
void OnXapMessage(PluginState& state, const vb::ObjectRef& message);

}  // namespace zephra
