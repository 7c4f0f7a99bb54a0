// The browser glue: the NPP_ entry points the browser's plug-in library calls, one player context
// per embedded object, the status callback that shows errors, and the request for a stream again
// when an embed repeats ("loop").
#include <strings.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <new>
#include <thread>

#include "InstanceRecord.h"
#include "PlayerContext.h"
#include "photon/PtApp.h"
#include "photon/PtDialog.h"
#include "qnx/MediaLibrary.h"
#include "qnx/Sched.h"

#define BRISKOPLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using briskoplugin::Context;
using briskoplugin::PlayerContext;

constexpr const char *kErrorTitle = "briskoplugin error";
constexpr const char *kOkButton = "OK";
constexpr const char *kPriorityVariable = "BRISKOPLUGINPRIORITY";
constexpr int32_t kWriteReady = 4096;
constexpr auto kRingWaitStep = std::chrono::milliseconds(100);

// A GUI signal procedure: SIGTERM ends the program at once.
int OnTerminate(int, void *)
{
    _exit(0);
}

InstanceRecord *Record(NPP instance)
{
    return instance ? static_cast<InstanceRecord *>(instance->pdata) : nullptr;
}

PlayerContext *ContextOf(InstanceRecord *record)
{
    return record && record->ctrl ? Context(record->ctrl) : nullptr;
}

// Whether some embed parameter is "loop" with the value "true", without regard to case.
int RepeatType(int16_t argc, char *argn[], char *argv[])
{
    if (!argn || !argv) return 0;
    for (int i = 0; i < argc; ++i)
        if (argn[i] && argv[i] && strcasecmp(argn[i], "loop") == 0 && strcasecmp(argv[i], "true") == 0) return 1;
    return 0;
}

void NppStatusNotify(MvPluginCtrl *ctrl, uint32_t mask, const MvPluginStatus *status)
{
    PlayerContext *pc = Context(ctrl);
    if (!pc || !status) return;
    if (mask & MVS_ERRORMSG) {
        const bool own = pthread_equal(pthread_self(), pc->owner);
        const int taken = own ? -1 : photon::PtEnter(0);
        if (pc->instance) pc->instance->error = 1;
        CloseRingBufferNotify(&pc->ring);
        photon::PtNotice(nullptr, nullptr, kErrorTitle, nullptr, status->errormsg ? status->errormsg : "", nullptr,
                         kOkButton, nullptr, 0);
        photon::PtLeave(taken);
    } else if ((mask & MVS_MEDIA) && status->media_info && (status->media_info->which & MV_MEDIA_AUDIO_INFO) &&
               status->media_info->audio) {
        // The next opening of the device starts at what was last heard.
        pc->setup.audio.volume = status->media_info->audio->volume;
        pc->setup.audio.reserve_2 = status->media_info->audio->reserve_2;
    }
}

// Until this stream's decoder has emptied or made the ring, in steps with the GUI lock released;
// a decoder that ended or failed does not keep the browser waiting.
void WaitForRing(InstanceRecord *record, PlayerContext *pc)
{
    while (!pc->ringReady && !record->error && pc->decoderRunning) {
        photon::PtLeave(0);
        std::this_thread::sleep_for(kRingWaitStep);
        photon::PtEnter(0);
    }
}

void FreeRecord(InstanceRecord *record)
{
    if (record->ctrl) NPN_MemFree(record->ctrl);
    if (record->fileName) std::free(record->fileName);
    record->~InstanceRecord();
    NPN_MemFree(record);
}

}  // namespace

int PluginPriority()
{
    const char *text = std::getenv(kPriorityVariable);
    const int prio = text ? std::atoi(text) : kDefaultPriority;
    return prio < kMinPriority ? kMinPriority : prio > kMaxPriority ? kMaxPriority : prio;
}

void RequestStreamAgain(InstanceRecord *record)
{
    if (!record || record->error || !record->url[0]) return;
    const int taken = photon::PtEnter(0);
    NPN_GetURL(record->instance, record->url, nullptr);
    photon::PtLeave(taken);
}

BRISKOPLUGIN_EXPORT NPError NPP_Initialize(void)
{
    return NPERR_NO_ERROR;
}

BRISKOPLUGIN_EXPORT void NPP_Shutdown(void) {}

