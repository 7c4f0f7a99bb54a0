#pragma once
// The file-system object ("Scripting.FileSystemObject") with the members the plug-in
// uses. Paths are Windows paths, mapped under the application folder (PathMap.h).
// Failures raise vb::Error with the numbers Windows gives them:
// 53 "File not found", 58 "File already exists", 70 "Permission denied", 76 "Path not found".

#include <memory>
#include <string>

#include "windows/File.h"
#include "windows/Folder.h"
#include "windows/TextStream.h"

namespace windows {

class FileSystemObject {
public:
    // True when a file (folder) exists there; never raises.
    bool FileExists(const std::string& path) const;
    bool FolderExists(const std::string& path) const;

    // Raises 58 when something of that name exists, 76 when the parent folder is missing.
    Folder CreateFolder(const std::string& path) const;
    // Creates (or, with overwrite, empties) a file and opens it for writing. Raises 58 when
    // it exists and overwrite is false, 70 when a folder has that name, 76 when the parent
    // folder is missing.
    std::shared_ptr<TextStream> CreateTextFile(const std::string& path, bool overwrite = true) const;
    // Opens a file for reading, writing or appending; with create, a missing file is made.
    // Raises 53 for a missing file (without create), 76 when the parent folder is missing,
    // 5 for another mode.
    std::shared_ptr<TextStream> OpenTextFile(const std::string& path, int mode = ForReading, bool create = false) const;
    // Copies one file; a destination ending in "\" names the folder to copy into. Raises 53
    // for a missing source, 58 when the destination exists and overwrite is false, 70 when
    // the destination is a folder, 76 when its folder is missing.
    void CopyFile(const std::string& source, const std::string& destination, bool overwrite = true) const;
    // Raises 53 for a missing file, 70 when it cannot be deleted.
    void DeleteFile(const std::string& path, bool force = false) const;
    // Raise 53 (file) or 76 (folder) when missing.
    File GetFile(const std::string& path) const;
    Folder GetFolder(const std::string& path) const;

    // The last name's text after its last "." ("" when none); the disk is not consulted.
    std::string GetExtensionName(const std::string& path) const;
    // path, a "\" unless one of them already has a separator there, and name.
    std::string BuildPath(const std::string& path, const std::string& name) const;
};

}  // namespace windows
