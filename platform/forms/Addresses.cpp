#include "forms/detail/Addresses.h"

#include "forms/Winsock.h"
#include "forms/detail/SocketErrors.h"

namespace forms::detail {

std::optional<boost::asio::ip::address> numericAddress(const std::string& host) {
    boost::system::error_code ec;
    auto address = boost::asio::ip::make_address(host, ec);
    if (ec) return std::nullopt;
    return address;
}

unsigned short portNumber(long port) {
    if (port < 0 || port > 65535) throw winsockError(sckInvalidArg);
    return static_cast<unsigned short>(port);
}

}  // namespace forms::detail
