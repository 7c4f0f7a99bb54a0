#pragma once
// Host texts as the socket controls take them: a numeric address or a host name.

#include <optional>
#include <string>

#include <boost/asio/ip/address.hpp>

namespace forms::detail {

// The address a numeric host text stands for; none for a name (or an empty text).
std::optional<boost::asio::ip::address> numericAddress(const std::string& host);

// A port number as the controls take it: 0 to 65535, else error 40014.
unsigned short portNumber(long port);

}  // namespace forms::detail
