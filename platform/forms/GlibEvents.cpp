// The windows' GLib loop served by the forms loop: before the loop blocks, GLib's descriptors
// are watched by the loop's own I/O and its timeout shortens the block; afterwards GLib checks
// and dispatches what became ready. So sockets, timers and windows all run on one thread and
// none waits for another.
#include <glib.h>

#include <algorithm>
#include <memory>
#include <vector>

#include <boost/asio/posix/stream_descriptor.hpp>

#include "forms/detail/FormWindow.h"
#include "forms/detail/LoopInternals.h"

namespace forms::detail {

namespace {

namespace asio = boost::asio;
using Clock = std::chrono::steady_clock;

class GlibEvents : public ForeignEvents {
public:
    explicit GlibEvents(Loop& loop) : loop_(loop), context_(g_main_context_default()) {
        g_main_context_acquire(context_);
    }
    ~GlibEvents() override { g_main_context_release(context_); }

    void dispatchReady() override { g_main_context_iteration(context_, FALSE); }

    Clock::time_point prepare(Clock::time_point until) override {
        unwatch();  // a wait nested in a handler of an outer one takes the descriptors over
        prepared_ = true;
        g_main_context_prepare(context_, &priority_);
        gint timeout = -1;
        for (;;) {
            gint wanted =
                g_main_context_query(context_, priority_, &timeout, fds_.data(), static_cast<gint>(fds_.size()));
            if (wanted <= static_cast<gint>(fds_.size())) {
                fds_.resize(static_cast<std::size_t>(wanted));
                break;
            }
            fds_.resize(static_cast<std::size_t>(wanted));
        }
        // A descriptor registered afresh reports a readiness it already has, so nothing is
        // missed between two blocks.
        for (GPollFD& fd : fds_) {
            auto& watch = watches_.emplace_back(std::make_unique<asio::posix::stream_descriptor>(io(loop_), fd.fd));
            if (fd.events & (G_IO_IN | G_IO_HUP | G_IO_ERR | G_IO_PRI))
                watch->async_wait(asio::posix::stream_descriptor::wait_read, [](const boost::system::error_code&) {});
            if (fd.events & G_IO_OUT)
                watch->async_wait(asio::posix::stream_descriptor::wait_write, [](const boost::system::error_code&) {});
        }
        if (timeout >= 0) until = std::min(until, Clock::now() + std::chrono::milliseconds(timeout));
        return until;
    }

    void check() override {
        unwatch();
        if (!prepared_) return;
        prepared_ = false;
        g_poll(fds_.data(), static_cast<guint>(fds_.size()), 0);
        if (g_main_context_check(context_, priority_, fds_.data(), static_cast<gint>(fds_.size())))
            g_main_context_dispatch(context_);
    }

private:
    // The descriptors stay open: they are GLib's.
    void unwatch() {
        for (auto& watch : watches_) watch->release();
        watches_.clear();
    }

    Loop& loop_;
    bool prepared_ = false;
    GMainContext* context_;
    gint priority_ = 0;
    std::vector<GPollFD> fds_;
    std::vector<std::unique_ptr<asio::posix::stream_descriptor>> watches_;
};

}  // namespace

void ServeWindowsOnLoop() {
    Loop* loop = Loop::tryCurrent();
    if (loop && !hasForeign(*loop)) attachForeign(*loop, std::make_unique<GlibEvents>(*loop));
}

}  // namespace forms::detail
