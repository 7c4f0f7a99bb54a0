// Parameters, status polls, mute and the direct-digital switch, on the host's thread.
#include <cstdio>

#include "BriskoCore.h"
#include "CoreMessages.h"

namespace brisko::core {

namespace {

constexpr uint32_t kStatusPeriodMs = 1000;
constexpr std::size_t kBuffersTextSize = 64;

// The mixer of the audio device is open (the device is playing).
bool MixerOpen(AudioDevice* dev)
{
    pthread_rwlock_rdlock(&dev->handleLock);
    const bool open = dev->pcm_handle && dev->mixer_handle;
    pthread_rwlock_unlock(&dev->handleLock);
    return open;
}

// Position of a file: the file offset read less what is still buffered, as time, less what the
// audio device still holds. Offset and buffer are read together under the ring's lock, under
// which the reader moves both.
int FilePosition(MvPluginCtrl* ctrl)
{
    MvPluginData* pd = Data(ctrl);
    RingBuffer* ring = &pd->mpegRing;
    pthread_mutex_lock(&pd->fileMutex);
    if (!pd->fp) {
        pthread_mutex_unlock(&pd->fileMutex);
        return -1;
    }
    RingBufferLock(ring);
    const long offset = std::ftell(pd->fp);
    const uint64_t buffered = ring->State != 0 ? ring->TotalBytesWritten - ring->TotalBytesRead : 0;
    RingBufferUnLock(ring);
    const int queuedMs = GetAudioTimeInBuffer(&pd->StdAudioDevice);
    pthread_mutex_unlock(&pd->fileMutex);
    const int64_t position = PositionMs(pd->fileInfo, offset, static_cast<int64_t>(buffered), queuedMs);
    pd->status.position = static_cast<uint32_t>(position);
    pd->lastPosition = pd->status.position;
    ctrl->cb(ctrl, MVS_POSITION, &pd->status);
    return 0;
}

// Fill of a network stream's buffer and the start percent, as the title line.
int BufferFill(MvPluginCtrl* ctrl)
{
    MvPluginData* pd = Data(ctrl);
    if (!RingInitialised(pd) || RingEnded(pd)) return -1;
    char text[kBuffersTextSize];
    std::snprintf(text, sizeof text, messages::kBuffersText, static_cast<int>(RingFullPercent(&pd->mpegRing)),
                  static_cast<int>(pd->ulRingBuffStart.load()));
    pd->status.videoWndTitle = text;
    ctrl->cb(ctrl, MVS_VIDEO_WND_TITLE, &pd->status);
    pd->status.videoWndTitle = "";
    return 0;
}

}  // namespace

int qnx_set_params(MvPluginCtrl* ctrl, uint32_t which, MvPlaybackParams* param)
{
    if (!param) return -1;
    if (which & MVP_STATUS_FREQ) {
        param->status_frequency = kStatusPeriodMs;
        return 0;
    }
    if (!(which & MVP_AUDIO)) return -1;
    g_Setup.audio = param->audio;
    AudioDevice* dev = &Data(ctrl)->StdAudioDevice;
    if (MixerOpen(dev)) SET_VOLUME(dev, static_cast<int>(param->audio.volume));
    return 0;
}

int qnx_get_status(MvPluginCtrl* ctrl) { return IsNetwork() ? BufferFill(ctrl) : FilePosition(ctrl); }

int qnx_direct_audio(MvPluginCtrl* ctrl, int on)
{
    // Takes effect when the device is next opened.
    Data(ctrl)->bDirectDigitalAudioOn = on ? 1 : 0;
    return -1;
}

int qnx_setmute(MvPluginCtrl* ctrl, int on)
{
    bIsMute = on == 1;
    AudioDevice* dev = &Data(ctrl)->StdAudioDevice;
    // Without an open mixer the flag holds from the next opening: the mute is taken all the same.
    if (MixerOpen(dev)) SET_VOLUME(dev, bIsMute ? 0 : static_cast<int>(g_Setup.audio.volume));
    return 0;
}

}  // namespace brisko::core
