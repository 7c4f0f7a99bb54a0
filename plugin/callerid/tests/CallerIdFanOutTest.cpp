// A caller fanned out to the appliance stand-in's three appliances and to a UDP client that
// is no appliance, as the caller-ID switches say: datagrams, speech, text pages, the host
// log; the host phone's caller sent to one client.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "callerid/CallerIdProcessing.h"
#include "callerid/MessageCIDEvent.h"
#include "callerid/UdpServer.h"
#include "core/QueueTimer.h"
#include "core/tests/ThreeAppliances.h"
#include "forms/UdpSocket.h"
#include "homeseer/Phone.h"

namespace zephra {
namespace {

using namespace std::chrono_literals;

class CallerIdFanOutTest : public testing::ThreeAppliances {
protected:
    // The host phone knows Ann Lee at home; the kitchen and the den take part in caller ID.
    void StartWith(const std::string& switches) {
        phone = std::make_shared<homeseer::Phone>(
            std::vector<homeseer::Contact>{{"Ann", "Lee", "5551234567", "", "", ""}}, [](int32_t) {});
        bed.host->setPhone(phone);
        Start("useHSPPhoneBook=1\nCIDLineNumber=1\n" + switches, true, {"A3,A7,1,1", "A4,A7,1,0", "A5,,0,1"}, true);
        for (const char* device : {"A3", "A4", "A5"}) bed.host->ExecX10(device, "on");
        ASSERT_TRUE(SubscribeSentry(sentry, datagram));
        Sent();
        bed.host->ClearCalls();
    }
    void Caller(const std::string& name, const std::string& number) {
        bed.state.modem.CallerName = name;
        bed.state.modem.CallerNumber = number;
        bed.state.modem.NameDetected = bed.state.modem.NumberDetected = true;
        ProcessModemInput(bed.state);
    }

    std::shared_ptr<homeseer::Phone> phone;
    forms::UdpSocket sentry;
    std::string datagram;
};

TEST_F(CallerIdFanOutTest, EverySwitchOnReachesTheCallerIdAppliancesTheSentryAndTheLog) {
    StartWith("ZcidCIDResponse=1\nCIDSentry=1\nSoundCIDResponse=1\nBrowserCIDResponse=1\nLogCID=1");
    Caller("LEE ANN", "(555) 123-4567");
    const Strings got = Sent(20s);
    const std::string cid = "udp cid name=\"Ann Lee/home\" number=\"(555) 123-4567\"";
    for (const char* name : {"kitchen", "den"}) {
        const Strings pages = Of(got, name);
        EXPECT_EQ(Count(pages, cid), 1) << name;
        // The speech and the page number the appliance's own temporary files in turn.
        EXPECT_EQ(
            Count(pages, "/loadWav.shtml?http://127.0.0.1:81/ZephraTemp/ZephraTempFile" + std::string(name) + "1.wav"),
            1)
            << name;
        EXPECT_EQ(Count(pages, "/gotoURL.shtml?M=GOTO_URL&S=http://127.0.0.1:81/ZephraTemp/ZephraTempFile" +
                                   std::string(name) + "2.html"),
                  1)
            << name;
    }
    EXPECT_EQ(Of(got, "hall"), Strings{});
    const std::string page = bed.app.read("HTML/ZephraTemp/ZephraTempFileden2.html");
    EXPECT_NE(page.find("<B>Ann Lee from home<BR>(555) 123-4567<BR>Monday 10:00 AM</B>"), std::string::npos) << page;
    ASSERT_TRUE(bed.loop.runUntil([&] { return !datagram.empty(); }, 30s));
    EXPECT_EQ(datagram, ServerDatagram(kCallerIdDatagram, "Ann Lee/home", "(555) 123-4567"));
    const Strings log = bed.Log();
    EXPECT_NE(std::find(log.begin(), log.end(), "dkvZephra|(555) 123-4567 : Ann Lee from home"), log.end());
}

TEST_F(CallerIdFanOutTest, EverySwitchOffSendsNothing) {
    StartWith("");
    Caller("JOHN", "555-1234");
    EXPECT_EQ(Sent(), Strings{});
    EXPECT_FALSE(bed.loop.runUntil([&] { return !datagram.empty(); }, 200ms));
    EXPECT_EQ(bed.Calls("SetDeviceLastChange").size(), 1u);
    EXPECT_TRUE(bed.Log().empty());
}

TEST_F(CallerIdFanOutTest, TheHostPhonesCallerGoesToOneClientWithItsPlaceShortened) {
    StartWith("");
    phone->IncomingCall(1, "5551234567", "LEE ANN");
    EXPECT_EQ(MessageCIDEvent(bed.state, true, "127.0.0.4"), "(555) 123-4567 : Ann Lee from home");
    const Strings got = Sent();
    EXPECT_EQ(Of(got, "den"), (Strings{"udp cid name=\"Ann Lee/home\" number=\"(555) 123-4567\""}));
    EXPECT_EQ(Of(got, "kitchen"), Strings{});
    EXPECT_FALSE(bed.loop.runUntil([&] { return !datagram.empty(); }, 200ms));
}

}  // namespace
}  // namespace zephra
