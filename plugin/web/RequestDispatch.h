#pragma once
// Serving the server's queue: each whole request is parsed, given a response on its slot and
// answered by its path: the slideshow page, the status page, a file of the host's HTML folder,
// or the host's own web server, to which every other request is handed on.

namespace zephra {

class PluginState;
class TCPServer;

// Serves every queued text; the poll timer is stopped while it serves and disabled at the end.
// A text joins its connection's earlier texts until a whole request has come (RequestFraming.h).
void ProcessRequestQueue(PluginState& state, TCPServer& server);

}  // namespace zephra
