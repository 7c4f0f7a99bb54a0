// Connectors over Unix-domain sockets in a per-user folder. A message is a header (type, length,
// room for the reply) and its bytes; the answer is a status, a length and its bytes. A message
// longer than the layer's bound ends the connection that sent it.
#include "photon/PtConnector.h"
#include "photon/detail/LocalSockets.h"
#include "photon/detail/Widget.h"

#include <gdk/gdk.h>
#include <glib-unix.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <set>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/file.h>
#include <sys/un.h>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace photon {

struct PtConnector_t {
    std::string name, path, lock_path;
    int fd = -1;
    int lock_fd = -1;  // held while the connector lives; the system drops it when we end
    guint source = 0;
    PtConnectorCallbackFunc_t* cb = nullptr;
    void* data = nullptr;
    std::set<PtConnectionServer_t*> connections;
};

struct PtConnectionServer_t {
    PtConnector_t* owner = nullptr;
    int fd = -1;
    guint source = 0;
    std::vector<char> in;
    std::vector<PtConnectionMsgHandler_t> handlers;
    void* user = nullptr;
    int busy = 0;  // inside a handler: destruction waits
    bool dead = false;
};

struct PtConnectionClient_t {
    int fd = -1;
};

namespace {

constexpr size_t kHeader = 12, kAnswerHeader = 8;
constexpr uint32_t kMaxMessage = 1u << 20;
constexpr int kAnswerWaitMs = 30000;

// Names are one per display (each its own server here), so a program on another display is not
// taken for this one's. A folder named by ZEPHRA_PHOTON_SCOPE is a server of its own.
std::string ConnectorFolder()
{
    const std::string folder = detail::SocketFolder();
    const char* scope = getenv("ZEPHRA_PHOTON_SCOPE");
    if (scope && *scope) return folder;
    std::string display;
    if (detail::HaveDisplay()) display = gdk_display_get_name(gdk_display_get_default());
    else if (const char* named = getenv("DISPLAY")) display = named;
    // ":5.0" and ":5" are the same server.
    const size_t colon = display.rfind(':');
    if (colon != std::string::npos && display.find('.', colon) != std::string::npos)
        display.erase(display.find('.', colon));
    for (char& c : display)
        if (c == '/') c = '_';
    const std::string own = folder + "/display-" + (display.empty() ? std::string("none") : display);
    mkdir(own.c_str(), 0700);
    return own;
}

// The socket path of a name; false for names that are not one plain file name.
bool PathOf(const char* name, sockaddr_un* addr, std::string* path)
{
    if (!name || !*name || name[0] == '.' || strchr(name, '/')) return false;
    *path = ConnectorFolder() + "/" + name;
    return detail::SocketAddress(*path, addr);
}

void Put32(char* p, uint32_t v) { memcpy(p, &v, 4); }
uint32_t Get32(const char* p)
{
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
}

void FreeConnection(PtConnectionServer_t* c)
{
    if (c->source) g_source_remove(c->source);
    if (c->fd >= 0) close(c->fd);
    if (c->owner) c->owner->connections.erase(c);
    delete c;
}

// Answers every complete message in the buffer; false when the connection must end.
bool Serve(PtConnectionServer_t* c)
{
    while (c->in.size() >= kHeader) {
        uint32_t type = Get32(c->in.data()), len = Get32(c->in.data() + 4), room = Get32(c->in.data() + 8);
        if (len > kMaxMessage) {
            fprintf(stderr, "photon: connector %s: message of %u bytes refused\n",
                    c->owner ? c->owner->name.c_str() : "?", len);
            return false;
        }
        if (c->in.size() < kHeader + len) return true;
        std::vector<char> msg(c->in.begin() + kHeader, c->in.begin() + kHeader + len);
        c->in.erase(c->in.begin(), c->in.begin() + kHeader + len);
        int32_t status = -1;
        const void* reply = nullptr;
        unsigned reply_len = 0;
        for (auto& h : c->handlers) {
            if (h.type != type || !h.fun) continue;
            ++c->busy;
            reply = h.fun(c, c->user, type, msg.data(), len, &reply_len);
            --c->busy;
            status = 0;
            break;
        }
        if (c->dead) return false;
        if (!reply) reply_len = 0;
        uint32_t sent = std::min<uint32_t>(reply_len, room);
        char head[kAnswerHeader];
        Put32(head, static_cast<uint32_t>(status));
        Put32(head + 4, sent);
        if (!detail::WriteAll(c->fd, head, sizeof head, kAnswerWaitMs) ||
            (sent && !detail::WriteAll(c->fd, reply, sent, kAnswerWaitMs)))
            return false;
    }
    return true;
}

gboolean ConnectionReady(gint fd, GIOCondition, gpointer user)
{
    auto* c = static_cast<PtConnectionServer_t*>(user);
    char buf[4096];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return G_SOURCE_CONTINUE;
    bool keep = n > 0;
    if (keep) {
        c->in.insert(c->in.end(), buf, buf + n);
        keep = Serve(c);
    }
    if (!keep) {
        c->source = 0;
        FreeConnection(c);
        return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
}

gboolean ConnectorReady(gint fd, GIOCondition, gpointer user)
{
    auto* k = static_cast<PtConnector_t*>(user);
    int cfd = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (cfd < 0) return G_SOURCE_CONTINUE;
    auto* c = new PtConnectionServer_t;
    c->owner = k;
    c->fd = cfd;
    k->connections.insert(c);
    ++c->busy;
    if (k->cb) k->cb(k, c, k->data);
    --c->busy;
    if (c->dead) {
        FreeConnection(c);
        return G_SOURCE_CONTINUE;
    }
    c->source = g_unix_fd_add(cfd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR), ConnectionReady, c);
    return G_SOURCE_CONTINUE;
}

}  // namespace

