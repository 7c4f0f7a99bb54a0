#include "LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace {

constexpr auto kLifetime = std::chrono::seconds(60);

sockaddr_in loopback(const std::string& address, int port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &sa.sin_addr) != 1) throw std::runtime_error("bad address " + address);
    return sa;
}

int boundSocket(const std::string& address, int type) {
    int fd = ::socket(AF_INET, type, 0);
    sockaddr_in sa = loopback(address, 0);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0) throw std::runtime_error("bind failed");
    return fd;
}

int portOf(int fd) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len);
    return ntohs(sa.sin_port);
}

// Waits up to `ms` for `fd` to become readable.
bool readable(int fd, int ms) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, ms) > 0;
}

}  // namespace

int unusedLoopbackPort(const std::string& address) {
    int fd = boundSocket(address, SOCK_STREAM);
    int port = portOf(fd);
    ::close(fd);
    return port;
}

LoopbackHttpServer::LoopbackHttpServer(const std::string& address) {
    listener_ = boundSocket(address, SOCK_STREAM);
    ::listen(listener_, 16);
    port_ = portOf(listener_);
    thread_ = std::thread([this] { serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    stop_ = true;
    thread_.join();
    ::close(listener_);
}

void LoopbackHttpServer::answerWith(std::string rawAnswer) {
    std::lock_guard lock(mutex_);
    answer_ = std::move(rawAnswer);
}

void LoopbackHttpServer::behave(Behaviour behaviour) {
    std::lock_guard lock(mutex_);
    behaviour_ = behaviour;
}

std::vector<std::string> LoopbackHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void LoopbackHttpServer::serve() {
    auto end = std::chrono::steady_clock::now() + kLifetime;
    while (!stop_ && std::chrono::steady_clock::now() < end) {
        if (!readable(listener_, 20)) continue;
        int connection = ::accept(listener_, nullptr, nullptr);
        if (connection < 0) continue;
        handle(connection);
        ::close(connection);
    }
}

void LoopbackHttpServer::handle(int connection) {
    std::string head;
    char buf[4096];
    while (head.find("\r\n\r\n") == std::string::npos && !stop_) {
        if (!readable(connection, 20)) continue;
        ssize_t n = ::recv(connection, buf, sizeof buf, 0);
        if (n <= 0) return;
        head.append(buf, static_cast<std::size_t>(n));
    }
    Behaviour behaviour;
    std::string answer;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(head);
        behaviour = behaviour_;
        answer = answer_;
    }
    if (behaviour == Behaviour::Answer) {
        ::send(connection, answer.data(), answer.size(), MSG_NOSIGNAL);
    } else if (behaviour == Behaviour::Reset) {
        linger hard{1, 0};
        ::setsockopt(connection, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    } else {
        while (!stop_) {
            if (!readable(connection, 20)) continue;
            if (::recv(connection, buf, sizeof buf, 0) <= 0) {
                ++closedByClient_;
                return;
            }
        }
    }
}
