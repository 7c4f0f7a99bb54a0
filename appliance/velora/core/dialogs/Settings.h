#pragma once
// The settings dialog: every control writes the player's settings at once and, for what a
// plug-in uses, the playback parameters it is sent.

#include "player/Velora.h"

namespace velora {

using photon::PtCallbackInfo_t;
using photon::PtWidget_t;

// Destroys the dialog when it is open.
void CloseSettingsDialog();
// While the dialog is open, its position and size fields follow the video window.
void ShowVideoWindowPosition(int x, int y);
void ShowVideoWindowSize(int w, int h);

// With a plug-in loaded, switches its direct digital output; the plug-in's answer, else 0.
int DirectAudio(int flag);
void SendVideoSettingChange();
// Brightness, contrast and saturation at the middle, the colour key's full range.
void PresetVideoSettings(MvVideoSettingInfo& video);

int OnAdvanceDlg(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnAdvanceDestroyed(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnAdvanceDlgOk(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnAdvanceDlgDefault(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnAdvanceDlgCancel(PtWidget_t*, void*, PtCallbackInfo_t*);

extern const photon::ApCallbackName_t kSettingsCallbacks[];

}  // namespace velora
