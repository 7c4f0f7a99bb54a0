// mvhost PLUGIN URL: a minimal media host for tests and checks. Loads a media plug-in by path,
// opens the URL, runs a list of commands (by default: start, then wait for the end), and prints
// every state change and text the plug-in reports. A URL without "://" is taken as a file's
// path. Exit status: 0 after a normal end, 1 when the plug-in reported an error or a command
// failed (a status poll with nothing to report is no failure), 2 when the plug-in could not be loaded or the command line is wrong.
#include "OwnUsage.h"
#include "media/LoadDll.h"
#include "mediaapi/MvPlugin.h"
#include "qnx/MediaLibrary.h"
#include "qnx/Sched.h"

#include <strings.h>
#include <unistd.h>

#include <cerrno>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr const char *kDefaultCommands = "start,end";
constexpr auto kOpenWait = std::chrono::seconds(10);

const char *StateName(uint32_t state)
{
    static const char *const names[] = {"MV_DEAD",        "MV_CLOSED",  "MV_OPENING", "MV_STOPPED", "MV_PAUSED",
                                        "MV_PREFETCHING", "MV_PLAYING", "MV_PLAYBW",  "MV_SCANFW",  "MV_SCANBW",
                                        "MV_STEP",        "MV_SLOW",    "MV_NOTREADY"};
    return state < sizeof names / sizeof names[0] ? names[state] : "MV_UNKNOWN";
}

// A text as one line: without its line end.
std::string OneLine(const char *text)
{
    std::string line = text ? text : "";
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

// What the host knows of its plug-in; the callback comes from the plug-in's threads too.
struct Host {
    std::mutex mutex;
    std::condition_variable changed;
    bool verbose = false;
    uint32_t state = MV_CLOSED;
    unsigned stops = 0;         // MV_STOPPED reports so far
    unsigned stateReports = 0;  // state reports so far
    bool errorReported = false;
    bool commandFailed = false;  // a command answered other than 0
    std::string title, moreinfo;
} g_host;

void Print(const std::string &line)
{
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void PrintMedia(const MvMediaInfo *media)
{
    if (!media)
        return;
    if (media->which == MV_MEDIA_AUDIO_INFO) {
        if (g_host.verbose && media->audio)
            Print("volume " + std::to_string(media->audio->volume));
        return;
    }
    if (media->title && OneLine(media->title) != g_host.title)
        Print("title: " + (g_host.title = OneLine(media->title)));
    if (media->moreinfo && OneLine(media->moreinfo) != g_host.moreinfo)
        Print("moreinfo: " + (g_host.moreinfo = OneLine(media->moreinfo)));
}

void Callback(MvPluginCtrl *, uint32_t mask, const MvPluginStatus *status)
{
    std::lock_guard lock(g_host.mutex);
    if (mask & MVS_PLUGIN_STATE) {
        Print(std::string("state ") + StateName(status->state));
        g_host.state = status->state;
        ++g_host.stateReports;
        if (status->state == MV_STOPPED)
            ++g_host.stops;
    }
    if (mask & MVS_ERRORMSG) {
        Print("error: " + OneLine(status->errormsg));
        g_host.errorReported = true;
    }
    if (mask & MVS_MEDIA)
        PrintMedia(status->media_info);
    if (mask & MVS_POSITION)
        Print("position " + std::to_string(status->position));
    if (mask & MVS_VIDEO_WND_TITLE)
        Print("status: " + OneLine(status->videoWndTitle));
    g_host.changed.notify_all();
}

// The player settings: the saved ones, else the defaults.
void ReadSettings(MvPluginCtrl *ctrl)
{
    if (!qnx::MvGetMpSetting(&ctrl->setup))
        qnx::MvGetMpDefaultSetting(&ctrl->setup);
}

struct Player {
    MvPluginCtrl ctrl{};
    MvPlaybackParams params{};
    unsigned stopsAtStart = 0;

    int Send(uint32_t code, uint32_t which = 0, const char *url = nullptr)
    {
        const char *urls[] = {url, nullptr};
        MvCommandData cmd{};
        cmd.cmdType = code;
        cmd.pluginCtrl = &ctrl;
        cmd.urls = urls;
        cmd.nodeString = std::getenv("HOSTNAME");
        cmd.displayString = std::getenv("PHOTON");
        cmd.which = which;
        cmd.param = &params;
        return ctrl.calls->command(&cmd);
    }

    // Waits until the medium has ended since the last start, or the plug-in closed.
    // The plug-ins answer an open at once and report its outcome from their threads: it is
    // awaited (within kOpenWait), so that a failure shows at the open. False when it failed.
    bool WaitForOpen(unsigned reportsBefore, unsigned stopsBefore)
    {
        std::unique_lock lock(g_host.mutex);
        g_host.changed.wait_for(lock, kOpenWait, [&] {
            return g_host.errorReported || g_host.stops > stopsBefore ||
                   (g_host.stateReports > reportsBefore && (g_host.state == MV_CLOSED || g_host.state == MV_DEAD));
        });
        return !g_host.errorReported;
    }

    void WaitForEnd()
    {
        std::unique_lock lock(g_host.mutex);
        g_host.changed.wait(
            lock, [&] { return g_host.stops > stopsAtStart || g_host.state == MV_CLOSED || g_host.state == MV_DEAD; });
    }

    // Runs one command; false when it is not one.
    bool Run(const std::string &command)
    {
        std::istringstream words(command);
        std::string name;
        long value = 0;
        words >> name;
        bool hasValue = static_cast<bool>(words >> value);
        Print("> " + command);
        int result = 0;
        if (name == "start" && !hasValue) {
            std::lock_guard lock(g_host.mutex);
            stopsAtStart = g_host.stops;
        }
        if (name == "start" && !hasValue)
            result = Send(CMD_PLUGIN_START);
        else if (name == "pause" && !hasValue)
            result = Send(CMD_PLUGIN_PAUSE);
        else if (name == "stop" && !hasValue)
            result = Send(CMD_PLUGIN_STOP);
        else if (name == "close" && !hasValue)
            result = Send(CMD_PLUGIN_CLOSE);
        else if (name == "status" && !hasValue)
            result = Send(CMD_PLUGIN_GET_STATUS);
        else if (name == "seek" && hasValue && value >= 0) {
            params.position = static_cast<uint32_t>(value);
            params.delta = 0;
            result = Send(CMD_PLUGIN_SEEK_TO, MVP_POSITION | MVP_DELTA);
        } else if (name == "mute" && hasValue) {
            params.delta = static_cast<int32_t>(value);
            result = Send(CMD_PLUGIN_MUTE, MVP_DELTA);
        } else if (name == "volume" && hasValue && value >= 0 && value <= 100) {
            params.audio = ctrl.setup.audio;
            params.audio.volume = static_cast<uint32_t>(value);
            result = Send(CMD_PLUGIN_SET_PARAMETER, MVP_AUDIO);
        } else if (name == "wait" && hasValue && value >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(value));
            return true;
        } else if (name == "end" && !hasValue) {
            WaitForEnd();
            return true;
        } else {
            return false;
        }
        Print("= " + std::to_string(result));
        // A status poll answers -1 when it has nothing to report (a file played to its end): no failure.
        if (result != 0 && name != "status")
            g_host.commandFailed = true;
        return true;
    }
};

std::vector<std::string> SplitCommands(const std::string &list)
{
    std::vector<std::string> commands;
    std::istringstream in(list);
    for (std::string command; std::getline(in, command, ',');) {
        std::size_t first = command.find_first_not_of(" \t");
        if (first != std::string::npos)
            commands.push_back(command.substr(first, command.find_last_not_of(" \t") - first + 1));
    }
    return commands;
}

}  // namespace

