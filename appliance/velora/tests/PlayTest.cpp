// The player with the real sound plug-ins, found through the media library's built-in table:
// a playlist of an MP3 and a WAV file plays through brisko.so and plimsa.so into the WAV
// output, which holds the MP3's reference decoding followed by the WAV file's samples; then the
// buttons and keys move between the tracks. A screenshot is kept.
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "window/Transport.h"
#include "VeloraTesting.h"

namespace velora::testing {
namespace {

namespace t = photon::test;

std::string LoadedPlugin()
{
    return mplayer.pluginCtrl && mplayer.pluginCtrl->ctrl.name ? mplayer.pluginCtrl->ctrl.name : "";
}

TEST(VeloraPlays, APlaylistOfMp3AndWavThroughTheRealPlugins)
{
    ScratchFolder folder;
    const std::string mp3 = folder / "first.mp3", wav = folder / "second.wav", mp3b = folder / "third.mp3";
    ASSERT_TRUE(Shell("ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=1:sample_rate=44100 -ac 2 " +
                      folder / "a.wav" + " && lame --quiet " + folder / "a.wav" + " " + mp3));
    ASSERT_TRUE(Shell(
        "ffmpeg -loglevel error -y -f lavfi -i sine=frequency=660:duration=1:sample_rate=44100 -ac 2 -c:a pcm_s16le " +
        wav));
    ASSERT_TRUE(Shell("ffmpeg -loglevel error -y -f lavfi -i sine=frequency=880:duration=1:sample_rate=44100 -ac 2 " +
                      folder / "c.wav" + " && lame --quiet " + folder / "c.wav" + " " + mp3b));
    ASSERT_TRUE(Shell(std::string(BRISKODEC) + " -q -o " + folder / "reference.raw" + " " + mp3));
    const std::string sink = folder / "played.wav";
    setenv("ZEPHRA_AUDIO_SINK", ("wav:" + sink).c_str(), 1);
    photon::PtWidget_t* base = OpenPlayerOnce("");
    ASSERT_NE(base, nullptr);

    // The list as the command line gives it; auto-play goes through to its end.
    ASSERT_NO_FATAL_FAILURE(AddToPlaylist({mp3, wav, mp3b}));
    EXPECT_STREQ(ControllerGetPlugin(0), "brisko.so");
    EXPECT_STREQ(ControllerGetPlugin(1), "plimsa.so");
    mplayer.bAutoPlay = 1;
    ASSERT_EQ(ControllerOpenItem(ControllerGetItem(0)), 1);
    EXPECT_NE(LoadedPlugin().find("/brisko.so"), std::string::npos);
    ASSERT_TRUE(
        RunUntil([] { return ControllerGetActiveTrack() == 1 && LoadedPlugin().find("plimsa") != std::string::npos; }));
    ASSERT_TRUE(RunUntil([] { return ControllerGetActiveTrack() == 2; }));
    ASSERT_TRUE(RunUntil([] { return mplayer.bAutoPlay == 0; }));
    EXPECT_EQ(Text("cliptitle"), "third.mp3");
    EXPECT_TRUE(t::Screenshot(base, VELORA_SCREENSHOTS "/velora-played.png"));

    // What was played: the MP3 as the reference decoder decodes it, the WAV's samples as they
    // are, the second MP3 after them.
    ASSERT_TRUE(Shell(std::string(BRISKODEC) + " -q -o " + folder / "reference3.raw" + " " + mp3b));
    cbBaseClose();
    const std::string played = ReadFile(sink);
    const std::string reference = ReadFile(folder / "reference.raw");
    const std::string samples = ReadFile(wav).substr(ReadFile(wav).find("data") + 8);
    const std::string reference3 = ReadFile(folder / "reference3.raw");
    ASSERT_GT(reference.size(), 100000u);
    ASSERT_EQ(played.size(), 44 + reference.size() + samples.size() + reference3.size());
    EXPECT_TRUE(played.compare(44, reference.size(), reference) == 0);
    EXPECT_TRUE(played.compare(44 + reference.size(), samples.size(), samples) == 0);
    EXPECT_TRUE(played.compare(44 + reference.size() + samples.size(), reference3.size(), reference3) == 0);

    // Moving between the tracks by buttons and keys, stopped.
    ASSERT_NO_FATAL_FAILURE(AddToPlaylist({mp3, wav, mp3b}));
    mplayer.bAutoPlay = 0;
    ASSERT_EQ(ControllerOpenItem(ControllerGetItem(0)), 1);
    ASSERT_TRUE(RunUntil([] { return Text("status") == "Opened"; }));
    t::Click(W("nextButton"));
    ASSERT_TRUE(
        RunUntil([] { return LoadedPlugin().find("plimsa") != std::string::npos && Text("status") == "Opened"; }));
    EXPECT_EQ(ControllerGetActiveTrack(), 1);
    EXPECT_EQ(Text("cliptitle"), "second.wav");
    t::Key(base, 'n');
    ASSERT_TRUE(
        RunUntil([] { return LoadedPlugin().find("brisko") != std::string::npos && Text("status") == "Opened"; }));
    EXPECT_EQ(ControllerGetActiveTrack(), 2);
    t::Key(base, 'b');
    ASSERT_TRUE(RunUntil([] { return ControllerGetActiveTrack() == 1 && Text("status") == "Opened"; }));
    t::Click(W("previousButton"));
    ASSERT_TRUE(RunUntil([] { return ControllerGetActiveTrack() == 0 && Text("status") == "Opened"; }));
    EXPECT_EQ(Text("cliptitle"), "first.mp3");
    // The play key starts the track; it plays to the end and auto-play goes on with the next.
    t::Key(base, 'p');
    ASSERT_TRUE(RunUntil([] { return ControllerGetActiveTrack() == 1; }));
    ASSERT_TRUE(RunUntil([] { return mplayer.bAutoPlay == 0; }));
    cbBaseClose();
    t::RunUntilIdle();
    unsetenv("ZEPHRA_AUDIO_SINK");
}

}  // namespace
}  // namespace velora::testing
