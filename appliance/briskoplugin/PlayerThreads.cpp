// The player threads. The decoder thread empties (or makes) the ring, waits for the start fill,
// sets its own decoder up from the first header, opens the audio device at the last volume and
// balance, and plays frame after frame until the data ends or a stop is asked. At a natural end
// with repeat on it asks the browser for the stream again instead of reporting the end. The
// reader thread runs only for a source opened by URL (file or socket); a file with repeat on is
// read again from its start, so that it plays on without a gap.
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "PlayerContext.h"
#include "core/RingFront.h"
#include "mediaapi/HttpOpen.h"
#include "qnx/Sched.h"

namespace briskoplugin {
namespace {

constexpr const char *kCannotOpenFile = "brisko.so: unable to open specified file";
constexpr const char *kNoFrames = "MPEG Audio Plugin: no MPEG audio frames in the stream";
constexpr const char *kOutOfMemory = "MPEG Audio Plugin: Out of memory";
constexpr const char *kNoAudioDevice = "MPEG Audio Plugin: cannot open the audio device";
constexpr const char *kUnexpectedRepeat = "unexpected repeattype %d\n";
constexpr const char *kBufferSizeVariable = "BRISKOBUFFERSIZE";

constexpr unsigned long kFileBufferSize = 100000;
constexpr std::size_t kReadBlock = 5000;
constexpr uint32_t kNotSet = 0xFFFFFFFFu;

bool IsNetwork(PlayerContext *pc)
{
    return pc->setup.streamType == MV_STREAM;
}

// A new decoder for every stream: nothing of the last one carries over.
brisko::DecoderFront *NewFront(PlayerContext *pc)
{
    pc->front = std::make_unique<brisko::DecoderFront>();
    return pc->front.get();
}

class DecoderRun final : brisko::core::RingFront::Player {
public:
    // Unlike the media plug-in, the browser plug-in prints none of the decoder's diagnostic lines.
    explicit DecoderRun(MvPluginCtrl *ctrl)
        : ctrl_(ctrl),
          pc_(Context(ctrl)),
          f_(NewFront(pc_)),
          frames_(pc_->ring, *f_, pc_->stop, pc_->ringStart, pc_->ringSize, pc_->settings.refillOnUnderflow, nullptr)
    {
        const brisko::core::BriskoSettings &s = pc_->settings;
        brisko::InitAudioDecoderMode(*f_, s.reduction, s.transformBit, s.transformChannel, s.convert, s.freqLimit,
                                     s.maxBitrate);
        f_->log = nullptr;
    }

    void Play()
    {
        if (WaitForStart() && OpenSource() && PrepareRing() && StartReading() && FirstHeader() && OpenDevice())
            DecodeFrames();
        CleanUp();
        End();
    }

private:
    bool WaitForStart()
    {
        pthread_mutex_lock(&pc_->stateMutex);
        run_ = pc_->run;
        while (!pc_->startReported && !pc_->stop) pthread_cond_wait(&pc_->pauseCond, &pc_->stateMutex);
        const bool go = !pc_->stop;
        pthread_mutex_unlock(&pc_->stateMutex);
        return go;
    }

    // Only a source opened by URL is opened here; the browser's streams arrive through writes.
    bool OpenSource()
    {
        if (!pc_->url) return true;
        if (IsNetwork(pc_)) {
            if (!brisko::core::ConnectStream(ctrl_, Medium(pc_), pc_->stop, pc_->fileMutex, pc_->sock, pc_->bodyLength,
                                             error_))
                return false;
            // Unlike the media plug-in, which clears it at each start, this one clears the last
            // reading's failure at each connection (no reader of this context runs yet).
            pc_->readError[0] = '\0';
            return true;
        }
        pthread_mutex_lock(&pc_->fileMutex);
        if (!pc_->fp) pc_->fp = std::fopen(std::strlen(pc_->url) > 7 ? pc_->url + 7 : "", "rb");
        const bool open = pc_->fp != nullptr;
        pthread_mutex_unlock(&pc_->fileMutex);
        if (!open) {
            closed_ = true;
            error_ = kCannotOpenFile;
        }
        return open;
    }

