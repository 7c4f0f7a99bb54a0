#include "SoundBackend.h"
#include "qnx/asoundlib.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

using namespace qnx;

namespace {

std::vector<unsigned char> ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The header's fields read on their own, not through wav/WavHeader.h: an independent check of the writer.
uint32_t Le(const std::vector<unsigned char> &b, size_t at, int bytes)
{
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | b[at + i];
    return v;
}

void Play(int format, int rate, int voices, const std::vector<unsigned char> &pcm)
{
    snd_pcm_t *handle = nullptr;
    ASSERT_EQ(snd_pcm_open(&handle, 0, 0, SND_PCM_OPEN_PLAYBACK), 0);
    snd_pcm_channel_params_t params{};
    params.channel = SND_PCM_CHANNEL_PLAYBACK;
    params.format = {1, format, rate, voices};
    params.start_mode = SND_PCM_START_FULL;
    params.buf.block = {4096, 1, 4};
    ASSERT_EQ(snd_pcm_plugin_params(handle, &params), 0);
    ASSERT_EQ(snd_pcm_plugin_prepare(handle, SND_PCM_CHANNEL_PLAYBACK), 0);
    EXPECT_EQ(snd_pcm_plugin_write(handle, pcm.data(), pcm.size()), static_cast<ssize_t>(pcm.size()));
    // The silence a device needs to complete its last fragment is not part of the stream.
    std::vector<unsigned char> padding(4096 - pcm.size() % 4096, 0);
    EXPECT_EQ(snd_pcm_plugin_write_padding(handle, padding.data(), padding.size()),
              static_cast<ssize_t>(padding.size()));
    EXPECT_EQ(snd_pcm_plugin_flush(handle, SND_PCM_CHANNEL_PLAYBACK), 0);
    snd_pcm_close(handle);
}

class WavSinkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        path = std::filesystem::temp_directory_path() / ("zephra-wav-" + std::to_string(getpid()) + ".wav");
        sound::InstallSink(sound::MakeWavSink(path.string()));
    }
    void TearDown() override
    {
        sound::InstallSink(nullptr);
        std::filesystem::remove(path);
        for (int n = 2; n <= 3; ++n)
            std::filesystem::remove(Numbered(n));
    }
    std::filesystem::path Numbered(int n) const
    {
        return path.parent_path() / (path.stem().string() + "-" + std::to_string(n) + ".wav");
    }
    std::filesystem::path path;
};

TEST_F(WavSinkTest, WritesExactlyThePcmPlayedWithACompleteHeader)
{
    std::vector<unsigned char> pcm;
    for (int i = 0; i < 1000; ++i)
        pcm.push_back(static_cast<unsigned char>(i * 7));
    Play(SND_PCM_SFMT_S16_LE, 22050, 2, pcm);
    Play(SND_PCM_SFMT_S16_LE, 22050, 2, pcm);  // same format: appended

    auto file = ReadFile(path);
    ASSERT_EQ(file.size(), 44u + 2000u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
    EXPECT_EQ(Le(file, 4, 4), 36u + 2000u);
    EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(Le(file, 20, 2), 1u);
    EXPECT_EQ(Le(file, 22, 2), 2u);
    EXPECT_EQ(Le(file, 24, 4), 22050u);
    EXPECT_EQ(Le(file, 28, 4), 22050u * 4);
    EXPECT_EQ(Le(file, 32, 2), 4u);
    EXPECT_EQ(Le(file, 34, 2), 16u);
    EXPECT_EQ(Le(file, 40, 4), 2000u);
    EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), file.begin() + 44));
}

