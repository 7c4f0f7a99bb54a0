// The audio CD pane is not built yet: its plug-in is followed as a plug-in without a pane.
#include "Panes.h"

namespace velora {

void cdaudio_vcb(MvPluginCtrl* ctrl, uint32_t mask, const MvPluginStatus* status) { nogui_vcb(ctrl, mask, status); }
int OnLaunchCdAudio(PtWidget_t*, void*, PtCallbackInfo_t*) { return photon::Pt_CONTINUE; }

}  // namespace velora
