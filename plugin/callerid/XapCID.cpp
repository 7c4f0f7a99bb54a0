#include "callerid/XapCID.h"

namespace zephra {

// The message itself comes with the xAP module; until then a caller is not broadcast.
void XapCID(PluginState&, const std::string&, const std::string&, const std::string&) {}

}  // namespace zephra
