// The xAP node on loopback with a peer socket: heartbeats on the manual clock, the plug-in's
// messages sent, datagrams received and handed on or dropped, and the hub's client port.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "automation/CallByName.h"
#include "forms/Loop.h"
#include "forms/UdpSocket.h"
#include "homeseer/testing/RecordingHost.h"
#include "homeseer/XapNode.h"
#include "vb/Collection.h"
#include "vb/Conversions.h"

namespace homeseer {
namespace {

using namespace std::chrono_literals;

const XapIdentity kNode{"dkv.zephra.den", "FF4C21"};

std::string heartbeat(int port) {
    return "xap-hbeat\n{\nv=12\nhop=1\nuid=FF4C2100\nclass=xap-hbeat.alive\nsource=dkv.zephra.den\n"
           "interval=60\nport=" +
           std::to_string(port) + "\n}\n";
}

std::string message(const std::string& messageClass, const std::string& source, const std::string& target,
                    const std::string& body = "output.state.1\n{\nID=*\nState=on\n}\n") {
    return "xap-header\n{\nv=12\nhop=1\nuid=FF000100\nclass=" + messageClass + "\nsource=" + source + "\n" +
           (target.empty() ? "" : "target=" + target + "\n") + "}\n" + body;
}

class XapNodeTest : public ::testing::Test {
protected:
    XapNodeTest() : loop_(forms::Loop::ClockKind::Manual) {
        peer_.OnDataArrival = [this](const forms::Datagram& d) { heard_.push_back(d.Data); };
        peer_.Bind(0, "127.0.0.21");
    }

    XapSettings settings(const std::string& listen, int32_t port) {
        XapSettings s;
        s.broadcast = "127.0.0.21";
        s.port = port;
        s.listen = listen;
        s.identity = kNode;
        return s;
    }
    std::unique_ptr<XapNode> node(XapSettings s) {
        return std::make_unique<XapNode>(
            loop_, std::move(s), [this](const std::string& text) { log_.push_back(text); },
            [this](const std::shared_ptr<XapMessage>& m) {
                delivered_.push_back(m->MsgClass() + " " + m->MsgSource());
            });
    }
    bool hear(std::size_t count) {
        return loop_.runUntil([&] { return heard_.size() >= count; }, 30s);
    }
    void sendTo(forms::UdpSocket& from, int32_t port, const std::string& datagram) {
        from.RemoteHost = "127.0.0.22";
        from.RemotePort = port;
        from.SendData(datagram);
    }

