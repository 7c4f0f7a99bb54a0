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

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

bool WriteProcFile(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY);
    if (fd < 0) return false;
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return written;
}

// This process (and the host it starts) in a network of its own with its loopback up; false when
// the system allows none.
bool OwnLoopback() {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) return false;
    WriteProcFile("/proc/self/setgroups", "deny");
    if (!WriteProcFile("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1") ||
        !WriteProcFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1"))
        return false;
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

}  // namespace
}  // namespace host_e2e
