// The main loop: input handlers on pipes, work procedures, signal procedures, children, modal
// sections and the library lock taken from another thread.
#include "PhotonFixture.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace photon::testing {
namespace {

using namespace photon::test;

std::string order;

struct Pipe {
    int fd[2] = {-1, -1};
    Pipe() { EXPECT_EQ(pipe(fd), 0); }
    ~Pipe()
    {
        close(fd[0]);
        close(fd[1]);
    }
};

int ReadOne(int fd, void* data, unsigned mode)
{
    EXPECT_TRUE(mode & Pt_FD_READ);
    char c = 0;
    if (read(fd, &c, 1) == 1) order += c;
    return *static_cast<int*>(data);
}

int RemoveSelf(int fd, void*, unsigned)
{
    char c;
    if (read(fd, &c, 1) == 1) order += c;
    PtAppRemoveFd(nullptr, fd);
    return Pt_CONTINUE;
}

TEST_F(PhotonTest, InputHandlersOnPipes)
{
    Pipe p;
    int keep = Pt_CONTINUE;
    order.clear();
    ASSERT_EQ(PtAppAddFd(nullptr, p.fd[0], Pt_FD_READ, ReadOne, &keep), 0);
    ASSERT_EQ(write(p.fd[1], "ab", 2), 2);
    RunUntilIdle();
    EXPECT_EQ(order, "ab");
    keep = Pt_END;  // the handler's answer removes it
    ASSERT_EQ(write(p.fd[1], "cd", 2), 2);
    RunUntilIdle();
    EXPECT_EQ(order, "abc");
    EXPECT_EQ(PtAppRemoveFd(nullptr, p.fd[0]), -1);

    // Removing itself from inside, as a command port closes its client.
    order.clear();
    PtAppAddFd(nullptr, p.fd[0], Pt_FD_READ, RemoveSelf, nullptr);
    RunUntilIdle();
    EXPECT_EQ(order, "d");
    ASSERT_EQ(write(p.fd[1], "e", 1), 1);
    RunUntilIdle();
    EXPECT_EQ(order, "d");
    EXPECT_EQ(PtAppAddFd(nullptr, -1, Pt_FD_READ, RemoveSelf, nullptr), -1);
}

int Work(void* data)
{
    auto* n = static_cast<int*>(data);
    order += static_cast<char>('0' + *n % 10);
    return --*n > 0 ? Pt_CONTINUE : Pt_END;
}

TEST_F(PhotonTest, WorkProceduresRunLatestFirstUntilTheyEnd)
{
    order.clear();
    int a = 2, b = 3;
    PtAppAddWorkProc(nullptr, Work, &a);
    PtAppAddWorkProc(nullptr, Work, &b);
    RunUntilIdle();
    EXPECT_EQ(order, "32121");
    int c = 5;
    PtWorkProcId_t* id = PtAppAddWorkProc(nullptr, Work, &c);
    PtAppRemoveWorkProc(nullptr, id);
    RunUntilIdle();
    EXPECT_EQ(c, 5);
}

int signals_seen, last_signal;
int OnSignal(int signo, void*)
{
    ++signals_seen;
    last_signal = signo;
    return Pt_CONTINUE;
}

int child_status = -1;
void ChildEnded(void*, int status) { child_status = status; }

int done_flag;
int SetDone(void*)
{
    done_flag = 1;
    return Pt_END;
}

TEST_F(PhotonTest, SignalProceduresAndChildrenRunOnTheLoop)
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGUSR1);
    sigaddset(&set, SIGKILL);  // cannot be caught: left out quietly
    signals_seen = 0;
    ASSERT_EQ(PtAppAddSignalProc(nullptr, &set, OnSignal, nullptr), 0);
    raise(SIGUSR1);
    EXPECT_EQ(signals_seen, 0);  // not inside the signal handler
    RunUntilIdle();
    EXPECT_EQ(signals_seen, 1);
    EXPECT_EQ(last_signal, SIGUSR1);
    PtAppRemoveSignalProc(nullptr, &set);

    const char* argv[] = {"sh", "-c", "exit 3", nullptr};
    child_status = -1;
    pid_t pid = PtSpawn("sh", argv, nullptr, nullptr, ChildEnded, nullptr, nullptr);
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 500 && child_status < 0; ++i) {
        usleep(2000);
        RunUntilIdle();
    }
    ASSERT_TRUE(WIFEXITED(child_status));
    EXPECT_EQ(WEXITSTATUS(child_status), 3);
    const char* bad[] = {"no-such-program-here", nullptr};
    EXPECT_EQ(PtSpawn("no-such-program-here", bad, nullptr, nullptr, ChildEnded, nullptr, nullptr), -1);

    // A modal section handles events until its condition holds.
    done_flag = 0;
    PtAppAddWorkProc(nullptr, SetDone, nullptr);
    int modal = PtModalStart();
    while (!done_flag) PtProcessEvent();
    PtModalEnd(modal);
    EXPECT_EQ(done_flag, 1);
}

