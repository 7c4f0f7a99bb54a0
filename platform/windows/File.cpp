#include "windows/File.h"

#include <filesystem>
#include <system_error>

#include "windows/FileErrors.h"

namespace windows {

namespace fs = std::filesystem;

File::File(MappedPath path) : path_(std::move(path)) {}

std::string File::Name() const { return path_.name; }

std::string File::Path() const { return path_.windows; }

int64_t File::Size() const {
    std::error_code ec;
    auto size = fs::file_size(path_.native, ec);
    if (ec) throw FileNotFound();
    return static_cast<int64_t>(size);
}

std::chrono::system_clock::time_point File::DateLastModified() const {
    std::error_code ec;
    auto written = fs::last_write_time(path_.native, ec);
    if (ec) throw FileNotFound();
    return std::chrono::time_point_cast<std::chrono::system_clock::duration>(std::chrono::file_clock::to_sys(written));
}

void File::Delete(bool /*force*/) {
    std::error_code ec;
    if (!fs::is_regular_file(path_.native, ec)) throw FileNotFound();
    if (!fs::remove(path_.native, ec) || ec) throw PermissionDenied();
}

}  // namespace windows
