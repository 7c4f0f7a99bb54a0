#pragma once
// A loopback HTTP server that streams one sound file to each connection: whole, or held after
// its first bytes until the test releases it, or cut off after them with a connection reset.
// Each connection is answered on a thread of its own.

#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

#include "media/testing/LoopbackListener.h"

namespace plimsa::test {

class StreamServer {
public:
    enum class Mode { Whole, Held, Reset };

    // `head` lines (each ending in "\r\n") follow the status line; `firstBytes` is where a held or
    // reset stream stops.
    StreamServer(std::vector<unsigned char> body, Mode mode = Mode::Whole, size_t firstBytes = 0,
                 std::string head = "");
    ~StreamServer();

    std::string Url(const std::string& path = "/sound") const { return listener_.Url(path); }
    // Lets every held stream send its rest.
    void Release();
    // Waits (bounded) until `count` requests have come; false at the time-out.
    bool WaitForRequests(size_t count);
    size_t Requests();

private:
    void Answer(int client);

    std::vector<unsigned char> body_;
    Mode mode_;
    size_t firstBytes_;
    std::string head_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool released_ = false;
    bool ending_ = false;
    size_t requests_ = 0;
    media::testing::LoopbackListener listener_;
};

}  // namespace plimsa::test
