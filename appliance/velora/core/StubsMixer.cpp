// The host mixer is not built yet: without a plug-in, volume and mute change nothing.
#include "Panes.h"

namespace velora {

int InitAudio() { return 0; }
void CloseAudio() {}
void AudioVolume(int) {}
void AudioVolumeMute(int) {}
int OnLaunchMixer(PtWidget_t*, void*, PtCallbackInfo_t*) { return photon::Pt_CONTINUE; }

}  // namespace velora