// A file's path becomes a file:// URL with the absolute path, as the plug-ins take only URLs.
std::string UrlOf(const char *argument)
{
    std::string url = argument;
    if (url.find("://") != std::string::npos || url.empty())
        return url;
    if (url[0] == '/')
        return "file://" + url;
    char *cwd = getcwd(nullptr, 0);
    std::string absolute = std::string(cwd ? cwd : ".") + "/" + url;
    std::free(cwd);
    return "file://" + absolute;
}

// The system's error text when the URL names a local file that cannot be read, else empty.
std::string UnreadableFile(const std::string &url)
{
    if (strncasecmp(url.c_str(), "file://", 7) != 0)
        return "";
    FILE *file = std::fopen(url.c_str() + 7, "rb");
    if (!file)
        return std::strerror(errno);
    std::fclose(file);
    return "";
}

int main(int argc, char **argv)
{
    std::string commands = kDefaultCommands;
    for (int i = 1; i < argc && argv[i][0] == '-'; ++i) {
        if (!std::strcmp(argv[i], "-h") || !std::strcmp(argv[i], "--help"))
            return qnx::ShowUsage(kOwnUsage);
        if (!std::strcmp(argv[i], "-c"))
            ++i;
    }
    opterr = 0;
    for (int option; (option = getopt(argc, argv, "vc:")) != -1;) {
        if (option == 'v')
            g_host.verbose = true;
        else if (option == 'c')
            commands = optarg;
        else
            return qnx::UsageError(kOwnUsage, qnx::OptionComplaint(argc, argv, "vc:"), 2);
    }
    if (argc - optind != 2)
        return qnx::UsageError(kOwnUsage, "a plug-in and a URL are needed", 2);
    const char *pluginPath = argv[optind];
    const std::string urlText = UrlOf(argv[optind + 1]);
    const char *url = urlText.c_str();

    Player player;
    player.ctrl.cb = Callback;
    player.ctrl.prio = qnx::getprio(0);
    LoadDllOptions options;
    options.printLoaded = options.printSucceeded = g_host.verbose;
    options.beforeInit = ReadSettings;
    if (LoadDll(pluginPath, &player.ctrl, options) != 0)
        return 2;

    player.params.delta = 1;
    Print(std::string("> open ") + url);
    unsigned reportsBefore = 0, stopsBefore = 0;
    {
        std::lock_guard lock(g_host.mutex);
        reportsBefore = g_host.stateReports;
        stopsBefore = g_host.stops;
    }
    const int opened = player.Send(CMD_PLUGIN_OPEN_URLS, MVP_DELTA, url);
    bool open = player.WaitForOpen(reportsBefore, stopsBefore);
    Print("= " + std::to_string(opened));
    // A plug-in may take a file it cannot read and fail only at the start: the host looks itself.
    const std::string unreadable = open ? UnreadableFile(urlText) : std::string();
    if (!unreadable.empty()) {
        std::fprintf(stderr, "mvhost: %s: %s\n", url, unreadable.c_str());
        open = false;
    }
    if (!open)
        std::fprintf(stderr, "mvhost: %s cannot be opened: the commands are not run\n", url);
    bool badCommand = false;
    for (const std::string &command : open ? SplitCommands(commands) : std::vector<std::string>{}) {
        if (!player.Run(command)) {
            qnx::UsageError(kOwnUsage, "unknown command '" + command + "'", 2);
            badCommand = true;
            break;
        }
    }
    Print("> terminate");
    player.ctrl.calls->terminate(&player.ctrl);
    UnloadDll(&player.ctrl);
    if (badCommand)
        return 2;
    return !open || g_host.errorReported || g_host.commandFailed ? 1 : 0;
}
