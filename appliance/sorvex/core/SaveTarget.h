#pragma once
// Where a play list may be saved: inside the music folder, never through a link out of it, and
// only over a plain file. Saves from the port and from the Save dialog are held to the same rule.

#include <string>

namespace sorvex {

// Why a save was refused; None when it may go ahead.
// Absolute and UpLevel: a network name given by an absolute path or with "..", that would still
// land inside the music folder (one that lands outside it is Outside).
enum class SaveRefusal { None, Outside, Hidden, NotPlaylist, NotPlainFile, Absolute, UpLevel };

// Checks `file` in `folder` against the music folder `root` by their real paths. A root or
// folder that is not there is left for the save itself to report.
SaveRefusal CheckSaveTarget(const std::string& root, const std::string& folder, const std::string& file);
// The reason to give for a network name refused as Outside by its form (absolute, or with ".."):
// Outside when it would land outside the music folder `root`, else Absolute or UpLevel.
SaveRefusal WayOutOf(const std::string& root, const std::string& argument);

}  // namespace sorvex
