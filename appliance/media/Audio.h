// Audio: PCM playback and volume control of one output through the sound library: opens a
// playback channel, sets its format and fragments, writes PCM with one retry after an underrun,
// tells how much is still queued, pads the last fragment and closes, and drives the mixer group
// of the channel (volume, balance, changes made by others).
//
// Failures print their message on standard error and are returned (-1 or 0 bytes); the last
// failure's text is also kept in the record's errtext for the plug-in to report. Nothing here
// ends the process, except a failed mutex operation ("%s at \"%s\":%d: %s ", then abort).
//
// Threads: the decoder thread opens, writes and destroys; any thread may drain, flush, query and
// set the volume meanwhile, also while the device is being destroyed (those calls then find it
// closed). Volume reports through SetVeloraVolume are made without any of the device's locks.
#pragma once

#include "media/MvPlugin.h"
#include "media/MixerGroup.h"
#include "qnx/asoundlib.h"

#include <pthread.h>
#include <cstddef>
#include <cstdint>

struct AudioDevice {
    qnx::snd_pcm_t *pcm_handle = nullptr;       // null when closed
    qnx::snd_mixer_t *mixer_handle = nullptr;   // null when closed
    int card = 0;
    int device = 0;
    qnx::snd_pcm_channel_info_t pi{};           // read at open: mixer device and group of the channel
    qnx::snd_pcm_channel_params_t pp{};
    qnx::snd_pcm_channel_setup_t setup{};
    qnx::snd_pcm_channel_status_t status{};
    unsigned char bOutputOff = 0;               // the plug-in skips writing PCM while set
    int bytesPerSample = 2;                     // 1 for 8-bit formats
    qnx::snd_ctl_t *ctl_handle = nullptr;
    qnx::snd_ctl_hw_info_t hwinfo{};
    qnx::snd_mixer_info_t mixerinfo{};
    qnx::snd_mixer_group_t group{};
    int ctl_fd = -1;
    int mixer_fd = -1;
    int volume = 0;                             // 0..100 as last set or read
    int state = 0;                              // 0 opened, 1 initialised, 2 destroyed
    uint64_t bytesWritten = 0;                  // in total (since the last drain or init)
    uint64_t bytesSinceDrain = 0;               // since the last drain or init
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;   // guards write, drain and close
    pthread_rwlock_t handleLock = PTHREAD_RWLOCK_INITIALIZER;  // keeps the handles alive while in use
    char errtext[256] = "";                     // text of the last failure
    int volumeToReport = -1;                    // a change the mixer reported, not yet passed on
};

// Provided by the plug-in that contains this module: its settings copy (audio.volume), its mute
// flag, and the hook through which volume changes are reported to the host.
extern MvSetup g_Setup;
extern unsigned char bIsMute;
int SetVeloraVolume(int volume);

// Opens the playback channel of card/device and reads its channel information. 0 or -1.
int OpenAudioDevice(AudioDevice *dev, int card, int device);
// Sets format and fragments, prepares, opens the mixer (which reports the starting volume
// through SetVeloraVolume unless muted). 0 or -1.
int InitAudioDevice(AudioDevice *dev, int rate, int voices, int bits, int format, int fragsMax, int fragSize, int startMode);
// Bytes written (len), or 0 when the device would not take them (after one retry following an
// underrun).
int WriteAudioData(AudioDevice *dev, const void *data, int len);
// Stops playback and discards what is queued (pause, seek); resets the byte counters.
int DrainAudioDevice(AudioDevice *dev);
// Plays out what is queued and waits for it.
int FlushAudioDevice(AudioDevice *dev);
// Milliseconds still queued; 0 on a closed device.
int GetAudioTimeInBuffer(AudioDevice *dev);
// Bytes of the incomplete last fragment plus the bytes queued; 0 on a closed device.
int GetAudioBytesInBuffer(AudioDevice *dev);
int ConvertBytesToMS(AudioDevice *dev, int bytes);
// Completes the last fragment with silence (0x80 for unsigned 8-bit, 0x8000 for unsigned 16-bit,
// else 0), plays it out, closes mixer and channel.
int DestroyAudioDevice(AudioDevice *dev);

int OpenMixer(AudioDevice *dev);
int CloseMixer(AudioDevice *dev);
// Larger front channel level in percent.
int GET_VOLUME(AudioDevice *dev);
// Balance of the front channels in percent, -100 (left only) .. 100 (right only).
int GET_BALANCE(AudioDevice *dev);
// Sets the volume (0..100) keeping the balance; writes the group. 0.
int SET_VOLUME(AudioDevice *dev, int volume);
// Sets the balance in the group record at the current volume; does not write the group. 0.
int SET_BALANCE(AudioDevice *dev, int balance);
// Delivers pending mixer change events (call when the mixer's descriptor is readable). 0.
int mixer_update();
int Audio_BufferLock(AudioDevice *dev);
int Audio_BufferUnLock(AudioDevice *dev);
