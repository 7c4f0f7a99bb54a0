// A small media plug-in for the tests of the interface and of media hosts. It plays a tone,
// "tone://FREQUENCY/MILLISECONDS" (0 milliseconds: endless, like a stream), or fails at start,
// "tone://fail", through the shared media modules, with a producer thread filling the ring buffer
// and a decoder thread writing to the audio device, and follows the interface's state table.
#include "media/Audio.h"
#include "mediaapi/MvPlugin.h"
#include "media/PluginBinding.h"
#include "media/RingBuff.h"
#include "media/StartThread.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

MvSetup g_Setup;
unsigned char bIsMute = 0;

namespace {

constexpr int kRate = 8000;       // mono, signed 16-bit
constexpr int kBlockBytes = 800;  // 50 ms
constexpr const char *kDecodingFailed = "tone: decoding failed";
constexpr const char *kBadUrl = "tone: unrecognized URL";

AudioDevice StdAudioDevice;
RingBuffer Ring;
MvPluginCtrl *g_PluginCtrl = nullptr;
std::atomic<bool> StopThePlayer{false};
std::atomic<unsigned char> bDirectDigitalAudioOn{0};

}  // namespace

struct MvPluginData {
    pthread_mutex_t stateMutex = PTHREAD_MUTEX_INITIALIZER;
    pthread_cond_t pause = PTHREAD_COND_INITIALIZER;
    MvPluginStatus status{};
    MvMediaInfo media{};
    std::string url, title;
    unsigned frequency = 0;
    unsigned durationMs = 0;  // 0: endless
    bool fail = false;
    pthread_t *decoder = nullptr;
    pthread_t *producer = nullptr;
    std::atomic<uint64_t> nextSample{0};
    std::atomic<int64_t> seekTo{-1};  // sample the producer goes to next, or -1
    std::atomic<uint64_t> playedBytes{0};
};

