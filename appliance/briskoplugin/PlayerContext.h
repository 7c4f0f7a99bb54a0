// Inside the browser plug-in: one player per embedded object. The player context holds
// everything one player needs (status, settings copy, decoder, ring buffer, audio device,
// threads), so that the objects of one page play side by side; the browser glue (PluginEntry)
// makes a context for each instance and feeds it the bytes the browser delivers.
//
// Threads: the browser thread runs every entry point and command holding the GUI library lock;
// each context's decoder thread decodes and plays (and, for a source opened by URL, its reader
// thread fills the ring). The GUI loop's thread delivers mixer changes. Every wait for a player
// thread releases the GUI lock first, so that the thread can take it.
#pragma once

#include <pthread.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>

#include "PluginAudio.h"
#include "brisko/DecoderFront.h"
#include "brisko/FileInfo.h"
#include "core/BriskoSettings.h"
#include "core/PlayerMedium.h"
#include "mediaapi/MvPlugin.h"
#include "media/RingBuff.h"

struct InstanceRecord;

namespace briskoplugin {

inline constexpr std::size_t kTagCopyBytes = 20000;

// The ID3v2 tag of the stream, kept for one report to the host.
struct TagCopy {
    uint32_t length = 0;  // bytes kept
    int state = 0;        // 0 none, 1 waiting to be reported, 2 reported
    unsigned char data[kTagCopyBytes];
};

struct PlayerContext {
    MvPluginStatus status{};         // reported to the host
    MvSetup setup{};                 // the host's settings; audio.volume/reserve_2: last volume and balance reported
    MvMediaInfo media{};             // status.media_info points here
    std::atomic<int> repeatType{0};  // 0 none, 1 ask for the stream again at its end
    std::unique_ptr<brisko::DecoderFront> front;  // this player's own decoder, made for each stream
    RingBuffer ring;
    TagCopy tag{};
    PluginAudioDevice audio;
    brisko::MpegFileInfo fileInfo;            // media length, frame spacing, duration of a file
    unsigned long ringSize = 0;               // bytes of the ring's block
    std::atomic<unsigned long> ringStart{0};  // start fill percent; grows after underflows
    pthread_t owner{};                        // the thread that made the context
    std::atomic<bool> directDigital{false};
    std::atomic<bool> stop{false};     // both player threads end
    std::atomic<bool> refetch{false};  // the browser was asked for the stream again
    pthread_cond_t pauseCond = PTHREAD_COND_INITIALIZER;
    pthread_mutex_t stateMutex = PTHREAD_MUTEX_INITIALIZER;  // guards status.state and the (state) fields
    pthread_t *readerThread = nullptr;                       // joined by the decoder thread
    pthread_t *decoderThread = nullptr;                      // joined by the browser thread
    int sock = -1;
    long long bodyLength = -1;           // the stream's Content-Length, -1 when its answer gave none
    char readError[256] = "";            // the reader's failure, set before it ends the ring
    InstanceRecord *instance = nullptr;  // the browser glue's record of this object
    std::FILE *fp = nullptr;

    // Ours, beside the record's own fields.
    MvPluginCtrl *ctrl = nullptr;
    char *url = nullptr;    // a source opened by URL (command path); null for browser streams
    char *title = nullptr;  // media.title and media.moreinfo of a network stream (malloc'd)
    char *moreinfo = nullptr;
    brisko::core::BriskoSettings settings;    // read at start
    bool startReported = false;               // (state) the start that runs the decoder thread was reported
    unsigned run = 0;                         // (state) counts starts
    int64_t pendingSeek = -1;                 // (state) file offset for the decoder thread to move to
    std::atomic<bool> decoderRunning{false};  // a decoder thread was started and has not ended
    std::atomic<bool> ringReady{false};       // this run's decoder thread has emptied or made the ring
    pthread_mutex_t fileMutex = PTHREAD_MUTEX_INITIALIZER;  // fp and sock between threads
    char errorText[256] = "";
};

inline PlayerContext *Context(MvPluginCtrl *ctrl)
{
    return ctrl ? reinterpret_cast<PlayerContext *>(ctrl->pdata) : nullptr;
}

inline brisko::core::MediumFields Medium(PlayerContext *pc)
{
    return {pc->url, pc->title, pc->moreinfo, pc->media, pc->status, pc->fileInfo};
}

// Makes the context of ctrl (counterpart of a plug-in's entry). 0, or -1 when it cannot be made.
int CreatePlayerContext(MvPluginCtrl *ctrl);

// Sets the state and reports it: mask 1, 5 for MV_STOPPED, with a text 65 or 69.
void ReportState(MvPluginCtrl *ctrl, uint32_t state, const char *text = nullptr);
// An error text alone (mask 64).
void ReportError(MvPluginCtrl *ctrl, const char *text);
uint32_t State(PlayerContext *pc);

// The volume hook of the audio output: reports a new volume and balance to the host once per
// change. The volume, or -1 when nothing was reported.
int SetPlayerVolume(MvPluginCtrl *ctrl, int volume, int balance);

// Starting and stopping (PlayerCommands.cpp).
int StartPlayer(MvPluginCtrl *ctrl);  // CMD_PLUGIN_START
int StopPlayer(MvPluginCtrl *ctrl);   // CMD_PLUGIN_STOP

// The player threads (PlayerThreads.cpp). StartDecoder reads the environment and starts the
// decoder thread; 0 or -1.
int StartDecoder(MvPluginCtrl *ctrl);
void *DecodeProc(void *arg);
void *GetDataProc(void *arg);
// Starts a joinable thread, silently; the holder (freed by its joiner) or null.
pthread_t *StartThread(void *(*routine)(void *), void *arg);
// Joins the decoder thread with the GUI lock released; frees the holder.
void JoinDecoder(PlayerContext *pc);

// The ID3v2 tag size at p (header, and footer when flagged), copying at most what is buffered
// (avail) and at most kTagCopyBytes into the context; -1 when p holds no tag.
int64_t CheckID3(PlayerContext *pc, const unsigned char *p, std::size_t avail);

}  // namespace briskoplugin

// Provided by the browser glue: asks the browser for the stream of the context's instance again
// (unless an error was shown).
void RequestStreamAgain(InstanceRecord *record);
