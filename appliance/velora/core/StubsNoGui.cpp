// Plug-ins without a pane of the player: until their viewer callback is built, only their
// states are followed, so that a dead plug-in is released and the buttons show the state.
#include "MainWindow.h"
#include "Panes.h"
#include "PluginHost.h"
#include "Transport.h"

namespace velora {

void nogui_vcb(MvPluginCtrl* plugin, uint32_t mask, const MvPluginStatus* status) {
    auto* ctrl = reinterpret_cast<HostPluginCtrl*>(plugin);
    if (!status || !(mask & MVS_PLUGIN_STATE)) return;
    if (ctrl != mplayer.pluginCtrl) {
        if (status->state == MV_DEAD) {
            UnloadDll(ctrl);
            mplayer.bPluginAlive = 0;
        }
        SetPlayPauseButton(1);
        return;
    }
    if (status->state == MV_DEAD) {
        mplayer.bPluginAlive = 0;
        SetStopEjectButton(0);
        cbBaseClose();
        return;
    }
    setbuttons(status->state);
    ctrl->lastState = status->state;
}

}  // namespace velora
