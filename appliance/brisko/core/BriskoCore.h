// Inside the MPEG plug-in: its private record (one player: medium, threads, ring buffer, audio
// device) and the steps its files share. Hosts see only the media plug-in interface (MvInit and
// the operation table); nothing here is exported from the library.
//
// Threads: the host's thread runs every command; the decoder thread (DecodeProc) opens the
// source, parses, decodes and writes to the audio device; the reader thread (GetDataProc) fills
// the ring buffer from the file or the socket. The decoder thread is joined by the host's thread,
// the reader thread by the decoder thread; neither detaches itself. The state, the stop request
// and a pending seek change under the state mutex; callbacks are made without it, so that a host
// may send commands from inside a callback.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <cstdio>

#include "BriskoSettings.h"
#include "PlayerMedium.h"
#include "brisko/FileInfo.h"
#include "media/Audio.h"
#include "mediaapi/MvPlugin.h"
#include "media/RingBuff.h"

struct MvPluginData {
    pthread_cond_t pauseCond = PTHREAD_COND_INITIALIZER;     // the decoder thread waits on it while paused
    pthread_cond_t otherCond = PTHREAD_COND_INITIALIZER;     // kept beside it, not waited on
    pthread_mutex_t stateMutex = PTHREAD_MUTEX_INITIALIZER;  // guards status.state and the fields marked (state)
    MvPluginStatus status{};
    MvMediaInfo media{};
    char* url = nullptr;    // the plug-in's copy of the open URL
    char* title = nullptr;  // media.title, media.moreinfo (malloc'd)
    char* moreinfo = nullptr;
    pthread_t* readerThread = nullptr;      // joined (and freed) by the decoder thread
    pthread_t* decoderThread = nullptr;     // joined (and freed) by the host's thread
    pthread_t initThread{};                 // the thread that called MvInit
    brisko::MpegFileInfo fileInfo;          // media length, frame spacing and duration of a file
    std::atomic<uint32_t> lastPosition{0};  // ms, last reported

    // Playing.
    std::atomic<bool> StopThePlayer{false};  // both playing threads end (written under the state mutex)
    bool startReported = false;              // (state) the start that runs the decoder thread was reported
    unsigned run = 0;                        // (state) counts starts; a decoder thread ends only its own run
    int64_t pendingSeek = -1;                // (state) file offset for the decoder thread to move to
    std::atomic<unsigned char> bDirectDigitalAudioOn{0};
    brisko::core::BriskoSettings settings;          // read at start
    std::atomic<unsigned long> ulRingBuffStart{0};  // start fill percent; grows after underflows
    RingBuffer mpegRing;
    AudioDevice StdAudioDevice;

    // The source. The decoder thread opens and closes it; the host's thread reads the file
    // position (status) and shuts the socket down (stop) under fileMutex.
    pthread_mutex_t fileMutex = PTHREAD_MUTEX_INITIALIZER;
    std::FILE* fp = nullptr;
    int mysock = -1;
    long long bodyLength = -1;  // the stream's Content-Length, -1 when its answer gave none
    char readError[256] = "";   // the reader's failure, set before it ends the ring
    char errorText[256] = "";   // the text of the decoder thread's last error report
};

extern MvPluginCtrl* g_PluginCtrl;

namespace brisko::core {

inline MvPluginData* Data(MvPluginCtrl* ctrl) { return ctrl->pdata; }
inline bool IsNetwork() { return g_Setup.streamType == MV_STREAM; }
inline MediumFields Medium(MvPluginData* pd)
{
    return {pd->url, pd->title, pd->moreinfo, pd->media, pd->status, pd->fileInfo};
}

// State and reports (Reports.cpp).
void StateLock(MvPluginData* pd);
void StateUnlock(MvPluginData* pd);
uint32_t State(MvPluginData* pd);
void SetState(MvPluginData* pd, uint32_t state);
// Wakes the decoder thread's waits (pause, start report, seek); called with the state mutex held.
void WakeDecoder(MvPluginData* pd);
// Sets the state and reports it: mask 1, 5 for MV_STOPPED, with a text 65 or 69.
void qnx_state(MvPluginCtrl* ctrl, uint32_t state, const char* text = nullptr);
// Reports the state as it stands.
void ReportState(MvPluginCtrl* ctrl, const char* text = nullptr);
// An error text alone (mask 64).
void ReportError(MvPluginCtrl* ctrl, const char* text);
// Whether the ring buffer's data has ended; whether it was ever initialised.
inline bool RingEnded(MvPluginData* pd) { return RingEndOfData(&pd->mpegRing); }
bool RingInitialised(MvPluginData* pd);

// Opening and closing (OpenMedia.cpp).
int qnx_open_urls(MvPluginCtrl* ctrl, int count, const char** urls);
int qnx_close(MvPluginCtrl* ctrl);
// The file path of a file:// URL: the text after its first seven characters ("" when shorter).
const char* FilePath(const char* url);

// Transport (Transport.cpp).
int qnx_start(MvPluginCtrl* ctrl);
int qnx_pause(MvPluginCtrl* ctrl);
int qnx_stop(MvPluginCtrl* ctrl);
int qnx_seek_to(MvPluginCtrl* ctrl, int delta, uint32_t position);
// Asks both playing threads to end, wakes them and joins the decoder thread; no report.
void StopDecoder(MvPluginData* pd);

// Parameters, status and volume (HostRequests.cpp).
int qnx_set_params(MvPluginCtrl* ctrl, uint32_t which, MvPlaybackParams* param);
int qnx_get_status(MvPluginCtrl* ctrl);
int qnx_direct_audio(MvPluginCtrl* ctrl, int on);
int qnx_setmute(MvPluginCtrl* ctrl, int on);

// The audio device for the decoder's output format (AudioOutput.cpp). 0, or -1 with the reason
// in the device's errtext (the device is then closed).
int OpenOutputDevice(MvPluginData* pd, const brisko::DecodeInfo& info);

// Playing (DecodeProc.cpp, GetDataProc.cpp).
// Reads the settings and starts the decoder thread, which waits for the start's report. 0 or -1.
int StartDecoder(MvPluginCtrl* ctrl);
// Wakes a reader blocked on the network socket: its read returns at once.
void ShutdownSocket(MvPluginData* pd);
void* DecodeProc(void* arg);
void* GetDataProc(void* arg);

}  // namespace brisko::core
