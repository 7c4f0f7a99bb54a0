#include "homeseer/HtmlServer.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include "forms/LogRate.h"
#include "forms/RequestArrival.h"
#include "vb/PercentDecode.h"
#include "windows/CaseFold.h"
#include "windows/PathMap.h"

namespace homeseer {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

constexpr std::size_t kMaxHeader = 8 * 1024;
constexpr std::size_t kMaxBody = 8 * 1024;
// Requests read at once (an answer under way holds no place); when all are taken, the one whose
// request has been slowest to arrive gives way to a newcomer, and with none that may, newcomers
// wait their turn.
constexpr std::size_t kMaxConnections = 64;
// Connections accepted that hold no place yet: those that have sent nothing, and those whose
// request waits for a place. Cheap to keep; beyond them the oldest silent one is closed.
constexpr std::size_t kMaxHeld = 1000;
// Up to this many are held while every silent one is in its first second: clients that connect
// in a burst have not all sent their request yet. Past it the oldest silent one goes whatever its
// age, so that a crowd that reconnects cannot fill the system's backlog ahead of a request.
constexpr std::size_t kMostHeld = 4 * kMaxHeld;
// After a failed accept for want of file descriptors, the next try waits this long.
constexpr auto kAcceptRetry = std::chrono::milliseconds(100);
// A request head has 10 s, the whole request 30 s, a body a least rate (forms/RequestArrival.h).
const forms::ArrivalRules kArrivalRules{kMaxHeader, kMaxBody};
// How often connections are held to their time limits.
constexpr auto kSweepInterval = std::chrono::seconds(1);
// A short answer not taken within this is dropped.
constexpr auto kAnswerTimeout = std::chrono::seconds(30);
// A file answer whose reader has taken nothing for this long is dropped, with a reset: a slow
// reader that keeps taking keeps its answer, one that stopped frees what it held.
constexpr auto kSendStall = std::chrono::seconds(10);
// Answers under way hold no place; beyond this many, the one whose reader has taken nothing for
// longest is dropped.
constexpr std::size_t kMaxAnswers = 1000;
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

// The entry of `folder` named `name`: an exact match first, then the name's UTF-8 form (the
// plug-in asks for its Windows-1252 names), else one that differs in case.
std::optional<std::filesystem::path> entryOf(const std::filesystem::path& folder, const std::string& name) {
    std::error_code ec;
    std::filesystem::path exact = folder / name;
    if (std::filesystem::exists(std::filesystem::symlink_status(exact, ec))) return exact;
    std::filesystem::path utf8 = folder / windows::DiskName(name);
    if (std::filesystem::exists(std::filesystem::symlink_status(utf8, ec))) return utf8;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string candidate = it->path().filename().string();
        if (windows::EqualsNoCase(candidate, name) || windows::EqualsNoCase(windows::TextName(candidate), name))
            return it->path();
    }
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

namespace {
class Session;
}  // namespace

struct HtmlServer::Impl {
    Options options;
    PageRunner runPage;
    std::atomic<bool> stopping{false};
    bool accepting = false;  // an accept is outstanding; on the server's thread only
    // The connections that hold a place, on the server's thread only (one that gave way holds
    // none); before io, whose end lets go of the sessions it still holds.
    std::vector<Session*> sessions;
    // The connections accepted that hold no place: silent ones, oldest first, and those whose
    // request has begun and waits for a place (also in `waiting`, in the order they spoke).
    std::deque<Session*> held;
    // Owned here while they wait: no read is under way to keep them.
    std::deque<std::shared_ptr<Session>> waiting;
    // Owned here while the host runs their page: nothing of the server's keeps them meanwhile.
    std::vector<std::shared_ptr<Session>> runningPages;
    // How a page's answer comes back to the server's thread: posts go to `io` while the server
    // lives and are dropped after (a page may end after the server).
    struct Poster {
        std::mutex mutex;
        asio::io_context* io = nullptr;
        void post(std::function<void()> task) {
            std::lock_guard lock(mutex);
            if (io) asio::post(*io, std::move(task));
        }
    };
    std::shared_ptr<Poster> poster = std::make_shared<Poster>();
    // The connections whose answer is under way: they hold no place, so that readers that stop
    // taking it keep no request out.
    std::vector<Session*> answers;
    asio::io_context io;
    tcp::acceptor acceptor{io};
    asio::steady_timer sweepTimer{io};
    asio::steady_timer acceptRetry{io};
    std::thread thread;

