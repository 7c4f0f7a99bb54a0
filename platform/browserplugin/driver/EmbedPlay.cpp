// embed-play PLUGIN EMBED...: plays embedded objects as the appliance's browser would. Loads a
// plug-in program's library by path, makes one instance per EMBED (a URL with its parameters),
// delivers each URL's bytes in writes from a file or an http:// server, honours the plug-in's
// requests for a URL again, and logs every call. The page is left once every player has ended
// (no plug-in thread left, no request pending), or after -t milliseconds.
//
// Threads: the main thread runs the GUI loop (input handlers, signal procedures); the browser
// thread makes every NPP_ call holding the GUI library lock, as the platform's library does.
#include "OwnUsage.h"
#include "browserplugin/Browser.h"
#include "mediaapi/HttpOpen.h"
#include "photon/PtApp.h"
#include "photon/PtDialog.h"

#include <dlfcn.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char *kMimeType = "audio/mpeg";
constexpr int kPollMs = 20;
// How long after its time limit the page may take to close its players before the program ends
// anyway (a player held by a message box nobody answers).
constexpr auto kLeaveGrace = std::chrono::seconds(3);
constexpr const char *kHeldPastLimit =
    "embed-play: a player had not ended %ld ms after the page's time limit (a message box left open?); "
    "leaving\n";

struct EntryPoints {
    decltype(&NPP_Initialize) initialize = nullptr;
    decltype(&NPP_Shutdown) shutdown = nullptr;
    decltype(&NPP_New) create = nullptr;
    decltype(&NPP_Destroy) destroy = nullptr;
    decltype(&NPP_SetWindow) setWindow = nullptr;
    decltype(&NPP_NewStream) newStream = nullptr;
    decltype(&NPP_DestroyStream) destroyStream = nullptr;
    decltype(&NPP_WriteReady) writeReady = nullptr;
    decltype(&NPP_Write) write = nullptr;
    decltype(&NPP_StreamAsFile) streamAsFile = nullptr;
};

template <typename F>
bool Bind(void *lib, const char *name, F &fn)
{
    fn = reinterpret_cast<F>(dlsym(lib, name));
    if (!fn) std::fprintf(stderr, "embed-play: %s not found in the plug-in\n", name);
    return fn != nullptr;
}

bool BindAll(void *lib, EntryPoints &e)
{
    return Bind(lib, "NPP_Initialize", e.initialize) & Bind(lib, "NPP_Shutdown", e.shutdown) &
           Bind(lib, "NPP_New", e.create) & Bind(lib, "NPP_Destroy", e.destroy) &
           Bind(lib, "NPP_SetWindow", e.setWindow) & Bind(lib, "NPP_NewStream", e.newStream) &
           Bind(lib, "NPP_DestroyStream", e.destroyStream) & Bind(lib, "NPP_WriteReady", e.writeReady) &
           Bind(lib, "NPP_Write", e.write) & Bind(lib, "NPP_StreamAsFile", e.streamAsFile);
}

bool StartsWithNoCase(const std::string &text, const char *prefix)
{
    return strncasecmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}

// The bytes of one URL: a file, or the body of an HTTP answer.
class Source {
public:
    ~Source()
    {
        if (file_) std::fclose(file_);
        if (sock_ >= 0) close(sock_);
    }

    // Opens url; false with a reason in `error`.
    bool Open(const std::string &url, std::string &error)
    {
        if (StartsWithNoCase(url, "http://")) {
            char text[kHttpErrTextSize] = "";
            sock_ = OpenHttp(url.c_str(), nullptr, text, nullptr, &body_.length);
            if (sock_ < 0) error = *text ? text : "cannot connect";
            return sock_ >= 0;
        }
        path_ = StartsWithNoCase(url, "file://") ? url.substr(7) : url;
        file_ = std::fopen(path_.c_str(), "rb");
        if (!file_) {
            error = path_ + ": " + std::strerror(errno);
            return false;
        }
        if (std::fseek(file_, 0, SEEK_END) == 0) {
            const long size = std::ftell(file_);
            if (size > 0 && size <= 0x7FFFFFFF) end_ = static_cast<uint32_t>(size);
        }
        std::rewind(file_);
        return true;
    }

