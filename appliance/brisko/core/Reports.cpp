// What the plug-in tells its host: state changes and error texts.
#include <cstdio>

#include "BriskoCore.h"
#include "CoreMessages.h"

namespace brisko::core {

void StateLock(MvPluginData* pd)
{
    if (pthread_mutex_lock(&pd->stateMutex) != 0) std::fputs(messages::kMutexLockFailed, stderr);
}

void StateUnlock(MvPluginData* pd)
{
    if (pthread_mutex_unlock(&pd->stateMutex) != 0) std::fputs(messages::kMutexUnlockFailed, stderr);
}

uint32_t State(MvPluginData* pd)
{
    StateLock(pd);
    const uint32_t state = pd->status.state;
    StateUnlock(pd);
    return state;
}

void SetState(MvPluginData* pd, uint32_t state)
{
    StateLock(pd);
    pd->status.state = state;
    StateUnlock(pd);
}

void WakeDecoder(MvPluginData* pd)
{
    if (pthread_cond_broadcast(&pd->pauseCond) != 0) std::fputs(messages::kCondSignalFailed, stderr);
}

void ReportState(MvPluginCtrl* ctrl, const char* text)
{
    MvPluginData* pd = Data(ctrl);
    uint32_t mask = State(pd) == MV_STOPPED ? MVS_PLUGIN_STATE | MVS_MEDIA : MVS_PLUGIN_STATE;
    if (text) {
        pd->status.errormsg = text;
        mask |= MVS_ERRORMSG;
    }
    ctrl->cb(ctrl, mask, &pd->status);
}

void qnx_state(MvPluginCtrl* ctrl, uint32_t state, const char* text)
{
    SetState(Data(ctrl), state);
    ReportState(ctrl, text);
}

void ReportError(MvPluginCtrl* ctrl, const char* text)
{
    MvPluginData* pd = Data(ctrl);
    pd->status.errormsg = text;
    ctrl->cb(ctrl, MVS_ERRORMSG, &pd->status);
}

bool RingInitialised(MvPluginData* pd)
{
    RingBufferLock(&pd->mpegRing);
    const bool initialised = pd->mpegRing.State != 0;
    RingBufferUnLock(&pd->mpegRing);
    return initialised;
}

}  // namespace brisko::core
