// Channel book-keeping shared by the outputs that play what they are given at once.
#include "SoundBackend.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace qnx::sound {

BasicPcm::BasicPcm() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

BasicPcm::~BasicPcm()
{
    if (fd_ >= 0)
        close(fd_);
}

int BasicPcm::Info(snd_pcm_channel_info_t &info)
{
    int32_t channel = info.channel;
    info = {};
    info.channel = channel;
    std::strncpy(info.subname, "Zephra PCM", sizeof info.subname - 1);
    info.formats = (1u << SND_PCM_SFMT_U8) | (1u << SND_PCM_SFMT_S8) | (1u << SND_PCM_SFMT_U16_LE) |
                   (1u << SND_PCM_SFMT_U16_BE) | (1u << SND_PCM_SFMT_S16_LE) | (1u << SND_PCM_SFMT_S16_BE);
    info.min_rate = 4000;
    info.max_rate = 192000;
    info.min_voices = 1;
    info.max_voices = 8;
    info.min_fragment_size = 64;
    info.max_fragment_size = 1 << 20;
    info.max_buffer_size = 1 << 22;
    SoftGroupId(info.mixer_gid);
    return 0;
}

int BasicPcm::Params(const snd_pcm_channel_params_t &params)
{
    std::lock_guard lock(mutex_);
    if (FormatBytesPerSample(params.format.format) == 0 || params.format.rate <= 0 ||
        params.format.voices <= 0 || params.buf.block.frag_size <= 0 || params.buf.block.frags_max <= 0)
        return -EINVAL;
    params_ = params;
    haveParams_ = true;
    status_ = SND_PCM_STATUS_READY;
    return 0;
}

int BasicPcm::Prepare()
{
    std::lock_guard lock(mutex_);
    if (!haveParams_)
        return -EBADFD;
    status_ = SND_PCM_STATUS_PREPARED;
    return 0;
}

int BasicPcm::Setup(snd_pcm_channel_setup_t &setup)
{
    std::lock_guard lock(mutex_);
    if (!haveParams_)
        return -EBADFD;
    setup.mode = params_.mode;
    setup.format = params_.format;
    setup.buf.block.frag_size = params_.buf.block.frag_size;
    setup.buf.block.frags = params_.buf.block.frags_max;
    setup.buf.block.frags_min = params_.buf.block.frags_min;
    setup.buf.block.frags_max = params_.buf.block.frags_max;
    setup.mixer_device = 0;
    SoftGroupId(setup.mixer_gid);
    return 0;
}

int BasicPcm::Status(snd_pcm_channel_status_t &status)
{
    std::lock_guard lock(mutex_);
    int32_t channel = status.channel;
    status = {};
    status.channel = channel;
    status.mode = params_.mode;
    status.status = status_;
    status.free = haveParams_ ? params_.buf.block.frag_size * params_.buf.block.frags_max : 0;
    return 0;
}

ssize_t BasicPcm::Write(const void *data, size_t size)
{
    std::lock_guard lock(mutex_);
    if (status_ != SND_PCM_STATUS_PREPARED && status_ != SND_PCM_STATUS_RUNNING)
        return 0;
    status_ = SND_PCM_STATUS_RUNNING;
    Consume(static_cast<const unsigned char *>(data), size, params_.format);
    return static_cast<ssize_t>(size);
}

int BasicPcm::Drain()
{
    std::lock_guard lock(mutex_);
    if (haveParams_)
        status_ = SND_PCM_STATUS_READY;
    return 0;
}

int BasicPcm::Flush()
{
    return Drain();
}

int BasicPcm::FileDescriptor()
{
    return fd_;
}

}  // namespace qnx::sound
