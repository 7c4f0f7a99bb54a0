#include "core/Housekeeping.h"

#include <cmath>
#include <functional>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "core/SettingsTable.h"
#include "core/Zephra.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/ErrorNumbers.h"
#include "vb/Format.h"
#include "vb/Math.h"
#include "vb/Strings.h"
#include "windows/FileSystemObject.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kDebugSource = "dkvZephra Debug";

constexpr const char* kSleepTag = "UpdateSleepModeStatus ";
constexpr const char* kNoMotionTag = "UpdateSlideshowNoMotionStatus ";
constexpr const char* kPowerCycleTag = "EvaluatePowerCycle ";
constexpr const char* kOldFilesTag = "RemoveOldFiles ";
constexpr const char* kMotionTag = "CheckMotionEvent ";
constexpr const char* kSlideshowTag = "UpdateSlideshow ";

constexpr const char* kSleepCheck = "Periodic Check of SleepModeTimer=";
constexpr const char* kNoMotionTime = "Slideshow NoMotion Time=";
constexpr const char* kFirstMinutes = ", MinutesNoMotion(firstZephra)=";
constexpr const char* kX10Callback = "X10 Callback ";
constexpr const char* kWasOn = " was on=";

constexpr const char* kLastPowerCycleHour = "LastPowerCycleHour";
constexpr const char* kLastPowerCycleDate = "LastPowerCycleDate";
constexpr const char* kNextPicture = "NextPicture";
constexpr const char* kSlideshowActive = "SlideshowActive";
constexpr const char* kDayFormat = "yyyy-mm-dd";

constexpr const char* kAlwaysAwake = "always awake";
constexpr const char* kAwake = "awake";
constexpr const char* kAsleep = "sleep";
constexpr const char* kOff = "off";
constexpr const char* kSlideshowPage = "ZephraSlideshow.asp";

constexpr int32_t kMinute = 60000;
constexpr int32_t kShortestSlideTick = 1000;
constexpr int32_t kOldFileMinutes = 5;
constexpr int32_t kNoMotionGraceMinutes = 5;
constexpr int32_t kUnfetchedIntervals = 5;
constexpr int32_t kX10On = 2;

// One step of a routine under its error handler: a failure is logged with the routine's tag
// and the routine goes on.
void Handled(PluginState& state, const char* tag, const std::function<void()>& body) {
    if (vb::Try(body)) return;
    if (!vb::Try([&] { WriteLog(state.Host(), kSource, tag); })) vb::Err().Clear();
}

void Debug(PluginState& state, const std::string& text) {
    if (state.settings.DebugLog) WriteLog(state.Host(), kDebugSource, text);
}

// Every appliance object of the table, in slot order; each visit is one step of `tag`.
void ForEachAppliance(PluginState& state, const char* tag, const std::function<void(Zephra&)>& visit) {
    std::vector<std::shared_ptr<Zephra>> objects;
    for (const ZephraEntry& slot : state.appliances.slots)
        if (slot.Object) objects.push_back(slot.Object);
    for (const std::shared_ptr<Zephra>& z : objects) Handled(state, tag, [&] { visit(*z); });
}

// The slideshow's state, kept beside the settings for the slideshow pages.
void SaveSlideshowState(PluginState& state, const char* key, const std::string& value) {
    state.Host().SaveIniSetting(settings::kMain, key, value, settings::kIniFile);
}

void KeepAwake(Zephra& z) {
    if (z.Sleep() != kAlwaysAwake) z.LetSleep(kAwake);
}

// --- Slideshow presence ----------------------------------------------------------------------

void NoMotionMinute(PluginState& state, Zephra& z) {
    const ZephraSettings& s = state.settings;
    if (s.SlideshowNoMotionTime > 0) {
        z.LetMotionOffMinutes(z.MotionOffMinutes() + 1);
        if (z.MotionOffMinutes() < s.SlideshowNoMotionTime - kNoMotionGraceMinutes && z.Sleep() != kAlwaysAwake)
            z.LetSleep(kAwake);
        return;
    }
    const vb::Date lastFetch =
        vb::DateAdd("s", double{kUnfetchedIntervals} * s.SlideshowUpdateSeconds, z.SlideshowTime());
    if (lastFetch > vb::Now()) {
        KeepAwake(z);
    } else {
        z.LetSlideshow(false);
    }
}

void SlideshowPresence(PluginState& state, Zephra& z) {
    if (!z.Slideshow()) return;
    const std::string& motion = z.MotionDevice();
    if (motion.size() < 2) {
        KeepAwake(z);
    } else if (!state.Host().IsOff(motion)) {
        z.LetMotionOffMinutes(0);
    } else {
        NoMotionMinute(state, z);
    }
}