    forms::Loop loop_;
    forms::UdpSocket peer_{loop_};
    std::vector<std::string> heard_, log_, delivered_;
};

TEST_F(XapNodeTest, HeartbeatsGoOutAtOnceAndEveryIntervalOnTheLoopsClock) {
    auto n = node(settings("127.0.0.22", peer_.LocalPort));
    n->start();
    EXPECT_EQ(n->port(), peer_.LocalPort);
    EXPECT_FALSE(n->viaHub());
    ASSERT_TRUE(hear(1));
    EXPECT_EQ(heard_[0], heartbeat(peer_.LocalPort));
    loop_.advance(59s);
    EXPECT_FALSE(loop_.runUntil([&] { return heard_.size() > 1; }, 100ms));
    loop_.advance(1s);
    ASSERT_TRUE(hear(2));
    EXPECT_EQ(heard_[1], heartbeat(peer_.LocalPort));
    loop_.advance(120s);
    ASSERT_TRUE(hear(4));
    EXPECT_EQ(heard_.size(), 4u);

    n->send("", "CID.Incoming", "CID.Incoming", std::string("Type\1Voice"), "", "00");
    ASSERT_TRUE(hear(5));
    EXPECT_EQ(heard_[4],
              "xap-header\n{\nv=12\nhop=1\nuid=FF4C2100\nclass=CID.Incoming\nsource=dkv.zephra.den\n}\n"
              "CID.Incoming\n{\nType=Voice\n}\n");
}

TEST_F(XapNodeTest, ReceivedMessagesAreHandedOnAndTheRestDropped) {
    auto n = node(settings("127.0.0.22", peer_.LocalPort));
    n->start();
    const int32_t port = n->port();
    forms::UdpSocket other(loop_);
    other.Bind(0, "127.0.0.23");
    auto settle = [&](std::size_t delivered) { loop_.runUntil([&] { return delivered_.size() >= delivered; }, 30s); };

    sendTo(peer_, port, message("xAPBSC.query", "acme.panel.hall", "dkv.zephra.den:>"));
    sendTo(peer_, port, message("xAPBSC.cmd", "acme.panel.hall", "dkv.*.*:kitchen_topled"));
    sendTo(peer_, port, message("xAPBSC.query", "acme.panel.hall", "acme.lamp.hall:>"));    // another node's
    sendTo(peer_, port, message("xAPBSC.Event", "dkv.zephra.den:kitchen_topled.x.y", ""));  // our own, back
    sendTo(peer_, port, message("Temp.Report", "acme.sensor.kitchen", "acme.log.*"));       // a message of interest
    sendTo(peer_, port, "not xAP at all");
    sendTo(peer_, port, std::string(2000, 'x'));
    sendTo(other, port, "xap-header\n{\nclass=a.b\n}\n");
    sendTo(peer_, port, message("xap-hbeat.alive", "acme.panel.hall", ""));
    settle(4);
    loop_.runUntil([] { return false; }, 100ms);
    EXPECT_EQ(delivered_,
              (std::vector<std::string>{"xAPBSC.query acme.panel.hall", "xAPBSC.cmd acme.panel.hall",
                                        "Temp.Report acme.sensor.kitchen", "xap-hbeat.alive acme.panel.hall"}));
    std::vector<std::string> malformed;
    for (const std::string& line : log_)
        if (line.starts_with("A malformed")) malformed.push_back(line);
    EXPECT_EQ(malformed,
              (std::vector<std::string>{
                  "A malformed xAP datagram from 127.0.0.21 is dropped (no \"{\" after the block name)",
                  "A malformed xAP datagram from 127.0.0.21 is dropped (longer than 1500 bytes (2000))",
                  "A malformed xAP datagram from 127.0.0.23 is dropped (a header without class or source)"}));
}

TEST_F(XapNodeTest, HexValuesArriveAndMalformedDatagramsAreLoggedAtABoundedRate) {
    auto n = node(settings("127.0.0.22", peer_.LocalPort));
    n->start();
    const int32_t port = n->port();
    sendTo(peer_, port, message("Data.Report", "acme.sensor.hall", "", "data\n{\nkey!0A0B\n}\n"));
    ASSERT_TRUE(loop_.runUntil([&] { return delivered_.size() == 1; }, 30s));
    EXPECT_EQ(delivered_[0], "Data.Report acme.sensor.hall");

    // Behind a hub every node is 127.0.0.1: the one sender's faults keep being logged, a few a minute.
    auto malformedLines = [&] {
        std::vector<std::string> found;
        for (const std::string& line : log_)
            if (line.find("malformed") != std::string::npos) found.push_back(line);
        return found;
    };
    for (int i = 0; i < 8; ++i) sendTo(peer_, port, "junk " + std::to_string(i));
    sendTo(peer_, port, message("Temp.Report", "acme.sensor.kitchen", ""));
    ASSERT_TRUE(loop_.runUntil([&] { return delivered_.size() == 2; }, 30s));
    std::vector<std::string> lines = malformedLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "A malformed xAP datagram from 127.0.0.21 is dropped (no \"{\" after the block name)");
    EXPECT_EQ(lines[4],
              "A malformed xAP datagram from 127.0.0.21 is dropped (no \"{\" after the block name); more within a "
              "minute are only counted");
    loop_.advance(61s);
    sendTo(peer_, port, "junk again");
    sendTo(peer_, port, message("Temp.Report", "acme.sensor.kitchen", ""));
    ASSERT_TRUE(loop_.runUntil([&] { return delivered_.size() == 3; }, 30s));
    lines = malformedLines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[5], "3 more malformed xAP datagrams were dropped unlogged");
    EXPECT_EQ(lines[6], "A malformed xAP datagram from 127.0.0.21 is dropped (no \"{\" after the block name)");
}

