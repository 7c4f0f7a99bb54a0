#include "program/InputLines.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace homeseer {

void StartInputLines(int fd, std::size_t maxLine, InputHandlers handlers) {
    std::thread([fd, maxLine, handlers = std::move(handlers)] {
        std::string line;
        bool dropping = false;
        char buffer[4096];
        while (true) {
            ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            for (ssize_t i = 0; i < n; ++i) {
                char c = buffer[i];
                if (c == '\n') {
                    if (!dropping) handlers.onLine(std::move(line));
                    line.clear();
                    dropping = false;
                } else if (!dropping) {
                    line += c;
                    if (line.size() > maxLine) {
                        handlers.onTooLong();
                        line.clear();
                        dropping = true;
                    }
                }
            }
        }
        if (!dropping && !line.empty()) handlers.onLine(std::move(line));
        handlers.onEnd();
    }).detach();
}

InputKind KindOfInput(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return InputKind::Nothing;
    if (::isatty(fd)) return InputKind::Statements;
    return S_ISCHR(st.st_mode) ? InputKind::Nothing : InputKind::Statements;
}

}  // namespace homeseer
