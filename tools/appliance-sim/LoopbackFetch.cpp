#include "LoopbackFetch.h"

#include "LoopbackAddress.h"

#include <boost/asio/post.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <algorithm>
#include <array>
#include <chrono>
#include <memory>
#include <string_view>
#include <utility>

namespace appliance_sim {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

constexpr std::size_t headLimit = 16 * 1024;

// Where the head (status line and header lines) ends: after the first empty line, whether lines
// end in CR LF or a bare LF; 0 while it has not come.
std::size_t headEnd(std::string_view text) {
    for (std::size_t at = text.find('\n'); at != std::string_view::npos; at = text.find('\n', at + 1)) {
        if (at + 1 < text.size() && text[at + 1] == '\n') return at + 2;
        if (at + 2 < text.size() && text[at + 1] == '\r' && text[at + 2] == '\n') return at + 3;
    }
    return 0;
}

// A header line a browser reads: a field name (a token: no blanks, no separators) and a colon.
bool readableField(std::string_view line) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    for (const char c : line.substr(0, colon)) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u >= 0x7f || std::string_view("()<>@,;:\\\"/[]?={}").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

// The head as a browser reads it: a header line it cannot read (no colon, or no field name
// before it) is skipped, the others are kept; every line ends in CR LF.
std::string readableHead(std::string_view head) {
    std::string out;
    bool first = true;
    while (!head.empty()) {
        const std::size_t end = head.find('\n');
        std::string_view line = head.substr(0, end);
        head = end == std::string_view::npos ? std::string_view{} : head.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty()) break;
        if (first || readableField(line)) out.append(line).append("\r\n");
        first = false;
    }
    return out + "\r\n";
}

// Reads until the head has come.
struct HeadComplete {
    template <typename Iterator>
    std::pair<Iterator, bool> operator()(Iterator begin, Iterator end) const {
        const std::string seen(begin, end);
        const std::size_t at = headEnd(seen);
        if (at != 0) return {begin + static_cast<std::ptrdiff_t>(at), true};
        // The next look starts a little before the end, so that a line end split between two
        // reads is still seen.
        return {end - static_cast<std::ptrdiff_t>(std::min<std::size_t>(seen.size(), 3)), false};
    }
};

}  // namespace
}  // namespace appliance_sim

template <>
struct boost::asio::is_match_condition<appliance_sim::HeadComplete> : std::true_type {};

namespace appliance_sim {
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
        parser_.header_limit(headLimit);
        parser_.body_limit(fetchBodyLimit);
        stream_.expires_after(std::chrono::seconds(fetchStepSeconds));
        asio::async_read_until(
            stream_, asio::dynamic_buffer(raw_, headLimit), HeadComplete{},
            [self = shared_from_this()](beast::error_code ec, std::size_t n) { self->onHead(ec, n); });
    }

    // The head goes to the parser as a browser would read it; what came after it is the body's start.
    void onHead(beast::error_code ec, std::size_t headBytes) {
        if (ec == asio::error::not_found) return finish("receive: header over " + std::to_string(headLimit) + " bytes");
        if (ec) return finish("receive: " + ec.message());
        const std::string head = readableHead(std::string_view(raw_).substr(0, headBytes));
        parser_.eager(false);
        parser_.put(asio::buffer(head), ec);
        if (!ec && !parser_.is_header_done()) ec = http::error::partial_message;
        if (ec) return finish("receive: " + ec.message());
        const std::size_t rest = raw_.size() - headBytes;
        asio::buffer_copy(buffer_.prepare(rest), asio::buffer(raw_.data() + headBytes, rest));
        buffer_.commit(rest);
        raw_.clear();
        onHeader();
    }

    void onHeader() {
        result_.status = parser_.get().result_int();
        const auto location = parser_.get().find(http::field::location);
        if (location != parser_.get().end()) result_.location = std::string(location->value());
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
    std::string raw_;
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
