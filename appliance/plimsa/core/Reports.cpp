// What the plug-in tells its host: state changes and error texts.
#include <cstdio>

#include "PlimsaCore.h"

namespace plimsa::core {

const char* KeepErrorText(MvPluginData* pd, const char* text) {
    if (text != pd->errorText) std::snprintf(pd->errorText, sizeof pd->errorText, "%s", text);
    return pd->errorText;
}

void SetState(MvPluginData* pd, uint32_t state) {
    pthread_mutex_lock(&pd->stateMutex);
    pd->status.state = state;
    pthread_mutex_unlock(&pd->stateMutex);
}

uint32_t State(MvPluginData* pd) {
    pthread_mutex_lock(&pd->stateMutex);
    const uint32_t state = pd->status.state;
    pthread_mutex_unlock(&pd->stateMutex);
    return state;
}

void mstate(MvPluginCtrl* ctrl, uint32_t state, const char* text) {
    SetState(Data(ctrl), state);
    ReportState(ctrl, text);
}

// MV_STOPPED carries the media information when the host has not seen this record yet.
void ReportState(MvPluginCtrl* ctrl, const char* text) {
    MvPluginData* pd = Data(ctrl);
    const uint32_t state = State(pd);
    uint32_t mask = MVS_PLUGIN_STATE;
    if (state == MV_STOPPED && pd->reportedStream && pd->status.media_info != pd->reportedStream) {
        pd->status.media_info = pd->reportedStream;
        mask |= MVS_MEDIA;
    }
    if (text) {
        pd->status.errormsg = KeepErrorText(pd, text);
        mask |= MVS_ERRORMSG;
    }
    ctrl->cb(ctrl, mask, &pd->status);
}

void errmsgfun(MvPluginCtrl* ctrl, const char* format, va_list args) {
    MvPluginData* pd = Data(ctrl);
    char text[sizeof pd->errorText];
    std::vsnprintf(text, sizeof text, format, args);
    pd->status.errormsg = KeepErrorText(pd, text);
    ctrl->cb(ctrl, MVS_ERRORMSG, &pd->status);
}

void errmsg(MvPluginCtrl* ctrl, const char* format, ...) {
    va_list args;
    va_start(args, format);
    errmsgfun(ctrl, format, args);
    va_end(args);
}

}  // namespace plimsa::core
