// The player context's making, reports, volume hook, command dispatcher and terminate.
#include <strings.h>
#include <sys/mman.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <new>
#include <thread>

#include "PlayerContext.h"
#include "brisko/ByteSource.h"
#include "media/RingBuff.h"
#include "photon/PtApp.h"

namespace briskoplugin {
namespace {

constexpr const char *kBuffersText = "Buffers (%d/%d)";
constexpr const char *kUsage = "usage: brisko briskofilename\n";
constexpr uint32_t kStatusFrequencyMs = 1000;

void StateLock(PlayerContext *pc)
{
    pthread_mutex_lock(&pc->stateMutex);
}
void StateUnlock(PlayerContext *pc)
{
    pthread_mutex_unlock(&pc->stateMutex);
}

int Open(MvPluginCtrl *ctrl, int count, const char **urls)
{
    PlayerContext *pc = Context(ctrl);
    if (count <= 0 || !urls || !urls[0]) {
        std::fputs(kUsage, stderr);
        return -1;
    }
    pthread_mutex_lock(&pc->fileMutex);
    if (pc->fp) std::fclose(pc->fp);
    pc->fp = nullptr;
    pthread_mutex_unlock(&pc->fileMutex);
    brisko::core::ReleaseMedium(Medium(pc));
    pc->url = strdup(urls[0]);
    pc->media.url = pc->url;
    if (strncasecmp(pc->url, "http://", 7) == 0) {
        pc->setup.streamType = MV_STREAM;
        pc->media.type = MV_MEDIA_AUDIO;
        pc->media.duration = brisko::kDurationUnknown;
    } else {
        pc->setup.streamType = MV_STREAM_ASFILE;
        pc->media.type = MV_MEDIA_AUDIO | MV_MEDIA_SEEKABLE;
        const char *path = std::strlen(pc->url) > 7 ? pc->url + 7 : "";
        if (std::FILE *fp = std::fopen(path, "rb")) {
            brisko::get_info(brisko::FileByteSource(fp), pc->fileInfo, nullptr);
            std::fclose(fp);
        }
        if (pc->fileInfo.has_title) pc->media.title = pc->title = strdup(pc->fileInfo.title.c_str());
        if (pc->fileInfo.has_moreinfo) pc->media.moreinfo = pc->moreinfo = strdup(pc->fileInfo.moreinfo.c_str());
        pc->media.duration = pc->fileInfo.duration;
    }
    brisko::core::ReportOpened(ctrl, Medium(pc), ReportState);
    return 0;
}

int Close(MvPluginCtrl *ctrl)
{
    return brisko::core::CloseMedium(ctrl, Medium(Context(ctrl)), StopPlayer, ReportState);
}

int Pause(MvPluginCtrl *ctrl)
{
    PlayerContext *pc = Context(ctrl);
    // After the end of the data there is nothing left to hold.
    if (State(pc) == MV_PAUSED || RingEndOfData(&pc->ring)) return 0;
    ReportState(ctrl, MV_PAUSED);
    return 0;
}

int SeekTo(MvPluginCtrl *ctrl, uint32_t position)
{
    PlayerContext *pc = Context(ctrl);
    if (!pc->fp || pc->ring.State == 0 || pc->setup.streamType == MV_STREAM) return 0;
    const int64_t target = brisko::SeekTargetByte(pc->fileInfo, position);
    if (target < 0) return 0;
    StateLock(pc);
    pc->pendingSeek = target;
    pthread_cond_broadcast(&pc->pauseCond);
    StateUnlock(pc);
    pc->status.position = 0;
    return 0;
}

int SetParams(MvPluginCtrl *ctrl, uint32_t which, MvPlaybackParams *param)
{
    PlayerContext *pc = Context(ctrl);
    if (!param) return -1;
    if (which & MVP_STATUS_FREQ) {
        param->status_frequency = kStatusFrequencyMs;
        return 0;
    }
    if (which & MVP_AUDIO) {
        pc->setup.audio = param->audio;
        if (pc->audio.mixer_handle) SET_VOLUME(&pc->audio, static_cast<int>(param->audio.volume));
        return 0;
    }
    return -1;
}

int GetStatus(MvPluginCtrl *ctrl)
{
    PlayerContext *pc = Context(ctrl);
    if (pc->refetch) {
        StateLock(pc);
        pc->status.state = MV_STOPPED;
        StateUnlock(pc);
        StartPlayer(ctrl);
        pc->refetch = false;
        return 0;
    }
    if (pc->tag.state == 1) {
        MvUserMsg message{pc->tag.length, pc->tag.data};
        pc->status.userMsg = &message;
        ctrl->cb(ctrl, MVS_USER_MESSAGE, &pc->status);
        pc->status.userMsg = nullptr;
        pc->tag.state = 2;
    }
    if (pc->setup.streamType != MV_STREAM) {
        pthread_mutex_lock(&pc->fileMutex);
        const int64_t filePos = pc->fp ? std::ftell(pc->fp) : -1;
        pthread_mutex_unlock(&pc->fileMutex);
        if (filePos < 0) return -1;
        const int64_t position = brisko::PositionMs(pc->fileInfo, filePos, RingGetBytesInBuffer(&pc->ring),
                                                    GetAudioTimeInBuffer(&pc->audio));
        pc->status.position = static_cast<uint32_t>(position);
        ctrl->cb(ctrl, MVS_POSITION, &pc->status);
        return 0;
    }
    if (pc->ring.State == 0 || RingEndOfData(&pc->ring)) return -1;
    char text[64];
    std::snprintf(text, sizeof text, kBuffersText, static_cast<int>(RingFullPercent(&pc->ring)),
                  static_cast<int>(pc->ringStart.load()));
    pc->status.videoWndTitle = text;
    ctrl->cb(ctrl, MVS_VIDEO_WND_TITLE, &pc->status);
    pc->status.videoWndTitle = "";
    return 0;
}

int SetMute(MvPluginCtrl *ctrl, int on)
{
    PlayerContext *pc = Context(ctrl);
    pc->audio.mute = on ? 1 : 0;
    if (!pc->audio.mixer_handle) return -1;
    SET_VOLUME(&pc->audio, on == 1 ? 0 : static_cast<int>(pc->setup.audio.volume));
    return 0;
}

int Command(MvCommandData *cmd)
{
    if (!cmd || !cmd->pluginCtrl || !Context(cmd->pluginCtrl)) return -1;
    MvPluginCtrl *ctrl = cmd->pluginCtrl;
    MvPlaybackParams *param = cmd->param;
    const int delta = param ? param->delta : 0;
    switch (cmd->cmdType) {
    case CMD_PLUGIN_OPEN_URLS: Context(ctrl)->setup.streamType = MV_STREAM_ASFILE; return Open(ctrl, delta, cmd->urls);
    case CMD_PLUGIN_CLOSE: return Close(ctrl);
    case CMD_PLUGIN_START: return StartPlayer(ctrl);
    case CMD_PLUGIN_PAUSE: return Pause(ctrl);
    case CMD_PLUGIN_STOP: return StopPlayer(ctrl);
    case CMD_PLUGIN_SEEK_TO: return SeekTo(ctrl, param ? param->position : 0);
    case CMD_PLUGIN_SET_PARAMETER: return SetParams(ctrl, cmd->which, param);
    case CMD_PLUGIN_SET_GUI_STATUS: return 0;
    case CMD_PLUGIN_GET_STATUS: return GetStatus(ctrl);
    case CMD_PLUGIN_DIRECT_AUDIO: Context(ctrl)->directDigital = delta != 0; return -1;
    case CMD_PLUGIN_MUTE: return SetMute(ctrl, delta);
    default: return -1;
    }
}

const MvMediaInfo *GetItem(MvPluginCtrl *, uint32_t, uint32_t)
{
    return nullptr;
}

void Terminate(MvPluginCtrl *ctrl)
{
    PlayerContext *pc = Context(ctrl);
    if (!pc) return;
    Close(ctrl);
    if (pc->ring.pBufferHead) DeleteRingBuffer(&pc->ring);
    ReportState(ctrl, MV_DEAD);
    ctrl->pdata = nullptr;
    pthread_cond_destroy(&pc->pauseCond);
    pthread_mutex_destroy(&pc->stateMutex);
    delete pc;
}

const MvPluginFunctions kCalls = {Terminate, GetItem, Command};

}  // namespace

uint32_t State(PlayerContext *pc)
{
    StateLock(pc);
    const uint32_t state = pc->status.state;
    StateUnlock(pc);
    return state;
}

void ReportState(MvPluginCtrl *ctrl, uint32_t state, const char *text)
{
    PlayerContext *pc = Context(ctrl);
    StateLock(pc);
    pc->status.state = state;
    if (state == MV_PLAYING) pc->startReported = true;
    pthread_cond_broadcast(&pc->pauseCond);
    StateUnlock(pc);
    uint32_t mask = state == MV_STOPPED ? MVS_PLUGIN_STATE | MVS_MEDIA : MVS_PLUGIN_STATE;
    if (text) mask |= MVS_ERRORMSG;
    pc->status.errormsg = text;
    ctrl->cb(ctrl, mask, &pc->status);
    pc->status.errormsg = nullptr;
}

void ReportError(MvPluginCtrl *ctrl, const char *text)
{
    PlayerContext *pc = Context(ctrl);
    pc->status.errormsg = text;
    ctrl->cb(ctrl, MVS_ERRORMSG, &pc->status);
    pc->status.errormsg = nullptr;
}

int SetPlayerVolume(MvPluginCtrl *ctrl, int volume, int balance)
{
    PlayerContext *pc = Context(ctrl);
    if (!pc) return -1;
    if (static_cast<int>(pc->setup.audio.volume) == volume && static_cast<int>(pc->setup.audio.reserve_2) == balance)
        return -1;
    pc->setup.audio.volume = static_cast<uint32_t>(volume);
    pc->setup.audio.reserve_2 = static_cast<uint32_t>(balance);
    if (RingEndOfData(&pc->ring)) return -1;
    MvAudioMediaInfo audio = pc->setup.audio;
    pc->media.audio = &audio;
    pc->media.which = MV_MEDIA_AUDIO_INFO;
    ctrl->cb(ctrl, MVS_MEDIA, &pc->status);
    pc->media.which = 0;
    pc->media.audio = nullptr;
    return volume;
}

int CreatePlayerContext(MvPluginCtrl *ctrl)
{
    munlockall();
    auto *pc = new (std::nothrow) PlayerContext;
    if (!pc) return -1;
    pc->ctrl = ctrl;
    pc->setup = ctrl->setup;
    pc->directDigital = ctrl->setup.bDirectDigitalAudio != 0;
    pthread_cond_init(&pc->pauseCond, nullptr);
    pthread_mutex_init(&pc->stateMutex, nullptr);
    pc->owner = pthread_self();
    pc->status.media_info = &pc->media;
    pc->status.state = MV_CLOSED;
    pc->audio.ctrl = ctrl;
    ctrl->pdata = reinterpret_cast<MvPluginData *>(pc);
    ctrl->calls = &kCalls;
    ctrl->pflags = 0;
    ctrl->APIversion = 1;
    ctrl->MinorVersion = 1;
    return 0;
}

int StartPlayer(MvPluginCtrl *ctrl)
{
    PlayerContext *pc = Context(ctrl);
    pc->stop = false;
    pc->refetch = false;
    pc->status.videoWndTitle = "";
    const uint32_t state = State(pc);
    if (state == MV_PLAYING) return 0;
    if (pc->decoderThread && state != MV_PAUSED) JoinDecoder(pc);
    if (state == MV_STOPPED) {
        if (StartDecoder(ctrl) != 0) return -1;
    } else if (state != MV_PAUSED) {
        std::fprintf(stderr, "qnx_start: unable to identify current state pd->stat.state %d\n",
                     static_cast<int>(state));
        return -1;
    }
    ReportState(ctrl, MV_PLAYING);
    return 0;
}

int StopPlayer(MvPluginCtrl *ctrl)
{
    PlayerContext *pc = Context(ctrl);
    if (State(pc) == MV_STOPPED && !pc->decoderThread) return 0;
    StateLock(pc);
    pc->stop = true;
    pthread_cond_broadcast(&pc->pauseCond);
    StateUnlock(pc);
    pc->status.videoWndTitle = "";
    if (pc->ring.State != 0) CloseRingBufferNotify(&pc->ring);
    pthread_mutex_lock(&pc->fileMutex);
    if (pc->sock >= 0) shutdown(pc->sock, SHUT_RDWR);
    pthread_mutex_unlock(&pc->fileMutex);
    JoinDecoder(pc);
    if (State(pc) != MV_CLOSED) ReportState(ctrl, MV_STOPPED);
    return 0;
}

void JoinDecoder(PlayerContext *pc)
{
    if (!pc->decoderThread) return;
    const int taken = photon::PtLeave(0) == 0 ? 0 : -1;
    const int result = pthread_join(*pc->decoderThread, nullptr);
    if (taken == 0) photon::PtEnter(0);
    if (result == EINVAL) std::this_thread::sleep_for(std::chrono::seconds(1));
    std::free(pc->decoderThread);
    pc->decoderThread = nullptr;
}

}  // namespace briskoplugin
