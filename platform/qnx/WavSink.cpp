// The output that writes every PCM byte that would be played into a WAV file.
#include "SoundBackend.h"
#include "wav/WavHeader.h"

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace qnx::sound {

namespace {

// PATH for the first file, then PATH with "-N" before its extension ("out.wav", "out-2.wav").
std::string SegmentPath(const std::string &path, int segment)
{
    if (segment <= 1)
        return path;
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    const size_t at =
        dot == std::string::npos || (slash != std::string::npos && dot < slash) || dot == slash + 1 ? path.size() : dot;
    return path.substr(0, at) + "-" + std::to_string(segment) + path.substr(at);
}

// The WAV file of the process, in one format. Sound of another format (a stream that changes its
// channels or rate, or a piece after another) goes on in a numbered file beside it, so that each
// file holds the exact samples played and nothing played before is lost.
class WavFile {
public:
    explicit WavFile(std::string path) : path_(std::move(path)) {}
    ~WavFile() { Finish(); }

    int Begin(const snd_pcm_format_t &format)
    {
        std::lock_guard lock(mutex_);
        if (file_ && format.rate == format_.rate && format.voices == format_.voices &&
            FormatBytesPerSample(format.format) == FormatBytesPerSample(format_.format))
            return 0;
        if (file_) {
            WriteHeaderLocked();
            std::fclose(file_);
        }
        file_ = std::fopen(SegmentPath(path_, ++segments_).c_str(), "wb");
        if (!file_)
            return -errno;
        format_ = format;
        dataBytes_ = 0;
        return WriteHeaderLocked();
    }

    void Append(const unsigned char *data, size_t size, int format)
    {
        std::lock_guard lock(mutex_);
        if (!file_)
            return;
        std::vector<unsigned char> wav(data, data + size);
        ToWavSamples(wav, format);
        dataBytes_ += std::fwrite(wav.data(), 1, wav.size(), file_);
    }

    // Completes the header so that the file is valid as it stands.
    void Finish()
    {
        std::lock_guard lock(mutex_);
        if (!file_)
            return;
        WriteHeaderLocked();
        std::fseek(file_, 0, SEEK_END);
        std::fflush(file_);
    }

private:
    // WAV holds unsigned 8-bit and signed little-endian 16-bit samples.
    static void ToWavSamples(std::vector<unsigned char> &bytes, int format)
    {
        switch (format) {
        case SND_PCM_SFMT_S8:
            for (auto &b : bytes)
                b ^= 0x80;
            break;
        case SND_PCM_SFMT_U16_LE:
            for (size_t i = 1; i < bytes.size(); i += 2)
                bytes[i] ^= 0x80;
            break;
        case SND_PCM_SFMT_S16_BE:
        case SND_PCM_SFMT_U16_BE:
            for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
                std::swap(bytes[i], bytes[i + 1]);
                if (format == SND_PCM_SFMT_U16_BE)
                    bytes[i + 1] ^= 0x80;
            }
            break;
        default: break;
        }
    }

    int WriteHeaderLocked()
    {
        const wav::Format format =
            wav::PcmFormat(format_.rate, format_.voices, FormatBytesPerSample(format_.format) * 8);
        const auto header = wav::Header(format, static_cast<uint32_t>(dataBytes_));
        if (std::fseek(file_, 0, SEEK_SET) != 0 || std::fwrite(header.data(), 1, header.size(), file_) != header.size())
            return -EIO;
        std::fseek(file_, 0, SEEK_END);
        return 0;
    }

    std::mutex mutex_;
    std::string path_;
    std::FILE *file_ = nullptr;
    int segments_ = 0;  // files begun
    snd_pcm_format_t format_{};
    size_t dataBytes_ = 0;
};

class WavPcm : public BasicPcm {
public:
    explicit WavPcm(WavFile &file) : file_(file) {}
    // A channel with a file of its own.
    explicit WavPcm(std::unique_ptr<WavFile> own) : own_(std::move(own)), file_(*own_) {}
    ~WavPcm() override { file_.Finish(); }

    int Params(const snd_pcm_channel_params_t &params) override
    {
        int result = BasicPcm::Params(params);
        return result < 0 ? result : file_.Begin(params.format);
    }

    // A file has no fragments to complete.
    ssize_t WritePadding(const void *, size_t size) override { return static_cast<ssize_t>(size); }

    int Flush() override
    {
        file_.Finish();
        return BasicPcm::Flush();
    }

private:
    void Consume(const unsigned char *data, size_t size, const snd_pcm_format_t &format) override
    {
        file_.Append(data, size, format.format);
    }

    std::unique_ptr<WavFile> own_;
    WavFile &file_;
};

class WavSink : public SoftCard {
public:
    explicit WavSink(const std::string &path) : SoftCard("Wav", "Zephra WAV file output"), path_(path), file_(path) {}

private:
    // A path with "%d" gives each channel opened a file of its own, numbered from 1 in the order
    // of opening (players side by side in one process); else every channel plays into one file.
    std::unique_ptr<PcmStream> NewPcm() override
    {
        const size_t at = path_.find("%d");
        if (at == std::string::npos)
            return std::make_unique<WavPcm>(file_);
        std::string path = path_;
        path.replace(at, 2, std::to_string(++opened_));
        return std::make_unique<WavPcm>(std::make_unique<WavFile>(path));
    }

    std::string path_;
    std::atomic<int> opened_{0};
    WavFile file_;
};

}  // namespace

std::shared_ptr<Sink> MakeWavSink(const std::string &path)
{
    return std::make_shared<WavSink>(path);
}

}  // namespace qnx::sound
