// The media plug-ins through the media host mvhost on a sound device that plays at a card's pace
// (a sound server of the test's own, reached through ALSA): a pause and a resume go on with the
// piece where it stopped, and a stop during a pause ends the play. What the device played is
// recorded; the piece is a tone whose pitch tells the position.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "media/testing/SoundServer.h"

namespace {

using media::testing::SoundServer;

const std::string kDir = SOUND_DEVICE_WORKDIR;
constexpr int kSeconds = 5;
constexpr int kLastStep = kSeconds * 10 - 1;

struct Player {
    const char* name;
    const char* plugin;
    const char* file;     // made from the stepped tone
};
void PrintTo(const Player& p, std::ostream* out) { *out << p.name; }

class SoundDevice : public ::testing::TestWithParam<Player> {
protected:
    static void SetUpTestSuite()
    {
        std::system(("mkdir -p '" + kDir + "'").c_str());
        const std::string wav = kDir + "/steps.wav";
        ASSERT_TRUE(media::testing::WriteSteppedTone(wav, 44100, 2, kSeconds));
        ASSERT_EQ(std::system(("lame --quiet -b 192 '" + wav + "' '" + kDir + "/steps.mp3'").c_str()), 0);
        server = new SoundServer(kDir + "/server");
    }
    static void TearDownTestSuite()
    {
        delete server;
        server = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(server->Ready()) << server->Failure(); }

    // Runs mvhost with the commands; its exit status and what it printed. A player that hangs
    // is ended after a minute, far beyond any pause here.
    int Run(const std::string& commands, std::string& output)
    {
        const Player& p = GetParam();
        const std::string log = kDir + "/" + p.name + ".log";
        const std::string cmd = server->ShellEnvironment() + " ZEPHRA_MEDIA_SETTINGS=/nonexistent/media.conf timeout 60 '" +
                                MVHOST_PATH "' -c '" + commands + "' '" + p.plugin + "' '" + kDir + "/" + p.file +
                                "' >'" + log + "' 2>&1";
        const int status = std::system(cmd.c_str());
        std::ifstream in(log);
        std::stringstream text;
        text << in.rdbuf();
        output = text.str();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static SoundServer* server;
};
SoundServer* SoundDevice::server = nullptr;

TEST_P(SoundDevice, PlayOnAfterAPauseGoesOnWhereItStopped)
{
    const std::string recording = kDir + "/" + GetParam().name + ".raw";
    ASSERT_TRUE(server->StartRecording(recording));
    std::string output;
    const int status = Run("start,wait 1500,pause,wait 1000,start,end", output);
    server->StopRecording();
    ASSERT_EQ(status, 0) << output;
    EXPECT_NE(output.find("> start\nstate MV_PLAYING"), std::string::npos) << output;

    const std::vector<int> steps =
        media::testing::HeardSteps(media::testing::ReadRecording(recording), media::testing::kRecordRate);
    const media::testing::HeardPause pause = media::testing::FindPause(steps);
    ASSERT_TRUE(pause.found) << "no pause between two tones in " << recording;
    // The pause came in the first half, lasted, and the piece went on from where it was: the
    // queue dropped at the pause (at most 4 fragments of 16384 bytes, 0.37 s) is all that may
    // be missing, nothing is played twice.
    EXPECT_GE(pause.silentWindows, 4);
    EXPECT_GE(pause.before, 5);
    EXPECT_LE(pause.before, kLastStep - 10);
    EXPECT_GE(pause.after, pause.before);
    EXPECT_LE(pause.after, pause.before + 5);
    int last = -1;
    for (int s : steps) last = std::max(last, s);
    EXPECT_GE(last, kLastStep - 2) << "the piece did not play on to its end";
}

TEST_P(SoundDevice, AStopDuringAPauseEndsThePlay)
{
    std::string output;
    ASSERT_EQ(Run("start,wait 1000,pause,wait 300,stop,end", output), 0) << output;
    EXPECT_NE(output.find("> stop\nstate MV_STOPPED\n= 0\n"), std::string::npos) << output;
}

INSTANTIATE_TEST_SUITE_P(Players, SoundDevice,
                         ::testing::Values(Player{"Brisko_rave", BRISKO_PLUGIN_PATH, "steps.mp3"},
                                           Player{"Plimsa_rave", PLIMSA_PLUGIN_PATH, "steps.wav"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
