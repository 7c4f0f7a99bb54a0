// The outputs that play nothing: the null output, which takes the sound at a card's pace (or at
// once, when asked), and the stand-in for a machine without a sound device, which cannot be
// opened.
#include "SoundBackend.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>

namespace qnx::sound {

namespace {

using Clock = std::chrono::steady_clock;

class NullPcm : public BasicPcm {
    void Consume(const unsigned char *, size_t, const snd_pcm_format_t &) override {}
};

// Plays nothing, as a card would: a write waits while the fragments are full, the queue empties
// at the stream's rate and a flush waits for it, so that a player keeps real time.
class PacedNullPcm : public BasicPcm {
public:
    int Status(snd_pcm_channel_status_t &status) override
    {
        BasicPcm::Status(status);
        std::lock_guard lock(mutex_);
        const size_t queued = QueuedLocked(Clock::now());
        status.count = static_cast<int32_t>(queued);
        status.free = static_cast<int32_t>(Capacity() - std::min(Capacity(), queued));
        return 0;
    }

    ssize_t Write(const void * /*data*/, size_t size) override
    {
        std::unique_lock lock(mutex_);
        if (status_ != SND_PCM_STATUS_PREPARED && status_ != SND_PCM_STATUS_RUNNING)
            return 0;
        const size_t room = Capacity() > size ? Capacity() - size : 0;
        const unsigned generation = generation_;
        // Waits until what is queued leaves room for these bytes; a drain ends the wait.
        while (generation == generation_ && QueuedLocked(Clock::now()) > room)
            changed_.wait_until(lock, end_ - Duration(room));
        if (generation != generation_)
            return 0;
        const auto now = Clock::now();
        end_ = std::max(end_, now) + Duration(size);
        status_ = SND_PCM_STATUS_RUNNING;
        return static_cast<ssize_t>(size);
    }

    int Drain() override
    {
        {
            std::lock_guard lock(mutex_);
            end_ = Clock::now();
            ++generation_;
        }
        changed_.notify_all();
        return BasicPcm::Drain();
    }

    int Flush() override
    {
        std::unique_lock lock(mutex_);
        const unsigned generation = generation_;
        while (generation == generation_ && Clock::now() < end_)
            changed_.wait_until(lock, end_);
        lock.unlock();
        return BasicPcm::Drain();
    }

private:
    void Consume(const unsigned char *, size_t, const snd_pcm_format_t &) override {}

    double BytesPerSecond() const
    {
        const snd_pcm_format_t &f = params_.format;
        return static_cast<double>(f.rate) * f.voices * std::max(1, FormatBytesPerSample(f.format));
    }
    size_t Capacity() const
    {
        return static_cast<size_t>(params_.buf.block.frag_size) * std::max(1, params_.buf.block.frags_max);
    }
    Clock::duration Duration(size_t bytes) const
    {
        const double seconds = BytesPerSecond() > 0 ? static_cast<double>(bytes) / BytesPerSecond() : 0;
        return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    }
    size_t QueuedLocked(Clock::time_point now) const
    {
        if (now >= end_)
            return 0;
        return static_cast<size_t>(std::chrono::duration<double>(end_ - now).count() * BytesPerSecond());
    }

    std::condition_variable changed_;
    Clock::time_point end_ = Clock::now();
    unsigned generation_ = 0;  // counts drains: a waiting write or flush gives up at one
};

class NullSink : public SoftCard {
public:
    explicit NullSink(bool paced) : SoftCard("Null", "Zephra null output"), paced_(paced) {}

private:
    std::unique_ptr<PcmStream> NewPcm() override
    {
        if (paced_)
            return std::make_unique<PacedNullPcm>();
        return std::make_unique<NullPcm>();
    }
    bool paced_;
};

// No sound device: no card, and every open fails as ALSA's does without one.
class NoDeviceSink : public Sink {
public:
    int Cards() override { return 0; }
    int OpenPcm(int, int, std::unique_ptr<PcmStream> &) override { return -ENODEV; }
    int CardInfo(int, snd_ctl_hw_info_t &) override { return -ENODEV; }
    int OpenMixer(int, int, std::unique_ptr<Mixer> &) override { return -ENODEV; }
};

}  // namespace

std::shared_ptr<Sink> MakeNullSink(bool paced)
{
    return std::make_shared<NullSink>(paced);
}

std::shared_ptr<Sink> MakeNoDeviceSink()
{
    return std::make_shared<NoDeviceSink>();
}

}  // namespace qnx::sound
