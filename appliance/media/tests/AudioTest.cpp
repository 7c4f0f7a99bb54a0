#include "media/Audio.h"

#include "qnx/SimulatedSound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <cerrno>
#include <vector>

// What the plug-in containing the audio module provides.
MvSetup g_Setup;
unsigned char bIsMute = 0;
static std::vector<int> g_volumeReports;
static std::mutex g_reportMutex;
int SetVeloraVolume(int volume)
{
    std::lock_guard lock(g_reportMutex);  // reports come from more than one thread
    g_volumeReports.push_back(volume);
    return volume;
}

namespace {

using qnx::SimulatedSound;

class AudioTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim = SimulatedSound::Install();
        sim->SetAutoAdvance(true);
        sim->SetMixerRange(0, 31);
        g_Setup = MvSetup{};
        g_Setup.audio.volume = 50;
        bIsMute = 0;
        g_volumeReports.clear();
    }
    void TearDown() override
    {
        sim->SetAutoAdvance(true);  // closing plays out what is queued
        DestroyAudioDevice(&dev);
        SimulatedSound::Uninstall();
    }

    void Open(int format = qnx::SND_PCM_SFMT_S16_LE, int bits = 16, int rate = 44100, int voices = 2,
              int startMode = qnx::SND_PCM_START_FULL)
    {
        ASSERT_EQ(OpenAudioDevice(&dev, 0, 0), 0);
        ASSERT_EQ(InitAudioDevice(&dev, rate, voices, bits, format, 4, 16384, startMode), 0);
    }

    std::shared_ptr<SimulatedSound> sim;
    AudioDevice dev;
};

TEST_F(AudioTest, VolumeFollowsTheSettingsAndTheGroupsRange)
{
    Open();
    int left, right;
    sim->Levels(left, right);
    EXPECT_EQ(left, 16);  // (31 * 50 + 50) / 100
    EXPECT_EQ(right, 16);
    EXPECT_EQ(g_volumeReports, std::vector<int>{50});
    EXPECT_EQ(dev.volume, 50);
    EXPECT_EQ(GET_VOLUME(&dev), 51);
    EXPECT_EQ(GET_BALANCE(&dev), 0);

    // Another program moves the levels: the change is followed and reported.
    sim->SetLevels(15, 31);
    mixer_update();
    EXPECT_EQ(g_volumeReports, (std::vector<int>{50, 100}));
    EXPECT_EQ(g_Setup.audio.volume, 100u);
    EXPECT_EQ(GET_BALANCE(&dev), 51);
    // Setting a volume keeps the balance.
    SET_VOLUME(&dev, 50);
    sim->Levels(left, right);
    EXPECT_EQ(left, 8);
    EXPECT_EQ(right, 16);
    SET_BALANCE(&dev, -40);  // stored in the record only
    EXPECT_EQ(dev.group.volume.names.front_left, 16);
    EXPECT_EQ(dev.group.volume.names.front_right, 10);
    sim->Levels(left, right);
    EXPECT_EQ(right, 16);
}

TEST_F(AudioTest, RearEntriesFollowWhenTheGroupHasThem)
{
    sim->SetMixerChannels(1 | 2 | 8);
    Open();
    auto group = sim->MixerGroup();
    EXPECT_EQ(group.volume.values[3], 16);
    EXPECT_EQ(group.volume.values[4], 16);
}

TEST_F(AudioTest, VolumeAboveHundredAndMuteBeforeOpenReportNothing)
{
    g_Setup.audio.volume = 150;
    Open();
    int left, right;
    sim->Levels(left, right);
    EXPECT_EQ(left, 31);
    EXPECT_TRUE(g_volumeReports.empty());
    DestroyAudioDevice(&dev);

    g_Setup.audio.volume = 80;
    bIsMute = 1;
    Open();
    sim->Levels(left, right);
    EXPECT_EQ(left, 0);
    EXPECT_EQ(right, 0);
    EXPECT_TRUE(g_volumeReports.empty());
}

TEST_F(AudioTest, OneRetryAfterAnUnderrun)
{
    Open();
    std::vector<unsigned char> block(4000, 7);
    EXPECT_EQ(WriteAudioData(&dev, block.data(), 4000), 4000);
    sim->InjectUnderrun();
    int prepares = sim->Prepares();
    EXPECT_EQ(WriteAudioData(&dev, block.data(), 4000), 4000);
    EXPECT_EQ(sim->Prepares(), prepares + 1);
    EXPECT_EQ(sim->QueuedBytes(), 4000u);

    // A second short write after the retry gives 0; a short write while playing is an error.
    sim->InjectUnderrun();
    sim->InjectShortWrite(0, 2);
    EXPECT_EQ(WriteAudioData(&dev, block.data(), 4000), 0);
    testing::internal::CaptureStderr();
    sim->InjectShortWrite(100);
    EXPECT_EQ(WriteAudioData(&dev, block.data(), 4000), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr().rfind("snd_pcm_plugin_write error: ", 0), 0u);
    EXPECT_EQ(WriteAudioData(&dev, nullptr, 10), 0);
}

