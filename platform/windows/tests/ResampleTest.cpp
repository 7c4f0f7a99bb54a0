#include "windows/Resample.h"

#include <gtest/gtest.h>

namespace windows {
namespace {

TEST(Resample, LengthFollowsTheRateAndLevelsAreKept) {
    std::vector<int16_t> flat(16000, 1234);
    auto up = Resample(flat, 16000, 22050);
    EXPECT_EQ(up.size(), 22050u);
    for (int16_t s : up) ASSERT_EQ(s, 1234);
    EXPECT_EQ(Resample(flat, 22050, 22050).size(), 16000u);
    EXPECT_EQ(Resample(std::vector<int16_t>(44100, 0), 44100, 22050).size(), 22050u);
}

TEST(Resample, InterpolatesBetweenNeighbours) {
    std::vector<int16_t> ramp{0, 100, 200, 300};
    EXPECT_EQ(Resample(ramp, 1, 2), (std::vector<int16_t>{0, 50, 100, 150, 200, 250, 300, 300}));
}

}  // namespace
}  // namespace windows
