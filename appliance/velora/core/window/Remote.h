#pragma once
// The remote control: the reader program "wendrel" started on a serial port, the channel it
// sends the keys to, and what each key does in the player.

#include <ctime>
#include <sys/types.h>

#include "player/Velora.h"

namespace velora {

struct Remote {
    pid_t pid = -1;  // the reader's process
    int channel = -1;
    photon::PtInputId_t* inputId = nullptr;
    timespec lastTime{};  // of the last message let through
    int bProgramMode = 0;
};

extern Remote remote;
// The clock the repeat filter reads; tests put the GUI layer's manual clock here.
extern int (*RemoteClock)(timespec* now);

int CommandCanRepeat(const WendrelMsg* message);
// Milliseconds from last to now, as the repeat filter counts them.
long RemoteElapsedMs(const timespec& last, const timespec& now);
int RemoteDoProgram(const WendrelMsg* message);
int OnRemoteControlButtonActivated(photon::PtWidget_t* widget, void*, photon::PtCallbackInfo_t*);
void OnRemoteControlTerminate(void* data, int status);
int OnRemoteControlMessageCb(void* data, int rcvid, void* message, std::size_t size);

}  // namespace velora
