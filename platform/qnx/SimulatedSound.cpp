// The simulated card: a queue per channel that a test-driven clock plays out.
#include "qnx/SimulatedSound.h"
#include "SoundBackend.h"

#include <sys/eventfd.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <deque>
#include <limits>

namespace qnx {

namespace {

constexpr uint64_t kMicros = 1000000;

struct Channel {
    bool open = true;
    bool haveParams = false;
    snd_pcm_channel_params_t params{};
    int status = SND_PCM_STATUS_NOTREADY;
    std::deque<unsigned char> queue;
    uint64_t budget = 0;  // elapsed time not yet played, in frame-microseconds
    int frameBytes = 0;
    size_t capacity = 0;
    int underruns = 0;
    int frag = 0;
};

}  // namespace

struct SimulatedSound::State : sound::SoftCard, std::enable_shared_from_this<SimulatedSound::State> {
    State() : SoftCard("Sim", "Simulated card") {}

    mutable std::mutex mutex;
    std::condition_variable changed;
    uint64_t nowUs = 0;
    bool autoAdvance = false;
    size_t shortWrite = 0;
    int shortWrites = 0;
    int failOpen = 0;
    std::vector<unsigned char> written;
    uint64_t played = 0;
    int prepares = 0, drains = 0, flushes = 0, underruns = 0;
    std::vector<std::shared_ptr<Channel>> channels;
    std::shared_ptr<Channel> current;

    int OpenPcm(int card, int device, std::unique_ptr<sound::PcmStream> &out) override;
    std::unique_ptr<sound::PcmStream> NewPcm() override;

    void PlayLocked(Channel &ch, uint64_t us)
    {
        if (ch.status != SND_PCM_STATUS_RUNNING || ch.frameBytes == 0)
            return;
        const uint64_t rate = static_cast<uint64_t>(ch.params.format.rate);
        ch.budget += us * rate;
        uint64_t frames = std::min<uint64_t>(ch.budget / kMicros, ch.queue.size() / ch.frameBytes);
        size_t bytes = static_cast<size_t>(frames) * ch.frameBytes;
        ch.queue.erase(ch.queue.begin(), ch.queue.begin() + static_cast<long>(bytes));
        ch.budget -= frames * kMicros;
        played += bytes;
        ch.frag += static_cast<int>(bytes / std::max<size_t>(1, ch.params.buf.block.frag_size));
        if (ch.queue.size() < static_cast<size_t>(ch.frameBytes) && ch.budget >= kMicros)
            UnderrunLocked(ch);
    }

    void UnderrunLocked(Channel &ch)
    {
        ch.status = SND_PCM_STATUS_UNDERRUN;
        ch.queue.clear();
        ch.budget = 0;
        ++ch.underruns;
        ++underruns;
    }

    void AdvanceLocked(uint64_t us)
    {
        nowUs += us;
        for (auto &ch : channels)
            PlayLocked(*ch, us);
        changed.notify_all();
    }

    // Time until `bytes` more of the channel's queue have played.
    static uint64_t TimeToPlay(const Channel &ch, size_t bytes)
    {
        uint64_t frames = (bytes + ch.frameBytes - 1) / ch.frameBytes;
        uint64_t rate = static_cast<uint64_t>(ch.params.format.rate);
        uint64_t need = frames * kMicros > ch.budget ? frames * kMicros - ch.budget : 0;
        return std::max<uint64_t>(1, (need + rate - 1) / rate);
    }

    static bool Writable(const Channel &ch)
    {
        return ch.open && (ch.status == SND_PCM_STATUS_PREPARED || ch.status == SND_PCM_STATUS_RUNNING);
    }

    ssize_t Write(Channel &ch, const unsigned char *data, size_t size)
    {
        std::unique_lock lock(mutex);
        if (shortWrites > 0) {
            size_t n = std::min(size, shortWrite);
            --shortWrites;
            Append(ch, data, n);
            return static_cast<ssize_t>(n);
        }
        size_t accepted = 0;
        while (accepted < size && Writable(ch)) {
            size_t room = ch.capacity - std::min(ch.capacity, ch.queue.size());
            if (room == 0) {
                ch.status = SND_PCM_STATUS_RUNNING;  // a full queue starts playback in every mode
                if (autoAdvance)
                    AdvanceLocked(TimeToPlay(ch, std::min(size - accepted, ch.capacity)));
                else
                    changed.wait(lock);
                continue;
            }
            size_t n = std::min(room, size - accepted);
            Append(ch, data + accepted, n);
            accepted += n;
            if (ch.status == SND_PCM_STATUS_PREPARED &&
                (ch.params.start_mode <= SND_PCM_START_DATA || ch.queue.size() >= ch.capacity))
                ch.status = SND_PCM_STATUS_RUNNING;
        }
        return static_cast<ssize_t>(accepted);
    }