    // Up to n bytes; 0 at the end, -1 on a read error (its reason in `error`).
    long Read(unsigned char *buffer, size_t n, std::string &error)
    {
        if (file_) {
            const size_t got = std::fread(buffer, 1, n, file_);
            if (got == 0 && std::ferror(file_)) {
                error = std::strerror(errno);
                return -1;
            }
            return static_cast<long>(got);
        }
        // The body ends at its Content-Length; a connection that ends before it is a network error.
        for (;;) {
            const long got = ReadHttpBody(sock_, buffer, n, body_);
            if (got >= 0) return got;
            if (got == kHttpBodyShort) {
                error = HttpBodyErrorText(body_);
                return -1;
            }
            if (errno != EINTR) {
                error = std::strerror(errno);
                return -1;
            }
        }
    }

    uint32_t End() const { return end_; }
    const std::string &Path() const { return path_; }
    bool IsFile() const { return file_ != nullptr; }

private:
    std::FILE *file_ = nullptr;
    int sock_ = -1;
    HttpBody body_;
    uint32_t end_ = 0;
    std::string path_;
};

struct Embed {
    int number = 0;
    std::string url;  // as the page names it
    std::vector<std::string> names, values;
    NPP_t instance{};
    bool created = false;
    int refetches = 0;
};

// One stream being delivered.
struct Delivery {
    Embed *embed = nullptr;
    std::string url;
    NPStream stream{};
    Source source;
    uint32_t offset = 0;
};

struct Options {
    long maxRefetches = -1;
    long pageMs = 0;
    size_t block = 4096;
    bool quiet = false;
    std::string plugin;
    std::vector<std::string> embeds;
};

std::string AsStreamUrl(const std::string &url)
{
    if (url.find("://") != std::string::npos) return url;
    if (!url.empty() && url[0] == '/') return "file://" + url;
    char cwd[4096];
    return std::string("file://") + (getcwd(cwd, sizeof cwd) ? cwd : ".") + "/" + url;
}

// The process's thread count, from /proc.
int ThreadCount()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0) return std::atoi(line.c_str() + 8);
    return 0;
}

class Page : public browserplugin::Browser {
public:
    Page(const Options &options, const EntryPoints &npp) : options_(options), npp_(npp) {}

    NPError GetURL(NPP instance, const char *url, const char *) override
    {
        std::lock_guard lock(mutex_);
        Embed *embed = Find(instance);
        if (!embed) return NPERR_INVALID_INSTANCE_ERROR;
        if (options_.maxRefetches >= 0 && embed->refetches >= options_.maxRefetches) return NPERR_GENERIC_ERROR;
        ++embed->refetches;
        requests_.push_back({embed, url});
        return NPERR_NO_ERROR;
    }

    // Every call, unless quiet; an error is logged also when quiet.
    void Log(const std::string &line) override { Log(line, false); }

    void Log(const std::string &line, bool error)
    {
        if (options_.quiet && !error) return;
        std::lock_guard lock(logMutex_);
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }

    // The browser thread's work; returns the exit status.
    int Run()
    {
        photon::PtEnter(0);
        start_ = std::chrono::steady_clock::now();
        Log("NPP_Initialize -> " + std::to_string(npp_.initialize()));
        baseline_ = ThreadCount();
        for (size_t i = 0; i < options_.embeds.size(); ++i) CreateEmbed(i);
        for (auto &embed : embeds_)
            if (embed->created) Request(embed.get(), embed->url);
        Deliver();
        WaitForPlayers();
        for (auto &embed : embeds_) DestroyEmbed(*embed);
        npp_.shutdown();
        Log("NPP_Shutdown");
        photon::PtLeave(0);
        return failed_ ? 1 : 0;
    }

private:
    struct Request_ {
        Embed *embed;
        std::string url;
    };

    Embed *Find(NPP instance)
    {
        for (auto &embed : embeds_)
            if (&embed->instance == instance) return embed.get();
        return nullptr;
    }

