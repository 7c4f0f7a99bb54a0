#include "homeseer/HtmlServer.h"

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/strand.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include "vb/PercentDecode.h"
#include "windows/CaseFold.h"

namespace homeseer {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

constexpr std::size_t kMaxHeader = 8 * 1024;
constexpr std::size_t kMaxBody = 8 * 1024;
// Connections served at once; those beyond wait in the listen backlog until one ends.
constexpr int kMaxConnections = 64;
constexpr auto kIdleTimeout = std::chrono::seconds(30);
constexpr const char* kServerName = "zephra-host";

struct ContentType {
    const char* extension;
    const char* type;
};
constexpr ContentType kContentTypes[] = {
    {".htm", "text/html"},
    {".html", "text/html"},
    {".txt", "text/plain"},
    {".css", "text/css"},
    {".js", "application/javascript"},
    {".wav", "audio/wav"},
    {".mp3", "audio/mpeg"},
    {".ogg", "audio/ogg"},
    {".jpg", "image/jpeg"},
    {".jpeg", "image/jpeg"},
    {".gif", "image/gif"},
    {".png", "image/png"},
    {".bmp", "image/bmp"},
    {".ico", "image/x-icon"},
    {".xml", "text/xml"},
};

const char* contentTypeOf(const std::filesystem::path& file) {
    std::string extension = file.extension().string();
    for (const ContentType& t : kContentTypes)
        if (windows::EqualsNoCase(extension, t.extension)) return t.type;
    return "application/octet-stream";
}

bool isPage(std::string_view decoded) {
    std::string_view name = decoded.substr(decoded.find_last_of('/') + 1);
    return name.size() > 4 && windows::EqualsNoCase(name.substr(name.size() - 4), ".asp");
}

// The entry of `folder` named `name`: an exact match first, else one that differs in case.
std::optional<std::filesystem::path> entryOf(const std::filesystem::path& folder, const std::string& name) {
    std::error_code ec;
    std::filesystem::path exact = folder / name;
    if (std::filesystem::exists(std::filesystem::symlink_status(exact, ec))) return exact;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (windows::EqualsNoCase(it->path().filename().string(), name)) return it->path();
    return std::nullopt;
}

bool inside(const std::filesystem::path& root, const std::filesystem::path& file) {
    std::error_code ec;
    std::filesystem::path r = std::filesystem::canonical(root, ec);
    if (ec) return false;
    std::filesystem::path f = std::filesystem::canonical(file, ec);
    if (ec) return false;
    auto [rootEnd, unused] = std::mismatch(r.begin(), r.end(), f.begin(), f.end());
    return rootEnd == r.end();
}

http::response<http::string_body> textAnswer(http::status status, unsigned version, std::string text) {
    http::response<http::string_body> answer{status, version};
    answer.set(http::field::server, kServerName);
    answer.set(http::field::content_type, "text/html");
    answer.body() = "<html><body>" + text + "</body></html>";
    answer.keep_alive(false);
    answer.prepare_payload();
    return answer;
}

}  // namespace

std::optional<std::string> PercentDecoded(std::string_view text) {
    static const vb::PercentRules kRules{false, false, vb::PercentRules::BadEscape::Fail, 0, true};
    return vb::PercentDecoded(text, kRules);
}

std::optional<std::filesystem::path> HtmlFileFor(const std::filesystem::path& root, std::string_view decoded) {
    if (decoded.empty() || decoded[0] != '/') return std::nullopt;
    if (decoded.find('\\') != std::string_view::npos || decoded.find('\0') != std::string_view::npos)
        return std::nullopt;
    std::filesystem::path current = root;
    std::size_t start = 1;
    while (start <= decoded.size()) {
        std::size_t slash = decoded.find('/', start);
        std::string name(
            decoded.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start));
        start = slash == std::string_view::npos ? decoded.size() + 1 : slash + 1;
        if (name.empty()) continue;
        if (name == "." || name == "..") return std::nullopt;
        std::optional<std::filesystem::path> entry = entryOf(current, name);
        if (!entry) return std::nullopt;
        current = *entry;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(current, ec) || !inside(root, current)) return std::nullopt;
    return current;
}

struct HtmlServer::Impl {
    Options options;
    std::atomic<int> connections{0};  // before io: sessions still held by io count down at its end
    std::atomic<bool> stopping{false};
    bool accepting = false;  // an accept is outstanding; on the server's thread only
    asio::io_context io;
    tcp::acceptor acceptor{io};
    std::thread thread;

    void log(const std::string& text) const {
        if (options.log) options.log(text);
    }

    void accept();
    // A session ended: accepting goes on if it waited for a free place.
    void sessionEnded();
};

