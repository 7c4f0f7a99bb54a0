// The plug-in's jukebox operation, run in zephra-host, drives a running jukebox on the
// kitchen's address, its window open on a virtual display: it loads and starts a playlist of
// real MP3 files, skips to the next track, stops and plays again, and ends the jukebox.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <thread>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

constexpr const char* kKitchen = "127.0.0.2";

sockaddr_in kitchenAddress(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, kKitchen, &address.sin_addr);
    return address;
}

// One command on a connection of its own; the whole reply, up to the jukebox's "200 OK".
std::string ask(int port, const std::string& command) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = kitchenAddress(port);
    if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(s);
        return "";
    }
    timeval wait{5, 0};
    ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
    const std::string line = command + "\n";
    (void)!::send(s, line.data(), line.size(), MSG_NOSIGNAL);
    std::string reply;
    char chunk[1024];
    while (!holds(reply, "200 OK\n")) {
        const ssize_t n = ::recv(s, chunk, sizeof chunk, 0);
        if (n <= 0) break;
        reply.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(s);
    return reply;
}

// Asks for the status until it holds `text`.
bool statusHolds(int port, const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + kWait;
    while (std::chrono::steady_clock::now() < deadline) {
        if (holds(ask(port, "status"), text)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// Runs one host script with the jukebox operation to its end.
void runHost(const HostFolder& folder, const std::string& name, const std::string& command) {
    const std::filesystem::path script = folder.write(
        "Scripts/" + name + ".vbs", "hs.Plugin(\"dkvZephra\").ZephraSorvex \"kitchen\", \"" + command + "\"\n");
    ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args({"--run", script.string(), "--exit-when-idle"}));
    EXPECT_EQ(host.waitExit(kWait), 0) << name;
}

TEST(HostSorvex, ThePluginStartsAndStopsPlaybackInARunningJukebox) {
    const std::filesystem::path work =
        std::filesystem::temp_directory_path() / ("host-e2e-sorvex-" + std::to_string(getpid()));
    std::filesystem::create_directories(work / "music");
    {
        const std::string make =
            "ffmpeg -loglevel error -y -f lavfi -i sine=frequency=440:duration=60:sample_rate=8000 "
            "-ac 1 -b:a 8k -metadata title=";
        ASSERT_EQ(std::system((make + "'Track One' " + (work / "music/one.mp3").string()).c_str()), 0);
        ASSERT_EQ(std::system((make + "'Track Two' " + (work / "music/two.mp3").string()).c_str()), 0);
        const std::filesystem::path list = work / "music/list.m3u";
        std::ofstream(list) << "#EXTM3U\none.mp3\ntwo.mp3\n";

        // The decoders play into a pipe that is never read: a track stays playing until it is
        // stopped, however fast the decoder runs.
        const std::filesystem::path sink = work / "sink.fifo";
        ASSERT_EQ(::mkfifo(sink.c_str(), 0600), 0);
        const int reader = ::open(sink.c_str(), O_RDONLY | O_NONBLOCK);
        ASSERT_GE(reader, 0);

        // The jukebox binds its command port without SO_REUSEADDR, so the port cannot be held for
        // it: one the system does not hand out by itself keeps other sockets off it meanwhile.
        const int port = simkit::testing::UnassignedPort();
        const std::filesystem::path prefs = work / "prefs";
        std::ofstream(prefs) << "shuffle 0\nrepeat 0\nport " << port << "\n";
        // The jukebox opens its window on a display of its own.
        ChildProcess display("/usr/bin/Xvfb", {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
        const std::optional<std::string> number = display.readLine(kWait);
        ASSERT_TRUE(number && !number->empty());
        const std::vector<std::pair<std::string, std::string>> environment{
            {"ZEPHRA_AUDIO_SINK", "wav:" + sink.string()},
            {"DISPLAY", ":" + *number},
            {"GDK_BACKEND", "x11"},
            {"NO_AT_BRIDGE", "1"},
            {"GSETTINGS_BACKEND", "memory"},
            {"ZEPHRA_PHOTON_SCOPE", work.string()},
            // In the sanitizer build: the font caches that fontconfig keeps to the end are no leak of ours.
            {"LSAN_OPTIONS", "suppressions=" SORVEX_LSAN_SUPPRESSIONS}};
        std::vector<std::optional<std::string>> previous;
        for (const auto& [name, value] : environment) {
            const char* old = std::getenv(name.c_str());
            previous.push_back(old ? std::optional<std::string>(old) : std::nullopt);
            setenv(name.c_str(), value.c_str(), 1);
        }
        ChildProcess sorvex(SORVEX_PROGRAM, {"-f", prefs.string(), (work / "music").string()});
        for (std::size_t i = 0; i < environment.size(); ++i) {
            if (previous[i]) setenv(environment[i].first.c_str(), previous[i]->c_str(), 1);
            else unsetenv(environment[i].first.c_str());
        }
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        while (ask(port, "status").empty() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ASSERT_EQ(ask(port, "status"), "mode stop\n200 OK\n");

        const std::filesystem::path simLog = work / "sim.log";
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen", "Hall"}, {"SorvexCommandPort=" + std::to_string(port)});

        runHost(folder, "launch", "launch " + list.string());
        EXPECT_TRUE(statusHolds(port, "track Track One\n"));
        EXPECT_TRUE(holds(ask(port, "status"), "mode play\n"));
        runHost(folder, "next", "next");
        EXPECT_TRUE(statusHolds(port, "track Track Two\n"));
        runHost(folder, "stop", "stop");
        EXPECT_EQ(ask(port, "status"), "mode stop\n200 OK\n");
        runHost(folder, "play", "play");
        EXPECT_TRUE(statusHolds(port, "mode play\n"));
        EXPECT_FALSE(holds(folder.log(), "Sorvex")) << folder.log();

        // "quit" from the plug-in ends the jukebox, which keeps its port in its preferences.
        runHost(folder, "quit", "quit");
        EXPECT_EQ(sorvex.waitExit(kWait), 0);
        std::ifstream written(prefs);
        std::string text((std::istreambuf_iterator<char>(written)), std::istreambuf_iterator<char>());
        EXPECT_TRUE(holds(text, "port " + std::to_string(port) + "\n")) << text;
        EXPECT_TRUE(holds(text, "directory " + (work / "music").string() + "\n")) << text;
        ::close(reader);
    }
    std::filesystem::remove_all(work);
}

}  // namespace
}  // namespace host_e2e
