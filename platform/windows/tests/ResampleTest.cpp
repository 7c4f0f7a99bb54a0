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

TEST(Resample, PiecesGiveWhatTheWholeGives) {
    std::vector<int16_t> wave(3001);
    for (size_t i = 0; i < wave.size(); ++i) wave[i] = static_cast<int16_t>((i * 37) % 2000 - 1000);
    auto whole = Resample(wave, 16000, 22050);
    Resampler pieces(16000, 22050);
    std::vector<int16_t> joined;
    for (size_t at = 0; at < wave.size(); at += 97) {
        auto part = pieces.Push(std::span(wave).subspan(at, std::min<size_t>(97, wave.size() - at)));
        joined.insert(joined.end(), part.begin(), part.end());
    }
    auto rest = pieces.Finish();
    joined.insert(joined.end(), rest.begin(), rest.end());
    EXPECT_EQ(joined, whole);
    EXPECT_EQ(whole.size(), 4136u);  // round(3001 × 22050 / 16000)
}

}  // namespace
}  // namespace windows
