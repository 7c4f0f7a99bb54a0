#pragma once
// Ruvex's command line: "Ruvex [-i] [-v] url".

#include <string>

namespace ruvex {

struct CommandLine {
    bool interactive = false;  // -i: keyboard control
    bool verbose = false;      // -v: messages on standard error
    std::string argument;      // the first argument after the options
    std::string last;          // the last argument of the command line
    std::string complaint;     // what is wrong when ReadCommandLine answers false (not for help)
};

// Reads the options with getopt ("iv"). False on an unknown option, -h or --help, or without an
// argument.
bool ReadCommandLine(int argc, char** argv, CommandLine& line);

// The URL handed to the plug-in: the argument when it names a file:// URL; the last argument when
// it names an http:// one (unchanged, so that the request line stays valid); else the last
// argument as a file:// URL.
std::string MediaUrl(const CommandLine& line);

}  // namespace ruvex
