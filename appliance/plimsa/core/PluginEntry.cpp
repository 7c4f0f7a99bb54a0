// The plug-in's entry point, its operation table and command switch, and the volume hook of the
// audio module.
#include <new>

#include "DirectAudio.h"
#include "PlimsaCore.h"
#include "media/PluginBinding.h"

// Required by the shared media modules.
MvSetup g_Setup;
unsigned char bIsMute = 0;

namespace plimsa::core {

MvPluginCtrl* g_PluginCtrl = nullptr;
std::atomic<unsigned char> bDirectDigitalAudioOn{0};
std::atomic<bool> StopThePlayer{false};
RingBuffer Ring;
AudioDevice StdAudioDevice;
unsigned long ulRingBuffSize = 0;
std::atomic<unsigned long> ulRingBuffStart{0};
int mysock = -1;
unsigned long MyDataBufferSize = 0;

namespace {

int mseek_rel(MvPluginCtrl*) { return -1; }
int mset_stop(MvPluginCtrl*) { return -1; }
int mhotkey(MvPluginCtrl*) { return -1; }

int mcommand(MvCommandData* cmd) {
    MvPluginCtrl* ctrl = cmd ? cmd->pluginCtrl : nullptr;
    if (!ctrl || !ctrl->pdata) return -1;
    MvPlaybackParams* param = cmd->param;
    const int32_t delta = param ? param->delta : 0;
    switch (cmd->cmdType) {
    case CMD_PLUGIN_OPEN_URLS: return mopen_urls(ctrl, delta, cmd->urls);
    case CMD_PLUGIN_CLOSE: return mclose(ctrl);
    case CMD_PLUGIN_START: return mstart(ctrl);
    case CMD_PLUGIN_PAUSE: return mpause(ctrl);
    case CMD_PLUGIN_STOP: return mstop(ctrl);
    case CMD_PLUGIN_SEEK_TO: return mseek_to(ctrl, delta, param ? param->position : 0);
    case CMD_PLUGIN_SEEK_RELATIVE: return mseek_rel(ctrl);
    case CMD_PLUGIN_SET_PARAMETER: return mset_params(ctrl, cmd->which, param);
    case CMD_PLUGIN_SET_STOP_TIME: return mset_stop(ctrl);
    case CMD_PLUGIN_GET_STATUS: return mget_status(ctrl);
    case CMD_PLUGIN_HOTKEY: return mhotkey(ctrl);
    case CMD_PLUGIN_DIRECT_AUDIO: return mdirect_audio(ctrl, delta);
    case CMD_PLUGIN_MUTE: return msetmute(ctrl, delta);
    default: return -1;
    }
}

void mterminate(MvPluginCtrl* ctrl) {
    if (!ctrl || !ctrl->pdata) return;
    mclose(ctrl);
    g_PluginCtrl = nullptr;
    delete ctrl->pdata;
    ctrl->pdata = nullptr;
    const MvPluginStatus dead{};
    ctrl->cb(ctrl, MVS_PLUGIN_STATE, &dead);
}

const MvMediaInfo* mget_item(MvPluginCtrl*, uint32_t, uint32_t) { return nullptr; }

const MvPluginFunctions calls = {mterminate, mget_item, mcommand};

}  // namespace

}  // namespace plimsa::core

using namespace plimsa::core;

// Volume changes reach the host as media information with the audio record of the settings. The
// report tells the volume only: the media record the host was last told of stays the one the
// next MV_STOPPED report compares with.
int SetVeloraVolume(int volume) {
    if (!g_PluginCtrl || !g_PluginCtrl->pdata) return -1;
    const bool ended = RingEndOfData(&Ring);
    MvPluginData* pd = Data(g_PluginCtrl);
    if (ended || !pd->stream) return -1;
    return ReportVolume(g_PluginCtrl, pd->status, pd->media, volume);
}

extern "C" PLIMSA_EXPORT int MvInit(MvPluginCtrl* ctrl) {
    auto* pd = new (std::nothrow) MvPluginData;
    if (!pd) return -1;
    bDirectDigitalAudioOn = ctrl->setup.bDirectDigitalAudio ? 1 : 0;
    g_PluginCtrl = ctrl;
    pd->status.state = MV_CLOSED;
    pd->initThread = pthread_self();
    BindPlugin(ctrl, pd, &calls);
    return 0;
}
