#include "callerid/XapBsc.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "callerid/XapSend.h"
#include "callerid/XapTexts.h"
#include "core/ActionTable.h"
#include "core/HomeSeerDevices.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "forms/LogRate.h"
#include "forms/Loop.h"
#include "homeseer/Device.h"
#include "homeseer/Host.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

using namespace xaptext;

namespace {

constexpr int kBscGroups = 9;  // groups 0 to 8; "Reserved" is not a sub-device
constexpr int16_t kSetToValue = 19;

// An address pattern of three levels, each "*" or a lower-case text.
using Pattern = std::array<std::string, 3>;

struct SubDevice {
    std::string house;  // the base code's house letter
    int32_t unit = 0;
    std::string code;
    std::string level1, level2, level3;
    std::string SubAddress() const { return level1 + "." + level2 + "." + level3; }
    bool Matches(const Pattern& pattern) const {
        const std::array<const std::string*, 3> levels = {&level1, &level2, &level3};
        for (std::size_t k = 0; k < 3; ++k)
            if (pattern[k] != "*" && pattern[k] != *levels[k]) return false;
        return true;
    }
};

// The UID part of a unit; units beyond the 16-bit range are "too large" too.
std::string UnitHex(PluginState& state, int32_t unit) {
    return ToHex(state, static_cast<int16_t>(std::clamp(unit, -1, 32767)));
}

std::string WithoutSpaces(std::string_view text) { return vb::Replace(text, " ", ""); }

// "zephra" and the last ten characters of the underscores followed by the unit text.
std::string UnitLevel(const std::string& unitText) { return kZephraLevel + vb::Right(kUnitPadding + unitText, 10); }

// The unit of a device code (house letter, then the unit); error 13 when it is no number.
int32_t UnitOf(const std::string& code) {
    const vb::Variant unit(vb::Mid(code, 2));
    if (code.empty() || !vb::IsNumeric(unit)) vb::raise(vb::errors::TypeMismatch);
    return vb::CLng(unit);
}

// The sub-device of group j of the appliance in `slot`, group names in lower case.
SubDevice SubDeviceOf(const ZephraEntry& slot, int j) {
    SubDevice d;
    d.house = vb::Left(slot.ZephraDC, 1);
    d.unit = UnitOf(slot.ZephraDC) + j;
    d.code = d.house + std::to_string(d.unit);
    const std::string group = vb::LCase(WithoutSpaces(DeviceGroupTable[static_cast<std::size_t>(j)]));
    d.level1 = slot.Name + "_" + group;
    d.level2 = UnitLevel(std::to_string(d.unit));
    d.level3 = group;
    return d;
}

// The pattern of a target's address after its ":"; none when there is no ":". Levels beyond
// the third are handed to `extra`.
template <class Extra>
std::optional<Pattern> PatternOf(const std::string& target, Extra&& extra) {
    const auto colon = target.find(':');
    if (colon == std::string::npos) return std::nullopt;
    Pattern pattern = {"*", "*", "*"};
    const std::string address = target.substr(colon + 1);
    if (address.empty()) return pattern;
    const std::vector<std::string> levels = vb::Split(address, ".");
    for (std::size_t k = 0; k < levels.size(); ++k) {
        if (levels[k] == ">") break;
        if (k >= pattern.size()) {
            extra();
            continue;
        }
        pattern[k] = vb::LCase(levels[k]);
    }
    return pattern;
}

// The highest index of a Chr(1)-separated list; none when the text holds no Chr(1).
std::optional<int32_t> ListMaximum(const std::string& list) {
    if (list.find(vb::Chr(1)) == std::string::npos) return std::nullopt;
    return static_cast<int32_t>(vb::Split(list, vb::Chr(1)).size()) - 1;
}

// The "Values" message's body: the first entry as pairs, the others as appended blocks
// "values.2", "values.3" ...; entries without a numeric level are left out. "" when none.
std::string ValuesBody(const std::string& values) {
    const std::vector<std::string> entries = vb::Split(values, vb::Chr(1));
    const std::string count = std::to_string(entries.size() - 1);
    std::string body;
    for (std::size_t m = 0; m < entries.size(); ++m) {
        const std::vector<std::string> parts = vb::Split(entries[m], vb::Chr(2));
        if (parts.size() < 2 || !vb::IsNumeric(vb::Variant(parts[1]))) continue;
        const std::string level = parts[1] + "/" + count;
        if (m == 0) body += XapBody({{"Text", parts[0]}, {"Level", level}});
        else body += XapBlock(kValuesBlock + std::to_string(m + 1), {"Text=" + parts[0], "Level=" + level});
    }
    return body;
}

// The queried sub-device's messages: its values (when it has any) and its state.
void AnswerQuery(PluginState& state, const SubDevice& d) {
    const int32_t ref = hsDeviceExists(state, d.code);
    if (ref < 0) return;
    std::shared_ptr<homeseer::Device> device = hsGetDevice(state, ref);
    if (!device) return;
    homeseer::Host& hs = state.Host();
    const std::string uid = UnitHex(state, d.unit);
    const std::string& values = device->Values();
    if (values.find(vb::Chr(1)) != std::string::npos) {
        const std::string body = ValuesBody(values);
        if (!body.empty()) SendXapQueued(state, {"", kBscValues, "values.1", body, d.SubAddress(), uid});
    }
    // The level's maximum: that of the device's buttons, else of its value names, else on/off.
    const std::string& buttons = device->buttons();
    const auto afterMark = buttons.find(vb::Chr(2));
    std::optional<int32_t> maximum =
        ListMaximum(afterMark == std::string::npos ? buttons : buttons.substr(afterMark + 1));
    if (!maximum) maximum = ListMaximum(values);
    const std::string body =
        XapBody({{"State", OnOffText(static_cast<int16_t>(hs.DeviceStatus(d.code)))},
                 {"DisplayText", hs.DeviceString(d.code)},
                 {"Level", std::to_string(hs.DeviceValue(d.code)) + "/" + std::to_string(maximum.value_or(1))}});
    SendXapQueued(state, {"", kBscInfo, kOutputState, body, d.SubAddress(), uid});
}

// Calls `each` for every sub-device of every appliance in list order, each appliance under
// the handler `step`; `each` answers false to end the walk.
template <class Step, class Each>
void EachSubDevice(Step&& step, PluginState& state, Each&& each) {
    const std::vector<ZephraEntry> slots = state.appliances.slots;
    bool going = true;
    for (const ZephraEntry& slot : slots) {
        if (!going) return;
        step([&] {
            for (int j = 0; j < kBscGroups && going; ++j) going = each(SubDeviceOf(slot, j));
        });
    }
}

// A command's failures come from values any node on the network may send: their lines are
// logged at a bounded rate, as malformed datagrams are, so many in the minute from its start;
// those beyond are counted and the count logged when the next minute's first line is.
struct CommandErrorLog {
    forms::LogRate rate;
};

// Logs the pending error of a command ("BSCCmd" and the error's text), or counts it.
void LogCommandError(PluginState& state) {
    const std::string error = TakePendingError();
    const bool logged = state.Part<CommandErrorLog>().rate.Log(
        forms::Loop::current().now(), kBSCCmdTag + error, " more BSCCmd errors were dropped unlogged",
        [&](const std::string& line) { vb::Try([&] { WriteLog(state.Host(), kSource, line); }); });
    if (logged) vb::Err().Clear();
}

// One step of a command; a failure is logged by LogCommandError.
bool CommandStep(PluginState& state, const std::function<void()>& step) {
    if (vb::Try(step)) return true;
    LogCommandError(state);
    return false;
}

}  // namespace