    void CreateEmbed(size_t index)
    {
        auto embed = std::make_unique<Embed>();
        embed->number = static_cast<int>(index + 1);
        std::string text = options_.embeds[index];
        size_t at = text.find(';');
        embed->url = text.substr(0, at);
        while (at != std::string::npos) {
            const size_t next = text.find(';', at + 1);
            const std::string pair = text.substr(at + 1, next == std::string::npos ? next : next - at - 1);
            const size_t eq = pair.find('=');
            embed->names.push_back(pair.substr(0, eq));
            embed->values.push_back(eq == std::string::npos ? "" : pair.substr(eq + 1));
            at = next;
        }
        embed->names.insert(embed->names.begin(), "src");
        embed->values.insert(embed->values.begin(), embed->url);
        std::vector<char *> argn, argv;
        for (size_t i = 0; i < embed->names.size(); ++i) {
            argn.push_back(embed->names[i].data());
            argv.push_back(embed->values[i].data());
        }
        const std::string tag = Tag(*embed);
        NPError result = npp_.create(const_cast<char *>(kMimeType), &embed->instance, NP_EMBED,
                                     static_cast<int16_t>(argn.size()), argn.data(), argv.data(), nullptr);
        Log(tag + "NPP_New " + Parameters(*embed) + " -> " + std::to_string(result), result != NPERR_NO_ERROR);
        embed->created = result == NPERR_NO_ERROR;
        if (!embed->created) failed_ = true;
        if (embed->created) {
            NPWindow window{nullptr, 0, 0, 1, 1};
            Log(tag + "NPP_SetWindow -> " + std::to_string(npp_.setWindow(&embed->instance, &window)));
        }
        std::lock_guard lock(mutex_);
        embeds_.push_back(std::move(embed));
    }

    static std::string Tag(const Embed &embed) { return "embed " + std::to_string(embed.number) + ": "; }

    static std::string Parameters(const Embed &embed)
    {
        std::string text;
        for (size_t i = 0; i < embed.names.size(); ++i)
            text += (i ? " " : "") + embed.names[i] + "=\"" + embed.values[i] + "\"";
        return text;
    }

    void Request(Embed *embed, const std::string &url)
    {
        std::lock_guard lock(mutex_);
        requests_.push_back({embed, url});
    }

    // Opens the streams asked for, then writes to every open stream in turn until all have ended
    // and no request is pending; requests made meanwhile join in.
    void Deliver()
    {
        for (;;) {
            OpenRequested();
            if (deliveries_.empty()) return;
            for (auto it = deliveries_.begin(); it != deliveries_.end();) {
                if (PageTimeUp() || !WriteSome(**it)) {
                    Finish(**it, PageTimeUp() ? NPReason(NPRES_USER_BREAK) : reason_);
                    it = deliveries_.erase(it);
                } else {
                    ++it;
                }
            }
            if (PageTimeUp()) {
                std::lock_guard lock(mutex_);
                requests_.clear();
            }
        }
    }

    void OpenRequested()
    {
        std::deque<Request_> pending;
        {
            std::lock_guard lock(mutex_);
            pending.swap(requests_);
        }
        for (auto &request : pending) OpenStream(request.embed, request.url);
    }

    void OpenStream(Embed *embed, const std::string &url)
    {
        auto d = std::make_unique<Delivery>();
        d->embed = embed;
        d->url = AsStreamUrl(url);
        std::string error;
        // The fetch may wait for a server: the lock goes meanwhile.
        photon::PtLeave(0);
        const bool open = d->source.Open(d->url, error);
        photon::PtEnter(0);
        const std::string tag = Tag(*embed);
        if (!open) {
            Log(tag + "cannot fetch " + d->url + ": " + error, true);
            failed_ = true;
            return;
        }
        d->stream.url = d->url.c_str();
        d->stream.end = d->source.End();
        uint16_t stype = NP_NORMAL;
        NPError result = npp_.newStream(&embed->instance, const_cast<char *>(kMimeType), &d->stream, 0, &stype);
        Log(tag + "NPP_NewStream " + d->url + " end " + std::to_string(d->stream.end) + " -> " +
            std::to_string(result) + " stype " + std::to_string(stype));
        if (result != NPERR_NO_ERROR) return;
        if (stype == NP_ASFILEONLY || stype == NP_ASFILE) {
            AsFile(*d);
            return;
        }
        deliveries_.push_back(std::move(d));
    }

