#include "core/WebServerState.h"

#include "core/PluginState.h"

namespace zephra {

void LoadTCPServer(PluginState& state) {
    state.services.LoadTCPServerWindow(state);
    state.web.Loaded = true;
}

}  // namespace zephra
