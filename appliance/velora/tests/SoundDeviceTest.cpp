// The player with the real sound plug-ins on a sound device that plays at a card's pace (a sound
// server of the test's own with one null sink, reached through ALSA's pulse device): the player
// starts without an error, and a paused piece keeps showing where it stopped. Screenshots are kept.
#include <chrono>
#include <cstdio>
#include <string>

#include "window/Transport.h"
#include "VeloraTesting.h"
#include "media/testing/SoundServer.h"

namespace velora::testing {
namespace {

namespace t = photon::test;
using media::testing::SoundServer;

constexpr int kSeconds = 4;

// The seconds of the elapsed part of the time label in its first form ("D:DD:DD/P:PP:PP").
int ElapsedSeconds()
{
    const std::string text = Text("postxt");
    const size_t slash = text.find('/');
    if (slash == std::string::npos) return -1;
    int h = 0, m = 0, s = 0;
    if (std::sscanf(text.c_str() + slash + 1, "%d:%d:%d", &h, &m, &s) != 3) return -1;
    return h * 3600 + m * 60 + s;
}

// Runs the loop and the layer's clock for a while of real time.
void RunFor(std::chrono::milliseconds span)
{
    const auto until = std::chrono::steady_clock::now() + span;
    RunUntil([until] { return std::chrono::steady_clock::now() >= until; });
}

class VeloraSoundDevice : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        server = new SoundServer();
        if (server->Ready()) server->ExportEnvironment();
        folder = new ScratchFolder();
        files = media::testing::MakeSteppedFiles(*folder / "steps", kSeconds);
    }
    static void TearDownTestSuite()
    {
        cbBaseClose();
        t::RunUntilIdle();
        delete folder;
        delete server;
    }
    void SetUp() override
    {
        ASSERT_TRUE(server->Ready()) << server->Failure();
        ASSERT_TRUE(files);
        base = OpenPlayerOnce("");
        ASSERT_NE(base, nullptr);
    }
    void TearDown() override { ResetPlayer(); }

    // Plays the file for a while, pauses it, waits, and checks the time label all along; then it
    // resumes and plays to its end.
    void PauseAndResume(const std::string& file, const char* shot)
    {
        ASSERT_NO_FATAL_FAILURE(AddToPlaylist({file}));
        mplayer.bAutoPlay = 1;
        ASSERT_EQ(ControllerOpenItem(ControllerGetItem(0)), 1);
        ASSERT_TRUE(RunUntil([] { return Text("status") == "Playing" && ElapsedSeconds() >= 2; })) << Text("postxt");
        const std::string playing = Text("postxt");
        t::Click(W("pausePlayButton"));
        ASSERT_TRUE(RunUntil([] { return Text("status") == "Paused"; }));
        // Long enough for any late report of the plug-in to arrive, and for several status polls.
        RunFor(std::chrono::milliseconds(1500));
        EXPECT_EQ(Text("status"), "Paused");
        EXPECT_GE(ElapsedSeconds(), 2) << Text("postxt") << " (while playing: " << playing << ")";
        EXPECT_TRUE(t::Screenshot(base, shot));
        t::Click(W("pausePlayButton"));
        ASSERT_TRUE(RunUntil([] { return Text("status") == "Playing"; }));
        EXPECT_GE(ElapsedSeconds(), 2) << Text("postxt");
        ASSERT_TRUE(RunUntil([] { return mplayer.bAutoPlay == 0 && Text("status") == "Stopped"; }));
    }

    static SoundServer* server;
    static ScratchFolder* folder;
    static bool files;
    photon::PtWidget_t* base = nullptr;
};
SoundServer* VeloraSoundDevice::server = nullptr;
ScratchFolder* VeloraSoundDevice::folder = nullptr;
bool VeloraSoundDevice::files = false;

TEST_F(VeloraSoundDevice, StartsWithoutAnErrorAndWithTheDevicesVolume)
{
    EXPECT_EQ(bErrorDlg, 0);
    EXPECT_NE(mplayer.mixer, nullptr);
}

TEST_F(VeloraSoundDevice, APausedWavFileShowsWhereItStopped)
{
    PauseAndResume(*folder / "steps/steps.wav", VELORA_SCREENSHOTS "/velora-paused-wav.png");
}

TEST_F(VeloraSoundDevice, APausedMp3FileShowsWhereItStopped)
{
    PauseAndResume(*folder / "steps/steps.mp3", VELORA_SCREENSHOTS "/velora-paused-mp3.png");
}

}  // namespace
}  // namespace velora::testing
