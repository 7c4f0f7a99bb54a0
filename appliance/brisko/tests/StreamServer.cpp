#include "StreamServer.h"

#include <algorithm>
#include <chrono>

namespace brisko::test {

namespace {

using media::testing::LoopbackListener;
using media::testing::SendAll;

constexpr const char* kHead = "HTTP/1.0 200 OK\r\nContent-Type: audio/mpeg\r\nicy-name:Test Radio\r\n\r\n";
constexpr auto kPollStep = std::chrono::milliseconds(20);

}  // namespace

StreamServer::StreamServer(std::vector<std::uint8_t> body, long allowed, bool silent)
    : body_(std::move(body)),
      silent_(silent),
      allowed_(allowed < 0 ? static_cast<long>(body_.size()) : std::min<long>(allowed, static_cast<long>(body_.size())))
{
    listener_.Start([this](int client) { Answer(client); }, LoopbackListener::Connections::OneAtATime);
}

StreamServer::~StreamServer()
{
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    changed_.notify_all();
    listener_.Stop();
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

// Sends the head and the body as far as allowed, waiting for more until the body is out or the
// server ends (a stalled stream keeps its connection open until then).
void StreamServer::Answer(int client)
{
    std::string head = media::testing::ReadRequestHead(client);
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
