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
    // the device is kept there. `dir`: the folder the played file is taken from.
    int Run(const std::string &commands, std::string &output, const SoundServer &on = *server,
            media::testing::WrittenSound *written = nullptr, const std::string &dir = kDir)
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
                                tap + "'" + MVHOST_PATH "' -c '" + commands + "' '" + p.plugin + "' '" + dir + "/" +
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
    EXPECT_NE(output.find("\nerror: snd_pcm_plugin_write error: the sound device went away"), std::string::npos)
        << output;
    EXPECT_EQ(output.find("Resource temporarily unavailable"), std::string::npos) << output;
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

// Each 50 ms window's RMS, in order.
std::vector<double> WindowLevels(const std::vector<int16_t> &stereo)
{
    const std::size_t window = media::testing::kRecordRate / 20 * 2;
    std::vector<double> levels;
    for (std::size_t at = 0; at + window <= stereo.size(); at += window) {
        double sum = 0;
        for (std::size_t i = at; i < at + window; ++i)
            sum += double(stereo[i]) * stereo[i];
        levels.push_back(std::sqrt(sum / window));
    }
    return levels;
}

// The windows' levels as dB below `full`, one number a window ("-" for silence), for a
// failure's message.
std::string LevelProfile(const std::vector<double> &windows, double full)
{
    std::string profile;
    for (double w : windows)
        profile += w < 50 ? std::string(" -") : " " + std::to_string(std::lround(20 * std::log10(w / full)));
    return profile;
}

// Volume and mute change what the player plays, and nothing else: the level recorded from the
// device falls with the volume and is silence when muted, the device's mixer is found (no mixer
// errors), and the sound server's own volume and mute, which every program plays at, are as they
// were before the player ran. The volume is heard loudness: 20 sounds a fifth as loud as 100,
// loudness halving with every 10 dB less, so its level is 23.2 dB below.
TEST_P(SoundDevice, VolumeAndMuteChangeWhatIsHeard)
{
    // The server's own volume is one no player would set.
    ASSERT_TRUE(server->Control(std::string("set-sink-volume ") + SoundServer::SinkName() + " 65%"));
    const std::string volumeBefore = server->SinkVolume(), muteBefore = server->SinkMute();
    ASSERT_NE(volumeBefore.find("65%"), std::string::npos) << volumeBefore;
    ASSERT_NE(muteBefore.find("no"), std::string::npos) << muteBefore;

    double levels[3] = {};
    std::vector<double> runs[3];  // each run's windows, for a failure's message
    const char *commands[3] = {"volume 100,start,wait 1500,stop", "volume 20,start,wait 1500,stop",
                               "mute 1,start,wait 1500,stop"};
    for (int i = 0; i < 3; ++i) {
        const std::string recording = kDir + "/" + GetParam().name + "-volume" + std::to_string(i) + ".raw";
        ASSERT_TRUE(server->StartRecording(recording));
        std::string output;
        const int status = Run(commands[i], output);
        server->StopRecording();
        // A mute before the start holds from the start, and is answered as taken.
        ASSERT_EQ(status, 0) << output;
        ASSERT_NE(output.find("state MV_PLAYING"), std::string::npos) << output;
        EXPECT_EQ(output.find("snd_mixer_group_read error"), std::string::npos) << output;
        EXPECT_EQ(output.find("snd_mixer_group_write error"), std::string::npos) << output;
        levels[i] = LoudestWindow(media::testing::ReadRecording(recording));
        runs[i] = WindowLevels(media::testing::ReadRecording(recording));
        EXPECT_EQ(server->SinkVolume(), volumeBefore) << commands[i];
        EXPECT_EQ(server->SinkMute(), muteBefore) << commands[i];
    }
    ASSERT_GT(levels[0], 1000) << "nothing was heard at full volume";
    const double db = 20 * std::log10(std::max(levels[1], 1.0) / levels[0]);
    EXPECT_NEAR(db, -23.2, 2.0) << levels[1] << " at volume 20, " << levels[0]
                                << " at 100; heard at 20:" << LevelProfile(runs[1], levels[0])
                                << "; at 100:" << LevelProfile(runs[0], levels[0]);
    EXPECT_LT(levels[2], levels[0] * 0.01)
        << levels[2] << " muted, " << levels[0] << " at full volume; heard:" << LevelProfile(runs[2], levels[0]);

    // A mute and a volume set while the piece plays act on it at once, and the server's own
    // settings stay as they were.
    // The first stretch is long and the piece longer, so that a player slow to start on a busy
    // machine is still heard at full volume, and a quick one still plays the quieter stretch.
    const std::string longer = kDir + "/longer";
    ASSERT_TRUE(media::testing::MakeSteppedFiles(longer, 6));
    const std::string recording = kDir + "/" + GetParam().name + "-live.raw";
    ASSERT_TRUE(server->StartRecording(recording));
    std::string output;
    const int status = Run("volume 100,start,wait 3000,mute 1,wait 1000,mute 0,volume 20,wait 1500,stop", output,
                           *server, nullptr, longer);
    server->StopRecording();
    ASSERT_EQ(status, 0) << output;
    EXPECT_EQ(server->SinkVolume(), volumeBefore);
    EXPECT_EQ(server->SinkMute(), muteBefore);
    // Full, then silence, then the quieter level: each 50 ms window's level in order. A gap of a
    // window or two while the piece plays loud (sound a busy machine delivered late) is no mute:
    // the mute is the first silent stretch of 8 windows or more.
    const std::vector<double> windows = WindowLevels(media::testing::ReadRecording(recording));
    const std::string heard = " in " + recording + ": " + LevelProfile(windows, levels[0]);
    const auto silent = [](double w) { return w < 50; };
    const auto loud = std::find_if(windows.begin(), windows.end(), [&](double w) { return w > levels[0] * 0.7; });
    auto muted = std::find_if(loud, windows.end(), silent);
    auto quieter = std::find_if_not(muted, windows.end(), silent);
    while (quieter != windows.end() && quieter - muted < 8) {
        muted = std::find_if(quieter, windows.end(), silent);
        quieter = std::find_if_not(muted, windows.end(), silent);
    }
    ASSERT_NE(quieter, windows.end()) << "no full, muted and quieter stretches heard" << heard;
    EXPECT_GE(quieter - muted, 8) << heard;
    const auto quiet = std::count_if(quieter, windows.end(),
                                     [&](double w) { return std::abs(20 * std::log10(w / levels[0]) + 23.2) < 2.5; });
    EXPECT_GE(quiet, 8) << heard;
}

INSTANTIATE_TEST_SUITE_P(Players, SoundDevice,
                         ::testing::Values(Player{"Brisko_rave", BRISKO_PLUGIN_PATH, "steps.mp3"},
                                           Player{"Plimsa_rave", PLIMSA_PLUGIN_PATH, "steps.wav"}),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