void SendXapBSC(PluginState& state, const std::string& deviceCode) {
    if (!state.IsSetup) return;
    XapStep(state, kSendXapBSCTag, [&] {
        std::string name, level2, group;
        const int32_t unit = UnitOf(deviceCode);
        if (deviceCode == state.settings.CIDDeviceCode) {
            name = kModemName;
            level2 = kModemLevel2;
            group = kModemGroup;
        } else {
            const std::string unitText = vb::Mid(deviceCode, 2);
            const std::string base = vb::Left(deviceCode, 1) + std::to_string((unit - 1) / 10 * 10 + 1);
            const ZephraEntry* owner = nullptr;
            for (const ZephraEntry& slot : state.appliances.slots)
                if (slot.ZephraDC == base) {
                    owner = &slot;
                    break;
                }
            if (!owner || unit < 1) return;
            name = owner->Name;
            level2 = UnitLevel(unitText);
            group = WithoutSpaces(DeviceGroupTable[static_cast<std::size_t>((unit - 1) % 10)]);
        }
        homeseer::Host& hs = state.Host();
        const std::string body = XapBody({{"State", OnOffText(static_cast<int16_t>(hs.DeviceStatus(deviceCode)))},
                                          {"DisplayText", hs.DeviceString(deviceCode)},
                                          {"Level", std::to_string(hs.DeviceValue(deviceCode)) + "/1"}});
        const std::string subAddress = name + "_" + group + "." + level2 + "." + group;
        SendXapMessage(state, {"", kBscEvent, kOutputState, body, subAddress, UnitHex(state, unit)});
    });
}

