#include "photon/detail/LocalSockets.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace photon::detail {

std::string SocketFolder()
{
    const char* scope = getenv("ZEPHRA_PHOTON_SCOPE");
    if (scope && *scope) {
        mkdir(scope, 0700);
        return scope;
    }
    // One folder per user whatever the session's runtime folder: a program started on the same
    // display with another XDG_RUNTIME_DIR (another login, su, a service) still finds the one there.
    std::string folder = "/tmp/zephra-photon-" + std::to_string(getuid());
    mkdir(folder.c_str(), 0700);
    struct stat st;
    if (lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() && !(st.st_mode & 077))
        return folder;
    // A folder of that name that is not this user's alone is never used: the runtime folder instead.
    const char* run = getenv("XDG_RUNTIME_DIR");
    if (run && *run) {
        folder = std::string(run) + "/zephra-photon";
        mkdir(folder.c_str(), 0700);
    }
    return folder;
}

bool SocketAddress(const std::string& path, sockaddr_un* addr)
{
    if (path.size() >= sizeof addr->sun_path) return false;
    memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    memcpy(addr->sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool WriteAll(int fd, const void* buf, std::size_t len, int waitMs)
{
    auto* p = static_cast<const char*>(buf);
    while (len > 0) {
        ssize_t n = send(fd, p, len, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd pfd{fd, POLLOUT, 0};
            int r = poll(&pfd, 1, waitMs);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return false;
            continue;
        }
        if (n <= 0) return false;
        p += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

bool ReadAll(int fd, void* buf, std::size_t len, int waitMs)
{
    auto* p = static_cast<char*>(buf);
    while (len > 0) {
        pollfd pfd{fd, POLLIN, 0};
        int r = poll(&pfd, 1, waitMs);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        ssize_t n = read(fd, p, len);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) continue;
        if (n <= 0) return false;
        p += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace photon::detail