    // What clients make the server say is logged at a bounded rate: a flood of bad requests
    // does not fill the host's log. On the server's thread only.
    forms::LogRate logRate;
    void log(const std::string& text) {
        if (options.log)
            logRate.Log(std::chrono::steady_clock::now(), text, " more refused requests were not logged", options.log);
    }

    // Gives free places (or those that may give way) to the requests that wait, then accepts
    // what comes unless kMostHeld are held and every one has spoken.
    void followCapacity();
    void accept();
    // A held connection has sent its first bytes: it takes a place, at once or when one frees.
    void heard(std::shared_ptr<Session> session);
    bool closeOldestSilent(std::chrono::milliseconds grace);
    void trimHeld();
    void acceptLater();
    // The index in `sessions` of the connection that may give way now, the slowest to arrive;
    // -1 when none may.
    int givesWay() const;
    // Every place taken: the connection whose request has been slowest to arrive gives way.
    void makeRoom();
    // Holds the connections to their time limits, every second.
    void sweep();
    // A connection's answer begins: it leaves its place (or its room among the held ones).
    void answerBegun(Session* session);
    void sessionEnded(Session* session);
};

namespace {

forms::RequestArrival::TimePoint now() { return std::chrono::steady_clock::now(); }

// The first line of a text, for a log line, bytes outside printable ASCII shown as "?".
std::string firstLine(std::string_view text) {
    std::string line(text.substr(0, std::min<std::size_t>(text.find_first_of("\r\n"), 200)));
    for (char& c : line)
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 126) c = '?';
    return line;
}

// One connection: one request, one answer, then the connection is closed.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session(tcp::socket socket, HtmlServer::Impl& server) : stream_(std::move(socket)), server_(server) {}
    ~Session() { server_.sessionEnded(this); }

    // Held, holding no place, until its first bytes come; a connection that closes without a
    // word is dropped without an answer.
    void start() {
        arrival_.Open(kArrivalRules, now());
        server_.held.push_back(this);
        stream_.socket().async_wait(tcp::socket::wait_read, [self = shared_from_this()](beast::error_code ec) {
            if (self->answering_ || self->server_.stopping) return;
            const std::size_t waiting = ec ? 0 : self->stream_.socket().available(ec);
            if (ec || waiting == 0) return self->close();
            self->heardFirst_ = true;
            self->server_.heard(self);
        });
    }

    // Its first bytes have come and it holds a place now: its request is read.
    void placed() {
        server_.sessions.push_back(this);
        read();
    }

    const forms::RequestArrival& arrival() const { return arrival_; }
    bool answering() const { return answering_; }
    bool heardFirst() const { return heardFirst_; }
    // Its first bytes have come, though the wait that tells so may not have run yet.
    bool spoke() const {
        if (heardFirst_) return true;
        beast::error_code ec;
        return stream_.socket().available(ec) > 0 && !ec;
    }
    // When its reader last took some of the answer (or the answer began).
    forms::RequestArrival::TimePoint lastProgress() const { return lastProgress_; }

    // Its reader stopped taking the answer: closed with a reset, so that the system drops what
    // it would else keep for it.
    void abort() {
        answering_ = true;
        beast::error_code ec;
        stream_.socket().set_option(asio::socket_base::linger(true, 0), ec);
        stream_.socket().close(ec);
    }

    // Gives its place to a newcomer: closed without an answer.
    void giveWay() {
        answering_ = true;
        close();
    }

    // Past its time: told so, and closed.
    void endIfOverdue(forms::RequestArrival::TimePoint at) {
        if (answering_ || arrival_.Overdue(at).empty()) return;
        answering_ = true;
        sendText(http::status::request_timeout, 11, "Request timeout");
    }

private:
    void read() {
        stream_.async_read_some(asio::buffer(chunk_), [self = shared_from_this()](beast::error_code ec, std::size_t n) {
            self->arrived(ec, n);
        });
    }

    void arrived(beast::error_code ec, std::size_t n) {
        if (answering_) return;
        if (ec) {
            // A request cut short by the client's close is answered; an empty connection is not.
            if (ec == asio::error::eof && !text_.empty()) refuse("request cut short: " + firstLine(text_));
            return;
        }
        text_.append(chunk_.data(), n);
        const bool placeChanged = arrival_.Arrived(std::string_view(chunk_.data(), n), now());
        const forms::RequestFrame frame = forms::FrameRequest(text_, kMaxHeader, kMaxBody);
        if (frame.kind == forms::RequestFrame::Refused) {
            refuse(frame.reason);
            return;
        }
        if (frame.kind == forms::RequestFrame::Incomplete) {
            if (placeChanged) server_.followCapacity();
            read();
            return;
        }
        answering_ = true;
        arrival_.Taken();
        parse(frame.length);
    }

