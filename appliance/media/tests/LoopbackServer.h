// A scripted HTTP server on a loopback address for the client's tests: it records each request
// head and answers each connection with the next scripted text, or stays silent.
#pragma once

#include "media/testing/LoopbackListener.h"

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class LoopbackServer {
public:
    explicit LoopbackServer(const char *address = "127.0.0.1");
    ~LoopbackServer();

    unsigned Port() const { return listener_.Port(); }
    std::string Url(const std::string &path) const { return listener_.Url(path); }
    // The answer to the next connection not yet answered (sent whole, then the connection closes).
    void Answer(std::string text);
    // The next connection gets no answer at all.
    void Silent();
    std::vector<std::string> Requests();

private:
    void Handle(int client);

    std::mutex mutex_;
    std::deque<std::optional<std::string>> answers_;
    std::vector<std::string> requests_;
    media::testing::LoopbackListener listener_;
};
