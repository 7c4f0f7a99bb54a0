#pragma once
// For the plug-in class's tests: the plug-in object over the test bed's state, registered
// with the recording host (or not yet), and calls by member name as the host makes them.

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "automation/CallByName.h"
#include "callerid/UdpServer.h"
#include "core/tests/PluginTestBed.h"
#include "host/reva.h"
#include "windows/Registry.h"

namespace zephra::testing {

// The plug-in object over a state it does not own.
inline std::shared_ptr<reva> RevaOver(PluginState& state) {
    return std::make_shared<reva>(std::shared_ptr<PluginState>(std::shared_ptr<PluginState>(), &state));
}

struct RevaTestBed : PluginTestBed {
    RevaTestBed() {
        // The UDP server binds any free port, so that tests may run side by side.
        windows::SaveSetting(kUdpAppName, "Options", "LocalPort", "0");
        std::filesystem::create_directories(app.path() / "HTML");
    }
    ~RevaTestBed() {
        for (ZephraEntry& slot : state.appliances.slots)
            if (slot.Object) slot.Object->Shutdown();
    }

    vb::Variant Call(const std::string& member, std::initializer_list<vb::Variant> args = {}) {
        return automation::callByName(vb::Variant(vb::ObjectRef(plugin)), member, args);
    }
    // Registers the plug-in with the host's callback object, as the host does first.
    void RegisterPlugin() { Call("RegisterCallback", {vb::Variant(vb::ObjectRef(host->callback()))}); }

    std::shared_ptr<reva> plugin = RevaOver(state);
};

}  // namespace zephra::testing
