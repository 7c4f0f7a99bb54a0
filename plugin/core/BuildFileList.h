#pragma once
// Collecting slideshow pictures: the picture files of a folder tree, as paths relative to a
// base folder.

#include <string>

#include "core/Settings.h"
#include "windows/Folder.h"

namespace zephra {

class PluginState;

// Appends to `files` every picture of `folder` and its subfolders (depth first) whose kind
// is switched on ("jpg" for .jpg and .jpeg, "gif", "bmp"), as its path with `base` removed,
// and -1 to both size lists. `base` is found without regard to case, "/" and "\" counting
// as the same. `server` is passed down and not used.
void BuildFileList(PluginState& state, const windows::Folder& folder, const std::string& server,
                   const std::string& base, PictureList& files);

// `path` with every occurrence of `base` removed, letters compared without regard to case
// and "/" equal to "\".
std::string RemoveBasePath(const std::string& path, const std::string& base);

}  // namespace zephra
