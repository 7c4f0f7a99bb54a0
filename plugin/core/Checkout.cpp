#include "core/Checkout.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/Zephra.h"
#include "forms/Loop.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kDebugSource = "dkvZephra Debug";
constexpr const char* kMalfunctionSource = "dkvZephra Zephra Test Malfunction ";

constexpr const char* kTests = "PUSH,AUDIO,TEXT,LED";
constexpr const char* kStarted = " TEST STARTED ON ZEPHRA in ";
constexpr const char* kCompleted = " TEST COMPLETED ON ZEPHRA ";
constexpr const char* kPerforming = "PERFORMING TEST ";
constexpr const char* kOn = " on ";
constexpr const char* kZephra = " Zephra";
constexpr const char* kError = "Main Test Error ";

constexpr const char* kTestPage = "ZephraTestMessage.HTML";
constexpr const char* kTestSpeech = "How are you doing today at 100% Volume, Next at 50%?";
constexpr const char* kTestWav = "ZephraTest.wav";
constexpr const char* kTestText = "Test Message Line 1\r\nTest Message Line 2";

constexpr const char* kFullAfterPush = "BrowserFullScreen reports full screen after push page";
constexpr const char* kNoToggle = "Toggle Browser did not report toggle";
constexpr const char* kStillFull = "Browser Full Screen Property did not change to not full screen";
constexpr const char* kNoVolume = "50% Volume not reported back";
constexpr const char* kTopReports = "TopLED reports ";
constexpr const char* kMailReports = "MailLED reports ";
constexpr const char* kShouldBe = " when should be ";

constexpr int kPushRounds = 1001;
constexpr std::chrono::milliseconds kDrainWait{30000};
constexpr int16_t kToggleWait = 3;
constexpr int16_t kFullVolume = 100;
constexpr int16_t kHalfVolume = 50;
constexpr const char* kLedStates[] = {"off", "on", "blink"};

class SelfTest {
public:
    SelfTest(PluginState& state, Zephra& zephra) : state_(state), z_(zephra) {}

    void run() {
        if (state_.settings.DebugLog) step([&] { log(kDebugSource, kStarted + z_.Name()); });
        const std::vector<std::string> tests = vb::Split(kTests, ",");
        for (const std::string& test : tests) {
            if (test != tests.front()) step([&] { letQueueDrain(); });
            step([&] { log(kSource, kPerforming + test + kOn + z_.Name() + kZephra); });
            if (test == "PUSH") push();
            if (test == "AUDIO") audio();
            if (test == "TEXT") text();
            if (test == "LED") leds();
        }
        if (state_.settings.DebugLog) step([&] { log(kDebugSource, kCompleted + z_.Name()); });
    }

private:
    void push() {
        std::string tag;
        step([&] { tag = z_.PushPage(kTestPage, ""); });
        step([&] { waitForCommand(tag); });
        bool fullScreen = false;
        step([&] {
            fullScreen = z_.BrowserFullScreen();
            if (fullScreen) malfunction(kFullAfterPush);
        });
        step([&] { z_.ToggleBrowserFullScreen(""); });
        step([&] { z_.Waitsecs(kToggleWait); });
        step([&] {
            if (z_.BrowserFullScreen() == fullScreen) malfunction(kNoToggle);
        });
        step([&] { z_.LetBrowserFullScreen(false); });
        step([&] { z_.Waitsecs(kToggleWait); });
        step([&] {
            if (z_.BrowserFullScreen()) malfunction(kStillFull);
        });
    }

    // Rounds of pending events, not timed, until the command is done or the rounds run out.
    void waitForCommand(const std::string& tag) {
        for (int round = 0; round < kPushRounds; ++round) {
            if (!z_.CommandBusy(tag)) return;
            forms::DoEvents();
        }
    }

    // The appliance's queue takes 20 commands and a full queue counts as a hung appliance;
    // the whole test queues more than that, so each test waits (a bounded time, events
    // running) until the appliance has worked through the one before.
    void letQueueDrain() {
        forms::Loop::current().waitFor([&] { return z_.QueueIdle() && z_.CommandQueue().size() == 1; }, kDrainWait);
    }

    void audio() {
        step([&] { z_.SetVolume(kFullVolume, ""); });
        step([&] { z_.Speak(kTestSpeech, ""); });
        step([&] { z_.LetVolume(kHalfVolume); });
        step([&] { z_.Wav(kTestWav, ""); });
        step([&] {
            if (z_.Volume() != kHalfVolume) malfunction(kNoVolume);
        });
    }

    void text() {
        step([&] { z_.LetPushText(kTestText); });
    }

    void leds() {
        for (const char* s : kLedStates) {
            step([&] { z_.SetTopLED(s, ""); });
            step([&] { z_.SetMailLED(s, ""); });
            step([&] {
                if (z_.TopLED() != s) malfunction(kTopReports + z_.TopLED() + kShouldBe + s);
            });
            step([&] {
                if (z_.MailLED() != s) malfunction(kMailReports + z_.MailLED() + kShouldBe + s);
            });
        }
        for (int round = 0; round < 2; ++round) {
            step([&] { z_.Waitsecs(1); });
            step([&] { z_.LetTopLED("on"); });
            step([&] { z_.LetMailLED("off"); });
            step([&] { z_.Waitsecs(1); });
            step([&] { z_.LetTopLED("off"); });
            step([&] { z_.LetMailLED("on"); });
        }
        step([&] { z_.LetMailLED("off"); });
    }

    void log(const char* source, const std::string& text) { WriteLog(state_.host(), source, text); }
    void malfunction(const std::string& text) { log(kMalfunctionSource, text); }

    // One step under the test's error handler: the error is logged and the test goes on.
    void step(const std::function<void()>& body) {
        if (vb::Try(body)) return;
        const std::string text = kError + std::to_string(vb::Err().Number) + " ";
        if (!vb::Try([&] { log(kSource, text); })) vb::Err().Clear();
    }

    PluginState& state_;
    Zephra& z_;
};

}  // namespace

void MainTest(PluginState& state, Zephra& zephra) { SelfTest(state, zephra).run(); }

}  // namespace zephra
