#include "homeseer/IniStore.h"

#include <system_error>

#include "windows/FileErrors.h"
#include "windows/IniFile.h"
#include "windows/PathMap.h"

namespace homeseer {

namespace {

constexpr const char* kConfigFolder = "\\Config\\";
// Files kept parsed at once; a program names a handful, and more only drop the oldest kept.
constexpr std::size_t kFilesKept = 32;

std::filesystem::path fileOf(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find_first_of("\\/:") != std::string::npos)
        throw windows::BadFileName();
    return windows::MapPath(kConfigFolder + name).native;
}

// Page code asks for the host's own settings without naming their file.
std::string orHostSettings(const std::string& name) { return name.empty() ? kHostSettingsFile : name; }

}  // namespace

std::string SectionText(const windows::IniDocument& document, std::string_view section) {
    std::string text;
    for (const auto& [key, value] : document.Section(section)) {
        if (!text.empty()) text += '\0';
        text += key + "=" + value;
    }
    return text;
}

windows::CachedIniFile& IniStore::cached(const std::string& file) const {
    std::string path = fileOf(file).native();
    auto found = files_.find(path);
    if (found != files_.end()) return found->second;
    if (files_.size() >= kFilesKept) files_.clear();
    return files_.emplace(path, windows::CachedIniFile(path)).first->second;
}

std::string IniStore::Get(const std::string& section, const std::string& key, const std::string& defaultValue,
                          const std::string& file) const {
    std::lock_guard lock(mutex_);
    return cached(orHostSettings(file)).Read().Get(section, key).value_or(defaultValue);
}

void IniStore::Save(const std::string& section, const std::string& key, const std::string& value,
                    const std::string& file) {
    std::lock_guard lock(mutex_);
    windows::CachedIniFile& cache = cached(orHostSettings(file));
    windows::IniDocument& document = cache.ReadForUpdate();
    try {
        document.Set(section, key, value);
    } catch (...) {
        cache.Forget();
        throw;
    }
    cache.Write();
}

void IniStore::SaveAll(const std::vector<Entry>& entries, const std::string& file) {
    std::lock_guard lock(mutex_);
    windows::CachedIniFile& cache = cached(file);
    windows::IniDocument& document = cache.ReadForUpdate();
    try {
        for (const Entry& entry : entries) {
            if (entry.clearSection) document.ClearSection(entry.section);
            else document.Set(entry.section, entry.key, entry.value);
        }
    } catch (...) {
        cache.Forget();
        throw;
    }
    cache.Write();
}

std::string IniStore::Section(const std::string& section, const std::string& file) const {
    std::lock_guard lock(mutex_);
    return SectionText(cached(file).Read(), section);
}

void IniStore::Clear(const std::string& section, const std::string& file) {
    std::lock_guard lock(mutex_);
    windows::CachedIniFile& cache = cached(file);
    std::error_code ec;
    if (!std::filesystem::exists(cache.path(), ec)) return;  // nothing to clear; no file is made
    cache.ReadForUpdate().ClearSection(section);
    cache.Write();
}

}  // namespace homeseer
