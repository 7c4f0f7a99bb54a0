#pragma once
// The appliance's UDP client: it subscribes to the plug-in's UDP server from the appliance's own
// address and receives the datagrams the server sends to it.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace appliance_sim {

class UdpClient {
public:
    using DatagramHandler =
        std::function<void(std::span<const std::uint8_t> bytes, const boost::asio::ip::udp::endpoint& from)>;

    // Binds at once to local (port 0 picks a free one); throws boost::system::system_error when taken.
    UdpClient(boost::asio::io_context& io, const boost::asio::ip::udp::endpoint& local,
              const boost::asio::ip::udp::endpoint& server, DatagramHandler onDatagram);

    boost::asio::ip::udp::endpoint localEndpoint() const;
    const boost::asio::ip::udp::endpoint& server() const { return server_; }
    bool subscribed() const { return subscribed_; }

    void start();
    void stop();
    // Sends the subscribe (1) or unsubscribe (2) byte; returns the send error, empty when sent.
    std::string subscribe();
    std::string unsubscribe();

private:
    void receive();
    std::string sendByte(std::uint8_t byte);

    boost::asio::ip::udp::socket socket_;
    boost::asio::ip::udp::endpoint server_;
    boost::asio::ip::udp::endpoint from_;
    DatagramHandler onDatagram_;
    std::array<std::uint8_t, 65536> buffer_{};  // the largest datagram there is
    bool subscribed_ = false;
};

}  // namespace appliance_sim
