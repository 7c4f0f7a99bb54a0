#pragma once
// One simulated appliance: its control pages on its own loopback address, its state, its fault
// modes, its power, its marker file and its UDP client.

#include "ApplianceState.h"
#include "ControlPages.h"
#include "HttpListener.h"
#include "UdpClient.h"
#include "simkit/SimLog.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/ip/udp.hpp>

#include <memory>
#include <optional>
#include <string>

namespace appliance_sim {

struct FaultModes {
    int slowMs = 0;       // every answer waits this long
    int dropNext = 0;     // so many next requests are taken and never answered
    bool silent = false;  // nothing is answered, no datagram is taken
};

struct ApplianceConfig {
    std::string name;
    boost::asio::ip::tcp::endpoint http;
    std::optional<boost::asio::ip::udp::endpoint> udpLocal;  // with udpServer: run the UDP client
    std::optional<boost::asio::ip::udp::endpoint> udpServer;
    std::string markerDir;  // where "name.txt" says "BROWSER" once the appliance is up; empty: none
    FaultModes faults;
};

class Appliance {
public:
    // Binds its sockets at once; throws boost::system::system_error when an address is taken.
    Appliance(boost::asio::io_context& io, simkit::SimLog& log, ApplianceConfig config);

    const std::string& name() const { return config_.name; }
    boost::asio::ip::tcp::endpoint httpEndpoint() const { return listener_.localEndpoint(); }
    std::optional<boost::asio::ip::udp::endpoint> udpEndpoint() const;

    // Starts serving, writes the marker file and subscribes.
    void start();
    // Stops serving; unsubscribes when subscribed.
    void stop();

    void setSlow(int ms);
    void setDrop(int count);
    void setSilent(bool on);
    // Power off: nothing is answered. Power on: the appliance boots afresh (state back to its
    // power-up values), writes its marker file and subscribes again.
    void setPower(bool on);
    // False when there is no UDP client.
    bool subscribe();
    bool unsubscribe();

    // "key=value" lines: state, fault modes, UDP client.
    std::string report() const;

private:
    void onRequest(const std::string& method, const std::string& target, ReplyFn reply);
    std::optional<std::string> unansweredBecause();
    void followUp(const std::string& target, PageAnswer answer, ReplyFn reply);
    void deliver(const std::string& target, PageAnswer answer, ReplyFn reply);
    // Loads url as the browser does, following up to five redirects; `shown` is the URL the
    // browser was sent to.
    void browse(const std::string& url, const std::string& shown = {}, int hops = 0);
    void onDatagram(std::span<const std::uint8_t> bytes, const boost::asio::ip::udp::endpoint& from);
    void writeMarker();

    boost::asio::io_context& io_;
    simkit::SimLog& log_;
    ApplianceConfig config_;
    FaultModes faults_;
    bool poweredOn_ = true;
    ApplianceState state_;
    long requests_ = 0;
    long datagrams_ = 0;
    std::string lastDatagram_;
    HttpListener listener_;
    std::unique_ptr<UdpClient> udp_;
};

}  // namespace appliance_sim
