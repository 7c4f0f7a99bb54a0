#include "PluginAudio.h"

#include <algorithm>
#include <cstdlib>

#include "PlayerContext.h"
#include "media/MixerGroup.h"
#include "photon/PtApp.h"

using namespace qnx;

namespace briskoplugin {
namespace {

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

int OpenAudioDevice(PluginAudioDevice *dev, int card, int device)
{
    dev->quiet = 1;
    dev->mute = 0;
    return OpenPcmChannel(dev, card, device);
}

int InitAudioDevice(PluginAudioDevice *dev, int rate, int voices, int bits, int format, int fragsMax, int fragSize,
                    int startMode)
{
    if (SetUpPcmChannel(dev, rate, voices, bits, format, fragsMax, fragSize, startMode) != 0) return -1;
    // A channel without a mixer group cannot follow the mixer.
    if (dev->setup.mixer_gid.type == 0 && dev->setup.mixer_gid.name[0] == '\0') return -1;
    OpenMixer(dev);
    dev->state = 1;
    return 0;
}

int DestroyAudioDevice(PluginAudioDevice *dev)
{
    if (!dev || !dev->pcm_handle) return 0;
    if (std::getenv(kMuteOnClose)) SET_VOLUME(dev, 0);
    CloseMixer(dev);
    Audio_BufferLock(dev);
    ClosePcmChannel(dev);
    Audio_BufferUnLock(dev);
    return 0;
}

int OpenMixer(PluginAudioDevice *dev)
{
    if (!dev || !dev->pcm_handle) return 0;
    GuiLock lock;
    {
        AudioHandleUse use(dev, true);
        OpenMixerHandles(dev);
    }
    if (!dev->mixer_handle) return 0;
    if (dev->mixer_fd >= 0) photon::PtAppAddFd(nullptr, dev->mixer_fd, photon::Pt_FD_READ, mixer_update, dev);
    const int volume = dev->mute ? 0 : std::min(dev->volume, 100);
    SET_VOLUME(dev, volume);
    SET_BALANCE(dev, dev->balance);
    // Our own writes are not news: the levels just set are those reported already.
    dev->volume = dev->mute ? dev->volume : volume;
    return 0;
}

int CloseMixer(PluginAudioDevice *dev)
{
    if (!dev) return 0;
    GuiLock lock;
    if (dev->mixer_fd >= 0) photon::PtAppRemoveFd(nullptr, dev->mixer_fd);
    AudioHandleUse use(dev, true);
    CloseMixerHandles(dev);
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
    return WriteMixerGroup(dev) == 0 ? 0 : -1;
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