// --- Daily power cycle ---------------------------------------------------------------------

// One appliance of a running sweep; a sweep whose slot lies beyond a table that shrank
// meanwhile goes on from the table's last slot.
void SweepStep(PluginState& state) {
    int16_t& index = state.housekeeping.PowerCycleIndex;
    const int32_t last = state.appliances.Last();
    if (index > last) index = static_cast<int16_t>(last);
    const std::shared_ptr<Zephra> z = state.appliances.slots[static_cast<std::size_t>(index)].Object;
    --index;
    if (z) z->CyclePower("");
}

bool HourListed(const std::string& hours, int32_t hour) {
    for (const std::string& piece : vb::Split(hours, ","))
        if (vb::Val(piece) == hour) return true;
    return false;
}

bool AnyAppliance(const PluginState& state) {
    for (const ZephraEntry& slot : state.appliances.slots)
        if (slot.Object) return true;
    return false;
}

// The hour of the last sweep counts on the day it was made only, so that every listed hour,
// midnight included, starts one sweep every day.
void StartSweepWhenDue(PluginState& state) {
    ZephraSettings& s = state.settings;
    const vb::Date now = vb::Now();
    const int32_t hour = vb::Hour(now);
    const std::string today = PowerCycleDay(now);
    if (s.LastPowerCycleDate != today) s.LastPowerCycleHour = -1;
    if (hour <= s.LastPowerCycleHour || !HourListed(s.PowerCycleInterval, hour)) return;
    s.LastPowerCycleHour = static_cast<int16_t>(hour);
    s.LastPowerCycleDate = today;
    settings::SaveText(state.Host(), settings::MainSetting(kLastPowerCycleHour), std::to_string(hour));
    settings::SaveText(state.Host(), settings::MainSetting(kLastPowerCycleDate), today);
    if (AnyAppliance(state)) state.housekeeping.PowerCycleIndex = static_cast<int16_t>(state.appliances.Last());
}

// --- Slideshow picture -----------------------------------------------------------------------

bool SlideshowWanted(PluginState& state) {
    if (state.SlideshowMenuState != 2) return true;
    for (const ZephraEntry& slot : state.appliances.slots)
        if (slot.Object && slot.Object->Slideshow()) return true;
    return false;
}

// Arms the wait for the next picture and publishes a picture drawn at random.
void NextPicture(PluginState& state, forms::Timer& timer) {
    int32_t& minutesLeft = state.housekeeping.SlideshowMinutesLeft;
    const int64_t ms = int64_t{vb::CLng(vb::Variant(state.settings.SlideshowUpdateInterval))} * 1000;
    if (ms > INT32_MAX || ms < INT32_MIN) vb::raise(vb::errors::Overflow);
    minutesLeft = static_cast<int32_t>(ms / kMinute);
    int32_t interval = static_cast<int32_t>(ms % kMinute);
    if (interval <= kShortestSlideTick) {
        if (minutesLeft > 0) {
            --minutesLeft;
            interval = kMinute;
        } else {
            interval = kShortestSlideTick;
        }
    }
    timer.Interval(interval);
    const std::vector<std::string>& files = state.settings.SlideFiles.files;
    const auto pick = static_cast<std::size_t>(std::floor(vb::Rnd() * static_cast<float>(files.size())));
    SaveSlideshowState(state, kNextPicture, files.empty() ? std::string() : files[std::min(pick, files.size() - 1)]);
    SaveSlideshowState(state, kSlideshowActive, "1");
}

// --- Motion ------------------------------------------------------------------------------------

std::shared_ptr<Zephra> ApplianceWithMotionDevice(PluginState& state, const std::string& code) {
    for (const ZephraEntry& slot : state.appliances.slots)
        if (slot.Object && slot.MotionDevice == code) return slot.Object;
    return nullptr;
}

void ClearLedsAfterPresence(PluginState& state, Zephra& z) {
    if (z.MailLED() == kOff && z.TopLED() == kOff) return;
    if (vb::DateDiff("s", z.MotionStartTime(), vb::Now()) <= state.settings.LEDMotionTime) return;
    if (z.TopLED() != kOff) z.LetTopLED(kOff);
    if (z.MailLED() != kOff) z.LetMailLED(kOff);
}

void WakeOnMotion(PluginState& state, Zephra& z) {
    const ZephraSettings& s = state.settings;
    if (z.Sleep() == kAsleep) {
        if (z.EnableSlideshow() != 0 && s.StartSlildeshow) {
            z.LetSleep(kAwake);
            z.LetPush(kSlideshowPage);
            z.Waitsecs(s.PushDelay);
            z.LetBrowserFullScreen(true);
            z.LetSlideshow(true);
        } else if (s.AwakenOnMotion) {
            z.LetSleep(kAwake);
        }
    } else if (s.AwakenOnMotion && z.Sleep() != kAlwaysAwake) {
        z.LetSleep(kAwake);
    }
}

}  // namespace

