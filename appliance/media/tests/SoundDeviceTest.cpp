// The media plug-ins through the media host mvhost on a sound device that plays at a card's pace
// (a sound server of the test's own, reached through ALSA): a pause and a resume go on with the
// piece where it stopped, and a stop during a pause ends the play. What the device played is
// recorded, and what the player wrote to it is kept as it was written; the piece is a tone
// whose pitch tells the position.
#include <gtest/gtest.h>

#include <unistd.h>

#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "media/testing/SoundServer.h"
#include "media/testing/WrittenSound.h"

namespace {

using media::testing::SoundServer;

// Each test program runs its own sound server and files (tests may run at once).
const std::string kDir = std::string(SOUND_DEVICE_WORKDIR) + "/run-" + std::to_string(getpid());
constexpr int kSeconds = 4;

struct Player {
    const char *name;
    const char *plugin;
    const char *file;  // made from the stepped tone
};
void PrintTo(const Player &p, std::ostream *out)
{
    *out << p.name;
}

class SoundDevice : public ::testing::TestWithParam<Player> {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(media::testing::MakeSteppedFiles(kDir, kSeconds));
        server = new SoundServer();
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
        // What a failed run recorded is kept to be looked at.
        if (::testing::UnitTest::GetInstance()->failed_test_count() == 0)
            std::system(("rm -rf '" + kDir + "'").c_str());
    }
    void SetUp() override { ASSERT_TRUE(server->Ready()) << server->Failure(); }

