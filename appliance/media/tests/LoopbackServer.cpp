#include "LoopbackServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

LoopbackServer::LoopbackServer(const char *address) : address_(address)
{
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    inet_pton(AF_INET, address, &at.sin_addr);
    if (bind(listener_, reinterpret_cast<sockaddr *>(&at), sizeof at) != 0 || listen(listener_, 16) != 0)
        throw std::runtime_error("cannot listen");
    socklen_t length = sizeof at;
    getsockname(listener_, reinterpret_cast<sockaddr *>(&at), &length);
    port_ = ntohs(at.sin_port);
    if (pipe(wake_) != 0)
        throw std::runtime_error("no pipe");
    thread_ = std::thread([this] { Serve(); });
}

LoopbackServer::~LoopbackServer()
{
    (void)!write(wake_[1], "x", 1);
    thread_.join();
    close(listener_);
    close(wake_[0]);
    close(wake_[1]);
}

std::string LoopbackServer::Url(const std::string &path) const
{
    return "http://" + address_ + ":" + std::to_string(port_) + path;
}

void LoopbackServer::Answer(std::string text)
{
    std::lock_guard lock(mutex_);
    answers_.emplace_back(std::move(text));
}

void LoopbackServer::Silent()
{
    std::lock_guard lock(mutex_);
    answers_.emplace_back(std::nullopt);
}

std::vector<std::string> LoopbackServer::Requests()
{
    std::lock_guard lock(mutex_);
    return requests_;
}

void LoopbackServer::Serve()
{
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 || (fds[1].revents & POLLIN))
            return;
        int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0) {
            Handle(client);
            close(client);
        }
    }
}

void LoopbackServer::Handle(int client)
{
    std::string head;
    char c;
    while (head.size() < 65536 && head.find("\r\n\r\n") == std::string::npos && recv(client, &c, 1, 0) == 1)
        head.push_back(c);
    std::optional<std::string> answer;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(head);
        if (!answers_.empty()) {
            answer = std::move(answers_.front());
            answers_.pop_front();
        }
    }
    if (answer) {
        size_t sent = 0;
        while (sent < answer->size()) {
            ssize_t n = send(client, answer->data() + sent, answer->size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<size_t>(n);
        }
        return;
    }
    // Silent: wait until the client goes away or the server ends.
    pollfd fds[2] = {{client, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    while (poll(fds, 2, -1) > 0 && !(fds[1].revents & POLLIN)) {
        if (recv(client, &c, 1, 0) <= 0)
            return;
    }
}
