#include "RiffWave.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

using namespace appliance_sim;

namespace {

// A WAV file made by sox; returns its bytes.
std::vector<std::uint8_t> soxWave(const std::string& name, const std::string& options) {
    const auto path = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()) + ".wav");
    const std::string command = "sox -n " + options + " " + path.string() + " synth 0.5 sine 440 2>/dev/null";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::filesystem::remove(path);
    return bytes;
}

void put32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

TEST(RiffWave, MeasuresFilesMadeBySox) {
    std::string why;
    const auto pcm = soxWave("pcm", "-r 8000 -c 1 -b 16");
    const auto facts = parseRiffWave(pcm, why);
    ASSERT_TRUE(facts) << why;
    EXPECT_EQ(describeFormat(*facts), "pcm 8000Hz 16bit 1ch");
    EXPECT_EQ(playingTimeMs(*facts, pcm.size()), 500);

    const auto stereo = soxWave("stereo", "-r 22050 -c 2 -b 8");
    const auto stereoFacts = parseRiffWave(stereo, why);
    ASSERT_TRUE(stereoFacts) << why;
    EXPECT_EQ(describeFormat(*stereoFacts), "pcm 22050Hz 8bit 2ch");
    EXPECT_EQ(playingTimeMs(*stereoFacts, stereo.size()), 500);

    // Compressed data is timed by its sample count.
    const auto adpcm = soxWave("adpcm", "-r 8000 -c 1 -e ima-adpcm");
    const auto adpcmFacts = parseRiffWave(adpcm, why);
    ASSERT_TRUE(adpcmFacts) << why;
    EXPECT_EQ(describeFormat(*adpcmFacts), "format=0x0011 8000Hz 4bit 1ch");
    EXPECT_NEAR(static_cast<double>(playingTimeMs(*adpcmFacts, adpcm.size())), 500.0, 70.0);

    const auto gsm = soxWave("gsm", "-r 8000 -c 1 -e gsm-full-rate");
    const auto gsmFacts = parseRiffWave(gsm, why);
    ASSERT_TRUE(gsmFacts) << why;
    EXPECT_EQ(gsmFacts->formatTag, 0x31);
    EXPECT_NEAR(static_cast<double>(playingTimeMs(*gsmFacts, gsm.size())), 500.0, 70.0);
}

TEST(RiffWave, WalksOddChunksAndTrustsReceivedBytesOverTheHeader) {
    std::vector<std::uint8_t> bytes = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    const std::uint8_t list[] = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0 /* pad */};
    bytes.insert(bytes.end(), std::begin(list), std::end(list));
    const std::uint8_t format[] = {'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0};
    bytes.insert(bytes.end(), std::begin(format), std::end(format));
    put32(bytes, 1000);  // rate
    put32(bytes, 2000);  // bytes a second
    bytes.insert(bytes.end(), {2, 0, 16, 0, 'd', 'a', 't', 'a'});
    put32(bytes, 0xFFFFFFFF);  // length left open, as streaming writers do

    std::string why;
    const auto facts = parseRiffWave(bytes, why);
    ASSERT_TRUE(facts) << why;
    EXPECT_EQ(facts->dataOffset, bytes.size());
    EXPECT_EQ(playingTimeMs(*facts, bytes.size() + 3000), 1500);
    // A header claiming more than arrived is cut to what arrived.
    auto claimed = *facts;
    claimed.dataSize = 100000;
    EXPECT_EQ(playingTimeMs(claimed, bytes.size() + 1000), 500);
}

TEST(RiffWave, RefusesWhatIsNoWaveFile) {
    std::string why;
    EXPECT_FALSE(parseRiffWave(std::vector<std::uint8_t>{'R', 'I', 'F', 'F'}, why));
    EXPECT_EQ(why, "not-riff-wave");
    std::vector<std::uint8_t> noFormat = {'R', 'I', 'F', 'F', 0,   0,   0, 0, 'W', 'A',
                                          'V', 'E', 'd', 'a', 't', 'a', 0, 0, 0,   0};
    EXPECT_FALSE(parseRiffWave(noFormat, why));
    EXPECT_EQ(why, "no-fmt-chunk");
    // A chunk claiming more bytes than the head holds ends the walk without overrunning.
    std::vector<std::uint8_t> huge = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'j', 'u', 'n', 'k'};
    put32(huge, 0xFFFFFFF0);
    EXPECT_FALSE(parseRiffWave(huge, why));
    EXPECT_EQ(why, "no-fmt-chunk");
    std::vector<std::uint8_t> shortFormat = {'R', 'I', 'F', 'F', 0,   0,  0, 0, 'W', 'A', 'V',
                                             'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,   1};
    EXPECT_FALSE(parseRiffWave(shortFormat, why));
}
