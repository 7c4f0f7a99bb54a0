#pragma once
// A file found by the file-system object (`File`). Its properties are read from the disk
// at each call; a file that has gone raises 53 "File not found".

#include <chrono>
#include <cstdint>
#include <string>

#include "windows/PathMap.h"

namespace windows {

class File {
public:
    explicit File(MappedPath path);

    std::string Name() const;  // the name on disk
    std::string Path() const;  // the Windows form of the full path
    int64_t Size() const;      // bytes
    std::chrono::system_clock::time_point DateLastModified() const;
    // Deletes the file; raises 53 when it is gone, 70 when it cannot be deleted.
    void Delete(bool force = false);

private:
    MappedPath path_;
};

}  // namespace windows
