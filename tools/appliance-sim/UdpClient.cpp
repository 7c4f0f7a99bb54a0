#include "UdpClient.h"

#include "ServerDatagram.h"

namespace appliance_sim {

namespace asio = boost::asio;
using udp = asio::ip::udp;

UdpClient::UdpClient(asio::io_context& io, const udp::endpoint& local, const udp::endpoint& server,
                     DatagramHandler onDatagram)
    : socket_(io, local), server_(server), onDatagram_(std::move(onDatagram)) {}

udp::endpoint UdpClient::localEndpoint() const { return socket_.local_endpoint(); }

void UdpClient::start() { receive(); }

void UdpClient::stop() {
    boost::system::error_code ignored;
    socket_.close(ignored);
}

std::string UdpClient::subscribe() {
    auto error = sendByte(subscribeByte);
    if (error.empty()) subscribed_ = true;
    return error;
}

std::string UdpClient::unsubscribe() {
    auto error = sendByte(unsubscribeByte);
    if (error.empty()) subscribed_ = false;
    return error;
}

std::string UdpClient::sendByte(std::uint8_t byte) {
    boost::system::error_code ec;
    socket_.send_to(asio::buffer(&byte, 1), server_, 0, ec);
    return ec ? ec.message() : std::string();
}

void UdpClient::receive() {
    socket_.async_receive_from(asio::buffer(buffer_), from_, [this](boost::system::error_code ec, std::size_t got) {
        if (ec == asio::error::operation_aborted || !socket_.is_open()) return;
        // Other errors (an ICMP echo of an earlier send) end no reception.
        if (!ec) onDatagram_(std::span<const std::uint8_t>(buffer_.data(), got), from_);
        receive();
    });
}

}  // namespace appliance_sim