    // A ring left by an earlier stream is emptied and kept at its first size, before any byte of
    // this stream goes in.
    bool PrepareRing()
    {
        if (pc_->ring.pBufferHead) {
            FlushRingBuffer(&pc_->ring);
        } else if (InitRingBuffer(&pc_->ring, pc_->ringSize, 1, 3) != 0) {
            error_ = kOutOfMemory;
            return false;
        }
        ringUsed_ = true;
        pc_->ringReady = true;
        return true;
    }

    bool StartReading()
    {
        if (!pc_->url) return true;
        pc_->readerThread = StartThread(GetDataProc, ctrl_);
        if (pc_->readerThread) return true;
        error_ = kOutOfMemory;
        return false;
    }

    bool FirstHeader()
    {
        if (frames_.Prefill()) {
            CheckID3(pc_, frames_.Run(), frames_.RunLength());
            if (frames_.ParseHeader(error_)) return true;
        }
        if (error_.empty() && !pc_->stop) error_ = kNoFrames;
        return false;
    }

    bool OpenDevice()
    {
        const brisko::DecodeInfo info = brisko::FrontInfo(*f_);
        const MvAudioMediaInfo &audio = pc_->setup.audio;
        const bool digital =
            pc_->directDigital && audio.spdifPlaybackCard != kNotSet && audio.spdifPlaybackDevice != kNotSet;
        const int card = static_cast<int>(digital ? audio.spdifPlaybackCard : audio.pcmPlaybackCardA);
        const int device = static_cast<int>(digital ? audio.spdifPlaybackDevice : audio.pcmPlaybackDeviceA);
        PluginAudioDevice *dev = &pc_->audio;
        const unsigned char mute = dev->mute;
        if (OpenAudioDevice(dev, card, device) != 0) {
            error_ = kNoAudioDevice;
            return false;
        }
        // The mixer opens at the volume and balance last reported, muted when asked.
        dev->mute = mute;
        dev->volume = static_cast<int>(audio.volume);
        dev->balance = static_cast<int>(audio.reserve_2);
        const int format = info.bits == 8 ? qnx::SND_PCM_SFMT_U8 : qnx::SND_PCM_SFMT_S16_LE;
        if (InitAudioDevice(dev, info.samprate, info.channels, info.bits, format, 4, 16384, qnx::SND_PCM_START_FULL) !=
            0) {
            DestroyAudioDevice(dev);
            error_ = kNoAudioDevice;
            return false;
        }
        deviceOpen_ = true;
        return true;
    }

    void DecodeFrames() { frames_.DecodeFrames(*this, pcm_, error_); }

    bool CheckPauseAndSeek(unsigned long &minBytes) override
    {
        pthread_mutex_lock(&pc_->stateMutex);
        while (!pc_->stop) {
            if (pc_->pendingSeek >= 0) {
                const int64_t target = std::exchange(pc_->pendingSeek, -1);
                pthread_mutex_unlock(&pc_->stateMutex);
                DrainAudioDevice(&pc_->audio);
                pthread_mutex_lock(&pc_->fileMutex);
                if (Ring_Seek_Fd(&pc_->ring, pc_->fp, static_cast<long>(target)) == 0) f_->skip_pending = 0;
                pthread_mutex_unlock(&pc_->fileMutex);
                minBytes = 0;
                pthread_mutex_lock(&pc_->stateMutex);
                continue;
            }
            if (pc_->status.state != MV_PAUSED && pc_->startReported) break;
            pthread_cond_wait(&pc_->pauseCond, &pc_->stateMutex);
        }
        const bool go = !pc_->stop;
        pthread_mutex_unlock(&pc_->stateMutex);
        return go;
    }

