// The player's audio output on the simulated card: changes another program makes to the mixer
// reach the player once per change (through the GUI loop's input handler), balance in percent,
// mute on close, silence of the right value, and the volume and balance rules.
#include <gtest/gtest.h>

#include <cstdlib>
#include <mutex>
#include <vector>

#include "PlayerContext.h"
#include "photon/PtApp.h"
#include "qnx/SimulatedSound.h"

namespace {

using briskoplugin::PluginAudioDevice;

struct Heard {
    int volume;
    int balance;
};
std::vector<Heard> g_heard;

void Record(MvPluginCtrl *, uint32_t mask, const MvPluginStatus *status)
{
    if ((mask & MVS_MEDIA) && status->media_info && (status->media_info->which & MV_MEDIA_AUDIO_INFO))
        g_heard.push_back({static_cast<int>(status->media_info->audio->volume),
                           static_cast<int32_t>(status->media_info->audio->reserve_2)});
}

class MixerFollowing : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_heard.clear();
        sim = qnx::SimulatedSound::Install();
        sim->SetAutoAdvance(true);
        ctrl.cb = Record;
        ctrl.setup.audio.volume = 60;
        ASSERT_EQ(briskoplugin::CreatePlayerContext(&ctrl), 0);
        dev = &briskoplugin::Context(&ctrl)->audio;
    }
    void TearDown() override
    {
        briskoplugin::DestroyAudioDevice(dev);  // a device a test left open
        ctrl.calls->terminate(&ctrl);
        photon::PtLeave(0);
        qnx::SimulatedSound::Uninstall();
        unsetenv("AUDIOMUTEONCLOSE");
    }
    void Open(int format = qnx::SND_PCM_SFMT_S16_LE, int bits = 16)
    {
        ASSERT_EQ(briskoplugin::OpenAudioDevice(dev, 0, 0), 0);
        dev->volume = 60;
        dev->balance = 0;
        ASSERT_EQ(briskoplugin::InitAudioDevice(dev, 44100, 2, bits, format, 4, 16384, qnx::SND_PCM_START_FULL), 0);
    }
    // The GUI loop handles what is pending, the mixer's changes among it.
    static void Loop() { photon::PtBkgdHandlerProcess(); }

    MvPluginCtrl ctrl{};
    std::shared_ptr<qnx::SimulatedSound> sim;
    PluginAudioDevice *dev = nullptr;
};

TEST_F(MixerFollowing, ChangesByAnotherProgramAreReportedOncePerChange)
{
    Open();
    int left = 0, right = 0;
    sim->Levels(left, right);
    EXPECT_EQ(left, 60);
    EXPECT_EQ(right, 60);
    Loop();
    EXPECT_TRUE(g_heard.empty());  // the opening's own levels are no news

    sim->SetLevels(50, 100);
    Loop();
    ASSERT_EQ(g_heard.size(), 1u);
    EXPECT_EQ(g_heard[0].volume, 100);
    EXPECT_EQ(g_heard[0].balance, 50);
    sim->SetLevels(50, 100);  // the same again: nothing
    Loop();
    EXPECT_EQ(g_heard.size(), 1u);
    sim->SetLevels(100, 50);
    Loop();
    ASSERT_EQ(g_heard.size(), 2u);
    EXPECT_EQ(g_heard[1].volume, 100);
    EXPECT_EQ(g_heard[1].balance, -50);
    sim->SetLevels(0, 0);
    Loop();
    ASSERT_EQ(g_heard.size(), 3u);
    EXPECT_EQ(g_heard[2].volume, 0);
    EXPECT_EQ(g_heard[2].balance, 0);
    // The player keeps the last pair for the next opening.
    EXPECT_EQ(briskoplugin::Context(&ctrl)->setup.audio.volume, 0u);

    // After the device is closed its mixer is no longer followed.
    briskoplugin::DestroyAudioDevice(dev);
    sim->SetLevels(30, 30);
    Loop();
    EXPECT_EQ(g_heard.size(), 3u);
}