BRISKOPLUGIN_EXPORT NPError NPP_New(NPMIMEType, NPP instance, uint16_t, int16_t argc, char *argn[], char *argv[],
                                    NPSavedData *)
{
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    sigset_t terms;
    sigemptyset(&terms);
    sigaddset(&terms, SIGTERM);
    photon::PtAppAddSignalProc(nullptr, &terms, OnTerminate, nullptr);

    void *block = NPN_MemAlloc(sizeof(InstanceRecord));
    auto *ctrl = static_cast<MvPluginCtrl *>(NPN_MemAlloc(sizeof(MvPluginCtrl)));
    if (!block || !ctrl) {
        if (block) NPN_MemFree(block);
        if (ctrl) NPN_MemFree(ctrl);
        return NPERR_GENERIC_ERROR;
    }
    std::memset(block, 0, sizeof(InstanceRecord));
    auto *record = new (block) InstanceRecord;
    std::memset(static_cast<void *>(ctrl), 0, sizeof *ctrl);
    record->instance = instance;
    record->ctrl = ctrl;
    ctrl->APIversion = 1;
    ctrl->MinorVersion = 1;
    ctrl->cb = NppStatusNotify;
    if (!qnx::MvGetMpSetting(&ctrl->setup)) qnx::MvGetMpDefaultSetting(&ctrl->setup);
    ctrl->prio = PluginPriority();
    qnx::setprio(0, ctrl->prio);
    if (briskoplugin::CreatePlayerContext(ctrl) != 0) {
        FreeRecord(record);
        return NPERR_GENERIC_ERROR;
    }
    PlayerContext *pc = Context(ctrl);
    pc->instance = record;
    pc->repeatType = RepeatType(argc, argn, argv);
    instance->pdata = record;
    return NPERR_NO_ERROR;
}

BRISKOPLUGIN_EXPORT NPError NPP_Destroy(NPP instance, NPSavedData **)
{
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    InstanceRecord *record = Record(instance);
    if (!record) return NPERR_NO_ERROR;
    if (record->ctrl && record->ctrl->calls) record->ctrl->calls->terminate(record->ctrl);
    FreeRecord(record);
    instance->pdata = nullptr;
    return NPERR_NO_ERROR;
}

BRISKOPLUGIN_EXPORT NPError NPP_SetWindow(NPP instance, NPWindow *window)
{
    if (!window) return NPERR_GENERIC_ERROR;
    if (!instance) return NPERR_INVALID_INSTANCE_ERROR;
    return NPERR_NO_ERROR;
}

BRISKOPLUGIN_EXPORT NPError NPP_NewStream(NPP instance, NPMIMEType, NPStream *stream, NPBool, uint16_t *stype)
{
    InstanceRecord *record = Record(instance);
    PlayerContext *pc = ContextOf(record);
    if (!pc) return NPERR_INVALID_INSTANCE_ERROR;
    if (!stream) return NPERR_GENERIC_ERROR;
    // A URL that does not fit is not kept: asking for a cut one again would fetch something else.
    const char *url = stream->url ? stream->url : "";
    if (std::strlen(url) < sizeof record->url) std::strcpy(record->url, url);
    else record->url[0] = '\0';
    uint16_t mode = NP_NORMAL;
    if (record->ctrl->setup.streamType != MV_STREAM) {
        // File mode: the browser keeps the stream as a file and nothing plays.
        if (stype) *stype = NP_ASFILEONLY;
        return NPERR_NO_ERROR;
    }
    if (stype) *stype = mode;
    // A pause check in progress completes first.
    pthread_mutex_lock(&pc->stateMutex);
    pthread_mutex_unlock(&pc->stateMutex);
    briskoplugin::ReportState(record->ctrl, MV_OPENING);
    briskoplugin::ReportState(record->ctrl, MV_STOPPED);
    briskoplugin::StartPlayer(record->ctrl);
    return NPERR_NO_ERROR;
}

BRISKOPLUGIN_EXPORT int32_t NPP_WriteReady(NPP, NPStream *)
{
    return kWriteReady;
}

BRISKOPLUGIN_EXPORT int32_t NPP_Write(NPP instance, NPStream *stream, int32_t offset, int32_t len, void *buffer)
{
    InstanceRecord *record = Record(instance);
    PlayerContext *pc = ContextOf(record);
    if (!pc || !stream) return -1;
    if (len <= 0 || !buffer) return len > 0 ? len : 0;
    WaitForRing(record, pc);
    photon::PtLeave(0);
    if (record->error) {
        pc->repeatType = 0;
    } else if (pc->decoderRunning) {
        Ring_Write_Ptr(&pc->ring, buffer, static_cast<unsigned long>(len));
        if (stream->end && static_cast<int64_t>(offset) + len == static_cast<int64_t>(stream->end))
            CloseRingBufferNotify(&pc->ring);
    }
    photon::PtEnter(0);
    return len;
}

BRISKOPLUGIN_EXPORT NPError NPP_DestroyStream(NPP instance, NPStream *, NPReason)
{
    InstanceRecord *record = Record(instance);
    PlayerContext *pc = ContextOf(record);
    if (!pc) return NPERR_INVALID_INSTANCE_ERROR;
    // The end belongs to this stream's ring: a decoder that has ended keeps its ring open for the
    // next stream.
    WaitForRing(record, pc);
    if (pc->decoderRunning) CloseRingBufferNotify(&pc->ring);
    return NPERR_NO_ERROR;
}

BRISKOPLUGIN_EXPORT void NPP_StreamAsFile(NPP, NPStream *, const char *) {}

BRISKOPLUGIN_EXPORT void NPP_URLNotify(NPP, const char *, NPReason, void *) {}
