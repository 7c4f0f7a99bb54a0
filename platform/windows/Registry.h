#pragma once
// The program settings of the registry (the language's GetSetting, SaveSetting and
// DeleteSetting), kept by application name, section and key in one per-user file:
// $XDG_CONFIG_HOME/zephra/registry.ini, or ~/.config/zephra/registry.ini. Names are found
// without regard to case; values are kept byte for byte. Every call reads the file afresh.

#include <filesystem>
#include <mutex>
#include <string>

namespace windows {

class Registry {
public:
    explicit Registry(std::filesystem::path file);

    // The current user's settings (the file above unless SetFile changed it).
    static Registry& CurrentUser();
    void SetFile(std::filesystem::path file);

    // The stored text, or `defaultValue` when there is none.
    std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                           const std::string& defaultValue = {}) const;
    // Raises 5 for a name or value that cannot be stored (empty, or holding control characters).
    void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                     const std::string& setting);
    // Removes one key, or without a key the whole section; raises 5 when it does not exist.
    void DeleteSetting(const std::string& appName, const std::string& section, const std::string& key = {});

private:
    mutable std::mutex mutex_;
    std::filesystem::path file_;
};

// The statements of the language, on Registry::CurrentUser().
std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                       const std::string& defaultValue = {});
void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                 const std::string& setting);
void DeleteSetting(const std::string& appName, const std::string& section, const std::string& key = {});

}  // namespace windows
