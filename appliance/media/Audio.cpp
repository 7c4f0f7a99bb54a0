// The channel's side of the audio output, and the mixer steps both sets of mixer rules use.
#include "media/AudioChannel.h"

#include "media/SyncFailure.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

using namespace qnx;

namespace {

constexpr const char *kModule = "Audio";
// Messages, as the module prints them (each followed by a line end).
constexpr const char *kPcmOpenFailed = "snd_pcm_open failed: %s ";
constexpr const char *kPluginInfoFailed = "snd_pcm_plugin_info failed: %s";
constexpr const char *kNotOpen = "Audio: no open playback channel";
constexpr const char *kParamsFailed = "snd_pcm_plugin_params failed: %s";
constexpr const char *kPrepareFailed = "snd_pcm_plugin_prepare failed: %s";
constexpr const char *kSetupFailed = "snd_pcm_plugin_setup failed: %s";
constexpr const char *kStatusFailed = "snd_pcm_plugin_status failed: %s";
constexpr const char *kWriteError = "snd_pcm_plugin_write error: %s";
// The same line's start, for a device unplugged or a sound server that ended.
constexpr const char *kDeviceGone = "snd_pcm_plugin_write error: the sound device went away";
constexpr const char *kDrainFailed = "snd_pcm_plugin_playback_drain failed: %s";
constexpr const char *kFlushFailed = "snd_pcm_plugin_flush failed: %s";
constexpr const char *kCloseFlushFailed = "snd_pcm_plugin_plugin_flush failed: %s";
constexpr const char *kCloseFailed = "snd_pcm_close failed: %s";
constexpr const char *kCtlOpenError = "snd_ctl_open error: %s";
constexpr const char *kHwInfoError = "snd_ctl_hw_info error: %s";
constexpr const char *kMixerOpenError = "snd_mixer_open error: %s";
constexpr const char *kMixerInfoError = "snd_mixer_info error: %s";
constexpr const char *kCtlFdError = "snd_ctl_file_descriptor error: %s";
constexpr const char *kMixerFdError = "snd_mixer_file_descriptor error: %s";
constexpr const char *kGroupReadError = " snd_mixer_group_read error: %s";
constexpr const char *kGroupWriteError = " snd_mixer_group_write error: %s";
constexpr const char *kMixerCloseFailed = "snd_mixer_close failed: %s";
constexpr const char *kCtlCloseError = " snd_ctl_close error: %s";

void Lock(AudioDevice *dev, std::source_location where = std::source_location::current())
{
    CheckSync(pthread_mutex_lock(&dev->mutex), "Audio pthread_mutex_lock of mutex", kModule, where);
}

void Unlock(AudioDevice *dev, std::source_location where = std::source_location::current())
{
    CheckSync(pthread_mutex_unlock(&dev->mutex), "Audio pthread_mutex_unlock  of mutex", kModule, where);
}

// The value of silence in a sample format: the middle of the range for unsigned formats.
std::vector<unsigned char> Silence(int format, size_t length)
{
    std::vector<unsigned char> block(length, 0);
    if (format == SND_PCM_SFMT_U8) {
        std::fill(block.begin(), block.end(), 0x80);
    } else if (format == SND_PCM_SFMT_U16_LE || format == SND_PCM_SFMT_U16_BE) {
        size_t high = format == SND_PCM_SFMT_U16_LE ? 1 : 0;
        for (size_t i = high; i < length; i += 2)
            block[i] = 0x80;
    }
    return block;
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

int ReadStatus(AudioDevice *dev)
{
    dev->status = {};
    dev->status.channel = SND_PCM_CHANNEL_PLAYBACK;
    int result = snd_pcm_plugin_status(dev->pcm_handle, &dev->status);
    if (result < 0)
        ReportAudioFailure(dev, kStatusFailed, snd_strerror(result));
    return result;
}

// Prepares the channel again after an underrun and reads its setup.
bool Recover(AudioDevice *dev)
{
    int result = snd_pcm_plugin_prepare(dev->pcm_handle, SND_PCM_CHANNEL_PLAYBACK);
    if (result == -ENODEV) {
        ReportAudioFailure(dev, "%s", kDeviceGone);
        return false;
    }
    if (result < 0) {
        ReportAudioFailure(dev, kPrepareFailed, snd_strerror(result));
        return false;
    }
    dev->setup.channel = SND_PCM_CHANNEL_PLAYBACK;
    result = snd_pcm_plugin_setup(dev->pcm_handle, &dev->setup);
    if (result < 0) {
        ReportAudioFailure(dev, kSetupFailed, snd_strerror(result));
        return false;
    }
    return true;
}

}  // namespace

void ReportAudioFailure(AudioDevice *dev, const char *format, ...)
{
    char text[sizeof dev->errtext];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (!dev || !dev->quiet)
        std::fprintf(stderr, "%s\n", text);
    if (dev)
        std::memcpy(dev->errtext, text, sizeof text);
}

AudioHandleUse::AudioHandleUse(AudioDevice *dev, bool exclusive) : dev_(dev)
{
    CheckSync(exclusive ? pthread_rwlock_wrlock(&dev->handleLock) : pthread_rwlock_rdlock(&dev->handleLock),
              "Audio pthread_rwlock_lock of handles", kModule);
}

AudioHandleUse::~AudioHandleUse()
{
    CheckSync(pthread_rwlock_unlock(&dev_->handleLock), "Audio pthread_rwlock_unlock of handles", kModule);
}

int OpenPcmChannel(AudioDevice *dev, int card, int device)
{
    AudioHandleUse use(dev, true);
    dev->state = 0;
    dev->bOutputOff = 0;
    dev->pcm_handle = nullptr;
    dev->mixer_handle = nullptr;
    dev->ctl_handle = nullptr;
    dev->errtext[0] = '\0';
    dev->card = card;
    dev->device = device;
    int result = snd_pcm_open(&dev->pcm_handle, card, device, SND_PCM_OPEN_PLAYBACK);
    if (result < 0) {
        ReportAudioFailure(dev, kPcmOpenFailed, snd_strerror(result));
        dev->pcm_handle = nullptr;
        return -1;
    }
    dev->pi = {};
    dev->pi.channel = SND_PCM_CHANNEL_PLAYBACK;
    result = snd_pcm_plugin_info(dev->pcm_handle, &dev->pi);
    if (result < 0) {
        ReportAudioFailure(dev, kPluginInfoFailed, snd_strerror(result));
        snd_pcm_close(dev->pcm_handle);
        dev->pcm_handle = nullptr;
        return -1;
    }
    return 0;
}

int SetUpPcmChannel(AudioDevice *dev, int rate, int voices, int bits, int format, int fragsMax, int fragSize,
                    int startMode)
{
    AudioHandleUse use(dev, true);
    dev->bytesWritten = dev->bytesSinceDrain = 0;
    if (!dev->pcm_handle) {
        ReportAudioFailure(dev, "%s", kNotOpen);
        return -1;
    }
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
    dev->bytesPerSample = BytesPerSample(bits);
    int result = snd_pcm_plugin_params(dev->pcm_handle, &dev->pp);
    if (result < 0) {
        ReportAudioFailure(dev, kParamsFailed, snd_strerror(result));
        return -1;
    }
    result = snd_pcm_plugin_prepare(dev->pcm_handle, SND_PCM_CHANNEL_PLAYBACK);
    if (result < 0)
        ReportAudioFailure(dev, kPrepareFailed, snd_strerror(result));
    dev->setup = {};
    dev->setup.channel = SND_PCM_CHANNEL_PLAYBACK;
    result = snd_pcm_plugin_setup(dev->pcm_handle, &dev->setup);
    if (result < 0) {
        ReportAudioFailure(dev, kSetupFailed, snd_strerror(result));
        return -1;
    }
    ReadStatus(dev);
    return 0;
}

int WriteAudioData(AudioDevice *dev, const void *data, int len)
{
    if (!dev || !data || len <= 0)
        return 0;
    Lock(dev);
    AudioHandleUse use(dev, false);
    if (!dev->pcm_handle) {
        Unlock(dev);
        return 0;
    }
    ssize_t written = snd_pcm_plugin_write(dev->pcm_handle, data, static_cast<size_t>(len));
    if (written < len) {
        int saved = written < 0 ? static_cast<int>(-written) : errno;
        if (saved == ENODEV) {
            ReportAudioFailure(dev, "%s", kDeviceGone);
            Unlock(dev);
            return 0;
        }
        ReadStatus(dev);
        if (dev->status.status != SND_PCM_STATUS_READY && dev->status.status != SND_PCM_STATUS_UNDERRUN) {
            ReportAudioFailure(dev, kWriteError, std::strerror(saved ? saved : EIO));
            Unlock(dev);
            return 0;
        }
        if (!Recover(dev)) {
            Unlock(dev);
            return 0;
        }
        written = snd_pcm_plugin_write(dev->pcm_handle, data, static_cast<size_t>(len));
        if (written < len) {
            Unlock(dev);
            return 0;
        }
    }
    dev->bytesWritten += static_cast<uint64_t>(len);
    dev->bytesSinceDrain += static_cast<uint64_t>(len);
    Unlock(dev);
    return len;
}

int DrainAudioDevice(AudioDevice *dev)
{
    if (!dev)
        return 0;
    Lock(dev);
    {
        AudioHandleUse use(dev, false);
        if (dev->pcm_handle) {
            int result = snd_pcm_plugin_playback_drain(dev->pcm_handle);
            if (result < 0)
                ReportAudioFailure(dev, kDrainFailed, snd_strerror(result));
            dev->bytesWritten = dev->bytesSinceDrain = 0;
        }
    }
    Unlock(dev);
    return 0;
}

int FlushAudioDevice(AudioDevice *dev)
{
    if (!dev)
        return 0;
    AudioHandleUse use(dev, false);
    if (!dev->pcm_handle)
        return 0;
    int result = snd_pcm_plugin_flush(dev->pcm_handle, SND_PCM_CHANNEL_PLAYBACK);
    if (result < 0)
        ReportAudioFailure(dev, kFlushFailed, snd_strerror(result));
    else
        dev->bytesWritten += static_cast<uint64_t>(result);
    return 0;
}

int ConvertBytesToMS(AudioDevice *dev, int bytes)
{
    if (!dev)
        return 0;
    const int64_t divisor =
        static_cast<int64_t>(dev->setup.format.rate / 100) * dev->setup.format.voices * dev->bytesPerSample;
    return divisor > 0 ? static_cast<int>(static_cast<int64_t>(bytes) * 10 / divisor) : 0;
}

int GetAudioTimeInBuffer(AudioDevice *dev)
{
    if (!dev)
        return 0;
    AudioHandleUse use(dev, false);
    if (!dev->pcm_handle || ReadStatus(dev) < 0)
        return 0;
    return ConvertBytesToMS(dev, dev->status.count);
}

int GetAudioBytesInBuffer(AudioDevice *dev)
{
    if (!dev)
        return 0;
    AudioHandleUse use(dev, false);
    if (!dev->pcm_handle || ReadStatus(dev) < 0)
        return 0;
    const uint64_t fragment = static_cast<uint64_t>(dev->setup.buf.block.frag_size);
    const uint64_t partial = fragment ? dev->bytesSinceDrain % fragment : 0;
    return static_cast<int>(partial) + dev->status.count;
}

void ClosePcmChannel(AudioDevice *dev)
{
    {
        AudioHandleUse use(dev, false);
        if (!dev->pcm_handle)
            return;
        const uint64_t fragment = static_cast<uint64_t>(std::max(0, dev->setup.buf.block.frag_size));
        if (fragment > 0) {
            // Complete the last fragment, so that it plays out whole (a whole fragment when it was).
            const size_t padding = static_cast<size_t>(fragment - dev->bytesSinceDrain % fragment);
            std::vector<unsigned char> silence = Silence(dev->pp.format.format, padding);
            snd_pcm_plugin_write_padding(dev->pcm_handle, silence.data(), silence.size());
            dev->bytesWritten += padding;
            dev->bytesSinceDrain += padding;
        }
        int result = snd_pcm_plugin_flush(dev->pcm_handle, SND_PCM_CHANNEL_PLAYBACK);
        if (result < 0)
            ReportAudioFailure(dev, kCloseFlushFailed, snd_strerror(result));
    }
    AudioHandleUse use(dev, true);
    dev->state = 2;
    int result = snd_pcm_close(dev->pcm_handle);
    if (result < 0)
        ReportAudioFailure(dev, kCloseFailed, snd_strerror(result));
    dev->pcm_handle = nullptr;
}

void CloseMixerHandles(AudioDevice *dev)
{
    if (dev->mixer_handle) {
        int result = snd_mixer_close(dev->mixer_handle);
        if (result < 0)
            ReportAudioFailure(dev, kMixerCloseFailed, snd_strerror(result));
    }
    if (dev->ctl_handle) {
        int result = snd_ctl_close(dev->ctl_handle);
        if (result < 0)
            ReportAudioFailure(dev, kCtlCloseError, snd_strerror(result));
    }
    dev->mixer_handle = nullptr;
    dev->ctl_handle = nullptr;
    dev->mixer_fd = dev->ctl_fd = -1;
}

void OpenMixerHandles(AudioDevice *dev)
{
    int result = snd_ctl_open(&dev->ctl_handle, dev->card);
    if (result < 0) {
        ReportAudioFailure(dev, kCtlOpenError, snd_strerror(result));
        dev->ctl_handle = nullptr;
    }
    result = snd_ctl_hw_info(dev->ctl_handle, &dev->hwinfo);
    if (result < 0)
        ReportAudioFailure(dev, kHwInfoError, snd_strerror(result));
    result = snd_mixer_open(&dev->mixer_handle, dev->card, dev->pi.mixer_device);
    if (result < 0) {
        ReportAudioFailure(dev, kMixerOpenError, snd_strerror(result));
        dev->mixer_handle = nullptr;
    }
    result = snd_mixer_info(dev->mixer_handle, &dev->mixerinfo);
    if (result < 0)
        ReportAudioFailure(dev, kMixerInfoError, snd_strerror(result));
    dev->ctl_fd = snd_ctl_file_descriptor(dev->ctl_handle);
    if (dev->ctl_fd < 0)
        ReportAudioFailure(dev, kCtlFdError, snd_strerror(dev->ctl_fd));
    dev->mixer_fd = snd_mixer_file_descriptor(dev->mixer_handle);
    if (dev->mixer_fd < 0)
        ReportAudioFailure(dev, kMixerFdError, snd_strerror(dev->mixer_fd));
    dev->group = {};
    dev->group.gid = dev->pi.mixer_gid;
    result = snd_mixer_group_read(dev->mixer_handle, &dev->group);
    if (result < 0)
        ReportAudioFailure(dev, kGroupReadError, snd_strerror(result));
}

int WriteMixerGroup(AudioDevice *dev)
{
    int result = snd_mixer_group_write(dev->mixer_handle, &dev->group);
    if (result < 0) {
        // Heard by the user of either kind of player: printed even by a quiet device.
        const unsigned char quiet = dev->quiet;
        dev->quiet = 0;
        ReportAudioFailure(dev, kGroupWriteError, snd_strerror(result));
        dev->quiet = quiet;
    }
    return result < 0 ? result : 0;
}

int Audio_BufferLock(AudioDevice *dev)
{
    Lock(dev);
    return 0;
}

int Audio_BufferUnLock(AudioDevice *dev)
{
    Unlock(dev);
    return 0;
}
