// Connectors: a program offers a named connector, another finds it by name, connects and sends
// typed messages that the first answers from its main loop. Names are per user and per display;
// the folder that holds them is $ZEPHRA_PHOTON_SCOPE (one scope whatever the display), else
// display-<DISPLAY> in /tmp/zephra-photon-<uid> (in $XDG_RUNTIME_DIR/zephra-photon only when that
// folder is not the user's own).
#pragma once

#include <cstddef>

namespace photon {

struct PtConnector_t;
struct PtConnectionServer_t;
struct PtConnectionClient_t;

// Called on the loop for every new connection to a connector.
using PtConnectorCallbackFunc_t = void(PtConnector_t* connector, PtConnectionServer_t* connection, void* data);
// A message handler: returns the reply (reply_len bytes, *reply_len set by the handler, 0 none)
// or NULL for no reply; the reply must stay valid until the handler returns.
using PtConnectionMsgFunc_t = const void*(PtConnectionServer_t* connection, void* data, unsigned long type,
                                          const void* msg, unsigned len, unsigned* reply_len);
struct PtConnectionMsgHandler_t {
    unsigned long type;
    PtConnectionMsgFunc_t* fun;
};

// Offers the name. NULL (errno EBUSY) when a live program already offers it.
PtConnector_t* PtConnectorCreate(const char* name, PtConnectorCallbackFunc_t* cb, void* data);
int PtConnectorDestroy(PtConnector_t* connector);

// Connects to the connector of that name (pid and chid 0: any). NULL when none is offered.
PtConnectionClient_t* PtConnectionFindName(const char* name, int pid, int chid);
// Sends a message and waits for its answer; the reply (at most replylen bytes) is copied to
// reply. Returns 0, or -1 when the connection failed or no handler took the type.
int PtConnectionSend(PtConnectionClient_t* connection, unsigned long type, const void* msg, void* reply,
                     std::size_t msglen, std::size_t replylen);
int PtConnectionClientDestroy(PtConnectionClient_t* connection);

int PtConnectionAddMsgHandlers(PtConnectionServer_t* connection, const PtConnectionMsgHandler_t handlers[],
                               unsigned nhandlers);
void PtConnectionSetUserData(PtConnectionServer_t* connection, void* data);
int PtConnectionServerDestroy(PtConnectionServer_t* connection);

}  // namespace photon
