#include "media/testing/LoopbackListener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace media::testing {

namespace {

constexpr std::size_t kLongestHead = 65536;
constexpr int kBacklog = 16;

}  // namespace

bool SendAll(int fd, const void *data, std::size_t size)
{
    auto bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t n = send(fd, bytes, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string ReadRequestHead(int fd)
{
    std::string head;
    char c;
    while (head.size() < kLongestHead && head.find("\r\n\r\n") == std::string::npos && recv(fd, &c, 1, 0) == 1)
        head.push_back(c);
    return head;
}

LoopbackListener::LoopbackListener(const char *address) : address_(address)
{
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    inet_pton(AF_INET, address, &at.sin_addr);
    if (bind(listener_, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0 || listen(listener_, kBacklog) != 0) {
        close(listener_);
        throw std::runtime_error("cannot listen");
    }
    socklen_t length = sizeof at;
    getsockname(listener_, reinterpret_cast<sockaddr *>(&at), &length);
    port_ = ntohs(at.sin_port);
    if (pipe(wake_) != 0) {
        close(listener_);
        throw std::runtime_error("no pipe");
    }
}

LoopbackListener::~LoopbackListener()
{
    Stop();
    close(listener_);
    close(wake_[0]);
    close(wake_[1]);
}

std::string LoopbackListener::Url(const std::string &path) const
{
    return "http://" + address_ + ":" + std::to_string(port_) + path;
}

void LoopbackListener::Start(std::function<void(int client)> handle, Connections connections)
{
    handle_ = std::move(handle);
    connections_ = connections;
    thread_ = std::thread([this] { Serve(); });
}

void LoopbackListener::Stop()
{
    if (!thread_.joinable())
        return;
    (void)!write(wake_[1], "x", 1);
    thread_.join();
    for (std::thread &client : clients_)
        client.join();
    clients_.clear();
}

void LoopbackListener::HoldOpen(int client)
{
    pollfd fds[2] = {{client, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    char c;
    while (poll(fds, 2, -1) > 0 && !(fds[1].revents & POLLIN)) {
        if (recv(client, &c, 1, 0) <= 0)
            return;
    }
}

void LoopbackListener::Serve()
{
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN))
            return;
        const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        auto answer = [this, client] {
            handle_(client);
            close(client);
        };
        if (connections_ == Connections::Concurrent)
            clients_.emplace_back(answer);
        else
            answer();
    }
}

}  // namespace media::testing