    bool PlayFrame(bool formatChanged, std::size_t consumed, int outbytes) override
    {
        if (formatChanged) {
            DestroyAudioDevice(&pc_->audio);
            deviceOpen_ = false;
            if (!OpenDevice()) return false;
        }
        Report_Bytes_Read(&pc_->ring, consumed);
        PluginAudioDevice *dev = &pc_->audio;
        if (outbytes <= 0 || dev->bOutputOff || dev->mute) return true;
        if (WriteAudioData(dev, pcm_, outbytes) == outbytes || pc_->stop) return true;
        error_ = kNoAudioDevice;
        return false;
    }

    // The ring is closed and kept; the reader joined, the source closed, the device destroyed.
    void CleanUp()
    {
        if (ringUsed_) CloseRingBufferNotify(&pc_->ring);
        pthread_mutex_lock(&pc_->fileMutex);
        if (pc_->sock >= 0) shutdown(pc_->sock, SHUT_RDWR);
        pthread_mutex_unlock(&pc_->fileMutex);
        if (pc_->readerThread) {
            pthread_join(*pc_->readerThread, nullptr);
            std::free(pc_->readerThread);
            pc_->readerThread = nullptr;
        }
        if (error_.empty() && !pc_->stop && pc_->sock >= 0 && pc_->readError[0]) error_ = pc_->readError;
        brisko::core::CloseFileAndSocket(pc_->fileMutex, pc_->fp, pc_->sock);
        if (deviceOpen_) DestroyAudioDevice(&pc_->audio);
    }

    // A natural end repeats (by asking for the stream again) or reports MV_STOPPED; an error is
    // reported first, and ends the repeats. A stop or a newer start reports nothing here.
    void End()
    {
        std::snprintf(pc_->errorText, sizeof pc_->errorText, "%s", error_.c_str());
        pthread_mutex_lock(&pc_->stateMutex);
        const bool own = !pc_->stop && pc_->run == run_;
        pthread_mutex_unlock(&pc_->stateMutex);
        if (!own) {
            pc_->decoderRunning = false;
            return;
        }
        if (closed_) {
            pc_->decoderRunning = false;
            ReportState(ctrl_, MV_CLOSED, pc_->errorText);
            return;
        }
        RingClearEndOfData(&pc_->ring);
        if (!error_.empty()) ReportError(ctrl_, pc_->errorText);
        const int repeat = pc_->repeatType;
        if (repeat == 1 && error_.empty()) {
            pc_->refetch = true;
            pc_->decoderRunning = false;
            if (pc_->instance) RequestStreamAgain(pc_->instance);
            return;
        }
        if (repeat != 0 && repeat != 1) std::printf(kUnexpectedRepeat, repeat);
        pc_->decoderRunning = false;
        ReportState(ctrl_, MV_STOPPED);
    }

