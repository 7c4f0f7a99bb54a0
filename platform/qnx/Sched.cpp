#include "qnx/Sched.h"

#include <dlfcn.h>
#include <time.h>
#include <cerrno>

namespace qnx {

int setprio(pid_t, int)
{
    return 0;
}

int getprio(pid_t)
{
    return 0;
}

unsigned delay(unsigned milliseconds)
{
    timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {}
    return 0;
}

void *dlopen(const char *path, int qnxMode)
{
    int mode = (qnxMode & QNX_RTLD_LAZY) && !(qnxMode & QNX_RTLD_NOW) ? RTLD_LAZY : RTLD_NOW;
    mode |= (qnxMode & QNX_RTLD_GLOBAL) ? RTLD_GLOBAL : RTLD_LOCAL;
    return ::dlopen(path, mode);
}

}  // namespace qnx
