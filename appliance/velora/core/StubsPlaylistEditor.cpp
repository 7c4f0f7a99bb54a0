// The playlist editor and the active playlist window are not built yet: the player runs
// without them (nothing is realized, nothing to refresh).
#include "Panes.h"

namespace velora {

void UpdateActivePlaylist() {}
void UpdateActivePlaylistSelection() {}
int IsPlaylistEditorRealized() { return 0; }
int IsActivePlaylistRealized() { return 0; }
int OnPlaylistWndDestroyed(PtWidget_t*, void*, PtCallbackInfo_t*) { return photon::Pt_CONTINUE; }
int OnOpenPlaylistEditor(PtWidget_t*, void*, PtCallbackInfo_t*) { return photon::Pt_CONTINUE; }
int OnOpenActivePlaylist(PtWidget_t*, void*, PtCallbackInfo_t*) { return photon::Pt_CONTINUE; }

}  // namespace velora
