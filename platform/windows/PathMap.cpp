#include "windows/PathMap.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <vector>

#include "windows/AppFolder.h"
#include "windows/CaseFold.h"
#include "windows/FileErrors.h"
#include "vb/CodePage.h"

namespace windows {

namespace {

namespace fs = std::filesystem;

bool isLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The text before the mapped names, as Windows would show it.
struct Root {
    std::string shown;  // "C:", "" (for "\a"), "\" (for "\\a"), or the application folder
    std::string rest;   // the names after the root, still unsplit
};

Root splitRoot(std::string path, const std::string& app) {
    std::replace(path.begin(), path.end(), '\\', '/');
    if (path.compare(0, app.size(), app) == 0 && (path.size() == app.size() || path[app.size()] == '/'))
        return {app, path.substr(app.size())};
    if (path.size() >= 2 && isLetter(path[0]) && path[1] == ':')
        return {std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])))) + ":",
                path.substr(2)};
    if (path.size() >= 2 && path[0] == '/' && path[1] == '/') return {"\\", path.substr(2)};
    if (path[0] == '/') return {"", path.substr(1)};
    return {app, path};
}

// Splits the names and resolves "." and ".."; refuses a climb above the root.
std::vector<std::string> splitNames(const std::string& rest) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = rest.find('/', start);
        if (end == std::string::npos) end = rest.size();
        std::string name = rest.substr(start, end - start);
        if (name == "..") {
            if (names.empty()) throw PathNotFound();
            names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(std::move(name));
        }
        start = end + 1;
    }
    return names;
}

// The on-disk name in `folder` that matches `name` (a text): the name as written when it exists,
// else its UTF-8 form, else the first (in byte order) that differs only in case, else "".
std::string findEntry(const fs::path& folder, const std::string& name) {
    std::error_code ec;
    if (fs::exists(fs::symlink_status(folder / name, ec))) return name;
    const std::string utf8 = DiskName(name);
    if (utf8 != name && fs::exists(fs::symlink_status(folder / utf8, ec))) return utf8;
    std::string best;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string candidate = it->path().filename().string();
        if ((EqualsNoCase(candidate, name) || EqualsNoCase(TextName(candidate), name)) &&
            (best.empty() || candidate < best))
            best = candidate;
    }
    return best;
}

std::string joined(const Root& root, const std::vector<std::string>& names) {
    std::string shown = root.shown;
    if (names.empty()) return (shown.empty() || shown.back() == ':' || shown == "\\") ? shown + "\\" : shown;
    for (const std::string& n : names) shown += "\\" + n;
    return shown;
}

// A path as a Linux user types it ("/home/me/friends"): taken as it stands, not moved under the
// application folder. A "\" a caller added after it still separates names.
// The application folder's own path followed by "\..." stays a Windows form, its names found
// without regard to case.
bool isNative(std::string_view path, const std::string& app) {
    if (path[0] != '/' || (path.size() > 1 && path[1] == '/')) return false;
    const bool underApp = path.compare(0, app.size(), app) == 0 &&
                          (path.size() == app.size() || path[app.size()] == '/' || path[app.size()] == '\\');
    return !underApp;
}

MappedPath nativePath(std::string_view path) {
    std::string rest(path);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    fs::path native = "/";
    std::string shown;
    std::string name;
    std::error_code ec;
    for (const std::string& n : splitNames(rest.substr(1))) {
        // A name already on the disk byte for byte is that one; any other is the text's UTF-8 form.
        native /= fs::exists(fs::symlink_status(native / n, ec)) ? n : DiskName(n);
        shown += "/" + n;
        name = n;
    }
    return {native, shown.empty() ? "/" : shown, name};
}

}  // namespace

// A text holding a character the code page has not came from a name on the disk (TextName keeps
// such names byte for byte): it is that name already.
std::string DiskName(std::string_view text) {
    if (vb::firstUnheld(text) != 0 && vb::isUtf8(text)) return std::string(text);
    return vb::toUtf8(text);
}

std::string TextName(std::string_view onDisk) {
    return vb::firstUnheld(onDisk) == 0 ? vb::fromUtf8(onDisk) : std::string(onDisk);
}

MappedPath MappedPath::Child(const std::string& child) const {
    std::string shown = windows;
    if (shown.empty() || shown.back() != '\\') shown += '\\';
    const std::string text = TextName(child);
    return {native / child, shown + text, text};
}

MappedPath MapPath(std::string_view path) {
    if (path.empty()) throw InvalidProcedureCall();
    if (path.find('\0') != std::string_view::npos) throw BadFileName();
    const std::string app = AppFolder();
    if (isNative(path, app)) return nativePath(path);
    Root root = splitRoot(std::string(path), app);
    std::vector<std::string> names = splitNames(root.rest);

    fs::path native = app;
    bool found = true;
    for (std::string& n : names) {
        std::string onDisk;
        if (found) {
            onDisk = findEntry(native, n);
            if (onDisk.empty()) found = false;
            else if (onDisk != n) n = TextName(onDisk);
        }
        // A name not on the disk yet is made in UTF-8, as this machine's names are.
        native /= found ? onDisk : DiskName(n);
    }
    return {native, joined(root, names), names.empty() ? std::string() : names.back()};
}

bool LeavesAppFolder(std::string_view path) {
    try {
        MapPath(path);
    } catch (const vb::Error& e) {
        return e.number() == PathNotFound().number();
    }
    return false;
}

}  // namespace windows
