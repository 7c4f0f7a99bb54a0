// appliance-sim: stands in for one or more appliances on loopback addresses, so that the plug-in
// can be tested end to end over real sockets. See SimOptions.cpp for the command line and
// ControlChannel.h for the control page.

#include "Appliance.h"
#include "ControlChannel.h"
#include "LoopbackAddress.h"
#include "OwnUsage.h"
#include "SimOptions.h"
#include "simkit/SimLog.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <memory>
#include <stdexcept>

using namespace appliance_sim;

namespace {

void announce(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    try {
        options = parseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::invalid_argument& bad) {
        return qnx::UsageError(kOwnUsage, bad.what(), 2);
    }
    if (options.help) return qnx::ShowUsage(kOwnUsage);
    try {
        boost::asio::io_context io;
        auto log = options.logFile.empty() ? std::make_unique<simkit::SimLog>()
                                           : std::make_unique<simkit::SimLog>(options.logFile);
        std::vector<std::unique_ptr<Appliance>> appliances;
        for (const auto& config : options.appliances)
            appliances.push_back(std::make_unique<Appliance>(io, *log, config));

        boost::asio::signal_set signals(io, SIGINT, SIGTERM);
        std::unique_ptr<ControlChannel> control;
        bool stopping = false;
        auto shutdown = [&] {
            if (std::exchange(stopping, true)) return;
            for (auto& appliance : appliances) appliance->stop();
            if (control) control->stop();
            signals.cancel();
            io.stop();
        };
        if (options.control)
            control = std::make_unique<ControlChannel>(io, *log, *options.control, appliances, shutdown);
        signals.async_wait([&](const boost::system::error_code& ec, int) {
            if (!ec) shutdown();
        });

        for (const auto& appliance : appliances) {
            announce("appliance " + appliance->name() + " http " + endpointText(appliance->httpEndpoint()));
            if (const auto udp = appliance->udpEndpoint())
                announce("appliance " + appliance->name() + " udp " + endpointText(*udp));
        }
        if (control) announce("control " + endpointText(control->localEndpoint()));
        for (auto& appliance : appliances) appliance->start();
        if (control) control->start();
        announce("ready");
        io.run();
    } catch (const std::exception& failure) {
        std::cerr << "appliance-sim: " << failure.what() << "\n";
        return 1;
    }
    return 0;
}
