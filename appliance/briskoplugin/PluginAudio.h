// The player's audio output: one playback channel per player, through the sound library. Its
// mixer is watched on the GUI loop, so that volume and balance set by other programs are followed
// and reported to the player. Failures return -1 (or 0 bytes) and never end the process.
//
// Threads: the decoder thread opens, writes, drains and destroys; the browser thread sets volume
// and mute; mixer changes arrive on the GUI loop's thread. Registering and removing the mixer's
// handler, and every use of the mixer, hold the GUI library lock.
#pragma once

#include <pthread.h>

#include <cstdint>

#include "media/MvPlugin.h"
#include "qnx/asoundlib.h"

namespace briskoplugin {

struct PluginAudioDevice {
    qnx::snd_pcm_t *pcm_handle = nullptr;
    qnx::snd_mixer_t *mixer_handle = nullptr;
    int card = 0;
    int device = 0;
    qnx::snd_pcm_channel_info_t pi{};
    qnx::snd_pcm_channel_params_t pp{};
    qnx::snd_pcm_channel_setup_t setup{};
    qnx::snd_pcm_channel_status_t status{};
    unsigned char bOutputOff = 0;
    unsigned char mute = 0;             // no PCM is written; the mixer opens at volume 0
    unsigned char signedFormat = 1;     // silence is 0 (signed) or 0x80 (unsigned)
    int bytesPerSample = 2;             // 1, 2, 3 or 4
    qnx::snd_ctl_t *ctl_handle = nullptr;
    qnx::snd_ctl_hw_info_t hwinfo{};
    qnx::snd_mixer_info_t mixerinfo{};
    qnx::snd_mixer_group_t group{};
    int ctl_fd = -1;
    int mixer_fd = -1;
    int volume = 0;                     // 0..100: stored before opening, then followed
    int balance = 0;                    // -100..100
    int state = 0;                      // 0 opened, 1 initialised, 2 destroyed
    uint64_t bytesWritten = 0;
    uint64_t bytesSinceDrain = 0;
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;   // guards the PCM handle and the counters
    MvPluginCtrl *ctrl = nullptr;       // the player, for volume reports
};

int Audio_BufferLock(PluginAudioDevice *dev);
int Audio_BufferUnLock(PluginAudioDevice *dev);
// Opens the playback channel; clears mute and state. 0 or -1.
int OpenAudioDevice(PluginAudioDevice *dev, int card, int device);
// Sets format and fragments, opens the mixer at the stored volume and balance. 0 or -1 (no
// channel, parameters or setup refused, or no mixer group).
int InitAudioDevice(PluginAudioDevice *dev, int rate, int voices, int bits, int format, int fragsMax, int fragSize,
                    int startMode);
// len, or 0 (one retry after an underrun).
int WriteAudioData(PluginAudioDevice *dev, const void *data, int len);
int DrainAudioDevice(PluginAudioDevice *dev);
int FlushAudioDevice(PluginAudioDevice *dev);
int GetAudioTimeInBuffer(PluginAudioDevice *dev);
int GetAudioBytesInBuffer(PluginAudioDevice *dev);
int ConvertBytesToMS(PluginAudioDevice *dev, int bytes);
// Completes the last fragment with silence, mutes first when AUDIOMUTEONCLOSE is set, plays out
// and closes.
int DestroyAudioDevice(PluginAudioDevice *dev);
int OpenMixer(PluginAudioDevice *dev);
int CloseMixer(PluginAudioDevice *dev);
int GET_VOLUME(PluginAudioDevice *dev);
int GET_BALANCE(PluginAudioDevice *dev);
int SET_VOLUME(PluginAudioDevice *dev, int volume);
int SET_BALANCE(PluginAudioDevice *dev, int balance);
// The GUI loop's input handler on the mixer's descriptor.
int mixer_update(int fd, void *dev, unsigned mode);

}  // namespace briskoplugin
