// zephra-host as an xAP node over loopback, with a small xAP peer: the peer hears the host's
// heartbeat, queries and commands the appliances' BSC sub-devices and receives the answers and
// events, has a text shown on an appliance, and hears a caller from the modem stand-in as
// "CID.Incoming".

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>

#include "HostEndToEnd.h"
#include "XapPeer.h"
#include "homeseer/XapWire.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

const char* const kModemScript =
    "expect AT#CID\n"
    "wait 300\n"
    "RING\n"
    "DATE = 1208\n"
    "TIME = 1937\n"
    "NMBR = 5551234\n"
    "NAME = JOHN DOE\n";

TEST(XapNetwork, APeerQueriesCommandsAndDisplaysAndHearsTheCallerAndTheHeartbeat) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-xapnet-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen", "Hall"}, {"CIDCommPort=3", "LogCID=1"});
        const std::filesystem::path script = folder.write("modem.txt", kModemScript);
        ChildProcess modem(MODEM_SIM_PATH,
                           {"--stay", "--log", (folder.path() / "modem.log").string(), script.string()});
        const std::optional<std::string> pty = modem.readLine();
        ASSERT_TRUE(pty);
        XapPeer peer;
        setenv("ZEPHRA_COMM3", pty->c_str(), 1);
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args({"--xap", "--xap-broadcast", kPeerAddress, "--xap-listen",
                                                            kHostAddress, "--xap-port", std::to_string(peer.port()),
                                                            "--xap-source", kHostSource, "--xap-uid", "FF1234"}));
        unsetenv("ZEPHRA_COMM3");

        // The heartbeat, at once.
        std::optional<XapParsed> beat = peer.waitFor([](const XapParsed& m) { return m.heartbeat(); });
        ASSERT_TRUE(beat) << folder.log();
        EXPECT_EQ(beat->header.value("source"), kHostSource);
        EXPECT_EQ(beat->header.value("uid"), "FF123400");
        EXPECT_EQ(beat->header.value("port"), std::to_string(peer.port()));
        EXPECT_EQ(beat->header.value("interval"), "60");

        // A query for the kitchen's top LED: its Info answer.
        const std::string topled = std::string(kHostSource) + ":kitchen_topled.zephra_________4.topled";
        peer.send("xAPBSC.query", std::string(kHostSource) + ":kitchen_topled", "request\n{\n}\n");
        std::optional<XapParsed> info = peer.waitForClass("xAPBSC.Info", topled);
        ASSERT_TRUE(info) << peer.heard() << folder.log();
        EXPECT_EQ(info->header.value("uid"), "FF123404");
        EXPECT_EQ(value(*info, "output.state", "State"), "OFF");

        // A command by State alone: the LED goes on, and its event comes back with the device's
        // text (the plug-in sets the appliance, not the device's status).
        peer.forget("xapBSC.Event");  // (the caller may have come already: it is kept)
        peer.send("xAPBSC.cmd", std::string(kHostSource) + ":kitchen_topled", "output.state.1\n{\nID=*\nState=on\n}\n");
        EXPECT_TRUE(appliances.waitFor("kitchen", "topled=on")) << folder.log();
        std::optional<XapParsed> event =
            peer.waitForClass("xapBSC.Event", std::string(kHostSource) + ":kitchen_TopLED.zephra_________4.TopLED");
        ASSERT_TRUE(event) << peer.heard() << folder.log();
        EXPECT_TRUE(holds(value(*event, "output.state", "DisplayText"), "Top LED On")) << peer.heard();

        // A display request for the hall: a text page there.
        peer.send("xAP-OSD.Display", "dkv.dkvZephra.hall", "Display.Zephra\n{\nText=Hello from xAP\n}\n");
        ASSERT_TRUE(appliances.waitFor("hall", "browse \"http://127.0.0.1:" + std::to_string(folder.webPort()) +
                                                   "/ZephraTemp/ZephraTempFilehall1.html\" ok status=200"))
            << folder.log() << testing::PrintToString(appliances.lines("hall"));
        EXPECT_TRUE(holds(folder.read("HTML/ZephraTemp/ZephraTempFilehall1.html"), "Hello from xAP"));

        // The modem's caller, announced on xAP.
        std::optional<XapParsed> caller = peer.waitForClass("CID.Incoming", kHostSource);
        ASSERT_TRUE(caller) << peer.heard() << folder.log();
        EXPECT_EQ(value(*caller, "CID.Incoming", "Phone"), "5551234");
        EXPECT_EQ(value(*caller, "CID.Incoming", "Name"), "JOHN DOE");
        EXPECT_EQ(value(*caller, "CID.Incoming", "Type"), "Voice");

        EXPECT_FALSE(holds(folder.log(), "malformed")) << folder.log();
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

