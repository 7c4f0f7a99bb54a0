#include "playlist/Controller.h"

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>

#include "dialogs/Dialogs.h"
#include "window/MainWindow.h"
#include "panes/Panes.h"
#include "player/PluginHost.h"
#include "window/Transport.h"
#include "player/VeloraTexts.h"

namespace velora {

using namespace photon;

Controller controller;

namespace {

constexpr unsigned kCloseWaitMs = 200;
constexpr std::size_t kNameCompare = 9;

unsigned SeededDraw()
{
    static std::mt19937 generator(static_cast<unsigned>(std::time(nullptr)));
    return static_cast<unsigned>(generator());
}

std::string FileName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

bool InRange(int i) { return i >= 0 && i < controller.count(); }

// A file goes to a plug-in only when it is no pipe, socket or device, whose opening would hold
// the player in the plug-in's open: else the error box names it, and Done moves on to the next
// track as after a plug-in's error. A missing file is named on the console; the plug-in reports
// its open as always.
bool MediaFileOpens(const std::string& url, int i)
{
    if (strncasecmp(url.c_str(), texts::kFileScheme, std::strlen(texts::kFileScheme)) != 0) return true;
    const std::string path = url.substr(std::strlen(texts::kFileScheme));
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        std::fprintf(stderr, "%s%s: %s\n", texts::kUnableToOpenMedia, path.c_str(), std::strerror(errno));
        return true;
    }
    const char* reason = S_ISREG(st.st_mode) || S_ISDIR(st.st_mode) ? nullptr : texts::kNotARegularFile;
    if (!reason) return true;
    const std::string text = texts::kUnableToOpenMedia + path + ": " + reason;
    std::fprintf(stderr, "%s\n", text.c_str());
    if (InRange(i)) controller.activeTrack = static_cast<uint16_t>(i);
    mplayer.bErrorShown = 1;
    popup_error(text.c_str());
    return false;
}

// The title a URL gives: the text after its last '/', or after the one before a trailing '/'.
std::string TitleOf(const std::string& url) { return ExtractTitleFromUrl(url.c_str()); }

// A draw among the selected items: the k-th selected, for k drawn once.
int DrawSelected()
{
    if (controller.selectedCount == 0) return -1;
    const unsigned order = ControllerRandom() % controller.selectedCount + 1;
    for (int i = 0; i < controller.count(); ++i)
        if (controller.items[i].selectOrder == static_cast<int>(order)) return i;
    return -1;
}

std::string ShownMessage(const char* format, const std::string& value)
{
    char text[kItemBufferSize];
    std::snprintf(text, sizeof text, format, value.c_str());
    return text;
}

// The "_sd" decoder choice of the settings.
void ApplyDecoderChoice(std::string& plugin)
{
    if (mplayer.setup.reserve_1 != 1) return;
    if (plugin.find("quenby") != std::string::npos) plugin = "quenby_sd.so";
    else if (plugin.find("lisketh") != std::string::npos || plugin.find("orvane") != std::string::npos)
        plugin = "orvane_sd.so";
}

}  // namespace

std::function<unsigned()> ControllerRandom = SeededDraw;

uint32_t ControllerGetRepeatType() { return controller.repeatType; }
int ControllerSetRepeatType(uint32_t type)
{
    controller.repeatType = type;
    UpdateGui();
    return 1;
}
uint32_t ControllerGetPlayType() { return controller.playType; }
int ControllerSetPlayType(uint32_t type)
{
    controller.playType = type;
    UpdateGui();
    return 1;
}
int ControllerGetPlaylistCount() { return controller.count(); }
int ControllerGetPlaylistSelectedCount() { return controller.selectedCount; }
const char* ControllerGetUrl(int i) { return InRange(i) ? controller.items[i].url.c_str() : nullptr; }
const PlaylistItem* ControllerGetItem(int i) { return InRange(i) ? &controller.items[i] : nullptr; }
const char* ControllerGetActiveUrl() { return ControllerGetUrl(controller.activeTrack); }
const char* ControllerGetMimeType(int i) { return InRange(i) ? controller.items[i].mime.c_str() : nullptr; }
const char* ControllerGetPlugin(int i)
{
    return InRange(i) && !controller.items[i].plugin.empty() ? controller.items[i].plugin.c_str() : nullptr;
}
const char* ControllerGetTitle(int i) { return InRange(i) ? controller.items[i].title.c_str() : nullptr; }
int ControllerGetActiveTrack() { return controller.activeTrack; }
int ControllerSetActiveTrack(int i)
{
    if (!InRange(i)) return 0;
    controller.activeTrack = static_cast<uint16_t>(i);
    return 1;
}
int ControllerIsSelected(int i) { return InRange(i) ? controller.items[i].selectOrder : 0; }

void ControllerInitState()
{
    controller.repeatType = 0;
    controller.playType = 0;
    mplayer.bSeeking = 0;
    SetPlayPauseButton(1);
    SetStatusTimer(0);
    UpdateGui();
}

