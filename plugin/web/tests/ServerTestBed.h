#pragma once
// For the web server's tests: the plug-in's state on the manual clock with its server window
// loaded by the settings reader on a reserved loopback port (debug log on), and plain socket
// clients that the test drives from the loop's own thread.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/SettingsReader.h"
#include "core/tests/PluginTestBed.h"
#include "simkit/testing/ReservedPort.h"
#include "web/TCPServer.h"

namespace zephra::testing {

// One request on a blocking socket of its own, from a thread beside the loop: the whole answer,
// read until the server closes; what came before the ceiling when it does not.
inline std::string AnswerOnBlockingSocket(int port, const std::string& request, int ceilingSeconds = 30) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    timeval limit{ceilingSeconds, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string received;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buffer[4096];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            received.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return received;
}

// A client socket on 127.0.0.1; it reads only when pumped, so a test decides when it reads.
class WebClient {
public:
    // `receiveBuffer`: a small receive buffer makes a client that stops reading fill up soon.
    explicit WebClient(int port, int receiveBuffer = 0) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        if (receiveBuffer > 0) ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
    }
    ~WebClient() { Close(); }
    WebClient(const WebClient&) = delete;
    WebClient& operator=(const WebClient&) = delete;

    bool Connected() const { return connected_; }
    void Send(const std::string& text) {
        std::size_t sent = 0;
        while (sent < text.size()) {
            ssize_t n = ::send(fd_, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
            if (n > 0) sent += static_cast<std::size_t>(n);
            else if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return;
        }
    }
    // Reads what has come; true once the server has closed the connection.
    bool Pump() {
        char buffer[65536];
        for (;;) {
            ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n > 0) {
                received_.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) closed_ = true;
            return closed_;
        }
    }
    // Closes the sending side only: the server sees the end of the request and may still answer.
    void CloseSending() { ::shutdown(fd_, SHUT_WR); }
    const std::string& Received() const { return received_; }
    bool ClosedByServer() const { return closed_; }
    void Close() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
    bool connected_ = false;
    bool closed_ = false;
    std::string received_;
};

struct ServerBed {
    explicit ServerBed(const std::string& moreSettings = "") {
        port = reserved.port();
        bed.host->SetIniText("settings.ini", "[Settings]\r\nsvrport=8081\r\n");
        bed.host->SetIniText("dkvZephraUtilities.ini", "[Zephra Utilities]\r\nServerPort=\"" + std::to_string(port) +
                                                           "\"\r\nTCPDebug=1\r\nHomeseerIP=127.0.0.1\r\n" +
                                                           moreSettings);
        InitZephraUtilities(bed.state);
    }

    TCPServer& Server() { return *bed.state.Part<TCPServerPart>().Window; }

    // Runs the loop, its manual clock moving on to due timers, until `done` holds; false after
    // `realTimeout` of real time.
    bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds realTimeout = std::chrono::seconds(20)) {
        auto until = std::chrono::steady_clock::now() + realTimeout;
        while (std::chrono::steady_clock::now() < until) {
            if (bed.loop.waitUntil(done, bed.loop.now() + std::chrono::milliseconds(100))) return true;
        }
        return done();
    }
    // Runs the loop without moving the clock until `done` holds (no timer ticks meanwhile).
    bool Settle(const std::function<bool()>& done) { return bed.loop.runUntil(done, std::chrono::seconds(10)); }

    // The whole answer to one request: sent, then read until the server closes.
    std::string Ask(const std::string& request) {
        WebClient client(port);
        client.Send(request);
        EXPECT_TRUE(WaitFor([&] { return client.Pump(); })) << request;
        return client.Received();
    }

    // The server debug log's lines without their dates.
    std::vector<std::string> DebugLines() const {
        std::ifstream in(bed.app.path() / "Data" / "dkvZephra" / "dkvZephra_TCPServerDebug.txt", std::ios::binary);
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            auto bar = line.find(" | ");
            lines.push_back(bar == std::string::npos ? line : line.substr(bar + 3));
        }
        return lines;
    }
    std::size_t DebugCount(const std::string& part) const {
        std::size_t count = 0;
        for (const auto& line : DebugLines()) count += line.find(part) != std::string::npos;
        return count;
    }

    PluginTestBed bed;
    simkit::testing::ReservedPort reserved;  // no other socket gets the server's port meanwhile
    int port = 0;
};

}  // namespace zephra::testing
