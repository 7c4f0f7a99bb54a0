#include "host/DeviceCommands.h"

namespace zephra {

// The device commands come with the host interface; until then a device value changes
// nothing on the appliance.
void SetZephraIO(PluginState&, std::string&, std::string&, int16_t&, int16_t&) {}

}  // namespace zephra