void BSCQuery(PluginState& state, const std::string& target) {
    const std::optional<Pattern> pattern = PatternOf(target, [] {});
    if (!pattern) return;
    EachSubDevice([&](const std::function<void()>& step) { XapStep(state, kBSCQueryTag, step); }, state,
                  [&](const SubDevice& d) {
                      if (d.Matches(*pattern)) XapStep(state, kBSCQueryTag, [&] { AnswerQuery(state, d); });
                      return true;
                  });
}

void BSCCmd(PluginState& state, const std::string& target, const std::string& id, const std::string& stateText,
            const std::string& level) {
    std::optional<Pattern> pattern;
    bool extraLevels = false;
    CommandStep(state, [&] { pattern = PatternOf(target, [&] { extraLevels = true; }); });
    // Levels beyond the third are not used: one line says so, however many a datagram carries.
    if (extraLevels) {
        vb::Err().set(vb::Error(vb::errors::SubscriptOutOfRange));
        LogCommandError(state);
    }
    if (!pattern) return;
    const bool everyUnit = id == "*";
    const int32_t wanted = everyUnit ? 0 : HexByteValue(id);
    int16_t value = 0;
    // Controllers usually switch a device by State alone: without a Level, "on" is 1 and "off" 0.
    const bool noLevel = level.empty() || level == kUnknown;
    if (noLevel && vb::LCase(vb::Trim(stateText)) == "on") value = 1;
    else if (!CommandStep(state, [&] { value = vb::CInt(vb::Variant(vb::Val(level))); })) return;
    EachSubDevice([&](const std::function<void()>& step) { CommandStep(state, step); }, state,
                  [&](const SubDevice& d) {
                      if (!d.Matches(*pattern)) return true;
                      if (everyUnit || wanted == d.unit) {
                          std::string house = d.house, unit = std::to_string(d.unit);
                          int16_t command = kSetToValue, brightness = value;
                          state.services.SetZephraIO(state, house, unit, command, brightness);
                      }
                      return everyUnit;
                  });
}

std::string ToHex(PluginState& state, int16_t n) {
    static constexpr const char* kDigits = "0123456789ABCDEF";
    if (n > 255) {
        vb::Try([&] { WriteLog(state.Host(), kSource, kToHexTooLarge + std::to_string(n)); });
        n = 0;
    }
    std::string hex;
    XapStep(state, kToHexTag, [&] {
        if (n < 0) vb::raise(vb::errors::SubscriptOutOfRange);
        hex = std::string(1, kDigits[n / 16]) + kDigits[n % 16];
    });
    return hex;
}

std::string OnOffText(int16_t status) { return status == homeseer::kStatusOn ? "ON" : "OFF"; }

int32_t HexDigitValue(const std::string& c) {
    const vb::Variant text(c);
    if (vb::IsNumeric(text)) return vb::CLng(text);
    const std::string upper = vb::UCase(c);
    if (upper.size() == 1 && upper[0] >= 'A' && upper[0] <= 'F') return upper[0] - 'A' + 10;
    return 0;
}

int32_t HexByteValue(const std::string& text) {
    return HexDigitValue(vb::Left(text, 1)) * 16 + HexDigitValue(vb::Right(text, 1));
}

}  // namespace zephra