    // The plug-in takes the stream as a file: it gets the file's path once the file is complete.
    void AsFile(Delivery &d)
    {
        const char *path = d.source.IsFile() ? d.source.Path().c_str() : nullptr;
        npp_.streamAsFile(&d.embed->instance, &d.stream, path);
        Log(Tag(*d.embed) + "NPP_StreamAsFile " + (path ? path : "(none)"));
        Finish(d, NPRES_DONE);
    }

    // One write as large as the plug-in is ready for; false once the stream has ended.
    bool WriteSome(Delivery &d)
    {
        const int32_t ready = npp_.writeReady(&d.embed->instance, &d.stream);
        const size_t want = std::min(options_.block, static_cast<size_t>(std::max<int32_t>(ready, 1)));
        std::vector<unsigned char> buffer(want);
        photon::PtLeave(0);
        std::string error;
        const long got = d.source.Read(buffer.data(), want, error);
        photon::PtEnter(0);
        if (got <= 0) {
            reason_ = got < 0 ? NPRES_NETWORK_ERR : NPRES_DONE;
            // A body cut short is a URL that could not be fetched whole.
            if (got < 0) {
                Log(Tag(*d.embed) + "cannot fetch " + d.url + ": " + error, true);
                failed_ = true;
            }
            return false;
        }
        const int32_t taken = npp_.write(&d.embed->instance, &d.stream, static_cast<int32_t>(d.offset),
                                         static_cast<int32_t>(got), buffer.data());
        Log(Tag(*d.embed) + "NPP_Write " + std::to_string(d.offset) + " " + std::to_string(got) + " -> " +
            std::to_string(taken));
        d.offset += static_cast<uint32_t>(got);
        if (taken < 0) {
            reason_ = NPRES_USER_BREAK;
            return false;
        }
        return true;
    }

    void Finish(Delivery &d, NPReason reason)
    {
        const NPError result = npp_.destroyStream(&d.embed->instance, &d.stream, reason);
        Log(Tag(*d.embed) + "NPP_DestroyStream " + std::to_string(reason) + " -> " + std::to_string(result));
    }

    bool PageTimeUp() const
    {
        return options_.pageMs > 0 &&
               std::chrono::steady_clock::now() - start_ >= std::chrono::milliseconds(options_.pageMs);
    }

    // Every player has ended: no plug-in thread is left and nothing was asked for meanwhile (a
    // player asks before its thread ends, so the count is read first).
    void WaitForPlayers()
    {
        for (;;) {
            if (PageTimeUp()) return;
            const bool idle = options_.pageMs > 0 ? false : ThreadCount() <= baseline_;
            bool pending;
            {
                std::lock_guard lock(mutex_);
                pending = !requests_.empty();
            }
            if (pending) {
                Deliver();
                continue;
            }
            if (idle) return;
            photon::PtLeave(0);
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
            photon::PtEnter(0);
        }
    }

    void DestroyEmbed(Embed &embed)
    {
        if (!embed.created) return;
        NPSavedData *saved = nullptr;
        Log(Tag(embed) + "NPP_Destroy -> " + std::to_string(npp_.destroy(&embed.instance, &saved)));
    }

    const Options &options_;
    const EntryPoints &npp_;
    std::mutex mutex_;  // embeds_ and requests_
    std::mutex logMutex_;
    std::vector<std::unique_ptr<Embed>> embeds_;
    std::deque<Request_> requests_;
    std::vector<std::unique_ptr<Delivery>> deliveries_;
    NPReason reason_ = NPRES_DONE;
    int baseline_ = 0;
    bool failed_ = false;
    std::chrono::steady_clock::time_point start_;
};

