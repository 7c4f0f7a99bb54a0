#include "player/PluginHost.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <strings.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "playlist/Controller.h"
#include "dialogs/Dialogs.h"
#include "window/MainWindow.h"
#include "panes/Panes.h"
#include "panes/SoundPane.h"
#include "window/Transport.h"
#include "player/VeloraTexts.h"
#include "player/ViewerPost.h"
#include "media/LoadDll.h"
#include "qnx/MediaLibrary.h"
#include "qnx/Sched.h"
#include "qnx/asoundlib.h"

namespace velora {

using namespace photon;

namespace {

constexpr std::size_t kLineSize = 255;  // lines of playlist files: at most 254 characters
constexpr unsigned kUnloadStepMs = 200;
constexpr unsigned kUnloadLimitMs = 5000;  // a plug-in that never ends must not hang the player
constexpr unsigned long kDriveRequest = 0x41000210;
constexpr uint32_t kUnset = 0xFFFFFFFFu;

// The rules of plug-in kinds, first match wins.
struct KindRule {
    const char* text;
    const char* paneImage;
    PaneModule pane;
    int priority;
    MvViewerCallbackF_t (*callback)();
};
MvViewerCallbackF_t Plimsa() { return plimsa_vcb; }
MvViewerCallbackF_t NoGui() { return nogui_vcb; }
MvViewerCallbackF_t Cd() { return cdaudio_vcb; }
MvViewerCallbackF_t Dvd() { return dvd_vcb; }
constexpr KindRule kKinds[] = {
    {"plimsa", "mp3Pane", PaneModule::Sound, 10, Plimsa}, {"brisko", "mp3Pane", PaneModule::Sound, 10, Plimsa},
    {"lisketh", "animPane", PaneModule::None, 12, NoGui}, {"orvane", "animPane", PaneModule::None, 14, NoGui},
    {"tarrow", "cdPane", PaneModule::Cd, 10, Cd},         {"quenby", "dvdPane", PaneModule::Dvd, 13, Dvd},
};
constexpr KindRule kOtherKind = {"", "mediaPane", PaneModule::None, 10, NoGui};

// The path of a URL: without its "file://".
const char* PathOf(const char* url) { return std::strncmp(url, texts::kFileScheme, 7) == 0 ? url + 7 : url; }

// The extension: from the last '.' of the last path part; none when that part has no '.'.
const char* ExtensionOf(const char* url)
{
    const char* dot = std::strrchr(url, '.');
    const char* slash = std::strrchr(url, '/');
    if (!dot || (slash && dot < slash)) return "";
    return dot;
}

void ShowError(char* buffer, std::size_t size, const char* format, const char* a, const char* b = nullptr)
{
    std::snprintf(buffer, size, format, a, b);
    popup_error(buffer);
}

// A line ends at its first '\n' or '\r': a list written with CR LF gives the same URLs.
void CutAtLineEnd(char* line) { line[std::strcspn(line, "\r\n")] = '\0'; }

// The reason a list could not be opened: the system's, or that it is no regular file.
const char* OpenError(int error) { return error == EINVAL ? texts::kNotARegularFile : std::strerror(error); }

bool ReadM3u(char* buffer, std::size_t size, PlaylistItem& item, const char* path)
{
    FILE* file = OpenRegularFile(path);
    if (!file) {
        ShowError(buffer, size, texts::kUnableToOpen, path, OpenError(errno));
        return false;
    }
    // The first line that is neither blank nor a comment ("#EXTM3U", "#EXTINF:...") names the media.
    char line[kLineSize];
    bool read = false;
    while (!read && std::fgets(line, sizeof line, file) != nullptr) {
        const bool comment = line[0] == '#';
        // The rest of a line longer than the buffer is not a line of its own.
        if (!std::strchr(line, '\n')) {
            int c = 0;
            while ((c = std::getc(file)) != EOF && c != '\n') {}
        }
        CutAtLineEnd(line);
        read = !comment && line[0] != '\0';
    }
    std::fclose(file);
    if (!read) {
        ShowError(buffer, size, texts::kNoValidEntry, path);
        return false;
    }
    item.url = line;
    item.mime = texts::kMimeMpeg;
    return true;
}

bool ReadPls(char* buffer, std::size_t size, PlaylistItem& item, const char* path)
{
    FILE* file = OpenRegularFile(path);
    if (!file) {
        ShowError(buffer, size, texts::kUnableToOpenPls, path, OpenError(errno));
        return false;
    }
    char line[kLineSize];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, file)) {
        if (std::strncmp(line, "File", 4) != 0) continue;
        char key[kLineSize], value[kLineSize];
        if (std::sscanf(line, "%254[File0123456789 ]=%254[^\n^\r]", key, value) != 2 || !*value) continue;
        CutAtLineEnd(value);
        item.url = value;
        item.mime = texts::kMimeMpeg;
        found = true;
    }
    std::fclose(file);
    if (!found) ShowError(buffer, size, texts::kNoValidEntry, path);
    return found;
}

