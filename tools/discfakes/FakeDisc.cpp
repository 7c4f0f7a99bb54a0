#include "FakeDisc.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <sstream>

namespace {
std::mutex journalMutex;
std::string journal;
std::string journalCopy;
}  // namespace

extern "C" const char* FakeDiscJournal()
{
    std::lock_guard<std::mutex> lock(journalMutex);
    journalCopy = journal;
    return journalCopy.c_str();
}

extern "C" void FakeDiscClearJournal()
{
    std::lock_guard<std::mutex> lock(journalMutex);
    journal.clear();
}

namespace fakedisc {

void Note(const std::string& line)
{
    std::lock_guard<std::mutex> lock(journalMutex);
    journal += line + "\n";
}

const char* CommandName(uint32_t code)
{
    switch (code) {
    case CMD_PLUGIN_OPEN_URLS: return "OPEN_URLS";
    case CMD_PLUGIN_CLOSE: return "CLOSE";
    case CMD_PLUGIN_START: return "START";
    case CMD_PLUGIN_PAUSE: return "PAUSE";
    case CMD_PLUGIN_STOP: return "STOP";
    case CMD_PLUGIN_SEEK_TO: return "SEEK_TO";
    case CMD_PLUGIN_SEEK_RELATIVE: return "SEEK_RELATIVE";
    case CMD_PLUGIN_SET_PARAMETER: return "SET_PARAMETER";
    case CMD_PLUGIN_SET_WINDOW: return "SET_WINDOW";
    case CMD_PLUGIN_SET_GUI_STATUS: return "SET_GUI_STATUS";
    case CMD_PLUGIN_GET_STATUS: return "GET_STATUS";
    case CMD_PLUGIN_EJECT_DISK: return "EJECT_DISK";
    case CMD_PLUGIN_LOAD_DISK: return "LOAD_DISK";
    case CMD_PLUGIN_SELECT: return "SELECT";
    case CMD_PLUGIN_SELECT_UP: return "SELECT_UP";
    case CMD_PLUGIN_SELECT_DOWN: return "SELECT_DOWN";
    case CMD_PLUGIN_SELECT_RIGHT: return "SELECT_RIGHT";
    case CMD_PLUGIN_SELECT_LEFT: return "SELECT_LEFT";
    case CMD_PLUGIN_SELECT_AUDIO: return "SELECT_AUDIO";
    case CMD_PLUGIN_SELECT_SUBTITLE: return "SELECT_SUBTITLE";
    case CMD_PLUGIN_MENU: return "MENU";
    case CMD_PLUGIN_ANGLE: return "ANGLE";
    case CMD_PLUGIN_DIRECT_AUDIO: return "DIRECT_AUDIO";
    case CMD_PLUGIN_MUTE: return "MUTE";
    case CMD_PLUGIN_STEP: return "STEP";
    case CMD_PLUGIN_SCAN_BACK: return "SCAN_BACK";
    case CMD_PLUGIN_SCAN_FORWARD: return "SCAN_FORWARD";
    case CMD_PLUGIN_SLOW_MOTION: return "SLOW_MOTION";
    default: return "OTHER";
    }
}

void Report(MvPluginCtrl* ctrl, uint32_t mask)
{
    if (ctrl->cb) ctrl->cb(ctrl, mask, &ctrl->pdata->status);
}

void SetState(MvPluginCtrl* ctrl, uint32_t state, uint32_t extraMask)
{
    ctrl->pdata->status.state = state;
    Report(ctrl, MVS_PLUGIN_STATE | extraMask);
}

unsigned EnvNumber(const char* name, unsigned fallback)
{
    const char* value = getenv(name);
    if (!value || !*value) return fallback;
    char* end = nullptr;
    unsigned long n = strtoul(value, &end, 10);
    return *end == '\0' ? static_cast<unsigned>(n) : fallback;
}

std::vector<std::string> EnvList(const char* name, const char* fallback)
{
    const char* value = getenv(name);
    std::string text = value ? value : fallback;
    std::vector<std::string> list;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, ',');)
        if (!part.empty()) list.push_back(part);
    return list;
}

bool ParseSize(const char* text, MvDim* size)
{
    unsigned w = 0, h = 0;
    char tail = 0;
    if (!text || sscanf(text, "%ux%u%c", &w, &h, &tail) != 2 || w > 0xFFFF || h > 0xFFFF) return false;
    size->w = static_cast<uint16_t>(w);
    size->h = static_cast<uint16_t>(h);
    return true;
}

