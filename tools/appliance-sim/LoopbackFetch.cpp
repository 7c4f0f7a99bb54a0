#include "LoopbackFetch.h"

#include "LoopbackAddress.h"

#include <boost/asio/post.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <array>
#include <chrono>
#include <memory>

namespace appliance_sim {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

class Fetch : public std::enable_shared_from_this<Fetch> {
public:
    Fetch(asio::io_context& io, LoopbackUrl url, std::size_t keepBytes, std::function<void(FetchResult)> done)
        : stream_(io), url_(std::move(url)), keepBytes_(keepBytes), done_(std::move(done)) {}

    void start(const asio::ip::address& source) {
        beast::error_code ec;
        auto& socket = stream_.socket();
        socket.open(url_.server.protocol(), ec);
        // From the appliance's own address, so that servers see who asks.
        if (!ec && source.is_v4() == url_.server.address().is_v4()) socket.bind(tcp::endpoint(source, 0), ec);
        if (ec) return finish("connect: " + ec.message());
        stream_.expires_after(std::chrono::seconds(fetchStepSeconds));
        stream_.async_connect(url_.server, [self = shared_from_this()](beast::error_code ec) { self->onConnect(ec); });
    }

private:
    void onConnect(beast::error_code ec) {
        if (ec) return finish("connect: " + ec.message());
        request_ = {http::verb::get, url_.target, 11};
        request_.set(http::field::host, url_.host);
        request_.set(http::field::connection, "close");
        stream_.expires_after(std::chrono::seconds(fetchStepSeconds));
        http::async_write(stream_, request_,
                          [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onWrite(ec); });
    }

    void onWrite(beast::error_code ec) {
        if (ec) return finish("send: " + ec.message());
        parser_.header_limit(16 * 1024);
        parser_.body_limit(fetchBodyLimit);
        stream_.expires_after(std::chrono::seconds(fetchStepSeconds));
        http::async_read_header(stream_, buffer_, parser_,
                                [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onHeader(ec); });
    }

    void onHeader(beast::error_code ec) {
        if (ec) return finish("receive: " + ec.message());
        result_.status = parser_.get().result_int();
        readBody();
    }

    // The body goes through a fixed chunk: only its head is kept, the rest is counted.
    void readBody() {
        if (parser_.is_done()) return finish({});
        parser_.get().body().data = chunk_.data();
        parser_.get().body().size = chunk_.size();
        stream_.expires_after(std::chrono::seconds(fetchStepSeconds));
        http::async_read(stream_, buffer_, parser_,
                         [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onBody(ec); });
    }

    void onBody(beast::error_code ec) {
        if (ec == http::error::need_buffer) ec = {};
        const std::size_t got = chunk_.size() - parser_.get().body().size;
        keep(got);
        result_.bodyBytes += got;
        if (ec == http::error::body_limit) return finish("too-large");
        if (ec) return finish("receive: " + ec.message());
        readBody();
    }

    void keep(std::size_t got) {
        const std::size_t room = keepBytes_ > result_.head.size() ? keepBytes_ - result_.head.size() : 0;
        const std::size_t take = std::min(room, got);
        result_.head.insert(result_.head.end(), chunk_.begin(), chunk_.begin() + static_cast<std::ptrdiff_t>(take));
    }

    void finish(std::string error) {
        if (error.empty() && result_.status != 200) error = "http " + std::to_string(result_.status);
        result_.error = std::move(error);
        beast::error_code ignored;
        stream_.socket().close(ignored);
        if (done_) std::exchange(done_, nullptr)(std::move(result_));
    }

    beast::tcp_stream stream_;
    LoopbackUrl url_;
    std::size_t keepBytes_;
    std::function<void(FetchResult)> done_;
    beast::flat_buffer buffer_{16 * 1024};
    http::request<http::empty_body> request_;
    http::response_parser<http::buffer_body> parser_;
    std::array<std::uint8_t, 64 * 1024> chunk_{};
    FetchResult result_;
};

}  // namespace

void fetchFromLoopback(asio::io_context& io, const asio::ip::address& source, const std::string& url,
                       std::size_t keepBytes, std::function<void(FetchResult)> done) {
    std::string why;
    auto parsed = parseLoopbackUrl(url, why);
    if (!parsed) {
        FetchResult refused;
        refused.error = "refused " + why;
        asio::post(io, [done = std::move(done), refused = std::move(refused)]() mutable { done(std::move(refused)); });
        return;
    }
    std::make_shared<Fetch>(io, std::move(*parsed), keepBytes, std::move(done))->start(source);
}

}  // namespace appliance_sim
