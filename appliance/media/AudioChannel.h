// The audio output's record and the steps every player's output shares: writing, draining,
// flushing, the queue queries, and the steps the two sets of mixer rules are built from (see
// media/Audio.h for the media plug-ins' rules, briskoplugin/PluginAudio.h for the browser
// player's).
#pragma once

#include "mediaapi/MvPlugin.h"
#include "qnx/asoundlib.h"

#include <pthread.h>
#include <cstddef>
#include <cstdint>

struct AudioDevice {
    qnx::snd_pcm_t *pcm_handle = nullptr;      // null when closed
    qnx::snd_mixer_t *mixer_handle = nullptr;  // null when closed
    int card = 0;
    int device = 0;
    qnx::snd_pcm_channel_info_t pi{};  // read at open: mixer device and group of the channel
    qnx::snd_pcm_channel_params_t pp{};
    qnx::snd_pcm_channel_setup_t setup{};
    qnx::snd_pcm_channel_status_t status{};
    unsigned char bOutputOff = 0;  // the plug-in skips writing PCM while set
    int bytesPerSample = 2;        // 1 for 8-bit formats (2, 3 or 4 for wider ones)
    qnx::snd_ctl_t *ctl_handle = nullptr;
    qnx::snd_ctl_hw_info_t hwinfo{};
    qnx::snd_mixer_info_t mixerinfo{};
    qnx::snd_mixer_group_t group{};
    int ctl_fd = -1;
    int mixer_fd = -1;
    int volume = 0;                                            // 0..100 as last set or read
    int state = 0;                                             // 0 opened, 1 initialised, 2 destroyed
    uint64_t bytesWritten = 0;                                 // in total (since the last drain or init)
    uint64_t bytesSinceDrain = 0;                              // since the last drain or init
    pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;         // guards write, drain and close
    pthread_rwlock_t handleLock = PTHREAD_RWLOCK_INITIALIZER;  // keeps the handles alive while in use
    char errtext[256] = "";                                    // text of the last failure
    int volumeToReport = -1;                                   // a change the mixer reported, not yet passed on
    // Kept by the browser player's rules only.
    unsigned char mute = 0;        // no PCM is written; the mixer opens at volume 0
    unsigned char quiet = 0;       // failures are kept in errtext, not printed
    int balance = 0;               // -100..100, as last set or followed
    MvPluginCtrl *ctrl = nullptr;  // the player, for volume reports
};

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
int Audio_BufferLock(AudioDevice *dev);
int Audio_BufferUnLock(AudioDevice *dev);

// The shared steps of both sets of mixer rules.
// Opens the playback channel and reads its information (OpenAudioDevice without the mixer). 0 or -1.
int OpenPcmChannel(AudioDevice *dev, int card, int device);
// Sets format and fragments, prepares and reads setup and status (InitAudioDevice without the
// mixer). 0 or -1.
int SetUpPcmChannel(AudioDevice *dev, int rate, int voices, int bits, int format, int fragsMax, int fragSize,
                    int startMode);
// Completes the last fragment with silence, plays out and closes the channel; state = 2. The
// caller holds the buffer mutex.
void ClosePcmChannel(AudioDevice *dev);
// Opens control and mixer of the channel's card and reads the channel's group, reporting each
// failure and trying the next step; the mixer handle stays null when it could not be opened.
void OpenMixerHandles(AudioDevice *dev);
// Closes mixer and control.
void CloseMixerHandles(AudioDevice *dev);
// Writes the group record to the mixer; the mixer's error, reported, or 0.
int WriteMixerGroup(AudioDevice *dev);
// Prints (unless quiet) and keeps a failure's text.
void ReportAudioFailure(AudioDevice *dev, const char *format, ...);
// The device's handles kept alive for a scope: shared while they are used, exclusive while they change.
class AudioHandleUse {
public:
    AudioHandleUse(AudioDevice *dev, bool exclusive);
    ~AudioHandleUse();
    AudioHandleUse(const AudioHandleUse &) = delete;
    AudioHandleUse &operator=(const AudioHandleUse &) = delete;

private:
    AudioDevice *dev_;
};
