// Stand-in for the DVD plug-in. Any URL opens "the disc": a video medium whose length, picture
// sizes, audio tracks and subtitles come from the environment (QUENBY_DURATION in ms,
// QUENBY_PREFERRED, QUENBY_MIN_SIZE and QUENBY_MAX_SIZE as WxH, QUENBY_FIXED 1 for a fixed-size
// picture, QUENBY_AUDIO and QUENBY_SUBTITLES as comma lists). The navigation keys move through
// titles and chapters and are reported as display information; the position moves on the
// host's status polls. CMD_PLUGIN_ZOOM_IN makes it report a new picture area (the preferred size)
// as a plug-in does when the stream's picture changes.
#include "FakeDisc.h"

#include <cstdio>
#include <cstdlib>

using namespace fakedisc;

namespace {

struct Navigation {
    int title = 1, chapter = 1, angle = 1;
};
Navigation nav;

void ReportDisplay(MvPluginCtrl* ctrl)
{
    MvPluginData* pd = ctrl->pdata;
    pd->displayTitle = "Title " + std::to_string(nav.title);
    pd->chapter = "Chapter " + std::to_string(nav.chapter);
    pd->angle = "Angle " + std::to_string(nav.angle);
    pd->display.title = pd->displayTitle.c_str();
    pd->display.chapter = pd->chapter.c_str();
    pd->display.angle = pd->angle.c_str();
    pd->display.rating = "G";
    pd->status.displayInfo = &pd->display;
    Report(ctrl, MVS_DISPLAY_INFO);
}

void ReportLists(MvPluginCtrl* ctrl)
{
    MvPluginData* pd = ctrl->pdata;
    pd->audioList.count = 0;
    for (const std::string& name : pd->audioNames)
        if (pd->audioList.count < 8) pd->audioList.list[pd->audioList.count++] = name.c_str();
    pd->subtitleList.count = 0;
    for (const std::string& name : pd->subtitleNames)
        if (pd->subtitleList.count < 32) pd->subtitleList.list[pd->subtitleList.count++] = name.c_str();
    pd->status.audioList = &pd->audioList;
    pd->status.subtitleList = &pd->subtitleList;
    Report(ctrl, MVS_AUDIO_LIST | MVS_SUBTITLE_LIST);
}

void Open(MvPluginCtrl* ctrl, const char* url)
{
    MvPluginData* pd = ctrl->pdata;
    pd->url = url ? url : "dvd";
    Note("OPEN_URLS " + pd->url);
    nav = Navigation{};
    pd->status.position = 0;
    SetState(ctrl, MV_OPENING);

    MvVideoMediaInfo& v = pd->video;
    v = MvVideoMediaInfo{};
    v.flags = EnvNumber("QUENBY_FIXED", 0) ? MV_VIDEO_FIXED_SIZE : 0;
    v.preferred_size = {720, 480};
    v.min_size = {320, 240};
    v.max_size = {0, 0};
    ParseSize(getenv("QUENBY_PREFERRED"), &v.preferred_size);
    ParseSize(getenv("QUENBY_MIN_SIZE"), &v.min_size);
    ParseSize(getenv("QUENBY_MAX_SIZE"), &v.max_size);
    v.area.size = v.preferred_size;
    pd->audioNames = EnvList("QUENBY_AUDIO", "English,French");
    pd->subtitleNames = EnvList("QUENBY_SUBTITLES", "English,German");
    pd->audioList.selectedIndex = pd->audioNames.empty() ? 0 : 1;
    pd->subtitleList.selectedIndex = 0;

    MvMediaInfo& m = pd->media;
    m = MvMediaInfo{};
    m.which = MV_MEDIA_INFO | MV_MEDIA_VIDEO_INFO;
    m.type = MV_MEDIA_VIDEO | MV_MEDIA_AUDIO | MV_MEDIA_SEEKABLE | MV_MEDIA_REMOVABLE;
    m.url = pd->url.c_str();
    pd->title = "DVD Video";
    m.title = pd->title.c_str();
    m.duration = EnvNumber("QUENBY_DURATION", 120000);
    m.video = &v;
    pd->status.media_info = &m;
    pd->status.duration = m.duration;
    pd->status.flags = MVS_RESTORE;
    SetState(ctrl, MV_STOPPED, MVS_MEDIA);
    if (pd->status.state != MV_STOPPED) return;  // the host closed it meanwhile
    ReportDisplay(ctrl);
    ReportLists(ctrl);
}

const MvMediaInfo* GetItem(MvPluginCtrl*, uint32_t, uint32_t) { return nullptr; }

// The navigation, picture and track-selection commands of a DVD.
int Command(MvCommandData* cmd)
{
    MvPluginCtrl* ctrl = cmd->pluginCtrl;
    MvPluginData* pd = ctrl->pdata;
    MvPlaybackParams* p = cmd->param;
    switch (cmd->cmdType) {
    case CMD_PLUGIN_STEP: SetState(ctrl, MV_STEP); return 0;
    case CMD_PLUGIN_SLOW_MOTION: SetState(ctrl, MV_SLOW); return 0;
    case CMD_PLUGIN_SCAN_FORWARD: SetState(ctrl, MV_SCANFW); return 0;
    case CMD_PLUGIN_SCAN_BACK: SetState(ctrl, MV_SCANBW); return 0;
    case CMD_PLUGIN_SELECT_RIGHT:
        ++nav.chapter;
        ReportDisplay(ctrl);
        return 0;
    case CMD_PLUGIN_SELECT_LEFT:
        if (nav.chapter > 1) --nav.chapter;
        ReportDisplay(ctrl);
        return 0;
    case CMD_PLUGIN_SELECT_UP:
        ++nav.title;
        nav.chapter = 1;
        ReportDisplay(ctrl);
        return 0;
    case CMD_PLUGIN_SELECT_DOWN:
        if (nav.title > 1) --nav.title;
        nav.chapter = 1;
        ReportDisplay(ctrl);
        return 0;
    case CMD_PLUGIN_ANGLE:
        nav.angle = nav.angle % 3 + 1;
        ReportDisplay(ctrl);
        return 0;
    case CMD_PLUGIN_SELECT:
    case CMD_PLUGIN_MENU:
    case CMD_PLUGIN_SET_WINDOW:
    case CMD_PLUGIN_SET_GUI_STATUS:
    case CMD_PLUGIN_MUTE: return 0;
    case CMD_PLUGIN_SELECT_AUDIO:
        if (p) pd->audioList.selectedIndex = static_cast<uint32_t>(p->delta);
        return 0;
    case CMD_PLUGIN_SELECT_SUBTITLE:
        if (p) pd->subtitleList.selectedIndex = static_cast<uint32_t>(p->delta);
        return 0;
    case CMD_PLUGIN_ZOOM_IN: {
        MvMediaInfo area{};
        area.which = MV_MEDIA_VIDEO_INFO;
        area.video = &pd->video;
        const MvMediaInfo* kept = pd->status.media_info;
        pd->status.media_info = &area;
        pd->status.flags = MVS_AREA;
        Report(ctrl, MVS_MEDIA);
        pd->status.flags = MVS_RESTORE;
        pd->status.media_info = kept;
        return 0;
    }
    default: return -1;
    }
}

const DiscKind kDvd = {MV_HASDFLTURL,
                       Open,
                       GetItem,
                       Command,
                       /*journalParams=*/true,
                       /*startNeedsMedium=*/false,
                       /*stopRewinds=*/false};

}  // namespace

extern "C" int MvInit(MvPluginCtrl* ctrl) { return Init(ctrl, kDvd); }
