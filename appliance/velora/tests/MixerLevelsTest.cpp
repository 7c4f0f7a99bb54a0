// Volume and balance arithmetic on a mixer group.
#include "mixer/MixerLevels.h"

#include <gtest/gtest.h>

namespace velora {
namespace {

qnx::snd_mixer_group_t Group(int lo, int hi, int left, int right, uint32_t channels = 3)
{
    qnx::snd_mixer_group_t g{};
    g.min = lo;
    g.max = hi;
    g.channels = channels;
    g.volume.names.front_left = left;
    g.volume.names.front_right = right;
    return g;
}

TEST(MixerLevels, VolumeAndBalanceFromTheFrontChannels)
{
    EXPECT_EQ(GET_VOLUME(Group(0, 31, 31, 31)), 100);
    EXPECT_EQ(GET_BALANCE(Group(0, 31, 31, 31)), 0);
    EXPECT_EQ(GET_VOLUME(Group(0, 31, 0, 31)), 100);
    EXPECT_EQ(GET_BALANCE(Group(0, 31, 0, 31)), 100);
    EXPECT_EQ(GET_BALANCE(Group(0, 100, 80, 20)), -75);
    EXPECT_EQ(GET_VOLUME(Group(10, 110, 60, 30)), 50);
    EXPECT_EQ(GET_BALANCE(Group(0, 31, 0, 0)), 0);  // silent: no balance
    EXPECT_EQ(GET_VOLUME(Group(5, 5, 5, 5)), 0);    // an empty range reads as silence
}

TEST(MixerLevels, SetVolumeKeepsTheBalance)
{
    auto g = Group(0, 31, 31, 31);
    SET_VOLUME(g, 50);
    EXPECT_EQ(g.volume.names.front_left, 16);
    EXPECT_EQ(g.volume.names.front_right, 16);

    g = Group(0, 100, 100, 60);  // balance -40
    ASSERT_EQ(GET_BALANCE(g), -40);
    SET_VOLUME(g, 50);
    EXPECT_EQ(g.volume.names.front_left, (100 * 50 + 50) / 100);
    EXPECT_EQ(g.volume.names.front_right, (30 * 100 + 50) / 100);

    g = Group(10, 110, 50, 110);  // balance +60: the right channel leads
    SET_VOLUME(g, 80);
    EXPECT_EQ(g.volume.names.front_right, 10 + (100 * 80 + 50) / 100);
    EXPECT_EQ(g.volume.names.front_left, 10 + ((80 - 80 * 60 / 100) * 100 + 50) / 100);

    // Rear channels follow only when the group has them.
    g = Group(0, 31, 31, 31, 3);
    SET_VOLUME(g, 0);
    EXPECT_EQ(g.volume.names.rear_left, 0);
    g = Group(0, 31, 0, 0, 3 | 8);
    SET_VOLUME(g, 100);
    EXPECT_EQ(g.volume.names.rear_left, 31);
    EXPECT_EQ(g.volume.names.rear_right, 31);
}

}  // namespace
}  // namespace velora
