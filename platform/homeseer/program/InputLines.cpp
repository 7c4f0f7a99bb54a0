#include "program/InputLines.h"

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

}  // namespace homeseer