// Whether a list's entry names its scheme ("http://...", "file://..."); else it is a plain path.
bool HasScheme(const std::string& entry)
{
    const std::size_t end = entry.find("://");
    if (end == std::string::npos || end == 0 || !std::isalpha(static_cast<unsigned char>(entry[0]))) return false;
    return std::all_of(entry.begin(), entry.begin() + static_cast<std::ptrdiff_t>(end),
                       [](unsigned char c) { return std::isalnum(c) || c == '+' || c == '-' || c == '.'; });
}

// A list's plain-path entry becomes a file URL as a path on the command line does; a relative
// one is taken from the list's own folder, as the jukebox writes the tracks beside its lists.
void EntryAsUrl(PlaylistItem& item, const char* listPath)
{
    if (HasScheme(item.url)) return;
    std::string path = item.url;
    if (path.front() != '/') {
        const char* slash = std::strrchr(listPath, '/');
        if (slash) path = std::string(listPath, static_cast<std::size_t>(slash - listPath + 1)) + path;
    }
    item.url = texts::kFileScheme + path;
}

bool Exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::string g_programFolder;
bool g_programFolderSet = false;

}  // namespace

FILE* OpenRegularFile(const char* path)
{
    const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FILE* file = ::fdopen(fd, "r");
    if (!file) ::close(fd);
    return file;
}

void SetProgramFolder(const std::string& folder)
{
    g_programFolder = folder;
    g_programFolderSet = true;
}

