#include "StreamServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

namespace brisko::test {

namespace {

constexpr const char* kHead = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-name:Test Radio\r\n\r\n";
constexpr auto kPollStep = std::chrono::milliseconds(20);

bool SendAll(int fd, const void* data, std::size_t size)
{
    auto p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = send(fd, p, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string ReadHead(int fd)
{
    std::string head;
    char c;
    while (head.find("\r\n\r\n") == std::string::npos && recv(fd, &c, 1, 0) == 1) head += c;
    return head;
}

}  // namespace

StreamServer::StreamServer(std::vector<std::uint8_t> body, long allowed, bool silent)
    : body_(std::move(body)), silent_(silent),
      allowed_(allowed < 0 ? static_cast<long>(body_.size()) : std::min<long>(allowed, static_cast<long>(body_.size())))
{
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(listener_, 4);
    socklen_t len = sizeof addr;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Serve(); });
}

StreamServer::~StreamServer()
{
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    thread_.join();
    close(listener_);
}

std::string StreamServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void StreamServer::Allow(long bytes)
{
    {
        std::lock_guard lock(mutex_);
        allowed_ = std::min<long>(allowed_ + bytes, static_cast<long>(body_.size()));
    }
    changed_.notify_all();
}

std::vector<std::string> StreamServer::Requests()
{
    std::lock_guard lock(mutex_);
    return requests_;
}

void StreamServer::Serve()
{
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (ending_) return;
        }
        pollfd p{listener_, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(kPollStep.count())) <= 0) continue;
        int client = accept(listener_, nullptr, nullptr);
        if (client < 0) continue;
        Answer(client);
        close(client);
    }
}

// Sends the head and the body as far as allowed, waiting for more until the body is out or the
// server ends (a stalled stream keeps its connection open until then).
void StreamServer::Answer(int client)
{
    std::string head = ReadHead(client);
    std::unique_lock lock(mutex_);
    requests_.push_back(head);
    if (!silent_ && !SendAll(client, kHead, std::char_traits<char>::length(kHead))) return;
    std::size_t sent = 0;
    while (!ending_) {
        const auto allowed = static_cast<std::size_t>(allowed_);
        if (!silent_ && sent < allowed) {
            lock.unlock();
            bool ok = SendAll(client, body_.data() + sent, allowed - sent);
            lock.lock();
            if (!ok) return;
            sent = allowed;
        }
        if (!silent_ && sent == body_.size()) return;
        changed_.wait_for(lock, kPollStep);
    }
}

}  // namespace brisko::test
