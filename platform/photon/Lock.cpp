// The library lock. The loop thread holds it except while it waits for events (the poll hook
// below gives it up around the wait); other threads take it with PtEnter. A thread holding it
// may touch widgets: the layer runs those calls on the loop thread, which waits for the lock in
// a state where it serves them.
#include "photon/detail/Widget.h"

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace photon {
namespace {

struct Job {
    const std::function<void()>* fn;
    bool done = false;
};

struct LibraryLock {
    std::mutex m;
    std::condition_variable cv;
    std::thread::id owner;
    std::thread::id loop;
    bool loop_known = false;
    std::deque<Job*> jobs;
};

// Widget calls the loop thread is running for the lock's owner. A modal dialog among them runs
// a loop of its own, which goes on for the owner without the lock (the owner waits for the call).
int serving_depth = 0;

LibraryLock& lock()
{
    static auto* l = new LibraryLock;  // lives to the end; threads may still leave at exit
    return *l;
}

// The loop thread takes the lock back, running the owner's widget calls meanwhile.
void AcquireOnLoop()
{
    auto& l = lock();
    std::unique_lock g(l.m);
    for (;;) {
        while (!l.jobs.empty()) {
            Job* job = l.jobs.front();
            l.jobs.pop_front();
            g.unlock();
            ++serving_depth;
            (*job->fn)();
            --serving_depth;
            g.lock();
            job->done = true;
            l.cv.notify_all();
        }
        if (serving_depth > 0) return;
        if (l.owner == std::thread::id()) break;
        l.cv.wait(g);
    }
    l.owner = std::this_thread::get_id();
}

void ReleaseOnLoop()
{
    auto& l = lock();
    std::lock_guard g(l.m);
    if (l.owner == std::this_thread::get_id()) {
        l.owner = std::thread::id();
        l.cv.notify_all();
    }
}

gint PollWithoutLock(GPollFD* fds, guint nfds, gint timeout)
{
    ReleaseOnLoop();
    gint r = g_poll(fds, nfds, timeout);
    int saved = errno;
    AcquireOnLoop();
    errno = saved;
    return r;
}

}  // namespace

namespace detail {

void EnsureLoopThread()
{
    auto& l = lock();
    std::lock_guard g(l.m);
    if (!l.loop_known) {
        l.loop_known = true;
        l.loop = std::this_thread::get_id();
        if (l.owner == std::thread::id()) l.owner = l.loop;
    }
}

bool OnLoopThread()
{
    auto& l = lock();
    std::lock_guard g(l.m);
    return !l.loop_known || l.loop == std::this_thread::get_id();
}

void InstallPollHook()
{
    static bool done = false;
    if (done) return;
    done = true;
    EnsureLoopThread();
    g_main_context_set_poll_func(nullptr, PollWithoutLock);
}

void RunOnLoop(const std::function<void()>& fn)
{
    if (OnLoopThread()) {
        fn();
        return;
    }
    int taken = PtEnter(0);
    auto& l = lock();
    Job job{&fn};
    {
        std::unique_lock g(l.m);
        l.jobs.push_back(&job);
        l.cv.notify_all();
    }
    g_main_context_wakeup(nullptr);
    {
        std::unique_lock g(l.m);
        l.cv.wait(g, [&] { return job.done; });
    }
    PtLeave(taken);
}

}  // namespace detail

int PtEnter(int)
{
    auto& l = lock();
    std::unique_lock g(l.m);
    auto me = std::this_thread::get_id();
    if (l.owner == me) return -EDEADLK;
    l.cv.wait(g, [&] { return l.owner == std::thread::id(); });
    l.owner = me;
    return 0;
}

int PtLeave(int flags)
{
    if (flags < 0) return 0;
    auto& l = lock();
    std::lock_guard g(l.m);
    if (l.owner != std::this_thread::get_id()) return -1;
    l.owner = std::thread::id();
    l.cv.notify_all();
    return 0;
}

}  // namespace photon
