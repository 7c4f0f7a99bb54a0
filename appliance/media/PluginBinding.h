// The steps every media plug-in's entry and volume hook take the same way.
#pragma once

#include "mediaapi/MvPlugin.h"

// MvInit's answer, once the plug-in's record is made: the host's settings become the modules'
// g_Setup, mute is off, and the control record gets the record, the operation table, interface
// version 1.1 and no flags.
void BindPlugin(MvPluginCtrl *ctrl, MvPluginData *pd, const MvPluginFunctions *calls);

// Tells the host a volume (SetVeloraVolume): `media` becomes the audio information of the
// settings with this volume, reported (MVS_MEDIA) with `status` pointing at it for the call; both
// are as they were afterwards. Returns `volume`.
int ReportVolume(MvPluginCtrl *ctrl, MvPluginStatus &status, MvMediaInfo &media, int volume);
