// The layer's clock and its timers (widget timers, PtTimer widgets, button repeat). The clock is
// the monotonic clock, or a manual clock that the test driver advances.
#include "photon/PhotonTest.h"
#include "photon/detail/Widget.h"

#include <map>

namespace photon {
namespace {

struct TimerQueue {
    std::map<detail::TimerKey, std::function<void()>> due;
    uint64_t seq = 0;
    bool manual = false;
    uint64_t manual_now = 0;
    uint64_t origin = 0;
    GSource* source = nullptr;
};

TimerQueue& queue()
{
    static auto* q = new TimerQueue;
    return *q;
}

uint64_t RealNow()
{
    auto& q = queue();
    uint64_t now = static_cast<uint64_t>(g_get_monotonic_time() / 1000);
    if (q.origin == 0) q.origin = now - 1;
    return now - q.origin;
}

// Pops and runs every timer due at or before 'now', earliest first.
void FireDue(uint64_t now)
{
    auto& q = queue();
    for (;;) {
        auto it = q.due.begin();
        if (it == q.due.end() || it->first.first > now) break;
        auto fire = std::move(it->second);
        q.due.erase(it);
        fire();
    }
}

gboolean TimerPrepare(GSource*, gint* timeout)
{
    auto& q = queue();
    *timeout = -1;
    if (q.manual || q.due.empty()) return FALSE;
    uint64_t now = RealNow(), when = q.due.begin()->first.first;
    if (when <= now) {
        *timeout = 0;
        return TRUE;
    }
    *timeout = static_cast<gint>(std::min<uint64_t>(when - now, 60000));
    return FALSE;
}

gboolean TimerCheck(GSource*)
{
    auto& q = queue();
    return !q.manual && !q.due.empty() && q.due.begin()->first.first <= RealNow();
}

gboolean TimerDispatch(GSource*, GSourceFunc, gpointer)
{
    FireDue(RealNow());
    return G_SOURCE_CONTINUE;
}

GSourceFuncs timer_funcs = {TimerPrepare, TimerCheck, TimerDispatch, nullptr, nullptr, nullptr};

}  // namespace

namespace detail {

uint64_t NowMs()
{
    auto& q = queue();
    return q.manual ? q.manual_now : RealNow();
}

void EnsureTimerSource()
{
    auto& q = queue();
    if (q.source) return;
    q.source = g_source_new(&timer_funcs, sizeof(GSource));
    g_source_set_priority(q.source, G_PRIORITY_DEFAULT);
    g_source_attach(q.source, nullptr);
}

TimerKey ArmTimer(uint64_t delay_ms, std::function<void()> fire)
{
    EnsureTimerSource();
    auto& q = queue();
    TimerKey key{NowMs() + delay_ms, ++q.seq};
    q.due.emplace(key, std::move(fire));
    if (!q.manual) g_main_context_wakeup(nullptr);
    return key;
}

void CancelTimer(TimerKey& key)
{
    if (key.second == 0) return;
    queue().due.erase(key);
    key = {};
}

}  // namespace detail

namespace test {

void UseManualClock()
{
    auto& q = queue();
    if (q.manual) return;
    q.manual_now = RealNow();
    q.manual = true;
}

void AdvanceClock(unsigned ms)
{
    auto& q = queue();
    UseManualClock();
    uint64_t target = q.manual_now + ms;
    RunUntilIdle();
    for (;;) {
        auto it = q.due.begin();
        if (it == q.due.end() || it->first.first > target) break;
        q.manual_now = std::max(q.manual_now, it->first.first);
        FireDue(q.manual_now);
        RunUntilIdle();
    }
    q.manual_now = target;
    RunUntilIdle();
}

unsigned long Now() { return static_cast<unsigned long>(detail::NowMs()); }

}  // namespace test
}  // namespace photon
