#include "host/DeviceCommands.h"

#include <memory>
#include <optional>

#include "callerid/MessageCIDEvent.h"
#include "core/ApplianceList.h"
#include "callerid/XapBsc.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/StatusText.h"
#include "core/Zephra.h"
#include "homeseer/Host.h"
#include "host/HostTexts.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

namespace {

using namespace hosttext;

enum Group : int16_t {
    kDisplay = 0,
    kAwake = 1,
    kBacklight = 2,
    kTopLED = 3,
    kMailLED = 4,
    kBrowser = 5,
    kSounds = 6,
    kSoundsVolume = 7,
    kVolume = 8,
    kReserved = 9,
};

constexpr int16_t kVolumeSteps = 4;
constexpr int16_t kVolumeStep = 25;
constexpr int16_t kLowestPercentage = 5;
constexpr int16_t kHighestPercentage = 100;

// The appliance under `houseCode` with the highest base unit at or below
// `unit` (the first slot among equal bases), and that base; none below every base.
std::pair<std::shared_ptr<Zephra>, int16_t> Owner(PluginState& state, const std::string& houseCode, int16_t unit) {
    int16_t best = 0;
    std::shared_ptr<Zephra> found;
    for (const ZephraEntry& slot : state.appliances.slots) {
        if (!slot.Object) continue;
        const std::string& base = slot.Object->DeviceCodeBase();
        if (base.empty() || base.substr(0, 1) != houseCode) continue;
        // A code without a unit number owns nothing; the appliances after it still do.
        const std::optional<int16_t> number = BaseUnitOf(base);
        if (!number) continue;
        const int16_t b = *number;
        if (b > best && b <= unit) {
            best = b;
            found = slot.Object;
        }
    }
    return {found, best};
}

// The plug-in's house code; under the xAP host application also the code of devices a folder
// kept from a host that handed out another (their node advertises them, and they obey).
bool OwnHouseCode(const PluginState& state, const std::string& houseCode) {
    if (houseCode == state.HouseCode) return true;
    if (!state.IsSetup || houseCode.size() != 1) return false;
    const std::string upper = vb::UCase(houseCode);
    return upper < "A" || upper > "Z";
}

// A volume device's value: a step 0-4 (times 25) or a percentage 5-100.
std::optional<int16_t> VolumeOf(int16_t v) {
    if (v >= 0 && v <= kVolumeSteps) return static_cast<int16_t>(v * kVolumeStep);
    if (v >= kLowestPercentage && v <= kHighestPercentage) return v;
    return std::nullopt;
}

// The number of the (v + 1)-th enabled sound.
std::optional<int16_t> EnabledSound(PluginState& state, int16_t v) {
    int16_t seen = 0;
    for (int16_t k = 0; k < kSoundCount; ++k) {
        if (!state.settings.SoundEnabled[static_cast<std::size_t>(k)]) continue;
        if (seen == v) return k;
        ++seen;
    }
    return std::nullopt;
}

// "Send to ZCID": the host phone's last caller goes to the appliance's client and onto the
// Display device.
void SendCallerToDisplay(PluginState& state, Zephra& z, const std::string& code) {
    const std::string text = MessageCIDEvent(state, true, z.IP());
    state.Host().SetDeviceString(code, FormatValue(state, 0, text));
    state.Host().SetDeviceLastChange(code, vb::Now());
    SendXapBSC(state, code);
}

void Act(PluginState& state, Zephra& z, int16_t group, int16_t v, const std::string& code) {
    static constexpr const char* kSleepStates[] = {"sleep", "awake", "always awake"};
    static constexpr const char* kLedStates[] = {"off", "on", "blink"};
    switch (group) {
    case kDisplay:
        if (v == 0) SendCallerToDisplay(state, z, code);
        if (v == 1) z.CID();
        break;
    case kAwake:
        if (v >= 0 && v <= 2) z.LetSleep(kSleepStates[v]);
        if (v == 3) z.CyclePower("");
        break;
    case kBacklight:
        if (v == 0 || v == 1) z.LetBacklight(kLedStates[v]);
        break;
    case kTopLED:
        if (v >= 0 && v <= 2) z.LetTopLED(kLedStates[v]);
        break;
    case kMailLED:
        if (v >= 0 && v <= 2) z.LetMailLED(kLedStates[v]);
        break;
    case kBrowser:
        if (v == 0 || v == 1) z.LetBrowserFullScreen(v == 1);
        break;
    case kSounds:
        if (std::optional<int16_t> sound = EnabledSound(state, v)) z.LetSounds(*sound);
        break;
    case kSoundsVolume:
        if (std::optional<int16_t> level = VolumeOf(v)) z.LetSoundsVolume(*level);
        break;
    case kVolume:
        if (std::optional<int16_t> level = VolumeOf(v)) z.LetVolume(*level);
        break;
    case kReserved: z.ShowQueue(); break;
    default: break;
    }
}

void Debug(PluginState& state, const std::string& text) {
    if (state.settings.DebugLog) WriteLog(state.Host(), kDebugSource, text);
}

}  // namespace

void SetZephraIO(PluginState& state, std::string& houseCode, std::string& deviceCode, int16_t& command,
                 int16_t& brightness) {
    if (vb::Try([&] {
            Debug(state, kSetZephraIOComplete + std::string(state.InitComplete ? "True" : "False"));
            if (!OwnHouseCode(state, houseCode) || !state.InitComplete) return;
            const int16_t unit = vb::CInt(vb::Variant(deviceCode));
            auto [zephra, best] = Owner(state, houseCode, unit);
            Debug(state, kSetZephraIOUnits + std::to_string(best) + "," + std::to_string(unit));
            if (best < 1) return;
            const int16_t group = static_cast<int16_t>(unit - best);
            if (group < 0 || group > kReserved || command != homeseer::kValueSetCommand) return;
            Act(state, *zephra, group, brightness, houseCode + deviceCode);
        }))
        return;
    vb::Try([&] { WriteLog(state.Host(), kSource, kSetZephraIOTag); });
}

}  // namespace zephra
