// Commands built for the appliance: sleep states, the browser's full-screen toggle, pushed
// pages, pauses, power cycles and the client program's commands.

#include <cctype>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/StatusText.h"
#include "core/UrlPath.h"
#include "core/Zephra.h"
#include "core/ZephraStep.h"
#include "core/ZephraTexts.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/PercentEncode.h"
#include "vb/Strings.h"

namespace zephra {

using namespace ztext;

namespace {

constexpr int32_t kCommandTimeout = 5000;
constexpr int32_t kPushTimeout = 20000;

struct SleepCommand {
    std::string page;
    std::string datagram;
};

}  // namespace

std::string Zephra::SleepControl(const std::string& state, const std::string& tag) {
    std::string result;
    Step(kLogSleepControl, [&] {
        const std::string s = vb::LCase(state);
        // A state the appliance does not know would send an empty command and show a
        // state it is not in.
        if (s != kSleepState && s != kAwakeState && s != kAlwaysAwakeState && s != kPowerCycleState &&
            s != kToggleState) {
            WriteLog(state_.Host(), std::string(kSource) + " " + Name_, kUnknownSleepState + state);
            return;
        }
        // Without a power device there is nothing to cycle, as in CyclePower.
        if (s == kPowerCycleState && PowerDevice_.empty()) return;
        SleepCommand command;
        int16_t backlight = 8;
        if (s == kSleepState) {
            command = {kScreenSleep, kScreenOffCmd};
            SleepStatus_ = false;
            Sleep_ = 0;
        } else if (s == kAwakeState || s == kAlwaysAwakeState) {
            command = {kScreenAwake, kScreenOnCmd};
            SleepStatus_ = true;
            Sleep_ = s == kAwakeState ? 1 : 2;
            backlight = 9;
        } else if (s == kPowerCycleState) {
            command = {kPower, kPower};
            SleepStatus_ = true;
            Sleep_ = 3;
            backlight = 9;
        } else if (s == kToggleState) {
            command = {kScreenToggle, kScreenToggle};
            SleepStatus_ = !SleepStatus_;
            Sleep_ = SleepStatus_ ? 1 : 0;
            backlight = SleepStatus_ ? 9 : 8;
        }
        const bool datagram = UseDatagrams();
        if (!DeviceCode(1).empty()) {
            WriteDeviceTextUntested(DeviceCode(1), FormatStatus(state_, Sleep_ + 4));
            WriteDeviceTextUntested(DeviceCode(2), FormatStatus(state_, backlight));
        }
        result = AsyncCommand(datagram ? command.datagram : command.page, kCommandTimeout, tag);
    });
    return result;
}

std::string Zephra::ToggleBrowserControl(const std::string& tag) {
    std::string result;
    Step(kLogToggleBrowserControl, [&] {
        BrowserFullScreen_ = !BrowserFullScreen_;
        WriteDeviceText(DeviceCode(5), FormatStatus(state_, BrowserFullScreen_ ? 17 : 16));
        result = AsyncCommand(kFullScreenToggle, kCommandTimeout, tag);
    });
    return result;
}

// "HomeseerIP" and the port of the web server that serves the appliances' pages.
std::string Zephra::ServerAddress() const {
    const ZephraSettings& s = state_.settings;
    return s.HomeseerIP + ":" + (s.OwnWebServer ? s.ServerPort : s.svrport);
}

std::string UrlEncodedPath(const std::string& page) {
    const std::string path = vb::Replace(page, "\\", "/");
    const std::size_t first = path.find_first_not_of('/');
    if (first == std::string::npos) return {};
    return vb::PercentEncoded(std::string_view(path).substr(first), "/");
}

std::string Zephra::UrlPath(const std::string& page) { return UrlEncodedPath(page); }

// The address of a file below the HTML folder as a command carries it to the appliance: the
// appliance decodes its command's query once before it fetches, so the path's escapes are
// escaped once more.
std::string Zephra::FetchAddress(const std::string& path) const {
    return ServerAddress() + "/" + vb::Replace(UrlPath(path), "%", "%25");
}

std::string Zephra::SendPushPage(const std::string& page, const std::string& tag) {
    std::string result;
    Step(kLogSendPushPage, [&] {
        if (Sleep() != kAlwaysAwakeState) SleepControl(kAwakeState, tag);
        BrowserFullScreen_ = false;
        WriteDeviceText(DeviceCode(5), FormatStatus(state_, 16));
        WriteDeviceTextUntested(DeviceCode(0), page);
        Push_ = page;
        if (page != kSlideshowPage) Slideshow_ = false;
        result = AsyncCommand(kGotoUrl + FetchAddress(page), kPushTimeout, tag);
        Debug("PushPageTag=" + tag);
    });
    return result;
}

std::string Zephra::SendPushIISPage(const std::string& address, const std::string& tag) {
    std::string result;
    Step(kLogSendPushIISPage, [&] {
        if (Sleep() != kAlwaysAwakeState) SleepControl(kAwakeState, tag);
        BrowserFullScreen_ = false;
        WriteDeviceText(DeviceCode(5), FormatStatus(state_, 16));
        Push_ = address;
        homeseer::Host& hs = state_.Host();
        hs.SetDeviceString(DeviceCode(0), address);
        hs.SetDeviceLastChange(DeviceCode(0), vb::Now());
        result = AsyncCommand(kGotoUrl + address, kPushTimeout, tag);
        state_.services.SendXapBSC(state_, DeviceCode(0));
    });
    return result;
}

std::string Zephra::PushFullScreenPage(const std::string& page, const std::string& tag) {
    SendPushPage(page, tag);
    Waitsecs(state_.settings.PushDelay);
    return ToggleBrowserControl(tag);
}

void Zephra::ShowSlideshow(const std::string&) {
    if (EnableSlideshow_ == 0) return;
    Slideshow_ = true;
    std::string pushed = PushFullScreenPage(kSlideshowPage, "");
    // A refused push (no tag) shows no slideshow.
    LetSlideshow(!pushed.empty() && vb::CBool(vb::Variant(pushed)));
}

std::string Zephra::SetWaitsecs(int16_t seconds, const std::string& tag) {
    const int32_t twice = 2 * int32_t{seconds};
    if (twice > INT16_MAX || twice < INT16_MIN) vb::raise(vb::errors::Overflow);
    return AsyncCommand(std::string(kWaitSecs) + " " + std::to_string(seconds), twice, tag);
}

void Zephra::Waitsecs(int16_t seconds) { SetWaitsecs(seconds, ""); }

std::string Zephra::CyclePower(const std::string& tag) {
    if (PowerDevice_.empty()) return {};
    return AsyncCommand(kPower, kCommandTimeout, tag);
}

std::string Zephra::Execute(const std::string& command, const std::string& tag) {
    return AsyncCommand(kExecute + command, kCommandTimeout, tag);
}

std::string Zephra::SendUDPCommand(const std::string& name, const std::string& argument, const std::string& tag) {
    return AsyncCommand(kSendCmd + name + kPartSeparator + argument, kCommandTimeout, tag);
}

std::string Zephra::SendUDPCID(const std::string& line1, const std::string& line2, const std::string& tag) {
    return AsyncCommand(kSendCid + line1 + kPartSeparator + line2, kCommandTimeout, tag);
}

std::string Zephra::SetSleep(const std::string& state, const std::string& tag) { return SleepControl(state, tag); }

std::string Zephra::Sleep() const {
    switch (Sleep_) {
    case 2: return kAlwaysAwakeState;
    case 1: return kAwakeState;
    case 3: return kPowerCycleState;
    default: return kSleepState;
    }
}

std::string Zephra::ToggleBrowserFullScreen(const std::string& tag) { return ToggleBrowserControl(tag); }

std::string Zephra::PushPage(const std::string& page, const std::string& tag) { return SendPushPage(page, tag); }

std::string Zephra::PushIISPage(const std::string& page, const std::string& tag) { return SendPushIISPage(page, tag); }

void Zephra::LetPush(const std::string& page) { SendPushPage(page, ""); }

void Zephra::LetSleep(const std::string& state) { SleepControl(state, ""); }

}  // namespace zephra
