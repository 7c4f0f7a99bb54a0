#include "mixer/MixerLevels.h"

#include <algorithm>

namespace velora {

namespace {

constexpr unsigned kRearChannels = 12;  // the mask bits 4 and 8

void Shares(const qnx::snd_mixer_group_t& g, double* l, double* r)
{
    const double span = static_cast<double>(g.max) - g.min;
    if (span <= 0) {
        *l = *r = 0;
        return;
    }
    *l = (g.volume.names.front_left - g.min) / span;
    *r = (g.volume.names.front_right - g.min) / span;
}

}  // namespace

int GET_VOLUME(const qnx::snd_mixer_group_t& group)
{
    double l, r;
    Shares(group, &l, &r);
    return static_cast<int>(100 * std::max(l, r));
}

int GET_BALANCE(const qnx::snd_mixer_group_t& group)
{
    double l, r;
    Shares(group, &l, &r);
    const double m = std::max(l, r);
    if (!(m > 0)) return 0;
    return static_cast<int>(100 * r / m - 100 * l / m);
}

void SET_VOLUME(qnx::snd_mixer_group_t& group, int v)
{
    const int lo = group.min;
    const int span = group.max - group.min;
    const int b = GET_BALANCE(group);
    const int left = b <= 0 ? lo + (span * v + 50) / 100 : lo + ((v - v * b / 100) * span + 50) / 100;
    const int right = b < 0 ? lo + ((v + v * b / 100) * span + 50) / 100 : lo + (span * v + 50) / 100;
    group.volume.names.front_left = left;
    group.volume.names.front_right = right;
    if (group.channels & kRearChannels) {
        group.volume.names.rear_left = left;
        group.volume.names.rear_right = right;
    }
}

}  // namespace velora
