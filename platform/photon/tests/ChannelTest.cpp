// Message channels: a sender attaches by process and channel id, each message waits for the
// receiver's reply from its loop; input procedures hear only their process; oversized messages
// end the connection; a removed channel cannot be reached.
#include "PhotonFixture.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <future>
#include <thread>
#include <unistd.h>

namespace photon::testing {
namespace {

using namespace photon::test;

struct Scope {
    std::string dir;
    Scope()
    {
        char tmpl[] = "/tmp/photon-channel-XXXXXX";
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

std::vector<std::string> heard;

int Echo(void*, int rcvid, void* message, size_t size)
{
    heard.emplace_back(static_cast<char*>(message), size);
    std::string answer = "got " + heard.back();
    MsgReply(rcvid, static_cast<long>(size), answer.data(), answer.size());
    return Pt_CONTINUE;
}

// Runs the loop until the sender's future is ready.
template <typename T>
T Wait(std::future<T>& f)
{
    for (int i = 0; i < 5000 && f.wait_for(std::chrono::milliseconds(1)) != std::future_status::ready; ++i)
        RunUntilIdle();
    return f.get();
}

TEST_F(PhotonTest, ChannelMessagesAreAnsweredFromTheLoop)
{
    Scope scope;
    heard.clear();
    const int chid = ChannelCreate(0);
    ASSERT_GT(chid, 0);
    PtInputId_t* input = PtAppAddInput(nullptr, getpid(), Echo, nullptr);
    ASSERT_NE(input, nullptr);

    const int coid = ConnectAttach(0, getpid(), chid, 0, 0);
    ASSERT_GE(coid, 0);
    auto first = std::async(std::launch::async, [&] {
        char reply[64] = {};
        long status = MsgSend(coid, "hello", 5, reply, sizeof reply - 1);
        return std::to_string(status) + ":" + reply;
    });
    EXPECT_EQ(Wait(first), "5:got hello");
    // A reply longer than the room given is cut to it; messages go one after another.
    auto second = std::async(std::launch::async, [&] {
        char reply[4] = {};
        long status = MsgSend(coid, "abcdef", 6, reply, 3);
        return std::to_string(status) + ":" + reply;
    });
    EXPECT_EQ(Wait(second), "6:got");
    EXPECT_EQ(heard, (std::vector<std::string>{"hello", "abcdef"}));

    // A procedure for another process does not hear us: the message is refused with -1.
    PtAppRemoveInput(nullptr, input);
    input = PtAppAddInput(nullptr, getpid() + 1, Echo, nullptr);
    auto refused = std::async(std::launch::async, [&] { return MsgSend(coid, "x", 1, nullptr, 0); });
    EXPECT_EQ(Wait(refused), -1);
    EXPECT_EQ(heard.size(), 2u);
    PtAppRemoveInput(nullptr, input);
    input = PtAppAddInput(nullptr, 0, Echo, nullptr);

    // A length beyond the bound ends the connection without a reply.
    auto flood = std::async(std::launch::async, [&] {
        uint32_t huge = 1u << 30;
        [[maybe_unused]] ssize_t w = write(coid, &huge, sizeof huge);
        char c;
        return read(coid, &c, 1);
    });
    EXPECT_EQ(Wait(flood), 0);
    ConnectDetach(coid);

    // Without the channel there is nothing to attach to.
    EXPECT_EQ(ChannelDestroy(chid), 0);
    EXPECT_EQ(ConnectAttach(0, getpid(), chid, 0, 0), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(ChannelDestroy(chid), -1);
    PtAppRemoveInput(nullptr, input);
}

}  // namespace
}  // namespace photon::testing
