#include "homeseer/RealHost.h"

#include <ctime>
#include <filesystem>
#include <fstream>

#include "homeseer/X10Status.h"
#include "windows/AppFolder.h"

namespace homeseer {

namespace {

constexpr const char* kLogFolder = "Data";
constexpr const char* kLogFile = "zephra-host.log";

std::string escaped(const std::string& text) {
    static const char* hex = "0123456789abcdef";
    std::string out;
    for (char c : text) {
        auto u = static_cast<unsigned char>(c);
        if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (u < 0x20 && c != '\t') out += std::string("\\x") + hex[u >> 4] + hex[u & 15];
        else out += c;
    }
    return out;
}

std::string timeStamp(std::chrono::system_clock::time_point when) {
    std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

}  // namespace

std::string HostLogLine(std::chrono::system_clock::time_point when, const std::string& source,
                        const std::string& text) {
    return timeStamp(when) + " | " + escaped(source) + " | " + escaped(text);
}

RealHost::RealHost(std::ostream& console, Clock now) : console_(console), now_(std::move(now)) {}

void RealHost::Writelog(const std::string& source, const std::string& text) {
    std::string line = HostLogLine(now_(), source, text);
    std::lock_guard lock(mutex_);
    console_ << line << std::endl;

    std::filesystem::path folder = std::filesystem::path(windows::AppFolder()) / kLogFolder;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::ofstream file(folder / kLogFile, std::ios::app | std::ios::binary);
    file << line << '\n';
    file.flush();
    if (!file && !logFileFailed_) {
        // Said once, on the console only: the log itself must not fail its callers.
        logFileFailed_ = true;
        console_ << "The host log file " << (folder / kLogFile).string() << " cannot be written" << std::endl;
    }
}

std::string RealHost::GetIniSetting(const std::string& section, const std::string& key, const std::string& defaultValue,
                                    const std::string& file) {
    return ini_.Get(section, key, defaultValue, file);
}

void RealHost::SaveIniSetting(const std::string& section, const std::string& key, const std::string& value,
                              const std::string& file) {
    ini_.Save(section, key, value, file);
}

void RealHost::SaveIniSettings(const std::vector<IniSetting>& entries, const std::string& file) {
    std::vector<IniStore::Entry> batch;
    batch.reserve(entries.size());
    for (const IniSetting& entry : entries)
        batch.push_back({entry.section, entry.key, entry.value, entry.clearSection});
    ini_.SaveAll(batch, file);
}

std::string RealHost::GetINISection(const std::string& section, const std::string& file) {
    return ini_.Section(section, file);
}

void RealHost::ClearINISection(const std::string& section, const std::string& file) { ini_.Clear(section, file); }

// The members that change what the device file keeps.
void RealHost::called(std::string_view member, std::vector<std::string>) {
    if (member.starts_with("Set") || member.starts_with("NewDevice") || member.starts_with("Device.") ||
        member == "DeleteDevice" || member == "ValueChangeEvent" || member == "ExecX10")
        devicesChanged_ = true;
}

std::string RealHost::GetAppPath() { return windows::AppFolder(); }

void RealHost::SetDeviceStatus(const std::string& code, int32_t status) {
    HostBase::SetDeviceStatus(code, status);
    if (x10Changed_ && X10Status::parse(code)) x10Changed_();
}

void RealHost::SetDeviceStatusNoReport(const std::string& code, int32_t status, int32_t flags) {
    HostBase::SetDeviceStatusNoReport(code, status, flags);
    if (x10Changed_ && X10Status::parse(code)) x10Changed_();
}

void RealHost::ExecX10(const std::string& code, const std::string& command, int32_t dimLevel) {
    HostBase::ExecX10(code, command, dimLevel);
    if (x10Changed_) x10Changed_();
}

}  // namespace homeseer