// Sound of another format goes on in a numbered file beside the first ("x.wav", "x-2.wav",
// "x-3.wav"): every file keeps what was played in it.
TEST_F(WavSinkTest, AnotherFormatGoesOnInANumberedFileAndSignedBytesBecomeWavBytes)
{
    Play(SND_PCM_SFMT_S16_LE, 44100, 2, std::vector<unsigned char>(400, 1));
    Play(SND_PCM_SFMT_S8, 8000, 1, {0x00, 0x7F, 0x80, 0xFF});
    Play(SND_PCM_SFMT_S16_LE, 44100, 1, std::vector<unsigned char>(200, 2));
    sound::InstallSink(nullptr);
    const auto first = ReadFile(path);
    ASSERT_EQ(first.size(), 44u + 400u);
    EXPECT_EQ(Le(first, 22, 2), 2u);
    EXPECT_EQ(Le(first, 40, 4), 400u);
    EXPECT_EQ(std::vector<unsigned char>(first.begin() + 44, first.end()), std::vector<unsigned char>(400, 1));
    const auto second = ReadFile(Numbered(2));
    ASSERT_EQ(second.size(), 48u);
    EXPECT_EQ(Le(second, 24, 4), 8000u);
    EXPECT_EQ(Le(second, 34, 2), 8u);
    EXPECT_EQ(std::vector<unsigned char>(second.begin() + 44, second.end()),
              (std::vector<unsigned char>{0x80, 0xFF, 0x00, 0x7F}));
    const auto third = ReadFile(Numbered(3));
    ASSERT_EQ(third.size(), 44u + 200u);
    EXPECT_EQ(Le(third, 22, 2), 1u);
    EXPECT_EQ(Le(third, 24, 4), 44100u);
}

}  // namespace

