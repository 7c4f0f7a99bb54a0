#include "media/StartThread.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char *kNoMemory = "StartThread: malloc of pthread_t failed. insufficient memory\n";
constexpr const char *kAttrInitFailed = "pthread_attr_init failed\n";
constexpr const char *kDetachStateFailed = "pthread_attr_setdetachstate failed: invalid value\n";
constexpr const char *kCreateFailed = "StartThead: pthread_create failed %s\n";

const char *CreateErrorName(int error)
{
    switch (error) {
    case EAGAIN: return "EAGAIN";
    case EFAULT: return "EFAULT";
    case EINVAL: return "EINVAL";
    default: return "unknown";
    }
}

}  // namespace

pthread_t *StartThread(void *, void *, void *(*routine)(void *), void *arg, int priorityDelta, pthread_t *idOut)
{
    // Thread priorities are accepted and ignored on this platform: every thread runs at the
    // caller's own priority.
    (void)priorityDelta;
    auto *holder = static_cast<pthread_t *>(std::malloc(sizeof(pthread_t)));
    if (!holder) {
        std::fputs(kNoMemory, stderr);
        return nullptr;
    }
    pthread_attr_t attr;
    bool haveAttr = pthread_attr_init(&attr) == 0;
    if (!haveAttr)
        std::fputs(kAttrInitFailed, stderr);
    if (haveAttr && pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_JOINABLE) != 0)
        std::fputs(kDetachStateFailed, stderr);
    int result = pthread_create(holder, haveAttr ? &attr : nullptr, routine, arg);
    if (haveAttr)
        pthread_attr_destroy(&attr);
    if (result != 0) {
        std::fprintf(stderr, kCreateFailed, CreateErrorName(result));
        std::free(holder);
        return nullptr;
    }
    if (idOut)
        *idOut = *holder;
    return holder;
}
