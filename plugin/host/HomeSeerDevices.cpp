#include "host/HomeSeerDevices.h"

namespace zephra {

// The devices come with the host-device module; until then nothing is created.
void CIDDevice(PluginState&, const std::string&) {}

}  // namespace zephra
