// The functions the UI files name as handlers, and the application context.
#include "playlist/Controller.h"
#include "dialogs/Dialogs.h"
#include "window/MainWindow.h"
#include "panes/Panes.h"
#include "panes/SoundPane.h"
#include "window/Transport.h"

#include <vector>

namespace velora {

using namespace photon;

namespace {

const ApEventLink_t kHelpLink = {ABM_DIALOG, "helpDlg", nullptr, ABM_PLACE_CENTER, 0, 0};
const ApEventLink_t kAboutLink = {ABM_DIALOG, "aboutDlg", nullptr, ABM_PLACE_CENTER, 0, 0};

int OnHelp(PtWidget_t*, void*, PtCallbackInfo_t* info)
{
    ApCreateModule(&kHelpLink, W("base"), info);
    return Pt_CONTINUE;
}
int OnAbout(PtWidget_t*, void*, PtCallbackInfo_t* info)
{
    ApCreateModule(&kAboutLink, W("base"), info);
    return Pt_CONTINUE;
}
// Closes the dialog holding the button.
int OnCloseDialog(PtWidget_t* widget, void*, PtCallbackInfo_t*)
{
    PtDestroyWidget(ApGetInstance(widget));
    return Pt_CONTINUE;
}
int OnExit(PtWidget_t* w, void* d, PtCallbackInfo_t* i) { return OnFileMenuExit(w, d, i); }
int OnBaseClose(PtWidget_t* w, void* d, PtCallbackInfo_t* i) { return cbBaseClose(w, d, i); }

const ApCallbackName_t kCallbacks[] = {
    // Transport.
    {"cbplay", cbplay},
    {"cbpause", cbpause},
    {"cbstop", cbstop},
    {"cbeject", cbeject},
    {"cbPrevious", cbPrevious},
    {"cbnext", cbnext},
    {"cbFastRewind", cbFastRewind},
    {"cbFastForward", cbFastForward},
    {"cbFastDisarm", cbFastDisarm},
    {"cbFastSeek", cbFastSeek},
    {"cbreplay", cbreplay},
    {"cbmute", cbmute},
    {"cbVolume", cbVolume},
    {"cbSeek", cbSeek},
    {"cbTimer", cbTimer},
    {"ControllerPlayNext", ControllerPlayNext},
    {"OnOpenUrl", OnOpenUrl},
    {"OnOpenUrlDialog", OnOpenUrlDialog},
    // Main window, menus and dialogs.
    {"cbFileOpen", cbFileOpen},
    {"OnFileMenuExit", OnExit},
    {"cbBaseClose", OnBaseClose},
    {"cbBaseDestroyed", cbBaseDestroyed},
    {"base_drag", base_drag},
    {"OnHelp", OnHelp},
    {"OnAbout", OnAbout},
    {"OnCloseDialog", OnCloseDialog},
    {"OnErrorDlgRealized", OnErrorDlgRealized},
    {"errdlg_done", errdlg_done},
    {"OnPlimsaTime", OnPlimsaTime},
    // The other panes and windows.
    {"OnOpenSettings", OnOpenSettings},
    {"OnOpenPlaylistEditor", OnOpenPlaylistEditor},
    {"OnOpenActivePlaylist", OnOpenActivePlaylist},
    {"OnLaunchMixer", OnLaunchMixer},
    {"OnLaunchCdAudio", OnLaunchCdAudio},
    {"OnLaunchDvd", OnLaunchDvd},
    {nullptr, nullptr},
};

}  // namespace

const ApContext_t* Context(const char* uiDirectory)
{
    // The panes and windows keep their own handlers in tables of their own.
    static std::vector<ApCallbackName_t> all;
    if (all.empty()) {
        for (const ApCallbackName_t* table : {kCallbacks, kPaneCallbacks()})
            for (; table && table->name; ++table) all.push_back(*table);
        all.push_back({nullptr, nullptr});
    }
    static ApContext_t context;
    context = {uiDirectory, all.data(), "Velora"};
    return &context;
}

}  // namespace velora
