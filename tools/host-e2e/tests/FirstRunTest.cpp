// A first start of zephra-host in an empty folder: the settings it writes put the plug-in's web
// server on a port of its own, the console names the status page, the page answers, and the
// pictures its header names are there. The fixed first-run ports are taken in a network of the
// test's own where the system allows one, so that no other program on the machine is in the way.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <vector>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

// This process (and the host it starts) in a network of its own with its loopback up; false when
// the system allows none.
bool OwnLoopback() {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) return false;
    if (!MapOwnUser(uid, gid)) return false;
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = ::ioctl(s, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP | IFF_RUNNING);
    up = up && ::ioctl(s, SIOCSIFFLAGS, &request) == 0;
    ::close(s);
    return up;
}

bool PortFree(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool free = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(s);
    return free;
}

std::string Fetch(int port, const std::string& target) {
    return answerTo(port, "GET " + target + " HTTP/1.1\r\nHost: localhost\r\nUser-Agent: Mozilla/5.0\r\n\r\n");
}

std::string FileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(FirstRun, TheConsoleNamesTheStatusPageWhichAnswersWithItsPictures) {
    if (!OwnLoopback() && !(PortFree(8081) && PortFree(8082)))
        GTEST_SKIP() << "no network of the test's own, and the first-run ports 8081 and 8082 are taken";
    windows::testing::TempAppFolder app;
    const std::filesystem::path folder = app.path() / "fresh";
    setenv("XDG_CONFIG_HOME", (app.path() / "registry").c_str(), 1);
    ChildProcess host(ZEPHRA_HOST_PROGRAM, {"--app-dir", folder.string(), "--plugin", ZEPHRA_PLUGIN_LIBRARY});
    const std::optional<std::string> line = host.waitForLine(":8082 (the plug-in's web server", kWait);
    ASSERT_TRUE(line) << ::testing::PrintToString(host.lines());
    EXPECT_TRUE(line->starts_with("zephra-host: listening on TCP ")) << *line;
    EXPECT_TRUE(holds(*line, "its status page is http://localhost:8082/status")) << *line;
    ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready", kWait)) << ::testing::PrintToString(host.lines());
    EXPECT_TRUE(holds(FileText(folder / "Config" / "dkvZephraUtilities.ini"), "ServerPort=\"8082\""));

    const std::string page = Fetch(8082, "/status");
    EXPECT_TRUE(page.starts_with("HTTP/1.0 200 OK\r\n")) << page.substr(0, 200);
    for (const char* picture : {"/clock.gif", "/sunrise.gif", "/sunset.gif", "/pluginlogo.JPG"}) {
        EXPECT_TRUE(holds(page, std::string("src=\"") + picture + "\"")) << picture;
        const std::string answer = Fetch(8082, picture);
        EXPECT_NE(answer.substr(0, answer.find("\r\n")).find(" 200 OK"), std::string::npos)
            << picture << ": " << answer.substr(0, 120);
        const std::string body = answer.substr(answer.find("\r\n\r\n") + 4);
        if (std::string(picture).ends_with(".gif")) EXPECT_TRUE(body.starts_with("GIF89a")) << picture;
        else EXPECT_TRUE(body.starts_with("\xFF\xD8\xFF")) << picture;
    }
    EXPECT_EQ(host.terminate(), 0);
    unsetenv("XDG_CONFIG_HOME");
}

TEST(FirstRun, WithoutItsPortTheConsoleAndTheSetupHintSayTheStatusPageIsOffAndHowToTurnItOn) {
    windows::testing::TempAppFolder app;
    const std::filesystem::path folder = app.path() / "off";
    std::filesystem::create_directories(folder / "Config");
    std::ofstream(folder / "Config" / "settings.ini", std::ios::binary) << "[Settings]\r\nsvrport=0\r\n";
    std::ofstream(folder / "Config" / "dkvZephraUtilities.ini", std::ios::binary)
        << "[Zephra Utilities]\r\nServerPort=\"\"\r\n[Zephra Names]\r\n";
    setenv("XDG_CONFIG_HOME", (app.path() / "registry").c_str(), 1);
    ChildProcess host(ZEPHRA_HOST_PROGRAM, {"--app-dir", folder.string(), "--plugin", ZEPHRA_PLUGIN_LIBRARY});
    const char* const off =
        "The plug-in's web server and its status page are off; to turn them on, give \"ServerPort\" "
        "a port number and \"TCPServerOption\" any value but 1 in Config/dkvZephraUtilities.ini";
    ASSERT_TRUE(host.waitForLine(off, kWait)) << ::testing::PrintToString(host.lines());
    ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready", kWait));
    host.writeLine("hs.Plugin(\"dkvZephra\").ConfigIO");
    ASSERT_TRUE(
        host.waitForLine("the status page, which edits the same settings, is off: give \"ServerPort\" a port", kWait))
        << ::testing::PrintToString(host.lines());
    EXPECT_EQ(host.terminate(), 0);
    unsetenv("XDG_CONFIG_HOME");
}