namespace {

MvPluginData *Data(MvPluginCtrl *ctrl)
{
    return ctrl->pdata;
}

void Report(MvPluginCtrl *ctrl, uint32_t state, const char *text = nullptr)
{
    MvPluginData *pd = Data(ctrl);
    pd->status.state = state;
    uint32_t mask = state == MV_STOPPED ? MVS_PLUGIN_STATE | MVS_MEDIA : MVS_PLUGIN_STATE;
    if (text) {
        pd->status.errormsg = text;
        mask |= MVS_ERRORMSG;
    }
    ctrl->cb(ctrl, mask, &pd->status);
}

void ErrorText(MvPluginCtrl *ctrl, const char *text)
{
    Data(ctrl)->status.errormsg = text;
    ctrl->cb(ctrl, MVS_ERRORMSG, &Data(ctrl)->status);
}

uint64_t TotalSamples(const MvPluginData *pd)
{
    return pd->durationMs ? static_cast<uint64_t>(pd->durationMs) * kRate / 1000 : UINT64_MAX;
}

void *GetDataProc(void *arg)
{
    auto *pd = static_cast<MvPluginData *>(arg);
    short block[kBlockBytes / 2];
    while (!StopThePlayer) {
        if (int64_t target = pd->seekTo.exchange(-1); target >= 0) {
            FlushRingBuffer(&Ring);
            pd->nextSample = static_cast<uint64_t>(target);
        }
        uint64_t first = pd->nextSample;
        uint64_t count = std::min<uint64_t>(kBlockBytes / 2, TotalSamples(pd) - std::min(first, TotalSamples(pd)));
        if (count == 0)
            break;
        for (uint64_t i = 0; i < count; ++i)
            block[i] = static_cast<short>(8000 * std::sin(2 * M_PI * pd->frequency * double(first + i) / kRate));
        if (Ring_Write_Ptr(&Ring, block, static_cast<unsigned long>(count * 2)) < 0)
            break;
        pd->nextSample = first + count;
    }
    CloseRingBufferNotify(&Ring);
    return nullptr;
}

void WaitWhilePaused(MvPluginData *pd)
{
    pthread_mutex_lock(&pd->stateMutex);
    while (pd->status.state == MV_PAUSED && !StopThePlayer) {
        FlushAudioDevice(&StdAudioDevice);
        pthread_cond_wait(&pd->pause, &pd->stateMutex);
    }
    pthread_mutex_unlock(&pd->stateMutex);
}

void PlayRing(MvPluginData *pd)
{
    unsigned char *p = nullptr;
    unsigned long len = 0;
    while (!StopThePlayer && Ring_Read_Ptr(&Ring, &p, &len, 0, 0) == 0) {
        int n = static_cast<int>(std::min<unsigned long>(len, kBlockBytes)) & ~1;
        if (n > 0 && !StdAudioDevice.bOutputOff)
            WriteAudioData(&StdAudioDevice, p, n);
        Report_Bytes_Read(&Ring, static_cast<unsigned long>(n));
        pd->playedBytes += static_cast<uint64_t>(n);
        WaitWhilePaused(pd);
    }
}

void *DecodeProc(void *arg)
{
    auto *ctrl = static_cast<MvPluginCtrl *>(arg);
    MvPluginData *pd = Data(ctrl);
    // Starts once the start command has reported MV_PLAYING.
    pthread_mutex_lock(&pd->stateMutex);
    pthread_mutex_unlock(&pd->stateMutex);
    if (pd->fail) {
        ErrorText(ctrl, kDecodingFailed);
    } else if (InitRingBuffer(&Ring, 16000, 1, 3) == 0) {
        pd->producer = StartThread(nullptr, nullptr, GetDataProc, pd, 0, nullptr);
        const MvAudioMediaInfo &audio = g_Setup.audio;
        bool digital =
            bDirectDigitalAudioOn && audio.spdifPlaybackCard != 0xFFFFFFFF && audio.spdifPlaybackDevice != 0xFFFFFFFF;
        int card = static_cast<int>(digital ? audio.spdifPlaybackCard : audio.pcmPlaybackCardA);
        int device = static_cast<int>(digital ? audio.spdifPlaybackDevice : audio.pcmPlaybackDeviceA);
        if (OpenAudioDevice(&StdAudioDevice, card, device) == 0 &&
            InitAudioDevice(&StdAudioDevice, kRate, 1, 16, qnx::SND_PCM_SFMT_S16_LE, 4, 1600,
                            qnx::SND_PCM_START_FULL) == 0)
            PlayRing(pd);
        else
            ErrorText(ctrl, StdAudioDevice.errtext);
        CloseRingBufferNotify(&Ring);
        if (pd->producer) {
            pthread_join(*pd->producer, nullptr);
            std::free(pd->producer);
            pd->producer = nullptr;
        }
        DestroyAudioDevice(&StdAudioDevice);
        DeleteRingBuffer(&Ring);
    }
    if (!StopThePlayer)
        Report(ctrl, MV_STOPPED);
    return nullptr;
}

void JoinDecoder(MvPluginData *pd)
{
    if (!pd->decoder)
        return;
    pthread_join(*pd->decoder, nullptr);
    std::free(pd->decoder);
    pd->decoder = nullptr;
}

void SignalPause(MvPluginData *pd)
{
    pthread_mutex_lock(&pd->stateMutex);
    pthread_cond_signal(&pd->pause);
    pthread_mutex_unlock(&pd->stateMutex);
}

int Stop(MvPluginCtrl *ctrl)
{
    MvPluginData *pd = Data(ctrl);
    if (pd->status.state == MV_STOPPED)
        return 0;
    StopThePlayer = true;
    pd->status.videoWndTitle = "";
    SignalPause(pd);
    CloseRingBufferNotify(&Ring);
    JoinDecoder(pd);
    Report(ctrl, MV_STOPPED);
    return 0;
}

int Close(MvPluginCtrl *ctrl)
{
    MvPluginData *pd = Data(ctrl);
    Stop(ctrl);
    StopThePlayer = true;
    JoinDecoder(pd);
    pd->url.clear();
    pd->media.url = pd->media.title = nullptr;
    Report(ctrl, MV_CLOSED);
    return 0;
}

bool ParseUrl(MvPluginData *pd, const char *url)
{
    pd->fail = std::strcmp(url, "tone://fail") == 0;
    if (pd->fail) {
        pd->frequency = 440;
        pd->durationMs = 1000;
        return true;
    }
    unsigned frequency = 0, milliseconds = 0;
    char end = 0;
    if (std::sscanf(url, "tone://%u/%u%c", &frequency, &milliseconds, &end) != 2 || frequency == 0 ||
        frequency >= kRate / 2)
        return false;
    pd->frequency = frequency;
    pd->durationMs = milliseconds;
    return true;
}

int Open(MvPluginCtrl *ctrl, int count, const char **urls)
{
    MvPluginData *pd = Data(ctrl);
    if (count < 1 || !urls || !urls[0])
        return -1;
    if (pd->decoder)
        Stop(ctrl);
    JoinDecoder(pd);
    if (!ParseUrl(pd, urls[0])) {
        Report(ctrl, MV_CLOSED, kBadUrl);
        return 0;
    }
    pd->url = urls[0];
    pd->title = "Tone " + std::to_string(pd->frequency) + " Hz";
    pd->media.which = MV_MEDIA_INFO;
    pd->media.type = pd->durationMs ? MV_MEDIA_AUDIO | MV_MEDIA_SEEKABLE : MV_MEDIA_AUDIO;
    pd->media.duration = pd->durationMs ? pd->durationMs : 0xFFFFFFFF;
    pd->media.url = pd->url.c_str();
    pd->media.title = pd->title.c_str();
    pd->status.videoWndTitle = "";
    pd->nextSample = 0;
    pd->playedBytes = 0;
    Report(ctrl, MV_OPENING);
    Report(ctrl, MV_STOPPED);
    return 0;
}

int Start(MvPluginCtrl *ctrl)
{
    MvPluginData *pd = Data(ctrl);
    StopThePlayer = false;
    pd->status.videoWndTitle = "";
    const uint32_t state = pd->status.state;
    if (state == MV_PLAYING)
        return 0;
    if (state != MV_STOPPED && state != MV_PAUSED)
        return -1;
    pthread_mutex_lock(&pd->stateMutex);
    if (state == MV_STOPPED) {
        JoinDecoder(pd);
        pd->nextSample = 0;
        pd->playedBytes = 0;
        pd->decoder = StartThread(nullptr, nullptr, DecodeProc, ctrl, 0, nullptr);
    }
    Report(ctrl, MV_PLAYING);
    pthread_cond_signal(&pd->pause);
    pthread_mutex_unlock(&pd->stateMutex);
    return 0;
}

int Pause(MvPluginCtrl *ctrl)
{
    MvPluginData *pd = Data(ctrl);
    if (pd->status.state != MV_PLAYING)
        return 0;
    pthread_mutex_lock(&pd->stateMutex);
    Report(ctrl, MV_PAUSED);
    pthread_mutex_unlock(&pd->stateMutex);
    DrainAudioDevice(&StdAudioDevice);
    return 0;
}

int SeekTo(MvPluginCtrl *ctrl, uint32_t position)
{
    MvPluginData *pd = Data(ctrl);
    if (!pd->durationMs || pd->status.state == MV_CLOSED || position >= pd->durationMs)
        return 0;
    DrainAudioDevice(&StdAudioDevice);
    pd->seekTo = static_cast<int64_t>(position) * kRate / 1000;
    pd->playedBytes = static_cast<uint64_t>(position) * kRate / 1000 * 2;
    return 0;
}

int SetParameters(MvCommandData *cmd)
{
    if (!cmd->param)
        return -1;
    if (cmd->which & MVP_STATUS_FREQ) {
        cmd->param->status_frequency = 1000;
        return 0;
    }
    if (cmd->which & MVP_AUDIO) {
        g_Setup.audio = cmd->param->audio;
        if (StdAudioDevice.mixer_handle)
            SET_VOLUME(&StdAudioDevice, static_cast<int>(cmd->param->audio.volume));
        return 0;
    }
    return -1;
}

int GetStatus(MvPluginCtrl *ctrl)
{
    MvPluginData *pd = Data(ctrl);
    if (pd->status.state != MV_PLAYING && pd->status.state != MV_PAUSED)
        return -1;
    int64_t position = static_cast<int64_t>(pd->playedBytes / 2 * 1000 / kRate) - GetAudioTimeInBuffer(&StdAudioDevice);
    pd->status.position = static_cast<uint32_t>(std::max<int64_t>(0, position));
    ctrl->cb(ctrl, MVS_POSITION, &pd->status);
    return 0;
}

int SetMute(int on)
{
    bIsMute = on == 1;
    if (!StdAudioDevice.mixer_handle)
        return -1;
    SET_VOLUME(&StdAudioDevice, bIsMute ? 0 : static_cast<int>(g_Setup.audio.volume));
    return 0;
}

int Command(MvCommandData *cmd)
{
    MvPluginCtrl *ctrl = cmd ? cmd->pluginCtrl : nullptr;
    if (!ctrl || !ctrl->pdata)
        return -1;
    const int32_t delta = cmd->param ? cmd->param->delta : 0;
    switch (cmd->cmdType) {
    case CMD_PLUGIN_OPEN_URLS: return Open(ctrl, delta, cmd->urls);
    case CMD_PLUGIN_CLOSE: return Close(ctrl);
    case CMD_PLUGIN_START: return Start(ctrl);
    case CMD_PLUGIN_PAUSE: return Pause(ctrl);
    case CMD_PLUGIN_STOP: return Stop(ctrl);
    case CMD_PLUGIN_SEEK_TO: return SeekTo(ctrl, cmd->param ? cmd->param->position : 0);
    case CMD_PLUGIN_SET_PARAMETER: return SetParameters(cmd);
    case CMD_PLUGIN_GET_STATUS: return GetStatus(ctrl);
    case CMD_PLUGIN_DIRECT_AUDIO: bDirectDigitalAudioOn = delta == 1; return -1;
    case CMD_PLUGIN_MUTE: return SetMute(delta);
    default: return -1;
    }
}

void Terminate(MvPluginCtrl *ctrl)
{
    Close(ctrl);
    delete ctrl->pdata;
    ctrl->pdata = nullptr;
    g_PluginCtrl = nullptr;
    MvPluginStatus dead{};
    ctrl->cb(ctrl, MVS_PLUGIN_STATE, &dead);
}

const MvMediaInfo *GetItem(MvPluginCtrl *, uint32_t, uint32_t)
{
    return nullptr;
}

const MvPluginFunctions calls = {Terminate, GetItem, Command};

}  // namespace

int SetVeloraVolume(int volume)
{
    if (!g_PluginCtrl || !g_PluginCtrl->pdata)
        return -1;
    if (RingEndOfData(&Ring))
        return -1;
    MvPluginData *pd = Data(g_PluginCtrl);
    return ReportVolume(g_PluginCtrl, pd->status, pd->media, volume);
}

extern "C" int MvInit(MvPluginCtrl *ctrl)
{
    auto *pd = new (std::nothrow) MvPluginData;
    if (!pd)
        return -1;
    bDirectDigitalAudioOn = ctrl->setup.bDirectDigitalAudio ? 1 : 0;
    g_PluginCtrl = ctrl;
    pd->status.state = MV_CLOSED;
    pd->status.media_info = &pd->media;
    BindPlugin(ctrl, pd, &calls);
    return 0;
}
