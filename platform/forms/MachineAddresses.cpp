#include "forms/MachineAddresses.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <climits>
#include <optional>

#include "vb/CodePage.h"

namespace forms {

namespace {

constexpr const char* kLoopback = "127.0.0.1";

bool IsLoopback(in_addr address) { return (ntohl(address.s_addr) >> 24) == 127; }

std::optional<in_addr> Ipv4Literal(const std::string& host) {
    in_addr address{};
    if (::inet_pton(AF_INET, host.c_str(), &address) != 1) return std::nullopt;
    return address;
}

// An address is ours when a socket can be bound to it: the system knows its own addresses.
bool CanBind(in_addr address) {
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) return false;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr = address;
    const bool bound = ::bind(s, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0;
    ::close(s);
    return bound;
}

bool IsMachineName(const std::string& host) {
    if (vb::equalsFolded(host, "localhost")) return true;
    char name[HOST_NAME_MAX + 1] = {};
    return ::gethostname(name, sizeof name) == 0 && vb::equalsFolded(host, name);
}

}  // namespace

std::string OwnAddress() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return kLoopback;
    std::string found = kLoopback;
    for (const ifaddrs* entry = list; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || !(entry->ifa_flags & IFF_UP)) continue;
        const in_addr address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr;
        if (IsLoopback(address)) continue;
        char text[INET_ADDRSTRLEN] = {};
        if (::inet_ntop(AF_INET, &address, text, sizeof text)) {
            found = text;
            break;
        }
    }
    ::freeifaddrs(list);
    return found;
}

bool IsOwnAddress(const std::string& host) {
    if (host.empty()) return false;
    if (const std::optional<in_addr> address = Ipv4Literal(host)) return CanBind(*address);
    if (IsMachineName(host)) return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0) return false;
    bool own = false;
    for (const addrinfo* a = found; a && !own; a = a->ai_next)
        own = CanBind(reinterpret_cast<const sockaddr_in*>(a->ai_addr)->sin_addr);
    ::freeaddrinfo(found);
    return own;
}

bool IsLoopbackAddress(const std::string& host) {
    const std::size_t first = host.find_first_not_of(" \t");
    if (first == std::string::npos) return false;
    const std::string a = host.substr(first, host.find_last_not_of(" \t") + 1 - first);
    return a.rfind("127.", 0) == 0 || vb::equalsFolded(a, "localhost") || a == "::1";
}

}  // namespace forms
