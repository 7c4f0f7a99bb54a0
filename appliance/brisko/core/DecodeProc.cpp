// The decoder thread: opens the source, starts the reader, waits for the buffer's start fill,
// sets the decoder up from the first header, opens the audio device for the decoder's output and
// plays frame after frame until the data ends, a stop is asked or something fails; then closes
// everything and reports the end. Every failure becomes an error text for the host.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "BriskoCore.h"
#include "CoreMessages.h"
#include "brisko/DecoderFront.h"
#include "mediaapi/HttpOpen.h"
#include "media/StartThread.h"
#include "qnx/Sched.h"

namespace brisko::core {

namespace {

using namespace messages;

constexpr unsigned long kStartPercentCeiling = 86;  // the start percent grows while below it
constexpr unsigned long kStartPercentStep = 10;
// The longest run the frame search may need past a candidate header: the longest frame, its
// padding, the following header and the gap allowed before it.
constexpr unsigned long kLongestFrameRun = 2900;
constexpr double kHighWaterMark = 0.95;

class DecoderRun {
public:
    explicit DecoderRun(MvPluginCtrl* ctrl) : ctrl_(ctrl), pd_(Data(ctrl))
    {
        const BriskoSettings& s = pd_->settings;
        InitAudioDecoderMode(front_, s.reduction, s.transformBit, s.transformChannel, s.convert, s.freqLimit,
                             s.maxBitrate);
    }

    void Play()
    {
        if (WaitForStart() && OpenSource() && StartReading() && FirstHeader() && OpenDevice()) DecodeFrames();
        CleanUp();
        ReportEnd();
    }

private:
    // The start that made this thread has reported MV_PLAYING (or a stop came first).
    bool WaitForStart()
    {
        StateLock(pd_);
        run_ = pd_->run;
        while (!pd_->startReported && !pd_->StopThePlayer) pthread_cond_wait(&pd_->pauseCond, &pd_->stateMutex);
        const bool go = !pd_->StopThePlayer;
        StateUnlock(pd_);
        return go;
    }

    bool OpenSource()
    {
        if (!pd_->url) return false;
        return IsNetwork() ? OpenNetwork() : OpenFile();
    }

    bool OpenNetwork()
    {
        char errortext[kHttpErrTextSize] = "";
        MvMediaInfo heard{};
        long long bodyLength = -1;
        const int sock = OpenHttp(pd_->url, &heard, errortext, &pd_->StopThePlayer, &bodyLength);
        KeepStreamNames(heard);
        if (sock < 0) {
            if (!pd_->StopThePlayer) error_ = *errortext ? errortext : kNoHttpConnection;
            return false;
        }
        pthread_mutex_lock(&pd_->fileMutex);
        pd_->mysock = sock;
        pd_->bodyLength = bodyLength;
        // A stop that came while connecting found no socket to shut down.
        if (pd_->StopThePlayer) shutdown(sock, SHUT_RDWR);
        pthread_mutex_unlock(&pd_->fileMutex);
        pd_->media.which = MV_MEDIA_INFO;
        ctrl_->cb(ctrl_, MVS_MEDIA, &pd_->status);
        return true;
    }

    // The stream's names from its header lines; the first ones heard stay for the medium, since
    // the host may be reading them.
    void KeepStreamNames(MvMediaInfo& heard)
    {
        if (!pd_->title && heard.title) pd_->media.title = pd_->title = const_cast<char*>(heard.title);
        else std::free(const_cast<char*>(heard.title));
        if (!pd_->moreinfo && heard.moreinfo) pd_->media.moreinfo = pd_->moreinfo = const_cast<char*>(heard.moreinfo);
        else std::free(const_cast<char*>(heard.moreinfo));
    }

    bool OpenFile()
    {
        pthread_mutex_lock(&pd_->fileMutex);
        if (!pd_->fp) {
            pd_->fp = std::fopen(FilePath(pd_->url), "rb");
            // The ring is the file's buffer: each refill is one read straight into it.
            if (pd_->fp) std::setvbuf(pd_->fp, nullptr, _IONBF, 0);
        }
        const bool open = pd_->fp != nullptr;
        const int error = errno;
        pthread_mutex_unlock(&pd_->fileMutex);
        if (open) return true;
        std::fprintf(stderr, kFopenFailed, std::strerror(error));
        endState_ = MV_CLOSED;
        error_ = kCannotOpenFile;
        return false;
    }

