#include "windows/Folder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "windows/CaseFold.h"
#include "windows/FileErrors.h"

namespace windows {

namespace fs = std::filesystem;

Folder::Folder(MappedPath path) : path_(std::move(path)) {}

std::string Folder::Name() const { return path_.name; }

std::string Folder::Path() const { return path_.windows; }

std::vector<std::string> Folder::entries(bool folders) const {
    std::error_code ec;
    fs::directory_iterator it(path_.native, ec);
    if (ec) throw PathNotFound();
    std::vector<std::string> names;
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        // A linked folder is not listed, so that a link loop cannot make a walk endless.
        std::error_code typeError;
        bool isLink = it->is_symlink(typeError);
        bool isFolder = it->is_directory(typeError);
        if (typeError || (isLink && isFolder)) continue;
        if (isFolder == folders) names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        std::string la = LowerCase(a), lb = LowerCase(b);
        return la != lb ? la < lb : a < b;
    });
    return names;
}

std::vector<File> Folder::Files() const {
    std::vector<File> files;
    for (const std::string& n : entries(false)) files.emplace_back(path_.Child(n));
    return files;
}

std::vector<Folder> Folder::SubFolders() const {
    std::vector<Folder> folders;
    for (const std::string& n : entries(true)) folders.emplace_back(path_.Child(n));
    return folders;
}

}  // namespace windows
