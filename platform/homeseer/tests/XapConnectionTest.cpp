// The xAP settings of the host program: command-line options over the configuration over
// the defaults made from the machine's name, and refused values.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <string>

#include "program/HostOptions.h"
#include "program/XapConnection.h"
#include "simkit/testing/ChildProcess.h"
#include "windows/testing/TempAppFolder.h"

namespace homeseer {
namespace {

TEST(XapConnection, OptionsOverrideTheConfigurationWhichOverridesTheDefaults) {
    OptionsReading r =
        ParseHostOptions({"--app-dir", "a", "--xap", "--xap-port", "4000", "--xap-source", "acme.hub.x"});
    ASSERT_TRUE(r.options) << r.message;
    EXPECT_EQ(r.options->xap.given,
              (std::map<std::string, std::string>{{"enabled", "1"}, {"port", "4000"}, {"source", "acme.hub.x"}}));
    EXPECT_EQ(ParseHostOptions({"--app-dir", "a", "--xap-uid"}).message, "--xap-uid needs a value");

    // Nothing configured: off, the xAP host application, LAN defaults from the machine's name.
    const auto none = [](const char*) { return std::string(); };
    XapConfig plain = ReadXapConfig({}, none, "Den-PC.home.lan");
    EXPECT_FALSE(plain.enabled);
    EXPECT_TRUE(plain.hostApplication);
    EXPECT_EQ(plain.settings.broadcast, "255.255.255.255");
    EXPECT_EQ(plain.settings.port, 3639);
    EXPECT_EQ(plain.settings.listen, "");
    EXPECT_EQ(plain.settings.identity.source, "dkv.zephra.den-pc");
    EXPECT_EQ(plain.settings.identity.uidPrefix, DefaultXapUidPrefix("Den-PC.home.lan"));
    EXPECT_EQ(plain.settings.intervalSeconds, 60);
    EXPECT_TRUE(plain.notes.empty());
    EXPECT_EQ(DefaultXapSource("my box"), "dkv.zephra.my-box");
    EXPECT_EQ(DefaultXapSource(""), "dkv.zephra.host");
    const std::string uid = DefaultXapUidPrefix("den-pc");
    EXPECT_EQ(uid, DefaultXapUidPrefix("DEN-PC"));
    EXPECT_EQ(uid.size(), 6u);
    EXPECT_EQ(uid.substr(0, 2), "FF");
    EXPECT_NE(uid, "FF0000");
    EXPECT_NE(uid, "FFFFFF");

    // The configuration's values, quotes and blanks taken off; an option wins.
    const std::map<std::string, std::string> ini{
        {"enabled", "1"},  {"kind", "HomeSeer"},  {"broadcast", " 192.168.1.255 "},
        {"port", "3639"},  {"listen", "0.0.0.0"}, {"source", "\"acme.zephra.den\""},
        {"uid", "ff12ab"}, {"interval", "30"}};
    const auto configured = [&](const char* key) {
        auto found = ini.find(key);
        return found == ini.end() ? std::string() : found->second;
    };
    XapOptions options;
    options.given["port"] = "3700";
    XapConfig c = ReadXapConfig(options, configured, "den");
    EXPECT_TRUE(c.enabled);
    EXPECT_FALSE(c.hostApplication);
    EXPECT_EQ(c.settings.broadcast, "192.168.1.255");
    EXPECT_EQ(c.settings.port, 3700);
    EXPECT_EQ(c.settings.listen, "");
    EXPECT_EQ(c.settings.identity.source, "acme.zephra.den");
    EXPECT_EQ(c.settings.identity.uidPrefix, "FF12AB");
    EXPECT_EQ(c.settings.intervalSeconds, 30);

    // Refused values are noted and the defaults used.
    const std::map<std::string, std::string> bad{
        {"kind", "plc"}, {"port", "70000"}, {"source", "acme.zephra"}, {"uid", "FF12"}, {"interval", "0"}};
    XapConfig refused = ReadXapConfig(
        {},
        [&](const char* key) {
            auto found = bad.find(key);
            return found == bad.end() ? std::string() : found->second;
        },
        "den");
    EXPECT_EQ(refused.notes, (std::vector<std::string>{
                                 "The xAP setting kind=plc is refused; xap is used",
                                 "The xAP setting port=70000 is refused; 3639 is used",
                                 "The xAP setting source=acme.zephra is refused; dkv.zephra.den is used",
                                 "The xAP setting uid=FF12 is refused; " + DefaultXapUidPrefix("den") + " is used",
                                 "The xAP setting interval=0 is refused; 60 is used"}));
    EXPECT_EQ(ReadXapConfig(
                  {}, [](const char* key) { return std::string(key) == "source" ? "a.b:c.d" : ""; }, "x")
                  .settings.identity.source,
              "dkv.zephra.x");
}

// The first line of the test plug-in's record that holds `start`.
std::string recordedLine(const std::filesystem::path& app, const std::string& start) {
    std::ifstream file(app / "Data" / "test-plugin.txt");
    for (std::string line; std::getline(file, line);)
        if (line.starts_with(start)) return line;
    return {};
}

TEST(XapConnection, OnTheNetworkTheCallbackObjectIsTheXapHostApplicationsUnlessTheKindIsHomeSeer) {
    // A UDP port of loopback for the node's messages.
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, "127.0.0.41", &address.sin_addr);
    socklen_t size = sizeof address;
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(getsockname(s, reinterpret_cast<sockaddr*>(&address), &size), 0);
    const std::string port = std::to_string(ntohs(address.sin_port));

