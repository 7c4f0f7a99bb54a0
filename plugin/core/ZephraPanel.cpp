// Commands for the appliance's panel: its two LEDs, the backlight, the sounds and their
// volume, and the master volume. Each records the state it asks for and shows it on the
// appliance's device at once, before the appliance answers.

#include "core/ActionTable.h"
#include "core/PluginState.h"
#include "core/StatusText.h"
#include "core/Zephra.h"
#include "core/ZephraStep.h"
#include "core/ZephraTexts.h"
#include "vb/DateTime.h"
#include "vb/Strings.h"

namespace zephra {

using namespace ztext;

namespace {

constexpr int32_t kCommandTimeout = 5000;
constexpr int kTopLedBase = 10;
constexpr int kMailLedBase = 13;
constexpr int kFirstSound = 18;
constexpr int kFirstSoundsVolume = 37;
constexpr int kFirstVolume = 42;

}  // namespace

// The datagram form is used for a client program that subscribed, when the setting says so.
bool Zephra::UseDatagrams() {
    return state_.settings.UseZephraServer && state_.services.IsRegisteredClient(state_, IP_);
}

std::string Zephra::LED(const std::string& which, const std::string& ledState, const std::string& tag) {
    std::string result;
    Step(kLogLED, [&] {
        const std::string lowered = vb::LCase(ledState);
        std::string code = "1";
        std::string word = kOn;
        if (vb::InStr(lowered, kBlink) > 0) {
            code = "2";
            word = kBlink;
        } else if (vb::InStr(lowered, kOff) > 0) {
            code = "0";
            word = kOff;
        }
        std::string command;
        if (UseDatagrams()) command = (which == kTopWhich ? kTopLed : kMailLed) + word;
        else command = kLedPage + which + code;
        result = AsyncCommand(command, kCommandTimeout, tag);
        MotionStartTime_ = vb::Now();
    });
    return result;
}

// The LED device shows off, on or blink; a state that is not one of these words shows off.
void Zephra::SetLEDStatus(const std::string& code, const std::string& ledState, int base) {
    Step(kLogSetLEDStatus, [&] {
        const std::string lowered = vb::LCase(ledState);
        const int offset = lowered == kBlink ? 2 : lowered == kOn ? 1 : 0;
        WriteDeviceText(code, FormatStatus(state_, base + offset));
    });
}

std::string Zephra::BacklightPower(const std::string& lightState, const std::string& tag) {
    std::string result;
    Step(kLogBacklightPower, [&] {
        if (!SleepStatus_) return;  // an appliance asleep has its backlight off
        Backlight_ = vb::LCase(lightState) == kOn;
        result = AsyncCommand(Backlight_ ? kBacklightOn : kBacklightOff, kCommandTimeout, tag);
        WriteDeviceText(DeviceCode(2), FormatStatus(state_, Backlight_ ? 9 : 8));
    });
    return result;
}

std::string Zephra::SendSoundCommand(int16_t number, const std::string& tag) {
    Sounds_ = number;
    WriteDeviceText(DeviceCode(6), FormatStatus(state_, number + kFirstSound));
    const std::string n = std::to_string(number);
    return AsyncCommand(UseDatagrams() ? kBeepCmd + n : kSoundPage + n, kCommandTimeout, tag);
}

std::string Zephra::SendSoundsVolumeCommand(int16_t level, const std::string& tag) {
    std::string result;
    Step(kLogSoundsVolume, [&] {
        SoundsVolume_ = level;
        const std::string n = std::to_string(level);
        WriteDeviceText(DeviceCode(7), FormatValue(state_, DetermineVolumeIcon(level) + kFirstSoundsVolume, n + "%"));
        result = AsyncCommand(kSoundsVolumePage + n, kCommandTimeout, tag);
    });
    return result;
}

std::string Zephra::SetVolumeControl(int16_t level, const std::string& tag) {
    std::string result;
    Step(kLogSetVolumeControl, [&] {
        Volume_ = level;
        const std::string n = std::to_string(level);
        WriteDeviceText(DeviceCode(8), FormatValue(state_, DetermineVolumeIcon(level) + kFirstVolume, n + "%"));
        result = AsyncCommand(kVolumePage + n, kCommandTimeout, tag);
    });
    return result;
}

// --- Members -------------------------------------------------------------------------------

std::string Zephra::Backlight() const { return std::string(StatusTextTable[Backlight_ ? 9 : 8]); }
void Zephra::LetBacklight(const std::string& value) { BacklightPower(value, ""); }
std::string Zephra::SetBacklight(const std::string& value, const std::string& tag) {
    return BacklightPower(value, tag);
}

void Zephra::LetMailLED(const std::string& value) { SetMailLED(value, ""); }
std::string Zephra::SetMailLED(const std::string& value, const std::string& tag) {
    MailLED_ = value;
    SetLEDStatus(DeviceCode(4), value, kMailLedBase);
    return LED(kMailWhich, value, tag);
}

void Zephra::LetTopLED(const std::string& value) { SetTopLED(value, ""); }
std::string Zephra::SetTopLED(const std::string& value, const std::string& tag) {
    TopLED_ = value;
    SetLEDStatus(DeviceCode(3), value, kTopLedBase);
    return LED(kTopWhich, value, tag);
}

void Zephra::LetSounds(int16_t number) { SendSoundCommand(number, ""); }
std::string Zephra::SetSounds(int16_t number, const std::string& tag) { return SendSoundCommand(number, tag); }

void Zephra::LetSoundsVolume(int16_t level) { SendSoundsVolumeCommand(level, ""); }
std::string Zephra::SetSoundsVolume(int16_t level, const std::string& tag) {
    return SendSoundsVolumeCommand(level, tag);
}

std::string Zephra::SetVolume(int16_t level, const std::string& tag) { return SetVolumeControl(level, tag); }
void Zephra::LetVolume(int16_t level) { SetVolumeControl(level, ""); }

}  // namespace zephra
