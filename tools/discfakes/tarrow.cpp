// Stand-in for the audio-CD plug-in. The disc is the folder the player opens (its mount point),
// described by the file "disc.toc" in it: the disc's title on the first line, then one track
// length in milliseconds a line. Opening the folder gives the disc as a playlist medium whose
// items are "<folder>/trackNN"; opening an item gives that track, which plays on the host's
// status polls (each poll moves the position one status period on) and stops at its end.
#include "FakeDisc.h"

#include <cstdio>
#include <cstring>
#include <fstream>

using namespace fakedisc;

namespace {

constexpr uint32_t kDiscType = MV_MEDIA_AUDIO | MV_MEDIA_PLAYLIST | MV_MEDIA_REMOVABLE;
constexpr uint32_t kTrackType = MV_MEDIA_AUDIO | MV_MEDIA_SEEKABLE | MV_MEDIA_MULTITRACK | MV_MEDIA_REMOVABLE;

std::string StripScheme(const char* url)
{
    std::string path = url ? url : "";
    if (path.rfind("file://", 0) == 0) path.erase(0, 7);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool ReadDisc(MvPluginData* pd, const std::string& folder)
{
    std::ifstream toc(folder + "/disc.toc");
    std::string line;
    if (!std::getline(toc, pd->title)) return false;
    pd->disc = folder;
    pd->tracks.clear();
    while (std::getline(toc, line)) {
        unsigned ms = 0;
        if (sscanf(line.c_str(), "%u", &ms) == 1 && pd->tracks.size() < 99) pd->tracks.push_back(ms);
    }
    pd->items.assign(pd->tracks.size(), MvMediaInfo{});
    pd->itemUrls.clear();
    pd->itemTitles.clear();
    for (size_t i = 0; i < pd->tracks.size(); ++i) {
        char name[32];
        snprintf(name, sizeof name, "/track%02zu", i + 1);
        pd->itemUrls.push_back(folder + name);
        pd->itemTitles.push_back("Track " + std::to_string(i + 1));
    }
    for (size_t i = 0; i < pd->tracks.size(); ++i) {
        MvMediaInfo& item = pd->items[i];
        item.which = MV_MEDIA_INFO;
        item.type = kTrackType;
        item.url = pd->itemUrls[i].c_str();
        item.title = pd->itemTitles[i].c_str();
        item.duration = pd->tracks[i];
    }
    return true;
}

void Open(MvPluginCtrl* ctrl, const char* url)
{
    MvPluginData* pd = ctrl->pdata;
    std::string path = StripScheme(url ? url : pd->url.c_str());
    Note(std::string("OPEN_URLS ") + path);
    pd->url = path;
    pd->status.position = 0;
    SetState(ctrl, MV_OPENING);
    unsigned track = 0;
    std::string folder = path;
    const size_t slash = path.rfind('/');
    if (slash != std::string::npos && sscanf(path.c_str() + slash, "/track%u", &track) == 1)
        folder = path.substr(0, slash);
    if (!ReadDisc(pd, folder) || (track && track > pd->tracks.size())) {
        pd->status.errormsg = "No disc in the drive";
        pd->status.state = MV_CLOSED;
        Report(ctrl, MVS_PLUGIN_STATE | MVS_ERRORMSG);
        pd->status.errormsg = nullptr;
        return;
    }
    MvMediaInfo& m = pd->media;
    m = MvMediaInfo{};
    m.which = MV_MEDIA_INFO;
    m.url = pd->url.c_str();
    if (track) {
        m.type = kTrackType;
        m.duration = pd->tracks[track - 1];
        m.title = pd->title.c_str();
    } else {
        m.type = kDiscType;
        m.title = pd->title.c_str();
        m.plcount = static_cast<uint32_t>(pd->tracks.size());
    }
    pd->status.media_info = &m;
    pd->status.duration = m.duration;
    SetState(ctrl, MV_STOPPED, MVS_MEDIA);
}

const MvMediaInfo* GetItem(MvPluginCtrl* ctrl, uint32_t, uint32_t item)
{
    MvPluginData* pd = ctrl->pdata;
    if (item >= pd->items.size()) return nullptr;
    return &pd->items[item];
}

// The disc's own answers: the GUI status and the volume are reported back as a drive does.
int Command(MvCommandData* cmd)
{
    MvPluginCtrl* ctrl = cmd->pluginCtrl;
    MvPluginData* pd = ctrl->pdata;
    MvPlaybackParams* p = cmd->param;
    switch (cmd->cmdType) {
    case CMD_PLUGIN_SET_GUI_STATUS:
        if (p) pd->status.guiStatus = p->guiStatus;
        Report(ctrl, MVS_GUI_STATUS);
        return 0;
    case CMD_PLUGIN_MUTE:
        if (p) {
            pd->audio.reserve_1 = p->delta ? 1 : 0;
            pd->audio.volume = p->audio.volume;
        }
        {
            MvMediaInfo volume{};
            volume.which = MV_MEDIA_AUDIO_INFO;
            volume.audio = &pd->audio;
            const MvMediaInfo* kept = pd->status.media_info;
            pd->status.media_info = &volume;
            Report(ctrl, MVS_MEDIA);
            pd->status.media_info = kept;
        }
        return 0;
    default: return -1;
    }
}

const DiscKind kAudioCd = {0,
                           Open,
                           GetItem,
                           Command,
                           /*journalParams=*/false,
                           /*startNeedsMedium=*/true,
                           /*stopRewinds=*/true};

}  // namespace

extern "C" int MvInit(MvPluginCtrl* ctrl) { return Init(ctrl, kAudioCd); }