// Gives this network's loopback a second address, outside 127.0.0.0/8, as a machine's network
// card would have one.
bool AddAddress(const char* address) {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo:1", IFNAMSIZ - 1);
    auto* in = reinterpret_cast<sockaddr_in*>(&request.ifr_addr);
    in->sin_family = AF_INET;
    ::inet_pton(AF_INET, address, &in->sin_addr);
    const bool added = ::ioctl(s, SIOCSIFADDR, &request) == 0;
    ::close(s);
    return added;
}

// A first run writes this machine's own address as the one appliances fetch from: its loopback
// address while it has no other, else its first other one. Every start says where appliances
// fetch from, with a warning when that is not this machine; a folder that names an address
// keeps it.
TEST(FirstRun, TheAppliancesFetchFromThisMachinesOwnAddressAndEveryStartSaysWhere) {
    if (!OwnLoopback()) GTEST_SKIP() << "no network of the test's own";
    windows::testing::TempAppFolder app;
    setenv("XDG_CONFIG_HOME", (app.path() / "registry").c_str(), 1);
    const std::string fetchFrom = "| dkvZephra | Appliances fetch spoken files and pages from http://";
    const std::string warning = "| dkvZephra | Warning: HomeseerIP \"";
    const std::string handedOver =
        "| dkvZephra | Pages the plug-in's web server does not serve are handed over to the host's web server at http://";
    auto start = [&](const std::filesystem::path& folder, std::vector<std::string> more = {}) {
        std::vector<std::string> args{"--app-dir", folder.string(), "--plugin", ZEPHRA_PLUGIN_LIBRARY};
        args.insert(args.end(), more.begin(), more.end());
        ChildProcess host(ZEPHRA_HOST_PROGRAM, args);
        EXPECT_TRUE(host.waitForLine("zephra-host: dkvZephra ready", kWait)) << ::testing::PrintToString(host.lines());
        EXPECT_EQ(host.terminate(), 0);
        return FileText(folder / "Data" / "zephra-host.log");
    };
    const char* const settings = "Config/dkvZephraUtilities.ini";

    const std::filesystem::path alone = app.path() / "alone";
    std::string log = start(alone);
    EXPECT_TRUE(holds(FileText(alone / settings), "HomeseerIP=\"127.0.0.1\"\r\n")) << FileText(alone / settings);
    EXPECT_TRUE(holds(log, fetchFrom + "127.0.0.1:8082/\n")) << log;
    // The pages the plug-in hands over go to the host's server, on "svrport".
    EXPECT_TRUE(holds(log, handedOver + "127.0.0.1:8081/\n")) << log;
    EXPECT_FALSE(holds(log, warning)) << log;

    ASSERT_TRUE(AddAddress("192.0.2.7"));
    const std::filesystem::path networked = app.path() / "networked";
    log = start(networked);
    const std::string first = FileText(networked / settings);
    EXPECT_TRUE(holds(first, "HomeseerIP=\"192.0.2.7\"\r\n")) << first;
    EXPECT_TRUE(holds(log, fetchFrom + "192.0.2.7:8082/\n")) << log;
    EXPECT_TRUE(holds(log, handedOver + "192.0.2.7:8081/\n")) << log;
    EXPECT_FALSE(holds(log, warning)) << log;
    const std::string loopbackWeb = "| zephra-host | Warning: --web-address \"127.0.0.1\" is a loopback address";
    EXPECT_FALSE(holds(log, loopbackWeb)) << log;

    // The host's server on loopback alone, while the appliances are sent to a network address for
    // the pages handed over: said, as for a loopback HomeseerIP.
    log = start(networked, {"--web-address", "127.0.0.1"});
    EXPECT_TRUE(holds(log, loopbackWeb + ", which only this machine reaches: appliances elsewhere will fail to "
                                         "fetch the pages the plug-in hands over to HomeseerIP \"192.0.2.7\"; leave "
                                         "out --web-address, or give it \"192.0.2.7\"\n"))
        << log;
    EXPECT_EQ(log.find(loopbackWeb), log.rfind(loopbackWeb)) << log;  // once
    // A web address that is no IP address is a wrong command line: exit status 2, nothing started.
    {
        ChildProcess wrong(ZEPHRA_HOST_PROGRAM, {"--app-dir", networked.string(), "--plugin", ZEPHRA_PLUGIN_LIBRARY,
                                                 "--web-address", "1.2.3.999"});
        EXPECT_EQ(wrong.waitExit(), 2);
    }

    // A folder that holds an address keeps it, byte for byte, and hears that no appliance can
    // fetch from it.
    std::string moved = first;
    moved.replace(moved.find("192.0.2.7"), 9, "192.168.0.1");
    std::ofstream(networked / settings, std::ios::binary) << moved;
    const std::string hostSettings = FileText(networked / "Config" / "settings.ini");
    log = start(networked);
    EXPECT_EQ(FileText(networked / settings), moved);
    EXPECT_EQ(FileText(networked / "Config" / "settings.ini"), hostSettings);
    EXPECT_TRUE(holds(log, fetchFrom + "192.168.0.1:8082/\n")) << log;
    EXPECT_TRUE(holds(log, warning + "192.168.0.1\" is not an address of this machine")) << log;
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace host_e2e