    void Append(Channel &ch, const unsigned char *data, size_t n)
    {
        ch.queue.insert(ch.queue.end(), data, data + n);
        written.insert(written.end(), data, data + n);
    }

    int Flush(Channel &ch)
    {
        std::unique_lock lock(mutex);
        ++flushes;
        if (!ch.haveParams)
            return -EBADFD;
        if (ch.status == SND_PCM_STATUS_PREPARED && !ch.queue.empty())
            ch.status = SND_PCM_STATUS_RUNNING;
        while (ch.open && ch.status == SND_PCM_STATUS_RUNNING &&
               ch.queue.size() >= static_cast<size_t>(ch.frameBytes)) {
            if (autoAdvance)
                AdvanceLocked(TimeToPlay(ch, ch.queue.size()));
            else
                changed.wait(lock);
        }
        ch.queue.clear();
        ch.budget = 0;
        ch.status = SND_PCM_STATUS_READY;
        changed.notify_all();
        return 0;
    }
};

namespace {

class SimPcm : public sound::PcmStream {
public:
    SimPcm(std::shared_ptr<SimulatedSound::State> state, std::shared_ptr<Channel> channel)
        : state_(std::move(state)), ch_(std::move(channel)), fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))
    {
    }

    ~SimPcm() override
    {
        std::lock_guard lock(state_->mutex);
        ch_->open = false;
        auto &all = state_->channels;
        all.erase(std::remove(all.begin(), all.end(), ch_), all.end());
        state_->changed.notify_all();
        if (fd_ >= 0)
            close(fd_);
    }

    int Info(snd_pcm_channel_info_t &info) override
    {
        sound::FillChannelInfo(info, "Simulated PCM");
        info.max_buffer_size = 0;  // the simulated queue takes whatever the parameters ask for
        return 0;
    }

    int Params(const snd_pcm_channel_params_t &params) override
    {
        std::lock_guard lock(state_->mutex);
        if (!sound::ParamsAcceptable(params))
            return -EINVAL;
        ch_->params = params;
        ch_->haveParams = true;
        ch_->frameBytes = sound::FormatBytesPerSample(params.format.format) * params.format.voices;
        ch_->capacity = static_cast<size_t>(params.buf.block.frag_size) * params.buf.block.frags_max;
        ch_->queue.clear();
        ch_->status = SND_PCM_STATUS_READY;
        return 0;
    }

    int Prepare() override
    {
        std::lock_guard lock(state_->mutex);
        ++state_->prepares;
        if (!ch_->haveParams)
            return -EBADFD;
        ch_->queue.clear();
        ch_->budget = 0;
        ch_->status = SND_PCM_STATUS_PREPARED;
        state_->changed.notify_all();
        return 0;
    }

    int Setup(snd_pcm_channel_setup_t &setup) override
    {
        std::lock_guard lock(state_->mutex);
        if (!ch_->haveParams)
            return -EBADFD;
        sound::FillSetup(setup, ch_->params);
        return 0;
    }

    int Status(snd_pcm_channel_status_t &status) override
    {
        std::lock_guard lock(state_->mutex);
        sound::ClearStatus(status, ch_->params.mode);
        status.status = ch_->status;
        status.frag = ch_->frag;
        status.count = static_cast<int32_t>(ch_->queue.size());
        status.free = static_cast<int32_t>(ch_->capacity - std::min(ch_->capacity, ch_->queue.size()));
        status.underrun = ch_->underruns;
        return 0;
    }

    ssize_t Write(const void *data, size_t size) override
    {
        return state_->Write(*ch_, static_cast<const unsigned char *>(data), size);
    }

    int Drain() override
    {
        std::lock_guard lock(state_->mutex);
        ++state_->drains;
        ch_->queue.clear();
        ch_->budget = 0;
        if (ch_->haveParams)
            ch_->status = SND_PCM_STATUS_READY;
        state_->changed.notify_all();
        return 0;
    }

    int Flush() override { return state_->Flush(*ch_); }
    int FileDescriptor() override { return fd_; }

private:
    std::shared_ptr<SimulatedSound::State> state_;
    std::shared_ptr<Channel> ch_;
    int fd_;
};

}  // namespace

