// The plug-in library's one exported entry: the host calls it once to create the plug-in
// object, which it then calls by member name.

#include <memory>

#include "homeseer/PluginEntry.h"
#include "host/reva.h"

bool zephra_create_plugin(int32_t contractVersion, homeseer::PluginInstance* instance) {
    if (contractVersion != homeseer::kPluginContractVersion || !instance) return false;
    try {
        auto plugin = std::make_shared<zephra::reva>();
        std::weak_ptr<zephra::reva> weak = plugin;
        instance->object = plugin;
        instance->idle = [weak] {
            std::shared_ptr<zephra::reva> alive = weak.lock();
            return !alive || alive->Idle();
        };
        return true;
    } catch (...) {
        return false;
    }
}