    bool StartReading()
    {
        if (InitRingBuffer(&pd_->mpegRing, pd_->settings.bufferSize, 1, 3) != 0) {
            error_ = kOutOfMemory;
            return false;
        }
        ringReady_ = true;
        pd_->readerThread = StartThread(nullptr, nullptr, GetDataProc, ctrl_, 0, nullptr);
        if (pd_->readerThread) return true;
        error_ = kOutOfMemory;
        return false;
    }

    unsigned long StartFill() const { return PrefillBytes(pd_->settings.bufferSize, pd_->ulRingBuffStart); }

    // The next run of bytes, once more than minBytes are buffered or the data has ended; false
    // when everything was consumed.
    bool Read(unsigned long minBytes) { return Ring_Read_Ptr(&pd_->mpegRing, &p_, &len_, minBytes, 0) == 0; }

    // The run handed out stops at the ring's end while more bytes lie beyond it.
    bool RunCut() { return RingGetBytesInBuffer(&pd_->mpegRing) > len_; }

    bool Prefill() { return Read(StartFill()); }

    // No byte will come after this run: the data has ended, and the run holds all that is left.
    // The end is asked first, so a reader that finishes after the run was taken is not missed.
    bool RunIsTheLast() { return RingEnded(pd_) && !RunCut(); }

    // The header of the first frame. A stream that ends before one is found (empty, or holding no
    // MPEG audio) is an error, so that the host does not take it for a piece played to its end.
    bool FirstHeader()
    {
        if (Prefill() && ParseHeader()) return true;
        if (error_.empty() && !pd_->StopThePlayer && !pd_->readError[0]) error_ = kNoFrames;
        return false;
    }

    bool ParseHeader()
    {
        for (;;) {
            if (pd_->StopThePlayer) return false;
            front_.end_of_data = RunIsTheLast();
            std::size_t n = len_;
            const int r = ParseSequenceHeader(front_, p_, n);
            if (r >= 0) {
                Report_Bytes_Read(&pd_->mpegRing, static_cast<unsigned long>(r));
                return true;
            }
            if (r == kFrontSkip) {
                // A tag longer than the run: drop it and fill up again.
                Report_Bytes_Read(&pd_->mpegRing, n);
                if (!Read(StartFill())) return false;
                continue;
            }
            if (r == kFrontNeedData && (RunCut() || (!front_.end_of_data && RingEnded(pd_)))) {
                if (!Read(len_)) return false;
                continue;
            }
            return ParseFailed(r);
        }
    }

    bool ParseFailed(int result)
    {
        if (result == kFrontNeedData) {
            if (!front_.end_of_data) error_ = kBufferInsufficient;
            std::fputs(kNotEnoughData, stderr);
            return false;
        }
        std::fputs(result == kFrontNullBuffer ? kNullFramePointer : kHeaderParseError, stderr);
        error_ = kStreamRefused;
        return false;
    }

    bool OpenDevice()
    {
        if (OpenOutputDevice(pd_, FrontInfo(front_)) != 0) {
            error_ = pd_->StdAudioDevice.errtext;
            return false;
        }
        deviceOpen_ = true;
        return true;
    }

    void DecodeFrames()
    {
        unsigned long minBytes = 0;
        while (CheckPauseAndSeek(minBytes) && Read(minBytes) && !pd_->StopThePlayer) {
            minBytes = 0;
            front_.end_of_data = RunIsTheLast();
            std::size_t n = len_;
            int outbytes = 0;
            const int r = DecodeAudioFrame(front_, p_, n, pcm_, outbytes);
            if (r == kFrontOk || r == kFrontFormatChanged) {
                if (!PlayFrame(r == kFrontFormatChanged, n, outbytes)) return;
            } else if (r == kFrontNeedData) {
                minBytes = NeedMore();
            } else if (r == kFrontNoSync) {
                minBytes = NoSync(n);
            } else if (r == kFrontSkip || r == kFrontBadFrame) {
                Report_Bytes_Read(&pd_->mpegRing, n);
            } else {
                error_ = kStreamRefused;
                return;
            }
        }
    }

