#include "StreamServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace plimsa::test {

namespace {

constexpr auto kWaitLimit = std::chrono::seconds(20);

bool SendAll(int fd, const void* data, size_t size) {
    auto bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = send(fd, bytes, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool ReadRequestHead(int fd) {
    std::string head;
    char c;
    while (head.find("\r\n\r\n") == std::string::npos) {
        if (recv(fd, &c, 1, 0) != 1) return false;
        head.push_back(c);
    }
    return true;
}

}  // namespace

StreamServer::StreamServer(std::vector<unsigned char> body, Mode mode, size_t firstBytes, std::string head)
    : body_(std::move(body)), mode_(mode), firstBytes_(firstBytes), head_(std::move(head)) {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 8);
    socklen_t length = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    pipe(wake_);
    thread_ = std::thread([this] { Serve(); });
}

StreamServer::~StreamServer() {
    {
        std::lock_guard lock(mutex_);
        ending_ = released_ = true;
    }
    changed_.notify_all();
    write(wake_[1], "x", 1);
    thread_.join();
    for (std::thread& client : clients_) client.join();
    close(listener_);
    close(wake_[0]);
    close(wake_[1]);
}

std::string StreamServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void StreamServer::Release() {
    {
        std::lock_guard lock(mutex_);
        released_ = true;
    }
    changed_.notify_all();
}

bool StreamServer::WaitForRequests(size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kWaitLimit, [&] { return requests_ >= count; });
}

size_t StreamServer::Requests() {
    std::lock_guard lock(mutex_);
    return requests_;
}

void StreamServer::Serve() {
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN)) return;
        const int client = accept(listener_, nullptr, nullptr);
        if (client < 0) continue;
        clients_.emplace_back([this, client] { Answer(client); });
    }
}

void StreamServer::Answer(int client) {
    if (ReadRequestHead(client)) {
        {
            std::lock_guard lock(mutex_);
            ++requests_;
        }
        changed_.notify_all();
        const std::string status = "HTTP/1.0 200 OK\r\n" + head_ + "\r\n";
        const size_t first = mode_ == Mode::Whole ? body_.size() : std::min(firstBytes_, body_.size());
        if (SendAll(client, status.data(), status.size()) && SendAll(client, body_.data(), first)) {
            if (mode_ == Mode::Held) {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return released_; });
                const bool ending = ending_;
                lock.unlock();
                if (!ending) SendAll(client, body_.data() + first, body_.size() - first);
            } else if (mode_ == Mode::Reset) {
                // The peer's reads fail with a reset once the sent bytes are read.
                const linger reset{1, 0};
                setsockopt(client, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
            }
        }
    }
    close(client);
}

}  // namespace plimsa::test
