// A mixer kept in memory, for the outputs that have no mixer of their own.
#include "SoundBackend.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>

namespace qnx::sound {

void SoftGroupId(snd_mixer_gid_t &gid)
{
    gid = {};
    std::strncpy(gid.name, kSoftGroupName, sizeof gid.name - 1);
}

int FormatBytesPerSample(int format)
{
    switch (format) {
    case SND_PCM_SFMT_U8:
    case SND_PCM_SFMT_S8: return 1;
    case SND_PCM_SFMT_U16_LE:
    case SND_PCM_SFMT_U16_BE:
    case SND_PCM_SFMT_S16_LE:
    case SND_PCM_SFMT_S16_BE: return 2;
    default: return 0;
    }
}

namespace {

bool SameGroup(const snd_mixer_gid_t &a, const snd_mixer_gid_t &b)
{
    return std::strncmp(a.name, b.name, sizeof a.name) == 0 && a.index == b.index;
}

class SoftMixer : public Mixer {
public:
    SoftMixer(SoftMixerState &state, int fd) : state_(state), fd_(fd) { state_.Attach(fd_); }
    ~SoftMixer() override
    {
        state_.Detach(fd_);
        close(fd_);
    }

    int Info(snd_mixer_info_t &info) override
    {
        info = {};
        info.groups = 1;
        info.elements = 1;
        std::strncpy(info.id, "Zephra", sizeof info.id - 1);
        std::strncpy(info.name, "Zephra mixer", sizeof info.name - 1);
        return 0;
    }

    int Groups(snd_mixer_groups_t &groups) override
    {
        groups.groups = groups.groups_size >= 1 ? 1 : 0;
        groups.groups_over = 1 - groups.groups;
        if (groups.groups)
            SoftGroupId(groups.pgroups[0]);
        return 0;
    }

    int GroupRead(snd_mixer_group_t &group) override
    {
        snd_mixer_group_t current = state_.Group();
        if (!SameGroup(group.gid, current.gid))
            return -ENXIO;
        group = current;
        return 0;
    }

    int GroupWrite(const snd_mixer_group_t &group) override
    {
        if (int error = state_.TakeWriteFailure())
            return error;
        snd_mixer_group_t current = state_.Group();
        if (!SameGroup(group.gid, current.gid))
            return -ENXIO;
        state_.Write(group);
        return 0;
    }

    int Read(snd_mixer_callbacks_t *callbacks) override
    {
        eventfd_t pending = 0;
        if (eventfd_read(fd_, &pending) != 0 || pending == 0)
            return 0;
        if (callbacks && callbacks->group) {
            snd_mixer_gid_t gid;
            SoftGroupId(gid);
            callbacks->group(callbacks->private_data, SND_MIXER_READ_GROUP_VALUE, &gid);
        }
        return 1;
    }

    int FileDescriptor() override { return fd_; }

private:
    SoftMixerState &state_;
    int fd_;
};

}  // namespace

SoftMixerState::SoftMixerState()
{
    SoftGroupId(group_.gid);
    group_.channels = SND_MIXER_CHN_MASK_FRONT_LEFT | SND_MIXER_CHN_MASK_FRONT_RIGHT;
    group_.min = 0;
    group_.max = 100;
    group_.volume.names.front_left = group_.volume.names.front_right = 100;
}

std::unique_ptr<Mixer> SoftMixerState::Open()
{
    int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0)
        return nullptr;
    return std::make_unique<SoftMixer>(*this, fd);
}

void SoftMixerState::SetRange(int min, int max)
{
    std::lock_guard lock(mutex_);
    group_.min = min;
    group_.max = max;
}

void SoftMixerState::SetChannels(uint32_t mask)
{
    std::lock_guard lock(mutex_);
    group_.channels = mask;
}

void SoftMixerState::SetLevels(int left, int right)
{
    std::lock_guard lock(mutex_);
    group_.volume.names.front_left = left;
    group_.volume.names.front_right = right;
    NotifyLocked();
}

void SoftMixerState::Levels(int &left, int &right) const
{
    std::lock_guard lock(mutex_);
    left = group_.volume.names.front_left;
    right = group_.volume.names.front_right;
}

snd_mixer_group_t SoftMixerState::Group() const
{
    std::lock_guard lock(mutex_);
    return group_;
}

void SoftMixerState::Write(const snd_mixer_group_t &group)
{
    std::lock_guard lock(mutex_);
    // Levels and mute are what a client may change; the group's shape stays.
    std::copy(std::begin(group.volume.values), std::end(group.volume.values), std::begin(group_.volume.values));
    for (int &value : group_.volume.values)
        value = std::clamp(value, group_.min, group_.max);
    group_.mute = group.mute;
    NotifyLocked();
}

void SoftMixerState::FailWrites(int error, int times)
{
    std::lock_guard lock(mutex_);
    writeError_ = error;
    failingWrites_ = times;
}

int SoftMixerState::TakeWriteFailure()
{
    std::lock_guard lock(mutex_);
    if (failingWrites_ <= 0)
        return 0;
    --failingWrites_;
    return writeError_;
}

int SoftMixerState::OpenMixers() const
{
    std::lock_guard lock(mutex_);
    return static_cast<int>(listeners_.size());
}

void SoftMixerState::Attach(int eventFd)
{
    std::lock_guard lock(mutex_);
    listeners_.push_back(eventFd);
}

void SoftMixerState::Detach(int eventFd)
{
    std::lock_guard lock(mutex_);
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), eventFd), listeners_.end());
}

void SoftMixerState::NotifyLocked()
{
    for (int fd : listeners_)
        eventfd_write(fd, 1);
}

}  // namespace qnx::sound
