// zephra-host as an xAP node over loopback, with a small xAP peer: the peer hears the host's
// heartbeat, queries and commands the appliances' BSC sub-devices and receives the answers and
// events, has a text shown on an appliance, and hears a caller from the modem stand-in as
// "CID.Incoming".

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "HostEndToEnd.h"
#include "homeseer/XapWire.h"

namespace host_e2e {
namespace {

using homeseer::XapParsed;
using simkit::testing::ChildProcess;

constexpr const char* kPeerAddress = "127.0.0.31";
constexpr const char* kHostAddress = "127.0.0.32";
constexpr const char* kHostSource = "dkv.zephra.test";

// An xAP node of its own on loopback: receives what is sent to its address and port, and
// sends to the host's.
class XapPeer {
public:
    XapPeer() : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {
        sockaddr_in address = endpoint(kPeerAddress, 0);
        socklen_t size = sizeof address;
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            throw std::runtime_error("the peer cannot bind");
        port_ = ntohs(address.sin_port);
    }
    ~XapPeer() { close(fd_); }

    int port() const { return port_; }

    void send(const std::string& messageClass, const std::string& target, const std::string& body) {
        const std::string text = "xap-header\n{\nv=12\nhop=1\nuid=FF00AB00\nclass=" + messageClass +
                                 "\nsource=acme.panel.hall\ntarget=" + target + "\n}\n" + body;
        sockaddr_in to = endpoint(kHostAddress, port_);
        ASSERT_EQ(sendto(fd_, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
                  static_cast<ssize_t>(text.size()));
    }

    // Waits for a message that `wanted` accepts; the others heard meanwhile are kept.
    std::optional<XapParsed> waitFor(const std::function<bool(const XapParsed&)>& wanted) {
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        for (;;) {
            for (const XapParsed& m : heard_)
                if (wanted(m)) return m;
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buffer[2048];
            const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) continue;
            raw_.emplace_back(buffer, static_cast<std::size_t>(n));
            homeseer::XapParsing parsing = homeseer::ParseXapDatagram(raw_.back());
            EXPECT_TRUE(parsing.message) << parsing.error << "\n" << raw_.back();
            if (parsing.message) heard_.push_back(std::move(*parsing.message));
        }
    }
    std::optional<XapParsed> waitForClass(const std::string& messageClass, const std::string& source) {
        return waitFor([&](const XapParsed& m) {
            return m.header.value("class") == messageClass && m.header.value("source") == source;
        });
    }
    // Forgets the messages of that class heard so far.
    void forget(const std::string& messageClass) {
        std::erase_if(heard_, [&](const XapParsed& m) { return m.header.value("class") == messageClass; });
    }
    std::string heard() const {
        std::string all;
        for (const std::string& text : raw_) all += text + "----\n";
        return all;
    }

private:
    static sockaddr_in endpoint(const char* ip, int port) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(port));
        inet_pton(AF_INET, ip, &address.sin_addr);
        return address;
    }

    int fd_;
    int port_ = 0;
    std::vector<std::string> raw_;
    std::vector<XapParsed> heard_;
};

std::string value(const XapParsed& m, const std::string& block, const std::string& key) {
    for (const homeseer::XapBlock& b : m.body)
        if (b.name == block) return b.value(key).value_or("(none)");
    return "(no block)";
}

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

}  // namespace
}  // namespace host_e2e
