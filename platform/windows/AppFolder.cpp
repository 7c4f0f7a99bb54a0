#include "windows/AppFolder.h"

#include <filesystem>
#include <mutex>

namespace windows {

namespace {

std::mutex folderMutex;
std::string folder;  // guarded by folderMutex; empty until first use

std::string withoutTrailingSeparator(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

std::string AppFolder() {
    std::lock_guard lock(folderMutex);
    if (folder.empty()) folder = withoutTrailingSeparator(std::filesystem::current_path().string());
    return folder;
}

void SetAppFolder(const std::string& path) {
    std::string absolute = withoutTrailingSeparator(std::filesystem::absolute(path).lexically_normal().string());
    std::lock_guard lock(folderMutex);
    folder = std::move(absolute);
}

}  // namespace windows
