#include "homeseer/testing/RecordingHost.h"

#include "homeseer/IniStore.h"
#include "windows/AppFolder.h"
#include "windows/CaseFold.h"

namespace homeseer {

void RecordingHost::called(std::string_view member, std::vector<std::string> args) {
    calls_.push_back({std::string(member), std::move(args)});
    auto failure = failures_.find(std::string(member));
    if (failure == failures_.end()) return;
    vb::Error error = failure->second;
    failures_.erase(failure);
    throw error;
}

windows::IniDocument& RecordingHost::document(const std::string& file) { return files_[windows::LowerCase(file)]; }

void RecordingHost::Writelog(const std::string& source, const std::string& text) { called("Writelog", {source, text}); }

std::string RecordingHost::GetIniSetting(const std::string& section, const std::string& key,
                                         const std::string& defaultValue, const std::string& file) {
    called("GetIniSetting", {section, key, defaultValue, file});
    return document(file).Get(section, key).value_or(defaultValue);
}

void RecordingHost::SaveIniSetting(const std::string& section, const std::string& key, const std::string& value,
                                   const std::string& file) {
    called("SaveIniSetting", {section, key, value, file});
    document(file).Set(section, key, value);
}

// Each key is recorded as a save of its own, after a record of the batch (the file and the number
// of its entries); the file changes only when all were stored.
void RecordingHost::SaveIniSettings(const std::vector<IniSetting>& entries, const std::string& file) {
    called("SaveIniSettings", {file, std::to_string(entries.size())});
    windows::IniDocument changed = document(file);
    for (const IniSetting& entry : entries) {
        if (entry.clearSection) {
            called("ClearINISection", {entry.section, file});
            changed.ClearSection(entry.section);
            continue;
        }
        called("SaveIniSetting", {entry.section, entry.key, entry.value, file});
        changed.Set(entry.section, entry.key, entry.value);
    }
    document(file) = std::move(changed);
}

std::string RecordingHost::GetINISection(const std::string& section, const std::string& file) {
    called("GetINISection", {section, file});
    return SectionText(document(file), section);
}

void RecordingHost::ClearINISection(const std::string& section, const std::string& file) {
    called("ClearINISection", {section, file});
    document(file).ClearSection(section);
}

std::string RecordingHost::GetAppPath() {
    called("GetAppPath", {});
    return appPath_ ? *appPath_ : windows::AppFolder();
}

std::vector<RecordingHost::LogLine> RecordingHost::Log() const {
    std::vector<LogLine> lines;
    for (const Call& c : calls_)
        if (c.member == "Writelog") lines.push_back({c.args[0], c.args[1]});
    return lines;
}

std::vector<RecordingHost::Call> RecordingHost::CallsOf(std::string_view member) const {
    std::vector<Call> found;
    for (const Call& c : calls_)
        if (c.member == member) found.push_back(c);
    return found;
}

void RecordingHost::SetIniText(const std::string& file, const std::string& text) {
    document(file) = windows::IniDocument(text);
}

std::string RecordingHost::IniText(const std::string& file) const {
    auto it = files_.find(windows::LowerCase(file));
    return it == files_.end() ? std::string() : it->second.Text();
}

void RecordingHost::FailNext(const std::string& member, vb::Error error) {
    failures_.insert_or_assign(member, std::move(error));
}

}  // namespace homeseer
