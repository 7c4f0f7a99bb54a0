// The main loop (GLib's default context) and what runs on it: input handlers on descriptors,
// work procedures, signal procedures, children's deaths, modal sections and the exit.
#include "photon/detail/Widget.h"

#include <glib-unix.h>

#include "display/Display.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <memory>
#include <spawn.h>
#include <unistd.h>

extern char** environ;

namespace photon {

struct PtWorkProcId {
    PtWorkProc_t* fn;
    void* data;
};
struct PtSpawnCbId {
    PtSpawnCbF_t* cb;
    void* data;
    guint source = 0;
};

namespace {

bool display_opened = false;
bool display_tried = false;
int modal_depth = 0;

// ---- Input handlers ----

struct FdHandler {
    int fd;
    unsigned mode;
    PtFdProcF_t* fn;
    void* data;
    guint source = 0;
};
std::map<int, std::unique_ptr<FdHandler>>& fd_handlers()
{
    static auto* m = new std::map<int, std::unique_ptr<FdHandler>>;
    return *m;
}

gboolean FdReady(gint fd, GIOCondition cond, gpointer user)
{
    auto* h = static_cast<FdHandler*>(user);
    guint source = h->source;
    unsigned mode = 0;
    if (cond & (G_IO_IN | G_IO_HUP | G_IO_ERR)) mode |= Pt_FD_READ;
    if (cond & G_IO_OUT) mode |= Pt_FD_WRITE;
    if (cond & G_IO_PRI) mode |= Pt_FD_OBAND;
    int r = h->fn(fd, h->data, mode);
    // The handler may have removed or replaced itself.
    auto& m = fd_handlers();
    auto it = m.find(fd);
    if (it == m.end() || it->second->source != source) return G_SOURCE_REMOVE;
    if (r == Pt_END) {
        m.erase(it);
        return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
}

// ---- Work procedures: a stack served by one idle source ----

std::vector<PtWorkProcId*>& work_procs()
{
    static auto* v = new std::vector<PtWorkProcId*>;
    return *v;
}
guint work_source = 0;

gboolean RunWorkProc(gpointer)
{
    auto& v = work_procs();
    if (v.empty()) {
        work_source = 0;
        return G_SOURCE_REMOVE;
    }
    PtWorkProcId* top = v.back();
    int r = top->fn(top->data);
    if (r == Pt_END) PtAppRemoveWorkProc(nullptr, top);
    if (v.empty()) {
        work_source = 0;
        return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
}

// ---- Signal procedures: the handler writes the signal number into a pipe the loop watches ----

struct SignalProc {
    PtSignalProc_t* fn;
    void* data;
};
std::map<int, SignalProc>& signal_procs()
{
    static auto* m = new std::map<int, SignalProc>;
    return *m;
}
int signal_pipe[2] = {-1, -1};

void OnSignal(int signo)
{
    int saved = errno;
    unsigned char b = static_cast<unsigned char>(signo);
    [[maybe_unused]] ssize_t n = write(signal_pipe[1], &b, 1);
    errno = saved;
}

gboolean SignalReady(gint fd, GIOCondition, gpointer)
{
    unsigned char buf[64];
    ssize_t n = read(fd, buf, sizeof buf);
    for (ssize_t i = 0; i < n; ++i) {
        auto& m = signal_procs();
        auto it = m.find(buf[i]);
        if (it != m.end()) {
            SignalProc p = it->second;
            if (p.fn(buf[i], p.data) == Pt_END) {
                signal(buf[i], SIG_DFL);
                m.erase(buf[i]);
            }
        }
    }
    return G_SOURCE_CONTINUE;
}

void EnsureSignalPipe()
{
    if (signal_pipe[0] >= 0) return;
    if (pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        perror("pipe");
        return;
    }
    g_unix_fd_add(signal_pipe[0], G_IO_IN, SignalReady, nullptr);
}

// ---- Children ----

void ChildDied(GPid, gint status, gpointer user)
{
    auto* id = static_cast<PtSpawnCbId*>(user);
    if (id->cb) id->cb(id->data, status);
}

void FreeSpawnId(gpointer user) { delete static_cast<PtSpawnCbId*>(user); }

// The thread that initialises or runs the loop becomes the loop's thread.
void StartLoop()
{
    detail::InstallPollHook();
    detail::EnsureTimerSource();
}

// Handlers may be registered from any thread (holding the lock) before the loop runs.
void PrepareSources() { detail::EnsureTimerSource(); }

}  // namespace

int PtInit(const char* server)
{
    StartLoop();
    if (display_tried) return display_opened ? 0 : -1;
    display_tried = true;
    if (server && *server) setenv("DISPLAY", server, 1);
    display_opened = display::Open();
    if (display_opened) {
        gdk_event_handler_set(detail::EventFilter, nullptr, nullptr);
        // A change of the display's size or monitors reaches the windows as an information event.
        auto changed = +[](GdkScreen*, gpointer) { detail::SendInfoToWindows(Ph_OFFSCREEN_INVALID); };
        g_signal_connect(gdk_screen_get_default(), "size-changed", G_CALLBACK(changed), nullptr);
        g_signal_connect(gdk_screen_get_default(), "monitors-changed", G_CALLBACK(changed), nullptr);
    }
    return display_opened ? 0 : -1;
}

namespace detail {
bool HaveDisplay() { return display_opened; }
}  // namespace detail

void PtMainLoop()
{
    StartLoop();
    for (;;) g_main_context_iteration(nullptr, TRUE);
}

void PtProcessEvent()
{
    StartLoop();
    g_main_context_iteration(nullptr, TRUE);
}

int PtBkgdHandlerProcess()
{
    StartLoop();
    while (g_main_context_pending(nullptr)) g_main_context_iteration(nullptr, FALSE);
    return 0;
}

int PtModalStart() { return ++modal_depth; }

void PtModalEnd(int count) { modal_depth = count > 0 ? count - 1 : 0; }

void PtExit(int status)
{
    detail::DestroyAll();
    if (display_opened) PtSyncPhoton();
    fflush(nullptr);
    exit(status);
}

int PtSyncPhoton()
{
    if (!display_opened) return 0;
    gdk_display_sync(gdk_display_get_default());
    return 0;
}

int PtFlush()
{
    if (display_opened) gdk_display_flush(gdk_display_get_default());
    return 0;
}

int PtAppAddFd(PtAppContext_t, int fd, unsigned mode, PtFdProcF_t* fn, void* data)
{
    PrepareSources();
    if (fd < 0 || !fn) return -1;
    PtAppRemoveFd(nullptr, fd);
    auto h = std::make_unique<FdHandler>(FdHandler{fd, mode, fn, data});
    unsigned cond = 0;
    if (mode & Pt_FD_READ) cond |= G_IO_IN | G_IO_HUP | G_IO_ERR;
    if (mode & Pt_FD_WRITE) cond |= G_IO_OUT;
    if (mode & Pt_FD_OBAND) cond |= G_IO_PRI;
    h->source = g_unix_fd_add(fd, static_cast<GIOCondition>(cond), FdReady, h.get());
    fd_handlers()[fd] = std::move(h);
    return 0;
}

int PtAppRemoveFd(PtAppContext_t, int fd)
{
    auto& m = fd_handlers();
    auto it = m.find(fd);
    if (it == m.end()) return -1;
    g_source_remove(it->second->source);
    m.erase(it);
    return 0;
}

PtWorkProcId_t* PtAppAddWorkProc(PtAppContext_t, PtWorkProc_t* fn, void* data)
{
    PrepareSources();
    auto* id = new PtWorkProcId{fn, data};
    work_procs().push_back(id);
    if (!work_source) work_source = g_idle_add_full(G_PRIORITY_DEFAULT_IDLE, RunWorkProc, nullptr, nullptr);
    g_main_context_wakeup(nullptr);
    return id;
}

void PtAppRemoveWorkProc(PtAppContext_t, PtWorkProcId_t* id)
{
    auto& v = work_procs();
    for (auto it = v.begin(); it != v.end(); ++it) {
        if (*it == id) {
            v.erase(it);
            delete id;
            return;
        }
    }
}

int PtAppAddSignalProc(PtAppContext_t, const sigset_t* set, PtSignalProc_t* fn, void* data)
{
    PrepareSources();
    EnsureSignalPipe();
    if (!set || !fn) return -1;
    for (int s = 1; s < 64; ++s) {
        if (sigismember(set, s) != 1 || s == SIGKILL || s == SIGSTOP) continue;
        struct sigaction sa {};
        sa.sa_handler = OnSignal;
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = SA_RESTART;
        if (sigaction(s, &sa, nullptr) != 0) continue;
        signal_procs()[s] = {fn, data};
    }
    return 0;
}

int PtAppRemoveSignalProc(PtAppContext_t, const sigset_t* set)
{
    if (!set) return 0;
    for (int s = 1; s < 64; ++s) {
        if (sigismember(set, s) != 1 || !signal_procs().count(s)) continue;
        signal(s, SIG_DFL);
        signal_procs().erase(s);
    }
    return 0;
}

pid_t PtSpawn(const char* cmd, const char* const* argv, const char* const* env, const PtSpawnOptions_t*,
              PtSpawnCbF_t* cb, void* data, PtSpawnCbId_t** idp)
{
    PrepareSources();
    if (!cmd || !argv) return -1;
    pid_t pid = -1;
    int rc = posix_spawnp(&pid, cmd, nullptr, nullptr, const_cast<char* const*>(argv),
                          env ? const_cast<char* const*>(env) : environ);
    if (rc != 0) {
        errno = rc;
        return -1;
    }
    auto* id = new PtSpawnCbId{cb, data};
    id->source = g_child_watch_add_full(G_PRIORITY_DEFAULT, pid, ChildDied, id, FreeSpawnId);
    if (idp) *idp = id;
    return pid;
}

}  // namespace photon
