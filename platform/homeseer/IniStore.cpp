#include "homeseer/IniStore.h"

#include <system_error>

#include "windows/CaseFold.h"
#include "windows/FileErrors.h"
#include "windows/IniFile.h"
#include "windows/PathMap.h"

namespace homeseer {

namespace {

constexpr const char* kConfigFolder = "\\Config\\";
// Files kept parsed at once; a program names a handful, and more only drop the oldest kept.
constexpr std::size_t kFilesKept = 32;
// Damaged lines told one by one for a file read; beyond them, only their number.
constexpr std::size_t kDamagedLinesTold = 20;

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

void IniStore::setNotice(Notice notice, std::set<std::string> expected) {
    std::lock_guard lock(mutex_);
    notice_ = std::move(notice);
    expected_.clear();
    for (const std::string& name : expected) expected_.insert(windows::LowerCase(name));
}

void IniStore::tell(windows::CachedIniFile& cache, const windows::IniDocument& document,
                    const std::string& file) const {
    if (!cache.TakeFreshRead() || !notice_) return;
    const bool expected = expected_.contains(windows::LowerCase(file));
    const std::string name = "Config\\" + file;
    using Found = windows::CachedIniFile::Found;
    if (cache.LastFound() == Found::Missing) {
        if (expected) notice_("The settings file " + name + " is missing: every setting in it takes its default");
        return;
    }
    if (cache.LastFound() == Found::Unreadable) {
        if (expected) notice_("The settings file " + name + " cannot be read: every setting in it takes its default");
        return;
    }
    const std::vector<std::size_t> damaged = document.DamagedLines();
    if (expected && document.Text().empty())
        notice_("The settings file " + name + " is empty: every setting in it takes its default");
    for (std::size_t i = 0; i < damaged.size() && i < kDamagedLinesTold; ++i)
        notice_("The settings file " + name + " has a damaged line " + std::to_string(damaged[i]) +
                " (not a section or an entry, or holding a control character): it is not read");
    if (damaged.size() > kDamagedLinesTold)
        notice_("The settings file " + name + " has " + std::to_string(damaged.size() - kDamagedLinesTold) +
                " more damaged lines");
}

const windows::IniDocument& IniStore::read(const std::string& file) const {
    windows::CachedIniFile& cache = cached(file);
    const windows::IniDocument& document = cache.Read();
    tell(cache, document, file);
    return document;
}

windows::IniDocument& IniStore::readForUpdate(const std::string& file) {
    windows::CachedIniFile& cache = cached(file);
    windows::IniDocument& document = cache.ReadForUpdate();
    tell(cache, document, file);
    return document;
}

std::string IniStore::Get(const std::string& section, const std::string& key, const std::string& defaultValue,
                          const std::string& file) const {
    std::lock_guard lock(mutex_);
    return read(orHostSettings(file)).Get(section, key).value_or(defaultValue);
}

void IniStore::Save(const std::string& section, const std::string& key, const std::string& value,
                    const std::string& file) {
    std::lock_guard lock(mutex_);
    windows::IniDocument& document = readForUpdate(orHostSettings(file));
    windows::CachedIniFile& cache = cached(orHostSettings(file));
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
    windows::IniDocument& document = readForUpdate(file);
    windows::CachedIniFile& cache = cached(file);
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
    return SectionText(read(file), section);
}

void IniStore::Clear(const std::string& section, const std::string& file) {
    std::lock_guard lock(mutex_);
    windows::CachedIniFile& cache = cached(file);
    std::error_code ec;
    if (!std::filesystem::exists(cache.path(), ec)) return;  // nothing to clear; no file is made
    readForUpdate(file).ClearSection(section);
    cache.Write();
}

}  // namespace homeseer
