// The appliance's host devices as the object writes them: texts with their last change
// (and the xAP status announcement), and the power-up state.

#include "callerid/XapBsc.h"
#include "core/PluginState.h"
#include "core/Zephra.h"
#include "core/ZephraStep.h"
#include "core/ZephraTexts.h"
#include "host/StatusText.h"
#include "vb/DateTime.h"

namespace zephra {

using namespace ztext;

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
void Zephra::writeDeviceText(const std::string& code, const std::string& text, bool xap) {
    if (code.empty()) return;
    writeDeviceTextUntested(code, text, xap);
}

// The same for writes that do not test the code.
void Zephra::writeDeviceTextUntested(const std::string& code, const std::string& text, bool xap) {
    homeseer::Host& hs = state_.host();
    hs.SetDeviceString(code, text);
    hs.SetDeviceLastChange(code, vb::Now());
    if (xap) SendXapBSC(state_, code);
}

// The Awake device shows the sleep state, the Backlight device on when awake.
void Zephra::writeSleepDevices(int16_t sleepState, bool awake) {
    writeDeviceTextUntested(DeviceCode(1), FormatStatus(state_, sleepState + 4));
    writeDeviceTextUntested(DeviceCode(2), FormatStatus(state_, awake ? 9 : 8));
}

void Zephra::SetPowerUpState() {
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
    const std::pair<int, int32_t> values[] = {{1, 1}, {2, 1}, {4, 0}, {3, 0}, {7, 50}, {8, -1}, {5, 1}};
    for (const auto& [group, value] : values) {
        step(kLogSetPowerUpState, [&] {
            if (!state_.CallbackObject) vb::raise(vb::errors::ObjectNotSet);
            std::vector<vb::Variant> args = {DeviceCode(group), value};
            state_.CallbackObject->call("ValueChangeEvent", vb::Method, args);
        });
    }
    step(kLogSetPowerUpState, [&] {
        writeDeviceTextUntested(DeviceCode(7), FormatValue(state_, DetermineVolumeIcon(50) + 37, "50%"), false);
    });
    step(kLogSetPowerUpState, [&] { writeDeviceTextUntested(DeviceCode(5), FormatStatus(state_, 17), false); });
    step(kLogSetPowerUpState, [&] { writeDeviceTextUntested(DeviceCode(4), FormatStatus(state_, 13), false); });
    step(kLogSetPowerUpState, [&] { writeDeviceTextUntested(DeviceCode(3), FormatStatus(state_, 10), false); });
}

}  // namespace zephra
