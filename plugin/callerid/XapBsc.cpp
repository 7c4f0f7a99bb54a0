#include "callerid/XapBsc.h"

namespace zephra {

// The xAP messages come with the xAP module; until then nothing is announced.
void SendXapBSC(PluginState&, const std::string&) {}

}  // namespace zephra
