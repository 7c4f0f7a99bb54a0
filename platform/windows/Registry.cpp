#include "windows/Registry.h"

#include <cstdlib>

#include "windows/FileErrors.h"
#include "windows/IniFile.h"

namespace windows {

namespace {

namespace fs = std::filesystem;

fs::path userFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    fs::path folder = (config && *config) ? fs::path(config) : fs::path(home && *home ? home : ".") / ".config";
    return folder / "zephra" / "registry.ini";
}

// The settings of one application's section are one INI section named "app\section".
std::string sectionName(const std::string& appName, const std::string& section) {
    if (appName.empty() || section.empty()) throw InvalidProcedureCall();
    return appName + "\\" + section;
}

}  // namespace

Registry::Registry(fs::path file) : file_(std::move(file)) {}

Registry& Registry::CurrentUser() {
    static Registry registry(userFile());
    return registry;
}

void Registry::SetFile(fs::path file) {
    std::lock_guard lock(mutex_);
    file_ = std::move(file);
}

std::string Registry::GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
    std::lock_guard lock(mutex_);
    if (appName.empty() || section.empty()) return defaultValue;
    return ReadIniFile(file_).Get(sectionName(appName, section), key).value_or(defaultValue);
}

void Registry::SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                           const std::string& setting) {
    std::lock_guard lock(mutex_);
    IniDocument document = ReadIniFileForUpdate(file_);
    document.Set(sectionName(appName, section), key, setting);
    WriteIniFile(file_, document);
}

void Registry::DeleteSetting(const std::string& appName, const std::string& section, const std::string& key) {
    std::lock_guard lock(mutex_);
    IniDocument document = ReadIniFileForUpdate(file_);
    std::string name = sectionName(appName, section);
    bool removed = key.empty() ? document.RemoveSection(name) : document.RemoveKey(name, key);
    if (!removed) throw InvalidProcedureCall();
    WriteIniFile(file_, document);
}

std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
    return Registry::CurrentUser().GetSetting(appName, section, key, defaultValue);
}

void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                 const std::string& setting) {
    Registry::CurrentUser().SaveSetting(appName, section, key, setting);
}

void DeleteSetting(const std::string& appName, const std::string& section, const std::string& key) {
    Registry::CurrentUser().DeleteSetting(appName, section, key);
}

}  // namespace windows
