// zephra-host: the host program of the plug-in on Linux (see HostProgram.h).

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <iostream>
#include <string>
#include <vector>

#include "OwnUsage.h"
#include "program/HostOptions.h"
#include "program/HostProgram.h"

int main(int argc, char** argv) {
    // A closed standard input becomes /dev/null: the next file opened would else take its
    // number and be read as statements.
    if (::fcntl(STDIN_FILENO, F_GETFD) == -1 && errno == EBADF) ::open("/dev/null", O_RDONLY);
    std::vector<std::string> args(argv + 1, argv + argc);
    homeseer::OptionsReading reading = homeseer::ParseHostOptions(args);
    if (reading.help) return qnx::ShowUsage(kOwnUsage);
    if (!reading.options) return qnx::UsageError(kOwnUsage, reading.message, 2);
    return homeseer::RunHostProgram(*reading.options, std::cout, std::cerr);
}
