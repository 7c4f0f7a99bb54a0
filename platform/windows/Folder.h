#pragma once
// A folder found by the file-system object (`Folder`): its files and subfolders, listed
// afresh at each call in name order without regard to case (as Windows lists them).

#include <string>
#include <vector>

#include "windows/File.h"
#include "windows/PathMap.h"

namespace windows {

class Folder {
public:
    explicit Folder(MappedPath path);

    std::string Name() const;  // the name on disk
    std::string Path() const;  // the Windows form of the full path
    // Raise 76 "Path not found" when the folder has gone.
    std::vector<File> Files() const;
    std::vector<Folder> SubFolders() const;

private:
    std::vector<std::string> entries(bool folders) const;

    MappedPath path_;
};

}  // namespace windows
