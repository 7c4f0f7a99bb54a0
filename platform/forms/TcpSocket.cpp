#include "forms/TcpSocket.h"

#include "forms/PortNotes.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <concepts>
#include <deque>
#include <list>
#include <map>
#include <optional>

#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/write.hpp>

#include "forms/detail/Addresses.h"
#include "forms/detail/LoopInternals.h"
#include "forms/detail/SocketErrors.h"

namespace forms {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using boost::system::error_code;

namespace {

// Reading pauses while this many received bytes wait for GetData.
constexpr std::size_t kInboxLimit = 1 << 20;
constexpr std::size_t kReadChunk = 16384;

// Connections offered by ConnectionRequest events, until a control accepts them; one
// that is not accepted during its event is closed.
std::map<int32_t, tcp::socket>& offeredConnections() {
    static std::map<int32_t, tcp::socket> offered;
    return offered;
}
int32_t lastRequestID = 0;

// After a failed accept for want of file descriptors, the next try waits this long.
constexpr auto kAcceptRetry = std::chrono::milliseconds(100);
// A held connection silent for less than this may still be one of a burst that sends shortly;
// such are kept while fewer than kBurstTimes the listener's most are held.
constexpr auto kBurstGrace = std::chrono::seconds(1);
constexpr std::size_t kBurstTimes = 4;

// A connection a listener holds until it is offered.
struct HeldConnection {
    explicit HeldConnection(tcp::socket s, Loop::TimePoint at) : socket(std::move(s)), since(at) {}
    tcp::socket socket;
    Loop::TimePoint since;  // when it was first accepted
    bool heard = false;     // it has sent something
    bool gone = false;      // closed, or offered
};

bool outOfDescriptors(const error_code& ec) {
    return ec == asio::error::no_descriptors || ec == boost::system::errc::too_many_files_open_in_system;
}

}  // namespace

struct TcpSocket::Impl : std::enable_shared_from_this<Impl> {
    Impl(Loop& loop, TcpSocket* owner)
        : loop(loop), owner(owner), socket(detail::io(loop)), acceptor(detail::io(loop)), resolver(detail::io(loop)) {}

    Loop& loop;
    TcpSocket* owner;  // none once the control is destroyed
    int state = sckClosed;
    std::uint64_t generation = 0;  // operations of an earlier generation were cancelled
    tcp::socket socket;
    tcp::acceptor acceptor;
    tcp::resolver resolver;
    std::string remoteIP;
    std::string inbox;
    bool reading = false;
    std::deque<std::string> outbox;
    bool writing = false;
    bool acceptPaused = false;   // connections wait in the system's backlog (or are held) meanwhile
    bool acceptWaiting = false;  // an accept is in flight
    // Holding while paused: at most holdMost connections, none silent for longer than holdLongest.
    std::size_t holdMost = 0;
    Loop::Duration holdLongest{};
    std::list<std::shared_ptr<HeldConnection>> held;  // oldest first
    bool offerPosted = false;                         // held connections are to be offered
    asio::steady_timer acceptRetry{detail::io(loop)};
    Loop::TimePoint connectedSince{};  // a connection accepted by this control: when it first came
    std::array<char, kReadChunk> chunk{};
    std::optional<detail::PendingAnswer> connecting;
    std::optional<detail::PendingAnswer> sending;

    template <class Handler, class... Args>
    void raise(Handler TcpSocket::*event, Args&&... args) {
        if (owner) detail::raise(loop, owner->*event, std::forward<Args>(args)...);
    }

    // A completion handler that runs `step` only while the operation's generation lasts.
    template <class Step>
    auto guarded(Step step) {
        return [ self = shared_from_this(), gen = generation,
                 step ](auto&&... args) mutable requires std::invocable<Step&, Impl&, decltype(args)...> {
            if (self->generation != gen) return;
            step(*self, std::forward<decltype(args)>(args)...);
        };
    }

