// The minute timer's and the slideshow timer's routines, and motion, on the manual clock;
// what the appliances are told arrives at the appliance stand-in.

#include "core/Housekeeping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "core/QueueTimer.h"
#include "core/tests/ThreeAppliances.h"
#include "vb/DateTime.h"
#include "vb/Format.h"

namespace zephra {
namespace {

using namespace std::chrono_literals;
using testing::LocalTime;

// The minute timer's ticks over the three appliances.
class HousekeepingTest : public testing::ThreeAppliances {
protected:
    // One tick of the minute timer and what it sent.
    Strings Minute() {
        bed.loop.advance(60s);
        return Sent();
    }
};

TEST_F(HousekeepingTest, SleepStatesArePolledEveryIntervalPlusOneMinutesAndAlwaysAwakeIsRetoldEachMinute) {
    Start("SleepMonitorInterval=2\nPowerCycleInterval=23", true);
    Z(1).LetSleep("always awake");
    Sent();
    EXPECT_EQ(bed.state.settings.SleepCountdown, 2);
    std::vector<int> polls;
    for (int tick = 1; tick <= 7; ++tick) {
        const Strings pages = Minute();
        EXPECT_EQ(Count(pages, "hall /screen.shtml?1"), 1) << tick;  // told to stay awake
        if (Count(pages, "kitchen /screen.shtml?p") == 1) polls.push_back(tick);
        EXPECT_EQ(Count(pages, "kitchen /screen.shtml?p"), Count(pages, "den /screen.shtml?p")) << tick;
    }
    EXPECT_EQ(polls, (std::vector<int>{3, 6}));

    // Without a poll interval the minute timer still re-tells "always awake".
    bed.state.settings.SleepMonitorInterval = 0;
    const Strings pages = Minute();
    EXPECT_EQ(pages, Strings{"hall /screen.shtml?1"});
}

TEST_F(HousekeepingTest, ASlideshowIsKeptAwakeWhileThereIsMotionAndEndsWhenItsPageIsNoLongerFetched) {
    Start("SlideshowNoMotionTime=8\nPowerCycleInterval=23\nSleepMonitorInterval=0", true);
    bed.host->ExecX10("A7", "off");
    Z(0).LetSlideshow(true);
    Z(2).LetSlideshow(true);  // no slide group: no slideshow
    EXPECT_FALSE(Z(2).Slideshow());
    Z(0).LetSleep("sleep");
    Sent();
    // No motion: the kitchen is woken for the first minutes only (below 8 - 5), so that its
    // own sleep timer can take it; the hall shows no slideshow and is left alone.
    std::vector<int> wakes;
    for (int tick = 1; tick <= 5; ++tick) {
        const Strings pages = Minute();
        if (Count(pages, "kitchen /screen.shtml?1") == 1) wakes.push_back(tick);
        EXPECT_EQ(Count(pages, "hall /screen.shtml?1"), 0);
        EXPECT_EQ(Z(0).MotionOffMinutes(), tick);
    }
    EXPECT_EQ(wakes, (std::vector<int>{1, 2}));
    bed.host->ExecX10("A7", "on");
    Minute();
    EXPECT_EQ(Z(0).MotionOffMinutes(), 0);

    // Without a no-motion time the slideshow page decides: fetched lately, the appliance is
    // kept awake; not fetched for five update intervals, the slideshow ends.
    bed.state.settings.SlideshowNoMotionTime = 0;
    bed.host->ExecX10("A7", "off");
    Z(0).LetSlideshowTime(vb::Now());
    EXPECT_EQ(Count(Minute(), "kitchen /screen.shtml?1"), 1);
    EXPECT_TRUE(Z(0).Slideshow());
    bed.loop.advance(40s);  // 5 × 20 s since the page was served
    Minute();
    EXPECT_FALSE(Z(0).Slideshow());

    // An appliance without a motion sensor is simply kept awake.
    Z(2).LetEnableSlideshow(1);
    Z(2).LetSlideshow(true);
    Z(2).LetSleep("sleep");
    Sent();
    EXPECT_EQ(Minute(), Strings{"den /screen.shtml?1"});
}

TEST_F(HousekeepingTest, EveryListedHourStartsOneSweepADayMidnightIncluded) {
    Start("PowerCycleInterval=0,3\nLastPowerCycleHour=23\nLastPowerCycleDate=2001-01-01", false);
    bed.loop.setLocalNow(LocalTime(2001, 1, 1, 23, 58, 30));
    bed.host->ClearCalls();
    auto cycledAt = [&](std::chrono::minutes span) {
        Strings cycled;
        for (auto m = 0min; m < span; ++m) {
            bed.host->ClearCalls();
            bed.loop.advance(60s);
            for (const std::string& call : bed.Calls("ExecX10"))
                if (call.find("|off") != std::string::npos)
                    cycled.push_back(vb::formatDate(vb::Now(), "hh:nn") + " " + call.substr(0, call.find('|')));
        }
        return cycled;
    };
    // The sweep starts at the first tick of hour 0 and cycles one appliance a minute, the
    // last slot first; hour 3 starts the next.
    EXPECT_EQ(cycledAt(6min), (Strings{"00:01 A5", "00:02 A4", "00:03 A3"}));
    EXPECT_EQ(bed.host->GetIniSetting("Zephra Utilities", "LastPowerCycleHour", "", "dkvZephraUtilities.ini"), "0");
    EXPECT_EQ(bed.host->GetIniSetting("Zephra Utilities", "LastPowerCycleDate", "", "dkvZephraUtilities.ini"),
              "2001-01-02");
    EXPECT_EQ(cycledAt(4h), (Strings{"03:01 A5", "03:02 A4", "03:03 A3"}));
    // The next day again at both hours.
    EXPECT_EQ(cycledAt(24h), (Strings{"00:01 A5", "00:02 A4", "00:03 A3", "03:01 A5", "03:02 A4", "03:03 A3"}));

    // A restart within a swept hour does not sweep again; one on a later day does.
    bed.loop.setLocalNow(LocalTime(2001, 1, 3, 3, 30));
    InitZephraUtilities(bed.state);
    EXPECT_EQ(cycledAt(3min), Strings{});
    bed.host->SaveIniSetting("Zephra Utilities", "LastPowerCycleDate", "2001-01-02", "dkvZephraUtilities.ini");
    InitZephraUtilities(bed.state);
    EXPECT_EQ(cycledAt(4min), (Strings{"03:35 A5", "03:36 A4", "03:37 A3"}));
}

TEST_F(HousekeepingTest, ASweepOfATableThatShrankGoesOnFromItsLastSlot) {
    Start("PowerCycleInterval=22", false);
    bed.state.housekeeping.PowerCycleIndex = 7;
    EvaluatePowerCycle(bed.state);
    EvaluatePowerCycle(bed.state);
    EXPECT_EQ(bed.Calls("ExecX10"), (Strings{"A5|off|0", "A4|off|0"}));
    EXPECT_EQ(bed.state.housekeeping.PowerCycleIndex, 0);
    EXPECT_EQ(bed.Log().size(), 2u);  // the two power cycles, and nothing else
    for (const std::string& line : bed.Log())
        EXPECT_NE(line.find(" Zephra power cycle asked for by a power command: 0 commands dropped"), std::string::npos)
            << line;
}

TEST_F(HousekeepingTest, TheSlideshowTickWaitsWholeMinutesThenTheRestAndPublishesAPicture) {
    bed.state.settings.SlideFiles.files = {"\\a.jpg", "\\b.jpg"};
    forms::Timer& timer = bed.state.QueueTimerForm().Timer3;
    auto intervals = [&](const std::string& seconds, int ticks) {
        bed.state.settings.SlideshowUpdateInterval = seconds;
        bed.state.housekeeping.SlideshowMinutesLeft = 0;
        std::vector<int32_t> seen;
        UpdateSlideshow(bed.state);
        for (int i = 0; i < ticks; ++i) {
            seen.push_back(timer.Interval());
            bed.loop.advance(std::chrono::milliseconds(timer.Interval()));
        }
        return seen;
    };
    EXPECT_EQ(intervals("20", 2), (std::vector<int32_t>{20000, 20000}));
    EXPECT_EQ(intervals("90", 4), (std::vector<int32_t>{30000, 60000, 30000, 60000}));
    EXPECT_EQ(intervals("120", 3), (std::vector<int32_t>{60000, 60000, 60000}));
    EXPECT_EQ(intervals("61", 2), (std::vector<int32_t>{60000, 60000}));
    EXPECT_EQ(intervals("1", 2), (std::vector<int32_t>{1000, 1000}));
    EXPECT_TRUE(timer.Enabled());
    const std::string picture =
        bed.host->GetIniSetting("Zephra Utilities", "NextPicture", "-", "dkvZephraUtilities.ini");
    EXPECT_TRUE(picture == "\\a.jpg" || picture == "\\b.jpg") << picture;
    EXPECT_EQ(bed.host->GetIniSetting("Zephra Utilities", "SlideshowActive", "-", "dkvZephraUtilities.ini"), "1");

    bed.state.settings.SlideFiles.Clear();
    intervals("20", 1);
    EXPECT_EQ(bed.host->GetIniSetting("Zephra Utilities", "NextPicture", "-", "dkvZephraUtilities.ini"), "");

    // "Stop Slideshow" with no appliance showing one: the timer stops at its next tick.
    bed.state.SlideshowMenuState = 2;
    bed.loop.advance(20s);
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(bed.host->GetIniSetting("Zephra Utilities", "SlideshowActive", "-", "dkvZephraUtilities.ini"), "0");
    EXPECT_TRUE(bed.Log().empty());
}

TEST_F(HousekeepingTest, TemporaryFilesGoAtTheSixthMinuteBoundaryAfterTheirChange) {
    bed.state.settings.ZephraTempPath = bed.host->GetAppPath() + "\\HTML\\ZephraTemp";
    const auto old = bed.app.write("HTML/ZephraTemp/ZephraTempFile1.wav", "x");
    const auto young = bed.app.write("HTML/ZephraTemp/ZephraTempFile2.wav", "x");
    const auto below = bed.app.write("HTML/ZephraTemp/sub/ZephraTempFile3.wav", "x");
    // A change at hh:mm:59 local time, and one a second later.
    using namespace std::chrono;
    const auto base = floor<minutes>(system_clock::now()) - 2h + 59s;
    auto fileTime = [](system_clock::time_point t) { return file_clock::from_sys(t); };
    std::filesystem::last_write_time(old, fileTime(base));
    std::filesystem::last_write_time(young, fileTime(base + 1s));
    std::filesystem::last_write_time(below, fileTime(base - 1h));
    const vb::DateParts changed = vb::partsOf(vb::localDate(base));
    const forms::LocalTime at =
        LocalTime(changed.year, static_cast<unsigned>(changed.month), static_cast<unsigned>(changed.day), changed.hour,
                  changed.minute, changed.second);
    bed.loop.setLocalNow(at + 5min);  // hh:(mm+5):59
    RemoveOldFiles(bed.state);
    EXPECT_TRUE(std::filesystem::exists(old));
    bed.loop.advance(1s);  // the sixth minute boundary
    RemoveOldFiles(bed.state);
    EXPECT_FALSE(std::filesystem::exists(old));
    EXPECT_TRUE(std::filesystem::exists(young));
    EXPECT_TRUE(std::filesystem::exists(below));  // only the folder's top level is cleared
    EXPECT_TRUE(bed.Log().empty());

    bed.state.settings.ZephraTempPath = bed.host->GetAppPath() + "\\HTML\\Missing";
    RemoveOldFiles(bed.state);
    EXPECT_EQ(bed.Log(), Strings{"dkvZephra|RemoveOldFiles  Line 0 Path not found"});
}

TEST_F(HousekeepingTest, MotionWakesTheFirstApplianceOfItsSensorOrStartsItsSlideshow) {
    Start("PowerCycleInterval=\nSleepMonitorInterval=0\nPushDelay=2", true);
    Z(0).LetSleep("sleep");
    Z(1).LetSleep("sleep");
    Sent();
    // An "off" event, or motion while neither switch is on, changes nothing.
    CheckMotionEvent(bed.state, "a7", vb::Variant(int16_t{3}));
    CheckMotionEvent(bed.state, "a7", vb::Variant(int16_t{2}));
    EXPECT_EQ(Sent(), Strings{});

    bed.state.settings.AwakenOnMotion = true;
    CheckMotionEvent(bed.state, "a7", vb::Variant(int16_t{2}));
    EXPECT_EQ(Sent(), Strings{"kitchen /screen.shtml?1"});  // the hall shares the sensor: not woken
    EXPECT_EQ(Z(1).Sleep(), "sleep");

    // Asleep with a slide group and "StartSlildeshow": awake, the slideshow page, a pause,
    // full screen.
    bed.state.settings.StartSlildeshow = true;
    Z(0).LetSleep("sleep");
    Sent();
    CheckMotionEvent(bed.state, "A7", vb::Variant(int16_t{2}));
    const Strings pages = Sent();
    ASSERT_EQ(pages.size(), 4u);
    EXPECT_EQ(pages[0], "kitchen /screen.shtml?1");
    EXPECT_EQ(pages[1], "kitchen /screen.shtml?1");
    EXPECT_EQ(pages[2], "kitchen /gotoURL.shtml?M=GOTO_URL&S=http://127.0.0.1:81/ZephraSlideshow.asp");
    EXPECT_EQ(pages[3], "kitchen /cgi-bin/firef4");
    EXPECT_TRUE(Z(0).Slideshow());
    EXPECT_TRUE(Z(0).BrowserFullScreen());
    EXPECT_EQ(Z(0).Sleep(), "awake");
}

TEST_F(HousekeepingTest, LedsAreClearedOnceAPresenceLastsLongerThanTheLedMotionTime) {
    Start("PowerCycleInterval=\nSleepMonitorInterval=0\nLEDMotionTime=120", true);
    Z(2).LetMotionDevice("B2");
    bed.state.appliances.slots[2].MotionDevice = "B2";
    Z(2).LetTopLED("on");
    Z(2).LetMailLED("blink");
    Sent();
    bed.host->ExecX10("B2", "off");
    CheckMotionEvent(bed.state, "B2", vb::Variant(int16_t{2}));  // sensor was off: presence begins
    bed.host->ExecX10("B2", "on");
    bed.loop.advance(100s);
    CheckMotionEvent(bed.state, "B2", vb::Variant(int16_t{2}));
    EXPECT_EQ(Sent(), Strings{});
    bed.loop.advance(21s);
    CheckMotionEvent(bed.state, "B2", vb::Variant(int16_t{2}));
    EXPECT_EQ(Sent(), (Strings{"den /led.shtml?t0", "den /led.shtml?m0"}));
    EXPECT_EQ(Z(2).TopLED(), "off");
    EXPECT_EQ(Z(2).MailLED(), "off");
}

}  // namespace
}  // namespace zephra
