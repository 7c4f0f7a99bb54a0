// Commands for the appliance's panel: its two LEDs, the backlight, the sounds and their
// volume, and the master volume. Each records the state it asks for and shows it on the
// appliance's device at once, before the appliance answers.

#include <algorithm>
#include <utility>

#include "core/ActionTable.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
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
        KeepApplied(PanelKind::Backlight);
        Backlight_ = vb::LCase(lightState) == kOn;
        result = AsyncCommand(Backlight_ ? kBacklightOn : kBacklightOff, kCommandTimeout, tag);
        WriteDeviceText(DeviceCode(2), FormatStatus(state_, Backlight_ ? 9 : 8));
    });
    return result;
}

std::string Zephra::SendSoundCommand(int16_t number, const std::string& tag) {
    KeepApplied(PanelKind::Sounds);
    Sounds_ = number;
    WriteDeviceText(DeviceCode(6), FormatStatus(state_, number + kFirstSound));
    const std::string n = std::to_string(number);
    return AsyncCommand(UseDatagrams() ? kBeepCmd + n : kSoundPage + n, kCommandTimeout, tag);
}

std::string Zephra::SendSoundsVolumeCommand(int16_t level, const std::string& tag) {
    std::string result;
    Step(kLogSoundsVolume, [&] {
        KeepApplied(PanelKind::SoundsVolume);
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
        KeepApplied(PanelKind::Volume);
        Volume_ = level;
        const std::string n = std::to_string(level);
        WriteDeviceText(DeviceCode(8), FormatValue(state_, DetermineVolumeIcon(level) + kFirstVolume, n + "%"));
        result = AsyncCommand(kVolumePage + n, kCommandTimeout, tag);
    });
    return result;
}

// --- States applied ------------------------------------------------------------------------

// The state a panel page sets, from the page's own text.
std::optional<Zephra::PanelValue> Zephra::PanelValueOf(const std::string& command) {
    auto after = [&](const std::string& prefix) -> std::optional<std::string> {
        if (command.rfind(prefix, 0) != 0) return std::nullopt;
        return command.substr(prefix.size());
    };
    const std::pair<const char*, PanelKind> leds[] = {{kTopWhich, PanelKind::TopLed}, {kMailWhich, PanelKind::MailLed}};
    for (const auto& [which, kind] : leds)
        if (auto code = after(std::string(kLedPage) + which))
            return PanelValue{kind, *code == "2" ? kBlink : *code == "0" ? kOff : kOn};
    if (command == kBacklightOn) return PanelValue{PanelKind::Backlight, kOn};
    if (command == kBacklightOff) return PanelValue{PanelKind::Backlight, kOff};
    if (auto n = after(kSoundPage)) return PanelValue{PanelKind::Sounds, *n};
    if (auto n = after(kSoundsVolumePage)) return PanelValue{PanelKind::SoundsVolume, *n};
    if (auto n = after(kVolumePage)) return PanelValue{PanelKind::Volume, *n};
    return std::nullopt;
}

std::string Zephra::PanelValueNow(PanelKind kind) const {
    switch (kind) {
    case PanelKind::MailLed: return MailLED_;
    case PanelKind::TopLed: return TopLED_;
    case PanelKind::Backlight: return Backlight_ ? kOn : kOff;
    case PanelKind::Sounds: return std::to_string(Sounds_);
    case PanelKind::SoundsVolume: return std::to_string(SoundsVolume_);
    case PanelKind::Volume: return std::to_string(Volume_);
    }
    return {};
}

// Before a builder shows a new state: the one shown now stands for what the appliance has
// applied, unless commands of that state are still on their way.
void Zephra::KeepApplied(PanelKind kind) { Applied_.try_emplace(kind, PanelValueNow(kind)); }

void Zephra::NoteApplied(const std::string& command) {
    if (std::optional<PanelValue> applied = PanelValueOf(command)) Applied_[applied->kind] = applied->value;
}

void Zephra::ShowPanelValue(PanelKind kind, const std::string& value) {
    const auto level = static_cast<int16_t>(vb::IsNumeric(vb::Variant(value)) ? vb::CInt(vb::Variant(value)) : 0);
    const std::string percent = std::to_string(level) + "%";
    switch (kind) {
    case PanelKind::MailLed:
        MailLED_ = value;
        SetLEDStatus(DeviceCode(4), value, kMailLedBase);
        break;
    case PanelKind::TopLed:
        TopLED_ = value;
        SetLEDStatus(DeviceCode(3), value, kTopLedBase);
        break;
    case PanelKind::Backlight:
        Backlight_ = value == kOn;
        WriteDeviceText(DeviceCode(2), FormatStatus(state_, Backlight_ ? 9 : 8));
        break;
    case PanelKind::Sounds:
        Sounds_ = level;
        WriteDeviceText(DeviceCode(6), FormatStatus(state_, level + kFirstSound));
        break;
    case PanelKind::SoundsVolume:
        SoundsVolume_ = level;
        WriteDeviceText(DeviceCode(7), FormatValue(state_, DetermineVolumeIcon(level) + kFirstSoundsVolume, percent));
        break;
    case PanelKind::Volume:
        Volume_ = level;
        // Not known yet (-1): the device keeps what it shows.
        if (level >= 0)
            WriteDeviceText(DeviceCode(8), FormatValue(state_, DetermineVolumeIcon(level) + kFirstVolume, percent));
        break;
    }
}

// The request under way got no answer after its retries: said in the log, and the state it
// asked for is no longer shown unless a later command of that state is still queued.
void Zephra::GiveUpCommand() {
    Step(kLogTimeout, [&] {
        const int32_t tries = std::max<int32_t>(state_.settings.CommandRetries, 1);
        WriteLog(state_.Host(), kSource,
                 Name_ + kGaveUp + CurrentCommand_ + kGaveUpAfter + std::to_string(tries) +
                     (tries == 1 ? kGaveUpTry : kGaveUpTries));
    });
    Step(kLogTimeout, [&] {
        const std::optional<PanelValue> given = PanelValueOf(CurrentCommand_);
        if (!given) return;
        const bool later = std::any_of(queue_.begin() + 1, queue_.end(), [&](const CommandQueueEntry& e) {
            const std::optional<PanelValue> queued = PanelValueOf(e.Command);
            return queued && queued->kind == given->kind;
        });
        const auto applied = Applied_.find(given->kind);
        if (later || applied == Applied_.end()) return;
        ShowPanelValue(given->kind, applied->second);
    });
}

// --- Members -------------------------------------------------------------------------------

std::string Zephra::Backlight() const { return std::string(StatusTextTable[Backlight_ ? 9 : 8]); }
void Zephra::LetBacklight(const std::string& value) { BacklightPower(value, ""); }
std::string Zephra::SetBacklight(const std::string& value, const std::string& tag) {
    return BacklightPower(value, tag);
}

void Zephra::LetMailLED(const std::string& value) { SetMailLED(value, ""); }
std::string Zephra::SetMailLED(const std::string& value, const std::string& tag) {
    KeepApplied(PanelKind::MailLed);
    MailLED_ = value;
    SetLEDStatus(DeviceCode(4), value, kMailLedBase);
    return LED(kMailWhich, value, tag);
}

void Zephra::LetTopLED(const std::string& value) { SetTopLED(value, ""); }
std::string Zephra::SetTopLED(const std::string& value, const std::string& tag) {
    KeepApplied(PanelKind::TopLed);
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
