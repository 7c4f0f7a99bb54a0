// The decoder thread: opens the source, starts the reader, waits for the buffer's start fill,
// sets the decoder up from the first header, opens the audio device for the decoder's output and
// plays frame after frame until the data ends, a stop is asked or something fails; then closes
// everything and reports the end. Every failure becomes an error text for the host.
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

#include "BriskoCore.h"
#include "CoreMessages.h"
#include "PlayerMedium.h"
#include "RingFront.h"
#include "brisko/DecoderFront.h"
#include "media/StartThread.h"
#include "qnx/Sched.h"

namespace brisko::core {

namespace {

using namespace messages;

class DecoderRun final : RingFront::Player {
public:
    explicit DecoderRun(MvPluginCtrl* ctrl)
        : ctrl_(ctrl),
          pd_(Data(ctrl)),
          frames_(pd_->mpegRing, front_, pd_->StopThePlayer, pd_->ulRingBuffStart, pd_->settings.bufferSize,
                  pd_->settings.refillOnUnderflow, stderr)
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
        return ConnectStream(ctrl_, Medium(pd_), pd_->StopThePlayer, pd_->fileMutex, pd_->mysock, pd_->bodyLength,
                             error_);
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

    // The header of the first frame. A stream that ends before one is found (empty, or holding no
    // MPEG audio) is an error, so that the host does not take it for a piece played to its end.
    bool FirstHeader()
    {
        if (frames_.Prefill() && frames_.ParseHeader(error_)) return true;
        if (error_.empty() && !pd_->StopThePlayer && !pd_->readError[0]) error_ = kNoFrames;
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

    void DecodeFrames() { frames_.DecodeFrames(*this, pcm_, error_); }

    // Pauses while the host says so, and moves the file when the host asked for a seek.
    // False when the player is to stop.
    bool CheckPauseAndSeek(unsigned long& minBytes) override
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

    bool PlayFrame(bool formatChanged, std::size_t consumed, int outbytes) override
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

    void CleanUp()
    {
        if (ringReady_) CloseRingBufferNotify(&pd_->mpegRing);
        ShutdownSocket(pd_);
        JoinReader();
        CloseFileAndSocket(pd_->fileMutex, pd_->fp, pd_->mysock);
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
    RingFront frames_;
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