    // Drops the connection, the listener and every operation in flight.
    void shutdown(int newState) {
        ++generation;
        error_code ignored;
        resolver.cancel();
        socket.close(ignored);
        acceptor.close(ignored);
        acceptRetry.cancel();
        for (auto& h : held) {
            h->gone = true;
            h->socket.close(ignored);
        }
        held.clear();
        offerPosted = false;
        inbox.clear();
        outbox.clear();
        reading = writing = false;
        acceptWaiting = false;
        connecting.reset();
        sending.reset();
        state = newState;
    }

    void fail(const error_code& ec) {
        auto failure = detail::winsockFailure(ec);
        shutdown(sckError);
        raise(&TcpSocket::OnError, failure.number, failure.description);
    }

    void connect(const std::string& host, unsigned short port) {
        connecting.emplace(loop);
        if (auto address = detail::numericAddress(host)) {
            connectTo(std::array<tcp::endpoint, 1>{tcp::endpoint(*address, port)});
            return;
        }
        state = sckResolvingHost;
        resolver.async_resolve(host, std::to_string(port),
                               guarded([](Impl& self, const error_code& ec, const tcp::resolver::results_type& found) {
                                   if (ec) return self.fail(ec);
                                   self.state = sckHostResolved;
                                   self.connectTo(found);
                               }));
    }

    template <class Endpoints>
    void connectTo(const Endpoints& endpoints) {
        state = sckConnecting;
        asio::async_connect(socket, endpoints, guarded([](Impl& self, const error_code& ec, const tcp::endpoint&) {
                                if (ec) return self.fail(ec);
                                self.connected();
                                self.raise(&TcpSocket::OnConnect);
                            }));
    }

    void connected() {
        state = sckConnected;
        connecting.reset();
        error_code ec;
        socket.non_blocking(true, ec);
        auto peer = socket.remote_endpoint(ec);
        remoteIP = ec ? std::string() : peer.address().to_string();
        readMore();
    }

    // Waits until bytes (or the peer's close) are there and reads them only then: a wait cancelled
    // by HandBack or Close takes nothing, so no byte a peer sent is lost with it.
    void readMore() {
        if (reading || state != sckConnected || inbox.size() >= kInboxLimit) return;
        reading = true;
        socket.async_wait(tcp::socket::wait_read, guarded([](Impl& self, const error_code& waited) {
                              self.reading = false;
                              if (waited) return self.fail(waited);
                              error_code ec;
                              const std::size_t n = self.socket.read_some(asio::buffer(self.chunk), ec);
                              if (ec == asio::error::would_block || ec == asio::error::try_again)
                                  return self.readMore();
                              if (ec == asio::error::eof) {
                                  self.state = sckClosing;
                                  self.raise(&TcpSocket::OnClose);
                                  return;
                              }
                              if (ec) return self.fail(ec);
                              self.inbox.append(self.chunk.data(), n);
                              self.readMore();
                              self.raise(&TcpSocket::OnDataArrival, static_cast<int32_t>(self.inbox.size()));
                          }));
    }

    void writeNext() {
        writing = true;
        asio::async_write(socket, asio::buffer(outbox.front()),
                          guarded([](Impl& self, const error_code& ec, std::size_t) {
                              self.writing = false;
                              if (ec) return self.fail(ec);
                              self.outbox.pop_front();
                              if (!self.outbox.empty()) return self.writeNext();
                              self.sending.reset();
                              self.raise(&TcpSocket::OnSendComplete);
                          }));
    }

    void listen(const std::string& localIP, unsigned short port, int32_t& boundPort) {
        asio::ip::address address = asio::ip::address_v4::any();
        if (!localIP.empty()) {
            auto numeric = detail::numericAddress(localIP);
            if (!numeric) throw detail::winsockError(sckAddressNotAvailable);
            address = *numeric;
        }
        tcp::endpoint endpoint(address, port);
        error_code ec;
        acceptor.open(endpoint.protocol(), ec);
        if (!ec) acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
        if (!ec) acceptor.bind(endpoint, ec);
        if (!ec) acceptor.listen(asio::socket_base::max_listen_connections, ec);
        if (ec) {
            shutdown(sckClosed);
            throw detail::winsockError(ec);
        }
        boundPort = acceptor.local_endpoint().port();
        state = sckListening;
        acceptNext();
    }

