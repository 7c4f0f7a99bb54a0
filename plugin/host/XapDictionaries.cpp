#include "host/XapDictionaries.h"

#include <string>
#include <vector>

#include "core/DeviceClass.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "host/HostTexts.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

namespace {

using namespace hosttext;

constexpr int32_t kNoDateYear = 2000;

// The dictionary, made with text comparison when the start-up has not made it yet.
vb::Dictionary& Emptied(std::shared_ptr<vb::Dictionary>& dictionary) {
    if (!dictionary) {
        dictionary = std::make_shared<vb::Dictionary>();
        dictionary->setCompareMode(vb::CompareMethod::Text);
    }
    dictionary->RemoveAll();
    return *dictionary;
}

// The lines of a whole section, without double quotes; none for an empty section.
std::vector<std::string> SectionLines(PluginState& state, const char* section) {
    const std::string text = vb::Replace(state.Host().GetINISection(section, kIniFile), "\"", "");
    if (text.empty()) return {};
    return vb::Split(text, vb::Chr(0));
}

void LogFailure(PluginState& state, const std::string& text) {
    vb::Try([&] { WriteLog(state.Host(), kSource, text); });
}

// Runs the work of one line; a line without "=" is skipped with a log line, a failure logged.
template <class Work>
void EachLine(PluginState& state, const char* tag, const std::vector<std::string>& lines, Work&& work) {
    for (const std::string& line : lines) {
        if (line.empty()) continue;
        if (line.find('=') == std::string::npos) {
            LogFailure(state, tag + std::string(kLineWithoutEquals) + line);
            continue;
        }
        const std::vector<std::string> pieces = vb::Split(line, "=");
        if (!vb::Try([&] { work(pieces[0], pieces[1]); })) LogFailure(state, tag);
    }
}

std::shared_ptr<DeviceClass> DeviceOf(PluginState& state, const std::string& key, const std::string& value) {
    auto device = std::make_shared<DeviceClass>();
    const std::vector<std::string> fields = vb::Split(value, ";");
    const vb::Variant first(fields[0]);
    device->LastChange = vb::IsDate(first) ? vb::CDate(first) : vb::DateSerial(kNoDateYear, 1, 1);
    for (std::size_t j = 1; j < fields.size(); ++j) {
        const std::string name = vb::LCase(key + "." + fields[j]);
        device->MessageKeyList->Add(vb::Variant(vb::LCase(fields[j])));
        device->MessageList->Add(vb::Variant(state.Host().GetIniSetting(kDeviceMessagesSection, name, "", kIniFile)),
                                 vb::Variant(name));
    }
    return device;
}

}  // namespace

void InitFilterDictionary(PluginState& state) {
    std::vector<std::string> lines;
    if (!vb::Try([&] {
            Emptied(state.hostInterface.FilterDictionary);
            lines = SectionLines(state, kReceivedSection);
        }))
        return LogFailure(state, kFilterTag);
    vb::Dictionary& filters = *state.hostInterface.FilterDictionary;
    EachLine(state, kFilterTag, lines, [&](const std::string& key, const std::string& value) {
        if (!key.empty() && !filters.Exists(vb::Variant(key))) filters.Add(vb::Variant(key), vb::Variant(value));
    });
}

void InitDeviceDictionary(PluginState& state) {
    std::vector<std::string> lines;
    if (!vb::Try([&] {
            Emptied(state.hostInterface.DeviceDictionary);
            lines = SectionLines(state, kDevicesSection);
        }))
        return LogFailure(state, kDeviceTag);
    vb::Dictionary& devices = *state.hostInterface.DeviceDictionary;
    EachLine(state, kDeviceTag, lines, [&](const std::string& key, const std::string& value) {
        if (key.empty() || devices.Exists(vb::Variant(key))) return;
        devices.Add(vb::Variant(key), vb::Variant(DeviceOf(state, key, value)));
    });
}

}  // namespace zephra
