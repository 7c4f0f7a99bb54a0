#include "CommandPort.h"

#include <arpa/inet.h>
#include <glib-unix.h>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "SorvexTexts.h"

namespace sorvex {

namespace {

// A jukebox has a few clients (the host plug-in, a remote or two); when all are taken, the one
// idle longest makes room for a newcomer, so idle connections cannot shut the port.
constexpr std::size_t kMaxClients = 16;
// Out of descriptors, the waiting connection keeps the listening socket readable: accepting
// rests this long instead of spinning on the failure.
constexpr guint kAcceptRestMilliseconds = 250;
// A line holds at most this many characters; the rest is read as the next line.
constexpr std::size_t kLineLimit = 1999;
// Replies a client does not read are kept up to this size; beyond it the client is dropped.
constexpr std::size_t kOutputLimit = 64 * 1024;

bool whole(const std::string& line, const char* word) { return strcasecmp(line.c_str(), word) == 0; }
bool starts(const std::string& line, const char* word, std::size_t n) {
    return strncasecmp(line.c_str(), word, n) == 0;
}

// The argument of "launch" and "save": everything after the first blank; none when empty.
std::optional<std::string> argumentOf(const std::string& line) {
    const std::size_t blank = line.find(' ');
    if (blank == std::string::npos || blank + 1 >= line.size()) return std::nullopt;
    return line.substr(blank + 1);
}

bool outOfDescriptors(int error) { return error == EMFILE || error == ENFILE || error == ENOBUFS || error == ENOMEM; }

}  // namespace

std::optional<std::pair<std::string, std::string>> NetworkPlaylistName(const std::string& argument, SaveRefusal* why) {
    auto refused = [&](SaveRefusal reason) -> std::optional<std::pair<std::string, std::string>> {
        if (why) *why = reason;
        return std::nullopt;
    };
    if (argument.empty() || argument.find('\0') != std::string::npos) return refused(SaveRefusal::NotPlaylist);
    if (argument.front() == '/') return refused(SaveRefusal::Outside);
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = argument.find('/', start);
        parts.push_back(argument.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos) break;
        start = slash + 1;
    }
    // No way up or out, and no hidden files (the preferences file is one).
    for (const std::string& part : parts)
        if (part == "..") return refused(SaveRefusal::Outside);
    for (const std::string& part : parts)
        if (part.empty() || part == ".") return refused(SaveRefusal::NotPlaylist);
    for (const std::string& part : parts)
        if (part.front() == '.') return refused(SaveRefusal::Hidden);
    std::string name = parts.back();
    parts.pop_back();
    const std::string written = name.find('.') == std::string::npos ? name + ".m3u" : name;
    if (written.size() < 4 || strcasecmp(written.c_str() + written.size() - 4, ".m3u") != 0)
        return refused(SaveRefusal::NotPlaylist);
    if (why) *why = SaveRefusal::None;
    std::string directory = ".";
    for (std::size_t i = 0; i < parts.size(); ++i) directory = i == 0 ? parts[i] : directory + "/" + parts[i];
    return std::make_pair(directory, name);
}

namespace {

// The console line of a refused network save, by its reason.
const char* refusalText(SaveRefusal why) {
    switch (why) {
    case SaveRefusal::Outside: return texts::kRefusedSave;
    case SaveRefusal::Hidden: return texts::kRefusedHiddenSave;
    case SaveRefusal::NotPlainFile: return texts::kRefusedLinkSave;
    case SaveRefusal::Absolute: return texts::kRefusedAbsoluteSave;
    case SaveRefusal::UpLevel: return texts::kRefusedUpLevelSave;
    default: return texts::kRefusedNameSave;
    }
}

}  // namespace

CommandPort::~CommandPort() {
    while (!clients_.empty()) closeClient(clients_.begin()->first);
    for (auto [fd, source] : listeners_) {
        if (source) g_source_remove(source);
        ::close(fd);
    }
    if (rest_) g_source_remove(rest_);
}

int CommandPort::failed(const char* step, int fd) {
    const int error = errno;
    std::perror(step);
    failure_ = std::strerror(error);
    if (fd >= 0) ::close(fd);
    errno = error;
    return -1;
}

