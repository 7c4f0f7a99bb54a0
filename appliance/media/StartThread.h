// StartThread: starts a joinable POSIX thread for a media plug-in.
#pragma once

#include <pthread.h>

// Starts `routine(arg)` as a joinable thread. `priorityDelta` (relative to the caller) is
// accepted and ignored on Linux; the first two arguments are not used. Returns a heap holder of
// the thread id (its owner frees it with free() after joining or detaching), or null after a
// message when the thread could not be started. Writes the id to *idOut when given.
pthread_t *StartThread(void *unused1, void *unused2, void *(*routine)(void *), void *arg, int priorityDelta, pthread_t *idOut);
