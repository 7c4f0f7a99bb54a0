// Message channels over Unix-domain sockets in the connectors' per-user folder, one socket per
// channel, named after the owning process and the channel id. A message is its length and its
// bytes; the reply is a status, a length and its bytes. The sender's process id comes from the
// socket's peer credentials, so an input procedure added for one process hears only that one.
#include "photon/PtApp.h"
#include "photon/PtChannel.h"
#include "photon/detail/LocalSockets.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace photon {

struct PtInputId {
    pid_t pid;
    PtInputCallbackProc_t* fn;
    void* data;
};

namespace {

constexpr uint32_t kMaxMessage = 64 * 1024;  // a longer message ends its connection

struct Channel {
    int fd = -1;
    std::string path;
};

struct Connection {
    int chid = 0;
    pid_t pid = 0;
    std::vector<char> in;
    bool replied = false;
};

std::map<int, Channel>& channels()
{
    static std::map<int, Channel> m;
    return m;
}
std::map<int, std::unique_ptr<Connection>>& connections()
{
    static std::map<int, std::unique_ptr<Connection>> m;
    return m;
}
std::vector<PtInputId*>& inputs()
{
    static std::vector<PtInputId*> v;
    return v;
}
int next_chid = 1;
// A reply is small and fits the socket's buffer; a sender that stops reading is given up on.
constexpr int kReplyWaitMs = 5000;

bool AddressOf(pid_t pid, int chid, sockaddr_un* addr, std::string* path)
{
    *path = detail::SocketFolder() + "/channel-" + std::to_string(pid) + "-" + std::to_string(chid);
    return detail::SocketAddress(*path, addr);
}

void CloseConnection(int fd)
{
    PtAppRemoveFd(nullptr, fd);
    connections().erase(fd);
    close(fd);
}

// Hands one complete message to the input procedures of its sender.
void Dispatch(int fd, Connection& c, char* message, size_t size)
{
    c.replied = false;
    bool taken = false;
    std::vector<PtInputId*> current = inputs();
    for (PtInputId* id : current) {
        bool still = false;
        for (PtInputId* live : inputs()) still = still || live == id;
        if (!still || (id->pid != 0 && id->pid != c.pid)) continue;
        taken = true;
        if (id->fn(id->data, fd, message, size) == Pt_END) PtAppRemoveInput(nullptr, id);
        break;
    }
    auto it = connections().find(fd);
    if (!taken && it != connections().end() && !it->second->replied) MsgReply(fd, -1, nullptr, 0);
}

int ConnectionReadable(int fd, void*, unsigned)
{
    auto it = connections().find(fd);
    if (it == connections().end()) return Pt_END;
    char buf[4096];
    ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return Pt_CONTINUE;
    if (n <= 0) {
        CloseConnection(fd);
        return Pt_CONTINUE;
    }
    Connection* c = it->second.get();
    c->in.insert(c->in.end(), buf, buf + n);
    while (c->in.size() >= sizeof(uint32_t)) {
        uint32_t len;
        memcpy(&len, c->in.data(), sizeof len);
        if (len > kMaxMessage) {
            CloseConnection(fd);
            return Pt_CONTINUE;
        }
        if (c->in.size() < sizeof len + len) break;
        std::vector<char> message(c->in.begin() + sizeof len, c->in.begin() + sizeof len + len);
        c->in.erase(c->in.begin(), c->in.begin() + sizeof len + len);
        message.push_back('\0');  // a text message stays terminated for its reader
        Dispatch(fd, *c, message.data(), len);
        if (connections().find(fd) == connections().end()) break;
    }
    return Pt_CONTINUE;
}

int ChannelReadable(int fd, void* data, unsigned)
{
    int conn = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (conn < 0) return Pt_CONTINUE;
    auto c = std::make_unique<Connection>();
    c->chid = static_cast<int>(reinterpret_cast<intptr_t>(data));
    ucred cred{};
    socklen_t len = sizeof cred;
    if (getsockopt(conn, SOL_SOCKET, SO_PEERCRED, &cred, &len) == 0) c->pid = cred.pid;
    connections()[conn] = std::move(c);
    PtAppAddFd(nullptr, conn, Pt_FD_READ, ConnectionReadable, nullptr);
    return Pt_CONTINUE;
}

}  // namespace

