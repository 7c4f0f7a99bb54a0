#pragma once
// A small HTTP client for tests: GET requests to the stand-ins over loopback.

#include <boost/asio/ip/tcp.hpp>

#include <chrono>
#include <string>

namespace simkit::testing {

struct HttpAnswer {
    unsigned status = 0;  // 0 when no answer came
    std::string body;
    std::string error;  // why no answer came
};

// GET target from server, waiting at most timeout for the whole answer.
HttpAnswer httpGet(const boost::asio::ip::tcp::endpoint& server, const std::string& target,
                   std::chrono::milliseconds timeout = std::chrono::seconds(10));

// "127.0.0.2:8080" as an endpoint.
boost::asio::ip::tcp::endpoint endpointOf(const std::string& text);

// A request sent and left open, to see that an answer did or did not come.
class PendingRequest {
public:
    PendingRequest(const boost::asio::ip::tcp::endpoint& server, const std::string& target);
    // True when answer bytes have arrived (without waiting).
    bool answered();

private:
    boost::asio::io_context io_;
    boost::asio::ip::tcp::socket socket_;
};

}  // namespace simkit::testing
