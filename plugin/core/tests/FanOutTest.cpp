// Fan-out operations over three appliances of the appliance stand-in: the token, appliances
// switched off, the shared speech files, caller-ID datagrams and the host phone's caller.

#include "core/FanOut.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>

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
    void PowerOn() {
        for (const char* device : {"A3", "A4", "A5"}) bed.host->ExecX10(device, "on");
    }
};

TEST_F(FanOutTest, EveryAvailableApplianceIsServedAndOneSwitchedOffMakesTheResultEmpty) {
    Start("", true);
    PowerOn();
    const std::string token = InternalText(bed.state, "", "Hello");
    ASSERT_FALSE(token.empty());
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(Z(i).CommandBusy(token)) << i;
    const Strings pages = Sent();
    for (const char* name : {"kitchen", "hall", "den"})
        EXPECT_EQ(Count(pages, std::string(name) +
                                   " /gotoURL.shtml?M=GOTO_URL&S=http://127.0.0.1:81/ZephraTemp/ZephraTempFile" + name +
                                   "1.html"),
                  1)
            << name;
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(Z(i).CommandBusy(token)) << i;

    // The hall's power device is off: the others play the file, and the result says that
    // not everyone did.
    bed.host->ExecX10("A4", "off");
    EXPECT_EQ(InternalWav(bed.state, "kitchen,hall,den", "chime.wav"), "");
    const Strings played = Sent();
    EXPECT_EQ(Of(played, "kitchen"), Strings{"/loadWav.shtml?http://127.0.0.1:81/chime.wav"});
    EXPECT_EQ(Of(played, "hall"), Strings{});
    EXPECT_EQ(Of(played, "den"), Strings{"/loadWav.shtml?http://127.0.0.1:81/chime.wav"});

    // A selector that names nobody: a token, nothing is sent, and the log says once whom it named.
    EXPECT_FALSE(InternalWav(bed.state, "nobody", "chime.wav").empty());
    EXPECT_FALSE(InternalWav(bed.state, "nobody", "chime.wav").empty());
    EXPECT_EQ(Sent(), Strings{});
    EXPECT_EQ(bed.Log(), (Strings{"dkvZephra|hall Zephra skipped: the host reports its power device A4 off; nothing "
                                  "is sent to it until the device is on",
                                  "dkvZephra|Appliance \"nobody\" is not configured: no line of [Zephra Names] in "
                                  "dkvZephraUtilities.ini has that name or IP"}));
}

TEST_F(FanOutTest, SpeechIsSpokenOnceIntoTheNextOfEachAppliancesTenFiles) {
    Start("", true);
    PowerOn();
    Strings urls;
    for (int i = 0; i < 11; ++i) {
        EXPECT_FALSE(InternalSpeak(bed.state, "kitchen den", "Call " + std::to_string(i)).empty());
        for (const std::string& page : Sent(20s)) urls.push_back(page);
    }
    Strings expected;
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1})
        for (const char* name : {"kitchen", "den"})
            expected.push_back(std::string(name) + " /loadWav.shtml?http://127.0.0.1:81/ZephraTemp/ZephraTempFile" +
                               name + std::to_string(n) + ".wav");
    std::sort(urls.begin(), urls.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(urls, expected);
    // The den's copy is the kitchen's speech, byte for byte.
    const std::filesystem::path temp = bed.app.path() / "HTML/ZephraTemp";
    for (int n = 0; n < 10; ++n) {
        const std::string digit = std::to_string(n);
        ASSERT_TRUE(std::filesystem::exists(temp / ("ZephraTempFilekitchen" + digit + ".wav"))) << n;
        EXPECT_EQ(bed.app.read("HTML/ZephraTemp/ZephraTempFileden" + digit + ".wav"),
                  bed.app.read("HTML/ZephraTemp/ZephraTempFilekitchen" + digit + ".wav"))
            << n;
    }
    EXPECT_FALSE(std::filesystem::exists(temp / "ZephraTempFile1.wav"));
    for (const std::string& line : bed.Log()) EXPECT_NE(line.rfind("dkvZephra|", 0), 0u) << line;
}

