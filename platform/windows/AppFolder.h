#pragma once
// The one application folder of this process: every Windows path the plug-in names
// ("C:\...", "\...", or the folder's own path followed by "\...") lies under it.

#include <string>

namespace windows {

// The application folder as a native absolute path, without a trailing separator.
// Until SetAppFolder is called it is the working directory at the first call.
std::string AppFolder();

// Sets the application folder (made absolute; a trailing separator is dropped).
void SetAppFolder(const std::string& folder);

}  // namespace windows
