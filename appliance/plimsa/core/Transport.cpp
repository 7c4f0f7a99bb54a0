// Start, pause, stop, close and seek, on the host's thread.
#include "PlimsaCore.h"
#include "media/StartThread.h"

namespace plimsa::core {

namespace {

// Sets the stop request under the state mutex, so that the decoder thread's last check and its
// waits see it, and wakes a paused decoder thread.
void RequestStop(MvPluginData* pd) {
    pthread_mutex_lock(&pd->stateMutex);
    StopThePlayer = true;
    pthread_cond_broadcast(&pd->pauseCond);
    pthread_mutex_unlock(&pd->stateMutex);
}

}  // namespace

void StopDecoder(MvPluginData* pd) {
    RequestStop(pd);
    CloseRingBufferNotify(&Ring);
    JoinDecoderThread(&pd->decoderThread);
    RingClearEndOfData(&Ring);
}

int mstart(MvPluginCtrl* ctrl) {
    MvPluginData* pd = Data(ctrl);
    StopThePlayer = false;
    pd->status.videoWndTitle = "";
    uint32_t state = State(pd);
    if (state == MV_PLAYING) return 0;
    if (state == MV_PAUSED) {
        pthread_mutex_lock(&pd->stateMutex);
        const bool resumed = pd->status.state == MV_PAUSED;
        if (resumed) {
            pd->status.state = MV_PLAYING;
            pthread_cond_broadcast(&pd->pauseCond);
        }
        pthread_mutex_unlock(&pd->stateMutex);
        if (resumed) {
            ReportState(ctrl);
            return 0;
        }
        // The play came to its end while paused.
        state = State(pd);
    }
    JoinDecoderThread(&pd->decoderThread);
    // Nothing to play without a medium.
    if (state != MV_STOPPED || !pd->url || StartDecoder(ctrl) != 0) return -1;
    mstate(ctrl, MV_PLAYING);
    pthread_mutex_lock(&pd->stateMutex);
    pd->startReported = true;
    pthread_cond_broadcast(&pd->pauseCond);
    pthread_mutex_unlock(&pd->stateMutex);
    return 0;
}

// Only a playing medium pauses; the decoder thread stops at its next write.
int mpause(MvPluginCtrl* ctrl) {
    MvPluginData* pd = Data(ctrl);
    pthread_mutex_lock(&pd->stateMutex);
    const bool playing = pd->status.state == MV_PLAYING;
    if (playing) pd->status.state = MV_PAUSED;
    pthread_mutex_unlock(&pd->stateMutex);
    if (!playing) return 0;
    ReportState(ctrl);
    DrainAudioDevice(&StdAudioDevice);
    return 0;
}

int mstop(MvPluginCtrl* ctrl) {
    MvPluginData* pd = Data(ctrl);
    pd->status.videoWndTitle = "";
    if (State(pd) == MV_STOPPED) return 0;
    StopDecoder(pd);
    mstate(ctrl, MV_STOPPED);
    return 0;
}

int mclose(MvPluginCtrl* ctrl) {
    MvPluginData* pd = Data(ctrl);
    mstop(ctrl);
    RequestStop(pd);
    JoinDecoderThread(&pd->decoderThread);
    ReleaseMedium(pd);
    mstate(ctrl, MV_CLOSED);
    return 0;
}

int mseek_to(MvPluginCtrl* ctrl, int, uint32_t position) {
    MvPluginData* pd = Data(ctrl);
    pd->bytesPlayed = 0;
    pd->lastStep = -1;
    if (!IsFileMode() || !pd->stream || !pd->input || RingEndOfData(&Ring)) return -1;
    pthread_mutex_lock(&pd->stateMutex);
    const bool decoding = pd->decoding;
    // While the decoder thread plays, it moves the stream itself between two read units.
    if (decoding) {
        pd->pendingSeek = position;
        pthread_cond_broadcast(&pd->pauseCond);
    }
    pthread_mutex_unlock(&pd->stateMutex);
    if (!decoding) return ApplySeek(pd, position);
    DrainAudioDevice(&StdAudioDevice);
    return 0;
}

int ApplySeek(MvPluginData* pd, uint32_t position) {
    pd->bytesPlayed = 0;
    pd->lastStep = -1;
    pd->currentPosition = position;
    pd->positionBase = position;
    const uint64_t offset = pd->decoder->seek(*pd->stream, position);
    if (Ring_Seek_Fd(&Ring, pd->input, static_cast<long>(offset)) != 0) return -1;
    DrainAudioDevice(&StdAudioDevice);
    return 0;
}

}  // namespace plimsa::core
