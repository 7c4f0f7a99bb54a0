// The decoder thread: connects a network stream, fills the ring through the producer thread,
// opens the audio device, and plays the ring read unit by read unit through the stream's reader.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "BufferSettings.h"
#include "CoreMessages.h"
#include "DirectAudio.h"
#include "PlayPosition.h"
#include "PlimsaCore.h"
#include "mediaapi/HttpOpen.h"
#include "media/StartThread.h"

namespace plimsa::core {

namespace {

using namespace messages;

constexpr int kFragmentSize = 4096;
constexpr int kFragments = 2;
constexpr int kStartMode = qnx::SND_PCM_START_GO;
constexpr int kDecoderPriorityOffset = -1;
constexpr unsigned long kFileReadMode = 1;  // the decoder reports what it consumed
constexpr unsigned long kWriteMode = 3;

// The decoder thread begins once the start that made it has reported MV_PLAYING, so that its own
// reports never come before that one; a stop meanwhile ends the wait.
void WaitForStartReport(MvPluginData* pd) {
    pthread_mutex_lock(&pd->stateMutex);
    while (!pd->startReported && !StopThePlayer) pthread_cond_wait(&pd->pauseCond, &pd->stateMutex);
    pthread_mutex_unlock(&pd->stateMutex);
}

// Keeps copies of the stream-description header lines the HTTP client found.
void TakeHeaderTexts(MvPluginData* pd, MvMediaInfo& info) {
    pd->httpTitle = info.title ? info.title : "";
    pd->httpMoreinfo = info.moreinfo ? info.moreinfo : "";
    pd->httpMedia = MvMediaInfo{};
    pd->httpMedia.which = MV_MEDIA_INFO;
    pd->httpMedia.type = MV_MEDIA_AUDIO;
    pd->httpMedia.url = pd->url;
    pd->httpMedia.title = info.title ? pd->httpTitle.c_str() : nullptr;
    pd->httpMedia.moreinfo = info.moreinfo ? pd->httpMoreinfo.c_str() : nullptr;
    std::free(const_cast<char*>(info.title));
    std::free(const_cast<char*>(info.moreinfo));
}

// A network medium: a new connection at each start, its header read anew from the ring.
bool ConnectStream(MvPluginCtrl* ctrl) {
    MvPluginData* pd = Data(ctrl);
    if (pd->stream) pd->decoder->close(std::move(pd->stream));
    pd->stream.reset();
    char errtext[kHttpErrTextSize] = "";
    MvMediaInfo info{};
    info.url = pd->url;
    pd->reportedStream = &pd->httpMedia;
    mysock = OpenHttp(pd->url, &info, errtext, &StopThePlayer, &pd->bodyLength);
    TakeHeaderTexts(pd, info);
    if (mysock < 0) {
        mysock = -1;
        if (!StopThePlayer) {
            pd->status.errormsg = KeepErrorText(pd, errtext[0] ? errtext : kCouldNotConnect);
            ctrl->cb(ctrl, MVS_ERRORMSG, &pd->status);
        }
        return false;
    }
    pd->status.media_info = &pd->httpMedia;
    ctrl->cb(ctrl, MVS_MEDIA, &pd->status);
    pd->input = fdopen(mysock, "r");
    return true;
}

bool OpenOutput(MvPluginCtrl* ctrl) {
    int card = 0, device = 0;
    ChoosePlaybackDevice(card, device);
    if (OpenAudioDevice(&StdAudioDevice, card, device) == 0) return true;
    errmsg(ctrl, "%s", StdAudioDevice.errtext);
    return false;
}

bool InitOutput(MvPluginCtrl* ctrl, const SoundStream& stream) {
    if (InitAudioDevice(&StdAudioDevice, static_cast<int>(stream.sampleRate), stream.channels,
                        MvAudioBitsPerSample(stream.sampleFormat), MvAudioFormat(stream.sampleFormat), kFragments,
                        kFragmentSize, kStartMode) == 0)
        return true;
    errmsg(ctrl, "%s", StdAudioDevice.errtext);
    return false;
}

// Waits while the medium is paused; false when the piece is not to be played (stop or seek).
bool WaitWhilePaused(MvPluginData* pd) {
    pthread_mutex_lock(&pd->stateMutex);
    // A resume holds the thread until it has reported MV_PLAYING, so that the end of the piece
    // is never reported before it.
    auto held = [pd] {
        return (pd->status.state == MV_PAUSED || !pd->startReported) && !StopThePlayer && pd->pendingSeek < 0;
    };
    while (held()) {
        if (pd->status.state == MV_PAUSED) {
            pthread_mutex_unlock(&pd->stateMutex);
            FlushAudioDevice(&StdAudioDevice);
            pthread_mutex_lock(&pd->stateMutex);
            if (!held()) break;
        }
        pthread_cond_wait(&pd->pauseCond, &pd->stateMutex);
    }
    const bool play = !StopThePlayer && pd->pendingSeek < 0;
    pthread_mutex_unlock(&pd->stateMutex);
    return play;
}

void AdvancePosition(MvPluginData* pd, const SoundStream& stream, uint32_t length) {
    const uint64_t played = pd->bytesPlayed += length;
    const uint32_t elapsed = ElapsedMs(played, stream.sampleRate, pd->bitsPerFrame);
    const uint32_t current = elapsed + pd->positionBase;
    pd->currentPosition = current;
    const int64_t step = elapsed / std::max<uint32_t>(pd->playParams.status_frequency, 1);
    if (step != pd->lastStep) {
        pd->lastStep = step;
        pd->reportedPosition = current;
    }
}

// Called by the reader's play for each decoded piece.
int sound_writer(SoundStream& stream, const uint8_t* data, uint32_t length) {
    if (StopThePlayer) return -1;
    MvPluginData* pd = Data(static_cast<MvPluginCtrl*>(stream.owner));
    if (!WaitWhilePaused(pd) || length == 0) return -1;
    if (WriteAudioData(&StdAudioDevice, data, static_cast<int>(length)) == 0) {
        // The device failed even after its recovery (its sound server gone, say): the play ends
        // with its reason rather than feeding a dead device for ever.
        std::snprintf(pd->deviceError, sizeof pd->deviceError, "%s", StdAudioDevice.errtext);
        if (!pd->deviceError[0]) std::snprintf(pd->deviceError, sizeof pd->deviceError, "%s", kAudioDeviceFailed);
        return -1;
    }
    AdvancePosition(pd, stream, length);
    return 0;
}

void HandleWaitMoreData() { ulRingBuffStart = RaiseStartPercent(ulRingBuffStart); }

void ApplyPendingSeek(MvPluginData* pd) {
    pthread_mutex_lock(&pd->stateMutex);
    const int64_t target = pd->pendingSeek;
    pd->pendingSeek = -1;
    pthread_mutex_unlock(&pd->stateMutex);
    if (target >= 0) ApplySeek(pd, static_cast<uint32_t>(target));
}

// Bytes to wait for before the next read: one read unit, or after a low-buffer moment the start
// fill. Never less than a read unit, so that a block is never split while more data are to come.
unsigned long NextMinimum(unsigned long unit) {
    unsigned long minimum = unit;
    if (RingGetBytesInBuffer(&Ring) < 2 * unit) {
        HandleWaitMoreData();
        minimum = PrefillBytes(ulRingBuffSize, ulRingBuffStart);
    }
    return std::max(minimum, unit - 1);
}

void PlayLoop(MvPluginCtrl* ctrl) {
    MvPluginData* pd = Data(ctrl);
    SoundStream& stream = *pd->stream;
    const SoundDecoder& decoder = *pd->decoder;
    const unsigned long unit = stream.readUnit;
    while (!StopThePlayer && !pd->deviceError[0]) {
        ApplyPendingSeek(pd);
        unsigned char* run = nullptr;
        unsigned long length = 0;
        if (Ring_Read_Ptr(&Ring, &run, &length, NextMinimum(unit), 0) < 0) break;
        MyDataBufferSize = length;
        stream.input = run;
        stream.inputLength = static_cast<uint32_t>(std::min(unit, length));
        decoder.play(stream, sound_writer);
        Report_Bytes_Read(&Ring, stream.inputLength);
    }
}

// The ring is filled, the device opened and the stream known; then it plays.
void Play(MvPluginCtrl* ctrl) {
    MvPluginData* pd = Data(ctrl);
    if (InitRingBuffer(&Ring, ulRingBuffSize, kFileReadMode, kWriteMode) != 0) return;
    // A stop that came before the ring was set up still ends every wait.
    if (StopThePlayer) CloseRingBufferNotify(&Ring);
    pd->producerThread = StartThread(nullptr, nullptr, GetDataProc, ctrl, 0, nullptr);
    if (!pd->producerThread) CloseRingBufferNotify(&Ring);
    unsigned char* run = nullptr;
    unsigned long length = 0;
    Ring_Read_Ptr(&Ring, &run, &length, PrefillBytes(ulRingBuffSize, ulRingBuffStart), 0);
    if (!OpenOutput(ctrl)) return;
    if (!IsFileMode()) OpenStream(ctrl, &Ring);
    if (pd->stream && InitOutput(ctrl, *pd->stream)) PlayLoop(ctrl);
}

// Releases ring, producer, socket and device, reports a read error, then the end of play.
void EndOfPlay(MvPluginCtrl* ctrl) {
    MvPluginData* pd = Data(ctrl);
    pthread_mutex_lock(&pd->stateMutex);
    pd->decoding = false;
    pd->pendingSeek = -1;
    pthread_mutex_unlock(&pd->stateMutex);
    CloseRingBufferNotify(&Ring);
    if (mysock >= 0) shutdown(mysock, SHUT_RDWR);
    if (pd->producerThread) {
        pthread_join(*pd->producerThread, nullptr);
        std::free(pd->producerThread);
        pd->producerThread = nullptr;
    }
    if (mysock >= 0) {
        if (pd->input) std::fclose(pd->input);
        else close(mysock);
        pd->input = nullptr;
        mysock = -1;
    }
    DestroyAudioDevice(&StdAudioDevice);
    DeleteRingBuffer(&Ring);
    RingClearEndOfData(&Ring);

    char readError[sizeof pd->producerError];
    std::memcpy(readError, pd->producerError, sizeof readError);
    pd->producerError[0] = '\0';
    if (readError[0] && !StopThePlayer) errmsg(ctrl, "%s", readError);
    char deviceError[sizeof pd->deviceError];
    std::memcpy(deviceError, pd->deviceError, sizeof deviceError);
    pd->deviceError[0] = '\0';
    if (deviceError[0] && !StopThePlayer) errmsg(ctrl, "%s", deviceError);

    // After a stop the stopping command reports MV_STOPPED itself.
    pthread_mutex_lock(&pd->stateMutex);
    const bool report = !StopThePlayer;
    if (report) pd->status.state = MV_STOPPED;
    pthread_mutex_unlock(&pd->stateMutex);
    if (report) ReportState(ctrl);
}

}  // namespace

int StartDecoder(MvPluginCtrl* ctrl) {
    MvPluginData* pd = Data(ctrl);
    const BufferSettings settings = ReadBufferSettings(!IsFileMode());
    ulRingBuffSize = settings.size;
    ulRingBuffStart = settings.startPercent;
    pthread_mutex_lock(&pd->stateMutex);
    StopThePlayer = false;
    pd->startReported = false;
    pd->decoding = true;
    pd->pendingSeek = -1;
    pthread_mutex_unlock(&pd->stateMutex);
    pd->decoderThread = StartThread(nullptr, nullptr, DecodeProc, ctrl, kDecoderPriorityOffset, nullptr);
    if (pd->decoderThread) return 0;
    pthread_mutex_lock(&pd->stateMutex);
    pd->decoding = false;
    pthread_mutex_unlock(&pd->stateMutex);
    return -1;
}

void* DecodeProc(void* arg) {
    auto* ctrl = static_cast<MvPluginCtrl*>(arg);
    MvPluginData* pd = Data(ctrl);
    WaitForStartReport(pd);
    if (IsFileMode() && !pd->stream && !openfile(ctrl)) {
        std::perror(kFopenFailed);
        pthread_mutex_lock(&pd->stateMutex);
        pd->decoding = false;
        pthread_mutex_unlock(&pd->stateMutex);
        mstate(ctrl, MV_CLOSED, kUnableToOpen);
        return nullptr;
    }
    if (IsFileMode() || ConnectStream(ctrl)) Play(ctrl);
    EndOfPlay(ctrl);
    return nullptr;
}

}  // namespace plimsa::core
