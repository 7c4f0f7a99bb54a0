#pragma once
// A small HTTP/1.1 server on one loopback endpoint: the appliance's control pages and the
// simulator's own control page both run on it. Requests are bounded in size, connections in number
// and in idle time.

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>

#include <functional>
#include <list>
#include <memory>
#include <optional>
#include <string>

namespace appliance_sim {

struct HttpReply {
    unsigned status = 200;
    std::string body;
    std::string contentType = "text/html";
    std::function<void()> afterWrite;  // runs once the answer is out (or could not be sent)
};

// Called once per request: with a reply to answer, or with nothing to leave the request unanswered
// (the connection stays open, unread, until the client gives up).
using ReplyFn = std::function<void(std::optional<HttpReply>)>;
// The request's method ("GET") and target ("/led.shtml?t1").
using RequestHandler = std::function<void(const std::string& method, const std::string& target, ReplyFn reply)>;
// Told about what never became a request: "bad-request <why>", "busy".
using NoticeHandler = std::function<void(const std::string& notice)>;

inline constexpr std::size_t requestHeaderLimit = 8 * 1024;
inline constexpr std::size_t requestBodyLimit = 8 * 1024;
inline constexpr std::size_t connectionLimit = 64;
inline constexpr int idleSeconds = 120;

class HttpSession;

class HttpListener {
public:
    // Binds and listens at once; throws boost::system::system_error when the endpoint is taken.
    HttpListener(boost::asio::io_context& io, const boost::asio::ip::tcp::endpoint& endpoint, RequestHandler onRequest,
                 NoticeHandler onNotice);
    ~HttpListener();

    boost::asio::ip::tcp::endpoint localEndpoint() const;
    void start();
    // Stops accepting and closes every open connection.
    void stop();

private:
    void accept();
    std::size_t liveSessions();

    boost::asio::ip::tcp::acceptor acceptor_;
    boost::asio::steady_timer retry_;
    std::shared_ptr<const std::pair<RequestHandler, NoticeHandler>> handlers_;
    std::list<std::weak_ptr<HttpSession>> sessions_;
};

}  // namespace appliance_sim
