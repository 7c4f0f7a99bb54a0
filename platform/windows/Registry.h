#pragma once
// The program settings of the registry (the language's GetSetting, SaveSetting and
// DeleteSetting), kept by application name, section and key in one per-user file:
// $XDG_CONFIG_HOME/zephra/registry.ini, or ~/.config/zephra/registry.ini. Names are found
// without regard to case; values are kept byte for byte. The file is kept parsed and read again
// only when it changed on disk, so that changes made outside the program are seen.

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "windows/CachedIniFile.h"

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
    // The section's keys and values in file order (none when there is no such section).
    std::vector<std::pair<std::string, std::string>> GetAllSettings(const std::string& appName,
                                                                    const std::string& section) const;
    // A number that changes whenever any setting may have changed (in the file or by this object),
    // so that a caller may keep what it made of the settings until then.
    std::uint64_t Generation() const;
    // Raises 5 for a name or value that cannot be stored (empty, or holding control characters).
    void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                     const std::string& setting);
    // Several keys of one section, written to the file once; nothing is stored when one raises 5.
    void SaveSettings(const std::string& appName, const std::string& section,
                      const std::vector<std::pair<std::string, std::string>>& settings);
    // Removes one key, or without a key the whole section; raises 5 when it does not exist.
    void DeleteSetting(const std::string& appName, const std::string& section, const std::string& key = {});

private:
    mutable std::mutex mutex_;
    mutable CachedIniFile file_;
};

// The statements of the language, on Registry::CurrentUser().
std::string GetSetting(const std::string& appName, const std::string& section, const std::string& key,
                       const std::string& defaultValue = {});
std::vector<std::pair<std::string, std::string>> GetAllSettings(const std::string& appName, const std::string& section);
void SaveSetting(const std::string& appName, const std::string& section, const std::string& key,
                 const std::string& setting);
void SaveSettings(const std::string& appName, const std::string& section,
                  const std::vector<std::pair<std::string, std::string>>& settings);
void DeleteSetting(const std::string& appName, const std::string& section, const std::string& key = {});

}  // namespace windows
