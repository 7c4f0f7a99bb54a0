#pragma once
// The ports this process listens on: every socket that binds or listens on a port of its own
// choosing (UdpSocket::Bind, TcpSocket::Listen, the host's web server) notes here whether it
// opened, so that a host can say at start-up what listens where and which ports could not be
// opened. A datagram socket bound only to send is not noted.

#include <cstdint>
#include <string>
#include <vector>

namespace forms {

struct PortNote {
    std::string protocol;  // "TCP" or "UDP"
    std::string address;   // the local address; "0.0.0.0" for any
    int32_t port = 0;      // opened: the port bound; not opened: the port asked for
    std::string what;      // what listens and the setting that chose the port, when the caller says
    std::string failure;   // empty when it opened; else why it did not
};

// Thread-safe; the list keeps the latest notes only, so that it cannot grow without bound.
void NotePort(PortNote note);
// Drops the notes that `protocol` port `port` could not be opened: a caller that found another
// way to be reached (a hub holds the port and forwards to it) does not leave a failure behind.
void WithdrawPortFailure(const std::string& protocol, int32_t port);
std::vector<PortNote> NotedPorts();

// One line for the console: "TCP 127.0.0.1:8080 (web server)", with ": failure" when it did not open.
// PortLine adds what happened: "listening on TCP ..." or "cannot listen on TCP ...: failure".
std::string PortText(const PortNote& note);
std::string PortLine(const PortNote& note);

}  // namespace forms