    bool holding() const { return holdMost > 0; }

    void acceptNext() {
        if (state != sckListening) return;
        if (!acceptPaused && !held.empty()) return postOffer();  // the held ones come first
        if (acceptWaiting || (acceptPaused && !holding())) return;
        if (acceptPaused && !makeHoldRoom()) return acceptLater(false);  // none may be let go yet
        acceptWaiting = true;
        acceptor.async_accept(guarded([](Impl& self, const error_code& ec, tcp::socket peer) {
            self.acceptWaiting = false;
            if (ec == asio::error::operation_aborted) return self.acceptNext();   // paused, or resumed meanwhile
            if (ec == asio::error::connection_aborted) return self.acceptNext();  // the caller gave up first
            if (outOfDescriptors(ec)) return self.acceptLater();
            if (ec) return self.fail(ec);
            if (self.acceptPaused && self.holding()) {
                self.hold(std::move(peer), self.loop.now());
                self.trimHeld();
                return self.acceptNext();
            }
            self.offer(std::move(peer), self.loop.now());
            // After the event, so that a listener that paused in it takes no more.
            self.acceptNext();
        }));
    }

    // A connection goes to the owner, which accepts it into a control during the event.
    void offer(tcp::socket connection, Loop::TimePoint since) {
        int32_t id = ++lastRequestID;
        offeredConnections().emplace(id, std::move(connection));
        offeredSince() = since;
        raise(&TcpSocket::OnConnectionRequest, id);
        auto left = offeredConnections().find(id);
        if (left == offeredConnections().end()) return;
        // Not taken (every place filled meanwhile): a holding listener keeps it for later rather
        // than drop a request; another one closes it.
        tcp::socket peer = std::move(left->second);
        offeredConnections().erase(left);
        if (!holding() || state != sckListening) return;
        hold(std::move(peer), since, true);
        // The owner has no place now: nothing more is offered until it resumes accepting.
        if (!acceptPaused) pauseAccepting(true);
    }

    // No descriptor is free: a held connection that has sent nothing makes room, and the accept
    // is tried again shortly; the listener itself goes on.
    void acceptLater(bool dropOne = true) {
        if (dropOne) dropOldestSilent();
        acceptWaiting = true;  // no other accept meanwhile
        acceptRetry.expires_after(kAcceptRetry);
        acceptRetry.async_wait(guarded([](Impl& self, const error_code& ec) {
            self.acceptWaiting = false;
            if (!ec) self.acceptNext();
        }));
    }

    // Room for one more held connection; false when every one held has a request waiting.
    // Silent ones in their first second are kept up to kBurstTimes holdMost: clients that
    // connect in a burst have not all sent their request yet.
    bool makeHoldRoom() {
        dropOverdue();
        return held.size() < kBurstTimes * holdMost ||
               std::any_of(held.begin(), held.end(), [](const auto& h) { return !spoke(*h); });
    }

    // Once one more is held: beyond holdMost, the oldest silent one past its first second makes
    // room for it (one for one, so that a crowd that reconnects comes back a few at a time, not in
    // waves), and beyond kBurstTimes holdMost the oldest silent ones go whatever their age.
    void trimHeld() {
        if (held.size() > holdMost) dropOldestSilent(kBurstGrace);
        while (held.size() > kBurstTimes * holdMost && dropOldestSilent()) {}
    }

    // The oldest that has sent nothing goes, unless it came less than `grace` ago: past the burst
    // allowance at once, as a crowd that reconnects would otherwise fill the system's backlog
    // ahead of a request. One whose first bytes have come is kept.
    bool dropOldestSilent(Loop::Duration grace = Loop::Duration::zero()) {
        const Loop::TimePoint now = loop.now();
        for (auto it = held.begin(); it != held.end(); ++it) {
            if (spoke(**it)) continue;
            if (now - (*it)->since < grace) return false;
            closeHeld(it);
            return true;
        }
        return false;
    }

