#pragma once
// What the jukebox shows: the main window implements this; without a window every call does
// nothing, so the play list, the back-ends and the command port run headless.

#include <string>
#include <vector>

namespace sorvex {

class JukeboxView {
public:
    virtual ~JukeboxView() = default;

    // Play list rows (row = position + 1).
    virtual void clearRows() {}
    virtual void appendRow(const std::string& /*title*/) {}
    virtual void setRows(const std::vector<std::string>& /*titlesInPlayOrder*/) {}
    virtual void deleteRow(int /*row*/) {}
    // Scrolls so that the rows around the position show and selects its row (none below 0).
    virtual void showPosition(int /*position*/, int /*count*/) {}

    // Now playing, texts in UTF-8.
    virtual void setTrackLabel(const std::string& /*text*/) {}
    virtual void setArtistLabel(const std::string& /*text*/) {}
    virtual void setAlbumLabel(const std::string& /*text*/) {}
    virtual void setElapsed(int /*seconds*/, const std::string& /*text*/) {}
    virtual void setLength(int /*seconds*/, const std::string& /*text*/, bool /*setSliderMaximum*/) {}

    // Transport buttons and menu items.
    virtual void updateControls(bool /*hasEntries*/, bool /*playing*/) {}

    // Progress of long operations.
    virtual void showProgress(const std::string& /*text*/, int /*entries*/) {}
    virtual void endProgress() {}

    // The browser shows a directory or page.
    virtual void showDirectory(const std::string& /*path*/, bool /*record*/) {}
    // A message box titled "Sorvex Alert".
    virtual void alert(const std::string& /*text*/) {}
};

}  // namespace sorvex
