// The appliance GUI's main loop and library lock: input handlers on file descriptors, work
// procedures, signal procedures, spawned children, modal loops and the exit.
//
// The thread that first calls into the layer (normally main) runs the loop and holds the library
// lock whenever it is not waiting for events. Any other thread takes the lock with PtEnter before
// it touches a widget or registers a handler, and gives it back with PtLeave; while it holds the
// lock the loop does nothing else.
#pragma once

#include "photon/PtTypes.h"

#include <csignal>
#include <sys/types.h>

namespace photon {

// Connects to the display (DISPLAY, or the server named). Returns 0, or -1 when there is no
// display; the loop, the lock and the handlers work either way, widgets only with a display.
int PtInit(const char* server);

// ---- The loop ------------------------------------------------------------------------------------
void PtMainLoop();           // runs until PtExit
void PtProcessEvent();       // waits for and handles one event
int PtBkgdHandlerProcess();  // handles everything pending without waiting
int PtModalStart();          // begins a modal section; its count goes to PtModalEnd
void PtModalEnd(int count);
// Destroys every widget (running their destroyed callbacks), flushes the display, then exits
// the process with status.
[[noreturn]] void PtExit(int status);
int PtSyncPhoton();  // waits until the display has handled every request
int PtFlush();

// ---- The library lock ----------------------------------------------------------------------------
// PtEnter returns 0 when the lock was taken, or -EDEADLK when the calling thread already holds it
// (then nothing was taken). PtLeave with a negative value does nothing, so PtLeave(PtEnter(0))
// pairs are always safe.
int PtEnter(int flags);
int PtLeave(int flags);

// ---- Input handlers on file descriptors ----------------------------------------------------------
enum : unsigned { Pt_FD_READ = 0x1, Pt_FD_WRITE = 0x2, Pt_FD_OBAND = 0x4 };
// Returns Pt_CONTINUE to stay registered, Pt_END to be removed.
using PtFdProcF_t = int(int fd, void* data, unsigned mode);
int PtAppAddFd(PtAppContext_t app, int fd, unsigned mode, PtFdProcF_t* fn, void* data);
int PtAppRemoveFd(PtAppContext_t app, int fd);

// ---- Work procedures: run while no event waits, the latest added first ---------------------------
using PtWorkProc_t = int(void* data);  // Pt_CONTINUE to run again, Pt_END to be removed
struct PtWorkProcId;
using PtWorkProcId_t = PtWorkProcId;
PtWorkProcId_t* PtAppAddWorkProc(PtAppContext_t app, PtWorkProc_t* fn, void* data);
void PtAppRemoveWorkProc(PtAppContext_t app, PtWorkProcId_t* id);

// ---- Signal procedures: a signal of the set runs fn on the loop (signals that cannot be caught,
// such as SIGKILL, are left out) ----------------------------------------------------------------------
using PtSignalProc_t = int(int signo, void* data);
int PtAppAddSignalProc(PtAppContext_t app, const sigset_t* set, PtSignalProc_t* fn, void* data);
int PtAppRemoveSignalProc(PtAppContext_t app, const sigset_t* set);

// ---- Children ------------------------------------------------------------------------------------
// Starts cmd (searched on PATH) with argv (argv[0] included) and env (NULL: ours); when it ends,
// cb runs on the loop with its wait status. Returns the child's pid, or -1.
using PtSpawnCbF_t = void(void* data, int status);
struct PtSpawnOptions_t;
struct PtSpawnCbId;
using PtSpawnCbId_t = PtSpawnCbId;
pid_t PtSpawn(const char* cmd, const char* const* argv, const char* const* env, const PtSpawnOptions_t* options,
              PtSpawnCbF_t* cb, void* data, PtSpawnCbId_t** id);

}  // namespace photon
