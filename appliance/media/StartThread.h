// StartThread: starts a joinable POSIX thread for a media plug-in; JoinDecoderThread ends a
// plug-in's decoder thread started with it.
#pragma once

#include <pthread.h>

// Starts `routine(arg)` as a joinable thread. `priorityDelta` (relative to the caller) is
// accepted and ignored on Linux; the first two arguments are not used. Returns a heap holder of
// the thread id (its owner frees it with free() after joining or detaching), or null after a
// message when the thread could not be started. Writes the id to *idOut when given.
pthread_t *StartThread(void *unused1, void *unused2, void *(*routine)(void *), void *arg, int priorityDelta,
                       pthread_t *idOut);

// Waits for the decoder thread in *holder to end, frees the holder and sets it to null (nothing
// when it is null). Called on the decoder thread itself (a host that stops or closes from inside
// the thread's last report), the thread cannot be joined: it is let go instead, and must touch
// nothing after that report. A failed join prints "pthread_join of Decoder Thread failed" with
// the error's name and pauses a second.
void JoinDecoderThread(pthread_t **holder);
