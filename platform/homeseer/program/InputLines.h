#pragma once
// Standard input read line by line on a thread of its own. Each line (without its line
// end) goes to `onLine`, an over-long line to `onTooLong` (its start and the rest of it
// dropped), and the end of input to `onEnd`, all called from that thread. The thread is
// left to end with the process: a read from a terminal cannot be interrupted safely.

#include <cstddef>
#include <functional>
#include <string>

namespace homeseer {

struct InputHandlers {
    std::function<void(std::string line)> onLine;
    std::function<void()> onTooLong;
    std::function<void()> onEnd;
};

void StartInputLines(int fd, std::size_t maxLine, InputHandlers handlers);

// What standard input holds for a host that reads statements from it. A terminal, a pipe, a
// socket or a file: statements, to their end. Closed, /dev/null or another device that is not
// a terminal: nothing, as a service manager or a detached start gives it.
enum class InputKind { Statements, Nothing };
InputKind KindOfInput(int fd);

}  // namespace homeseer