std::string PowerCycleDay(vb::Date date) { return vb::formatDate(date, kDayFormat); }

void UpdateSleepModeStatus(PluginState& state) {
    ZephraSettings& s = state.settings;
    Handled(state, kSleepTag, [&] { Debug(state, kSleepCheck + std::to_string(s.SleepCountdown)); });
    ForEachAppliance(state, kSleepTag, [](Zephra& z) {
        if (z.Sleep() == kAlwaysAwake) z.LetSleep(kAlwaysAwake);
    });
    if (s.SleepMonitorInterval == 0) return;
    s.SleepCountdown = static_cast<int16_t>(s.SleepCountdown - 1);
    if (s.SleepCountdown >= 0) return;
    s.SleepCountdown = s.SleepMonitorInterval;
    ForEachAppliance(state, kSleepTag, [](Zephra& z) { z.RefreshSleepStatus(""); });
}

void UpdateSlideshowNoMotionStatus(PluginState& state) {
    Handled(state, kNoMotionTag, [&] {
        if (!state.settings.DebugLog) return;
        const std::shared_ptr<Zephra>& first = state.appliances.slots[0].Object;
        Debug(state, kNoMotionTime + std::to_string(state.settings.SlideshowNoMotionTime) + kFirstMinutes +
                         std::to_string(first ? first->MotionOffMinutes() : 0));
    });
    ForEachAppliance(state, kNoMotionTag, [&](Zephra& z) { SlideshowPresence(state, z); });
}

void EvaluatePowerCycle(PluginState& state) {
    if (state.settings.PowerCycleInterval.empty()) return;
    if (state.housekeeping.PowerCycleIndex >= 0) {
        Handled(state, kPowerCycleTag, [&] { SweepStep(state); });
        return;
    }
    Handled(state, kPowerCycleTag, [&] { StartSweepWhenDue(state); });
}

void RemoveOldFiles(PluginState& state) {
    windows::FileSystemObject fso;
    std::vector<windows::File> files;
    Handled(state, kOldFilesTag, [&] { files = fso.GetFolder(state.settings.ZephraTempPath).Files(); });
    const vb::Date now = vb::Now();
    for (windows::File& file : files)
        Handled(state, kOldFilesTag, [&] {
            if (vb::DateDiff("n", vb::localDate(file.DateLastModified()), now) > kOldFileMinutes) file.Delete();
        });
}

void UpdateSlideshow(PluginState& state) {
    bool wanted = true;
    Handled(state, kSlideshowTag, [&] { wanted = SlideshowWanted(state); });
    if (!wanted) {
        Handled(state, kSlideshowTag, [&] { state.QueueTimerForm().Timer3.Enabled(false); });
        Handled(state, kSlideshowTag, [&] { SaveSlideshowState(state, kSlideshowActive, "0"); });
        return;
    }
    Handled(state, kSlideshowTag, [&] {
        forms::Timer& timer = state.QueueTimerForm().Timer3;
        int32_t& minutesLeft = state.housekeeping.SlideshowMinutesLeft;
        if (minutesLeft >= 1) {
            --minutesLeft;
            timer.Interval(kMinute);
        } else {
            NextPicture(state, timer);
        }
    });
    Handled(state, kSlideshowTag, [&] { state.QueueTimerForm().Timer3.Enabled(true); });
}

void CheckMotionEvent(PluginState& state, const std::string& code, const vb::Variant& command) {
    Handled(state, kMotionTag, [&] {
        if (!state.settings.DebugLog) return;
        Debug(state,
              kX10Callback + code + "=" + vb::CStr(command) + kWasOn + (state.Host().IsOn(code) ? "True" : "False"));
    });
    const std::string c = vb::UCase(code);
    std::shared_ptr<Zephra> z;
    Handled(state, kMotionTag, [&] {
        z = ApplianceWithMotionDevice(state, c);
        if (z && vb::CLng(command) != kX10On) z.reset();
    });
    if (!z) return;
    Handled(state, kMotionTag, [&] {
        if (state.Host().IsOff(c)) z->LetMotionStartTime(vb::Now());
    });
    Handled(state, kMotionTag, [&] { ClearLedsAfterPresence(state, *z); });
    Handled(state, kMotionTag, [&] { WakeOnMotion(state, *z); });
}

}  // namespace zephra
