#include "StreamServer.h"

#include <sys/socket.h>

#include <algorithm>
#include <chrono>

namespace plimsa::test {

namespace {

using media::testing::LoopbackListener;
using media::testing::SendAll;

constexpr auto kWaitLimit = std::chrono::seconds(20);

}  // namespace

StreamServer::StreamServer(std::vector<unsigned char> body, Mode mode, size_t firstBytes, std::string head)
    : body_(std::move(body)), mode_(mode), firstBytes_(firstBytes), head_(std::move(head)) {
    listener_.Start([this](int client) { Answer(client); }, LoopbackListener::Connections::Concurrent);
}

StreamServer::~StreamServer() {
    {
        std::lock_guard lock(mutex_);
        ending_ = released_ = true;
    }
    changed_.notify_all();
    listener_.Stop();
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

void StreamServer::Answer(int client) {
    if (!media::testing::ReadRequestHead(client).ends_with("\r\n\r\n")) return;
    {
        std::lock_guard lock(mutex_);
        ++requests_;
    }
    changed_.notify_all();
    const std::string status = "HTTP/1.0 200 OK\r\n" + head_ + "\r\n";
    const size_t first = mode_ == Mode::Whole ? body_.size() : std::min(firstBytes_, body_.size());
    if (!SendAll(client, status.data(), status.size()) || !SendAll(client, body_.data(), first)) return;
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

}  // namespace plimsa::test