// An appliance that does not fetch its speeches holds only its own ten files: a speech for it
// is refused once all ten wait, and the others are spoken to at once. The refusal lines name
// each appliance refused, with a count.
TEST_F(FanOutTest, AnApplianceThatDoesNotFetchIsRefusedAloneAndTheRefusalLineCountsEachOne) {
    auto log = [&] {
        Strings lines;
        for (const std::string& line : bed.Log())
            if (line.rfind("dkvZephra|", 0) == 0) lines.push_back(line);
        return lines;
    };
    Start("", true);
    PowerOn();
    sim->Control("/sim/silent?name=kitchen&on=1");
    sim->Control("/sim/silent?name=den&on=1");
    const std::string refusedKitchen =
        "dkvZephra|InternalSpeak refused a speech for \"kitchen\": all ten speech files still wait to be played";
    const std::string refusedDen =
        "dkvZephra|InternalSpeak refused a speech for \"den\": all ten speech files still wait to be played";
    for (int i = 1; i <= 10; ++i)
        EXPECT_FALSE(InternalSpeak(bed.state, "kitchen", "Kitchen " + std::to_string(i)).empty()) << i;
    EXPECT_EQ(InternalSpeak(bed.state, "kitchen", "Kitchen 11"), "");
    EXPECT_EQ(InternalSpeak(bed.state, "kitchen", "Kitchen 12"), "");
    EXPECT_EQ(log(), Strings{refusedKitchen + "; 1 refused since the last such line: \"kitchen\" 1"});
    EXPECT_EQ(Z(0).CommandQueue().size(), 10u);  // nine queued behind the one under way

    // Two seconds later, a speech for the hall is played at once.
    bed.loop.advance(2s);
    const std::string token = InternalSpeak(bed.state, "hall", "Hello hall");
    EXPECT_FALSE(token.empty());
    bool heard = false;
    ASSERT_TRUE(bed.loop.runUntil(
        [&] {
            for (const std::string& line : sim->Lines(bed.loop, 100ms))
                heard =
                    heard ||
                    line.rfind("hall /loadWav.shtml?http://127.0.0.1:81/ZephraTemp/ZephraTempFilehall1.wav", 0) == 0;
            return heard;
        },
        30s));

    // The den stops fetching too: a speech for all three reaches the hall alone.
    for (int i = 1; i <= 10; ++i) InternalSpeak(bed.state, "den", "Den " + std::to_string(i));
    EXPECT_EQ(InternalSpeak(bed.state, "", "Everyone"), "");
    EXPECT_EQ(InternalSpeak(bed.state, "kitchen,den", "Both"), "");
    bed.loop.advance(8s);  // ten seconds after the first line
    EXPECT_EQ(log(), (Strings{refusedKitchen + "; 1 refused since the last such line: \"kitchen\" 1",
                              refusedDen + "; 5 refused since the last such line: \"kitchen\" 3, \"den\" 2"}));
}

