#pragma once
// Addresses the simulator may listen on or fetch from: loopback only, so that nothing it does
// ever leaves this machine.

#include <boost/asio/ip/tcp.hpp>

#include <optional>
#include <sstream>
#include <string>
#include <string_view>

namespace appliance_sim {

// "127.0.0.2:8080" (port 0 picks a free one); empty with the reason in why when the text is no
// loopback endpoint.
std::optional<boost::asio::ip::tcp::endpoint> parseLoopbackEndpoint(std::string_view text, std::string& why);

// "127.0.0.2:8080", for TCP and UDP endpoints alike.
template <typename Endpoint>
std::string endpointText(const Endpoint& endpoint) {
    std::ostringstream text;
    text << endpoint;
    return text.str();
}

// An http:// URL whose host is a loopback address ("localhost", 127.x.y.z or [::1]).
struct LoopbackUrl {
    boost::asio::ip::tcp::endpoint server;
    std::string host;    // as written in the URL, for the Host header
    std::string target;  // path and query, bytes a request line cannot carry escaped as %XX
};

// Empty with the reason in why when the URL is not plain http:// to a loopback address; host names
// other than "localhost" are refused without being looked up.
std::optional<LoopbackUrl> parseLoopbackUrl(std::string_view url, std::string& why);

}  // namespace appliance_sim
