#include "forms/UdpSocket.h"

#include "forms/PortNotes.h"

#include <array>

#include <boost/asio/ip/udp.hpp>

#include "forms/detail/Addresses.h"
#include "forms/detail/LoopInternals.h"
#include "forms/detail/SocketErrors.h"

namespace forms {

namespace asio = boost::asio;
using udp = asio::ip::udp;
using boost::system::error_code;

namespace {

// The largest datagram UDP carries.
constexpr std::size_t kMaxDatagram = 65536;

// Errors that an earlier datagram's answer leaves on a socket; receiving goes on.
bool passing(const error_code& ec) {
    return ec == asio::error::connection_refused || ec == asio::error::connection_reset ||
           ec == asio::error::host_unreachable || ec == asio::error::network_unreachable ||
           ec == asio::error::message_size;
}

}  // namespace

struct UdpSocket::Impl : std::enable_shared_from_this<Impl> {
    Impl(Loop& loop, UdpSocket* owner) : loop(loop), owner(owner), socket(detail::io(loop)) {}

    Loop& loop;
    UdpSocket* owner;  // none once the control is destroyed
    std::uint64_t generation = 0;
    udp::socket socket;
    udp::endpoint sender;
    std::array<char, kMaxDatagram> buffer{};

    void close() {
        ++generation;
        error_code ignored;
        socket.close(ignored);
    }

    void bind(const std::string& localIP, unsigned short port, int32_t& boundPort) {
        asio::ip::address address = asio::ip::address_v4::any();
        if (!localIP.empty()) {
            auto numeric = detail::numericAddress(localIP);
            if (!numeric) throw detail::winsockError(sckAddressNotAvailable);
            address = *numeric;
        }
        udp::endpoint endpoint(address, port);
        error_code ec;
        socket.open(endpoint.protocol(), ec);
        // As the control does, datagrams may go to a broadcast address.
        if (!ec) socket.set_option(udp::socket::broadcast(true), ec);
        if (!ec) socket.bind(endpoint, ec);
        if (ec) {
            close();
            throw detail::winsockError(ec);
        }
        boundPort = socket.local_endpoint().port();
        receive();
    }

    void receive() {
        socket.async_receive_from(
            asio::buffer(buffer), sender,
            [self = shared_from_this(), gen = generation](const error_code& ec, std::size_t n) {
                if (self->generation != gen) return;
                if (ec && !passing(ec)) {
                    auto failure = detail::winsockFailure(ec);
                    if (self->owner)
                        detail::raise(self->loop, self->owner->OnError, failure.number, failure.description);
                    return;
                }
                if (ec) return self->receive();
                Datagram datagram{std::string(self->buffer.data(), n), self->sender.address().to_string(),
                                  self->sender.port()};
                self->receive();  // may complete at once into the buffer: the datagram was copied first
                if (self->owner) detail::raise(self->loop, self->owner->OnDataArrival, datagram);
            });
    }

    udp::endpoint destination(const std::string& host, unsigned short port) {
        if (auto address = detail::numericAddress(host)) return udp::endpoint(*address, port);
        udp::resolver resolver(socket.get_executor());
        error_code ec;
        auto found = resolver.resolve(udp::v4(), host, std::to_string(port), ec);
        if (ec || found.empty()) throw detail::winsockError(sckHostNotFound);
        return *found.begin();
    }
};

UdpSocket::UdpSocket(Loop& loop) : impl_(std::make_shared<Impl>(loop, this)) {}

UdpSocket::~UdpSocket() {
    impl_->owner = nullptr;
    impl_->close();
}

int UdpSocket::State() const { return impl_->socket.is_open() ? sckOpen : sckClosed; }

void UdpSocket::Bind() { Bind(LocalPort); }

void UdpSocket::Bind(int32_t localPort, const std::string& localIP) {
    if (State() != sckClosed) throw detail::winsockError(sckInvalidOp);
    try {
        impl_->bind(localIP, detail::portNumber(localPort), LocalPort);
    } catch (const std::exception& e) {
        NotePort({"UDP", localIP, localPort, Purpose, e.what()});
        throw;
    }
    NotePort({"UDP", localIP, LocalPort, Purpose, {}});
}

void UdpSocket::SendData(std::string_view datagram) {
    auto to = impl_->destination(RemoteHost, detail::portNumber(RemotePort));
    if (State() == sckClosed) impl_->bind({}, 0, LocalPort);  // a port to send from: not noted
    error_code ec;
    impl_->socket.send_to(asio::buffer(datagram.data(), datagram.size()), to, 0, ec);
    if (ec) throw detail::winsockError(ec);
}

void UdpSocket::Close() { impl_->close(); }

}  // namespace forms