TEST_F(AudioTest, ClosingCompletesTheLastFragmentWithSilence)
{
    Open();
    std::vector<unsigned char> block(10000, 0x11);
    WriteAudioData(&dev, block.data(), 10000);
    DestroyAudioDevice(&dev);
    auto written = sim->Written();
    ASSERT_EQ(written.size(), 16384u);
    EXPECT_TRUE(std::all_of(written.begin() + 10000, written.end(), [](unsigned char b) { return b == 0; }));
    EXPECT_FALSE(sim->IsOpen());
    EXPECT_EQ(GetAudioTimeInBuffer(&dev), 0);

    sim = SimulatedSound::Install();
    sim->SetAutoAdvance(true);
    Open();
    std::vector<unsigned char> whole(16384, 0x22);
    WriteAudioData(&dev, whole.data(), 16384);
    DestroyAudioDevice(&dev);
    EXPECT_EQ(sim->Written().size(), 32768u);

    // Unsigned formats are padded with their own silence.
    sim = SimulatedSound::Install();
    sim->SetAutoAdvance(true);
    Open(qnx::SND_PCM_SFMT_U8, 8, 8000, 1);
    WriteAudioData(&dev, block.data(), 100);
    DestroyAudioDevice(&dev);
    written = sim->Written();
    ASSERT_EQ(written.size(), 16384u);
    EXPECT_TRUE(std::all_of(written.begin() + 100, written.end(), [](unsigned char b) { return b == 0x80; }));

    sim = SimulatedSound::Install();
    sim->SetAutoAdvance(true);
    Open(qnx::SND_PCM_SFMT_U16_LE, 16, 8000, 1);
    WriteAudioData(&dev, block.data(), 100);
    DestroyAudioDevice(&dev);
    written = sim->Written();
    EXPECT_EQ(written[100], 0x00);
    EXPECT_EQ(written[101], 0x80);
}

TEST_F(AudioTest, QueuedTimeAndBytesAndDrain)
{
    sim->SetAutoAdvance(false);
    Open(qnx::SND_PCM_SFMT_S16_LE, 16, 8000, 1, qnx::SND_PCM_START_DATA);
    std::vector<unsigned char> block(1600, 1);
    WriteAudioData(&dev, block.data(), 1600);
    EXPECT_EQ(GetAudioTimeInBuffer(&dev), 100);
    EXPECT_EQ(GetAudioBytesInBuffer(&dev), 3200);  // 1600 of the open fragment + 1600 queued
    sim->Advance(std::chrono::milliseconds(50));
    EXPECT_EQ(GetAudioTimeInBuffer(&dev), 50);
    EXPECT_EQ(ConvertBytesToMS(&dev, 16000), 1000);
    DrainAudioDevice(&dev);
    EXPECT_EQ(dev.bytesSinceDrain, 0u);
    EXPECT_EQ(GetAudioTimeInBuffer(&dev), 0);
    // After the drain the next write prepares the channel again.
    EXPECT_EQ(WriteAudioData(&dev, block.data(), 1600), 1600);
}

TEST_F(AudioTest, DeviceFailuresAreReportedAndNothingEnds)
{
    sim->FailNextOpen(-ENODEV);
    testing::internal::CaptureStderr();
    EXPECT_EQ(OpenAudioDevice(&dev, 0, 0), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "snd_pcm_open failed: No such device \n");
    EXPECT_STREQ(dev.errtext, "snd_pcm_open failed: No such device ");
    EXPECT_EQ(InitAudioDevice(&dev, 44100, 2, 16, qnx::SND_PCM_SFMT_S16_LE, 4, 16384, 2), -1);
    EXPECT_EQ(WriteAudioData(&dev, "x", 1), 0);
    EXPECT_EQ(DestroyAudioDevice(&dev), 0);

    ASSERT_EQ(OpenAudioDevice(&dev, 0, 0), 0);
    testing::internal::CaptureStderr();
    EXPECT_EQ(InitAudioDevice(&dev, 44100, 2, 16, 99, 4, 16384, 2), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "snd_pcm_plugin_params failed: Invalid argument\n");
}

TEST_F(AudioTest, QueriesAndVolumeFromAnotherThreadMeetAClosingDevice)
{
    std::atomic<bool> done{false};
    std::thread host([&] {
        while (!done) {
            GetAudioTimeInBuffer(&dev);
            GetAudioBytesInBuffer(&dev);
            SET_VOLUME(&dev, 40);
            DrainAudioDevice(&dev);
            mixer_update();
        }
    });
    testing::internal::CaptureStderr();
    std::vector<unsigned char> block(3000, 5);
    for (int i = 0; i < 200; ++i) {
        Open();
        WriteAudioData(&dev, block.data(), 3000);
        DestroyAudioDevice(&dev);
    }
    done = true;
    host.join();
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(sim->IsOpen());
}

}  // namespace
