// The arithmetic of a mixer group's levels, shared by every audio output that follows the mixer.
#pragma once

#include "qnx/asoundlib.h"

// The group's front levels as a volume (the larger, 0..100) and a balance (-100 left only .. 100
// right only), and the levels stored back for a volume at a balance (rear channels follow).
int MixerGroupVolume(const qnx::snd_mixer_group_t &g);
int MixerGroupBalance(const qnx::snd_mixer_group_t &g);
void StoreMixerGroupLevels(qnx::snd_mixer_group_t &g, int volume, int balance);
