#pragma once
// The simulator's command line.

#include "Appliance.h"

#include <boost/asio/ip/tcp.hpp>

#include <optional>
#include <string>
#include <vector>

namespace appliance_sim {

struct SimOptions {
    std::vector<ApplianceConfig> appliances;
    std::string logFile;  // empty: standard output
    std::optional<boost::asio::ip::tcp::endpoint> control;
    bool help = false;
};

inline constexpr unsigned short defaultUdpPort = 4550;

// Parses the arguments after the program name; throws std::invalid_argument with a message that
// names the bad argument.
SimOptions parseSimOptions(const std::vector<std::string>& args);

}  // namespace appliance_sim
