// The appliance's host devices: made or brought up to date when the base code is set, the
// texts the object writes with their last change (and the xAP status announcement), and the
// power-up state.

#include "core/ActionTable.h"
#include "core/FastString.h"
#include "core/HomeSeerDevices.h"
#include "core/PluginState.h"
#include "core/SoundsDevice.h"
#include "core/StatusText.h"
#include "core/Zephra.h"
#include "core/ZephraStep.h"
#include "core/ZephraTexts.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Strings.h"

namespace zephra {

using namespace ztext;

namespace {

// The action rows (first index, count) of device groups 0 to 8.
struct ActionRows {
    int16_t start;
    int16_t count;
};
constexpr ActionRows kGroupRows[] = {{0, 4}, {4, 4}, {8, 2}, {10, 3}, {13, 3}, {16, 2}, {18, 19}, {37, 5}, {42, 5}};
constexpr int kSoundsGroup = 6;
constexpr int kQueueGroup = 9;
constexpr int32_t kIoTypeDevice = 4;
constexpr int32_t kIoTypeQueue = 2;

}  // namespace

// The volume icon level of a level 0-100: 0 below 15, 1 below 35, 2 below 65, 3 below 85,
// else 4.
int16_t DetermineVolumeIcon(int16_t level) {
    if (level < 15) return 0;
    if (level < 35) return 1;
    if (level < 65) return 2;
    if (level < 85) return 3;
    return 4;
}

// Text, last change and xAP announcement of a device; nothing for an empty code.
void Zephra::WriteDeviceText(const std::string& code, const std::string& text, bool xap) {
    if (code.empty()) return;
    WriteDeviceTextUntested(code, text, xap);
}

// The same for writes that do not test the code.
void Zephra::WriteDeviceTextUntested(const std::string& code, const std::string& text, bool xap) {
    homeseer::Host& hs = state_.Host();
    hs.SetDeviceString(code, text);
    hs.SetDeviceLastChange(code, vb::Now());
    if (xap) state_.services.SendXapBSC(state_, code);
}

// The Awake device shows the sleep state, the Backlight device on when awake.
void Zephra::WriteSleepDevices(int16_t sleepState, bool awake) {
    WriteDeviceTextUntested(DeviceCode(1), FormatStatus(state_, sleepState + 4));
    WriteDeviceTextUntested(DeviceCode(2), FormatStatus(state_, awake ? 9 : 8));
}

// The "misc" bits of a device of the appliance: what the device had, with the status-only
// bit as the setting says, and the value call-back bit on newer hosts.
int32_t Zephra::DeviceMisc(int32_t misc) const {
    misc &= ~kMiscStatusOnly;
    if (state_.settings.StatusOnly) misc |= kMiscStatusOnly;
    if (state_.UseDeviceRefs) misc |= kMiscValueCallback;
    return misc;
}

void Zephra::MakeDevice(const std::string& baseCode) {
    std::string house;
    int32_t unit = 0;
    bool ready = false;
    Step(kLogMakeDevice, [&] {
        house = baseCode.substr(0, 1);
        unit = vb::CInt(vb::Variant(baseCode.substr(1)));
        ready = true;
    });
    if (!ready) return;
    for (int g = 0; g < 10; ++g) {
        Step(kLogMakeDevice, [&] { MakeGroupDevice(g, house + std::to_string(unit + g)); });
    }
}

// One device of the appliance: found or made, then its "misc", "Values" and "buttons".
void Zephra::MakeGroupDevice(int group, const std::string& code) {
    const int32_t ref = hsDeviceExists(state_, code);
    Debug("MakeDevice " + code + ", Ref=" + std::to_string(ref));
    std::shared_ptr<homeseer::Device> device;
    int32_t misc = 0;
    if (ref != -1) {
        device = hsGetDevice(state_, ref);
        if (!device) vb::raise(vb::errors::ObjectNotSet);
        misc = DeviceMisc(device->misc());
    } else {
        device = NewHSDevice(state_, std::string(kDeviceNamePrefix) + std::string(DeviceGroupTable[group]), code);
        if (!device) vb::raise(vb::errors::ObjectNotSet);
        device->setLocation(Name_);
        device->setDevTypeString(kDeviceType);
        device->setInterfaceName(kPluginName);
        device->setIotype(kIoTypeDevice);
        // A new device gets the bits an existing one would.
        misc = DeviceMisc(0);
        Debug("MakeDevice Created for " + Name_);
    }
    if (group == kQueueGroup) {
        device->setIotype(kIoTypeQueue);
        device->setMisc(misc | kMiscQueueDevice);
        return;
    }
    const ActionRows rows = kGroupRows[group];
    device->setMisc(misc);
    if (group == kSoundsGroup) {
        device->setValues(SoundsValues(state_));
        device->setButtons(UpdateSoundsButton(state_, Name_));
        return;
    }
    device->setValues(DefineValues(rows.start, rows.count));
    device->setButtons(DefineButtons(rows.start, rows.count));
}

// Action name, Chr(2) and i for the rows start .. start + count - 1, joined by Chr(1).
std::string Zephra::DefineValues(int16_t start, int16_t count) {
    FastString values;
    Step(kLogDefineValues, [&] {
        for (int16_t i = 0; i < count; ++i) {
            if (i > 0) values.Add(vb::Chr(1));
            values.Add(std::string(TableEntry(ActionTable, start + i)) + vb::Chr(2) + std::to_string(i));
        }
    });
    return values.value();
}

// "dkvZephra", Chr(2), the action name, " @ ", Name, " Zephra" for each row, joined by
// Chr(1); "" while "StatusOnly" is on.
std::string Zephra::DefineButtons(int16_t start, int16_t count) {
    FastString buttons;
    if (state_.settings.StatusOnly) return {};
    Step(kLogDefineButtons, [&] {
        for (int16_t i = 0; i < count; ++i) {
            if (i > 0) buttons.Add(vb::Chr(1));
            buttons.Add(std::string(kPluginName) + vb::Chr(2) + std::string(TableEntry(ActionTable, start + i)) +
                        " @ " + Name_ + kButtonSuffix);
        }
    });
    return buttons.value();
}

void Zephra::SetPowerUpState() {
    Applied_.clear();  // the appliance starts afresh in these states
    Backlight_ = true;
    SleepStatus_ = true;
    Sleep_ = 1;
    TopLED_ = kOff;
    MailLED_ = kOff;
    PolledSleep_ = 1;
    Sounds_ = 0;
    SoundsVolume_ = 50;
    Volume_ = -1;
    BrowserFullScreen_ = true;
    if (DeviceCode(1).empty()) return;
    // The volume devices count in steps of 25 %: 50 % is step 2; the master volume is not
    // known after power-up, so its device keeps what it had.
    const std::pair<int, int32_t> values[] = {{1, 1}, {2, 1}, {4, 0}, {3, 0}, {7, 2}, {5, 1}};
    for (const auto& entry : values) {
        Step(kLogSetPowerUpState, [&] {
            if (!state_.CallbackObject) vb::raise(vb::errors::ObjectNotSet);
            std::vector<vb::Variant> args = {DeviceCode(entry.first), entry.second};
            state_.CallbackObject->call("ValueChangeEvent", vb::Method, args);
        });
    }
    Step(kLogSetPowerUpState, [&] {
        WriteDeviceTextUntested(DeviceCode(7), FormatValue(state_, DetermineVolumeIcon(50) + 37, "50%"), false);
    });
    Step(kLogSetPowerUpState, [&] { WriteDeviceTextUntested(DeviceCode(5), FormatStatus(state_, 17), false); });
    Step(kLogSetPowerUpState, [&] { WriteDeviceTextUntested(DeviceCode(4), FormatStatus(state_, 13), false); });
    Step(kLogSetPowerUpState, [&] { WriteDeviceTextUntested(DeviceCode(3), FormatStatus(state_, 10), false); });
}

}  // namespace zephra
