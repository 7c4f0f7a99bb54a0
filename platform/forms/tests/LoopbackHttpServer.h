#pragma once
// A small HTTP server for tests, on a loopback address and its own thread: it reads each
// request's head and answers as told (a scripted answer, a reset, or silence until the
// client goes). It stops with the object, and by itself after a minute at most.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackHttpServer {
public:
    enum class Behaviour { Answer, Reset, Silent };

    explicit LoopbackHttpServer(const std::string& address = "127.0.0.1");
    ~LoopbackHttpServer();

    void answerWith(std::string rawAnswer);
    void behave(Behaviour behaviour);
    int port() const { return port_; }
    std::vector<std::string> requests() const;              // request heads, in arrival order
    int closedByClient() const { return closedByClient_; }  // silent connections the client closed

private:
    void serve();
    void handle(int connection);

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> closedByClient_{0};
    mutable std::mutex mutex_;
    std::string answer_ = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body>1</body></html>";
    Behaviour behaviour_ = Behaviour::Answer;
    std::vector<std::string> requests_;
    std::thread thread_;
};

// A loopback port on which nothing listens (bound once, then closed).
int unusedLoopbackPort(const std::string& address = "127.0.0.1");
