// modem-sim: a caller-ID modem on a pseudo-terminal. Prints the terminal's path, plays a script of
// modem lines into it and logs what the other side writes back. See ModemScript.h for the script.

#include "ModemOptions.h"
#include "OwnUsage.h"
#include "ModemPlayer.h"
#include "ModemScript.h"
#include "Pty.h"
#include "simkit/SimLog.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/signal_set.hpp>

#include <csignal>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <stdexcept>

using namespace modem_sim;

namespace {

constexpr std::size_t largestScript = 1024 * 1024;

std::string readScript(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::invalid_argument("cannot read script " + path);
    std::string text;
    text.resize(largestScript + 1);
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > largestScript) throw std::invalid_argument("script " + path + " is larger than 1 MiB");
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    ModemOptions options;
    std::vector<ModemStep> steps;
    try {
        options = parseModemOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (options.help) return qnx::ShowUsage(kOwnUsage);
        steps = parseModemScript(readScript(options.scriptFile));
    } catch (const std::invalid_argument& bad) {
        return qnx::UsageError(kOwnUsage, bad.what(), 2);
    }
    try {
        Pty pty;
        std::fputs((pty.slavePath() + "\n").c_str(), stdout);
        std::fflush(stdout);
        auto log = options.logFile.empty() ? std::make_unique<simkit::SimLog>()
                                           : std::make_unique<simkit::SimLog>(options.logFile);
        boost::asio::io_context io;
        const Pacing pacing = options.step ? Pacing::step : options.noDelays ? Pacing::noDelays : Pacing::realTime;
        ModemPlayer player(io, pty, *log, std::move(steps), pacing, options.stay, options.baud);
        boost::asio::signal_set signals(io, SIGINT, SIGTERM);
        signals.async_wait([&](const boost::system::error_code& ec, int) {
            if (ec) return;
            player.stop();
            io.stop();
        });
        player.start();
        io.run();
    } catch (const std::exception& failure) {
        std::cerr << "modem-sim: " << failure.what() << "\n";
        return 1;
    }
    return 0;
}
