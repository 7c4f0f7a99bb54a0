#include "core/WebServerState.h"

#include "core/PluginState.h"
#include "web/TCPServer.h"

namespace zephra {

void LoadTCPServer(PluginState& state) {
    LoadTCPServerWindow(state);
    state.web.Loaded = true;
}

}  // namespace zephra