// Players side by side: with "%d" in the path each channel opened has a file of its own, numbered
// in the order of opening, even while the first is still open.
TEST(WavSinkNumbered, EachChannelOpenedHasAFileOfItsOwn)
{
    const auto dir = std::filesystem::temp_directory_path() / ("zephra-wavn-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    sound::InstallSink(sound::MakeWavSink((dir / "out-%d.wav").string()));
    std::vector<unsigned char> first(400, 0x11), second(800, 0x22);
    snd_pcm_t *outer = nullptr;
    ASSERT_EQ(snd_pcm_open(&outer, 0, 0, SND_PCM_OPEN_PLAYBACK), 0);
    snd_pcm_channel_params_t params{};
    params.channel = SND_PCM_CHANNEL_PLAYBACK;
    params.format = {1, SND_PCM_SFMT_S16_LE, 8000, 1};
    params.buf.block = {4096, 1, 4};
    ASSERT_EQ(snd_pcm_plugin_params(outer, &params), 0);
    ASSERT_EQ(snd_pcm_plugin_prepare(outer, SND_PCM_CHANNEL_PLAYBACK), 0);
    ASSERT_EQ(snd_pcm_plugin_write(outer, first.data(), first.size()), 400);
    Play(SND_PCM_SFMT_S16_LE, 8000, 1, second);  // opened while the first is open
    snd_pcm_plugin_flush(outer, SND_PCM_CHANNEL_PLAYBACK);
    snd_pcm_close(outer);
    sound::InstallSink(nullptr);

    const auto one = ReadFile(dir / "out-1.wav");
    const auto two = ReadFile(dir / "out-2.wav");
    ASSERT_EQ(one.size(), 44u + 400u);
    ASSERT_EQ(two.size(), 44u + 800u);
    EXPECT_EQ(std::vector<unsigned char>(one.begin() + 44, one.end()), first);
    EXPECT_EQ(std::vector<unsigned char>(two.begin() + 44, two.end()), second);
    std::filesystem::remove_all(dir);
}

namespace {

// The null output plays nothing at a card's pace: what was written stays queued and empties at
// the stream's rate, and a flush waits for it. Asked to, it takes everything at once.
TEST(NullSinkTest, PlaysNothingAtACardsPaceUnlessAskedNotTo)
{
    for (const bool paced : {true, false}) {
        sound::InstallSink(sound::MakeNullSink(paced));
        snd_pcm_t *handle = nullptr;
        ASSERT_EQ(snd_pcm_open(&handle, 0, 0, SND_PCM_OPEN_PLAYBACK), 0);
        snd_pcm_channel_params_t params{};
        params.channel = SND_PCM_CHANNEL_PLAYBACK;
        params.format = {1, SND_PCM_SFMT_S16_LE, 8000, 1};
        params.start_mode = SND_PCM_START_FULL;
        params.buf.block = {1600, 1, 4};
        ASSERT_EQ(snd_pcm_plugin_params(handle, &params), 0);
        ASSERT_EQ(snd_pcm_plugin_prepare(handle, SND_PCM_CHANNEL_PLAYBACK), 0);
        // A fifth of a second of sound, four fragments: all taken (they fit), and still queued.
        const std::vector<unsigned char> pcm(6400, 0);
        EXPECT_EQ(snd_pcm_plugin_write(handle, pcm.data(), pcm.size()), 6400);
        snd_pcm_channel_status_t status{};
        status.channel = SND_PCM_CHANNEL_PLAYBACK;
        ASSERT_EQ(snd_pcm_plugin_status(handle, &status), 0);
        if (paced)
            EXPECT_GT(status.count, 0) << "the sound was gone at once";
        else
            EXPECT_EQ(status.count, 0);
        // The flush returns once all has played; nothing is queued after it.
        EXPECT_EQ(snd_pcm_plugin_flush(handle, SND_PCM_CHANNEL_PLAYBACK), 0);
        ASSERT_EQ(snd_pcm_plugin_status(handle, &status), 0);
        EXPECT_EQ(status.count, 0);
        snd_pcm_close(handle);
    }
    sound::InstallSink(nullptr);
}

// Without a sound device every open fails as ALSA's does, with the text the players show.
TEST(NoDeviceSinkTest, EveryOpenFails)
{
    sound::InstallSink(sound::MakeNoDeviceSink());
    snd_pcm_t *handle = nullptr;
    const int result = snd_pcm_open(&handle, 0, 0, SND_PCM_OPEN_PLAYBACK);
    EXPECT_EQ(result, -ENODEV);
    EXPECT_STREQ(snd_strerror(result), "No such device");
    EXPECT_EQ(handle, nullptr);
    sound::InstallSink(nullptr);
}

}  // namespace

namespace {

// A device without a volume element of its own gets the players' volume on its samples: each
// front channel by its level as heard loudness (20 of 100 a fifth as loud, 23.2 dB down; 50 half
// as loud, 10 dB down), nothing when muted, untouched at full level.
TEST(SoftVolumeTest, SamplesFollowTheLevelsAndMute)
{
    snd_mixer_group_t group{};
    group.min = 0;
    group.max = 100;
    group.volume.names.front_left = 20;
    group.volume.names.front_right = 100;
    const snd_pcm_format_t stereo{1, SND_PCM_SFMT_S16_LE, 44100, 2};
    const int16_t in[4] = {10000, 10000, -20000, -20000};
    int16_t pcm[4];
    std::memcpy(pcm, in, sizeof pcm);
    sound::ScaleSamples(reinterpret_cast<unsigned char *>(pcm), sizeof pcm, stereo, group);
    EXPECT_EQ(pcm[0], 690);
    EXPECT_EQ(pcm[1], 10000);
    EXPECT_EQ(pcm[2], -1380);
    EXPECT_EQ(pcm[3], -20000);

    group.mute = SND_MIXER_CHN_MASK_FRONT_LEFT | SND_MIXER_CHN_MASK_FRONT_RIGHT;
    std::memcpy(pcm, in, sizeof pcm);
    sound::ScaleSamples(reinterpret_cast<unsigned char *>(pcm), sizeof pcm, stereo, group);
    for (int16_t s : pcm)
        EXPECT_EQ(s, 0);

    group.mute = 0;
    group.volume.names.front_left = 50;
    const snd_pcm_format_t mono8{1, SND_PCM_SFMT_U8, 8000, 1};
    unsigned char bytes[3] = {128, 228, 28};
    sound::ScaleSamples(bytes, sizeof bytes, mono8, group);
    EXPECT_EQ(bytes[0], 128);
    EXPECT_EQ(bytes[1], 159);
    EXPECT_EQ(bytes[2], 96);
}

// The players' 0..100 as heard loudness, and its dB for an element with a dB scale: loudness
// halves with every 10 dB less.
TEST(SoftVolumeTest, LevelsAreHeardLoudness)
{
    EXPECT_DOUBLE_EQ(sound::LoudnessToDb(1.0), 0.0);
    EXPECT_NEAR(sound::LoudnessToDb(0.5), -10.0, 1e-9);
    EXPECT_NEAR(sound::LoudnessToDb(0.2), -23.22, 0.01);
    EXPECT_TRUE(std::isinf(sound::LoudnessToDb(0.0)));
    EXPECT_NEAR(sound::DbToLoudness(-23.22), 0.2, 0.001);
    EXPECT_DOUBLE_EQ(sound::DbToLoudness(3.0), 1.0);
    EXPECT_NEAR(sound::LoudnessGain(0.2), 0.069, 0.001);
    EXPECT_EQ(sound::LoudnessGain(0.0), 0.0);
    EXPECT_EQ(sound::LoudnessGain(1.0), 1.0);
}

}  // namespace
