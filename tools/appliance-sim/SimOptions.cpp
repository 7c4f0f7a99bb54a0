#include "SimOptions.h"

#include "LoopbackAddress.h"
#include "simkit/WholeNumber.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace appliance_sim {

namespace {

struct Arguments {
    const std::vector<std::string>& args;
    std::size_t next = 0;

    // "--key value" or "--key=value".
    bool take(const std::string& key, std::string& value) {
        const std::string& arg = args[next];
        if (arg == key) {
            if (next + 1 >= args.size()) throw std::invalid_argument(key + " needs a value");
            value = args[next + 1];
            next += 2;
            return true;
        }
        if (arg.rfind(key + "=", 0) == 0) {
            value = arg.substr(key.size() + 1);
            next += 1;
            return true;
        }
        return false;
    }
};

// Names end up in log lines and in the marker file's name: no blanks, no path separators.
void checkName(const std::string& name) {
    const bool good =
        !name.empty() && name.size() <= 64 &&
        std::all_of(
            name.begin(), name.end(),
            [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-' || c == '.'; }) &&
        name != "." && name != "..";
    if (!good) throw std::invalid_argument("bad appliance name '" + name + "' (letters, digits, _ - . only)");
}

std::pair<std::string, std::string> split(const std::string& text, const std::string& option) {
    const auto equals = text.find('=');
    if (equals == std::string::npos) throw std::invalid_argument(option + " expects NAME=VALUE, got '" + text + "'");
    return {text.substr(0, equals), text.substr(equals + 1)};
}

int count(const std::string& text, const std::string& option, int highest) {
    const auto value = simkit::wholeNumber(text, highest);
    if (!value)
        throw std::invalid_argument(option + " value '" + text + "' is not a number from 0 to " +
                                    std::to_string(highest));
    return *value;
}

boost::asio::ip::tcp::endpoint endpoint(const std::string& text, const std::string& option) {
    std::string why;
    const auto parsed = parseLoopbackEndpoint(text, why);
    if (!parsed) throw std::invalid_argument(option + " '" + text + "': " + why);
    return *parsed;
}

ApplianceConfig& named(SimOptions& options, const std::string& name, const std::string& option) {
    for (auto& appliance : options.appliances)
        if (appliance.name == name) return appliance;
    throw std::invalid_argument(option + " names no appliance '" + name + "' (give --appliance first)");
}

}  // namespace

SimOptions parseSimOptions(const std::vector<std::string>& args) {
    SimOptions options;
    Arguments in{args};
    std::optional<boost::asio::ip::tcp::endpoint> udpServer;
    unsigned short udpPort = defaultUdpPort;
    std::string markerDir;
    std::string value;
    while (in.next < args.size()) {
        if (args[in.next] == "--help" || args[in.next] == "-h") {
            options.help = true;
            ++in.next;
        } else if (in.take("--appliance", value)) {
            auto [name, address] = split(value, "--appliance");
            checkName(name);
            for (const auto& other : options.appliances)
                if (other.name == name) throw std::invalid_argument("appliance '" + name + "' given twice");
            ApplianceConfig config;
            config.name = name;
            config.http = endpoint(address, "--appliance");
            options.appliances.push_back(config);
        } else if (in.take("--log", value)) {
            options.logFile = value;
        } else if (in.take("--control", value)) {
            options.control = endpoint(value, "--control");
        } else if (in.take("--udp-server", value)) {
            udpServer = endpoint(value, "--udp-server");
            if (udpServer->port() == 0) throw std::invalid_argument("--udp-server needs a port");
        } else if (in.take("--udp-port", value)) {
            udpPort = static_cast<unsigned short>(count(value, "--udp-port", 65535));
        } else if (in.take("--marker-dir", value)) {
            markerDir = value;
        } else if (in.take("--slow", value)) {
            auto [name, ms] = split(value, "--slow");
            named(options, name, "--slow").faults.slowMs = count(ms, "--slow", 600000);
        } else if (in.take("--drop", value)) {
            auto [name, n] = split(value, "--drop");
            named(options, name, "--drop").faults.dropNext = count(n, "--drop", 1000000);
        } else if (in.take("--silent", value)) {
            named(options, value, "--silent").faults.silent = true;
        } else {
            throw std::invalid_argument("unknown argument '" + args[in.next] + "'");
        }
    }
    if (options.help) return options;
    if (options.appliances.empty()) throw std::invalid_argument("give at least one --appliance");
    for (auto& appliance : options.appliances) {
        appliance.markerDir = markerDir;
        if (udpServer) {
            appliance.udpServer = boost::asio::ip::udp::endpoint(udpServer->address(), udpServer->port());
            appliance.udpLocal = boost::asio::ip::udp::endpoint(appliance.http.address(), udpPort);
        }
    }
    return options;
}

}  // namespace appliance_sim
