#include "RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace sorvex {

int OpenRegular(const std::string& path, int flags, mode_t mode) {
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC, mode);
    if (fd < 0) return -1;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::FILE* OpenRegularStream(const std::string& path, int flags, const char* mode) {
    const int fd = OpenRegular(path, flags, 0666);
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, mode);
    if (!file) ::close(fd);
    return file;
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace sorvex