TEST_F(MixerFollowing, TheMixerOpensAtTheStoredVolumeAndBalanceOrMuted)
{
    ASSERT_EQ(briskoplugin::OpenAudioDevice(dev, 0, 0), 0);
    dev->volume = 80;
    dev->balance = 50;
    ASSERT_EQ(briskoplugin::InitAudioDevice(dev, 22050, 1, 16, qnx::SND_PCM_SFMT_S16_LE, 4, 16384, 2), 0);
    int left = 0, right = 0;
    sim->Levels(left, right);
    EXPECT_EQ(left, 40);
    EXPECT_EQ(right, 80);
    briskoplugin::DestroyAudioDevice(dev);

    ASSERT_EQ(briskoplugin::OpenAudioDevice(dev, 0, 0), 0);
    dev->mute = 1;
    dev->volume = 80;
    dev->balance = 0;
    ASSERT_EQ(briskoplugin::InitAudioDevice(dev, 22050, 1, 16, qnx::SND_PCM_SFMT_S16_LE, 4, 16384, 2), 0);
    sim->Levels(left, right);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 0);
}

TEST_F(MixerFollowing, MuteOnCloseEvenWithAnEmptyValue)
{
    setenv("AUDIOMUTEONCLOSE", "", 1);
    Open();
    briskoplugin::DestroyAudioDevice(dev);
    int left = -1, right = -1;
    sim->Levels(left, right);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 0);
}

TEST_F(MixerFollowing, TheLastFragmentIsCompletedWithSilenceOfTheFormat)
{
    std::vector<unsigned char> pcm(100, 0x40);
    Open(qnx::SND_PCM_SFMT_U8, 8);
    EXPECT_EQ(dev->bytesPerSample, 1);
    ASSERT_EQ(::WriteAudioData(dev, pcm.data(), 100), 100);
    briskoplugin::DestroyAudioDevice(dev);
    std::vector<unsigned char> out = sim->Written();
    ASSERT_EQ(out.size(), 16384u);
    EXPECT_TRUE(std::all_of(out.begin() + 100, out.end(), [](unsigned char b) { return b == 0x80; }));

    Open();
    ASSERT_EQ(::WriteAudioData(dev, pcm.data(), 100), 100);
    briskoplugin::DestroyAudioDevice(dev);
    out = sim->Written();
    ASSERT_EQ(out.size(), 2u * 16384u);
    EXPECT_TRUE(std::all_of(out.begin() + 16384 + 100, out.end(), [](unsigned char b) { return b == 0; }));
    EXPECT_EQ(::WriteAudioData(nullptr, pcm.data(), 100), 0);
    EXPECT_EQ(::WriteAudioData(dev, pcm.data(), 100), 0);  // closed
}

TEST(PluginAudioRules, BalanceAndVolumeArithmetic)
{
    PluginAudioDevice dev;
    dev.group.min = 0;
    dev.group.max = 100;
    auto levels = [&](int l, int r) {
        dev.group.volume.values[qnx::SND_MIXER_CHN_FRONT_LEFT] = l;
        dev.group.volume.values[qnx::SND_MIXER_CHN_FRONT_RIGHT] = r;
    };
    levels(50, 100);
    EXPECT_EQ(briskoplugin::GET_BALANCE(&dev), 50);
    EXPECT_EQ(briskoplugin::GET_VOLUME(&dev), 100);
    levels(100, 50);
    EXPECT_EQ(briskoplugin::GET_BALANCE(&dev), -50);
    levels(0, 0);
    EXPECT_EQ(briskoplugin::GET_BALANCE(&dev), 0);
    // Without a device nothing is set.
    EXPECT_EQ(briskoplugin::SET_VOLUME(&dev, 50), -1);
    EXPECT_EQ(briskoplugin::SET_BALANCE(&dev, 10), -1);
}

TEST_F(MixerFollowing, VolumeFiftyOnARangeOfThirtyOne)
{
    sim->SetMixerRange(0, 31);
    Open();
    ASSERT_EQ(briskoplugin::SET_VOLUME(dev, 50), 0);
    const qnx::snd_mixer_group_t g = sim->MixerGroup();
    EXPECT_EQ(g.volume.values[qnx::SND_MIXER_CHN_FRONT_LEFT], 16);
    EXPECT_EQ(g.volume.values[qnx::SND_MIXER_CHN_FRONT_RIGHT], 16);
}

}  // namespace
