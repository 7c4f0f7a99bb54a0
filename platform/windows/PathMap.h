#pragma once
// Windows paths mapped under the application folder (AppFolder.h):
//   "C:\a\b" (any drive), "\a\b", "\\a\b" and the application folder's own path followed
//   by "\a\b" all name <application folder>/a/b; a relative "a\b" does too.
// A path that begins with a single "/" and is not the application folder's own is a Linux path
// and is taken as it stands ("\" separating names there too), nothing mapped or found by case.
// "\" and "/" both separate names; each name is found without regard to case (an exact
// match wins; a name that does not exist is kept as written). ".." that would climb above
// the application folder is refused.
// Paths are texts of the code page (Windows-1252) and names on this machine are UTF-8: a name is
// looked for as written, then in UTF-8; one that does not exist is made in UTF-8. Names read
// from the disk come back in the code page when it holds every character of them.

#include <filesystem>
#include <string>
#include <string_view>

namespace windows {

struct MappedPath {
    std::filesystem::path native;  // where the path lies on this machine
    std::string windows;           // the path as Windows shows it: its root as written, names joined by "\"
    std::string name;              // the last name ("" for the root itself)

    // The entry `child` (an on-disk name) inside this folder.
    MappedPath Child(const std::string& child) const;
};

// The name on disk for a name in the code page, and the code page's text for a name on disk (a
// name that is no UTF-8, or holds a character the code page has not, byte for byte; DiskName
// keeps such a UTF-8 name as it is).
std::string DiskName(std::string_view text);
std::string TextName(std::string_view onDisk);

// Throws vb::Error 5 for an empty path, 52 for a path holding a NUL character, 76 for a
// path that would leave the application folder.
MappedPath MapPath(std::string_view path);

// True for a path that MapPath refuses because it would leave the application folder.
bool LeavesAppFolder(std::string_view path);

}  // namespace windows
