#include "simkit/testing/HttpGet.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

namespace simkit::testing {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

HttpAnswer httpGet(const tcp::endpoint& server, const std::string& target, std::chrono::milliseconds timeout) {
    asio::io_context io;
    beast::tcp_stream stream(io);
    beast::flat_buffer buffer;
    http::request<http::empty_body> request{http::verb::get, target, 11};
    request.set(http::field::host, server.address().to_string());
    http::response<http::string_body> response;
    HttpAnswer answer;
    stream.expires_after(timeout);
    stream.async_connect(server, [&](beast::error_code ec) {
        if (ec) {
            answer.error = ec.message();
            return;
        }
        http::async_write(stream, request, [&](beast::error_code ec, std::size_t) {
            if (ec) {
                answer.error = ec.message();
                return;
            }
            http::async_read(stream, buffer, response, [&](beast::error_code ec, std::size_t) {
                if (ec) {
                    answer.error = ec.message();
                    return;
                }
                answer.status = response.result_int();
                answer.body = response.body();
            });
        });
    });
    io.run();
    return answer;
}

tcp::endpoint endpointOf(const std::string& text) {
    const auto colon = text.rfind(':');
    return {asio::ip::make_address(text.substr(0, colon)),
            static_cast<unsigned short>(std::stoi(text.substr(colon + 1)))};
}

PendingRequest::PendingRequest(const tcp::endpoint& server, const std::string& target) : socket_(io_) {
    socket_.connect(server);
    const std::string request = "GET " + target + " HTTP/1.1\r\nHost: " + server.address().to_string() + "\r\n\r\n";
    asio::write(socket_, asio::buffer(request));
}

bool PendingRequest::answered() { return socket_.available() > 0; }

}  // namespace simkit::testing
