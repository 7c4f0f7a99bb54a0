#include "Pty.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace modem_sim {

Pty::Pty() {
    char name[256] = {};
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
        throw std::system_error(errno, std::generic_category(), "openpty");
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(slave_, F_SETFD, FD_CLOEXEC);
    termios modes{};
    tcgetattr(slave_, &modes);
    cfmakeraw(&modes);
    tcsetattr(slave_, TCSANOW, &modes);
    slavePath_ = name;
}

Pty::~Pty() {
    if (slave_ >= 0) close(slave_);
    if (master_ >= 0) close(master_);
}

int Pty::unreadBySlave() const {
    int waiting = 0;
    if (ioctl(slave_, FIONREAD, &waiting) != 0) return 0;
    return waiting;
}

}  // namespace modem_sim
