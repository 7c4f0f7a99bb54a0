// The audio CD and DVD panes and the video window are not built yet: their plug-ins are
// followed as plug-ins without a pane, and no video window is ever made.
#include "Panes.h"

namespace velora {

void cdaudio_vcb(MvPluginCtrl* ctrl, uint32_t mask, const MvPluginStatus* status) { nogui_vcb(ctrl, mask, status); }
void dvd_vcb(MvPluginCtrl* ctrl, uint32_t mask, const MvPluginStatus* status) { nogui_vcb(ctrl, mask, status); }
int OnLaunchCdAudio(PtWidget_t*, void*, PtCallbackInfo_t*) { return photon::Pt_CONTINUE; }
int OnLaunchDvd(PtWidget_t*, void*, PtCallbackInfo_t*) { return photon::Pt_CONTINUE; }
PtWidget_t* VideoWindow() { return nullptr; }
void DestroyVideoWindow() {}
void LeaveFullScreen() {}
void CreateVideoWindow() {}
void InitVideoArea() {}

}  // namespace velora
