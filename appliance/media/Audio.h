// Audio: PCM playback and volume control of one output through the sound library: opens a
// playback channel, sets its format and fragments, writes PCM with one retry after an underrun,
// tells how much is still queued, pads the last fragment and closes, and drives the mixer group
// of the channel (volume, balance, changes made by others).
//
// The channel's side is one for every player. The mixer's side comes in two sets of rules: the
// media plug-ins' (below: the start volume from g_Setup, reports through SetVeloraVolume, one
// device whose mixer mixer_update reads) and the browser player's (briskoplugin/PluginAudio: its
// own volume, balance and mute per device, followed on the GUI loop). The shared steps those
// rules are built from are declared last.
//
// Failures print their message on standard error (unless the device is quiet) and are returned
// (-1 or 0 bytes); the last failure's text is also kept in the record's errtext for the plug-in
// to report. Nothing here ends the process, except a failed mutex operation ("%s at \"%s\":%d:
// %s ", then abort).
//
// Threads: the decoder thread opens, writes and destroys; any thread may drain, flush, query and
// set the volume meanwhile, also while the device is being destroyed (those calls then find it
// closed). Volume reports through SetVeloraVolume are made without any of the device's locks.
#pragma once

#include "media/AudioChannel.h"
#include "media/MixerGroup.h"

// Provided by the plug-in that contains this module: its settings copy (audio.volume), its mute
// flag, and the hook through which volume changes are reported to the host.
extern MvSetup g_Setup;
extern unsigned char bIsMute;
int SetVeloraVolume(int volume);

// Opens the playback channel of card/device and reads its channel information. 0 or -1.
int OpenAudioDevice(AudioDevice *dev, int card, int device);
// Sets format and fragments, prepares, opens the mixer (which reports the starting volume
// through SetVeloraVolume unless muted). 0 or -1.
int InitAudioDevice(AudioDevice *dev, int rate, int voices, int bits, int format, int fragsMax, int fragSize,
                    int startMode);
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
