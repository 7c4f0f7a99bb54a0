// Start, pause, stop and seek, on the host's thread.
#include <cstdio>

#include "BriskoCore.h"
#include "CoreMessages.h"
#include "media/StartThread.h"

namespace brisko::core {

namespace {

bool FileOpen(MvPluginData* pd)
{
    pthread_mutex_lock(&pd->fileMutex);
    const bool open = pd->fp != nullptr;
    pthread_mutex_unlock(&pd->fileMutex);
    return open;
}

int Resume(MvPluginCtrl* ctrl)
{
    ReportState(ctrl);
    MvPluginData* pd = Data(ctrl);
    StateLock(pd);
    pd->startReported = true;
    WakeDecoder(pd);
    StateUnlock(pd);
    return 0;
}

// Asks both playing threads to end; called with the state mutex held, so that the decoder
// thread's own end (which it decides under the same mutex) and a stop never both report.
void RequestStop(MvPluginData* pd)
{
    pd->StopThePlayer = true;
    WakeDecoder(pd);
}

// Wakes every wait of the playing threads and joins the decoder thread (which joins the reader).
void EndDecoder(MvPluginData* pd)
{
    CloseRingBufferNotify(&pd->mpegRing);
    ShutdownSocket(pd);
    JoinDecoderThread(&pd->decoderThread);
}

}  // namespace

void StopDecoder(MvPluginData* pd)
{
    StateLock(pd);
    RequestStop(pd);
    StateUnlock(pd);
    EndDecoder(pd);
}

int qnx_start(MvPluginCtrl* ctrl)
{
    MvPluginData* pd = Data(ctrl);
    pd->status.videoWndTitle = "";
    StateLock(pd);
    const uint32_t state = pd->status.state;
    if (state == MV_PAUSED) {
        // The decoder thread goes on once the resume is reported (Resume).
        pd->status.state = MV_PLAYING;
        pd->startReported = false;
    }
    StateUnlock(pd);
    if (state == MV_PLAYING) return 0;
    if (state == MV_PAUSED) return Resume(ctrl);
    if (state != MV_STOPPED) {
        std::fprintf(stderr, messages::kUnknownState, static_cast<int>(state));
        return -1;
    }
    JoinDecoderThread(&pd->decoderThread);
    // Nothing to play without a medium (a stop sent while closed leaves MV_STOPPED).
    if (!pd->url || StartDecoder(ctrl) != 0) return -1;
    qnx_state(ctrl, MV_PLAYING);
    StateLock(pd);
    pd->startReported = true;
    WakeDecoder(pd);
    StateUnlock(pd);
    return 0;
}

int qnx_pause(MvPluginCtrl* ctrl)
{
    MvPluginData* pd = Data(ctrl);
    StateLock(pd);
    const bool playing = pd->status.state == MV_PLAYING;
    if (playing) pd->status.state = MV_PAUSED;
    StateUnlock(pd);
    if (!playing) return 0;
    ReportState(ctrl);
    DrainAudioDevice(&pd->StdAudioDevice);
    return 0;
}

int qnx_stop(MvPluginCtrl* ctrl)
{
    MvPluginData* pd = Data(ctrl);
    pd->status.videoWndTitle = "";
    StateLock(pd);
    const bool stopped = pd->status.state == MV_STOPPED;
    if (!stopped) RequestStop(pd);
    StateUnlock(pd);
    if (stopped) {
        // Ended by itself: the decoder thread has reported, or is about to, and is finishing.
        JoinDecoderThread(&pd->decoderThread);
        return 0;
    }
    EndDecoder(pd);
    qnx_state(ctrl, MV_STOPPED);
    return 0;
}

int qnx_seek_to(MvPluginCtrl* ctrl, int, uint32_t position)
{
    MvPluginData* pd = Data(ctrl);
    if (IsNetwork() || !FileOpen(pd) || !RingInitialised(pd)) return 0;
    const int64_t target = SeekTargetByte(pd->fileInfo, position);
    if (target < 0) return 0;  // the duration is not known
    DrainAudioDevice(&pd->StdAudioDevice);
    // The decoder thread moves the file between two frames, so that no frame it is decoding in
    // place is flushed under it.
    StateLock(pd);
    pd->pendingSeek = target;
    WakeDecoder(pd);
    StateUnlock(pd);
    pd->lastPosition = 0;
    return 0;
}

}  // namespace brisko::core