TEST_F(XapNodeTest, WhenTheXapPortIsTakenTheHeartbeatAnnouncesTheNodesOwnPort) {
    // The hub holds the xAP port (the peer's) on the node's address.
    forms::UdpSocket hub(loop_);
    hub.Bind(peer_.LocalPort, "127.0.0.24");
    XapSettings s = settings("127.0.0.24", hub.LocalPort);
    s.intervalSeconds = 10;
    auto n = node(s);
    n->start();
    EXPECT_TRUE(n->viaHub());
    EXPECT_NE(n->port(), hub.LocalPort);
    EXPECT_NE(n->port(), 0);
    ASSERT_EQ(log_.size(), 2u);
    EXPECT_TRUE(log_[0].starts_with("xAP port " + std::to_string(hub.LocalPort) + " is taken")) << log_[0];
    EXPECT_TRUE(log_[0].ends_with("listening on port " + std::to_string(n->port()) + " for a hub")) << log_[0];

    // The heartbeat goes to the broadcast address on the xAP port and names the node's port.
    ASSERT_TRUE(hear(1));
    loop_.advance(10s);
    ASSERT_TRUE(hear(2));
    EXPECT_EQ(heard_[0], heard_[1]);
    EXPECT_NE(heard_[0].find("\ninterval=10\nport=" + std::to_string(n->port()) + "\n}\n"), std::string::npos)
        << heard_[0];
    // What the hub forwards there arrives.
    hub.RemoteHost = "127.0.0.24";
    hub.RemotePort = n->port();
    hub.SendData(message("xAP-OSD.Display", "acme.panel.hall", "dkv.dkvZephra.kitchen"));
    EXPECT_TRUE(loop_.runUntil([&] { return !delivered_.empty(); }, 30s));
}

TEST_F(XapNodeTest, AsTheXapHostApplicationTheCallbackObjectIsSetupAndSendsOnTheNode) {
    auto host = std::make_shared<RecordingHost>();
    vb::Variant cb{vb::ObjectRef(host->callback())};
    host->callback()->setXapHostApplication(true);
    EXPECT_EQ(vb::TypeName(cb), "Setup");
    auto n = node(settings("127.0.0.22", peer_.LocalPort));
    n->start();
    ASSERT_TRUE(hear(1));  // the heartbeat
    XapNode* sender = n.get();
    host->callback()->setXapSender(
        [sender](const std::string& target, const std::string& messageClass, const std::string& section,
                 const std::string& body, const std::string& subAddress,
                 const std::string& uid) { sender->send(target, messageClass, section, body, subAddress, uid); });
    const std::size_t logged = host->Log().size();
    automation::callByName(
        cb, "SendXapMessage",
        {"", "xapBSC.Event", "output.state", std::string("State\1ON"), "kitchen_TopLED.zephra_________4.TopLED", "04"});
    ASSERT_TRUE(hear(2));
    EXPECT_EQ(heard_[1],
              "xap-header\n{\nv=12\nhop=1\nuid=FF4C2104\nclass=xapBSC.Event\n"
              "source=dkv.zephra.den:kitchen_TopLED.zephra_________4.TopLED\n}\noutput.state\n{\nState=ON\n}\n");
    EXPECT_EQ(host->Log().size(), logged);  // sent, not logged

    // The devices that stay silent are kept.
    auto codes = std::make_shared<vb::Collection>();
    codes->Add(vb::Variant("^10"));
    codes->Add(vb::Variant("^20"));
    automation::callByName(cb, "SetSilentDeviceCollection", {vb::Variant(vb::ObjectRef(codes))});
    EXPECT_EQ(host->callback()->silentDevices(), (std::vector<std::string>{"^10", "^20"}));
}

}  // namespace
}  // namespace homeseer
