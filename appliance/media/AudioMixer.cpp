// The media plug-ins' rules for the audio output's mixer: the start volume from g_Setup (0 when
// muted), volume reports through SetVeloraVolume, and one device whose mixer mixer_update reads.
#include "media/Audio.h"

#include "media/MixerGroup.h"

using namespace qnx;

namespace {

constexpr const char *kNoMixerRead = "could not initialize snd_mixer_read";

// The device whose mixer is open; mixer_update works on it.
AudioDevice *MyAudio = nullptr;

// Writes the group's levels to the mixer; handles held by the caller.
void WriteVolume(AudioDevice *dev, int volume)
{
    if (!dev->pcm_handle || !dev->mixer_handle)
        return;
    StoreMixerGroupLevels(dev->group, volume, GET_BALANCE(dev));
    if (WriteMixerGroup(dev) == 0)
        dev->volume = volume;
}

void mixer_callback_group(void *data, int event, snd_mixer_gid_t *)
{
    auto *dev = static_cast<AudioDevice *>(data);
    if (event != SND_MIXER_READ_GROUP_VALUE || !dev || !dev->mixer_handle)
        return;
    if (snd_mixer_group_read(dev->mixer_handle, &dev->group) < 0)
        return;
    int volume = GET_VOLUME(dev);
    g_Setup.audio.volume = static_cast<uint32_t>(volume);
    if (volume != dev->volume) {
        dev->volume = volume;
        dev->volumeToReport = volume;
    }
}

}  // namespace

int OpenAudioDevice(AudioDevice *dev, int card, int device)
{
    return OpenPcmChannel(dev, card, device);
}

int InitAudioDevice(AudioDevice *dev, int rate, int voices, int bits, int format, int fragsMax, int fragSize,
                    int startMode)
{
    if (SetUpPcmChannel(dev, rate, voices, bits == 8 ? 8 : 16, format, fragsMax, fragSize, startMode) != 0)
        return -1;
    OpenMixer(dev);
    dev->state = 1;
    return 0;
}

int DestroyAudioDevice(AudioDevice *dev)
{
    if (!dev)
        return 0;
    Audio_BufferLock(dev);
    {
        AudioHandleUse use(dev, true);
        if (!dev->pcm_handle) {
            Audio_BufferUnLock(dev);
            return 0;
        }
        if (MyAudio == dev)
            MyAudio = nullptr;
        CloseMixerHandles(dev);
    }
    ClosePcmChannel(dev);
    Audio_BufferUnLock(dev);
    return 0;
}

int OpenMixer(AudioDevice *dev)
{
    if (!dev)
        return 0;
    int report = -1;
    {
        AudioHandleUse use(dev, true);
        if (!dev->pcm_handle)
            return 0;
        OpenMixerHandles(dev);
        if (bIsMute) {
            WriteVolume(dev, 0);
        } else if (g_Setup.audio.volume <= 100) {
            report = static_cast<int>(g_Setup.audio.volume);
            WriteVolume(dev, report);
            dev->volume = report;
        } else {
            WriteVolume(dev, 100);
        }
        MyAudio = dev;
    }
    if (report >= 0)
        SetVeloraVolume(report);
    return 0;
}

int CloseMixer(AudioDevice *dev)
{
    if (!dev)
        return 0;
    AudioHandleUse use(dev, true);
    CloseMixerHandles(dev);
    return 0;
}

int GET_VOLUME(AudioDevice *dev)
{
    return MixerGroupVolume(dev->group);
}

int GET_BALANCE(AudioDevice *dev)
{
    return MixerGroupBalance(dev->group);
}

int SET_VOLUME(AudioDevice *dev, int volume)
{
    if (!dev)
        return 0;
    AudioHandleUse use(dev, false);
    WriteVolume(dev, volume);
    return 0;
}

int SET_BALANCE(AudioDevice *dev, int balance)
{
    if (!dev)
        return 0;
    StoreMixerGroupLevels(dev->group, GET_VOLUME(dev), balance);
    return 0;
}

int mixer_update()
{
    AudioDevice *dev = MyAudio;
    int report = -1;
    if (dev) {
        AudioHandleUse use(dev, false);
        if (dev->mixer_handle) {
            snd_mixer_callbacks_t callbacks{};
            callbacks.private_data = dev;
            callbacks.group = mixer_callback_group;
            dev->volumeToReport = -1;
            snd_mixer_read(dev->mixer_handle, &callbacks);
            report = dev->volumeToReport;
        } else {
            dev = nullptr;
        }
    }
    if (!dev) {
        ReportAudioFailure(nullptr, "%s", kNoMixerRead);
        return 0;
    }
    if (report >= 0)
        SetVeloraVolume(report);
    return 0;
}
