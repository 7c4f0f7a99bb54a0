#include "DirectAudio.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "CoreMessages.h"
#include "PlimsaCore.h"

namespace {

constexpr int kFragmentSize = 4096;
constexpr int kFragments = 2;
constexpr int kDirectStartMode = 0;
constexpr const char* kAudioDirectoryVariable = "AUDIO";
constexpr const char* kDefaultAudioDirectory = "/dev";
constexpr const char* kPcmDeviceName = "pcm00";
constexpr size_t kLongestDevicePath = 1022;
constexpr uint32_t kNotSet = 0xFFFFFFFF;

}  // namespace

namespace plimsa::core {

// The card and device the plug-in plays through: the direct digital output when it is switched on
// and set, else the first PCM playback device of the settings.
void ChoosePlaybackDevice(int& card, int& device) {
    const MvAudioMediaInfo& audio = g_Setup.audio;
    const bool digital =
        bDirectDigitalAudioOn && audio.spdifPlaybackCard != kNotSet && audio.spdifPlaybackDevice != kNotSet;
    card = static_cast<int>(digital ? audio.spdifPlaybackCard : audio.pcmPlaybackCardA);
    device = static_cast<int>(digital ? audio.spdifPlaybackDevice : audio.pcmPlaybackDeviceA);
}

}  // namespace plimsa::core

extern "C" {

MvAudioHandle* MvAudioOpen() {
    auto* handle = new (std::nothrow) MvAudioHandle{};
    if (!handle) return nullptr;
    handle->pcmFd = -1;
    handle->secondFd = -1;
    int card = 0, device = 0;
    plimsa::core::ChoosePlaybackDevice(card, device);
    if (OpenAudioDevice(&handle->device, card, device) == 0)
        handle->pcmFd = qnx::snd_pcm_file_descriptor(handle->device.pcm_handle, qnx::SND_PCM_CHANNEL_PLAYBACK);
    return handle;
}

void MvAudioClose(MvAudioHandle* handle) {
    if (!handle) return;
    DestroyAudioDevice(&handle->device);
    delete handle;
}

int MvAudioPcmSetParams(MvAudioHandle* handle, const MvAudioPcmFormat* format) {
    if (!handle || !format) return -1;
    return InitAudioDevice(&handle->device, static_cast<int>(format->rate), format->channels,
                           MvAudioBitsPerSample(format->format), MvAudioFormat(format->format), kFragments,
                           kFragmentSize, kDirectStartMode);
}

int MvAudioPcmWrite(MvAudioHandle* handle, const void* data, int length) {
    if (handle) WriteAudioData(&handle->device, data, length);
    return length;
}

int MvAudioPcmDrain(MvAudioHandle* handle) {
    if (!handle || !handle->device.pcm_handle) return -1;
    return qnx::snd_pcm_playback_drain(handle->device.pcm_handle);
}

int MvGetAudioTimeInBuffer(MvAudioHandle* handle) { return handle ? GetAudioTimeInBuffer(&handle->device) : 0; }

int MvGetAudioBytesInBuffer(MvAudioHandle* handle) { return handle ? GetAudioBytesInBuffer(&handle->device) : 0; }

int MvAudioBitsPerSample(int format) {
    switch (format) {
    case MV_AUDIO_U8:
    case MV_AUDIO_S8: return 8;
    case MV_AUDIO_U16_LE:
    case MV_AUDIO_U16_BE:
    case MV_AUDIO_S16_LE:
    case MV_AUDIO_S16_BE: return 16;
    default: return -1;
    }
}

int MvAudioFormat(int format) { return format >= MV_AUDIO_U8 && format <= MV_AUDIO_S16_BE ? format : -1; }

int opendev(const char* name, int flags) {
    const char* directory = std::getenv(kAudioDirectoryVariable);
    const std::string folder = directory ? directory : kDefaultAudioDirectory;
    const std::string file = name ? name : "";
    if (folder.size() + file.size() >= kLongestDevicePath) {
        errno = ENAMETOOLONG;
        return -1;
    }
    return open((folder + "/" + file).c_str(), flags);
}

int openpcm(int flags) {
    const int fd = opendev(kPcmDeviceName, flags);
    std::fputs(plimsa::core::messages::kOpenPcmCalled, stdout);
    return fd;
}

}  // extern "C"
