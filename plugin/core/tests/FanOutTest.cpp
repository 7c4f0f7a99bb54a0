// Fan-out operations over three appliances of the appliance stand-in: the token, appliances
// switched off, the shared speech files, caller-ID datagrams and the host phone's caller.

#include "core/FanOut.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "callerid/MessageCIDEvent.h"
#include "callerid/UdpServer.h"
#include "core/QueueTimer.h"
#include "core/StatusText.h"
#include "core/tests/ThreeAppliances.h"
#include "vb/Strings.h"

namespace zephra {
namespace {

using namespace std::chrono_literals;

class FanOutTest : public testing::ThreeAppliances {
protected:
    void powerOn() {
        for (const char* device : {"A3", "A4", "A5"}) bed.host->ExecX10(device, "on");
    }
};

TEST_F(FanOutTest, EveryAvailableApplianceIsServedAndOneSwitchedOffMakesTheResultEmpty) {
    start("", true);
    powerOn();
    const std::string token = InternalText(bed.state, "", "Hello");
    ASSERT_FALSE(token.empty());
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(z(i).CommandBusy(token)) << i;
    const Strings pages = sent();
    for (const char* name : {"kitchen", "hall", "den"})
        EXPECT_EQ(count(pages, std::string(name) +
                                   " /gotoURL.shtml?M=GOTO_URL&S=http://127.0.0.1:81/ZephraTemp/ZephraTempFile" + name +
                                   "1.html"),
                  1)
            << name;
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(z(i).CommandBusy(token)) << i;

    // The hall's power device is off: the others play the file, and the result says that
    // not everyone did.
    bed.host->ExecX10("A4", "off");
    EXPECT_EQ(InternalWav(bed.state, "kitchen,hall,den", "chime.wav"), "");
    const Strings played = sent();
    EXPECT_EQ(of(played, "kitchen"), Strings{"/loadWav.shtml?http://127.0.0.1:81/chime.wav"});
    EXPECT_EQ(of(played, "hall"), Strings{});
    EXPECT_EQ(of(played, "den"), Strings{"/loadWav.shtml?http://127.0.0.1:81/chime.wav"});

    // A selector that names nobody: a token, nothing is sent, and the log says once whom it named.
    EXPECT_FALSE(InternalWav(bed.state, "nobody", "chime.wav").empty());
    EXPECT_FALSE(InternalWav(bed.state, "nobody", "chime.wav").empty());
    EXPECT_EQ(sent(), Strings{});
    EXPECT_EQ(bed.log(), Strings{"dkvZephra|Appliance \"nobody\" is not configured: no line of [Zephra Names] in "
                                 "dkvZephraUtilities.ini has that name or IP"});
}

TEST_F(FanOutTest, SpeechIsSpokenOnceIntoTheNextOfTenSharedFiles) {
    start("", true);
    powerOn();
    bed.state.TempFileCounter = 0;
    Strings urls;
    for (int i = 0; i < 11; ++i) {
        EXPECT_FALSE(InternalSpeak(bed.state, "kitchen den", "Call " + std::to_string(i)).empty());
        for (const std::string& page : of(sent(20s), "kitchen")) urls.push_back(page);
    }
    Strings expected;
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1})
        expected.push_back("/loadWav.shtml?http://127.0.0.1:81/ZephraTemp/ZephraTempFile" + std::to_string(n) + ".wav");
    EXPECT_EQ(urls, expected);
    for (int n = 0; n < 10; ++n)
        EXPECT_TRUE(
            std::filesystem::exists(bed.app.path() / ("HTML/ZephraTemp/ZephraTempFile" + std::to_string(n) + ".wav")))
            << n;
    for (const std::string& line : bed.log()) EXPECT_NE(line.rfind("dkvZephra|", 0), 0u) << line;
}

TEST_F(FanOutTest, CallerIdDatagramsGoToEachAvailableApplianceAndWakeItUnlessAlwaysAwake) {
    start("", true, {"A3,A7,1,0", "A4,A7,1,0", "A5,,0,0"}, true);
    powerOn();
    z(0).LetSleep("sleep");
    z(1).LetSleep("always awake");
    sent();
    EXPECT_FALSE(InternalSendCID(bed.state, "", "JOHN DOE", "555-1234").empty());
    const Strings got = sent();
    for (const char* name : {"kitchen", "hall", "den"})
        EXPECT_EQ(count(got, std::string(name) + " udp cid name=\"JOHN DOE\" number=\"555-1234\""), 1) << name;
    EXPECT_EQ(count(got, "kitchen /screen.shtml?1"), 1);
    EXPECT_EQ(count(got, "hall /screen.shtml?1"), 0);
    EXPECT_EQ(z(1).Sleep(), "always awake");
}

