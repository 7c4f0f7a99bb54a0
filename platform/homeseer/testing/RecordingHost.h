#pragma once
// A host object for tests: records every call in order (on the host, on its callback
// object, and every property write of its devices as "Device." & the property, with the
// device's reference and the value) and answers scripted values. Devices, X10, events and
// the rest behave as the host program's (HostBase); SetVersion("1.7.44") makes it an older
// host. INI files are kept in memory, with the same rules as the host's files; the
// application path is the application folder unless a test sets another.
//
// Make it with std::make_shared when the plug-in under test takes the host from the
// callback object (GetHSIface answers the shared host).

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "homeseer/HostBase.h"
#include "vb/Error.h"
#include "windows/IniDocument.h"

namespace homeseer {

class RecordingHost : public HostBase {
public:
    struct Call {
        std::string member;
        std::vector<std::string> args;
        bool operator==(const Call&) const = default;
    };
    struct LogLine {
        std::string source;
        std::string text;
        bool operator==(const LogLine&) const = default;
    };

    void Writelog(const std::string& source, const std::string& text) override;
    std::string GetIniSetting(const std::string& section, const std::string& key, const std::string& defaultValue,
                              const std::string& file) override;
    void SaveIniSettings(const std::vector<IniSetting>& entries, const std::string& file) override;
    void SaveIniSetting(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& file) override;
    std::string GetINISection(const std::string& section, const std::string& file) override;
    void ClearINISection(const std::string& section, const std::string& file) override;
    std::string GetAppPath() override;

    // Every call so far, in order; the log lines alone.
    const std::vector<Call>& Calls() const { return calls_; }
    std::vector<LogLine> Log() const;
    void ClearCalls() { calls_.clear(); }

    // Scripted answers.
    void SetIniText(const std::string& file, const std::string& text);
    std::string IniText(const std::string& file) const;
    void SetAppPath(std::string path) { appPath_ = std::move(path); }
    // The next call of `member` (after being recorded) raises `error`.
    void FailNext(const std::string& member, vb::Error error);

    // The calls of one member, in order.
    std::vector<Call> CallsOf(std::string_view member) const;

    void called(std::string_view member, std::vector<std::string> args) override;

private:
    windows::IniDocument& document(const std::string& file);

    std::vector<Call> calls_;
    std::map<std::string, windows::IniDocument> files_;  // by lower-case file name
    std::optional<std::string> appPath_;
    std::map<std::string, vb::Error> failures_;
};

}  // namespace homeseer
