// What the host asks between transport commands: parameters, status, mute, digital output.
#include <cstdio>

#include "CoreMessages.h"
#include "PlimsaCore.h"

namespace plimsa::core {

namespace {

constexpr uint32_t kStatusPeriodMs = 1000;

// The ring of a network stream that is still filling: its fill line is worth showing.
bool RingIsFilling() {
    RingBufferLock(&Ring);
    const bool filling = Ring.pBufferHead && !Ring.bEndOfData;
    RingBufferUnLock(&Ring);
    return filling;
}

}  // namespace

int mset_params(MvPluginCtrl*, uint32_t which, MvPlaybackParams* param) {
    if (!param) return -1;
    if (which & MVP_STATUS_FREQ) {
        param->status_frequency = kStatusPeriodMs;
        return 0;
    }
    if (which & MVP_AUDIO) {
        g_Setup.audio = param->audio;
        if (StdAudioDevice.mixer_handle) SET_VOLUME(&StdAudioDevice, static_cast<int>(param->audio.volume));
        return 0;
    }
    return -1;
}

int mget_status(MvPluginCtrl* ctrl) {
    MvPluginData* pd = Data(ctrl);
    uint32_t mask = 0;
    if (State(pd) == MV_PLAYING) {
        const uint32_t position = pd->reportedPosition;
        if (position != pd->status.position) {
            pd->status.position = position;
            mask |= MVS_POSITION;
        }
    }
    if (!IsFileMode() && RingIsFilling()) {
        std::snprintf(pd->titleText, sizeof pd->titleText, messages::kBuffers, static_cast<int>(RingFullPercent(&Ring)),
                      static_cast<int>(ulRingBuffStart.load()));
        pd->status.videoWndTitle = pd->titleText;
        mask |= MVS_VIDEO_WND_TITLE;
    }
    if (mask != 0) ctrl->cb(ctrl, mask, &pd->status);
    return 0;
}

int msetmute(MvPluginCtrl*, int on) {
    bIsMute = static_cast<unsigned char>(on);
    // Without an open mixer the flag holds from the next opening: the mute is taken all the same.
    if (StdAudioDevice.mixer_handle) SET_VOLUME(&StdAudioDevice, on == 1 ? 0 : static_cast<int>(g_Setup.audio.volume));
    return 0;
}

int mdirect_audio(MvPluginCtrl*, int on) {
    bDirectDigitalAudioOn = static_cast<unsigned char>(on);
    return -1;
}

}  // namespace plimsa::core
