#include "SaveTarget.h"

#include <algorithm>
#include <filesystem>

namespace sorvex {

namespace {

bool inside(const std::filesystem::path& root, const std::filesystem::path& path) {
    auto [rootEnd, unused] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
    return rootEnd == root.end();
}

}  // namespace

SaveRefusal CheckSaveTarget(const std::string& root, const std::string& folder, const std::string& file) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path realRoot = fs::canonical(root, ec);
    if (ec) return SaveRefusal::None;
    const fs::path realFolder = fs::canonical(folder, ec);
    if (ec) return SaveRefusal::None;
    if (!inside(realRoot, realFolder)) return SaveRefusal::Outside;
    const fs::path target = realFolder / file;
    const fs::file_status status = fs::symlink_status(target, ec);
    if (!fs::exists(status)) return SaveRefusal::None;
    if (fs::is_symlink(status)) {
        // A link is never written through; where it leads says which refusal it is.
        const fs::path leadsTo = fs::weakly_canonical(target, ec);
        return !ec && inside(realRoot, leadsTo) ? SaveRefusal::NotPlainFile : SaveRefusal::Outside;
    }
    return fs::is_regular_file(status) ? SaveRefusal::None : SaveRefusal::NotPlainFile;
}

SaveRefusal WayOutOf(const std::string& root, const std::string& argument) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path realRoot = fs::canonical(root, ec);
    if (ec) return SaveRefusal::Outside;
    const bool absolute = argument.starts_with('/');
    const fs::path target = fs::weakly_canonical(absolute ? fs::path(argument) : realRoot / argument, ec);
    if (ec || !inside(realRoot, target) || target == realRoot) return SaveRefusal::Outside;
    return absolute ? SaveRefusal::Absolute : SaveRefusal::UpLevel;
}

}  // namespace sorvex