    void dropOverdue() {
        const Loop::TimePoint now = loop.now();
        for (auto it = held.begin(); it != held.end();) {
            auto next = std::next(it);
            if (now - (*it)->since >= holdLongest && !spoke(**it)) closeHeld(it);
            it = next;
        }
    }

    // It has sent something, though the wait that tells so may not have run yet.
    static bool spoke(const HeldConnection& h) {
        if (h.heard) return true;
        error_code ec;
        return h.socket.available(ec) > 0 && !ec;
    }

    void closeHeld(std::list<std::shared_ptr<HeldConnection>>::iterator it) {
        error_code ignored;
        (*it)->gone = true;
        (*it)->socket.close(ignored);
        held.erase(it);
    }

    // Keeps a connection until it sends something (then the owner is told) or closes.
    void hold(tcp::socket peer, Loop::TimePoint since, bool oldest = false) {
        auto connection = std::make_shared<HeldConnection>(std::move(peer), since);
        // One handed back is the oldest of the silent ones.
        if (oldest)
            held.insert(std::find_if(held.begin(), held.end(), [](const auto& h) { return !h->heard; }), connection);
        else held.push_back(connection);
        connection->socket.async_wait(
            tcp::socket::wait_read, guarded([connection](Impl& self, const error_code& ec) {
                if (connection->gone) return;
                error_code error = ec;
                const std::size_t waiting = error ? 0 : connection->socket.available(error);
                if (error || waiting == 0) {
                    // Closed (or reset) without a word: nothing to answer.
                    auto it = std::find(self.held.begin(), self.held.end(), connection);
                    if (it != self.held.end()) self.closeHeld(it);
                    return;
                }
                connection->heard = true;
                // Those that have sent something are offered in the order they came,
                // so that one offered and held again keeps its turn before a crowd
                // that reconnects.
                auto it = std::find(self.held.begin(), self.held.end(), connection);
                if (it != self.held.end()) {
                    self.held.erase(it);
                    auto later = std::find_if(self.held.begin(), self.held.end(),
                                              [&](const auto& h) { return !h->heard || h->since > connection->since; });
                    self.held.insert(later, connection);
                }
                if (!self.acceptPaused) return self.postOffer();
                self.raise(&TcpSocket::OnHeardWaiting);
            }));
    }

    // Offers the held connections, one an event, while accepting is not paused; posted, so that
    // no event is raised inside the call that resumed accepting.
    void postOffer() {
        if (offerPosted) return;
        offerPosted = true;
        asio::post(detail::io(loop), guarded([](Impl& self) {
                       self.offerPosted = false;
                       while (!self.acceptPaused && self.state == sckListening && !self.held.empty()) {
                           std::shared_ptr<HeldConnection> next = self.held.front();
                           self.held.pop_front();
                           next->gone = true;
                           error_code ignored;
                           next->socket.cancel(ignored);
                           self.offer(std::move(next->socket), next->since);
                       }
                       self.acceptNext();
                   }));
    }

    bool heardWaiting() {
        dropOverdue();
        return std::any_of(held.begin(), held.end(), [](const auto& h) { return h->heard; });
    }

    static Loop::TimePoint& offeredSince() {
        static Loop::TimePoint since;
        return since;
    }

    void accept(int32_t requestID) {
        auto offered = offeredConnections().find(requestID);
        if (offered == offeredConnections().end()) throw detail::winsockError(sckInvalidArg);
        shutdown(sckClosed);
        socket = std::move(offered->second);
        offeredConnections().erase(offered);
        connectedSince = offeredSince();
        connected();
    }

    void handBack(Impl& listener) {
        if (state != sckConnected || !inbox.empty() || !listener.holding() || listener.state != sckListening) {
            shutdown(sckClosed);
            return;
        }
        ++generation;  // what this control had in flight on the connection is forgotten
        error_code ignored;
        socket.cancel(ignored);
        tcp::socket peer = std::move(socket);
        socket = tcp::socket(detail::io(loop));
        shutdown(sckClosed);
        listener.hold(std::move(peer), connectedSince, true);
        if (!listener.acceptPaused) listener.postOffer();
    }

