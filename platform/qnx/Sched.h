// The appliance platform's scheduling calls and library loading, as the appliance programs use
// them. On Linux thread priorities are accepted and ignored.
#pragma once

#include <sys/types.h>

namespace qnx {

// Sets the priority of process `pid` (0: the caller). Accepted and ignored; returns 0.
int setprio(pid_t pid, int prio);

// The priority of process `pid` (0: the caller). Always 0 on Linux.
int getprio(pid_t pid);

// Waits `milliseconds`; returns 0.
unsigned delay(unsigned milliseconds);

// Mode bits of the platform's dlopen.
constexpr int QNX_RTLD_LAZY = 0x0001;
constexpr int QNX_RTLD_NOW = 0x0002;
constexpr int QNX_RTLD_GLOBAL = 0x0100;
constexpr int QNX_RTLD_LOCAL = 0x0200;

// Opens a shared library with the platform's mode bits, mapped onto a mode glibc accepts
// (binding now unless lazy was asked for; global only when asked for). Errors: dlerror().
void *dlopen(const char *path, int qnxMode);

}  // namespace qnx
