#pragma once
// Start-up: the command line and the single instance over the connector "velora".

#include <optional>
#include <string>

#include "player/Velora.h"

namespace velora {

// Parses the options and settles the single instance. 0; -1 for an unknown option or one without
// its value (getopt's optopt and optind left as they were); or the process ends (0 after
// handing the URL over).
int init(int argc, char* argv[]);

// The message a second instance sends: -r's URL (to delete) or the first URL argument, with
// "file://" put in front when it names no scheme; nothing when there is neither. The URL is cut
// to fit the message.
std::optional<WendrelMsg> BuildHandOver(const char* removeUrl, const char* firstUrl);

void srvrfunc(photon::PtConnector_t* connector, photon::PtConnectionServer_t* connection, void* data);
const void* msghandler(photon::PtConnectionServer_t* connection, void* data, unsigned long type, const void* msg,
                       unsigned len, unsigned* reply_len);

}  // namespace velora