bool ParseNumber(const char *text, long &out)
{
    char *end = nullptr;
    out = std::strtol(text, &end, 10);
    return text && *text && end && *end == '\0' && out >= 0;
}

// False with `complaint` saying what is wrong with the command line.
bool ParseOptions(int argc, char **argv, Options &o, std::string &complaint)
{
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1]; ++i) {
        const std::string flag = argv[i];
        long value = 0;
        if (flag == "-q") {
            o.quiet = true;
        } else if ((flag == "-r" || flag == "-t" || flag == "-b") && i + 1 < argc && ParseNumber(argv[i + 1], value)) {
            if (flag == "-r") o.maxRefetches = value;
            if (flag == "-t") o.pageMs = value;
            if (flag == "-b") o.block = static_cast<size_t>(std::max(1L, value));
            ++i;
        } else {
            const bool valued = flag == "-r" || flag == "-t" || flag == "-b";
            complaint = !valued        ? "unknown option " + flag
                        : i + 1 < argc ? flag + " needs a number, not " + argv[i + 1]
                                       : flag + " needs a number";
            return false;
        }
    }
    if (argc - i < 2) {
        complaint = "a plug-in and an embed are needed";
        return false;
    }
    o.plugin = argv[i++];
    for (; i < argc; ++i) o.embeds.push_back(argv[i]);
    return true;
}

// A player's error box that had no display to be shown on: its text is said here, and the page
// did not play as it should.
std::atomic<bool> g_unshownError{false};

void SayUnshownAlert(const char *title, const char *message)
{
    std::fflush(stdout);
    std::fprintf(stderr, "embed-play: %s: %s\n", title, message);
    g_unshownError = true;
}

int g_wake[2] = {-1, -1};
std::atomic<bool> g_done{false};
std::atomic<bool> g_left{false};  // the browser thread has left the page

// A page with a time limit ends then, whatever a player waits for: a player that a message box
// holds past the limit keeps neither the page nor the program.
void WatchTimeLimit(long pageMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(pageMs) + kLeaveGrace;
    while (!g_left) {
        if (std::chrono::steady_clock::now() >= until) {
            std::fflush(stdout);
            std::fprintf(stderr, kHeldPastLimit,
                         static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(kLeaveGrace).count()));
            std::_Exit(1);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
}

int OnWake(int fd, void *, unsigned)
{
    char b;
    [[maybe_unused]] ssize_t n = read(fd, &b, 1);
    g_done = true;
    return photon::Pt_END;
}

}  // namespace

int main(int argc, char **argv)
{
    if (qnx::AsksForHelp(argc, argv)) return qnx::ShowUsage(kOwnUsage);
    Options options;
    std::string complaint;
    if (!ParseOptions(argc, argv, options, complaint)) return qnx::UsageError(kOwnUsage, complaint, 2);
    void *lib = dlopen(options.plugin.c_str(), RTLD_NOW);
    if (!lib) {
        std::fprintf(stderr, "embed-play: %s\n", dlerror());
        return 2;
    }
    EntryPoints npp;
    if (!BindAll(lib, npp)) return 2;

    photon::PtInit(nullptr);  // without a display the loop still serves handlers
    photon::PtSetUnshownAlertHandler(SayUnshownAlert);
    if (pipe(g_wake) != 0) return 2;
    photon::PtAppAddFd(nullptr, g_wake[0], photon::Pt_FD_READ, OnWake, nullptr);

    Page page(options, npp);
    browserplugin::SetBrowser(&page);
    int status = 0;
    std::thread browser([&] {
        status = page.Run();
        g_left = true;
        [[maybe_unused]] ssize_t n = write(g_wake[1], "x", 1);
    });
    std::thread watch;
    if (options.pageMs > 0) watch = std::thread(WatchTimeLimit, options.pageMs);
    while (!g_done) photon::PtProcessEvent();
    browser.join();
    if (watch.joinable()) watch.join();
    browserplugin::SetBrowser(nullptr);
    return g_unshownError ? 1 : status;
}
