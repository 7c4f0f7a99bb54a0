#pragma once
// The plug-in's own host devices beside the appliances' ones.

#include <string>

namespace zephra {

class PluginState;

// Creates the caller-ID device at `code` when it does not exist, or brings it up to date.
void CIDDevice(PluginState& state, const std::string& code);

}  // namespace zephra
