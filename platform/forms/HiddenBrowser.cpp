#include "forms/HiddenBrowser.h"

#include <array>
#include <concepts>
#include <optional>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/http.hpp>

#include "forms/detail/Addresses.h"
#include "forms/detail/BrowserUrl.h"
#include "forms/detail/LoopInternals.h"
#include "forms/detail/PageText.h"

namespace forms {

namespace asio = boost::asio;
namespace http = boost::beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;

namespace {

// The browser's own page for a request that failed; callers test its first 16 characters.
constexpr const char* kCancelledPage = "Action cancelled\r\nThe page could not be opened: ";
constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; hidden browser)";
constexpr std::size_t kMaxBody = 4 << 20;
constexpr std::size_t kMaxHeader = 16 << 10;

std::string reasonOf(const error_code& ec) {
    if (ec == asio::error::connection_refused) return "the connection was refused.";
    if (ec == asio::error::connection_reset || ec == asio::error::eof || ec == http::error::end_of_stream ||
        ec == http::error::partial_message)
        return "the connection was closed before the page came.";
    if (ec == asio::error::host_not_found || ec == asio::error::host_not_found_try_again)
        return "the host was not found.";
    if (ec == asio::error::network_unreachable || ec == asio::error::host_unreachable)
        return "the host could not be reached.";
    if (ec == http::error::body_limit || ec == http::error::header_limit) return "the page is too large.";
    if (ec.category() == http::make_error_code(http::error::bad_version).category())
        return "the answer was not understood.";
    return ec.message() + ".";
}

bool isPlainText(const http::response<http::string_body>& response) {
    auto type = response[http::field::content_type];
    return type.size() >= 10 && boost::beast::iequals(type.substr(0, 10), "text/plain");
}

// One page request, from resolving the host to the last byte of the answer.
struct Request {
    Request(Loop& loop, std::string url)
        : url(std::move(url)), socket(detail::io(loop)), resolver(detail::io(loop)), pending(loop) {
        parser.body_limit(kMaxBody);
        parser.header_limit(kMaxHeader);
    }

    std::string url;
    tcp::socket socket;
    tcp::resolver resolver;
    detail::PendingAnswer pending;
    http::request<http::empty_body> message;
    boost::beast::flat_buffer buffer;
    http::response_parser<http::string_body> parser;

    void cancel() {
        error_code ignored;
        resolver.cancel();
        socket.close(ignored);
    }
};

}  // namespace

struct HiddenBrowser::Impl : std::enable_shared_from_this<Impl> {
    Impl(Loop& loop, HiddenBrowser* owner) : loop(loop), owner(owner) {}

    Loop& loop;
    HiddenBrowser* owner;  // none once the browser is released
    HTMLDocument document;
    std::shared_ptr<Request> current;

    // A completion handler that runs `step` only while `request` is the current one.
    template <class Step>
    auto guarded(const std::shared_ptr<Request>& request, Step step) {
        return [ self = shared_from_this(), request,
                 step ](auto&&... args) requires std::invocable<const Step&, Impl&, Request&, decltype(args)...> {
            if (self->current != request) return;
            step(*self, *request, std::forward<decltype(args)>(args)...);
        };
    }

    void navigate(const std::string& given) {
        if (current) current->cancel();
        std::string url = detail::encodeUrl(given);
        auto request = std::make_shared<Request>(loop, url);
        current = request;
        auto target = detail::parseHttpUrl(url);
        if (!target) {
            loop.post(guarded(request, [](Impl& self, Request& r) {
                self.complete(r, std::string(kCancelledPage) + "the address is not an http address.");
            }));
            return;
        }
        request->message = http::request<http::empty_body>(http::verb::get, target->target, 11);
        request->message.set(http::field::host, target->hostHeader);
        request->message.set(http::field::user_agent, kUserAgent);
        request->message.set(http::field::accept, "*/*");
        request->message.set(http::field::connection, "close");
        if (auto address = detail::numericAddress(target->host)) {
            connect(request, std::array<tcp::endpoint, 1>{tcp::endpoint(*address, target->port)});
            return;
        }
        request->resolver.async_resolve(target->host, std::to_string(target->port),
                                        guarded(request, [](Impl& self, Request& r, const error_code& ec,
                                                            const tcp::resolver::results_type& found) {
                                            if (ec) return self.fail(r, ec);
                                            self.connect(self.current, found);
                                        }));
    }

    template <class Endpoints>
    void connect(const std::shared_ptr<Request>& request, const Endpoints& endpoints) {
        asio::async_connect(request->socket, endpoints,
                            guarded(request, [](Impl& self, Request& r, const error_code& ec, const tcp::endpoint&) {
                                if (ec) return self.fail(r, ec);
                                self.send(self.current);
                            }));
    }

    void send(const std::shared_ptr<Request>& request) {
        http::async_write(request->socket, request->message,
                          guarded(request, [](Impl& self, Request& r, const error_code& ec, std::size_t) {
                              if (ec) return self.fail(r, ec);
                              self.receive(self.current);
                          }));
    }

    void receive(const std::shared_ptr<Request>& request) {
        http::async_read(request->socket, request->buffer, request->parser,
                         guarded(request, [](Impl& self, Request& r, const error_code& ec, std::size_t) {
                             if (ec) return self.fail(r, ec);
                             const auto& response = r.parser.get();
                             self.complete(r,
                                           isPlainText(response) ? response.body() : detail::pageText(response.body()));
                         }));
    }

    void fail(Request& request, const error_code& ec) { complete(request, std::string(kCancelledPage) + reasonOf(ec)); }

    void complete(Request& request, std::string text) {
        std::string url = request.url;
        request.cancel();
        current.reset();  // `request` may be gone from here on
        document.body.innerText = std::move(text);
        if (owner) detail::raise(loop, owner->OnDocumentComplete, url);
    }
};

HiddenBrowser::HiddenBrowser(Loop& loop) : impl_(std::make_shared<Impl>(loop, this)) {}

HiddenBrowser::~HiddenBrowser() {
    impl_->owner = nullptr;
    if (impl_->current) impl_->current->cancel();
    impl_->current.reset();
}

void HiddenBrowser::Navigate2(const std::string& url) { impl_->navigate(url); }

const HiddenBrowser::HTMLDocument& HiddenBrowser::Document() const { return impl_->document; }

}  // namespace forms
