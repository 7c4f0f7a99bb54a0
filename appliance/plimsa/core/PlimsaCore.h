#pragma once
// Inside the sound-file plug-in: its private record, its process-wide state and the steps its
// files share. The plug-in's contract with hosts is the media plug-in interface (MvInit and the
// operation table); nothing here is seen outside the library.
//
// Threads: the host's thread runs every command; the decoder thread (DecodeProc) reads the ring,
// decodes through the stream's reader and writes to the audio device; the producer thread
// (GetDataProc) fills the ring from the file or the socket. State changes happen under
// stateMutex; callbacks are made without it, so that a host may send commands from a callback.

#include <pthread.h>

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "media/Audio.h"
#include "mediaapi/MvPlugin.h"
#include "media/RingBuff.h"
#include "plimsa/readers/SoundDecoder.h"

struct MvPluginData {
    MvPluginStatus status{};
    // Only status_frequency is used: the position step in ms (raised to the block duration).
    MvPlaybackParams playParams{};
    // The open file of a file medium, or the socket of a network medium as a stream.
    std::FILE* input = nullptr;
    std::atomic<uint32_t> currentPosition{0};   // ms
    std::atomic<uint32_t> reportedPosition{0};  // ms, at the last step boundary
    // The record whose media information is reported: the medium's, or a network stream's
    // while only its HTTP header lines are known.
    const MvMediaInfo* reportedStream = nullptr;
    const plimsa::SoundDecoder* decoder = nullptr;
    std::atomic<uint64_t> bytesPlayed{0};  // decoded bytes written since the open or the last seek
    uint32_t bitsPerFrame = 0;
    std::atomic<uint32_t> positionBase{0};  // ms, the target of the last seek
    std::atomic<int64_t> lastStep{-1};
    uint32_t blockDuration = 0;  // ms

    pthread_mutex_t stateMutex = PTHREAD_MUTEX_INITIALIZER;  // guards status.state and the flags below
    pthread_cond_t pauseCond = PTHREAD_COND_INITIALIZER;     // wakes the decoder thread (resume, stop, seek)
    bool startReported = false;  // the start that runs the decoder thread has reported MV_PLAYING
    bool decoding = false;       // the decoder thread is in its play loop
    int64_t pendingSeek = -1;    // ms the decoder thread is to seek to, or -1

    pthread_t* producerThread = nullptr;  // joined by the decoder thread
    pthread_t* decoderThread = nullptr;   // joined by the host's thread
    pthread_t initThread{};

    char* url = nullptr;  // heap copy of the open URL
    std::unique_ptr<plimsa::SoundStream> stream;

    // What the host is told of the open medium, and of a network stream before its header.
    MvMediaInfo media{};
    std::string mediaTitle, mediaMoreinfo;
    MvMediaInfo httpMedia{};
    std::string httpTitle, httpMoreinfo;
    MvMediaInfo noMedia{};

    long long bodyLength = -1;     // the stream's Content-Length, -1 when its answer gave none
    char producerError[256] = "";  // a read error of the producer, reported by the decoder thread
    char deviceError[256] = "";    // why the audio device refused a piece; the play ends
    // The texts the status points at: a host may read them after the report that named them.
    char errorText[256] = "";
    char titleText[50] = "";
};

namespace plimsa::core {

// Process-wide state: one plug-in instance per loaded library.
extern MvPluginCtrl* g_PluginCtrl;
extern std::atomic<unsigned char> bDirectDigitalAudioOn;
extern std::atomic<bool> StopThePlayer;
extern RingBuffer Ring;
extern AudioDevice StdAudioDevice;
extern unsigned long ulRingBuffSize;
extern std::atomic<unsigned long> ulRingBuffStart;
extern int mysock;  // socket of the network stream; 0 when none
extern unsigned long MyDataBufferSize;

inline MvPluginData* Data(MvPluginCtrl* ctrl) { return ctrl->pdata; }
inline bool IsFileMode() { return g_Setup.streamType == MV_STREAM_ASFILE; }

// Reports (Reports.cpp).
void mstate(MvPluginCtrl* ctrl, uint32_t state, const char* text = nullptr);
// Reports the state as it stands (set by the caller under the state mutex).
// Copies an error text into the instance's own buffer, which outlives the report; returns it.
const char* KeepErrorText(MvPluginData* pd, const char* text);
void ReportState(MvPluginCtrl* ctrl, const char* text = nullptr);
// Sets the state under the state mutex without a report.
void SetState(MvPluginData* pd, uint32_t state);
uint32_t State(MvPluginData* pd);
[[gnu::format(printf, 2, 3)]] void errmsg(MvPluginCtrl* ctrl, const char* format, ...);
void errmsgfun(MvPluginCtrl* ctrl, const char* format, va_list args);

// Opening (OpenMedia.cpp).
int mopen_urls(MvPluginCtrl* ctrl, int count, const char** urls);
SoundStream* openfile(MvPluginCtrl* ctrl);
SoundStream* OpenStream(MvPluginCtrl* ctrl, RingBuffer* ring);
void calcminfreqfun(MvPluginData* pd);
// Closes the stream and forgets the URL and what the host was told of the medium.
void ReleaseMedium(MvPluginData* pd);

// Transport (Transport.cpp).
int mstart(MvPluginCtrl* ctrl);
int mpause(MvPluginCtrl* ctrl);
int mstop(MvPluginCtrl* ctrl);
int mclose(MvPluginCtrl* ctrl);
int mseek_to(MvPluginCtrl* ctrl, int delta, uint32_t position);
// Moves a file medium to `position` ms: the reader, the ring and the file; the audio device is
// drained. On the decoder thread while it plays, else on the host's.
int ApplySeek(MvPluginData* pd, uint32_t position);
// Asks both threads to end, wakes them, joins the decoder thread and clears the ring's
// end-of-data flag, without a report.
void StopDecoder(MvPluginData* pd);

// Parameters, status and volume (HostRequests.cpp).
int mset_params(MvPluginCtrl* ctrl, uint32_t which, MvPlaybackParams* param);
int mget_status(MvPluginCtrl* ctrl);
int msetmute(MvPluginCtrl* ctrl, int on);
int mdirect_audio(MvPluginCtrl* ctrl, int on);

// The card and device to play through (DirectAudio.cpp).
void ChoosePlaybackDevice(int& card, int& device);

// Playing (DecodeProc.cpp, GetDataProc.cpp).
int StartDecoder(MvPluginCtrl* ctrl);
void* DecodeProc(void* arg);
void* GetDataProc(void* arg);

}  // namespace plimsa::core
