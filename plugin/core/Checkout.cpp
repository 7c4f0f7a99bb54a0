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

    void Run() {
        if (state_.settings.DebugLog) Step([&] { Log(kDebugSource, kStarted + z_.Name()); });
        const std::vector<std::string> tests = vb::Split(kTests, ",");
        for (const std::string& test : tests) {
            if (test != tests.front()) Step([&] { LetQueueDrain(); });
            Step([&] { Log(kSource, kPerforming + test + kOn + z_.Name() + kZephra); });
            if (test == "PUSH") Push();
            if (test == "AUDIO") Audio();
            if (test == "TEXT") Text();
            if (test == "LED") Leds();
        }
        if (state_.settings.DebugLog) Step([&] { Log(kDebugSource, kCompleted + z_.Name()); });
    }

private:
    void Push() {
        std::string tag;
        Step([&] { tag = z_.PushPage(kTestPage, ""); });
        Step([&] { WaitForCommand(tag); });
        bool fullScreen = false;
        Step([&] {
            fullScreen = z_.BrowserFullScreen();
            if (fullScreen) Malfunction(kFullAfterPush);
        });
        Step([&] { z_.ToggleBrowserFullScreen(""); });
        Step([&] { z_.Waitsecs(kToggleWait); });
        Step([&] {
            if (z_.BrowserFullScreen() == fullScreen) Malfunction(kNoToggle);
        });
        Step([&] { z_.LetBrowserFullScreen(false); });
        Step([&] { z_.Waitsecs(kToggleWait); });
        Step([&] {
            if (z_.BrowserFullScreen()) Malfunction(kStillFull);
        });
    }

    // Rounds of pending events, not timed, until the command is done or the rounds run out.
    void WaitForCommand(const std::string& tag) {
        for (int round = 0; round < kPushRounds; ++round) {
            if (!z_.CommandBusy(tag)) return;
            forms::DoEvents();
        }
    }

    // The appliance's queue takes 20 commands and a full queue counts as a hung appliance;
    // the whole test queues more than that, so each test waits (a bounded time, events
    // running) until the appliance has worked through the one before.
    void LetQueueDrain() {
        forms::Loop::current().waitFor([&] { return z_.QueueIdle() && z_.CommandQueue().size() == 1; }, kDrainWait);
    }

    void Audio() {
        Step([&] { z_.SetVolume(kFullVolume, ""); });
        Step([&] { z_.Speak(kTestSpeech, ""); });
        Step([&] { z_.LetVolume(kHalfVolume); });
        Step([&] { z_.Wav(kTestWav, ""); });
        Step([&] {
            if (z_.Volume() != kHalfVolume) Malfunction(kNoVolume);
        });
    }

    void Text() {
        Step([&] { z_.LetPushText(kTestText); });
    }

    void Leds() {
        for (const char* s : kLedStates) {
            Step([&] { z_.SetTopLED(s, ""); });
            Step([&] { z_.SetMailLED(s, ""); });
            Step([&] {
                if (z_.TopLED() != s) Malfunction(kTopReports + z_.TopLED() + kShouldBe + s);
            });
            Step([&] {
                if (z_.MailLED() != s) Malfunction(kMailReports + z_.MailLED() + kShouldBe + s);
            });
        }
        for (int round = 0; round < 2; ++round) {
            Step([&] { z_.Waitsecs(1); });
            Step([&] { z_.LetTopLED("on"); });
            Step([&] { z_.LetMailLED("off"); });
            Step([&] { z_.Waitsecs(1); });
            Step([&] { z_.LetTopLED("off"); });
            Step([&] { z_.LetMailLED("on"); });
        }
        Step([&] { z_.LetMailLED("off"); });
    }

    void Log(const char* source, const std::string& text) { WriteLog(state_.Host(), source, text); }
    void Malfunction(const std::string& text) { Log(kMalfunctionSource, text); }

    // One step under the test's error handler: the error is logged and the test goes on.
    void Step(const std::function<void()>& body) {
        if (vb::Try(body)) return;
        const std::string text = kError + std::to_string(vb::Err().Number) + " ";
        if (!vb::Try([&] { Log(kSource, text); })) vb::Err().Clear();
    }

    PluginState& state_;
    Zephra& z_;
};

}  // namespace

void MainTest(PluginState& state, Zephra& zephra) { SelfTest(state, zephra).Run(); }

}  // namespace zephra
