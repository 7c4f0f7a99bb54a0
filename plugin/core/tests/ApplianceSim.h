#pragma once
// For the appliance object's tests: the appliance stand-in of tools/appliance-sim run as a
// child process, with one appliance "kitchen" on 127.0.0.2 and its control page on
// 127.0.0.1, read up to its "ready" line.

#include <chrono>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "forms/Loop.h"
#include "simkit/testing/ChildProcess.h"
#include "simkit/testing/HttpGet.h"

namespace zephra::testing {

class ApplianceSim {
public:
    explicit ApplianceSim(std::vector<std::string> more = {}) : process_(APPLIANCE_SIM_PATH, Arguments(more)) {
        for (;;) {
            std::optional<std::string> line = process_.readLine();
            if (!line) throw std::runtime_error("appliance-sim did not start");
            if (*line == "ready") break;
            std::istringstream words(*line);
            std::string kind, name, socket, address;
            words >> kind;
            if (kind == "control") words >> address, sockets_["control"] = address;
            if (kind == "appliance") words >> name >> socket >> address, sockets_[name + " " + socket] = address;
        }
    }

    // "127.0.0.2:port" of the kitchen's pages (or of another appliance given with
    // "--appliance"), and the port of its UDP client.
    std::string Http(const std::string& name = "kitchen") const { return sockets_.at(name + " http"); }
    int UdpPort() const {
        const std::string& udp = sockets_.at("kitchen udp");
        return std::stoi(udp.substr(udp.find(':') + 1));
    }

    simkit::testing::HttpAnswer Control(const std::string& target) {
        return simkit::testing::httpGet(simkit::testing::endpointOf(sockets_.at("control")), target);
    }
    std::map<std::string, std::string> State() {
        std::map<std::string, std::string> values;
        std::istringstream lines(Control("/sim/state?name=kitchen").body);
        for (std::string line; std::getline(lines, line);) {
            std::size_t equals = line.find('=');
            if (equals != std::string::npos) values[line.substr(0, equals)] = line.substr(equals + 1);
        }
        return values;
    }

    // The next log line (without its time) that holds `text`, skipping the lines before it;
    // the loop runs meanwhile, so that what the plug-in sends goes out.
    std::string Next(forms::Loop& loop, const std::string& text,
                     std::chrono::milliseconds wait = std::chrono::seconds(30)) {
        std::string found;
        loop.runUntil(
            [&] {
                while (std::optional<std::string> line = process_.readLine(std::chrono::milliseconds(2))) {
                    if (line->find(text) == std::string::npos) continue;
                    found = line->substr(line->find(' ') + 1);
                    return true;
                }
                return false;
            },
            wait);
        return found.empty() ? "no log line holding: " + text : found;
    }

    // Every log line (without its time) that arrives within `wait` while the loop runs.
    std::vector<std::string> Lines(forms::Loop& loop, std::chrono::milliseconds wait) {
        std::vector<std::string> all;
        loop.runUntil(
            [&] {
                while (std::optional<std::string> line = process_.readLine(std::chrono::milliseconds(2)))
                    all.push_back(line->substr(line->find(' ') + 1));
                return false;
            },
            wait);
        return all;
    }

private:
    static std::vector<std::string> Arguments(const std::vector<std::string>& more) {
        std::vector<std::string> args = {"--appliance", "kitchen=127.0.0.2:0", "--control", "127.0.0.1:0"};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    simkit::testing::ChildProcess process_;
    std::map<std::string, std::string> sockets_;
};

}  // namespace zephra::testing