namespace {

// One connection: one request, one answer, then the connection is closed.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket socket, HtmlServer::Impl& server) : stream_(std::move(socket)), server_(server) {
        ++server_.connections;
    }
    ~Session() {
        --server_.connections;
        server_.sessionEnded();
    }

    void start() {
        parser_.header_limit(kMaxHeader);
        parser_.body_limit(kMaxBody);
        stream_.expires_after(kIdleTimeout);
        http::async_read(stream_, buffer_, parser_, [self = shared_from_this()](beast::error_code ec, std::size_t) {
            if (ec == http::error::header_limit || ec == http::error::body_limit) {
                self->sendText(http::status::bad_request, 11, "Bad request");
                return;
            }
            if (!ec) self->answer();
        });
    }

private:
    void answer() {
        const auto& request = parser_.get();
        unsigned version = request.version();
        if (request.method() != http::verb::get && request.method() != http::verb::head) {
            sendText(http::status::method_not_allowed, version, "Method not allowed");
            return;
        }
        std::string_view target(request.target().data(), request.target().size());
        std::optional<std::string> decoded = PercentDecoded(target.substr(0, target.find('?')));
        if (!decoded) {
            server_.log("Refused request for " + std::string(target));
            sendText(http::status::bad_request, version, "Bad request");
            return;
        }
        if (isPage(*decoded)) {
            server_.log("Pages are not run by this host: " + *decoded);
            sendText(http::status::not_implemented, version, "Not implemented");
            return;
        }
        std::optional<std::filesystem::path> file = HtmlFileFor(server_.options.root, *decoded);
        if (!file) {
            sendText(http::status::not_found, version, "Not found");
            return;
        }
        sendFile(*file, version, request.method() == http::verb::head);
    }

    void sendText(http::status status, unsigned version, const std::string& text) {
        auto answer = std::make_shared<http::response<http::string_body>>(textAnswer(status, version, text));
        http::async_write(stream_, *answer,
                          [self = shared_from_this(), answer](beast::error_code, std::size_t) { self->close(); });
    }

    void sendFile(const std::filesystem::path& file, unsigned version, bool headOnly) {
        beast::error_code ec;
        http::file_body::value_type body;
        body.open(file.c_str(), beast::file_mode::scan, ec);
        if (ec) {
            sendText(http::status::not_found, version, "Not found");
            return;
        }
        auto size = body.size();
        auto answer = std::make_shared<http::response<http::file_body>>(
            std::piecewise_construct, std::make_tuple(std::move(body)), std::make_tuple(http::status::ok, version));
        answer->set(http::field::server, kServerName);
        answer->set(http::field::content_type, contentTypeOf(file));
        answer->content_length(size);
        answer->keep_alive(false);
        if (headOnly) {
            auto head = std::make_shared<http::response<http::empty_body>>(http::status::ok, version);
            head->set(http::field::server, kServerName);
            head->set(http::field::content_type, contentTypeOf(file));
            head->content_length(size);
            head->keep_alive(false);
            http::async_write(stream_, *head,
                              [self = shared_from_this(), head](beast::error_code, std::size_t) { self->close(); });
            return;
        }
        stream_.expires_never();
        http::async_write(stream_, *answer,
                          [self = shared_from_this(), answer](beast::error_code, std::size_t) { self->close(); });
    }

    void close() {
        beast::error_code ec;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
        stream_.socket().close(ec);
    }

    beast::tcp_stream stream_;
    HtmlServer::Impl& server_;
    beast::flat_buffer buffer_;
    http::request_parser<http::string_body> parser_;
};

}  // namespace

void HtmlServer::Impl::accept() {
    if (accepting || stopping || connections >= kMaxConnections) return;
    accepting = true;
    acceptor.async_accept(asio::make_strand(io), [this](beast::error_code ec, tcp::socket socket) {
        accepting = false;
        if (ec == asio::error::operation_aborted) return;
        if (!ec) std::make_shared<Session>(std::move(socket), *this)->start();
        accept();
    });
}

void HtmlServer::Impl::sessionEnded() {
    if (!stopping && !accepting && connections < kMaxConnections) asio::post(io, [this] { accept(); });
}

HtmlServer::HtmlServer(Options options) : impl_(std::make_unique<Impl>()) {
    impl_->options = std::move(options);
    beast::error_code ec;
    tcp::endpoint endpoint(asio::ip::make_address(impl_->options.address, ec), impl_->options.port);
    if (ec) throw std::runtime_error("bad address " + impl_->options.address);
    impl_->acceptor.open(endpoint.protocol(), ec);
    if (!ec) impl_->acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec) impl_->acceptor.bind(endpoint, ec);
    if (!ec) impl_->acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec)
        throw std::runtime_error("cannot listen on " + impl_->options.address + ":" +
                                 std::to_string(impl_->options.port) + ": " + ec.message());
    impl_->accept();
    impl_->thread = std::thread([impl = impl_.get()] { impl->io.run(); });
}

HtmlServer::~HtmlServer() {
    impl_->stopping = true;
    asio::post(impl_->io, [impl = impl_.get()] {
        beast::error_code ec;
        impl->acceptor.close(ec);
    });
    impl_->io.stop();
    impl_->thread.join();
}

uint16_t HtmlServer::port() const noexcept { return impl_->acceptor.local_endpoint().port(); }

}  // namespace homeseer
