#include "dialogs/Dialogs.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

#include "playlist/Controller.h"
#include "window/MainWindow.h"
#include "panes/Panes.h"
#include "player/PluginHost.h"
#include "player/VeloraTexts.h"

namespace velora {

using namespace photon;

int bErrorDlg = 0;

namespace {

constexpr unsigned kNextDelayMs = 200;
constexpr std::size_t kSelectionSize = 1289;

const ApEventLink_t kErrorLink = {ABM_DIALOG, "errordlg", nullptr, ABM_PLACE_CENTER, 0, 0};

PtWidget_t* g_errorDialog = nullptr;
char g_selectionPath[kSelectionSize] = "";
PhPoint_t g_selectionPos{};

void Block(PtWidget_t* window, int flag)
{
    if (!window) return;
    PtArg_t args[3];
    PtSetArg(&args[0], Pt_ARG_FLAGS, flag ? static_cast<long>(Pt_BLOCKED) : 0L, Pt_BLOCKED);
    PtSetArg(&args[1], Pt_ARG_CURSOR_TYPE, flag ? static_cast<long>(Ph_CURSOR_WAIT) : 0L, 0);
    PtSetArg(&args[2], Pt_ARG_CURSOR_OVERRIDE, static_cast<long>(flag), 0);
    PtSetResources(window, 3, args);
}

}  // namespace

int popup_error(const char* text)
{
    if (!bErrorDlg || !g_errorDialog) {
        block_window(-1);
        g_errorDialog = ApCreateModule(&kErrorLink, W("base"), nullptr);
        if (g_errorDialog) bErrorDlg = 1;
    }
    PtWidget_t* label = g_errorDialog ? ApGetWidgetPtr(g_errorDialog, "errmsg") : nullptr;
    if (!label) {
        // Without a window the message still reaches the user.
        std::fprintf(stderr, "%s\n", text ? text : "");
        block_window(0);
        return -1;
    }
    return PtSetResource(label, Pt_ARG_TEXT_STRING, text ? text : "", 0);
}

// A plug-in's error text is shown as the plug-in wrote it.
int popup_plugin_error(const char* text) { return popup_error(text ? text : ""); }

int block_window(int flag)
{
    Block(W("base"), flag);
    if (IsActivePlaylistRealized()) Block(ApWidget("playlistActiveDlg"), flag);
    if (IsPlaylistEditorRealized()) Block(ApWidget("playlistEditorDlg"), flag);
    return 0;
}

int OnErrorDlgRealized(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    bErrorDlg = 1;
    return Pt_CONTINUE;
}

int errdlg_done(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    bErrorDlg = 0;
    if (PtWidget_t* dialog = g_errorDialog) {
        g_errorDialog = nullptr;
        PtDestroyWidget(dialog);
    }
    block_window(0);
    if (mplayer.bErrorShown) {
        if (ControllerGetNextTrack() == -1) cbBaseClose();
        else if (PtWidget_t* group = W("ControlGroup")) PtTimerArm(group, kNextDelayMs);
        mplayer.bStartPending = 0;
        mplayer.bErrorShown = 0;
    }
    return Pt_CONTINUE;
}

const char* GetUserSelection(PtWidget_t* parent, const char* title, const char* btn1, const char* btn2, int flags)
{
    if (!*g_selectionPath) {
        const char* first = mplayer.urlArgs.empty() ? nullptr : mplayer.urlArgs.front().c_str();
        if (first && strncasecmp(first, texts::kFileScheme, 7) == 0 && std::strchr(first + 7, '/'))
            std::snprintf(g_selectionPath, sizeof g_selectionPath, "%s", first + 7);
        else std::snprintf(g_selectionPath, sizeof g_selectionPath, "%s", texts::kDefaultFolder);
    }
    PtFileSelectionInfo_t info{};
    if (PtFileSelection(parent, &g_selectionPos, title, g_selectionPath, nullptr, btn1, btn2,
                        texts::kFileSelectorFormat, &info, flags) != 0 ||
        info.ret != Pt_FSDIALOG_BTN1)
        return nullptr;
    // The remembered path keeps what fits its buffer.
    const std::size_t length = std::min(std::strlen(info.path), sizeof g_selectionPath - 1);
    std::memcpy(g_selectionPath, info.path, length);
    g_selectionPath[length] = '\0';
    g_selectionPos = info.pos;
    return g_selectionPath;
}

int cbFileOpen(PtWidget_t*, void*, PtCallbackInfo_t*)
{
    const char* path = GetUserSelection(W("base"), texts::kOpenFileTitle, texts::kOpenButton, texts::kCancelButton, 0);
    if (!path) return Pt_CONTINUE;
    char buffer[kItemBufferSize];
    PlaylistItem item;
    if (!FindItemFromUrl(buffer, sizeof buffer, item, path, nullptr)) return Pt_CONTINUE;
    mplayer.bStartPending = 0;
    if (!mplayer.bManualPlay) mplayer.bAutoPlay = 1;
    ControllerDeleteAll();
    ControllerOpenItem(&item);
    return Pt_CONTINUE;
}

}  // namespace velora