TEST_F(FanOutTest, TheHostPhonesCallerReachesTheCallerIdAppliancesTheSentryTheDeviceAndTheLog) {
    // Kitchen and hall take part in caller ID, but the hall is switched off.
    start("ZcidCIDResponse=1\nBrowserCIDResponse=1\nSoundCIDResponse=1\nCIDSentry=1\nGenerateCIDEvent=1\nLogCID=1",
          true, {"A3,A7,1,1", "A4,A7,1,1", "A5,,0,0"}, true);
    powerOn();
    bed.host->ExecX10("A4", "off");
    // A client that is no appliance: the sentry.
    forms::UdpSocket sentry;
    std::string datagram;
    ASSERT_TRUE(subscribeSentry(sentry, datagram));
    bed.host->ClearCalls();

    const std::string text = MessageCIDEvent(bed.state, false, "");
    const std::size_t colon = text.find(':');
    ASSERT_NE(colon, std::string::npos);
    const std::string number = vb::Trim(text.substr(0, colon));
    const std::string name = vb::Trim(text.substr(colon + 1));

    EXPECT_EQ(InternalSendHspCID(bed.state, ""), "");
    const Strings got = sent(20s);
    // The page and the speech go to the caller-ID appliances that are available: the kitchen.
    const Strings kitchen = of(got, "kitchen");
    EXPECT_EQ(count(kitchen, "/loadWav.shtml?http://127.0.0.1:81/ZephraTemp/ZephraTempFile1.wav"), 1);
    EXPECT_EQ(count(kitchen, "/gotoURL.shtml?M=GOTO_URL&S=http://127.0.0.1:81/ZephraTemp/ZephraTempFilekitchen1.html"),
              1);
    // The datagram and the waking of the caller-ID appliances ask for no availability.
    const std::string cid = "udp cid name=\"" + name + "\" number=\"" + number + "\"";
    EXPECT_EQ(of(got, "hall"), (Strings{cid, "/screen.shtml?1"}));
    EXPECT_EQ(count(kitchen, cid), 1);
    EXPECT_EQ(of(got, "den"), Strings{});
    const std::string page = bed.app.read("HTML/ZephraTemp/ZephraTempFilekitchen1.html");
    EXPECT_NE(page.find("<B>" + vb::Replace(text, ":", "<BR>") + "<BR>Monday 10:00 AM</B>"), std::string::npos) << page;
    ASSERT_TRUE(bed.loop.runUntil([&] { return !datagram.empty(); }, 3s));
    EXPECT_EQ(datagram, ServerDatagram(kCallerIdDatagram, name, number));

    // The caller-ID device shows the call, switched on for ten seconds.
    EXPECT_EQ(bed.host->DeviceString("[91"), FormatValue(bed.state, 0, text));
    EXPECT_EQ(bed.calls("SetDeviceStatus"), Strings{"[91|2"});
    EXPECT_TRUE(bed.state.QueueTimerForm().Timer4.Enabled());
    bed.loop.advance(10s);
    EXPECT_EQ(bed.host->DeviceStatus("[91"), homeseer::kStatusOff);
    const Strings log = bed.log();
    EXPECT_NE(std::find(log.begin(), log.end(), "dkvZephra|" + text), log.end());
}

TEST_F(FanOutTest, WithNoCallerIdApplianceEveryApplianceGetsThePageAndOnlyTheLogDoesNotFetchTheCaller) {
    start("BrowserCIDResponse=1", true, {"A3,A7,1,0", "A4,A7,1,0", "A5,,0,0"});
    powerOn();
    EXPECT_EQ(InternalSendHspCID(bed.state, ""), "");
    const Strings got = sent();
    for (const char* name : {"kitchen", "hall", "den"})
        EXPECT_EQ(of(got, name).size(), 3u) << name;  // wake, page, wake

    bed.state.settings.BrowserCIDResponse = false;
    bed.state.settings.LogCID = true;
    bed.host->ClearCalls();
    InternalSendHspCID(bed.state, "");
    EXPECT_EQ(bed.log(), Strings{"dkvZephra|"});
    EXPECT_EQ(sent(), Strings{});
}

TEST_F(FanOutTest, TheHostPhonesCallerTextIsBuiltPerApplianceAndNothingIsSent) {
    start("", true);
    powerOn();
    EXPECT_FALSE(InternalSendHspBrowserCID(bed.state, "").empty());
    bed.host->ExecX10("A5", "off");
    EXPECT_EQ(InternalSendHspBrowserCID(bed.state, ""), "");
    EXPECT_EQ(sent(), Strings{});
}

}  // namespace
}  // namespace zephra
