#include "callerid/MessageCIDEvent.h"

namespace zephra {

// The host phone comes with the caller-ID module; until then the caller is the one shown
// when the phone component is absent.
std::string MessageCIDEvent(PluginState&, bool, const std::string&) { return "1234567890 : HSP Not Available"; }

}  // namespace zephra
