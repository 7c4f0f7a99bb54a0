// The appliance self-test against the appliance stand-in: what it writes to the host log and
// what reaches the appliance, answering and silent.

#include "core/Checkout.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/tests/ApplianceFixture.h"
#include "homeseer/HtmlServer.h"
#include "vb/Error.h"
#include "windows/SpVoice.h"

namespace zephra {
namespace {

using Strings = std::vector<std::string>;

const Strings kProgress = {
    "dkvZephra|PERFORMING TEST PUSH on kitchen Zephra",
    "dkvZephra|PERFORMING TEST AUDIO on kitchen Zephra",
    "dkvZephra|PERFORMING TEST TEXT on kitchen Zephra",
    "dkvZephra|PERFORMING TEST LED on kitchen Zephra",
};

class Checkout : public testing::ApplianceFixture {
protected:
    // The appliance with the test's page and sound file served by the host's web server, and
    // an installed voice.
    void StartServed(std::vector<std::string> simOptions = {}) {
        bed.app.write("HTML/ZephraTestMessage.HTML", "<html><body>Test</body></html>");
        const auto wav = bed.app.path() / "HTML/ZephraTest.wav";
        const std::string sox = "sox -n -r 8000 -c 1 -b 16 " + wav.string() + " synth 0.5 sine 440 2>/dev/null";
        ASSERT_EQ(std::system(sox.c_str()), 0);
        Start("HomeseerIP=127.0.0.1\nIncludeHeaderLinks=0", std::move(simOptions));
        bed.host->SaveIniSetting("T2W", "T2WVoice", windows::SpVoice().GetVoices().front().GetDescription(),
                                 "dkvZephraUtilities.ini");
        homeseer::HtmlServer::Options options;
        options.root = bed.app.path() / "HTML";
        web = std::make_unique<homeseer::HtmlServer>(options);
        bed.state.settings.svrport = std::to_string(web->port());
        bed.host->ExecX10("A3", "on");
        sim->Lines(bed.loop, std::chrono::milliseconds(100));
        bed.host->ClearCalls();
    }
    std::string Server() const { return "http://127.0.0.1:" + std::to_string(web->port()) + "/"; }
    Strings Pages() {
        Strings found;
        for (const std::string& line : sim->Lines(bed.loop, std::chrono::milliseconds(300)))
            if (line.rfind("kitchen /", 0) == 0) found.push_back(line.substr(8, line.find(' ', 8) - 8));
        return found;
    }

    std::unique_ptr<homeseer::HtmlServer> web;
};

TEST_F(Checkout, AnApplianceThatAnswersGivesTheFourProgressLinesAndEndsWithItsLedsOff) {
    StartServed();
    MainTest(bed.state, *kitchen);
    EXPECT_EQ(bed.Log(), kProgress);
    ASSERT_TRUE(Idle());
    const Strings expected = {
        // PUSH: the page (woken first), the toggle, and the toggle back.
        "/screen.shtml?1", "/gotoURL.shtml?M=GOTO_URL&S=" + Server() + "ZephraTestMessage.HTML", "/cgi-bin/firef4",
        "/cgi-bin/firef4",
        // AUDIO
        "/volume.shtml?100", "/loadWav.shtml?" + Server() + "ZephraTemp/ZephraTempFilekitchen1.wav", "/volume.shtml?50",
        "/loadWav.shtml?" + Server() + "ZephraTest.wav",
        // TEXT
        "/screen.shtml?1", "/gotoURL.shtml?M=GOTO_URL&S=" + Server() + "ZephraTemp/ZephraTempFilekitchen2.html",
        // LED: each state on both, then the alternation, and the mail LED off at last.
        "/led.shtml?t0", "/led.shtml?m0", "/led.shtml?t1", "/led.shtml?m1", "/led.shtml?t2", "/led.shtml?m2",
        "/led.shtml?t1", "/led.shtml?m0", "/led.shtml?t0", "/led.shtml?m1", "/led.shtml?t1", "/led.shtml?m0",
        "/led.shtml?t0", "/led.shtml?m1", "/led.shtml?m0"};
    EXPECT_EQ(Pages(), expected);
    const auto state = sim->State();
    EXPECT_EQ(state.at("topled"), "off");
    EXPECT_EQ(state.at("mailled"), "off");
    EXPECT_EQ(state.at("volume"), "50");
    EXPECT_EQ(state.at("wavformat"), "pcm 8000Hz 16bit 1ch");
}

TEST_F(Checkout, WithTheDebugSwitchTheStartAndEndLinesSurroundTheRun) {
    StartServed();
    bed.state.settings.DebugLog = true;
    MainTest(bed.state, *kitchen);
    Strings lines;
    for (const std::string& line : bed.Log())
        if (line.find("TEST") != std::string::npos) lines.push_back(line);
    Strings expected = {"dkvZephra Debug| TEST STARTED ON ZEPHRA in kitchen"};
    expected.insert(expected.end(), kProgress.begin(), kProgress.end());
    expected.push_back("dkvZephra Debug| TEST COMPLETED ON ZEPHRA kitchen");
    EXPECT_EQ(lines, expected);
}

TEST_F(Checkout, AnApplianceThatDoesNotAnswerHoldsEachTestUpForThirtySecondsAtMost) {
    StartServed({"--silent", "kitchen"});
    const auto before = bed.loop.now();
    MainTest(bed.state, *kitchen);
    // Between the progress lines, each command given up is named.
    Strings progress, givenUp;
    for (const std::string& line : bed.Log())
        (line.rfind("dkvZephra|kitchen Zephra gave up ", 0) == 0 ? givenUp : progress).push_back(line);
    EXPECT_EQ(progress, kProgress);
    EXPECT_FALSE(givenUp.empty());
    // The pages time out one after the other: PUSH and AUDIO each take longer than their
    // wait, TEXT's two pages a little less.
    EXPECT_GE(bed.loop.now() - before, std::chrono::seconds(60));
    EXPECT_LE(bed.loop.now() - before, std::chrono::seconds(100));
}

TEST_F(Checkout, ATestOfAnIdleApplianceNeverFillsItsQueue) {
    StartServed();
    MainTest(bed.state, *kitchen);
    // Only the LED test's commands are still queued: 18 of them behind the one being sent.
    EXPECT_EQ(kitchen->CommandQueue().size(), 19u);
    EXPECT_FALSE(kitchen->PowerCycleInProgress());
    EXPECT_TRUE(bed.Calls("ExecX10").empty());
}

TEST_F(Checkout, AFailingStepIsLoggedWithItsErrorNumberAndTheTestGoesOn) {
    StartServed();
    bed.host->FailNext("Writelog", vb::Error(70, "Permission denied"));
    MainTest(bed.state, *kitchen);
    Strings expected = {kProgress[0], "dkvZephra|Main Test Error 70  Line 0 Permission denied"};
    expected.insert(expected.end(), kProgress.begin() + 1, kProgress.end());
    EXPECT_EQ(bed.Log(), expected);
}

}  // namespace
}  // namespace zephra
