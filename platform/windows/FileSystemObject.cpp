#include "windows/FileSystemObject.h"

#include <filesystem>
#include <system_error>

#include "windows/FileErrors.h"
#include "windows/PathMap.h"

namespace windows {

namespace {

namespace fs = std::filesystem;

bool isSeparator(char c) { return c == '\\' || c == '/'; }

bool isFile(const fs::path& p) {
    std::error_code ec;
    return fs::exists(p, ec) && !fs::is_directory(p, ec);
}

bool isFolder(const fs::path& p) {
    std::error_code ec;
    return fs::is_directory(p, ec);
}

bool parentExists(const MappedPath& p) { return isFolder(p.native.parent_path()); }

// A path that cannot be mapped exists nowhere.
bool mapsTo(const std::string& path, MappedPath& mapped) {
    try {
        mapped = MapPath(path);
        return true;
    } catch (const vb::Error&) {
        return false;
    }
}

}  // namespace

bool FileSystemObject::FileExists(const std::string& path) const {
    MappedPath p;
    return !path.empty() && mapsTo(path, p) && isFile(p.native);
}

bool FileSystemObject::FolderExists(const std::string& path) const {
    MappedPath p;
    return !path.empty() && mapsTo(path, p) && isFolder(p.native);
}

Folder FileSystemObject::CreateFolder(const std::string& path) const {
    MappedPath p = MapPath(path);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(p.native, ec))) throw FileAlreadyExists();
    if (!parentExists(p)) throw PathNotFound();
    if (!fs::create_directory(p.native, ec) || ec) throw PermissionDenied();
    return Folder(p);
}

std::shared_ptr<TextStream> FileSystemObject::CreateTextFile(const std::string& path, bool overwrite) const {
    MappedPath p = MapPath(path);
    if (isFolder(p.native)) throw PermissionDenied();
    if (isFile(p.native) && !overwrite) throw FileAlreadyExists();
    if (!parentExists(p)) throw PathNotFound();
    return std::make_shared<TextStream>(p.native, ForWriting);
}

std::shared_ptr<TextStream> FileSystemObject::OpenTextFile(const std::string& path, int mode, bool create) const {
    if (mode != ForReading && mode != ForWriting && mode != ForAppending) throw InvalidProcedureCall();
    MappedPath p = MapPath(path);
    if (isFolder(p.native)) throw PermissionDenied();
    if (!isFile(p.native)) {
        if (!parentExists(p)) throw PathNotFound();
        if (!create) throw FileNotFound();
        TextStream(p.native, ForWriting).Close();
    }
    return std::make_shared<TextStream>(p.native, static_cast<IOMode>(mode));
}

void FileSystemObject::CopyFile(const std::string& source, const std::string& destination, bool overwrite) const {
    MappedPath from = MapPath(source);
    if (!isFile(from.native)) throw FileNotFound();
    MappedPath to = MapPath(destination);
    if (!destination.empty() && isSeparator(destination.back())) {
        if (!isFolder(to.native)) throw PathNotFound();
        std::string into = to.windows;
        if (into.empty() || into.back() != '\\') into += '\\';
        to = MapPath(into + from.name);
    }
    if (isFolder(to.native)) throw PermissionDenied();
    if (isFile(to.native) && !overwrite) throw FileAlreadyExists();
    if (!parentExists(to)) throw PathNotFound();
    std::error_code ec;
    fs::copy_file(from.native, to.native, fs::copy_options::overwrite_existing, ec);
    if (ec) throw PermissionDenied();
}

void FileSystemObject::DeleteFile(const std::string& path, bool force) const { File(MapPath(path)).Delete(force); }

File FileSystemObject::GetFile(const std::string& path) const {
    MappedPath p = MapPath(path);
    if (!isFile(p.native)) throw FileNotFound();
    return File(p);
}

Folder FileSystemObject::GetFolder(const std::string& path) const {
    MappedPath p = MapPath(path);
    if (!isFolder(p.native)) throw PathNotFound();
    return Folder(p);
}

std::string FileSystemObject::GetExtensionName(const std::string& path) const {
    size_t nameStart = path.find_last_of("\\/:");
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return {};
    return path.substr(dot + 1);
}

std::string FileSystemObject::BuildPath(const std::string& path, const std::string& name) const {
    if (path.empty()) return name;
    bool hasSeparator = isSeparator(path.back()) || path.back() == ':' || (!name.empty() && isSeparator(name.front()));
    return hasSeparator ? path + name : path + "\\" + name;
}

}  // namespace windows
