#pragma once
// The host object of the host program: log lines to the console and to the log file
// "Data/zephra-host.log" in the application folder, INI files in its "Config" folder;
// devices, X10, events and the rest as HostBase keeps them.

#include <chrono>
#include <functional>
#include <iostream>
#include <mutex>
#include <string>

#include "homeseer/HostBase.h"
#include "homeseer/IniStore.h"

namespace homeseer {

class RealHost : public HostBase {
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    // `console` receives every log line; `now` stamps them.
    explicit RealHost(std::ostream& console = std::cout, Clock now = std::chrono::system_clock::now);

    void Writelog(const std::string& source, const std::string& text) override;
    std::string GetIniSetting(const std::string& section, const std::string& key, const std::string& defaultValue,
                              const std::string& file) override;
    void SaveIniSettings(const std::vector<IniSetting>& entries, const std::string& file) override;
    void SaveIniSetting(const std::string& section, const std::string& key, const std::string& value,
                        const std::string& file) override;
    std::string GetINISection(const std::string& section, const std::string& file) override;
    void ClearINISection(const std::string& section, const std::string& file) override;
    std::string GetAppPath() override;

    IniStore& ini() noexcept { return ini_; }

    // Whether a device was made, deleted or changed since the last clearDevicesChanged.
    bool devicesChanged() const noexcept { return devicesChanged_; }
    void clearDevicesChanged() noexcept { devicesChanged_ = false; }

    void called(std::string_view member, std::vector<std::string> args) override;

private:
    std::ostream& console_;
    Clock now_;
    IniStore ini_;
    std::mutex mutex_;  // guards the log
    bool logFileFailed_ = false;
    bool devicesChanged_ = false;
};

// A host log line: local time stamp, source and text; control characters in the texts
// are shown escaped ("\n", "\r", "\xHH"), so that a text cannot forge further lines.
std::string HostLogLine(std::chrono::system_clock::time_point when, const std::string& source, const std::string& text);

}  // namespace homeseer
