// Volume and balance of a mixer group, from and to its front (and rear) channel levels.
#pragma once

#include "qnx/asoundlib.h"

namespace velora {

// 100 x the louder front channel's share of the group's range, truncated.
int GET_VOLUME(const qnx::snd_mixer_group_t& group);
// -100..100: negative when the left channel is louder; 0 when both are at the bottom.
int GET_BALANCE(const qnx::snd_mixer_group_t& group);
// Sets the front levels (and the rear ones when the group has them) for volume v, keeping the
// balance. Only the record changes; writing it is the caller's.
void SET_VOLUME(qnx::snd_mixer_group_t& group, int v);

}  // namespace velora
