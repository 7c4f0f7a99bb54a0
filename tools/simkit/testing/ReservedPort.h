#pragma once
// TCP ports for servers that a test starts in another process and must name beforehand.

namespace simkit::testing {

// A port kept for one test: a socket bound to it on every address, with SO_REUSEADDR and never
// listening, for the reservation's life. The system hands the port to no other socket meanwhile,
// while a server that binds with SO_REUSEADDR (as the Asio acceptors of the host and the plug-in
// do) still listens on it; once the server has gone, connections to it are refused.
class ReservedPort {
public:
    ReservedPort();
    ~ReservedPort();
    ReservedPort(const ReservedPort&) = delete;
    ReservedPort& operator=(const ReservedPort&) = delete;

    int port() const { return port_; }

private:
    int fd_ = -1;
    int port_ = 0;
};

// A port for a server that binds without SO_REUSEADDR, which a reservation would lock out: one
// below the range the system hands out by itself, free on every address now. Each process starts
// its search at its own place, so that tests running at once do not pick the same one.
int UnassignedPort();

}  // namespace simkit::testing