std::string ProgramFolder()
{
    if (g_programFolderSet) return g_programFolder;
    char path[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    const std::string program(path, static_cast<std::size_t>(length));
    return program.substr(0, program.find_last_of('/'));
}

std::string HelperProgram(const char* name)
{
    const std::string folder = ProgramFolder();
    const std::string beside = folder + "/" + name;
    struct stat st;
    if (!folder.empty() && ::stat(beside.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        ::access(beside.c_str(), X_OK) == 0)
        return beside;
    return name;
}

namespace {

void ShowPaneImage()
{
    if (PtWidget_t* icon = W("iconPane"); icon && mplayer.paneImage)
        PtSetResource(icon, Pt_ARG_LABEL_IMAGE, mplayer.paneImage, 0);
}

// Plug-ins that never ended when told to.
std::vector<HostPluginCtrl*>& Abandoned()
{
    static auto* abandoned = new std::vector<HostPluginCtrl*>;
    return *abandoned;
}

int unload(void* data)
{
    auto* ctrl = static_cast<HostPluginCtrl*>(data);
    std::fprintf(stderr, texts::kCallingDlclose, ctrl->ctrl.dll_handle);
    ForgetPluginRecord(ctrl);
    ::UnloadDll(&ctrl->ctrl);
    std::free(ctrl);
    return Pt_END;
}

}  // namespace

const char* FindItemFromUrl(char* buffer, std::size_t size, PlaylistItem& item, const char* url, const char* mime)
{
    if (!url || !buffer || size == 0) return nullptr;
    buffer[0] = '\0';
    item.url.clear();
    item.mime.clear();
    item.plugin.clear();
    const char* extension = ExtensionOf(url);
    const char* path = PathOf(url);

    if (std::strlen(extension) == 4 && strncasecmp(extension, ".m3u", 4) == 0) {
        if (!ReadM3u(buffer, size, item, path)) return nullptr;
        EntryAsUrl(item, path);
    } else if (std::strcmp(extension, ".pls") == 0 || IsPlaylistFile(url)) {
        if (!ReadPls(buffer, size, item, path)) return nullptr;
        EntryAsUrl(item, path);
    } else if (std::strncmp(url, texts::kFileScheme, 7) != 0 && std::strncmp(url, texts::kHttpScheme, 7) != 0) {
        item.url = std::string(texts::kFileScheme) + url;
    } else {
        item.url = url;
    }

    char found[qnx::kMediaTextSize] = "";
    if (mime && qnx::MvGetPluginFromMime(found, mime, 0)) {
        item.plugin = found;
        item.mime = mime;
    }
    const char* itemPath = PathOf(item.url.c_str());
    if (item.plugin.empty() && ::fnmatch("/fs/cd?", itemPath, 0) == 0 && Exists(itemPath)) {
        item.plugin = Exists(std::string(itemPath) + "/video_ts") ? texts::kPluginDvd : texts::kPluginCd;
        std::snprintf(mplayer.setup.mountPoint, sizeof mplayer.setup.mountPoint, "%s", item.url.c_str());
        item.mime = texts::kMimeDisc;
    }
    char text[qnx::kMediaTextSize] = "";
    if (item.plugin.empty()) {
        if (qnx::MvGetPluginFromUrl(found, item.url.c_str(), 0, text)) {
            item.plugin = found;
            char type[qnx::kMediaTextSize] = "";
            qnx::MvGetMimeFromPlugin(type, found, 0);
            item.mime = *type ? type : texts::kMimeUnknown;
        } else if (!item.mime.empty() && qnx::MvGetPluginFromMime(found, item.mime.c_str(), 0)) {
            item.plugin = found;
        }
    }
    if (item.plugin.empty()) {
        if (*text) std::snprintf(buffer, size, "%s", text);
        else std::snprintf(buffer, size, texts::kNoPluginForUrl, item.url.c_str());
        popup_error(buffer);
        return nullptr;
    }
    std::snprintf(buffer, size, "%s", item.plugin.c_str());
    return buffer;
}

bool IsPlaylistFile(const char* url)
{
    const char* path = url ? PathOf(url) : "";
    struct stat st;
    if (::stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    return std::strchr(path, ':') != nullptr;
}

std::string ExtractTitleFromUrl(const char* url)
{
    if (!url) return "";
    std::string text = url;
    const std::size_t slash = text.find_last_of('/');
    if (slash == std::string::npos) return text;
    if (slash + 1 < text.size()) return text.substr(slash + 1);
    text.erase(slash);
    const std::size_t previous = text.find_last_of('/');
    return previous == std::string::npos ? text : text.substr(previous + 1);
}

void FrameTime(unsigned seconds, char hours[3], char minutes[3], char secondsText[3])
{
    const unsigned h = (seconds / 3600) % 100;
    hours[0] = h / 10 ? static_cast<char>('0' + h / 10) : ' ';
    hours[1] = static_cast<char>('0' + h % 10);
    hours[2] = '\0';
    std::snprintf(minutes, 3, "%02u", (seconds / 60) % 60);
    std::snprintf(secondsText, 3, "%02u", seconds % 60);
}

MvViewerCallbackF_t FindPluginCallback(const std::string& path)
{
    if (PtWidget_t* info = W("baseInfo")) PtSetResource(info, Pt_ARG_TEXT_STRING, texts::kPlayerName, 0);
    const KindRule* kind = &kOtherKind;
    for (const KindRule& rule : kKinds)
        if (path.find(rule.text) != std::string::npos) {
            kind = &rule;
            break;
        }
    mplayer.paneImage = ApGetImageRes(mplayer.imageDb, kind->paneImage);
    mplayer.paneModule = kind->pane;
    mplayer.priority = kind->priority;
    return kind->callback();
}

std::string ResolvePluginPath(const std::string& name)
{
    if (name.find('/') != std::string::npos) return name;
    const std::string folder = ProgramFolder();
    if (!folder.empty())
        for (const std::string& candidate : {folder + "/" + name, folder + "/../lib/" + name})
            if (::access(candidate.c_str(), R_OK) == 0) return candidate;
    return name;
}

void NoMemory()
{
    const char* ok[] = {texts::kNoMemoryButton};
    PtAlert(W("base"), nullptr, texts::kNoMemoryTitle, nullptr, texts::kNoMemoryText, nullptr, 1, ok, nullptr, 1, 1, 0);
    OnFileMenuExit();
    std::exit(1);
}

HostPluginCtrl* load_plugin(const char* path, const char* /*url*/)
{
    auto* ctrl = static_cast<HostPluginCtrl*>(std::calloc(1, sizeof(HostPluginCtrl)));
    if (!ctrl) NoMemory();
    const std::string file = ResolvePluginPath(path ? path : "");
    ctrl->viewer = FindPluginCallback(file);
    qnx::setprio(0, mplayer.priority);
    ctrl->ctrl.cb = HostViewerCallback;
    ctrl->ctrl.prio = mplayer.priority;
    ctrl->ctrl.basewin = W("base");
    ctrl->ctrl.setup = mplayer.setup;
    // Known before MvInit, so that no report of the plug-in's can be lost.
    RegisterPluginRecord(ctrl);
    if (LoadDll(file.c_str(), &ctrl->ctrl) != 0) {
        ForgetPluginRecord(ctrl);
        std::free(ctrl);
        char text[kItemBufferSize];
        ShowError(text, sizeof text, texts::kCantLoadPlugin, path ? path : "");
        return nullptr;
    }
    ShowPaneImage();
    mplayer.pluginCtrl = ctrl;
    if (ctrl->ctrl.pflags & MV_SPANE) {
        mplayer.paneModule = PaneModule::Default;
        ctrl->viewer = nogui_vcb;
        DisplayClientArea();
        SendCommand(CMD_PLUGIN_SET_PARAMETER, MVP_SPANE_WGT);
    } else {
        DisplayClientArea();
    }
    if (PtWidget_t* slider = W("curpos")) {
        PtSetResource(slider, Pt_ARG_GAUGE_VALUE, 0, 0);
        PtSetResource(slider, Pt_ARG_FLAGS, static_cast<long>(Pt_BLOCKED | Pt_GHOST), Pt_BLOCKED | Pt_GHOST);
    }
    ControllerInitState();
    mplayer.bPluginAlive = 1;
    CloseAudio();
    if (mplayer.bAdvanceDlgOpen) RefreshSettingsDialog();
    return ctrl;
}

int unload_plugin()
{
    if (HostPluginCtrl* ctrl = mplayer.pluginCtrl) {
        mplayer.pluginCtrl = nullptr;
        ctrl->ctrl.calls->terminate(&ctrl->ctrl);
        const uint64_t start = HostClockMs();
        while (mplayer.bPluginAlive) {
            DeliverPostedReports();
            PtBkgdHandlerProcess();
            if (!mplayer.bPluginAlive) break;
            if (HostClockMs() - start >= kUnloadLimitMs) {
                // Its threads may still run: its library and record stay, its reports are dropped.
                std::fprintf(stderr, texts::kPluginNeverDead, ctrl->ctrl.name ? ctrl->ctrl.name : "", kUnloadLimitMs);
                mplayer.bPluginAlive = 0;
                ForgetPluginRecord(ctrl);
                Abandoned().push_back(ctrl);
                break;
            }
            WaitForReports(kUnloadStepMs);
        }
        mplayer.paneImage = ApGetImageRes(mplayer.imageDb, "mediaPane");
        ShowPaneImage();
        HideClientArea();
        DestroyVideoWindow();
        if (mplayer.bAdvanceDlgOpen) RefreshSettingsDialog();
    }
    return InitAudio();
}

void UnloadDll(HostPluginCtrl* ctrl) { PtAppAddWorkProc(nullptr, unload, ctrl); }

int GetDriveFromMountPoint(const char* mountPoint)
{
    const int fd = ::open(mountPoint, O_RDONLY);
    if (fd < 0) return 0;
    const int result = ::ioctl(fd, kDriveRequest, mplayer.setup.drive);
    ::close(fd);
    return result == 0 ? 1 : 0;
}

int VerifyAudioSetting(MvAudioMediaInfo* audio)
{
    MvSetup defaults{};
    qnx::MvGetMpDefaultSetting(&defaults);
    const MvAudioMediaInfo& d = defaults.audio;
    const int cards = qnx::snd_cards();
    if (cards == -2) {
        std::fputs(texts::kNoAudioDriver, stderr);
        return 0;
    }
    if (cards < 1) return 0;
    int conflicts = 0;
    auto checkCard = [&](uint32_t& card, uint32_t fallback) {
        if (card != kUnset && card >= static_cast<uint32_t>(cards)) card = fallback, ++conflicts;
    };
    checkCard(audio->pcmPlaybackCardA, d.pcmPlaybackCardA);
    checkCard(audio->pcmPlaybackCardB, d.pcmPlaybackCardB);
    checkCard(audio->pcmRecordCard, d.pcmRecordCard);
    checkCard(audio->spdifPlaybackCard, d.spdifPlaybackCard);
    checkCard(audio->spdifRecordCard, d.spdifRecordCard);
    auto checkDevice = [&](uint32_t card, uint32_t& device, uint32_t fallback) {
        if (card == kUnset) return;
        qnx::snd_ctl_t* handle = nullptr;
        int error = qnx::snd_ctl_open(&handle, static_cast<int>(card));
        if (error < 0) {
            std::fprintf(stderr, "snd_ctl_open error: %s\n", qnx::snd_strerror(error));
            return;
        }
        qnx::snd_ctl_hw_info_t info{};
        error = qnx::snd_ctl_hw_info(handle, &info);
        qnx::snd_ctl_close(handle);
        if (error < 0) {
            std::fprintf(stderr, "snd_ctl_hw_info error: %s\n", qnx::snd_strerror(error));
            return;
        }
        if (device != kUnset && device >= info.pcmdevs) device = fallback, ++conflicts;
    };
    checkDevice(audio->pcmPlaybackCardA, audio->pcmPlaybackDeviceA, d.pcmPlaybackDeviceA);
    checkDevice(audio->pcmPlaybackCardB, audio->pcmPlaybackDeviceB, d.pcmPlaybackDeviceB);
    if (audio->pcmRecordCard != kUnset && audio->pcmRecordDevice != kUnset) {
        audio->pcmRecordCard = d.pcmRecordCard;
        audio->pcmRecordDevice = d.pcmRecordDevice;
    }
    if (audio->spdifPlaybackCard != kUnset) {
        qnx::snd_pcm_t* pcm = nullptr;
        int error = qnx::snd_pcm_open(&pcm, static_cast<int>(audio->spdifPlaybackCard),
                                      static_cast<int>(audio->spdifPlaybackDevice), qnx::SND_PCM_OPEN_PLAYBACK);
        bool digital = false;
        if (error < 0) {
            std::fprintf(stderr, "snd_pcm_open error: %s\n", qnx::snd_strerror(error));
        } else {
            qnx::snd_pcm_channel_info_t info{};
            info.channel = qnx::SND_PCM_CHANNEL_PLAYBACK;
            error = qnx::snd_pcm_plugin_info(pcm, &info);
            if (error < 0) std::fprintf(stderr, "snd_pcm_plugin_info error: %s\n", qnx::snd_strerror(error));
            else digital = (info.flags & qnx::SND_PCM_CHNINFO_DIGITAL) != 0;
            qnx::snd_pcm_close(pcm);
        }
        // The card is kept: only the device that is no digital output goes back to its default.
        if (!digital) {
            audio->spdifPlaybackDevice = d.spdifPlaybackDevice;
            ++conflicts;
        }
    }
    if (!conflicts) return 0;
    popup_error(texts::kAudioConflict);
    return 1;
}

}  // namespace velora
