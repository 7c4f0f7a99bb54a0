#include "media/MixerGroup.h"

#include <algorithm>

using namespace qnx;

namespace {

// Level (0..1) of one channel of a mixer group.
float GroupLevel(const snd_mixer_group_t &g, int channel)
{
    if (g.max == g.min)
        return 0.0f;
    return static_cast<float>(g.volume.values[channel] - g.min) / static_cast<float>(g.max - g.min);
}

}  // namespace

int MixerGroupVolume(const snd_mixer_group_t &g)
{
    const float left = GroupLevel(g, SND_MIXER_CHN_FRONT_LEFT);
    const float right = GroupLevel(g, SND_MIXER_CHN_FRONT_RIGHT);
    return static_cast<int>(100.0f * std::max(left, right));
}

int MixerGroupBalance(const snd_mixer_group_t &g)
{
    const float left = GroupLevel(g, SND_MIXER_CHN_FRONT_LEFT);
    const float right = GroupLevel(g, SND_MIXER_CHN_FRONT_RIGHT);
    const float larger = std::max(left, right);
    if (larger <= 0.0f)
        return 0;
    return static_cast<int>(100.0f * right / larger - 100.0f * left / larger);
}

void StoreMixerGroupLevels(snd_mixer_group_t &g, int volume, int balance)
{
    const int range = g.max - g.min;
    const int l = balance >= 1 ? volume - volume * balance / 100 : volume;
    const int r = balance < 0 ? volume + volume * balance / 100 : volume;
    const int left = g.min + (range * l + 50) / 100;
    const int right = g.min + (range * r + 50) / 100;
    g.volume.values[SND_MIXER_CHN_FRONT_LEFT] = left;
    g.volume.values[SND_MIXER_CHN_FRONT_RIGHT] = right;
    if (g.channels & 12) {
        g.volume.values[SND_MIXER_CHN_REAR_LEFT] = left;
        g.volume.values[SND_MIXER_CHN_REAR_RIGHT] = right;
    }
}