    // Runs mvhost with the commands; its exit status and what it printed. A player that hangs
    // is ended after a minute, far beyond any pause here. With `written`, what mvhost wrote to
    // the device is kept there.
    int Run(const std::string &commands, std::string &output, const SoundServer &on = *server,
            media::testing::WrittenSound *written = nullptr)
    {
        const Player &p = GetParam();
        const std::string log = LogPath();
        const std::string tapFile = kDir + "/" + p.name + "-written.raw";
        // The tap goes into mvhost alone (not into timeout), before mvhost's own libraries; a
        // sanitizer's runtime lets it.
        const std::string tap =
            written ? std::string("env LD_PRELOAD='") + SOUND_TAP_PATH + "' " + media::testing::kSoundTapVariable +
                          "='" + tapFile + "' ASAN_OPTIONS=\"${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0\" "
                    : std::string();
        const std::string cmd = on.ShellEnvironment() + " ZEPHRA_MEDIA_SETTINGS=/nonexistent/media.conf timeout 60 " +
                                tap + "'" + MVHOST_PATH "' -c '" + commands + "' '" + p.plugin + "' '" + kDir + "/" +
                                p.file + "' >'" + log + "' 2>&1";
        const int status = std::system(cmd.c_str());
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
        output = text.str();
        if (written && !written->Load(tapFile))
            output += "\n(nothing was kept of what mvhost wrote: " + tapFile + ")";
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static std::string LogPath() { return kDir + "/" + GetParam().name + ".log"; }

    static SoundServer *server;
};
SoundServer *SoundDevice::server = nullptr;

TEST_P(SoundDevice, PlayOnAfterAPauseGoesOnWhereItStopped)
{
    const std::string recording = kDir + "/" + GetParam().name + ".raw";
    ASSERT_TRUE(server->StartRecording(recording));
    std::string output;
    media::testing::WrittenSound written;
    const int status = Run("start,wait 1500,pause,wait 1000,start,end", output, *server, &written);
    server->StopRecording();
    ASSERT_EQ(status, 0) << output;
    EXPECT_NE(output.find("> start\nstate MV_PLAYING"), std::string::npos) << output;

    // These players drop the queue at a pause (at most 4 fragments of 16384 bytes, 0.37 s) and
    // go on after what they wrote: every step was written once, in order, with the pause between
    // two of them. The device was heard, with the pause; where the server's clock puts the steps
    // is its own (a busy machine makes it drop sound that comes late), so the recording is not
    // read for them.
    EXPECT_EQ(media::testing::CheckWrittenAcrossAPause(written, kSeconds, false), "") << output;
    const media::testing::HeardPause heard =
        media::testing::FindPause(media::testing::HeardSteps(media::testing::ReadRecording(recording), 44100));
    EXPECT_TRUE(heard.found && heard.silentWindows >= 4) << "no pause heard in " << recording;
}

TEST_P(SoundDevice, AStopDuringAPauseEndsThePlay)
{
    std::string output;
    ASSERT_EQ(Run("start,wait 1000,pause,wait 300,stop,end", output), 0) << output;
    EXPECT_NE(output.find("> stop\nstate MV_STOPPED\n= 0\n"), std::string::npos) << output;
}

TEST_P(SoundDevice, ASoundServerThatDiesEndsThePlayWithAnError)
{
    SoundServer dying;
    ASSERT_TRUE(dying.Ready()) << dying.Failure();
    std::string output;
    int status = -1;
    std::thread player([&] { status = Run("start,end", output, dying); });
    // The server dies once the piece is heard.
    const std::string recording = kDir + "/" + GetParam().name + "-dying.raw";
    ASSERT_TRUE(dying.StartRecording(recording));
    const bool playing = media::testing::WaitUntilHeard(recording);
    dying.Kill();
    player.join();
    ASSERT_TRUE(playing) << output;
    // The player ends by itself, says why, and does not go on printing the device's failure.
    EXPECT_EQ(status, 1) << output;
    EXPECT_NE(output.find("\nerror: "), std::string::npos) << output;
    EXPECT_NE(output.find("state MV_STOPPED"), std::string::npos) << output;
    EXPECT_LT(std::count(output.begin(), output.end(), '\n'), 30) << output;
}

// The loudest 50 ms of a recording, as the RMS of its samples.
double LoudestWindow(const std::vector<int16_t> &stereo)
{
    const std::size_t window = media::testing::kRecordRate / 20 * 2;
    double loudest = 0;
    for (std::size_t at = 0; at + window <= stereo.size(); at += window) {
        double sum = 0;
        for (std::size_t i = at; i < at + window; ++i)
            sum += double(stereo[i]) * stereo[i];
        loudest = std::max(loudest, std::sqrt(sum / window));
    }
    return loudest;
}

// Volume and mute change what the device plays: the level recorded from the device falls with
// the volume and is silence when muted, and the device's mixer is found (no mixer errors).
TEST_P(SoundDevice, VolumeAndMuteChangeWhatIsHeard)
{
    double levels[3] = {};
    const char *commands[3] = {"volume 100,start,wait 1500,stop", "volume 20,start,wait 1500,stop",
                               "mute 1,start,wait 1500,stop"};
    for (int i = 0; i < 3; ++i) {
        const std::string recording = kDir + "/" + GetParam().name + "-volume" + std::to_string(i) + ".raw";
        ASSERT_TRUE(server->StartRecording(recording));
        std::string output;
        const int status = Run(commands[i], output);
        server->StopRecording();
        // A mute before the start finds no mixer open yet and answers -1; it holds from the start.
        ASSERT_EQ(status, i == 2 ? 1 : 0) << output;
        ASSERT_NE(output.find("state MV_PLAYING"), std::string::npos) << output;
        EXPECT_EQ(output.find("snd_mixer_group_read error"), std::string::npos) << output;
        EXPECT_EQ(output.find("snd_mixer_group_write error"), std::string::npos) << output;
        levels[i] = LoudestWindow(media::testing::ReadRecording(recording));
    }
    ASSERT_GT(levels[0], 1000) << "nothing was heard at full volume";
    EXPECT_LT(levels[1], levels[0] * 0.5) << levels[1] << " at volume 20, " << levels[0] << " at 100";
    EXPECT_LT(levels[2], levels[0] * 0.01) << levels[2] << " muted, " << levels[0] << " at full volume";
}

INSTANTIATE_TEST_SUITE_P(Players, SoundDevice,
                         ::testing::Values(Player{"Brisko_rave", BRISKO_PLUGIN_PATH, "steps.mp3"},
                                           Player{"Plimsa_rave", PLIMSA_PLUGIN_PATH, "steps.wav"}),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
