#include "LoopbackServer.h"

using media::testing::LoopbackListener;

LoopbackServer::LoopbackServer(const char *address) : listener_(address)
{
    listener_.Start([this](int client) { Handle(client); }, LoopbackListener::Connections::OneAtATime);
}

LoopbackServer::~LoopbackServer()
{
    listener_.Stop();
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

void LoopbackServer::Handle(int client)
{
    std::string head = media::testing::ReadRequestHead(client);
    std::optional<std::string> answer;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(head);
        if (!answers_.empty()) {
            answer = std::move(answers_.front());
            answers_.pop_front();
        }
    }
    if (answer)
        media::testing::SendAll(client, answer->data(), answer->size());
    else
        listener_.HoldOpen(client);
}
