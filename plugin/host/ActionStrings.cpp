#include "host/ActionStrings.h"

#include <optional>
#include <vector>

#include "automation/CallByName.h"
#include "core/ActionTable.h"
#include "core/FastString.h"
#include "core/HomeSeerDevices.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "homeseer/Device.h"
#include "host/HostTexts.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

namespace {

using namespace hosttext;

constexpr std::size_t kMaxPairs = 12;
constexpr int32_t kFirstSound = 18;
constexpr int32_t kLastSound = 36;
constexpr int32_t kVolumeStep = 25;

// One pair of an action string.
struct ActionPair {
    std::string device;
    std::string action;
};

std::vector<ActionPair> PairsOf(const std::vector<std::string>& fields) {
    std::vector<ActionPair> pairs;
    for (std::size_t i = 0; i < kMaxPairs && 2 * i + 3 < fields.size(); ++i)
        pairs.push_back({fields[2 * i + 2], fields[2 * i + 3]});
    return pairs;
}

std::optional<int32_t> ActionIndex(const std::string& name) {
    for (int32_t i = 0; i < kActionCount; ++i)
        if (ActionTable[static_cast<std::size_t>(i)] == name) return i;
    return std::nullopt;
}

// The device field begins with a house letter and one or two unit digits before its "-".
bool BaseCodeShaped(const std::string& device) {
    const int32_t dash = vb::InStr(device, "-");
    return dash == 3 || dash == 4;
}

// The unit offset (the device group) and the value that select an action; nothing for a
// sound that is not enabled.
std::optional<std::pair<int32_t, int32_t>> GroupValue(PluginState& state, int32_t index) {
    const int32_t group = ActionGroup(index);
    if (index >= kFirstSound && index <= kLastSound) {
        int32_t position = 0;
        for (int32_t k = 0; k < index - kFirstSound; ++k)
            if (state.settings.SoundEnabled[static_cast<std::size_t>(k)]) ++position;
        if (!state.settings.SoundEnabled[static_cast<std::size_t>(index - kFirstSound)]) return std::nullopt;
        return std::pair{group, position};
    }
    int32_t first = index;
    while (first > 0 && ActionGroup(first - 1) == group) --first;
    const int32_t step = index - first;
    const bool volume = group == ActionGroup(kActionCount - 1) || group == ActionGroup(kLastSound + 1);
    return std::pair{group, volume ? step * kVolumeStep : step};
}

void LogTagged(PluginState& state, const char* tag) {
    vb::Try([&] { WriteLog(state.Host(), kSource, tag); });
}

void Debug(PluginState& state, const std::string& text) {
    if (state.settings.DebugLog) WriteLog(state.Host(), kDebugSource, text);
}

// The location a button caption names: without the " Zephra" the plug-in appends, trimmed,
// in lower case.
std::string ButtonLocation(const std::string& part) {
    std::string location = vb::Trim(part);
    const std::string suffix = vb::Trim(kLocationSuffix);
    if (location.size() >= suffix.size() &&
        vb::LCase(location.substr(location.size() - suffix.size())) == vb::LCase(suffix))
        location.erase(location.size() - suffix.size());
    return vb::LCase(vb::Trim(location));
}

}  // namespace

void TriggerAction(PluginState& state, const std::string& actionStr) {
    vb::Try([&] { WriteLog(state.Host(), kTriggerActionSource, vb::Replace(actionStr, vb::Chr(2), ":")); });
    if (actionStr.substr(0, 6) != kTriggerPrefix) return;
    for (const ActionPair& pair : PairsOf(vb::Split(actionStr, vb::Chr(2)))) {
        if (!vb::Try([&] {
                const std::optional<int32_t> index = ActionIndex(pair.action);
                if (!index || !BaseCodeShaped(pair.device)) return;
                const auto target = GroupValue(state, *index);
                if (!target) return;
                const int32_t dash = vb::InStr(pair.device, "-");
                const int32_t unit = vb::CInt(vb::Variant(vb::Mid(pair.device, 2, dash - 2)));
                const std::string code = pair.device.substr(0, 1) + std::to_string(unit + target->first);
                state.Host().SetDeviceValue(code, target->second);
            }))
            LogTagged(state, kTriggerActionTag);
    }
}

