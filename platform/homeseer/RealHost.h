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
    // Called once an X10 code has been switched or its status set (a power switch that must
    // survive a crash): the owner saves the devices then.
    void setX10Changed(std::function<void()> changed) { x10Changed_ = std::move(changed); }

    void SetDeviceStatus(const std::string& code, int32_t status) override;
    void SetDeviceStatusNoReport(const std::string& code, int32_t status, int32_t flags) override;
    void ExecX10(const std::string& code, const std::string& command, int32_t dimLevel = 0) override;

    void called(std::string_view member, std::vector<std::string> args) override;

private:
    std::ostream& console_;
    Clock now_;
    IniStore ini_;
    std::mutex mutex_;  // guards the log
    bool logFileFailed_ = false;
    bool devicesChanged_ = false;
    std::function<void()> x10Changed_;
};

// A host log line: local time stamp, source and text; control characters in the texts
// are shown escaped ("\n", "\r", "\xHH"), so that a text cannot forge further lines.
std::string HostLogLine(std::chrono::system_clock::time_point when, const std::string& source, const std::string& text);

}  // namespace homeseer
