#include "player/Startup.h"

#include <getopt.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "playlist/Controller.h"
#include "window/MainWindow.h"
#include "panes/Panes.h"
#include "player/PluginHost.h"
#include "player/VeloraTexts.h"

namespace velora {

using namespace photon;

namespace {

constexpr int kConnectorAttempts = 100;
constexpr unsigned kConnectorRetryMs = 10;

const PtConnectionMsgHandler_t htab[] = {{0, msghandler}};
PtConnector_t* g_connector = nullptr;

// Hands the URL to the instance that owns the connector, then ends.
[[noreturn]] void HandOver(PtConnectionClient_t* connection)
{
    const char* first = mplayer.urlArgs.empty() ? nullptr : mplayer.urlArgs.front().c_str();
    if (std::optional<WendrelMsg> msg = BuildHandOver(mplayer.removeUrl, first))
        PtConnectionSend(connection, 0, &*msg, nullptr, sizeof *msg, 0);
    PtConnectionClientDestroy(connection);
    OnFileMenuExit();
    std::exit(0);
}

}  // namespace

std::optional<WendrelMsg> BuildHandOver(const char* removeUrl, const char* firstUrl)
{
    const char* url = removeUrl ? removeUrl : firstUrl;
    if (!url) return std::nullopt;
    WendrelMsg msg{};
    msg.CommandType = CMD_PLUGIN_OPEN_URLS;
    msg.KeypadNum = 0;
    msg.bToDelete = removeUrl ? 1 : 0;
    const bool hasScheme = std::strstr(url, texts::kFileScheme) || std::strstr(url, texts::kHttpScheme);
    std::string text = hasScheme ? url : std::string(texts::kFileScheme) + url;
    // What does not fit the field is cut; the field always ends in its terminator.
    text.resize(std::min(text.size(), sizeof msg.newurl - 1));
    std::memcpy(msg.newurl, text.c_str(), text.size() + 1);
    return msg;
}

int init(int argc, char* argv[])
{
    opterr = 0;
    optind = 1;
    int option;
    while ((option = ::getopt(argc, argv, texts::kOptions)) != -1) {
        switch (option) {
        case 'p': mplayer.pluginPath = optarg; break;
        case 'r': mplayer.removeUrl = optarg; break;
        case 'u': mplayer.bUnique = 1; break;
        case 's':
        case 'x':
        case 'y':
        case 'S': break;     // the framework's
        default: return -1;  // getopt's optopt and optind say which option, for the caller's complaint
        }
    }
    mplayer.urlArgs.assign(argv + optind, argv + argc);

    for (int attempt = 0; attempt < kConnectorAttempts; ++attempt) {
        g_connector = PtConnectorCreate(texts::kConnectorName, srvrfunc, nullptr);
        if (g_connector || !mplayer.bUnique) break;
        if (PtConnectionClient_t* connection = PtConnectionFindName(texts::kConnectorName, 0, 0)) {
            if (!mplayer.removeUrl && mplayer.urlArgs.empty()) {
                PtConnectionClientDestroy(connection);
                OnFileMenuExit();
            }
            HandOver(connection);
        }
        HostSleep(kConnectorRetryMs);
    }
    mplayer.bConnectorOwner = g_connector ? 1 : 0;
    mplayer.bAutoPlay = 1;
    return 0;
}

void srvrfunc(PtConnector_t*, PtConnectionServer_t* connection, void*)
{
    if (PtConnectionAddMsgHandlers(connection, htab, 1) != 0) PtConnectionServerDestroy(connection);
}

const void* msghandler(PtConnectionServer_t*, void*, unsigned long, const void* data, unsigned len, unsigned* reply_len)
{
    static const char kEmptyReply[1] = "";
    *reply_len = sizeof kEmptyReply;
    // Only a whole message is taken; its URL is made to end inside its field.
    if (!data || len != sizeof(WendrelMsg)) return kEmptyReply;
    WendrelMsg msg;
    std::memcpy(&msg, data, sizeof msg);
    msg.newurl[sizeof msg.newurl - 1] = '\0';
    if (msg.CommandType != CMD_PLUGIN_OPEN_URLS) {
        OnRemoteControlMessage(&msg);
        return kEmptyReply;
    }
    if (!msg.newurl[0]) return kEmptyReply;
    PlaylistItem item;
    item.bToDelete = msg.bToDelete;
    char buffer[kItemBufferSize];
    if (!FindItemFromUrl(buffer, sizeof buffer, item, msg.newurl, nullptr)) return kEmptyReply;
    PtWindowToFront(W("base"));
    mplayer.bStartPending = 0;
    if (!mplayer.bManualPlay) mplayer.bAutoPlay = 1;
    ControllerDeleteAll();
    ControllerOpenItem(&item);
    return kEmptyReply;
}

}  // namespace velora
