#include "simkit/testing/ReservedPort.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>

namespace simkit::testing {

namespace {

// Ports the system never picks by itself lie below its ephemeral range (32768 up by default).
constexpr int kLowest = 20000;
constexpr int kCount = 12000;

sockaddr_in anyAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

bool bindsOnEveryAddress(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    sockaddr_in address = anyAddress(port);
    const bool free = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return free;
}

}  // namespace

ReservedPort::ReservedPort() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    sockaddr_in address = anyAddress(0);
    socklen_t size = sizeof address;
    if (fd_ < 0 || ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (fd_ >= 0) ::close(fd_);
        throw std::runtime_error("no port to reserve");
    }
    port_ = ntohs(address.sin_port);
}

ReservedPort::~ReservedPort() { ::close(fd_); }

int UnassignedPort() {
    const int start = static_cast<int>((static_cast<unsigned>(::getpid()) * 7919u) % kCount);
    for (int i = 0; i < kCount; ++i) {
        const int port = kLowest + (start + i) % kCount;
        if (bindsOnEveryAddress(port)) return port;
    }
    throw std::runtime_error("no free port below the ephemeral range");
}

}  // namespace simkit::testing