// A folder first used without --xap and then with it: the appliances keep the device codes
// the first host handed out, and the sub-devices the node advertises under them obey.
TEST(XapNetwork, AFolderFirstUsedWithoutXapObeysCommandsUnderIt) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-xapmove-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen", "Hall"});
        {
            ChildProcess first(ZEPHRA_HOST_PROGRAM, folder.args());
            ASSERT_TRUE(first.waitForLine("zephra-host: dkvZephra ready"));
            EXPECT_EQ(first.terminate(), 0);
        }
        XapPeer peer;
        ChildProcess host(ZEPHRA_HOST_PROGRAM,
                          folder.args({"--xap", "--xap-broadcast", kPeerAddress, "--xap-listen", kHostAddress,
                                       "--xap-port", std::to_string(peer.port()), "--xap-source", kHostSource}));
        ASSERT_TRUE(peer.waitFor([](const XapParsed& m) { return m.heartbeat(); })) << folder.log();
        peer.send("xAPBSC.query", std::string(kHostSource) + ":hall_topled", "request\n{\n}\n");
        std::optional<XapParsed> info = peer.waitFor([](const XapParsed& m) {
            return m.header.value("class") == "xAPBSC.Info" &&
                   holds(m.header.value("source").value_or(""), ":hall_topled.");
        });
        ASSERT_TRUE(info) << peer.heard() << folder.log();
        peer.send("xAPBSC.cmd", std::string(kHostSource) + ":hall_topled", "output.state.1\n{\nID=*\nState=on\n}\n");
        EXPECT_TRUE(appliances.waitFor("hall", "topled=on")) << folder.log();
        peer.send("xAPBSC.cmd", std::string(kHostSource) + ":kitchen_volume",
                  "output.state.1\n{\nID=*\nState=on\nLevel=40/100\n}\n");
        EXPECT_TRUE(appliances.waitFor("kitchen", "volume=40")) << folder.log();
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

TEST(XapNetwork, HostedAsHomeSeerThePluginStillAnswersQueriesButAnnouncesNothing) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-xaphs-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen"});
        XapPeer peer;
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args({"--xap", "--xap-kind", "homeseer", "--xap-broadcast",
                                                            kPeerAddress, "--xap-listen", kHostAddress, "--xap-port",
                                                            std::to_string(peer.port()), "--xap-source", kHostSource}));
        ASSERT_TRUE(peer.waitFor([](const XapParsed& m) { return m.heartbeat(); })) << folder.log();
        peer.send("xAPBSC.query", std::string(kHostSource) + ":kitchen_display", "request\n{\n}\n");
        std::optional<XapParsed> info =
            peer.waitFor([](const XapParsed& m) { return m.header.value("class") == "xAPBSC.Info"; });
        ASSERT_TRUE(info) << peer.heard() << folder.log();
        EXPECT_TRUE(info->header.value("source")->starts_with(std::string(kHostSource) + ":kitchen_display.zephra"));
        // A command reaches the appliance, and no event goes out.
        peer.send("xAPBSC.cmd", std::string(kHostSource) + ":kitchen_topled", "output.state\n{\nID=*\nState=on\n}\n");
        EXPECT_TRUE(appliances.waitFor("kitchen", "topled=on")) << folder.log();
        // (An event would have gone out before the answer to a later query.)
        peer.send("xAPBSC.query", std::string(kHostSource) + ":kitchen_topled", "request\n{\n}\n");
        EXPECT_TRUE(peer.waitFor([](const XapParsed& m) {
            return m.header.value("class") == "xAPBSC.Info" && holds(*m.header.value("source"), "topled");
        }));
        EXPECT_FALSE(holds(peer.heard(), "xapBSC.Event")) << peer.heard();
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

// A host with no appliances under a flood of display and speech datagrams: no appliance matches,
// so nothing happens and nothing is logged. A caller from the network after the flood shows that
// every datagram before it was handled.
TEST(XapNetwork, AFloodOfDisplayAndSpeechForNoApplianceLogsNothing) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-xapflood-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {}, {"LogCID=1"});
        XapPeer peer;
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args({"--xap", "--xap-broadcast", kPeerAddress, "--xap-listen",
                                                            kHostAddress, "--xap-port", std::to_string(peer.port()),
                                                            "--xap-source", kHostSource, "--xap-uid", "FF1234"}));
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        ASSERT_TRUE(peer.waitFor([](const XapParsed& m) { return m.heartbeat(); })) << folder.log();
        for (int i = 0; i < 2000; ++i) {
            peer.send("xAP-OSD.Display", "dkv.dkvZephra.hall", "Display.Zephra\n{\nText=flood\n}\n");
            peer.send("tts.speak", "dkv.dkvZephra.kitchen", "tts.speak\n{\nsay=flood\n}\n");
            // A pause now and then, so that the host's receive buffer keeps up.
            if (i % 100 == 99) usleep(20000);
        }
        peer.send("CID.Incoming", "", "CID.Incoming\n{\nName=AFTER FLOOD\nPhone=5559999\n}\n");
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        while (!holds(folder.log(), "AFTER FLOOD") && std::chrono::steady_clock::now() < deadline) usleep(50000);
        const std::string log = folder.log();
        EXPECT_TRUE(holds(log, "AFTER FLOOD")) << log.substr(0, 4000);
        EXPECT_FALSE(holds(log, "OnXapMessage")) << log.substr(0, 4000);
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