int ChannelCreate(unsigned)
{
    const int chid = next_chid++;
    sockaddr_un addr;
    std::string path;
    if (!AddressOf(getpid(), chid, &addr, &path)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    unlink(path.c_str());  // left by an earlier program of the same process id
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0 || listen(fd, 8) < 0) {
        int e = errno;
        close(fd);
        errno = e;
        return -1;
    }
    channels()[chid] = Channel{fd, path};
    PtAppAddFd(nullptr, fd, Pt_FD_READ, ChannelReadable, reinterpret_cast<void*>(static_cast<intptr_t>(chid)));
    return chid;
}

int ChannelDestroy(int chid)
{
    auto it = channels().find(chid);
    if (it == channels().end()) return -1;
    PtAppRemoveFd(nullptr, it->second.fd);
    close(it->second.fd);
    unlink(it->second.path.c_str());
    channels().erase(it);
    std::vector<int> ended;
    for (auto& [fd, c] : connections())
        if (c->chid == chid) ended.push_back(fd);
    for (int fd : ended) CloseConnection(fd);
    return 0;
}

PtInputId_t* PtAppAddInput(PtAppContext_t, pid_t pid, PtInputCallbackProc_t* fn, void* data)
{
    if (!fn) return nullptr;
    auto* id = new PtInputId{pid, fn, data};
    inputs().push_back(id);
    return id;
}

void PtAppRemoveInput(PtAppContext_t, PtInputId_t* id)
{
    auto& v = inputs();
    for (auto it = v.begin(); it != v.end(); ++it) {
        if (*it == id) {
            v.erase(it);
            delete id;
            return;
        }
    }
}

int MsgReply(int rcvid, long status, const void* msg, std::size_t size)
{
    auto it = connections().find(rcvid);
    if (it == connections().end()) return -1;
    it->second->replied = true;
    int32_t head[2] = {static_cast<int32_t>(status), static_cast<int32_t>(msg ? size : 0)};
    if (!detail::WriteAll(rcvid, head, sizeof head, kReplyWaitMs) ||
        (msg && size && !detail::WriteAll(rcvid, msg, size, kReplyWaitMs))) {
        CloseConnection(rcvid);
        return -1;
    }
    return 0;
}

int ConnectAttach(uint32_t, pid_t pid, int chid, unsigned, int)
{
    sockaddr_un addr;
    std::string path;
    if (!AddressOf(pid, chid, &addr, &path)) {
        errno = ENAMETOOLONG;
        return -1;
    }
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0) {
        close(fd);
        errno = ENOENT;
        return -1;
    }
    return fd;
}

int ConnectDetach(int coid) { return close(coid); }

long MsgSend(int coid, const void* smsg, std::size_t sbytes, void* rmsg, std::size_t rbytes)
{
    if (sbytes > kMaxMessage) {
        errno = EMSGSIZE;
        return -1;
    }
    const uint32_t len = static_cast<uint32_t>(sbytes);
    int32_t head[2];
    if (!detail::WriteAll(coid, &len, sizeof len, -1) || (sbytes && !detail::WriteAll(coid, smsg, sbytes, -1)) ||
        !detail::ReadAll(coid, head, sizeof head, -1)) {
        errno = ESRCH;
        return -1;
    }
    if (static_cast<uint32_t>(head[1]) > kMaxMessage) {
        errno = EBADMSG;
        return -1;
    }
    std::vector<char> reply(static_cast<uint32_t>(head[1]));
    if (!reply.empty() && !detail::ReadAll(coid, reply.data(), reply.size(), -1)) {
        errno = ESRCH;
        return -1;
    }
    if (rmsg) memcpy(rmsg, reply.data(), reply.size() < rbytes ? reply.size() : rbytes);
    return head[0];
}

}  // namespace photon
