#include "ModemOptions.h"

#include <stdexcept>

namespace modem_sim {

const char* const modemUsage =
    "usage: modem-sim [--log FILE] [--no-delays | --step] [--stay] [--baud N] SCRIPT\n"
    "  Opens a pseudo-terminal, prints its path as the first line of standard output, plays SCRIPT\n"
    "  into it and logs what the other side writes.\n"
    "  --log FILE    append the log to FILE instead of standard output\n"
    "  --no-delays   every 'wait' passes at once\n"
    "  --step        every 'wait' lasts until a line arrives on standard input\n"
    "  --stay        keep running after the script until SIGINT or SIGTERM\n"
    "  --baud N      send a character at a time at N baud (10 bits a character), as a slow modem does\n"
    "Script lines: RING | NAME = JOHN DOE | NMBR = 5551234 | wait MS | expect TEXT | raw TEXT\\r | # comment\n";

namespace {

int parseBaud(const std::string& text) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos)
        throw std::invalid_argument("--baud needs a speed from 50 to 115200");
    const int baud = std::stoi(text);
    if (baud < 50 || baud > 115200) throw std::invalid_argument("--baud needs a speed from 50 to 115200");
    return baud;
}

}  // namespace

ModemOptions parseModemOptions(const std::vector<std::string>& args) {
    ModemOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") options.help = true;
        else if (arg == "--no-delays") options.noDelays = true;
        else if (arg == "--step") options.step = true;
        else if (arg == "--stay") options.stay = true;
        else if (arg == "--baud") {
            if (++i >= args.size()) throw std::invalid_argument("--baud needs a speed");
            options.baud = parseBaud(args[i]);
        } else if (arg == "--log") {
            if (++i >= args.size()) throw std::invalid_argument("--log needs a file");
            options.logFile = args[i];
        } else if (arg.rfind("--log=", 0) == 0) options.logFile = arg.substr(6);
        else if (arg.rfind("-", 0) == 0) throw std::invalid_argument("unknown option '" + arg + "'");
        else if (!options.scriptFile.empty()) throw std::invalid_argument("one script only");
        else options.scriptFile = arg;
    }
    if (options.help) return options;
    if (options.noDelays && options.step) throw std::invalid_argument("--no-delays and --step exclude each other");
    if (options.scriptFile.empty()) throw std::invalid_argument("no script given");
    return options;
}

}  // namespace modem_sim
