// Connectors between two processes: a second instance finds the first by name and hands it a
// message; names are taken once; stale names are taken over; odd names are refused.
#include "PhotonFixture.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace photon::testing {
namespace {

using namespace photon::test;

struct Scope {
    std::string dir;
    Scope()
    {
        char tmpl[] = "/tmp/photon-scope-XXXXXX";
        dir = mkdtemp(tmpl);
        setenv("ZEPHRA_PHOTON_SCOPE", dir.c_str(), 1);
    }
    ~Scope()
    {
        std::string cmd = "rm -rf '" + dir + "'";
        [[maybe_unused]] int r = system(cmd.c_str());
        unsetenv("ZEPHRA_PHOTON_SCOPE");
    }
};

int messages;
std::string body;
const unsigned zero = 0;

const void* OnMessage(PtConnectionServer_t*, void*, unsigned long type, const void* msg, unsigned len,
                      unsigned* reply_len)
{
    ++messages;
    body.assign(static_cast<const char*>(msg), len);
    EXPECT_EQ(type, 0u);
    *reply_len = sizeof zero;
    return &zero;
}

const PtConnectionMsgHandler_t kHandlers[] = {{0, OnMessage}};
int connections;

void OnConnection(PtConnector_t*, PtConnectionServer_t* c, void*)
{
    ++connections;
    if (PtConnectionAddMsgHandlers(c, kHandlers, 1) != 0) PtConnectionServerDestroy(c);
}

// The second instance: what it sees, as an exit status (0 all as expected).
int SecondInstance()
{
    if (PtConnectorCreate("sorvex-instance", nullptr, nullptr) != nullptr) return 1;
    if (errno != EBUSY) return 2;
    PtConnectionClient_t* c = PtConnectionFindName("sorvex-instance", 0, 0);
    if (!c) return 3;
    unsigned reply = 77;
    if (PtConnectionSend(c, 0, "hand over", &reply, 9, sizeof reply) != 0) return 4;
    if (reply != 0) return 5;
    if (PtConnectionSend(c, 7, "x", nullptr, 1, 0) != -1) return 6;  // no handler for type 7
    PtConnectionClientDestroy(c);
    return 0;
}

TEST_F(PhotonTest, ConnectorHandsAMessageFromASecondProcess)
{
    Scope scope;
    messages = connections = 0;
    PtConnector_t* k = PtConnectorCreate("sorvex-instance", OnConnection, nullptr);
    ASSERT_NE(k, nullptr);
    pid_t pid = fork();
    if (pid == 0) _exit(SecondInstance());
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        usleep(1000);
        RunUntilIdle();
    }
    RunUntilIdle();
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(connections, 1);
    EXPECT_EQ(messages, 1);
    EXPECT_EQ(body, "hand over");
    PtConnectorDestroy(k);
    EXPECT_EQ(PtConnectionFindName("sorvex-instance", 0, 0), nullptr);
}

TEST_F(PhotonTest, ConnectorNamesStaleAndOdd)
{
    Scope scope;
    // A socket left by a program that ended does not keep the name.
    std::string path = scope.dir + "/velora";
    PtConnector_t* gone = PtConnectorCreate("velora", OnConnection, nullptr);
    ASSERT_NE(gone, nullptr);
    PtConnectorDestroy(gone);
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    strcpy(addr.sun_path, path.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    close(fd);
    PtConnector_t* k = PtConnectorCreate("velora", OnConnection, nullptr);
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(PtConnectorCreate("velora", OnConnection, nullptr), nullptr);
    PtConnectorDestroy(k);

    EXPECT_EQ(PtConnectorCreate("../escape", OnConnection, nullptr), nullptr);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(PtConnectorCreate("", OnConnection, nullptr), nullptr);
    EXPECT_EQ(PtConnectorCreate(".hidden", OnConnection, nullptr), nullptr);
    EXPECT_EQ(PtConnectionFindName("a/b", 0, 0), nullptr);
    EXPECT_EQ(PtConnectionFindName("nobody-here", 0, 0), nullptr);
}

TEST_F(PhotonTest, ConnectorDropsAConnectionThatSendsAnOversizedMessage)
{
    Scope scope;
    messages = connections = 0;
    PtConnector_t* k = PtConnectorCreate("velora", OnConnection, nullptr);
    ASSERT_NE(k, nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        snprintf(addr.sun_path, sizeof addr.sun_path, "%s/velora", getenv("ZEPHRA_PHOTON_SCOPE"));
        if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) _exit(1);
        unsigned head[3] = {0, 0x7FFFFFFF, 4};
        if (write(fd, head, sizeof head) != sizeof head) _exit(2);
        char c;
        _exit(read(fd, &c, 1) == 0 ? 0 : 3);  // the layer closes the connection
    }
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        usleep(1000);
        RunUntilIdle();
    }
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(messages, 0);
    PtConnectorDestroy(k);
}

}  // namespace
}  // namespace photon::testing