int CommandPort::open(int port) {
    failure_.clear();
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, IPPROTO_TCP);
    if (fd < 0) return failed("socket", -1);
    // The port is the jukebox's own: a restart must get it back while the last run's
    // connections linger in TIME_WAIT.
    const int on = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) return failed("setsockopt", fd);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return failed("bind", fd);
    if (::listen(fd, SOMAXCONN) != 0) return failed("listen", fd);
    socklen_t size = sizeof address;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0) boundPort_ = ntohs(address.sin_port);
    listeners_.emplace_back(fd, g_unix_fd_add(fd, G_IO_IN, onAccept, this));
    return 0;
}

gboolean CommandPort::onAccept(gint fd, GIOCondition, gpointer self) {
    static_cast<CommandPort*>(self)->accept(fd);
    return G_SOURCE_CONTINUE;
}

void CommandPort::accept(int listener) {
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    const int fd = ::accept4(listener, reinterpret_cast<sockaddr*>(&peer), &size, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (fd < 0) {
        const int error = errno;
        if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR || error == ECONNABORTED) return;
        // Said once until an accept succeeds again; meanwhile the listeners rest.
        if (!acceptFailing_) std::perror("accept");
        acceptFailing_ = true;
        if (outOfDescriptors(error)) restListeners();
        return;
    }
    acceptFailing_ = false;
    if (clients_.size() >= kMaxClients) closeClient(idleLongest());
    auto client = std::make_unique<Client>();
    client->fd = fd;
    client->lastActive = ++activity_;
    watch(*client);
    clients_[fd] = std::move(client);
}

void CommandPort::restListeners() {
    if (rest_) return;
    for (auto& [fd, source] : listeners_) {
        if (source) g_source_remove(source);
        source = 0;
    }
    rest_ = g_timeout_add(kAcceptRestMilliseconds, onRested, this);
}

gboolean CommandPort::onRested(gpointer self) {
    auto* port = static_cast<CommandPort*>(self);
    port->rest_ = 0;
    for (auto& [fd, source] : port->listeners_)
        if (!source) source = g_unix_fd_add(fd, G_IO_IN, onAccept, port);
    return G_SOURCE_REMOVE;
}

void CommandPort::watch(Client& client) {
    if (client.watch) g_source_remove(client.watch);
    client.watchingWrite = !client.out.empty();
    const auto condition =
        static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR | (client.watchingWrite ? G_IO_OUT : 0));
    client.watch = g_unix_fd_add(client.fd, condition, onClient, this);
}

gboolean CommandPort::onClient(gint fd, GIOCondition condition, gpointer self) {
    return static_cast<CommandPort*>(self)->serve(fd, condition);
}

gboolean CommandPort::serve(int fd, GIOCondition condition) {
    auto found = clients_.find(fd);
    if (found == clients_.end()) return G_SOURCE_REMOVE;
    Client& client = *found->second;
    const guint source = client.watch;
    if (condition & G_IO_OUT) {
        flush(client);
        if (!clients_.count(fd)) return G_SOURCE_REMOVE;
    }
    if (!(condition & (G_IO_IN | G_IO_HUP | G_IO_ERR))) return G_SOURCE_CONTINUE;
    if (CommandGate* gate = actions_.gate(); gate && gate->busy()) return hold(client, source);
    char chunk[4096];
    bool ended = false;
    const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return G_SOURCE_CONTINUE;
    if (n < 0) std::perror(texts::kCantRead);
    if (n <= 0) ended = true;
    else client.in.append(chunk, static_cast<std::size_t>(n));
    client.lastActive = ++activity_;
    if (!runLines(fd)) return G_SOURCE_REMOVE;
    if (ended) {
        // The line ends with the connection: the connection goes first, the command still runs
        // and its reply is lost.
        std::string last = std::move(clients_[fd]->in);
        closeClient(fd);
        if (!last.empty()) execute(-1, last, false);
        return G_SOURCE_REMOVE;
    }
    auto again = clients_.find(fd);
    if (again == clients_.end() || again->second->watch != source) return G_SOURCE_REMOVE;
    return G_SOURCE_CONTINUE;
}

gboolean CommandPort::hold(Client& client, guint source) {
    // A reply being flushed may have replaced the watch that called.
    if (client.watch && client.watch != source) g_source_remove(client.watch);
    client.watch = 0;
    client.held = true;
    actions_.gate()->later([this, alive = std::weak_ptr<bool>(alive_), fd = client.fd] {
        if (alive.expired()) return;
        auto found = clients_.find(fd);
        if (found == clients_.end() || !found->second->held) return;
        found->second->held = false;
        watch(*found->second);
    });
    return G_SOURCE_REMOVE;
}

