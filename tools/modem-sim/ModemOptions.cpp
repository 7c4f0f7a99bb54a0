#include "ModemOptions.h"

#include <stdexcept>

namespace modem_sim {

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