namespace {

// The all-zero MV_DEAD report and the end of the private record.
void Terminate(MvPluginCtrl* ctrl)
{
    Note("TERMINATE");
    delete ctrl->pdata;
    ctrl->pdata = nullptr;
    MvPluginStatus dead{};
    if (ctrl->cb) ctrl->cb(ctrl, MVS_PLUGIN_STATE, &dead);
}

const MvMediaInfo* GetItem(MvPluginCtrl* ctrl, uint32_t which, uint32_t item)
{
    if (!ctrl->pdata) return nullptr;
    return ctrl->pdata->kind->item(ctrl, which, item);
}

// Moves the play position one status period on; past the end it stops (end of track).
void Tick(MvPluginCtrl* ctrl)
{
    MvPluginData* pd = ctrl->pdata;
    if (pd->status.state != MV_PLAYING) return;
    const uint32_t end = pd->media.duration;
    pd->status.position += pd->statusFrequency ? pd->statusFrequency : 1000;
    if (end && pd->status.position >= end) {
        pd->status.position = end;
        Report(ctrl, MVS_POSITION);
        pd->status.position = 0;
        SetState(ctrl, MV_STOPPED);
        return;
    }
    Report(ctrl, MVS_POSITION);
}

std::string JournalLine(const MvCommandData* cmd, bool withParams)
{
    std::string line = CommandName(cmd->cmdType);
    const MvPlaybackParams* p = cmd->param;
    if (!withParams || !p) return line;
    if (cmd->which & MVP_DELTA) line += " delta=" + std::to_string(p->delta);
    if (cmd->cmdType == CMD_PLUGIN_SET_WINDOW) line += " flags=" + std::to_string(p->flags);
    if (cmd->cmdType == CMD_PLUGIN_SET_PARAMETER) line += " which=" + std::to_string(cmd->which);
    return line;
}

int Command(MvCommandData* cmd)
{
    MvPluginCtrl* ctrl = cmd->pluginCtrl;
    MvPluginData* pd = ctrl->pdata;
    const DiscKind& kind = *pd->kind;
    MvPlaybackParams* p = cmd->param;
    switch (cmd->cmdType) {
    case CMD_PLUGIN_OPEN_URLS: kind.open(ctrl, cmd->urls && p && p->delta > 0 ? cmd->urls[0] : nullptr); return 0;
    case CMD_PLUGIN_GET_STATUS: Tick(ctrl); return 0;
    default: break;
    }
    Note(JournalLine(cmd, kind.journalParams));
    switch (cmd->cmdType) {
    case CMD_PLUGIN_CLOSE:
        pd->status.media_info = nullptr;
        SetState(ctrl, MV_CLOSED);
        return 0;
    case CMD_PLUGIN_START:
        if (kind.startNeedsMedium && pd->status.state < MV_STOPPED) return -1;
        SetState(ctrl, MV_PLAYING);
        return 0;
    case CMD_PLUGIN_PAUSE: SetState(ctrl, MV_PAUSED); return 0;
    case CMD_PLUGIN_STOP:
        if (kind.stopRewinds) pd->status.position = 0;
        SetState(ctrl, MV_STOPPED);
        return 0;
    case CMD_PLUGIN_SEEK_TO:
        if (p) pd->status.position = p->position;
        Report(ctrl, MVS_POSITION);
        return 0;
    case CMD_PLUGIN_SET_PARAMETER:
        if (p && (cmd->which & MVP_STATUS_FREQ)) pd->statusFrequency = p->status_frequency;
        return 0;
    default: return kind.command(cmd);
    }
}

const MvPluginFunctions kCalls = {Terminate, GetItem, Command};

}  // namespace

int Init(MvPluginCtrl* ctrl, const DiscKind& kind)
{
    auto* pd = new (std::nothrow) MvPluginData;
    if (!pd) return -1;
    pd->kind = &kind;
    ctrl->pdata = pd;
    ctrl->calls = &kCalls;
    ctrl->pflags = kind.pflags;
    ctrl->APIversion = 1;
    ctrl->MinorVersion = 1;
    pd->status.state = MV_CLOSED;
    return 0;
}

}  // namespace fakedisc