int ControllerAddItem(const PlaylistItem* item)
{
    if (!item) return -1;
    const std::string title = !item->title.empty() ? item->title : TitleOf(item->url);
    for (int i = 0; i < controller.count(); ++i)
        if (controller.items[i].url == item->url) {
            if (controller.items[i].title != title) controller.items[i].title = title;
            return i;
        }
    PlaylistItem added;
    added.url = item->url;
    added.title = title;
    added.plugin = item->plugin;
    added.mime = item->mime.empty() ? texts::kMimeUnknown : item->mime;
    added.bToDelete = item->bToDelete;
    added.selectOrder = ++controller.selectedCount;
    controller.items.push_back(std::move(added));
    UpdateGui();
    UpdateActivePlaylist();
    return controller.count() - 1;
}

void ControllerDeleteActiveTrack()
{
    const int active = controller.activeTrack;
    if (!InRange(active)) return;
    ControllerSetUnselected(active);
    controller.items.erase(controller.items.begin() + active);
}

void ControllerDeleteAll()
{
    for (const PlaylistItem& item : controller.items) {
        if (!item.bToDelete) continue;
        // The file's path: the URL without any "file://" in it.
        std::string path = item.url;
        for (std::size_t at; (at = path.find(texts::kFileScheme)) != std::string::npos;) path.erase(at, 7);
        if (::unlink(path.c_str()) != 0)
            std::fprintf(stderr, texts::kUnableToRemove, path.c_str(), std::strerror(errno));
    }
    controller.items.clear();
    controller.selectedCount = 0;
    controller.activeTrack = 0;
    UpdateActivePlaylist();
}

int ControllerSetSelected(int i)
{
    if (!InRange(i)) return 0;
    controller.items[i].selectOrder = ++controller.selectedCount;
    UpdateGui();
    return 1;
}

int ControllerSetUnselected(int i)
{
    if (!InRange(i)) return 0;
    const int removed = controller.items[i].selectOrder;
    if (removed) {
        controller.items[i].selectOrder = 0;
        --controller.selectedCount;
        for (PlaylistItem& item : controller.items)
            if (item.selectOrder > removed) --item.selectOrder;
    }
    UpdateGui();
    return 1;
}

int ControllerGetFirstSelectedTrack()
{
    for (int i = 0; i < controller.count(); ++i)
        if (controller.items[i].selectOrder == 1) return i;
    return 0;
}

int ControllerGetNextSelectedTrack(int i)
{
    // An item not selected has order 0: the next one is the item of order 1.
    if (!InRange(i)) return -1;
    const int wanted = controller.items[i].selectOrder + 1;
    for (int j = 0; j < controller.count(); ++j)
        if (controller.items[j].selectOrder == wanted) return j;
    return -1;
}

int ControllerGetPluginList()
{
    HostPluginCtrl* ctrl = mplayer.pluginCtrl;
    if (!ctrl || !ctrl->ctrl.calls || !ctrl->ctrl.calls->get_item) return 0;
    int taken = 0;
    for (uint32_t n = 0;; ++n) {
        const MvMediaInfo* info = ctrl->ctrl.calls->get_item(&ctrl->ctrl, MV_MEDIA_INFO, n);
        if (!info) break;
        if (info->type & MV_MEDIA_PLAYLIST) continue;
        PlaylistItem item;
        item.url = info->url ? info->url : "";
        item.title = info->title ? info->title : "";
        item.plugin = ctrl->ctrl.name ? ctrl->ctrl.name : "";
        const int index = ControllerAddItem(&item);
        if (++taken == 1) {
            ControllerDeleteActiveTrack();
            ControllerSetActiveTrack(index > controller.activeTrack ? index - 1 : index);
        }
    }
    return taken ? 1 : 0;
}

int ControllerOpenIndex(const char* plugin, int i)
{
    const PlaylistItem* item = ControllerGetItem(i);
    if (!plugin && !item) return 0;
    std::string name;
    if (plugin) {
        name = plugin;
    } else if (item->plugin.empty()) {
        popup_error(ShownMessage(texts::kNoPluginFor, item->url).c_str());
        return 0;
    } else {
        name = item->plugin;
    }
    if (item) ApplyDecoderChoice(name);
    const std::string url = item ? item->url : "";
    if (!MediaFileOpens(url, i)) return 0;

    HostPluginCtrl* current = mplayer.pluginCtrl;
    if (!current) {
        if (!load_plugin(name.c_str(), url.c_str())) return 0;
    } else if (name != (current->ctrl.name ? current->ctrl.name : "") &&
               ResolvePluginPath(name) != (current->ctrl.name ? current->ctrl.name : "")) {
        setbuttons(0);
        unload_plugin();
        if (!load_plugin(name.c_str(), url.c_str())) return 0;
    } else {
        const PaneModule pane = mplayer.paneModule;
        SendCommand(CMD_PLUGIN_CLOSE, 0);
        HostSleep(kCloseWaitMs);
        current->viewer = FindPluginCallback(current->ctrl.name ? current->ctrl.name : name);
        if (current->ctrl.pflags & MV_SPANE) {
            mplayer.paneModule = PaneModule::Default;
            current->viewer = nogui_vcb;
        }
        if (mplayer.paneModule != pane) {
            const PaneModule wanted = mplayer.paneModule;
            mplayer.paneModule = pane;
            HideClientArea();
            mplayer.paneModule = wanted;
            DisplayClientArea();
        }
    }
    HostPluginCtrl* ctrl = mplayer.pluginCtrl;
    if (url.empty() && !(ctrl->ctrl.pflags & MV_HASDFLTURL)) {
        popup_error(ShownMessage(texts::kNeedUrl, name).c_str());
        return 0;
    }
    if (InRange(i)) controller.activeTrack = static_cast<uint16_t>(i);
    const char* urls[] = {url.c_str(), nullptr};
    mplayer.params.delta = url.empty() ? 0 : 1;
    SendCommand(CMD_PLUGIN_OPEN_URLS, MVP_DELTA, urls);
    UpdateActivePlaylistSelection();
    return 1;
}

