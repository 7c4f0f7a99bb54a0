#pragma once
// The plug-in's full start-up and the host phone it keeps for caller ID.

#include <cstdint>
#include <string>

namespace zephra {

class PluginState;

// The full start-up, in this order: the slideshow stub page, the module state reset, the
// hidden form, the xAP dictionaries, the user script, the UDP socket, the settings (which
// build the appliances and their devices), each appliance brought in line with its devices
// (as page requests, "UseZephraServer" held off meanwhile), the xAP send queue, the modem
// echo window, the "STATUS" options and the devices' value call-backs. Does nothing when
// InitX10, InitIR or InitIO ran before. Each step is guarded: a failing step is logged
// ("InitHW ") and the rest still run. Answers "" when every step succeeded, else the first
// failure's text; InitComplete is set only in the first case. `port` is not used.
std::string InitHW(PluginState& state, int32_t port);

// The host's version as one number: major × 10000 + minor × 1000 + revision, from the
// first three dot-separated parts of `version`, each a 16-bit whole number (13 or 6 when it
// is not); 0 when there are fewer than three parts.
int32_t HostVersionNumberOf(const std::string& version);

// Writes the slideshow stub page, application folder & "\HTML\ZephraSlideshow.asp",
// overwriting one of that name. Failures raise to the caller.
void WriteSlideshowStub(PluginState& state);

// Reads the status page's display options of section "STATUS".
void ReadStatusOptions(PluginState& state);

// Makes the host phone when it is missing and "useHSPPhoneBook" is on (the host's own on
// newer hosts, else "hsPhone.Application"); a failure sets "CIDLineNumber" to 0 and is
// logged. True when the host phone exists.
bool InitHSP(PluginState& state);

}  // namespace zephra
