// The UI module of each pane kind, shown below the controls while its plug-in is loaded.
#include "panes/Panes.h"

namespace velora {

const char* PaneModuleName(PaneModule pane)
{
    switch (pane) {
    case PaneModule::Sound: return "status_db";
    case PaneModule::Default: return "default_pane";
    case PaneModule::Cd: return "cdaudio_db";
    case PaneModule::Dvd: return "dvd_db";
    case PaneModule::None: break;
    }
    return "";
}

}  // namespace velora
