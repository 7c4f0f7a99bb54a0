#pragma once
// The slideshow page for the appliances' browsers.

#include <string>

#include "vb/Variant.h"

namespace zephra {

class PluginState;

// The slideshow page for the appliance that sent `request` (found by its "REMOTE_ADDR");
// the host web server's request and response objects serve as well as the plug-in's own.
std::string ZephraSlideshow_ASP(PluginState& state, const vb::Variant& request, const vb::Variant& response);

}  // namespace zephra
