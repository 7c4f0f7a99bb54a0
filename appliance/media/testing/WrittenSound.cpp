#include "media/testing/WrittenSound.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>

#include "SoundBackend.h"

namespace media::testing {

namespace {

class TappedPcm : public qnx::sound::PcmStream {
public:
    TappedPcm(std::unique_ptr<qnx::sound::PcmStream> inner, WrittenSound &into) : inner_(std::move(inner)), into_(into)
    {
    }
    int Info(qnx::snd_pcm_channel_info_t &info) override { return inner_->Info(info); }
    int Params(const qnx::snd_pcm_channel_params_t &params) override { return inner_->Params(params); }
    int Prepare() override { return inner_->Prepare(); }
    int Setup(qnx::snd_pcm_channel_setup_t &setup) override { return inner_->Setup(setup); }
    int Status(qnx::snd_pcm_channel_status_t &status) override { return inner_->Status(status); }
    ssize_t Write(const void *data, size_t size) override
    {
        const auto now = std::chrono::steady_clock::now();
        const ssize_t taken = inner_->Write(data, size);
        if (taken > 0) {
            std::lock_guard lock(into_.mutex);
            into_.writes.emplace_back(into_.samples.size(), now);
            const auto *p = static_cast<const int16_t *>(data);
            into_.samples.insert(into_.samples.end(), p, p + taken / 2);
        }
        return taken;
    }
    // The silence that completes the last fragment is no part of the piece.
    ssize_t WritePadding(const void *data, size_t size) override { return inner_->WritePadding(data, size); }
    int Drain() override
    {
        {
            std::lock_guard lock(into_.mutex);
            ++into_.drains;
        }
        return inner_->Drain();
    }
    int Flush() override { return inner_->Flush(); }
    int FileDescriptor() override { return inner_->FileDescriptor(); }

private:
    std::unique_ptr<qnx::sound::PcmStream> inner_;
    WrittenSound &into_;
};

class TappedSink : public qnx::sound::Sink {
public:
    TappedSink(std::shared_ptr<qnx::sound::Sink> inner, WrittenSound &into) : inner_(std::move(inner)), into_(into) {}
    int Cards() override { return inner_->Cards(); }
    int OpenPcm(int card, int device, std::unique_ptr<qnx::sound::PcmStream> &out) override
    {
        std::unique_ptr<qnx::sound::PcmStream> pcm;
        const int result = inner_->OpenPcm(card, device, pcm);
        if (result == 0)
            out = std::make_unique<TappedPcm>(std::move(pcm), into_);
        return result;
    }
    int CardInfo(int card, qnx::snd_ctl_hw_info_t &info) override { return inner_->CardInfo(card, info); }
    int OpenMixer(int card, int device, std::unique_ptr<qnx::sound::Mixer> &out) override
    {
        return inner_->OpenMixer(card, device, out);
    }

private:
    std::shared_ptr<qnx::sound::Sink> inner_;
    WrittenSound &into_;
};

}  // namespace

void WrittenSound::Clear()
{
    std::lock_guard lock(mutex);
    samples.clear();
    writes.clear();
    drains = 0;
}

bool WrittenSound::Save(const std::string &path)
{
    std::lock_guard lock(mutex);
    std::ofstream raw(path, std::ios::binary | std::ios::trunc);
    raw.write(reinterpret_cast<const char *>(samples.data()), std::streamsize(samples.size() * sizeof(int16_t)));
    std::ofstream index(path + ".writes", std::ios::trunc);
    index << "drains " << drains << '\n';
    for (const auto &[offset, time] : writes)
        index << offset << ' ' << std::chrono::nanoseconds(time.time_since_epoch()).count() << '\n';
    raw.close();
    index.close();
    return raw.good() && index.good();
}

bool WrittenSound::Load(const std::string &path)
{
    std::lock_guard lock(mutex);
    samples.clear();
    writes.clear();
    drains = 0;
    std::ifstream raw(path, std::ios::binary);
    std::ifstream index(path + ".writes");
    std::string word;
    if (!raw || !index || !(index >> word >> drains) || word != "drains")
        return false;
    std::vector<char> bytes((std::istreambuf_iterator<char>(raw)), {});
    samples.resize(bytes.size() / sizeof(int16_t));
    std::copy_n(bytes.begin(), samples.size() * sizeof(int16_t), reinterpret_cast<char *>(samples.data()));
    std::size_t offset = 0;
    long long nanoseconds = 0;
    while (index >> offset >> nanoseconds)
        writes.emplace_back(offset, std::chrono::steady_clock::time_point(std::chrono::nanoseconds(nanoseconds)));
    return true;
}

void TapSoundOutput(WrittenSound &into)
{
    qnx::sound::InstallSink(std::make_shared<TappedSink>(qnx::sound::CurrentSink(), into));
}

void UntapSoundOutput()
{
    qnx::sound::InstallSink(nullptr);
}

}  // namespace media::testing