    void pauseAccepting(bool paused) {
        acceptPaused = paused;
        if (paused) {
            error_code ignored;
            if (acceptWaiting) acceptor.cancel(ignored);
            return;
        }
        acceptNext();
    }

    std::string take(std::size_t count) {
        std::string taken = inbox.substr(0, count);
        inbox.erase(0, taken.size());
        readMore();  // reading resumes once the inbox has room again
        return taken;
    }
};

TcpSocket::TcpSocket(Loop& loop) : impl_(std::make_shared<Impl>(loop, this)) {}

TcpSocket::~TcpSocket() {
    impl_->owner = nullptr;
    impl_->shutdown(sckClosed);
}

int TcpSocket::State() const { return impl_->state; }

std::string TcpSocket::RemoteHostIP() const { return impl_->remoteIP; }

int32_t TcpSocket::BytesReceived() const { return static_cast<int32_t>(impl_->inbox.size()); }

bool TcpSocket::InputWaiting() const {
    if (!impl_->inbox.empty()) return true;
    error_code ec;
    return impl_->socket.is_open() && impl_->socket.available(ec) > 0 && !ec;
}

void TcpSocket::Connect(const std::string& host, int32_t port) {
    RemoteHost = host;
    RemotePort = port;
    Connect();
}

void TcpSocket::Connect() {
    unsigned short port = detail::portNumber(RemotePort);
    impl_->shutdown(sckClosed);
    impl_->connect(RemoteHost, port);
}

void TcpSocket::Listen() {
    if (impl_->state != sckClosed) throw detail::winsockError(sckInvalidOp);
    const int32_t asked = LocalPort;
    try {
        impl_->listen(LocalIP, detail::portNumber(LocalPort), LocalPort);
    } catch (const std::exception& e) {
        NotePort({"TCP", LocalIP, asked, Purpose, e.what()});
        throw;
    }
    NotePort({"TCP", LocalIP, LocalPort, Purpose, {}});
}

void TcpSocket::Accept(int32_t requestID) {
    if (impl_->state != sckClosed) throw detail::winsockError(sckInvalidOp);
    impl_->accept(requestID);
}

void TcpSocket::SendData(std::string_view data) {
    // A peer that closed only its sending side still reads the answer.
    if (impl_->state != sckConnected && impl_->state != sckClosing) throw detail::winsockError(sckBadState);
    impl_->outbox.emplace_back(data);
    if (!impl_->sending) impl_->sending.emplace(impl_->loop);
    if (!impl_->writing) impl_->writeNext();
}

void TcpSocket::PauseAccepting(bool paused) { impl_->pauseAccepting(paused); }

void TcpSocket::HoldWhilePaused(std::size_t most, Loop::Duration longest) {
    impl_->holdMost = most;
    impl_->holdLongest = longest;
}

bool TcpSocket::HeardWaiting() const { return impl_->heardWaiting(); }

std::size_t TcpSocket::HeldCount() const { return impl_->held.size(); }

void TcpSocket::HandBack(TcpSocket& listener) { impl_->handBack(*listener.impl_); }

bool TcpSocket::AcceptingPaused() const { return impl_->acceptPaused; }

std::string TcpSocket::GetData() { return impl_->take(impl_->inbox.size()); }

std::string TcpSocket::GetData(int32_t maxLen) {
    return impl_->take(maxLen < 0 ? 0 : static_cast<std::size_t>(maxLen));
}

void TcpSocket::Close() { impl_->shutdown(sckClosed); }

void TcpSocket::LimitSendBuffer(int bytes) {
    error_code ignored;
    if (impl_->socket.is_open()) impl_->socket.set_option(asio::socket_base::send_buffer_size(bytes), ignored);
}

void TcpSocket::Abort() {
    error_code ignored;
    if (impl_->socket.is_open()) impl_->socket.set_option(asio::socket_base::linger(true, 0), ignored);
    impl_->shutdown(sckClosed);
}

}  // namespace forms
