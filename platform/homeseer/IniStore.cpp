#include "homeseer/IniStore.h"

#include <system_error>

#include "windows/FileErrors.h"
#include "windows/IniFile.h"
#include "windows/PathMap.h"

namespace homeseer {

namespace {

constexpr const char* kConfigFolder = "\\Config\\";

std::filesystem::path fileOf(const std::string& name) {
    if (name.empty() || name == "." || name == ".." || name.find_first_of("\\/:") != std::string::npos)
        throw windows::BadFileName();
    return windows::MapPath(kConfigFolder + name).native;
}

}  // namespace

std::string SectionText(const windows::IniDocument& document, std::string_view section) {
    std::string text;
    for (const auto& [key, value] : document.Section(section)) {
        if (!text.empty()) text += '\0';
        text += key + "=" + value;
    }
    return text;
}

std::string IniStore::Get(const std::string& section, const std::string& key, const std::string& defaultValue,
                          const std::string& file) const {
    std::lock_guard lock(mutex_);
    return windows::ReadIniFile(fileOf(file)).Get(section, key).value_or(defaultValue);
}

void IniStore::Save(const std::string& section, const std::string& key, const std::string& value,
                    const std::string& file) {
    std::lock_guard lock(mutex_);
    auto path = fileOf(file);
    windows::IniDocument document = windows::ReadIniFileForUpdate(path);
    document.Set(section, key, value);
    windows::WriteIniFile(path, document);
}

std::string IniStore::Section(const std::string& section, const std::string& file) const {
    std::lock_guard lock(mutex_);
    return SectionText(windows::ReadIniFile(fileOf(file)), section);
}

void IniStore::Clear(const std::string& section, const std::string& file) {
    std::lock_guard lock(mutex_);
    auto path = fileOf(file);
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return;  // nothing to clear; no file is made
    windows::IniDocument document = windows::ReadIniFileForUpdate(path);
    document.ClearSection(section);
    windows::WriteIniFile(path, document);
}

}  // namespace homeseer