int SimulatedSound::State::OpenPcm(int card, int device, std::unique_ptr<sound::PcmStream> &out)
{
    std::lock_guard lock(mutex);
    if (failOpen) {
        int error = failOpen;
        failOpen = 0;
        return error;
    }
    return SoftCard::OpenPcm(card, device, out);
}

// Called under the state's mutex, from OpenPcm.
std::unique_ptr<sound::PcmStream> SimulatedSound::State::NewPcm()
{
    current = std::make_shared<Channel>();
    channels.push_back(current);
    return std::make_unique<SimPcm>(shared_from_this(), current);
}

SimulatedSound::SimulatedSound(std::shared_ptr<State> state) : state_(std::move(state)) {}

std::shared_ptr<SimulatedSound> SimulatedSound::Install()
{
    auto state = std::make_shared<State>();
    sound::InstallSink(state);
    return std::make_shared<SimulatedSound>(state);
}

void SimulatedSound::Uninstall()
{
    sound::InstallSink(nullptr);
}

void SimulatedSound::Advance(std::chrono::microseconds elapsed)
{
    std::lock_guard lock(state_->mutex);
    state_->AdvanceLocked(static_cast<uint64_t>(std::max<int64_t>(0, elapsed.count())));
}

void SimulatedSound::SetAutoAdvance(bool on)
{
    std::lock_guard lock(state_->mutex);
    state_->autoAdvance = on;
    state_->changed.notify_all();
}

std::chrono::microseconds SimulatedSound::Now() const
{
    std::lock_guard lock(state_->mutex);
    return std::chrono::microseconds(state_->nowUs);
}

void SimulatedSound::InjectShortWrite(size_t accepted, int times)
{
    std::lock_guard lock(state_->mutex);
    state_->shortWrite = accepted;
    state_->shortWrites = times;
}

void SimulatedSound::InjectUnderrun()
{
    std::lock_guard lock(state_->mutex);
    if (state_->current && state_->current->open)
        state_->UnderrunLocked(*state_->current);
    state_->changed.notify_all();
}

void SimulatedSound::FailNextOpen(int error)
{
    std::lock_guard lock(state_->mutex);
    state_->failOpen = error;
}

std::vector<unsigned char> SimulatedSound::Written() const
{
    std::lock_guard lock(state_->mutex);
    return state_->written;
}

uint64_t SimulatedSound::PlayedBytes() const
{
    std::lock_guard lock(state_->mutex);
    return state_->played;
}

size_t SimulatedSound::QueuedBytes() const
{
    std::lock_guard lock(state_->mutex);
    return state_->current ? state_->current->queue.size() : 0;
}

int SimulatedSound::Status() const
{
    std::lock_guard lock(state_->mutex);
    return state_->current ? state_->current->status : SND_PCM_STATUS_NOTREADY;
}

bool SimulatedSound::IsOpen() const
{
    std::lock_guard lock(state_->mutex);
    return state_->current && state_->current->open;
}

snd_pcm_channel_params_t SimulatedSound::LastParams() const
{
    std::lock_guard lock(state_->mutex);
    return state_->current ? state_->current->params : snd_pcm_channel_params_t{};
}

int SimulatedSound::Prepares() const
{
    std::lock_guard lock(state_->mutex);
    return state_->prepares;
}
int SimulatedSound::Drains() const
{
    std::lock_guard lock(state_->mutex);
    return state_->drains;
}
int SimulatedSound::Flushes() const
{
    std::lock_guard lock(state_->mutex);
    return state_->flushes;
}
int SimulatedSound::Underruns() const
{
    std::lock_guard lock(state_->mutex);
    return state_->underruns;
}

void SimulatedSound::SetMixerRange(int min, int max)
{
    state_->MixerState().SetRange(min, max);
}
void SimulatedSound::SetMixerChannels(uint32_t mask)
{
    state_->MixerState().SetChannels(mask);
}
void SimulatedSound::SetLevels(int left, int right)
{
    state_->MixerState().SetLevels(left, right);
}
void SimulatedSound::Levels(int &left, int &right) const
{
    state_->MixerState().Levels(left, right);
}
snd_mixer_group_t SimulatedSound::MixerGroup() const
{
    return state_->MixerState().Group();
}
void SimulatedSound::FailMixerWrites(int error, int times)
{
    state_->MixerState().FailWrites(error, times);
}
int SimulatedSound::OpenMixers() const
{
    return state_->MixerState().OpenMixers();
}

}  // namespace qnx
