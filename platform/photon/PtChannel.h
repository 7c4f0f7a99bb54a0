// Message channels between processes: a program creates a channel and tells another program its
// process id and channel id (on a command line, say); that program attaches a connection to the
// channel and sends messages, each of which blocks until the receiver replies. The receiver
// handles messages on its main loop through input procedures.
//
// Channels live in the same per-user folder as connectors (PtConnector.h).
#pragma once

#include "photon/PtTypes.h"

#include <cstddef>
#include <cstdint>
#include <sys/types.h>

namespace photon {

// Creates a channel of the calling program, watched by the main loop. Returns its id (1 or
// more), or -1 with errno set.
int ChannelCreate(unsigned flags);
// Removes the channel; open connections to it end. 0, or -1 for an unknown id.
int ChannelDestroy(int chid);

// An input procedure: called on the loop with each message that arrives from the process it was
// added for. rcvid names the sender for MsgReply; message is valid during the call. Returns
// Pt_CONTINUE (Pt_END removes the procedure). A message that no procedure answered gets the
// reply status -1.
using PtInputCallbackProc_t = int(void* data, int rcvid, void* message, std::size_t size);
struct PtInputId;
using PtInputId_t = PtInputId;
// Handles messages from process pid (0: from any process) on every channel of the program.
PtInputId_t* PtAppAddInput(PtAppContext_t app, pid_t pid, PtInputCallbackProc_t* fn, void* data);
void PtAppRemoveInput(PtAppContext_t app, PtInputId_t* id);

// Answers the message rcvid with status and size bytes of msg. 0, or -1 when the sender is gone.
int MsgReply(int rcvid, long status, const void* msg, std::size_t size);

// Sender side: a connection to channel chid of process pid (node nd and index are accepted for
// form's sake). Returns the connection id, or -1 with errno set (ENOENT: no such channel).
int ConnectAttach(uint32_t nd, pid_t pid, int chid, unsigned index, int flags);
int ConnectDetach(int coid);
// Sends sbytes of smsg and waits for the reply, of which at most rbytes are copied to rmsg.
// Returns the reply's status, or -1 with errno set when the channel is gone.
long MsgSend(int coid, const void* smsg, std::size_t sbytes, void* rmsg, std::size_t rbytes);

}  // namespace photon
