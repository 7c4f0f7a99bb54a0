#pragma once
// xAP basic status and control: announcing a host device's state to the xAP network.

#include <string>

namespace zephra {

class PluginState;

// Under the xAP host application, announces the current state of the host device (status,
// level, text) as an "xapBSC.Event" message; otherwise does nothing.
void SendXapBSC(PluginState& state, const std::string& deviceCode);

}  // namespace zephra
