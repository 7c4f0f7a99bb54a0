// Channel book-keeping shared by the outputs that play what they are given at once.
#include "SoundBackend.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include <cerrno>

namespace qnx::sound {

BasicPcm::BasicPcm() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

BasicPcm::~BasicPcm()
{
    if (fd_ >= 0)
        close(fd_);
}

int BasicPcm::Info(snd_pcm_channel_info_t &info)
{
    FillChannelInfo(info, "Zephra PCM");
    return 0;
}

int BasicPcm::Params(const snd_pcm_channel_params_t &params)
{
    std::lock_guard lock(mutex_);
    if (!ParamsAcceptable(params))
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
    FillSetup(setup, params_);
    return 0;
}

int BasicPcm::Status(snd_pcm_channel_status_t &status)
{
    std::lock_guard lock(mutex_);
    ClearStatus(status, params_.mode);
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
