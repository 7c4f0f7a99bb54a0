#pragma once
// The modem stand-in's command line.

#include <string>
#include <vector>

namespace modem_sim {

struct ModemOptions {
    std::string scriptFile;
    std::string logFile;    // empty: standard output, after the pty's path
    bool noDelays = false;  // every wait passes at once
    bool step = false;      // every wait lasts until a line arrives on standard input
    bool stay = false;      // keep running (and logging) after the script, until a signal
    int baud = 0;           // above 0: text goes out a character at a time at this line speed
    bool help = false;
};

// Parses the arguments after the program name; throws std::invalid_argument naming the fault.
ModemOptions parseModemOptions(const std::vector<std::string>& args);

}  // namespace modem_sim