PtConnector_t* PtConnectorCreate(const char* name, PtConnectorCallbackFunc_t* cb, void* data)
{
    sockaddr_un addr;
    std::string path;
    if (!PathOf(name, &addr, &path)) {
        errno = EINVAL;
        return nullptr;
    }
    // The name belongs to whoever holds its lock; a socket left by a program that ended is replaced.
    std::string lock_path = path.substr(0, path.rfind('/')) + "/." + name + ".lock";
    int lock_fd = open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock_fd < 0) return nullptr;
    if (flock(lock_fd, LOCK_EX | LOCK_NB) != 0) {
        close(lock_fd);
        errno = EBUSY;
        return nullptr;
    }
    unlink(path.c_str());
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, 8) != 0) {
        int e = errno;
        if (fd >= 0) close(fd);
        close(lock_fd);
        errno = e;
        return nullptr;
    }
    auto* k = new PtConnector_t;
    k->name = name;
    k->path = path;
    k->lock_path = lock_path;
    k->fd = fd;
    k->lock_fd = lock_fd;
    k->cb = cb;
    k->data = data;
    k->source = g_unix_fd_add(fd, G_IO_IN, ConnectorReady, k);
    return k;
}

int PtConnectorDestroy(PtConnector_t* k)
{
    if (!k) return -1;
    auto conns = k->connections;
    for (auto* c : conns) {
        c->owner = nullptr;
        if (c->busy) c->dead = true;
        else FreeConnection(c);
    }
    if (k->source) g_source_remove(k->source);
    close(k->fd);
    unlink(k->path.c_str());
    close(k->lock_fd);
    delete k;
    return 0;
}

PtConnectionClient_t* PtConnectionFindName(const char* name, int, int)
{
    sockaddr_un addr;
    std::string path;
    if (!PathOf(name, &addr, &path)) {
        errno = EINVAL;
        return nullptr;
    }
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        int e = errno;
        close(fd);
        errno = e;
        return nullptr;
    }
    auto* c = new PtConnectionClient_t;
    c->fd = fd;
    return c;
}

int PtConnectionSend(PtConnectionClient_t* c, unsigned long type, const void* msg, void* reply, std::size_t msglen,
                     std::size_t replylen)
{
    if (!c || c->fd < 0 || msglen > kMaxMessage || (msglen && !msg)) return -1;
    char head[kHeader];
    Put32(head, static_cast<uint32_t>(type));
    Put32(head + 4, static_cast<uint32_t>(msglen));
    Put32(head + 8, static_cast<uint32_t>(reply ? std::min<std::size_t>(replylen, kMaxMessage) : 0));
    if (!detail::WriteAll(c->fd, head, sizeof head, kAnswerWaitMs) ||
        (msglen && !detail::WriteAll(c->fd, msg, msglen, kAnswerWaitMs)))
        return -1;
    char answer[kAnswerHeader];
    if (!detail::ReadAll(c->fd, answer, sizeof answer, kAnswerWaitMs)) return -1;
    int32_t status = static_cast<int32_t>(Get32(answer));
    uint32_t len = Get32(answer + 4);
    if (len > kMaxMessage) return -1;
    std::vector<char> body(len);
    if (len && !detail::ReadAll(c->fd, body.data(), len, kAnswerWaitMs)) return -1;
    if (reply && replylen) memcpy(reply, body.data(), std::min<std::size_t>(len, replylen));
    return status == 0 ? 0 : -1;
}

int PtConnectionClientDestroy(PtConnectionClient_t* c)
{
    if (!c) return -1;
    if (c->fd >= 0) close(c->fd);
    delete c;
    return 0;
}

int PtConnectionAddMsgHandlers(PtConnectionServer_t* c, const PtConnectionMsgHandler_t handlers[], unsigned n)
{
    if (!c || (n && !handlers)) return -1;
    c->handlers.insert(c->handlers.end(), handlers, handlers + n);
    return 0;
}

void PtConnectionSetUserData(PtConnectionServer_t* c, void* data)
{
    if (c) c->user = data;
}

int PtConnectionServerDestroy(PtConnectionServer_t* c)
{
    if (!c) return -1;
    if (c->busy) {
        c->dead = true;
        return 0;
    }
    FreeConnection(c);
    return 0;
}

}  // namespace photon