    for (const char* kind : {"xap", "homeseer"}) {
        windows::testing::TempAppFolder app;
        app.write("Config/settings.ini",
                  "[Settings]\r\nsvrport=0\r\n[xAP]\r\nenabled=1\r\nbroadcast=127.0.0.41\r\n"
                  "listen=127.0.0.42\r\nport=" +
                      port + "\r\nkind=" + kind + "\r\n");
        simkit::testing::ChildProcess host(ZEPHRA_HOST_PROGRAM,
                                           {"--app-dir", app.path().string(), "--plugin", ZEPHRA_TEST_PLUGIN});
        EXPECT_TRUE(host.waitForLine("| xAP | xAP node dkv.zephra.")) << kind;
        ASSERT_TRUE(host.waitForLine("zephra-host: TestPlug ready")) << kind;
        char buffer[1600];
        const ssize_t n = recv(s, buffer, sizeof buffer, 0);  // the first heartbeat
        ASSERT_GT(n, 0);
        EXPECT_TRUE(std::string(buffer, static_cast<std::size_t>(n)).starts_with("xap-hbeat\n{\nv=12\nhop=1\n"));
        EXPECT_EQ(host.terminate(), 0);
        EXPECT_EQ(recordedLine(app.path(), "RegisterCallback"),
                  std::string("RegisterCallback ") + (kind == std::string("xap") ? "Setup" : "clsHSCallback"));
    }
    close(s);
}

// A hub holds the xAP port (the usual set-up): the node listens on a port of its own behind it,
// and the console says so, without a port it could not open.
TEST(XapConnection, BehindAHubTheConsoleSaysWhereTheNodeListens) {
    int hub = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    inet_pton(AF_INET, "127.0.0.43", &address.sin_addr);
    socklen_t size = sizeof address;
    ASSERT_EQ(bind(hub, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(getsockname(hub, reinterpret_cast<sockaddr*>(&address), &size), 0);
    const std::string port = std::to_string(ntohs(address.sin_port));

    windows::testing::TempAppFolder app;
    app.write("Config/settings.ini",
              "[Settings]\r\nsvrport=0\r\n[xAP]\r\nenabled=1\r\nbroadcast=127.0.0.43\r\n"
              "listen=127.0.0.43\r\nport=" +
                  port + "\r\n");
    simkit::testing::ChildProcess host(ZEPHRA_HOST_PROGRAM,
                                       {"--app-dir", app.path().string(), "--plugin", ZEPHRA_TEST_PLUGIN});
    ASSERT_EQ(host.waitForLine("zephra-host: TestPlug ready"), "zephra-host: TestPlug ready");
    std::vector<std::string> udp;
    for (const std::string& line : host.lines())
        if (line.find(" on UDP ") != std::string::npos) udp.push_back(line);
    ASSERT_EQ(udp.size(), 1u) << ::testing::PrintToString(host.lines());
    EXPECT_TRUE(udp[0].starts_with("zephra-host: listening on UDP 127.0.0.43:")) << udp[0];
    EXPECT_TRUE(
        udp[0].ends_with(" (the xAP node, \"port\" of [xAP] in Config/settings.ini, behind the hub that "
                         "holds UDP port " +
                         port + ")"))
        << udp[0];
    EXPECT_EQ(host.terminate(), 0);
    close(hub);
}

}  // namespace
}  // namespace homeseer
