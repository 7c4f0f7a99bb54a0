// A loopback HTTP/1.0 server that serves one body as an audio stream and lets the test say how
// much of it goes out: all at once, a part and then nothing more (a stalled stream), or nothing
// at all, not even the answer's head (a silent server). Connections are answered one at a time.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "media/testing/LoopbackListener.h"

namespace brisko::test {

class StreamServer {
public:
    // Serves `body`; the first `allowed` bytes go out at once (all when -1). With `silent` no
    // answer is sent at all.
    explicit StreamServer(std::vector<std::uint8_t> body, long allowed = -1, bool silent = false);
    ~StreamServer();

    std::string Url(const std::string& path) const { return listener_.Url(path); }
    // Lets `bytes` more of the body go out (the stream ends after the last byte).
    void Allow(long bytes);
    std::vector<std::string> Requests();

private:
    void Answer(int client);

    std::vector<std::uint8_t> body_;
    bool silent_;
    std::mutex mutex_;
    std::condition_variable changed_;
    long allowed_;
    bool ending_ = false;
    std::vector<std::string> requests_;
    media::testing::LoopbackListener listener_;
};

}  // namespace brisko::test
