#pragma once
// The host object `hs`: what the plug-in calls on the host. Implemented by RealHost (the
// host program's) and RecordingHost (tests). Failures raise vb::Error.

#include <string>

namespace homeseer {

class Host {
public:
    virtual ~Host() = default;

    // One entry in the host's log.
    virtual void Writelog(const std::string& source, const std::string& text) = 0;

    // INI files by bare name ("dkvZephraUtilities.ini", "settings.ini"), kept by the host;
    // sections and keys are found without regard to case, values are kept byte for byte.
    // The stored value, or `defaultValue` when the key (or the file) is absent.
    virtual std::string GetIniSetting(const std::string& section, const std::string& key,
                                      const std::string& defaultValue, const std::string& file) = 0;
    virtual void SaveIniSetting(const std::string& section, const std::string& key, const std::string& value,
                                const std::string& file) = 0;
    // Every entry of the section as "key=value", joined by NUL; "" for none.
    virtual std::string GetINISection(const std::string& section, const std::string& file) = 0;
    virtual void ClearINISection(const std::string& section, const std::string& file) = 0;

    // The application folder, without a trailing separator.
    virtual std::string GetAppPath() = 0;
    // The host's version text, such as "2.5.0.81".
    virtual std::string Version() = 0;
};

}  // namespace homeseer
