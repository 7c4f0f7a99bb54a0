#pragma once
// Text pages: a text message written as a web page under the host's web folder, for an
// appliance's browser to show: the text in large bold type on a coloured background with a
// "Return" button, and either a timer that goes back after `delay` seconds or, with no
// delay, a hidden frame that loads the appliance's own "toggleBrowser.shtml".

#include <cstdint>
#include <string>

namespace zephra {

class PluginState;

// Writes the page at application folder & "/html/" & `fileName` (overwritten), lines ended
// by CR LF; CR LF in the text becomes "<BR>", nothing else is escaped. Failures are logged
// as "WrapHTML " and the next line is written all the same.
void WrapHTML(PluginState& state, const std::string& fileName, const std::string& background,
              const std::string& foreground, const std::string& fontSize, const std::string& fontFace,
              const std::string& text, int16_t delay);

}  // namespace zephra
