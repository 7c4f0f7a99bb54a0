#include "HttpListener.h"

#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <array>
#include <chrono>

namespace appliance_sim {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using Handlers = std::pair<RequestHandler, NoticeHandler>;

class HttpSession : public std::enable_shared_from_this<HttpSession> {
public:
    HttpSession(tcp::socket socket, std::shared_ptr<const Handlers> handlers)
        : stream_(std::move(socket)), handlers_(std::move(handlers)) {}

    void start() { readRequest(); }

    void close() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.socket().close(ignored);
    }

private:
    void readRequest() {
        parser_.emplace();
        parser_->header_limit(requestHeaderLimit);
        parser_->body_limit(requestBodyLimit);
        stream_.expires_after(std::chrono::seconds(idleSeconds));
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onRequest(ec); });
    }

    void onRequest(beast::error_code ec) {
        if (ec == http::error::end_of_stream || ec == beast::error::timeout || ec == asio::error::operation_aborted ||
            ec == asio::error::connection_reset || ec == asio::error::eof)
            return close();
        if (ec) return refuse(ec.message());
        const auto& request = parser_->get();
        keepAlive_ = request.keep_alive();
        auto self = shared_from_this();
        auto answered = std::make_shared<bool>(false);
        handlers_->first(std::string(request.method_string()), std::string(request.target()),
                         [self, answered](std::optional<HttpReply> reply) {
                             if (std::exchange(*answered, true)) return;
                             if (reply) self->write(std::move(*reply));
                             else self->hold();
                         });
    }

    void refuse(const std::string& why) {
        handlers_->second("bad-request " + why);
        keepAlive_ = false;
        write(HttpReply{400, "<html><body>Bad Request</body></html>", "text/html", {}});
    }

    void write(HttpReply reply) {
        response_ = {static_cast<http::status>(reply.status), 11};
        response_.set(http::field::content_type, reply.contentType);
        response_.body() = std::move(reply.body);
        response_.keep_alive(keepAlive_);
        response_.prepare_payload();
        stream_.expires_after(std::chrono::seconds(idleSeconds));
        http::async_write(
            stream_, response_,
            [self = shared_from_this(), after = std::move(reply.afterWrite)](beast::error_code ec, std::size_t) {
                if (after) after();
                if (ec || !self->keepAlive_) return self->close();
                self->readRequest();
            });
    }

    // An unanswered request: keep the connection and read nothing more from it, but notice when
    // the client closes it.
    void hold() {
        stream_.expires_after(std::chrono::seconds(idleSeconds));
        stream_.async_read_some(asio::buffer(discard_), [self = shared_from_this()](beast::error_code ec, std::size_t) {
            if (ec) return self->close();
            self->hold();
        });
    }

    beast::tcp_stream stream_;
    std::shared_ptr<const Handlers> handlers_;
    beast::flat_buffer buffer_{requestHeaderLimit + requestBodyLimit};
    std::optional<http::request_parser<http::string_body>> parser_;
    http::response<http::string_body> response_;
    std::array<char, 512> discard_{};
    bool keepAlive_ = true;
};

HttpListener::HttpListener(asio::io_context& io, const tcp::endpoint& endpoint, RequestHandler onRequest,
                           NoticeHandler onNotice)
    : acceptor_(io), retry_(io), handlers_(std::make_shared<Handlers>(std::move(onRequest), std::move(onNotice))) {
    acceptor_.open(endpoint.protocol());
    acceptor_.set_option(asio::socket_base::reuse_address(true));
    acceptor_.bind(endpoint);
    acceptor_.listen();
}

HttpListener::~HttpListener() { stop(); }

tcp::endpoint HttpListener::localEndpoint() const { return acceptor_.local_endpoint(); }

void HttpListener::start() { accept(); }

void HttpListener::stop() {
    beast::error_code ignored;
    acceptor_.close(ignored);
    retry_.cancel();
    for (auto& weak : sessions_)
        if (auto session = weak.lock()) session->close();
    sessions_.clear();
}

void HttpListener::accept() {
    acceptor_.async_accept([this](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted || !acceptor_.is_open()) return;
        if (ec) {
            // Out of descriptors or the like: try again a little later rather than spin.
            retry_.expires_after(std::chrono::milliseconds(100));
            retry_.async_wait([this](beast::error_code ec) {
                if (!ec) accept();
            });
            return;
        }
        if (liveSessions() >= connectionLimit) {
            handlers_->second("busy");
            beast::error_code ignored;
            socket.close(ignored);
        } else {
            auto session = std::make_shared<HttpSession>(std::move(socket), handlers_);
            sessions_.push_back(session);
            session->start();
        }
        accept();
    });
}

std::size_t HttpListener::liveSessions() {
    sessions_.remove_if([](const std::weak_ptr<HttpSession>& weak) { return weak.expired(); });
    return sessions_.size();
}

}  // namespace appliance_sim
