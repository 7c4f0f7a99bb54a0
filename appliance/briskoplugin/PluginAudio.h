// The player's audio output: one playback channel per player, through the media audio module
// (media/Audio.h), with this player's rules for its mixer: the volume, balance and mute of each
// player, kept in its own record; the mixer is watched on the GUI loop, so that volume and balance
// set by other programs are followed and reported to the player. Failures return -1 (or 0 bytes),
// are not printed (but a refused mixer write) and never end the process.
//
// Threads: the decoder thread opens, writes, drains and destroys; the browser thread sets volume
// and mute; mixer changes arrive on the GUI loop's thread. Registering and removing the mixer's
// handler, and every use of the mixer, hold the GUI library lock.
#pragma once

#include "media/AudioChannel.h"
#include "mediaapi/MvPlugin.h"

namespace briskoplugin {

// The player's record is the audio module's: its mute, balance and ctrl fields are this player's.
using PluginAudioDevice = AudioDevice;

// Opens the playback channel; clears mute and state. 0 or -1.
int OpenAudioDevice(PluginAudioDevice *dev, int card, int device);
// Sets format and fragments, opens the mixer at the stored volume and balance. 0 or -1 (no
// channel, parameters or setup refused, or no mixer group).
int InitAudioDevice(PluginAudioDevice *dev, int rate, int voices, int bits, int format, int fragsMax, int fragSize,
                    int startMode);
// Completes the last fragment with silence, mutes first when AUDIOMUTEONCLOSE is set, plays out
// and closes.
int DestroyAudioDevice(PluginAudioDevice *dev);
int OpenMixer(PluginAudioDevice *dev);
int CloseMixer(PluginAudioDevice *dev);
int GET_VOLUME(PluginAudioDevice *dev);
int GET_BALANCE(PluginAudioDevice *dev);
// Sets the volume keeping the balance and writes the group. 0, or -1 without a mixer or when
// the write is refused.
int SET_VOLUME(PluginAudioDevice *dev, int volume);
// Sets the balance keeping the volume, writes the group and keeps the balance. 0 or -1.
int SET_BALANCE(PluginAudioDevice *dev, int balance);
// The GUI loop's input handler on the mixer's descriptor.
int mixer_update(int fd, void *dev, unsigned mode);

}  // namespace briskoplugin
