#pragma once

namespace zephra {

class PluginState;

// Gives the core the services' procedures it calls (caller ID and xAP, the user script, the
// device commands). Done once for each plug-in state, before anything runs on it.
void ConnectServices(PluginState& state);

}  // namespace zephra
