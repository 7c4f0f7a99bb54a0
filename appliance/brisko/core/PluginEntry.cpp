// The plug-in's entry and operation table: MvInit, the command dispatcher, terminate, and the
// volume hook of the audio output module. One player per loaded library.
#include <sys/mman.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "BriskoCore.h"
#include "CoreMessages.h"
#include "media/PluginBinding.h"

#define BRISKO_EXPORT __attribute__((visibility("default")))

// What the shared media modules need from the plug-in that contains them.
MvSetup g_Setup;
unsigned char bIsMute = 0;
MvPluginCtrl* g_PluginCtrl = nullptr;

namespace brisko::core {

namespace {

int qnx_hotkey(MvPluginCtrl*, int) { return -1; }

// Relative seeks and stop times are not supported (one body for both).
int qnx_seek_rel(MvPluginCtrl*, uint32_t, int) { return -1; }

int qnx_command(MvCommandData* cmd)
{
    if (!cmd || !cmd->pluginCtrl || !cmd->pluginCtrl->pdata) return -1;
    MvPluginCtrl* ctrl = cmd->pluginCtrl;
    MvPlaybackParams* param = cmd->param;
    const int delta = param ? param->delta : 0;
    switch (cmd->cmdType) {
    case CMD_PLUGIN_OPEN_URLS: return qnx_open_urls(ctrl, delta, cmd->urls);
    case CMD_PLUGIN_CLOSE: return qnx_close(ctrl);
    case CMD_PLUGIN_START: return qnx_start(ctrl);
    case CMD_PLUGIN_PAUSE: return qnx_pause(ctrl);
    case CMD_PLUGIN_STOP: return qnx_stop(ctrl);
    case CMD_PLUGIN_SEEK_TO: return qnx_seek_to(ctrl, delta, param ? param->position : 0);
    case CMD_PLUGIN_SEEK_RELATIVE:
    case CMD_PLUGIN_SET_STOP_TIME: return qnx_seek_rel(ctrl, param ? param->seekUnit : 0, delta);
    case CMD_PLUGIN_SET_PARAMETER: return qnx_set_params(ctrl, cmd->which, param);
    case CMD_PLUGIN_GET_STATUS: return qnx_get_status(ctrl);
    case CMD_PLUGIN_HOTKEY: qnx_hotkey(ctrl, delta); return -1;
    case CMD_PLUGIN_DIRECT_AUDIO: return qnx_direct_audio(ctrl, delta);
    case CMD_PLUGIN_MUTE: return qnx_setmute(ctrl, delta);
    default: return -1;
    }
}

void qnx_terminate(MvPluginCtrl* ctrl)
{
    if (!ctrl || !ctrl->pdata) return;
    qnx_close(ctrl);
    delete ctrl->pdata;
    ctrl->pdata = nullptr;
    if (g_PluginCtrl == ctrl) g_PluginCtrl = nullptr;
    const MvPluginStatus dead{};
    ctrl->cb(ctrl, MVS_PLUGIN_STATE, &dead);
}

const MvMediaInfo* qnx_get_item(MvPluginCtrl*, uint32_t, uint32_t) { return nullptr; }

const MvPluginFunctions calls = {qnx_terminate, qnx_get_item, qnx_command};

}  // namespace

}  // namespace brisko::core

// Reports a volume the audio output set or saw change, unless the data has ended.
int SetVeloraVolume(int volume)
{
    using namespace brisko::core;
    MvPluginCtrl* ctrl = g_PluginCtrl;
    if (!ctrl || !ctrl->pdata) return -1;
    MvPluginData* pd = Data(ctrl);
    if (RingEnded(pd)) return -1;
    return ReportVolume(ctrl, pd->status, pd->media, volume);
}

extern "C" BRISKO_EXPORT int MvInit(MvPluginCtrl* ctrl)
{
    using namespace brisko::core;
    if (munlockall() != 0) std::fprintf(stderr, messages::kMunlockallFailed, std::strerror(errno));
    auto* pd = new (std::nothrow) MvPluginData;
    if (!pd) return -1;
    pd->bDirectDigitalAudioOn = ctrl->setup.bDirectDigitalAudio ? 1 : 0;
    g_PluginCtrl = ctrl;
    pd->initThread = pthread_self();
    pd->status.state = MV_CLOSED;
    pd->status.media_info = &pd->media;
    pd->media.which = MV_MEDIA_INFO;
    BindPlugin(ctrl, pd, &calls);
    return 0;
}
