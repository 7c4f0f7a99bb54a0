// The socket side of the loopback HTTP servers of the media tests: a listening socket on a
// loopback address (the port chosen by the system) and the thread that takes its connections.
// What a server answers is its own; it gets each connection and the request head.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace media::testing {

// Sends every byte; false when the peer is gone.
bool SendAll(int fd, const void *data, std::size_t size);

// Reads a request head up to and with its blank line; what came, when the peer stops first or
// the head grows beyond 64 KiB.
std::string ReadRequestHead(int fd);

class LoopbackListener {
public:
    enum class Connections { OneAtATime, Concurrent };

    // Listens on `address`; throws when it cannot.
    explicit LoopbackListener(const char *address = "127.0.0.1");
    // Stops, if the owner has not.
    ~LoopbackListener();
    LoopbackListener(const LoopbackListener &) = delete;
    LoopbackListener &operator=(const LoopbackListener &) = delete;

    unsigned Port() const { return port_; }
    std::string Url(const std::string &path) const;

    // Starts taking connections: each goes to `handle`, on the listener's thread one after
    // another, or on a thread of its own; the connection is closed when `handle` returns.
    void Start(std::function<void(int client)> handle, Connections connections);
    // Takes no more connections and waits for the handlers; an owner whose handlers wait for it
    // lets them go first.
    void Stop();
    // For a handler: keeps the connection open without answering until the peer goes away or
    // the listener stops.
    void HoldOpen(int client);

private:
    void Serve();

    std::string address_;
    int listener_ = -1;
    unsigned port_ = 0;
    int wake_[2] = {-1, -1};
    std::function<void(int)> handle_;
    Connections connections_ = Connections::OneAtATime;
    std::vector<std::thread> clients_;
    std::thread thread_;
};

}  // namespace media::testing
