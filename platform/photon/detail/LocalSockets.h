// The Unix sockets that carry connectors and message channels between programs: where they live,
// their addresses, and whole-message reads and writes.
#pragma once

#include <cstddef>
#include <string>
#include <sys/un.h>

namespace photon::detail {

// The folder of the sockets: ZEPHRA_PHOTON_SCOPE, else one per user; made when missing.
std::string SocketFolder();
// addr for the socket file path; false when the path does not fit an address.
bool SocketAddress(const std::string& path, sockaddr_un* addr);
// Writes or reads all of len bytes. A peer that takes or gives nothing for waitMs milliseconds
// (never, when waitMs is negative) counts as gone, so a stuck peer cannot hold the caller forever.
bool WriteAll(int fd, const void* buf, std::size_t len, int waitMs);
bool ReadAll(int fd, void* buf, std::size_t len, int waitMs);

}  // namespace photon::detail
