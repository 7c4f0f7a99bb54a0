#pragma once
// The simulator's own control page on a port of its own, so that a running test or demo can change
// fault modes, switch power and read the appliances' state without restarting:
//   GET /sim/state[?name=N]          key=value lines per appliance, a blank line between them
//   GET /sim/slow?name=N&ms=M        answer every request M ms late (0: at once)
//   GET /sim/drop?name=N&n=K         take the next K requests and never answer them
//   GET /sim/silent?name=N&on=1|0    answer nothing and ignore datagrams, or stop doing so
//   GET /sim/power?name=N&on=1|0     switch off (answers nothing) or boot afresh
//   GET /sim/subscribe?name=N        send the UDP subscribe byte again (unsubscribe likewise)
//   GET /sim/mark?text=T             write "mark T" into the log, to divide a test's phases
//   GET /sim/quit                    unsubscribe and end
// Answers are text/plain: "ok", the state, or "error: ..." with status 400 (404 for an unknown page).

#include "Appliance.h"
#include "HttpListener.h"
#include "simkit/SimLog.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace appliance_sim {

class ControlChannel {
public:
    // Binds at once; throws boost::system::system_error when the endpoint is taken.
    ControlChannel(boost::asio::io_context& io, simkit::SimLog& log, const boost::asio::ip::tcp::endpoint& endpoint,
                   std::vector<std::unique_ptr<Appliance>>& appliances, std::function<void()> quit);

    boost::asio::ip::tcp::endpoint localEndpoint() const { return listener_.localEndpoint(); }
    void start() { listener_.start(); }
    void stop() { listener_.stop(); }

private:
    using Query = std::map<std::string, std::string>;
    HttpReply handle(const std::string& path, const Query& query);
    HttpReply state(const Query& query);
    HttpReply onAppliance(const std::string& path, Appliance& appliance, const Query& query);
    Appliance* find(const std::string& name);

    simkit::SimLog& log_;
    std::vector<std::unique_ptr<Appliance>>& appliances_;
    std::function<void()> quit_;
    HttpListener listener_;
};

}  // namespace appliance_sim