int ControllerOpenItem(const PlaylistItem* item)
{
    if (!item || item->plugin.empty()) return popup_error(texts::kWhichPlugin);
    if (HostPluginCtrl* ctrl = mplayer.pluginCtrl) {
        // The loaded library's name is where it was found; compare the file names.
        const std::string loaded = FileName(ctrl->ctrl.name ? ctrl->ctrl.name : "");
        if (loaded.compare(0, kNameCompare, FileName(item->plugin), 0, kNameCompare) != 0) ControllerDeleteAll();
    }
    if (item->url.empty()) return ControllerOpenIndex(item->plugin.c_str(), 0);
    const int index = ControllerAddItem(item);
    return ControllerOpenIndex(nullptr, index);
}

int ControllerGetNextTrack()
{
    const int a = controller.activeTrack, n = controller.count();
    if (n == 0) return -1;
    const uint32_t repeat = controller.repeatType, play = controller.playType;
    if (repeat == MV_REPEAT_THIS_TRACK) return a;
    if (repeat > MV_REPEAT_SELECTED_TRACK_ONCE) return -1;
    if ((repeat == MV_REPEAT_SELECTED_TRACK || repeat == MV_REPEAT_SELECTED_TRACK_ONCE) &&
        controller.selectedCount == 0)
        return -1;
    if (play == 2) {
        if (repeat == MV_NO_REPEAT) return static_cast<int>(ControllerRandom() % static_cast<unsigned>(n));
        return DrawSelected();
    }
    if (play == 1) {
        const int next = ControllerGetNextSelectedTrack(a);
        if (next < 0 && repeat == MV_REPEAT_SELECTED_TRACK) return ControllerGetFirstSelectedTrack();
        return next;
    }
    if (repeat == MV_REPEAT_SELECTED_TRACK) return (a + 1) % n;
    return a + 1 == n ? -1 : a + 1;
}

int ControllerPluginChange(int i)
{
    if (!InRange(i)) return 0;
    const PlaylistItem& item = controller.items[i];
    if (!mplayer.pluginCtrl || item.plugin.empty()) return 1;
    const char* name = mplayer.pluginCtrl->ctrl.name ? mplayer.pluginCtrl->ctrl.name : "";
    return item.plugin != name && ResolvePluginPath(item.plugin) != name ? 1 : 0;
}

int ControllerPlayNext(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    if (!mplayer.pluginCtrl || mplayer.bErrorShown || !mplayer.bAutoPlay) return Pt_CONTINUE;
    const int next = ControllerGetNextTrack();
    if (next < 0) {
        if (mplayer.setup.bHomeEntertainment && VideoWindow()) {
            mplayer.setup.bHomeEntertainment = 0;
            LeaveFullScreen();
        }
        mplayer.bAutoPlay = 0;
        return Pt_CONTINUE;
    }
    // A track opened anew is started by auto-play once it reports itself opened; starting it here
    // too would play it a second time once it had ended. Only the same track again needs a start.
    if (!ControllerPluginChange(next) && next == controller.activeTrack) cbplay(nullptr, nullptr, nullptr);
    else ControllerOpenIndex(nullptr, next);
    return Pt_CONTINUE;
}

int ControllerChangeTrack(int delta)
{
    const int target = controller.activeTrack + delta;
    if (!InRange(target) && mplayer.paneModule != PaneModule::Dvd) return 0;
    mplayer.bStartPending = 0;
    HostPluginCtrl* ctrl = mplayer.pluginCtrl;
    if (ctrl && (ctrl->mediaType & MV_MEDIA_MULTITRACK) && !ControllerPluginChange(target)) {
        controller.activeTrack = static_cast<uint16_t>(target);
        mplayer.params.seekUnit = MVS_TRACK;
        mplayer.params.delta = target;
        SendCommand(CMD_PLUGIN_SEEK_RELATIVE, MVP_SEEK_UNIT | MVP_DELTA);
        if (mplayer.bAutoPlay) SendCommand(CMD_PLUGIN_START, 0);
        UpdateActivePlaylistSelection();
        return 1;
    }
    ControllerOpenIndex(nullptr, target);
    return 1;
}

}  // namespace velora
