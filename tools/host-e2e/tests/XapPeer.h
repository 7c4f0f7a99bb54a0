#pragma once
// A small xAP node of its own on loopback for the end-to-end tests of zephra-host as an xAP
// node: it receives what the host sends to its address and port, and sends to the host's.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "HostEndToEnd.h"
#include "homeseer/XapWire.h"

namespace host_e2e {

using homeseer::XapParsed;

constexpr const char* kPeerAddress = "127.0.0.31";
constexpr const char* kHostAddress = "127.0.0.32";
constexpr const char* kHostSource = "dkv.zephra.test";

// An xAP node of its own on loopback: receives what is sent to its address and port, and
// sends to the host's.
class XapPeer {
public:
    XapPeer() : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {
        sockaddr_in address = endpoint(kPeerAddress, 0);
        socklen_t size = sizeof address;
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            throw std::runtime_error("the peer cannot bind");
        port_ = ntohs(address.sin_port);
    }
    ~XapPeer() { close(fd_); }

    int port() const { return port_; }

    void send(const std::string& messageClass, const std::string& target, const std::string& body) {
        const std::string text = "xap-header\n{\nv=12\nhop=1\nuid=FF00AB00\nclass=" + messageClass +
                                 "\nsource=acme.panel.hall\ntarget=" + target + "\n}\n" + body;
        sockaddr_in to = endpoint(kHostAddress, port_);
        ASSERT_EQ(sendto(fd_, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
                  static_cast<ssize_t>(text.size()));
    }

    // Waits for a message that `wanted` accepts; the others heard meanwhile are kept.
    std::optional<XapParsed> waitFor(const std::function<bool(const XapParsed&)>& wanted) {
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        for (;;) {
            for (const XapParsed& m : heard_)
                if (wanted(m)) return m;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buffer[2048];
            const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) continue;
            raw_.emplace_back(buffer, static_cast<std::size_t>(n));
            homeseer::XapParsing parsing = homeseer::ParseXapDatagram(raw_.back());
            EXPECT_TRUE(parsing.message) << parsing.error << "\n" << raw_.back();
            if (parsing.message) heard_.push_back(std::move(*parsing.message));
        }
    }
    std::optional<XapParsed> waitForClass(const std::string& messageClass, const std::string& source) {
        return waitFor([&](const XapParsed& m) {
            return m.header.value("class") == messageClass && m.header.value("source") == source;
        });
    }
    // Forgets the messages of that class heard so far.
    void forget(const std::string& messageClass) {
        std::erase_if(heard_, [&](const XapParsed& m) { return m.header.value("class") == messageClass; });
    }
    std::string heard() const {
        std::string all;
        for (const std::string& text : raw_) all += text + "----\n";
        return all;
    }

private:
    static sockaddr_in endpoint(const char* ip, int port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        inet_pton(AF_INET, ip, &address.sin_addr);
        return address;
    }

    int fd_;
    int port_ = 0;
    std::vector<std::string> raw_;
    std::vector<XapParsed> heard_;
};

inline std::string value(const XapParsed& m, const std::string& block, const std::string& key) {
    for (const homeseer::XapBlock& b : m.body)
        if (b.name == block) return b.value(key).value_or("(none)");
    return "(no block)";
}

}  // namespace host_e2e
