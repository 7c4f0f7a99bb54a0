#include "callerid/XapReceive.h"

namespace zephra {

// The xAP receiver comes with the caller-ID and xAP module; until then a received message
// changes nothing.
void OnXapMessage(PluginState&, const vb::ObjectRef&) {}

}  // namespace zephra
