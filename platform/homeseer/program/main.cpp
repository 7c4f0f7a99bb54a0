// zephra-host: the host program of the plug-in on Linux (see HostProgram.h).

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
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
    // The web servers hold connections that have sent nothing yet by the thousand: the soft
    // limit on open files (often 1024) is raised as far as the hard one allows, up to 16384.
    if (rlimit files{}; ::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < 16384) {
        files.rlim_cur = files.rlim_max == RLIM_INFINITY ? 16384 : std::min<rlim_t>(files.rlim_max, 16384);
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
    std::vector<std::string> args(argv + 1, argv + argc);
    homeseer::OptionsReading reading = homeseer::ParseHostOptions(args);
    if (reading.help) return qnx::ShowUsage(kOwnUsage);
    if (!reading.options) return qnx::UsageError(kOwnUsage, reading.message, 2);
    return homeseer::RunHostProgram(*reading.options, std::cout, std::cerr);
}
