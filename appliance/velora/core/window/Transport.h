#pragma once
// The transport controls: buttons and sliders of the main window, the two-faced play/pause and
// stop/eject buttons, the status poll timer, disc eject and load, the Open URL dialog.

#include "player/Velora.h"

namespace velora {

using photon::PtCallbackInfo_t;
using photon::PtWidget_t;

int cbplay(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbpause(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbstop(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbeject(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbPrevious(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbnext(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbFastRewind(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbFastForward(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbFastDisarm(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbFastSeek(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbreplay(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbmute(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbVolume(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbSeek(PtWidget_t*, void*, PtCallbackInfo_t*);
int cbTimer(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnOpenUrl(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnOpenUrlDialog(PtWidget_t*, void*, PtCallbackInfo_t*);

void cbLouder();
void cbQuieter();
int setvolume(int volume);
void UpdateGui();
void setbuttons(uint32_t state);
void SetPlayPauseButton(int play);
void SetStopEjectButton(int stop);
// Arms the status poll timer (0 stops it).
void SetStatusTimer(unsigned ms);

}  // namespace velora
