#pragma once
// The status and setup page of the plug-in's own web server.

#include <string>

#include "vb/Variant.h"

namespace zephra {

class PluginState;

// The page text for `request`; `response` may be used by the page to answer itself.
std::string StatusPage(PluginState& state, const vb::Variant& request, const vb::Variant& response);

}  // namespace zephra