    void refuse(const std::string& reason) {
        answering_ = true;
        server_.log("Refused request: " + reason);
        sendText(http::status::bad_request, 11, "Bad request");
    }

    // The request, its head read as the plug-in's server reads it (bare LF line ends too).
    void parse(std::size_t length) {
        const std::string whole = forms::WithCrLfHead(std::string_view(text_).substr(0, length));
        http::request_parser<http::string_body> parser;
        parser.header_limit(static_cast<std::uint32_t>(2 * kMaxHeader));
        parser.body_limit(kMaxBody);
        parser.eager(true);
        beast::error_code ec;
        std::size_t used = 0;
        while (!ec && !parser.is_done() && used < whole.size())
            used += parser.put(asio::buffer(whole.data() + used, whole.size() - used), ec);
        if (!ec && !parser.is_done()) parser.put_eof(ec);
        if (ec || !parser.is_done()) {
            // Not HTTP: there is no answer such a client would read.
            server_.log("Refused request that is not HTTP (" + ec.message() + "): " + firstLine(whole));
            close();
            return;
        }
        request_ = parser.release();
        answer();
    }

    void answer() {
        const auto& request = request_;
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
            answerPage(*decoded, target, version, request.method() == http::verb::head);
            return;
        }
        std::optional<std::filesystem::path> file = HtmlFileFor(server_.options.root, *decoded);
        if (!file) {
            sendText(http::status::not_found, version, "Not found");
            return;
        }
        sendFile(*file, version, request.method() == http::verb::head);
    }

    // An .asp page of the folder is run by the host, on its loop's thread; its answer comes back
    // to the server's thread and is sent from here.
    void answerPage(const std::string& decoded, std::string_view target, unsigned version, bool headOnly) {
        if (!server_.runPage) {
            server_.log("Pages are not run by this host: " + decoded);
            sendText(http::status::not_implemented, version, "Not implemented");
            return;
        }
        std::optional<std::filesystem::path> file = HtmlFileFor(server_.options.root, decoded);
        if (!file) {
            sendText(http::status::not_found, version, "Not found");
            return;
        }
        PageRequest page;
        page.file = *file;
        page.path = decoded;
        const std::size_t mark = target.find('?');
        if (mark != std::string_view::npos) page.query = std::string(target.substr(mark + 1));
        page.method = std::string(request_.method_string());
        beast::error_code ec;
        const tcp::endpoint remote = stream_.socket().remote_endpoint(ec);
        if (!ec) page.remoteAddress = remote.address().to_string();
        const tcp::endpoint local = stream_.socket().local_endpoint(ec);
        if (!ec) {
            page.localAddress = local.address().to_string();
            page.localPort = local.port();
        }
        for (const auto& field : request_) page.fields.emplace_back(field.name_string(), field.value());
        server_.runningPages.push_back(shared_from_this());
        std::weak_ptr<Session> waiting = shared_from_this();
        server_.runPage(std::move(page), [poster = server_.poster, waiting, version, headOnly](PageAnswer answer) {
            poster->post([waiting, version, headOnly, answer = std::move(answer)] {
                if (std::shared_ptr<Session> self = waiting.lock()) self->sendPage(answer, version, headOnly);
            });
        });
    }

    void sendPage(const PageAnswer& page, unsigned version, bool headOnly) {
        std::erase(server_.runningPages, shared_from_this());
        begin();
        const auto status = static_cast<http::status>(page.status);
        auto head = [&](auto& answer) {
            answer.set(http::field::server, kServerName);
            answer.set(http::field::content_type, page.contentType);
            if (!page.location.empty()) answer.set(http::field::location, page.location);
            answer.keep_alive(false);
        };
        stream_.expires_after(kAnswerTimeout);
        if (headOnly) {
            auto answer = std::make_shared<http::response<http::empty_body>>(status, version);
            head(*answer);
            answer->content_length(page.body.size());
            http::async_write(stream_, *answer,
                              [self = shared_from_this(), answer](beast::error_code, std::size_t) { self->close(); });
            return;
        }
        auto answer = std::make_shared<http::response<http::string_body>>(status, version);
        head(*answer);
        answer->body() = page.body;
        answer->prepare_payload();
        http::async_write(stream_, *answer,
                          [self = shared_from_this(), answer](beast::error_code, std::size_t) { self->close(); });
    }

    void sendText(http::status status, unsigned version, const std::string& text) {
        begin();
        auto answer = std::make_shared<http::response<http::string_body>>(textAnswer(status, version, text));
        stream_.expires_after(kAnswerTimeout);
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
        begin();
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
            stream_.expires_after(kAnswerTimeout);
            http::async_write(stream_, *head,
                              [self = shared_from_this(), head](beast::error_code, std::size_t) { self->close(); });
            return;
        }
        stream_.expires_never();
        writeSome(answer, std::make_shared<http::response_serializer<http::file_body>>(*answer));
    }

    void begin() {
        lastProgress_ = now();
        server_.answerBegun(this);
    }

    // A file goes out a piece at a time, each piece its reader takes noted, so that the sweep
    // tells a slow reader from one that stopped.
    void writeSome(const std::shared_ptr<http::response<http::file_body>>& answer,
                   const std::shared_ptr<http::response_serializer<http::file_body>>& serializer) {
        http::async_write_some(stream_, *serializer,
                               [self = shared_from_this(), answer, serializer](beast::error_code ec, std::size_t n) {
                                   if (n > 0) self->lastProgress_ = now();
                                   if (ec || serializer->is_done()) return self->close();
                                   self->writeSome(answer, serializer);
                               });
    }

    void close() {
        beast::error_code ec;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ec);
        stream_.socket().close(ec);
    }

    beast::tcp_stream stream_;
    HtmlServer::Impl& server_;
    forms::RequestArrival arrival_;
    std::array<char, 4096> chunk_{};
    std::string text_;  // what has come of the request
    http::request<http::string_body> request_;
    forms::RequestArrival::TimePoint lastProgress_{};
    bool answering_ = false;   // the request is whole, refused, past its time or gave way
    bool heardFirst_ = false;  // its first bytes have come
};

}  // namespace

