#pragma once
// What the player's core calls in the other panes and windows: the playlist editor and active
// playlist, the mixer, the remote control, the settings dialog, the viewer callback of plug-ins
// without a pane, the CD and DVD panes and the video window. Each is implemented in its own file.

#include <cstdint>

#include "player/Velora.h"

namespace velora {

using photon::PtCallbackInfo_t;
using photon::PtWidget_t;

// Playlist files and editor.
void UpdateActivePlaylist();
void UpdateActivePlaylistSelection();
int IsPlaylistEditorRealized();
int IsActivePlaylistRealized();
int OnPlaylistWndDestroyed(PtWidget_t* = nullptr, void* = nullptr, PtCallbackInfo_t* = nullptr);
int OnOpenPlaylistEditor(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnOpenActivePlaylist(PtWidget_t*, void*, PtCallbackInfo_t*);

// Sound mixer.
int InitAudio();
void CloseAudio();
void AudioVolume(int volume);
void AudioVolumeMute(int mute);
int OnLaunchMixer(PtWidget_t*, void*, PtCallbackInfo_t*);

// Remote control.
void OnRemoteControlMessage(const WendrelMsg* msg);
void TerminateRemoteControl();

// Settings dialog.
int OnOpenSettings(PtWidget_t*, void*, PtCallbackInfo_t*);
void RefreshSettingsDialog();
int IsSettingsDirectAudioButtonSet();
void FlipSettingsDirectAudioButton();
void DirectAudio();

// Plug-ins without a pane of the player.
void nogui_vcb(MvPluginCtrl* ctrl, uint32_t mask, const MvPluginStatus* status);

// Audio CD pane and DVD pane with its video window.
void cdaudio_vcb(MvPluginCtrl* ctrl, uint32_t mask, const MvPluginStatus* status);
void dvd_vcb(MvPluginCtrl* ctrl, uint32_t mask, const MvPluginStatus* status);
int OnLaunchCdAudio(PtWidget_t*, void*, PtCallbackInfo_t*);
int OnLaunchDvd(PtWidget_t*, void*, PtCallbackInfo_t*);
// The video window, when one exists.
PtWidget_t* VideoWindow();
void DestroyVideoWindow();
void LeaveFullScreen();
// Makes the video window for a medium that needs it (cbplay).
void CreateVideoWindow();
// Lays out the video area in the video window.
void InitVideoArea();
// The pane module's UI file name for a pane kind ("" for none).
const char* PaneModuleName(PaneModule pane);
// The handlers the other panes' and windows' UI files name, ending with a null entry.
const photon::ApCallbackName_t* kPaneCallbacks();

}  // namespace velora