bool CommandPort::runLines(int fd) {
    for (;;) {
        auto found = clients_.find(fd);
        if (found == clients_.end()) return false;
        std::string& in = found->second->in;
        const std::size_t end = in.find_first_of("\r\n");
        std::string line;
        if (end != std::string::npos && end <= kLineLimit) {
            line = in.substr(0, end);
            in.erase(0, end + 1);
        } else if (in.size() >= kLineLimit) {
            line = in.substr(0, kLineLimit);
            in.erase(0, kLineLimit);
        } else {
            return true;
        }
        if (!line.empty()) execute(fd, line, true);
    }
}

std::string CommandPort::runLine(const std::string& line, int fd) {
    if (line.empty()) return "";
    if (whole(line, "play")) actions_.play();
    else if (whole(line, "stop")) actions_.stop();
    else if (whole(line, "pause")) actions_.pause();
    else if (whole(line, "prev") || whole(line, "back")) actions_.prev();
    else if (whole(line, "next") || whole(line, "forward")) actions_.next();
    else if (starts(line, "launch", 6)) {
        if (std::optional<std::string> argument = argumentOf(line)) actions_.launch(*argument);
    } else if (whole(line, "clear")) actions_.clear();
    else if (starts(line, "save", 4)) {
        if (std::optional<std::string> argument = argumentOf(line)) {
            SaveRefusal why = SaveRefusal::None;
            const auto place = NetworkPlaylistName(*argument, &why);
            if (place) why = actions_.save(place->first, place->second);
            else if (why == SaveRefusal::Outside) why = actions_.wayOut(*argument);
            // A refused save is a save that failed: the plug-in is told "200 OK" as for any other.
            if (why != SaveRefusal::None) {
                std::printf(refusalText(why), argument->c_str());
                std::fflush(stdout);
            }
        }
    } else if (whole(line, "status")) return actions_.status() + texts::kReplyOk;
    else if (whole(line, "quit")) actions_.quit();
    else if (whole(line, "disconnect")) {
        (void)fd;
    } else {
        std::printf(texts::kUnrecognizedCommand, line.c_str());
        std::fflush(stdout);
        return texts::kReplyUnrecognized;
    }
    return texts::kReplyOk;
}

void CommandPort::execute(int fd, const std::string& line, bool connected) {
    std::string text;
    {
        // The line runs as a command of its own; what waited for it runs when it is done.
        std::optional<CommandGate::Scope> command;
        if (CommandGate* gate = actions_.gate()) command.emplace(*gate);
        text = runLine(line, fd);
    }
    if (!connected) {
        actions_.replied();
        if (whole(line, "quit")) actions_.exitProgram();
        return;
    }
    reply(fd, text);
    actions_.replied();
    if (whole(line, "quit")) {
        auto found = clients_.find(fd);
        if (found != clients_.end()) flush(*found->second);
        actions_.exitProgram();
    } else if (whole(line, "disconnect")) {
        closeClient(fd);
    }
}

void CommandPort::reply(int fd, const std::string& text) {
    auto found = clients_.find(fd);
    if (found == clients_.end()) return;
    Client& client = *found->second;
    client.out += text;
    if (client.out.size() > kOutputLimit) {
        closeClient(fd);
        return;
    }
    flush(client);
}

void CommandPort::flush(Client& client) {
    while (!client.out.empty()) {
        const ssize_t n = ::send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL);
        if (n > 0) {
            client.out.erase(0, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        // The peer has gone: what it was sent is dropped; its end of connection closes it.
        client.out.clear();
        break;
    }
    if (client.watchingWrite != !client.out.empty()) watch(client);
}

int CommandPort::idleLongest() const {
    int found = -1;
    std::uint64_t since = 0;
    for (const auto& [fd, client] : clients_) {
        if (found < 0 || client->lastActive < since) {
            found = fd;
            since = client->lastActive;
        }
    }
    return found;
}

void CommandPort::closeClient(int fd) {
    auto found = clients_.find(fd);
    if (found == clients_.end()) return;
    if (found->second->watch) g_source_remove(found->second->watch);
    ::close(fd);
    clients_.erase(found);
}

}  // namespace sorvex