void HtmlServer::Impl::followCapacity() {
    if (stopping) return;
    while (!waiting.empty()) {
        if (sessions.size() >= kMaxConnections) makeRoom();
        if (sessions.size() >= kMaxConnections) break;
        std::shared_ptr<Session> session = std::move(waiting.front());
        waiting.pop_front();
        std::erase(held, session.get());
        if (!session->answering()) session->placed();  // one past its time while it waited is answered already
    }
    if (accepting) return;
    if (held.size() >= kMostHeld && std::none_of(held.begin(), held.end(), [](const Session* session) {
            return !session->answering() && !session->spoke();
        })) {
        // Every one held has spoken: newcomers wait in the backlog a while.
        acceptLater();
        return;
    }
    accept();
}

// Once one more is held: beyond kMaxHeld, the oldest silent one past its first second makes room
// for it (one for one, so that a crowd that reconnects comes back a few at a time), and beyond
// kMostHeld the oldest silent ones go whatever their age.
void HtmlServer::Impl::trimHeld() {
    if (held.size() > kMaxHeld) closeOldestSilent(kArrivalRules.silentGrace);
    while (held.size() > kMostHeld && closeOldestSilent(std::chrono::milliseconds(0))) {}
}

// Accepting resumes after a short while; meanwhile newcomers wait in the system's backlog.
void HtmlServer::Impl::acceptLater() {
    accepting = true;
    acceptRetry.expires_after(kAcceptRetry);
    acceptRetry.async_wait([this](beast::error_code ec) {
        accepting = false;
        if (!ec && !stopping) followCapacity();
    });
}

// The oldest that has sent nothing goes, unless it is younger than `grace`; one whose first bytes
// have come is kept.
bool HtmlServer::Impl::closeOldestSilent(std::chrono::milliseconds grace) {
    const auto at = now();
    for (Session* session : held) {
        if (session->answering() || session->spoke()) continue;
        if (at - session->arrival().OpenedAt() < grace) return false;
        std::erase(held, session);
        session->giveWay();
        return true;
    }
    return false;
}

void HtmlServer::Impl::heard(std::shared_ptr<Session> session) {
    waiting.push_back(std::move(session));
    followCapacity();
}

void HtmlServer::Impl::accept() {
    accepting = true;
    acceptor.async_accept(io, [this](beast::error_code ec, tcp::socket socket) {
        accepting = false;
        if (ec == asio::error::operation_aborted || stopping) return;
        if (ec == asio::error::no_descriptors || ec == boost::system::errc::too_many_files_open_in_system) {
            // No descriptor is free: a silent one makes room, and the server goes on shortly.
            closeOldestSilent(std::chrono::milliseconds(0));
            acceptLater();
            return;
        }
        if (!ec) {
            std::make_shared<Session>(std::move(socket), *this)->start();
            trimHeld();
        }
        followCapacity();
    });
}