// The speech folder on a small file system that is full (a tmpfs of its own where the test may
// mount one, else a file-size limit on the process while the speech is made).
class FullSpeechFolder {
public:
    explicit FullSpeechFolder(const std::filesystem::path& folder) : folder_(folder) {
        std::filesystem::create_directories(folder);
        if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0) {
            mounted_ = true;
            std::ofstream fill(folder / "fill.bin", std::ios::binary);
            const std::string block(4096, 'f');
            while (fill.write(block.data(), block.size())) {}
            return;
        }
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = 1000;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FullSpeechFolder() {
        if (mounted_) {
            ::umount2(folder_.c_str(), MNT_DETACH);
            return;
        }
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    const char* How() const { return mounted_ ? "a full tmpfs" : "a file-size limit"; }

private:
    std::filesystem::path folder_;
    bool mounted_ = false;
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
};

TEST_F(FanOutTest, SpeechThatCouldNotBeWrittenIsNotSentAndTheCallFails) {
    Start("", true);
    PowerOn();
    bed.state.TempFileCounter = 0;
    const std::filesystem::path temp = bed.app.path() / "HTML" / "ZephraTemp";
    {
        FullSpeechFolder full(temp);
        std::cout << "speech folder made full with " << full.How() << "\n";
        EXPECT_EQ(InternalSpeak(bed.state, "kitchen den", "A long sentence that does not fit on the disk"), "");
        EXPECT_FALSE(std::filesystem::exists(temp / "ZephraTempFilekitchen1.wav"));
        EXPECT_FALSE(std::filesystem::exists(temp / "ZephraTempFileden1.wav"));
        EXPECT_EQ(Z(0).Speak("Another sentence that does not fit on the disk either", "t1"), "");
        EXPECT_FALSE(std::filesystem::exists(temp / "ZephraTempFilekitchen2.wav"));
    }
    EXPECT_EQ(Sent(1s), Strings{});
    const Strings log = bed.Log();
    ASSERT_FALSE(log.empty());
    EXPECT_GE(
        std::count_if(log.begin(), log.end(),
                      [](const std::string& line) { return line == "dkvZephra|SpeakToFile Line 0 Device I/O error"; }),
        2)
        << ::testing::PrintToString(log);
    // With room again, speech is sent as before.
    EXPECT_FALSE(InternalSpeak(bed.state, "kitchen", "Room again").empty());
    EXPECT_EQ(Of(Sent(20s), "kitchen"),
              Strings{"/loadWav.shtml?http://127.0.0.1:81/ZephraTemp/ZephraTempFilekitchen3.wav"});
}

TEST_F(FanOutTest, CallerIdDatagramsGoToEachAvailableApplianceAndWakeItUnlessAlwaysAwake) {
    Start("", true, {"A3,A7,1,0", "A4,A7,1,0", "A5,,0,0"}, true);
    PowerOn();
    Z(0).LetSleep("sleep");
    Z(1).LetSleep("always awake");
    Sent();
    EXPECT_FALSE(InternalSendCID(bed.state, "", "JOHN DOE", "555-1234").empty());
    const Strings got = Sent();
    for (const char* name : {"kitchen", "hall", "den"})
        EXPECT_EQ(Count(got, std::string(name) + " udp cid name=\"JOHN DOE\" number=\"555-1234\""), 1) << name;
    EXPECT_EQ(Count(got, "kitchen /screen.shtml?1"), 1);
    EXPECT_EQ(Count(got, "hall /screen.shtml?1"), 0);
    EXPECT_EQ(Z(1).Sleep(), "always awake");
}

TEST_F(FanOutTest, TheHostPhonesCallerReachesTheCallerIdAppliancesTheSentryTheDeviceAndTheLog) {
    // Kitchen and hall take part in caller ID, but the hall is switched off.
    Start("ZcidCIDResponse=1\nBrowserCIDResponse=1\nSoundCIDResponse=1\nCIDSentry=1\nGenerateCIDEvent=1\nLogCID=1",
          true, {"A3,A7,1,1", "A4,A7,1,1", "A5,,0,0"}, true);
    PowerOn();
    bed.host->ExecX10("A4", "off");
    // A client that is no appliance: the sentry.
    forms::UdpSocket sentry;
    std::string datagram;
    ASSERT_TRUE(SubscribeSentry(sentry, datagram));
    bed.host->ClearCalls();

    const std::string text = MessageCIDEvent(bed.state, false, "");
    const std::size_t colon = text.find(':');
    ASSERT_NE(colon, std::string::npos);
    const std::string number = vb::Trim(text.substr(0, colon));
    const std::string name = vb::Trim(text.substr(colon + 1));

    EXPECT_EQ(InternalSendHspCID(bed.state, ""), "");
    const Strings got = Sent(20s);
    // The page and the speech go to the caller-ID appliances that are available: the kitchen.
    const Strings kitchen = Of(got, "kitchen");
    // The speech and the page number the kitchen's own temporary files in turn.
    EXPECT_EQ(Count(kitchen, "/loadWav.shtml?http://127.0.0.1:81/ZephraTemp/ZephraTempFilekitchen1.wav"), 1);
    EXPECT_EQ(Count(kitchen, "/gotoURL.shtml?M=GOTO_URL&S=http://127.0.0.1:81/ZephraTemp/ZephraTempFilekitchen2.html"),
              1);
    // The datagram and the waking of the caller-ID appliances ask for no availability.
    const std::string cid = "udp cid name=\"" + name + "\" number=\"" + number + "\"";
    EXPECT_EQ(Of(got, "hall"), (Strings{cid, "/screen.shtml?1"}));
    EXPECT_EQ(Count(kitchen, cid), 1);
    EXPECT_EQ(Of(got, "den"), Strings{});
    const std::string page = bed.app.read("HTML/ZephraTemp/ZephraTempFilekitchen2.html");
    EXPECT_NE(page.find("<B>" + vb::Replace(text, ":", "<BR>") + "<BR>Monday 10:00 AM</B>"), std::string::npos) << page;
    ASSERT_TRUE(bed.loop.runUntil([&] { return !datagram.empty(); }, 30s));
    EXPECT_EQ(datagram, ServerDatagram(kCallerIdDatagram, name, number));

    // The caller-ID device shows the call, switched on for ten seconds.
    EXPECT_EQ(bed.host->DeviceString("[91"), FormatValue(bed.state, 0, text));
    EXPECT_EQ(bed.Calls("SetDeviceStatus"), Strings{"[91|2"});
    EXPECT_TRUE(bed.state.QueueTimerForm().Timer4.Enabled());
    bed.loop.advance(10s);
    EXPECT_EQ(bed.host->DeviceStatus("[91"), homeseer::kStatusOff);
    const Strings log = bed.Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "dkvZephra|" + text), log.end());
}

TEST_F(FanOutTest, WithNoCallerIdApplianceEveryApplianceGetsThePageAndOnlyTheLogDoesNotFetchTheCaller) {
    Start("BrowserCIDResponse=1", true, {"A3,A7,1,0", "A4,A7,1,0", "A5,,0,0"});
    PowerOn();
    EXPECT_EQ(InternalSendHspCID(bed.state, ""), "");
    const Strings got = Sent();
    for (const char* name : {"kitchen", "hall", "den"})
        EXPECT_EQ(Of(got, name).size(), 3u) << name;  // wake, page, wake

    bed.state.settings.BrowserCIDResponse = false;
    bed.state.settings.LogCID = true;
    bed.host->ClearCalls();
    InternalSendHspCID(bed.state, "");
    EXPECT_EQ(bed.Log(), Strings{"dkvZephra|"});
    EXPECT_EQ(Sent(), Strings{});
}

TEST_F(FanOutTest, TheHostPhonesCallerTextIsBuiltPerApplianceAndNothingIsSent) {
    Start("", true);
    PowerOn();
    EXPECT_FALSE(InternalSendHspBrowserCID(bed.state, "").empty());
    bed.host->ExecX10("A5", "off");
    EXPECT_EQ(InternalSendHspBrowserCID(bed.state, ""), "");
    EXPECT_EQ(Sent(), Strings{});
}

}  // namespace
}  // namespace zephra
