#include "qnx/SimulatedSound.h"
#include "qnx/asoundlib.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <thread>
#include <vector>

using namespace qnx;
using namespace std::chrono_literals;

namespace {

// 8000 Hz mono 16-bit: 16 bytes a millisecond.
snd_pcm_t *OpenChannel(int startMode, int fragSize = 1600, int frags = 2)
{
    snd_pcm_t *pcm = nullptr;
    EXPECT_EQ(snd_pcm_open(&pcm, 0, 0, SND_PCM_OPEN_PLAYBACK), 0);
    snd_pcm_channel_params_t params{};
    params.channel = SND_PCM_CHANNEL_PLAYBACK;
    params.mode = SND_PCM_MODE_BLOCK;
    params.start_mode = startMode;
    params.format = {1, SND_PCM_SFMT_S16_LE, 8000, 1};
    params.buf.block = {fragSize, 1, frags};
    EXPECT_EQ(snd_pcm_plugin_params(pcm, &params), 0);
    EXPECT_EQ(snd_pcm_plugin_prepare(pcm, SND_PCM_CHANNEL_PLAYBACK), 0);
    return pcm;
}

snd_pcm_channel_status_t StatusOf(snd_pcm_t *pcm)
{
    snd_pcm_channel_status_t status{};
    status.channel = SND_PCM_CHANNEL_PLAYBACK;
    EXPECT_EQ(snd_pcm_plugin_status(pcm, &status), 0);
    return status;
}

class SimulatedSoundTest : public ::testing::Test {
protected:
    void SetUp() override { sim = SimulatedSound::Install(); }
    void TearDown() override { SimulatedSound::Uninstall(); }
    std::shared_ptr<SimulatedSound> sim;
};

TEST_F(SimulatedSoundTest, PlaysOutAtTheStreamRateOnTheTestClock)
{
    snd_pcm_t *pcm = OpenChannel(SND_PCM_START_DATA);
    std::vector<unsigned char> block(1600, 1);
    EXPECT_EQ(snd_pcm_plugin_write(pcm, block.data(), block.size()), 1600);
    EXPECT_EQ(StatusOf(pcm).status, SND_PCM_STATUS_RUNNING);
    EXPECT_EQ(StatusOf(pcm).count, 1600);
    sim->Advance(25ms);
    EXPECT_EQ(StatusOf(pcm).count, 1200);
    EXPECT_EQ(sim->PlayedBytes(), 400u);
    sim->Advance(75ms);
    EXPECT_EQ(StatusOf(pcm).count, 0);
    EXPECT_EQ(StatusOf(pcm).status, SND_PCM_STATUS_RUNNING);
    // Time past the end of the queue is an underrun; writing then takes nothing until prepared.
    sim->Advance(1ms);
    EXPECT_EQ(StatusOf(pcm).status, SND_PCM_STATUS_UNDERRUN);
    EXPECT_EQ(StatusOf(pcm).underrun, 1);
    EXPECT_EQ(snd_pcm_plugin_write(pcm, block.data(), block.size()), 0);
    EXPECT_EQ(snd_pcm_plugin_prepare(pcm, SND_PCM_CHANNEL_PLAYBACK), 0);
    EXPECT_EQ(snd_pcm_plugin_write(pcm, block.data(), block.size()), 1600);
    snd_pcm_close(pcm);
}

TEST_F(SimulatedSoundTest, StartsWhenFullAndBlocksWritersUntilThereIsRoom)
{
    snd_pcm_t *pcm = OpenChannel(SND_PCM_START_FULL);
    std::vector<unsigned char> block(3200, 2);
    EXPECT_EQ(snd_pcm_plugin_write(pcm, block.data(), 1000), 1000);
    sim->Advance(1000ms);
    EXPECT_EQ(StatusOf(pcm).status, SND_PCM_STATUS_PREPARED);  // not started: nothing played
    EXPECT_EQ(StatusOf(pcm).count, 1000);
    ssize_t written = 0;
    std::thread writer([&] { written = snd_pcm_plugin_write(pcm, block.data(), 3200); });
    while (sim->QueuedBytes() < 3200)
        std::this_thread::yield();
    EXPECT_EQ(StatusOf(pcm).status, SND_PCM_STATUS_RUNNING);
    sim->Advance(100ms);  // 1600 bytes play, the rest of the block goes in
    writer.join();
    EXPECT_EQ(written, 3200);
    EXPECT_EQ(sim->QueuedBytes(), 2600u);
    snd_pcm_close(pcm);
}

TEST_F(SimulatedSoundTest, InjectedShortWritesUnderrunsAndFailedOpens)
{
    snd_pcm_t *pcm = OpenChannel(SND_PCM_START_DATA);
    std::vector<unsigned char> block(800, 3);
    sim->InjectShortWrite(100);
    EXPECT_EQ(snd_pcm_plugin_write(pcm, block.data(), block.size()), 100);
    EXPECT_EQ(snd_pcm_plugin_write(pcm, block.data(), block.size()), 800);
    sim->InjectUnderrun();
    EXPECT_EQ(StatusOf(pcm).status, SND_PCM_STATUS_UNDERRUN);
    EXPECT_EQ(StatusOf(pcm).count, 0);
    snd_pcm_close(pcm);
    EXPECT_FALSE(sim->IsOpen());

    sim->FailNextOpen(-EBUSY);
    snd_pcm_t *failed = nullptr;
    EXPECT_EQ(snd_pcm_open(&failed, 0, 0, SND_PCM_OPEN_PLAYBACK), -EBUSY);
    EXPECT_EQ(failed, nullptr);
    EXPECT_STREQ(snd_strerror(-EBUSY), "Device or resource busy");
}

TEST_F(SimulatedSoundTest, FlushPlaysOutAndDrainDiscards)
{
    sim->SetAutoAdvance(true);
    snd_pcm_t *pcm = OpenChannel(SND_PCM_START_FULL);
    std::vector<unsigned char> block(1000, 4);
    snd_pcm_plugin_write(pcm, block.data(), block.size());
    EXPECT_EQ(snd_pcm_plugin_flush(pcm, SND_PCM_CHANNEL_PLAYBACK), 0);
    EXPECT_EQ(sim->PlayedBytes(), 1000u);
    EXPECT_EQ(sim->Now(), 62500us);
    EXPECT_EQ(StatusOf(pcm).status, SND_PCM_STATUS_READY);

    snd_pcm_plugin_prepare(pcm, SND_PCM_CHANNEL_PLAYBACK);
    snd_pcm_plugin_write(pcm, block.data(), block.size());
    EXPECT_EQ(snd_pcm_plugin_playback_drain(pcm), 0);
    EXPECT_EQ(StatusOf(pcm).count, 0);
    EXPECT_EQ(sim->PlayedBytes(), 1000u);
    EXPECT_EQ(sim->Drains(), 1);
    EXPECT_EQ(sim->Written().size(), 2000u);
    snd_pcm_close(pcm);
}

TEST_F(SimulatedSoundTest, MixerGroupsAndChangeEvents)
{
    sim->SetMixerRange(0, 31);
    snd_mixer_t *mine = nullptr, *other = nullptr;
    ASSERT_EQ(snd_mixer_open(&mine, 0, 0), 0);
    ASSERT_EQ(snd_mixer_open(&other, 0, 0), 0);
    snd_mixer_info_t info{};
    EXPECT_EQ(snd_mixer_info(mine, &info), 0);
    EXPECT_EQ(info.groups, 1u);

    snd_mixer_gid_t ids[4];
    snd_mixer_groups_t groups{4, 0, 0, ids};
    EXPECT_EQ(snd_mixer_groups(mine, &groups), 0);
    ASSERT_EQ(groups.groups, 1);
    EXPECT_STREQ(ids[0].name, "PCM");

    snd_mixer_group_t group{};
    group.gid = ids[0];
    EXPECT_EQ(snd_mixer_group_read(mine, &group), 0);
    EXPECT_EQ(group.max, 31);
    group.volume.names.front_left = 10;
    group.volume.names.front_right = 20;
    EXPECT_EQ(snd_mixer_group_write(mine, &group), 0);

    // Every open mixer, the writer included, learns of the change through its descriptor.
    struct Seen {
        int events = 0;
        int code = -1;
    } seen;
    snd_mixer_callbacks_t callbacks{};
    callbacks.private_data = &seen;
    callbacks.group = [](void *data, int code, snd_mixer_gid_t *) {
        auto *s = static_cast<Seen *>(data);
        ++s->events;
        s->code = code;
    };
    pollfd pfd{snd_mixer_file_descriptor(other), POLLIN, 0};
    EXPECT_EQ(poll(&pfd, 1, 0), 1);
    EXPECT_EQ(snd_mixer_read(other, &callbacks), 1);
    EXPECT_EQ(snd_mixer_read(other, &callbacks), 0);
    EXPECT_EQ(snd_mixer_read(mine, &callbacks), 1);
    EXPECT_EQ(seen.events, 2);
    EXPECT_EQ(seen.code, SND_MIXER_READ_GROUP_VALUE);

    sim->SetLevels(31, 0);
    EXPECT_EQ(snd_mixer_read(mine, &callbacks), 1);
    snd_mixer_group_read(mine, &group);
    EXPECT_EQ(group.volume.names.front_left, 31);
    EXPECT_EQ(group.volume.names.front_right, 0);

    // A write made to fail changes nothing; the one after it goes through.
    EXPECT_EQ(sim->OpenMixers(), 2);
    sim->FailMixerWrites(-EIO);
    group.volume.names.front_left = 5;
    EXPECT_EQ(snd_mixer_group_write(mine, &group), -EIO);
    EXPECT_EQ(sim->MixerGroup().volume.names.front_left, 31);
    EXPECT_EQ(snd_mixer_group_write(mine, &group), 0);
    EXPECT_EQ(sim->MixerGroup().volume.names.front_left, 5);

    snd_mixer_gid_t unknown{};
    std::strcpy(unknown.name, "Bass");
    group.gid = unknown;
    EXPECT_LT(snd_mixer_group_read(mine, &group), 0);
    snd_mixer_close(mine);
    snd_mixer_close(other);
    EXPECT_EQ(sim->OpenMixers(), 0);
}

TEST_F(SimulatedSoundTest, ControlDeviceAndGroupSorting)
{
    snd_ctl_t *ctl = nullptr;
    ASSERT_EQ(snd_ctl_open(&ctl, 0), 0);
    snd_ctl_hw_info_t info{};
    EXPECT_EQ(snd_ctl_hw_info(ctl, &info), 0);
    EXPECT_EQ(info.pcmdevs, 1u);
    EXPECT_GE(snd_ctl_file_descriptor(ctl), 0);
    EXPECT_EQ(snd_ctl_close(ctl), 0);
    EXPECT_LT(snd_ctl_open(&ctl, 3), 0);
    EXPECT_EQ(snd_cards(), 1);

    snd_mixer_gid_t list[3]{};
    std::strcpy(list[0].name, "Line");
    std::strcpy(list[1].name, "Zoom");
    std::strcpy(list[2].name, "Master");
    snd_mixer_sort_gid_table(list, 3, snd_mixer_default_weights);
    EXPECT_STREQ(list[0].name, "Master");
    EXPECT_STREQ(list[1].name, "Line");
    EXPECT_STREQ(list[2].name, "Zoom");
}

}  // namespace