int HtmlServer::Impl::givesWay() const {
    std::vector<const forms::RequestArrival*> arrivals;
    for (const Session* session : sessions)
        // One whose first bytes have come but are not read yet has a request on its way.
        arrivals.push_back(session->answering() || !session->arrival().Heard() ? nullptr : &session->arrival());
    return forms::SlowestToArrive(arrivals, now());
}

void HtmlServer::Impl::makeRoom() {
    const int slowest = givesWay();
    if (slowest < 0) return;
    Session* session = sessions[static_cast<std::size_t>(slowest)];
    sessions.erase(sessions.begin() + slowest);
    session->giveWay();
}

void HtmlServer::Impl::sweep() {
    sweepTimer.expires_after(kSweepInterval);
    sweepTimer.async_wait([this](beast::error_code ec) {
        if (ec || stopping) return;
        const auto at = now();
        for (Session* session : std::vector<Session*>(sessions)) session->endIfOverdue(at);
        for (Session* session : std::vector<Session*>(held.begin(), held.end())) session->endIfOverdue(at);
        for (const std::shared_ptr<Session>& session : std::vector(waiting.begin(), waiting.end()))
            session->endIfOverdue(at);
        for (Session* session : std::vector<Session*>(answers))
            if (at - session->lastProgress() >= kSendStall) {
                std::erase(answers, session);
                session->abort();
            }
        followCapacity();
        sweep();
    });
}

void HtmlServer::Impl::answerBegun(Session* session) {
    std::erase(sessions, session);
    answers.push_back(session);
    if (answers.size() > kMaxAnswers) {
        auto stalled = std::min_element(answers.begin(), answers.end(), [](const Session* a, const Session* b) {
            return a->lastProgress() < b->lastProgress();
        });
        Session* dropped = *stalled;
        answers.erase(stalled);
        dropped->abort();
    }
    if (!stopping) asio::post(io, [this] { followCapacity(); });
}

void HtmlServer::Impl::sessionEnded(Session* session) {
    std::erase(sessions, session);
    std::erase(held, session);
    std::erase(answers, session);
    if (!stopping) asio::post(io, [this] { followCapacity(); });
}

HtmlServer::HtmlServer(Options options, PageRunner runPage) : impl_(std::make_unique<Impl>()) {
    impl_->options = std::move(options);
    impl_->runPage = std::move(runPage);
    impl_->poster->io = &impl_->io;
    beast::error_code ec;
    const std::string& address = impl_->options.address;
    tcp::endpoint endpoint(
        address.empty() ? asio::ip::address(asio::ip::address_v4::any()) : asio::ip::make_address(address, ec),
        impl_->options.port);
    if (ec) throw std::runtime_error("bad address " + impl_->options.address);
    impl_->acceptor.open(endpoint.protocol(), ec);
    if (!ec) impl_->acceptor.set_option(asio::socket_base::reuse_address(true), ec);
    if (!ec) impl_->acceptor.bind(endpoint, ec);
    if (!ec) impl_->acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec)
        throw std::runtime_error("cannot listen on " + (address.empty() ? "0.0.0.0" : address) + ":" +
                                 std::to_string(impl_->options.port) + ": " + ec.message());
    impl_->accept();
    impl_->sweep();
    impl_->thread = std::thread([impl = impl_.get()] { impl->io.run(); });
}

HtmlServer::~HtmlServer() {
    {
        std::lock_guard lock(impl_->poster->mutex);
        impl_->poster->io = nullptr;
    }
    impl_->stopping = true;
    asio::post(impl_->io, [impl = impl_.get()] {
        beast::error_code ec;
        impl->acceptor.close(ec);
        impl->sweepTimer.cancel();
        impl->acceptRetry.cancel();
    });
    impl_->io.stop();
    impl_->thread.join();
    // The requests still waiting for a place go while their sockets' context is there.
    std::deque<std::shared_ptr<Session>> waiting = std::move(impl_->waiting);
    waiting.clear();
    std::vector<std::shared_ptr<Session>> running = std::move(impl_->runningPages);
    running.clear();
}

uint16_t HtmlServer::port() const noexcept { return impl_->acceptor.local_endpoint().port(); }

}  // namespace homeseer
