#include "media/PluginBinding.h"

#include "media/Audio.h"

void BindPlugin(MvPluginCtrl *ctrl, MvPluginData *pd, const MvPluginFunctions *calls)
{
    g_Setup = ctrl->setup;
    bIsMute = 0;
    ctrl->pdata = pd;
    ctrl->calls = calls;
    ctrl->pflags = 0;
    ctrl->APIversion = 1;
    ctrl->MinorVersion = 1;
}

int ReportVolume(MvPluginCtrl *ctrl, MvPluginStatus &status, MvMediaInfo &media, int volume)
{
    MvAudioMediaInfo audio = g_Setup.audio;
    audio.volume = static_cast<uint32_t>(volume);
    media.audio = &audio;
    media.which = MV_MEDIA_AUDIO_INFO;
    const MvMediaInfo *told = status.media_info;
    status.media_info = &media;
    ctrl->cb(ctrl, MVS_MEDIA, &status);
    status.media_info = told;
    media.which = MV_MEDIA_INFO;
    media.audio = nullptr;
    return volume;
}
