#include "media/StartThread.h"

#include "qnx/Sched.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr const char *kNoMemory = "StartThread: malloc of pthread_t failed. insufficient memory\n";
constexpr const char *kAttrInitFailed = "pthread_attr_init failed\n";
constexpr const char *kDetachStateFailed = "pthread_attr_setdetachstate failed: invalid value\n";
constexpr const char *kCreateFailed = "StartThead: pthread_create failed %s\n";
constexpr const char *kJoinFailed = "pthread_join of Decoder Thread failed%s\n";
constexpr unsigned kJoinFailedPauseMs = 1000;

const char *CreateErrorName(int error)
{
    switch (error) {
    case EAGAIN: return "EAGAIN";
    case EFAULT: return "EFAULT";
    case EINVAL: return "EINVAL";
    default: return "unknown";
    }
}

const char *JoinErrorName(int error)
{
    switch (error) {
    case ESRCH: return " ESRCH";
    case EINTR: return " EINTR";
    case EFAULT: return " EFAULT";
    case EBUSY: return " EBUSY";
    case EINVAL: return " EINVAL";
    case EDEADLK: return " EDEADLK";
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

void JoinDecoderThread(pthread_t **holder)
{
    if (!*holder)
        return;
    const pthread_t thread = **holder;
    std::free(*holder);
    *holder = nullptr;
    if (pthread_equal(thread, pthread_self())) {
        pthread_detach(thread);
        return;
    }
    if (const int error = pthread_join(thread, nullptr); error != 0) {
        std::fprintf(stderr, kJoinFailed, JoinErrorName(error));
        qnx::delay(kJoinFailedPauseMs);
    }
}