    // Pauses while the host says so, and moves the file when the host asked for a seek.
    // False when the player is to stop.
    bool CheckPauseAndSeek(unsigned long& minBytes)
    {
        StateLock(pd_);
        while (!pd_->StopThePlayer) {
            if (pd_->pendingSeek >= 0) {
                const int64_t target = std::exchange(pd_->pendingSeek, -1);
                StateUnlock(pd_);
                Seek(target);
                minBytes = 0;
                StateLock(pd_);
                continue;
            }
            // A resume holds the thread until it has reported MV_PLAYING, so that the end of the
            // piece is never reported before it.
            if (pd_->status.state != MV_PAUSED && pd_->startReported) break;
            if (pd_->status.state == MV_PAUSED) {
                StateUnlock(pd_);
                FlushAudioDevice(&pd_->StdAudioDevice);
                StateLock(pd_);
            }
            if ((pd_->status.state == MV_PAUSED || !pd_->startReported) && !pd_->StopThePlayer && pd_->pendingSeek < 0)
                pthread_cond_wait(&pd_->pauseCond, &pd_->stateMutex);
        }
        const bool go = !pd_->StopThePlayer;
        StateUnlock(pd_);
        return go;
    }

    void Seek(int64_t target)
    {
        // A file whose data has all been read cannot move (the ring refuses): the seek is ignored.
        if (Ring_Seek_Fd(&pd_->mpegRing, pd_->fp, static_cast<long>(target)) != 0) return;
        front_.skip_pending = 0;
        DrainAudioDevice(&pd_->StdAudioDevice);
    }

    bool PlayFrame(bool formatChanged, std::size_t consumed, int outbytes)
    {
        if (formatChanged && !ReopenDevice()) return false;
        Report_Bytes_Read(&pd_->mpegRing, consumed);
        AudioDevice* dev = &pd_->StdAudioDevice;
        if (outbytes <= 0 || dev->bOutputOff) return true;
        if (WriteAudioData(dev, pcm_, outbytes) == outbytes || pd_->StopThePlayer) return true;
        error_ = dev->errtext;
        return false;
    }

    bool ReopenDevice()
    {
        DestroyAudioDevice(&pd_->StdAudioDevice);
        deviceOpen_ = false;
        return OpenDevice();
    }

    // No complete frame in the run. Returns the bytes that must be buffered before the next try.
    unsigned long NeedMore()
    {
        if (front_.end_of_data) {
            // A trailing incomplete frame: consumed, and it gives no sound.
            Report_Bytes_Read(&pd_->mpegRing, len_);
            return 0;
        }
        if (RunCut() || RingEnded(pd_)) return len_;
        if (len_ >= static_cast<unsigned long>(pd_->mpegRing.ulBuffSize * kHighWaterMark)) {
            // The ring holds all it will take and still no frame: what lies before the last
            // candidate header is not a stream.
            Report_Bytes_Read(&pd_->mpegRing, len_ - kLongestFrameRun);
            return 0;
        }
        return Underflow();
    }

    // The decoder caught up with the reader: buffer longer after each stall.
    unsigned long Underflow()
    {
        const unsigned long start = pd_->ulRingBuffStart;
        if (start < kStartPercentCeiling) pd_->ulRingBuffStart = start + kStartPercentStep;
        if (!pd_->settings.refillOnUnderflow) return len_;
        return std::max(len_, StartFill());
    }

    // No frame start in the run: drop what cannot begin one and go on with what follows.
    unsigned long NoSync(std::size_t droppable)
    {
        if (front_.end_of_data) {
            std::fputs(kDecodeError, stderr);
            Report_Bytes_Read(&pd_->mpegRing, len_);
            return 0;
        }
        if (RunCut() || RingEnded(pd_)) return len_;
        if (droppable == 0) return len_;  // a few bytes that may begin a header: wait for more
        std::fputs(kDecodeError, stderr);
        Report_Bytes_Read(&pd_->mpegRing, droppable);
        return 0;
    }

