#include "PluginAudio.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "PlayerContext.h"
#include "media/MixerGroup.h"
#include "photon/PtApp.h"

using namespace qnx;

namespace briskoplugin {
namespace {

constexpr const char *kGroupWriteError = " snd_mixer_group_write error: %s\n";
constexpr const char *kMuteOnClose = "AUDIOMUTEONCLOSE";

// Holds the GUI library lock for a scope (nothing when the thread holds it already).
class GuiLock {
public:
    GuiLock() : taken_(photon::PtEnter(0)) {}
    ~GuiLock() { photon::PtLeave(taken_); }
    GuiLock(const GuiLock &) = delete;
    GuiLock &operator=(const GuiLock &) = delete;

private:
    int taken_;
};

bool IsSignedFormat(int format)
{
    switch (format) {
    case 1: case 4: case 5: case 8: case 9: case 12: case 13: return true;
    default: return false;
    }
}

int BytesPerSample(int bits)
{
    switch (bits) {
    case 8: return 1;
    case 24: return 3;
    case 32: return 4;
    default: return 2;
    }
}

int ReadStatus(PluginAudioDevice *dev)
{
    dev->status = {};
    dev->status.channel = SND_PCM_CHANNEL_PLAYBACK;
    return snd_pcm_plugin_status(dev->pcm_handle, &dev->status);
}

void mixer_callback_group(void *data, int event, snd_mixer_gid_t *)
{
    auto *dev = static_cast<PluginAudioDevice *>(data);
    if (event != SND_MIXER_READ_GROUP_VALUE || !dev->mixer_handle) return;
    if (snd_mixer_group_read(dev->mixer_handle, &dev->group) < 0) return;
    const int volume = GET_VOLUME(dev);
    const int balance = GET_BALANCE(dev);
    const bool changed = volume != dev->volume || balance != dev->balance;
    dev->volume = volume;
    dev->balance = balance;
    if (changed) SetPlayerVolume(dev->ctrl, volume, balance);
}

}  // namespace

int Audio_BufferLock(PluginAudioDevice *dev)
{
    return pthread_mutex_lock(&dev->mutex) == 0 ? 0 : -1;
}

int Audio_BufferUnLock(PluginAudioDevice *dev)
{
    return pthread_mutex_unlock(&dev->mutex) == 0 ? 0 : -1;
}

int OpenAudioDevice(PluginAudioDevice *dev, int card, int device)
{
    Audio_BufferLock(dev);
    dev->state = 0;
    dev->bOutputOff = 0;
    dev->mute = 0;
    dev->mixer_handle = nullptr;
    dev->ctl_handle = nullptr;
    dev->card = card;
    dev->device = device;
    dev->pcm_handle = nullptr;
    int result = snd_pcm_open(&dev->pcm_handle, card, device, SND_PCM_OPEN_PLAYBACK);
    if (result >= 0) {
        dev->pi = {};
        dev->pi.channel = SND_PCM_CHANNEL_PLAYBACK;
        result = snd_pcm_plugin_info(dev->pcm_handle, &dev->pi);
        if (result < 0) snd_pcm_close(dev->pcm_handle);
    }
    if (result < 0) dev->pcm_handle = nullptr;
    Audio_BufferUnLock(dev);
    return result < 0 ? -1 : 0;
}

int InitAudioDevice(PluginAudioDevice *dev, int rate, int voices, int bits, int format, int fragsMax, int fragSize,
                    int startMode)
{
    Audio_BufferLock(dev);
    dev->bytesWritten = dev->bytesSinceDrain = 0;
    bool ok = dev->pcm_handle != nullptr;
    if (ok) {
        snd_pcm_plugin_set_disable(dev->pcm_handle, PLUGIN_DISABLE_MMAP);
        dev->pp = {};
        dev->pp.channel = SND_PCM_CHANNEL_PLAYBACK;
        dev->pp.mode = SND_PCM_MODE_BLOCK;
        dev->pp.start_mode = startMode;
        dev->pp.stop_mode = SND_PCM_STOP_STOP;
        dev->pp.buf.block.frag_size = fragSize;
        dev->pp.buf.block.frags_min = 1;
        dev->pp.buf.block.frags_max = fragsMax;
        dev->pp.format.interleave = 1;
        dev->pp.format.format = format;
        dev->pp.format.rate = rate;
        dev->pp.format.voices = voices;
        dev->signedFormat = IsSignedFormat(format) ? 1 : 0;
        dev->bytesPerSample = BytesPerSample(bits);
        ok = snd_pcm_plugin_params(dev->pcm_handle, &dev->pp) >= 0;
    }
    if (ok) {
        snd_pcm_plugin_prepare(dev->pcm_handle, SND_PCM_CHANNEL_PLAYBACK);
        dev->setup = {};
        dev->setup.channel = SND_PCM_CHANNEL_PLAYBACK;
        dev->setup.mixer_gid = {};
        ok = snd_pcm_plugin_setup(dev->pcm_handle, &dev->setup) >= 0;
    }
    // A channel without a mixer group cannot follow the mixer.
    if (ok) ok = dev->setup.mixer_gid.type != 0 || dev->setup.mixer_gid.name[0] != '\0';
    if (ok) ReadStatus(dev);
    Audio_BufferUnLock(dev);
    if (!ok) return -1;
    OpenMixer(dev);
    dev->state = 1;
    return 0;
}

int WriteAudioData(PluginAudioDevice *dev, const void *data, int len)
{
    if (!dev || !data || len <= 0) return 0;
    Audio_BufferLock(dev);
    int result = 0;
    if (dev->pcm_handle) {
        ssize_t written = snd_pcm_plugin_write(dev->pcm_handle, data, static_cast<size_t>(len));
        if (written < len && ReadStatus(dev) >= 0 &&
            (dev->status.status == SND_PCM_STATUS_READY || dev->status.status == SND_PCM_STATUS_UNDERRUN) &&
            snd_pcm_plugin_prepare(dev->pcm_handle, SND_PCM_CHANNEL_PLAYBACK) >= 0) {
            dev->setup.channel = SND_PCM_CHANNEL_PLAYBACK;
            if (snd_pcm_plugin_setup(dev->pcm_handle, &dev->setup) >= 0)
                written = snd_pcm_plugin_write(dev->pcm_handle, data, static_cast<size_t>(len));
        }
        if (written >= len) {
            dev->bytesWritten += static_cast<uint64_t>(len);
            dev->bytesSinceDrain += static_cast<uint64_t>(len);
            result = len;
        }
    }
    Audio_BufferUnLock(dev);
    return result;
}

int DrainAudioDevice(PluginAudioDevice *dev)
{
    if (!dev) return 0;
    Audio_BufferLock(dev);
    if (dev->pcm_handle) {
        snd_pcm_plugin_playback_drain(dev->pcm_handle);
        dev->bytesWritten = dev->bytesSinceDrain = 0;
    }
    Audio_BufferUnLock(dev);
    return 0;
}

int FlushAudioDevice(PluginAudioDevice *dev)
{
    if (!dev) return 0;
    Audio_BufferLock(dev);
    if (dev->pcm_handle) {
        const int result = snd_pcm_plugin_flush(dev->pcm_handle, SND_PCM_CHANNEL_PLAYBACK);
        if (result > 0) dev->bytesWritten += static_cast<uint64_t>(result);
    }
    Audio_BufferUnLock(dev);
    return 0;
}

int ConvertBytesToMS(PluginAudioDevice *dev, int bytes)
{
    if (!dev) return 0;
    const int64_t divisor =
        static_cast<int64_t>(dev->setup.format.rate / 100) * dev->setup.format.voices * dev->bytesPerSample;
    return divisor > 0 ? static_cast<int>(static_cast<int64_t>(bytes) * 10 / divisor) : 0;
}

int GetAudioTimeInBuffer(PluginAudioDevice *dev)
{
    if (!dev) return 0;
    Audio_BufferLock(dev);
    const int count = dev->pcm_handle && ReadStatus(dev) >= 0 ? dev->status.count : 0;
    Audio_BufferUnLock(dev);
    return ConvertBytesToMS(dev, count);
}

int GetAudioBytesInBuffer(PluginAudioDevice *dev)
{
    if (!dev) return 0;
    Audio_BufferLock(dev);
    int bytes = 0;
    if (dev->pcm_handle && ReadStatus(dev) >= 0) {
        const uint64_t fragment = static_cast<uint64_t>(std::max(0, dev->setup.buf.block.frag_size));
        bytes = static_cast<int>(fragment ? dev->bytesSinceDrain % fragment : 0) + dev->status.count;
    }
    Audio_BufferUnLock(dev);
    return bytes;
}

int DestroyAudioDevice(PluginAudioDevice *dev)
{
    if (!dev || !dev->pcm_handle) return 0;
    const uint64_t fragment = static_cast<uint64_t>(std::max(0, dev->setup.buf.block.frag_size));
    Audio_BufferLock(dev);
    if (fragment > 0) {
        // The last fragment is completed with silence so that it plays out whole.
        const size_t padding = static_cast<size_t>(fragment - dev->bytesSinceDrain % fragment);
        std::vector<unsigned char> silence(padding, dev->signedFormat ? 0x00 : 0x80);
        snd_pcm_plugin_write_padding(dev->pcm_handle, silence.data(), silence.size());
        dev->bytesWritten += padding;
        dev->bytesSinceDrain += padding;
    }
    Audio_BufferUnLock(dev);
    if (std::getenv(kMuteOnClose)) SET_VOLUME(dev, 0);
    CloseMixer(dev);
    Audio_BufferLock(dev);
    snd_pcm_plugin_flush(dev->pcm_handle, SND_PCM_CHANNEL_PLAYBACK);
    dev->state = 2;
    snd_pcm_close(dev->pcm_handle);
    dev->pcm_handle = nullptr;
    Audio_BufferUnLock(dev);
    return 0;
}

int OpenMixer(PluginAudioDevice *dev)
{
    if (!dev || !dev->pcm_handle) return 0;
    GuiLock lock;
    if (snd_ctl_open(&dev->ctl_handle, dev->card) < 0) dev->ctl_handle = nullptr;
    if (dev->ctl_handle) snd_ctl_hw_info(dev->ctl_handle, &dev->hwinfo);
    if (snd_mixer_open(&dev->mixer_handle, dev->card, dev->pi.mixer_device) < 0) {
        dev->mixer_handle = nullptr;
        return 0;
    }
    snd_mixer_info(dev->mixer_handle, &dev->mixerinfo);
    dev->ctl_fd = dev->ctl_handle ? snd_ctl_file_descriptor(dev->ctl_handle) : -1;
    dev->mixer_fd = snd_mixer_file_descriptor(dev->mixer_handle);
    if (dev->mixer_fd >= 0) photon::PtAppAddFd(nullptr, dev->mixer_fd, photon::Pt_FD_READ, mixer_update, dev);
    dev->group = {};
    dev->group.gid = dev->pi.mixer_gid;
    snd_mixer_group_read(dev->mixer_handle, &dev->group);
    const int volume = dev->mute ? 0 : std::min(dev->volume, 100);
    const int balance = dev->balance;
    SET_VOLUME(dev, volume);
    SET_BALANCE(dev, balance);
    // Our own writes are not news: the levels just set are those reported already.
    dev->volume = dev->mute ? dev->volume : volume;
    return 0;
}

int CloseMixer(PluginAudioDevice *dev)
{
    if (!dev) return 0;
    GuiLock lock;
    if (dev->mixer_fd >= 0) photon::PtAppRemoveFd(nullptr, dev->mixer_fd);
    if (dev->mixer_handle) snd_mixer_close(dev->mixer_handle);
    if (dev->ctl_handle) snd_ctl_close(dev->ctl_handle);
    dev->mixer_handle = nullptr;
    dev->ctl_handle = nullptr;
    dev->mixer_fd = dev->ctl_fd = -1;
    return 0;
}

int mixer_update(int, void *data, unsigned)
{
    auto *dev = static_cast<PluginAudioDevice *>(data);
    if (dev && dev->mixer_handle) {
        snd_mixer_callbacks_t callbacks{};
        callbacks.private_data = dev;
        callbacks.group = mixer_callback_group;
        snd_mixer_read(dev->mixer_handle, &callbacks);
    }
    return 0;
}

int GET_VOLUME(PluginAudioDevice *dev)
{
    return MixerGroupVolume(dev->group);
}

int GET_BALANCE(PluginAudioDevice *dev)
{
    return MixerGroupBalance(dev->group);
}

int SET_VOLUME(PluginAudioDevice *dev, int volume)
{
    if (!dev || !dev->pcm_handle || !dev->mixer_handle) return -1;
    StoreMixerGroupLevels(dev->group, volume, GET_BALANCE(dev));
    const int result = snd_mixer_group_write(dev->mixer_handle, &dev->group);
    if (result < 0) {
        std::fprintf(stderr, kGroupWriteError, snd_strerror(result));
        return -1;
    }
    return 0;
}

int SET_BALANCE(PluginAudioDevice *dev, int balance)
{
    if (!dev || !dev->pcm_handle || !dev->mixer_handle) return -1;
    StoreMixerGroupLevels(dev->group, GET_VOLUME(dev), balance);
    if (snd_mixer_group_write(dev->mixer_handle, &dev->group) < 0) return -1;
    dev->balance = balance;
    return 0;
}

}  // namespace briskoplugin