TEST_F(PhotonTest, AnotherThreadTouchesWidgetsUnderTheLock)
{
    OpenTestWindow();
    PtWidget_t* label = Find("statusBar");
    EXPECT_EQ(PtEnter(0), -EDEADLK);  // the loop thread holds it already
    EXPECT_EQ(PtLeave(-EDEADLK), 0);

    std::atomic<int> stage{0};
    std::string seen_inside;
    std::thread decoder([&] {
        EXPECT_EQ(PtEnter(0), 0);
        EXPECT_EQ(PtEnter(0), -EDEADLK);
        PtSetResource(label, Pt_ARG_TEXT_STRING, "from the decoder", 0);
        seen_inside = Text(label);
        PtAddCallback(label, Pt_CB_DESTROYED, cbRecord, nullptr);
        stage = 1;
        PtLeave(0);
    });
    while (stage == 0) PtProcessEvent();
    decoder.join();
    EXPECT_EQ(seen_inside, "from the decoder");
    EXPECT_EQ(Text(label), "from the decoder");

    // A thread without the lock waits while the loop thread holds it.
    std::atomic<bool> entered{false};
    std::thread waiter([&] {
        PtEnter(0);
        entered = true;
        PtLeave(0);
    });
    usleep(20000);
    EXPECT_FALSE(entered);  // we are not waiting for events: the lock is ours
    while (!entered) PtProcessEvent();
    waiter.join();
    EXPECT_TRUE(entered);
}

std::thread::id handler_thread;
int NoteThread(int fd, void*, unsigned)
{
    char c;
    if (read(fd, &c, 1) == 1) handler_thread = std::this_thread::get_id();
    return Pt_END;
}

TEST_F(PhotonTest, HandlersRegisteredByAnotherThreadRunOnTheLoop)
{
    Pipe p;
    handler_thread = {};
    std::thread decoder([&] {
        PtEnter(0);
        PtAppAddFd(nullptr, p.fd[0], Pt_FD_READ, NoteThread, nullptr);
        PtLeave(0);
        EXPECT_EQ(write(p.fd[1], "m", 1), 1);
    });
    // The loop thread must wait for events for the decoder to get the lock.
    while (handler_thread == std::thread::id()) PtProcessEvent();
    decoder.join();
    EXPECT_EQ(handler_thread, std::this_thread::get_id());
}

int SayDestroyed(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    fprintf(stderr, "base destroyed\n");
    return Pt_CONTINUE;
}

[[noreturn]] void ExitScenario()
{
    static ApContext_t ctx{ZEPHRA_PHOTON_TEST_UI, kCallbacks, "photon-exit"};
    char name[] = "photon-exit";
    char* argv[] = {name, nullptr};
    if (ApInitialize(1, argv, &ctx) != 0) exit(9);
    static const ApEventLink_t link{ABM_WINDOW, "testwin", nullptr, 0, 0, 0};
    PtWidget_t* w = ApLinkWindow(nullptr, &link, nullptr);
    PtAddCallback(w, Pt_CB_DESTROYED, SayDestroyed, nullptr);
    PtExit(4);
}

TEST(PhotonExit, ExitDestroysWidgetsThenEndsWithTheStatus)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(ExitScenario(), ::testing::ExitedWithCode(4), "base destroyed");
}

}  // namespace
}  // namespace photon::testing