    MvPluginCtrl *ctrl_;
    PlayerContext *pc_;
    brisko::DecoderFront *f_;
    brisko::core::RingFront frames_;
    unsigned run_ = 0;
    bool ringUsed_ = false;
    bool deviceOpen_ = false;
    bool closed_ = false;
    std::string error_;
    alignas(16) std::uint8_t pcm_[brisko::MpegDecoder::kMaxPcmBytes];
};

void ReadFile(PlayerContext *pc)
{
    unsigned char block[kReadBlock];
    while (!pc->stop) {
        pthread_mutex_lock(&pc->fileMutex);
        std::size_t n = std::fread(block, 1, sizeof block, pc->fp);
        const bool failed = n == 0 && std::ferror(pc->fp);
        // At the end a repeating file goes on from its start, so that no gap comes between.
        if (n == 0 && !failed && pc->repeatType == 1 && std::ftell(pc->fp) > 0) {
            std::rewind(pc->fp);
            n = std::fread(block, 1, sizeof block, pc->fp);
        }
        pthread_mutex_unlock(&pc->fileMutex);
        if (n == 0) return;
        if (Ring_Write_Ptr(&pc->ring, block, static_cast<unsigned long>(n)) != 0) return;
    }
}

// A stream with a Content-Length ends there; one that ends before it is an error, after what was
// buffered has played.
void ReadSocket(PlayerContext *pc)
{
    unsigned char block[kReadBlock];
    HttpBody body{pc->bodyLength};
    while (!pc->stop) {
        const long n = ReadHttpBody(pc->sock, block, sizeof block, body);
        if (n > 0) {
            if (Ring_Write_Ptr(&pc->ring, block, static_cast<unsigned long>(n)) != 0) return;
            continue;
        }
        if (n == kHttpBodyShort)
            std::snprintf(pc->readError, sizeof pc->readError, "GetData: File Read error: %s", HttpBodyErrorText(body));
        if (n < 0 && n != kHttpBodyShort && errno == EINTR) continue;
        return;  // the end, a stop, or a failed read: what is buffered still plays
    }
}

}  // namespace

pthread_t *StartThread(void *(*routine)(void *), void *arg)
{
    auto *holder = static_cast<pthread_t *>(std::malloc(sizeof(pthread_t)));
    if (!holder) return nullptr;
    if (pthread_create(holder, nullptr, routine, arg) != 0) {
        std::free(holder);
        return nullptr;
    }
    return holder;
}

int StartDecoder(MvPluginCtrl *ctrl)
{
    PlayerContext *pc = Context(ctrl);
    pc->settings = brisko::core::ReadBriskoSettings(IsNetwork(pc));
    if (!IsNetwork(pc) && !std::getenv(kBufferSizeVariable)) pc->settings.bufferSize = kFileBufferSize;
    // A ring kept from an earlier stream keeps its size.
    pc->ringSize = pc->ring.pBufferHead ? pc->ring.ulBuffSizeFull : pc->settings.bufferSize;
    pc->ringStart = pc->settings.bufferStartPercent;
    if (ctrl->prio > 0) qnx::setprio(0, ctrl->prio);
    pthread_mutex_lock(&pc->stateMutex);
    pc->stop = false;
    pc->startReported = false;
    pc->pendingSeek = -1;
    ++pc->run;
    pthread_mutex_unlock(&pc->stateMutex);
    pc->ringReady = false;
    pc->decoderRunning = true;
    pc->decoderThread = StartThread(DecodeProc, ctrl);
    if (!pc->decoderThread) pc->decoderRunning = false;
    return pc->decoderThread ? 0 : -1;
}

void *DecodeProc(void *arg)
{
    auto run = std::make_unique<DecoderRun>(static_cast<MvPluginCtrl *>(arg));
    run->Play();
    return nullptr;
}

void *GetDataProc(void *arg)
{
    PlayerContext *pc = Context(static_cast<MvPluginCtrl *>(arg));
    if (IsNetwork(pc)) ReadSocket(pc);
    else ReadFile(pc);
    CloseRingBufferNotify(&pc->ring);
    return nullptr;
}

int64_t CheckID3(PlayerContext *pc, const unsigned char *p, std::size_t avail)
{
    if (avail < 10 || p[0] != 'I' || p[1] != 'D' || p[2] != '3') return -1;
    const int64_t size =
        (int64_t(p[6] & 0x7F) << 21 | int64_t(p[7] & 0x7F) << 14 | int64_t(p[8] & 0x7F) << 7 | int64_t(p[9] & 0x7F)) +
        ((p[5] & 0x10) ? 20 : 10);
    // Only what is buffered can be copied.
    const std::size_t copy = std::min({static_cast<std::size_t>(size), kTagCopyBytes, avail});
    std::memcpy(pc->tag.data, p, copy);
    pc->tag.length = static_cast<uint32_t>(copy);
    pc->tag.state = 1;
    return size;
}

}  // namespace briskoplugin
