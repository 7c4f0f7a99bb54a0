// The settings dialog is not built yet: it never opens, so there is nothing to refresh.
#include "Panes.h"

namespace velora {

int OnOpenSettings(PtWidget_t*, void*, PtCallbackInfo_t*) { return photon::Pt_CONTINUE; }
void RefreshSettingsDialog() {}
int IsSettingsDirectAudioButtonSet() { return 0; }
void FlipSettingsDirectAudioButton() {}
void DirectAudio() {}

}  // namespace velora

#include "Settings.h"

namespace velora {

void CloseSettingsDialog() {}
void ShowVideoWindowPosition(int, int) {}
void ShowVideoWindowSize(int, int) {}

}  // namespace velora
