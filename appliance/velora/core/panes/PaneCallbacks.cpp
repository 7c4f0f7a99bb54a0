// The handlers of the panes and windows beside the main window, gathered for the callback table.
#include <vector>

#include "panes/CdPane.h"
#include "panes/DvdPane.h"
#include "playlist/PlaylistEditor.h"
#include "dialogs/Settings.h"
#include "panes/Panes.h"

namespace velora {

using namespace photon;

const ApCallbackName_t* kPaneCallbacks()
{
    static std::vector<ApCallbackName_t> all;
    if (all.empty()) {
        for (const ApCallbackName_t* table : {kDvdCallbacks, kCdCallbacks, kSettingsCallbacks, kPlaylistCallbacks})
            for (; table->name; ++table) all.push_back(*table);
        all.push_back({nullptr, nullptr});
    }
    return all.data();
}

}  // namespace velora
