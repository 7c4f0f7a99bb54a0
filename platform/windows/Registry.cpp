#include "windows/Registry.h"

#include <cstdlib>

#include "windows/FileErrors.h"

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
    file_ = CachedIniFile(std::move(file));
}

std::string Registry::GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                                 const std::string& defaultValue) const {
    std::lock_guard lock(mutex_);
    if (appName.empty() || section.empty()) return defaultValue;
    return file_.Read().Get(sectionName(appName, section), key).value_or(defaultValue);
}

std::vector<std::pair<std::string, std::string>> Registry::GetAllSettings(const std::string& appName,
                                                                          const std::string& section) const {
    std::lock_guard lock(mutex_);
    if (appName.empty() || section.empty()) return {};
    return file_.Read().Section(sectionName(appName, section));
}

std::uint64_t Registry::Generation() const {
    std::lock_guard lock(mutex_);
    file_.Read();
    return file_.Generation();
}

void Registry::SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                           const std::string& setting) {
    SaveSettings(appName, section, {{key, setting}});
}

void Registry::SaveSettings(const std::string& appName, const std::string& section,
                            const std::vector<std::pair<std::string, std::string>>& settings) {
    std::lock_guard lock(mutex_);
    std::string name = sectionName(appName, section);
    IniDocument& document = file_.ReadForUpdate();
    try {
        for (const auto& [key, setting] : settings) document.Set(name, key, setting);
    } catch (...) {
        file_.Forget();  // a refused setting leaves the file as it was, and the next read with it
        throw;
    }
    file_.Write();
}

void Registry::DeleteSetting(const std::string& appName, const std::string& section, const std::string& key) {
    std::lock_guard lock(mutex_);
    std::string name = sectionName(appName, section);
    IniDocument& document = file_.ReadForUpdate();
    bool removed = key.empty() ? document.RemoveSection(name) : document.RemoveKey(name, key);
    if (!removed) throw InvalidProcedureCall();
    file_.Write();
}

std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                       const std::string& defaultValue) {
    return Registry::CurrentUser().GetSetting(appName, section, key, defaultValue);
}

std::vector<std::pair<std::string, std::string>> GetAllSettings(const std::string& appName,
                                                                const std::string& section) {
    return Registry::CurrentUser().GetAllSettings(appName, section);
}

void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                 const std::string& setting) {
    Registry::CurrentUser().SaveSetting(appName, section, key, setting);
}

void SaveSettings(const std::string& appName, const std::string& section,
                  const std::vector<std::pair<std::string, std::string>>& settings) {
    Registry::CurrentUser().SaveSettings(appName, section, settings);
}

void DeleteSetting(const std::string& appName, const std::string& section, const std::string& key) {
    Registry::CurrentUser().DeleteSetting(appName, section, key);
}

}  // namespace windows
