// A playlist of tracks shorter than the player's start delay, through the real sound plug-ins
// into the WAV output: each track plays once, in order, the last one included.
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "VeloraTesting.h"

namespace velora::testing {
namespace {

namespace t = photon::test;

std::string Samples(const std::string& wav)
{
    const std::string all = ReadFile(wav);
    const size_t data = all.find("data");
    return data == std::string::npos ? "" : all.substr(data + 8);
}

TEST(VeloraShortTracks, EachTrackOfAPlaylistPlaysOnce)
{
    ScratchFolder folder;
    // Four tracks of 0.1 s at four pitches: two WAV files, then two MP3 files.
    std::vector<std::string> files;
    const char* pitches[] = {"440", "550", "660", "770"};
    for (int i = 0; i < 4; ++i) {
        const std::string wav = folder / ("tone" + std::to_string(i) + ".wav");
        ASSERT_TRUE(Shell("ffmpeg -loglevel error -y -f lavfi -i sine=frequency=" + std::string(pitches[i]) +
                          ":duration=0.1:sample_rate=44100 -ac 2 -c:a pcm_s16le " + wav));
        if (i < 2) {
            files.push_back(wav);
        } else {
            const std::string mp3 = folder / ("tone" + std::to_string(i) + ".mp3");
            ASSERT_TRUE(Shell("lame --quiet " + wav + " " + mp3));
            ASSERT_TRUE(Shell(std::string(BRISKODEC) + " -q -o " + mp3 + ".raw " + mp3));
            files.push_back(mp3);
        }
    }
    const std::string sink = folder / "played.wav";
    setenv("ZEPHRA_AUDIO_SINK", ("wav:" + sink).c_str(), 1);
    photon::PtWidget_t* base = OpenPlayerOnce("");
    ASSERT_NE(base, nullptr);

    ASSERT_NO_FATAL_FAILURE(AddToPlaylist(files));
    mplayer.bAutoPlay = 1;
    ASSERT_EQ(ControllerOpenItem(ControllerGetItem(0)), 1);
    ASSERT_TRUE(RunUntil([] { return ControllerGetActiveTrack() == 3; }));
    ASSERT_TRUE(RunUntil([] { return mplayer.bAutoPlay == 0; }));
    // Long after the end, with every timer run out: nothing more is played.
    for (int i = 0; i < 100; ++i) {
        t::RunUntilIdle();
        t::AdvanceClock(20);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_TRUE(t::Screenshot(base, VELORA_SCREENSHOTS "/velora-short-tracks.png"));
    cbBaseClose();
    t::RunUntilIdle();

    std::string expected =
        Samples(files[0]) + Samples(files[1]) + ReadFile(files[2] + ".raw") + ReadFile(files[3] + ".raw");
    const std::string played = ReadFile(sink);
    ASSERT_GT(played.size(), 44u);
    EXPECT_EQ(played.size() - 44, expected.size())
        << "played " << (played.size() - 44) << " bytes of " << expected.size();
    EXPECT_TRUE(played.compare(44, std::string::npos, expected) == 0);
    unsetenv("ZEPHRA_AUDIO_SINK");
}

}  // namespace
}  // namespace velora::testing
