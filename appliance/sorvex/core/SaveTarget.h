#pragma once
// Where a play list may be saved: inside the music folder, never through a link out of it, and
// only over a plain file. Saves from the port and from the Save dialog are held to the same rule.

#include <string>

namespace sorvex {

// Why a save was refused; None when it may go ahead.
enum class SaveRefusal { None, Outside, Hidden, NotPlaylist, NotPlainFile };

// Checks `file` in `folder` against the music folder `root` by their real paths. A root or
// folder that is not there is left for the save itself to report.
SaveRefusal CheckSaveTarget(const std::string& root, const std::string& folder, const std::string& file);

}  // namespace sorvex
