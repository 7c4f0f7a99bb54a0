// The direct audio wrappers Plimsa_rave exports: raw PCM through the audio module, the sample
// format helpers, and the device files under AUDIO.
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "DirectAudio.h"
#include "PluginHost.h"

namespace plimsa::test {
namespace {

class DirectAudio : public PluginHost {
protected:
    template <typename Function>
    Function* Find(const char* name) {
        return reinterpret_cast<Function*>(dlsym(ctrl.dll_handle, name));
    }
    void TearDown() override {
        unsetenv("AUDIO");
        PluginHost::TearDown();
    }
};

TEST_F(DirectAudio, SampleFormats) {
    Load();
    auto* bits = Find<decltype(MvAudioBitsPerSample)>("MvAudioBitsPerSample");
    auto* format = Find<decltype(MvAudioFormat)>("MvAudioFormat");
    ASSERT_TRUE(bits && format);
    EXPECT_EQ(bits(0), 8);
    EXPECT_EQ(bits(1), 8);
    for (int code = 2; code <= 5; ++code) EXPECT_EQ(bits(code), 16);
    for (int code = 0; code <= 5; ++code) EXPECT_EQ(format(code), code);
    EXPECT_EQ(bits(6), -1);
    EXPECT_EQ(format(6), -1);
    EXPECT_EQ(bits(-1), -1);
}

TEST_F(DirectAudio, PlaysRawPcm) {
    Load();
    auto* open = Find<decltype(MvAudioOpen)>("MvAudioOpen");
    auto* setParams = Find<decltype(MvAudioPcmSetParams)>("MvAudioPcmSetParams");
    auto* write = Find<decltype(MvAudioPcmWrite)>("MvAudioPcmWrite");
    auto* bytesQueued = Find<decltype(MvGetAudioBytesInBuffer)>("MvGetAudioBytesInBuffer");
    auto* drain = Find<decltype(MvAudioPcmDrain)>("MvAudioPcmDrain");
    auto* closeAudio = Find<decltype(MvAudioClose)>("MvAudioClose");
    ASSERT_TRUE(open && setParams && write && bytesQueued && drain && closeAudio);

    sim->SetAutoAdvance(false);
    MvAudioHandle* handle = open();
    ASSERT_NE(handle, nullptr);
    EXPECT_GE(handle->pcmFd, 0);
    EXPECT_EQ(handle->secondFd, -1);
    const MvAudioPcmFormat format{MV_AUDIO_S16_LE, 2, 22050};
    EXPECT_EQ(setParams(handle, &format), 0);
    EXPECT_EQ(sim->LastParams().format.rate, 22050);
    EXPECT_EQ(sim->LastParams().format.voices, 2);
    const std::vector<uint8_t> pcm(1000, 0x11);
    EXPECT_EQ(write(handle, pcm.data(), static_cast<int>(pcm.size())), 1000);
    // The incomplete fragment and the queue, as the audio module counts them.
    EXPECT_EQ(bytesQueued(handle), 2000);
    EXPECT_EQ(sim->Written(), pcm);
    EXPECT_EQ(drain(handle), 0);
    EXPECT_EQ(sim->QueuedBytes(), 0u);
    sim->SetAutoAdvance(true);
    closeAudio(handle);
    EXPECT_FALSE(sim->IsOpen());
    closeAudio(nullptr);
}

TEST_F(DirectAudio, DeviceFilesUnderAudio) {
    Load();
    auto* opendevice = Find<decltype(opendev)>("opendev");
    auto* openpcmdevice = Find<decltype(openpcm)>("openpcm");
    ASSERT_TRUE(opendevice && openpcmdevice);
    std::ofstream(folder + "/pcm00") << "x";
    setenv("AUDIO", folder.c_str(), 1);
    ::testing::internal::CaptureStdout();
    const int fd = openpcmdevice(O_RDONLY);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "openpcm called\n");
    EXPECT_GE(fd, 0);
    close(fd);
    EXPECT_EQ(opendevice("missing", O_RDONLY), -1);

    const std::string longFolder(1020, 'd');
    setenv("AUDIO", longFolder.c_str(), 1);
    errno = 0;
    EXPECT_EQ(opendevice("pcm00", O_RDONLY), -1);
    EXPECT_EQ(errno, ENAMETOOLONG);
}

}  // namespace
}  // namespace plimsa::test