std::string ActionUIFormat(PluginState&, const std::string& action) {
    if (action.substr(0, std::string(kPluginName).size()) != kPluginName) return "";
    FastString text;
    for (const ActionPair& pair : PairsOf(vb::Split(action, vb::Chr(2)))) {
        if (!ActionIndex(pair.action) || !BaseCodeShaped(pair.device)) continue;
        const std::size_t semicolon = pair.device.find(';');
        if (semicolon == std::string::npos) continue;
        if (!text.value().empty()) text.Add(kActionAnd);
        text.Add(pair.action + kActionTo + vb::Trim(pair.device.substr(semicolon + 1)) + kActionZephra);
    }
    return text.value();
}

void ModifyActionUI(PluginState& state, const vb::ObjectRef& controls) {
    vb::Try([&] { WriteLog(state.Host(), kModifyActionUISource, ""); });
    const vb::Variant list(controls);
    auto control = [&](int32_t index) { return automation::callByName(list, "Item", {vb::Variant(index)}); };
    auto place = [&](int32_t index, std::initializer_list<std::pair<const char*, int32_t>> values) {
        if (!vb::Try([&] {
                const vb::Variant c = control(index);
                for (const auto& [name, value] : values) automation::letProperty(c, name, vb::Variant(value));
            }))
            LogTagged(state, kModifyActionUITag);
    };
    for (int32_t r = 0; r < 12; ++r) {
        const int32_t top = r * 360 + 50;
        place(4 * r + 1, {{"Left", 500}, {"Width", 300}, {"Top", top}, {"Height", 375}, {"Alignment", 1}});
        place(4 * r + 3, {{"Left", 3050}, {"Width", 300}, {"Top", top}, {"Height", 375}, {"Alignment", 1}});
        place(4 * r + 2, {{"Left", 850}, {"Width", 2000}, {"Top", top}});
        place(4 * r + 4, {{"Left", 3400}, {"Width", 800}, {"Top", top}});
    }
    for (int32_t index = 0; index <= 6; ++index) {
        if (!vb::Try([&] {
                const vb::Variant c = control(index);
                auto number = [&](const char* name) { return vb::CStr(automation::getProperty(c, name)); };
                WriteLog(state.Host(), kModifyControl + std::to_string(index),
                         number("Top") + "," + number("Left") + "," + number("Width"));
            }))
            LogTagged(state, kModifyActionUITag);
    }
}

void ButtonPress(PluginState& state, const std::string& buttonName) {
    const std::vector<std::string> parts = vb::Split(buttonName, "@");
    if (parts.size() != 2) return;
    const std::string location = ButtonLocation(parts[1]);
    const std::string key = kPluginName + vb::Chr(2) + vb::Trim(parts[0]);
    const std::string& house = state.HouseCode;
    if (!vb::Try([&] { Debug(state, kButtonPress + location + kButtonPressButton + key + kButtonPressHouse + house); }))
        LogTagged(state, kButtonPressTag);
    for (int32_t block = 1; block <= 61; block += 10) {
        bool done = false;
        if (!vb::Try([&] {
                const int32_t ref = hsDeviceExists(state, house + std::to_string(block));
                if (ref == -1) return;
                std::shared_ptr<homeseer::Device> first = hsGetDevice(state, ref);
                if (!first) return;
                Debug(state, kButtonDeviceFound + vb::LCase(first->Location()));
                if (vb::LCase(first->Location()) != location) return;
                Debug(state, kButtonLocationFound);
                for (int32_t offset = 0; offset <= 9 && !done; ++offset) {
                    const std::string code = house + std::to_string(block + offset);
                    const int32_t deviceRef = hsDeviceExists(state, code);
                    if (deviceRef == -1) continue;
                    std::shared_ptr<homeseer::Device> device = hsGetDevice(state, deviceRef);
                    if (!device || vb::InStr(device->buttons(), key, vb::CompareMethod::Text) == 0) continue;
                    Debug(state, kButtonFound);
                    const std::vector<std::string> pieces = vb::Split(device->buttons(), vb::Chr(2));
                    for (std::size_t k = 1; k < pieces.size(); ++k) {
                        if (pieces[k].find(buttonName) == std::string::npos) continue;
                        Debug(state, kButtonSetValue + code);
                        state.Host().SetDeviceValue(code, static_cast<int32_t>(k - 1));
                        done = true;
                        break;
                    }
                }
            }))
            LogTagged(state, kButtonPressTag);
        if (done) return;
    }
}

}  // namespace zephra