    void CleanUp()
    {
        if (ringReady_) CloseRingBufferNotify(&pd_->mpegRing);
        ShutdownSocket(pd_);
        JoinReader();
        CloseSource();
        if (deviceOpen_) DestroyAudioDevice(&pd_->StdAudioDevice);
        if (ringReady_) DeleteRingBuffer(&pd_->mpegRing);
        pd_->lastPosition = 0;
    }

    void JoinReader()
    {
        if (!pd_->readerThread) return;
        pthread_join(*pd_->readerThread, nullptr);
        std::free(pd_->readerThread);
        pd_->readerThread = nullptr;
    }

    void CloseSource()
    {
        pthread_mutex_lock(&pd_->fileMutex);
        if (pd_->fp) std::fclose(pd_->fp);
        pd_->fp = nullptr;
        if (pd_->mysock >= 0) close(pd_->mysock);
        pd_->mysock = -1;
        pthread_mutex_unlock(&pd_->fileMutex);
    }

    // Natural end or failure: the error text (the decoder's own, else the reader's), then the end
    // state, unless a stop or a newer start took over. Nothing of the record is touched after the
    // last report, so that the host may close or terminate from inside it.
    void ReportEnd()
    {
        if (error_.empty() && pd_->readError[0]) error_ = pd_->readError;
        std::snprintf(pd_->errorText, sizeof pd_->errorText, "%s", error_.c_str());
        StateLock(pd_);
        const bool own = !pd_->StopThePlayer && pd_->run == run_;
        if (own) pd_->status.state = endState_;
        StateUnlock(pd_);
        if (!own) return;
        if (endState_ == MV_CLOSED) {
            ReportState(ctrl_, pd_->errorText);
            return;
        }
        RingClearEndOfData(&pd_->mpegRing);
        if (!error_.empty()) {
            ReportError(ctrl_, pd_->errorText);
            if (!StillEnding()) return;
        }
        ReportState(ctrl_);
    }

    // After the error report: the host has not closed, terminated or restarted meanwhile.
    bool StillEnding()
    {
        if (ctrl_->pdata != pd_) return false;
        StateLock(pd_);
        const bool still = pd_->run == run_ && pd_->status.state == endState_ && !pd_->StopThePlayer;
        StateUnlock(pd_);
        return still;
    }

    MvPluginCtrl* ctrl_;
    MvPluginData* pd_;
    unsigned run_ = 0;
    DecoderFront front_;
    unsigned char* p_ = nullptr;  // the run the ring handed out
    unsigned long len_ = 0;
    bool ringReady_ = false;
    bool deviceOpen_ = false;
    uint32_t endState_ = MV_STOPPED;
    std::string error_;
    alignas(16) std::uint8_t pcm_[MpegDecoder::kMaxPcmBytes];
};

}  // namespace

void ShutdownSocket(MvPluginData* pd)
{
    pthread_mutex_lock(&pd->fileMutex);
    if (pd->mysock >= 0) shutdown(pd->mysock, SHUT_RDWR);
    pthread_mutex_unlock(&pd->fileMutex);
}

int StartDecoder(MvPluginCtrl* ctrl)
{
    MvPluginData* pd = Data(ctrl);
    pd->settings = ReadBriskoSettings(IsNetwork());
    pd->ulRingBuffStart = pd->settings.bufferStartPercent;
    // The decoder thread inherits the caller's priority.
    if (ctrl->prio > 0) qnx::setprio(0, ctrl->prio);
    StateLock(pd);
    pd->StopThePlayer = false;
    pd->startReported = false;
    pd->pendingSeek = -1;
    ++pd->run;
    StateUnlock(pd);
    pd->readError[0] = '\0';
    pd->decoderThread = StartThread(nullptr, nullptr, DecodeProc, ctrl, 0, nullptr);
    return pd->decoderThread ? 0 : -1;
}

void* DecodeProc(void* arg)
{
    auto* ctrl = static_cast<MvPluginCtrl*>(arg);
    auto run = std::make_unique<DecoderRun>(ctrl);
    run->Play();
    return nullptr;
}

}  // namespace brisko::core
