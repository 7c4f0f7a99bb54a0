// The jukebox client of the hidden form against a real TCP listener on loopback, and its
// retry schedule against a port where nothing listens, on the manual clock.

#include <gtest/gtest.h>

#include <chrono>
#include <optional>

#include "core/QueueTimer.h"
#include "core/tests/PluginTestBed.h"
#include "forms/TcpSocket.h"
#include "forms/Timer.h"

namespace zephra {
namespace {

using namespace std::chrono_literals;
using testing::PluginTestBed;

// A jukebox's command port: takes one connection and keeps what arrives until the end.
struct Jukebox {
    Jukebox() {
        listener.LocalIP = "127.0.0.1";
        listener.LocalPort = 0;
        listener.OnConnectionRequest = [this](int32_t id) {
            connection.Accept(id);
            ++connections;
        };
        connection.OnDataArrival = [this](int32_t) { received += connection.GetData(); };
        connection.OnClose = [this] {
            received += connection.GetData();
            ended = true;
        };
        listener.Listen();
    }
    std::string Port() const { return std::to_string(listener.LocalPort); }

    forms::TcpSocket listener;
    forms::TcpSocket connection;
    std::string received;
    int connections = 0;
    bool ended = false;
};

// A loopback port where nothing listens.
std::string ClosedPort() {
    forms::TcpSocket probe;
    probe.LocalIP = "127.0.0.1";
    probe.Listen();
    std::string port = std::to_string(probe.LocalPort);
    probe.Close();
    return port;
}

std::vector<std::string> LinesHolding(const std::vector<std::string>& log, const std::string& text) {
    std::vector<std::string> found;
    for (const std::string& line : log)
        if (line.find(text) != std::string::npos) found.push_back(line);
    return found;
}

TEST(SorvexClient, TheCommandGoesOutByteForByteAndTheConnectionEnds) {
    PluginTestBed bed;
    Jukebox jukebox;
    QueueTimer& form = bed.state.QueueTimerForm();
    const auto start = bed.loop.now();

    ASSERT_TRUE(form.ConnectSorvex("127.0.0.1", jukebox.Port()));
    EXPECT_FALSE(form.ConnectTimer.Enabled());  // the connect event ended the wait
    EXPECT_EQ(form.ConnectAttempts, 0);
    form.SendSorvex("play");
    EXPECT_FALSE(form.SendTimer.Enabled());  // the send-complete event ended it
    EXPECT_EQ(form.SorvexWinsock.State(), forms::sckClosed);
    EXPECT_LT(bed.loop.now() - start, std::chrono::milliseconds(2000));
    ASSERT_TRUE(bed.loop.runUntil([&] { return jukebox.ended; }, 30s));
    EXPECT_EQ(jukebox.received, "play");

    // The next command takes a fresh connection; the text is not changed in any way.
    Jukebox second;
    ASSERT_TRUE(form.ConnectSorvex("127.0.0.1", second.Port()));
    form.SendSorvex("playfile /music/caf\xe9 1.mp3;\r\n");
    ASSERT_TRUE(bed.loop.runUntil([&] { return second.ended; }, 30s));
    EXPECT_EQ(second.received, "playfile /music/caf\xe9 1.mp3;\r\n");
    EXPECT_EQ(second.connections, 1);
    EXPECT_TRUE(bed.Log().empty());
}

TEST(SorvexClient, AJukeboxThatDoesNotListenIsTriedSixTimesTwiceOverTwentyFourSeconds) {
    PluginTestBed bed;
    bed.state.settings.DebugLog = true;
    QueueTimer& form = bed.state.QueueTimerForm();
    const std::string port = ClosedPort();
    const auto start = bed.loop.now();

    EXPECT_FALSE(form.ConnectSorvex("127.0.0.1", port));
    EXPECT_EQ(bed.loop.now() - start, std::chrono::seconds(24));
    EXPECT_EQ(form.ConnectAttempts, 6);
    EXPECT_FALSE(form.ConnectTimer.Enabled());
    // Every refused connect is one error event: 6 connects per attempt, two attempts.
    const std::vector<std::string> errors = LinesHolding(bed.Log(), "SorvexWinsock_Error");
    ASSERT_EQ(errors.size(), 12u);
    EXPECT_EQ(errors[0], std::string("dkvZephra|SorvexWinsock_Error at State 9, 10061 ") +
                             forms::WinsockErrorText(forms::sckConnectionRefused));

    // Without the debug switch, or while shutting down, socket errors are not logged.
    bed.host->ClearCalls();
    bed.state.settings.DebugLog = false;
    EXPECT_FALSE(form.ConnectSorvex("127.0.0.1", port));
    bed.state.settings.DebugLog = true;
    bed.state.ShuttingDown = true;
    EXPECT_FALSE(form.ConnectSorvex("127.0.0.1", port));
    EXPECT_TRUE(bed.Log().empty());
}

TEST(SorvexClient, APortOutsideTheRangeIsRefusedAtOnce) {
    PluginTestBed bed;
    QueueTimer& form = bed.state.QueueTimerForm();
    const auto start = bed.loop.now();
    for (const char* port : {"0", "65536", "-1", "x", ""}) EXPECT_FALSE(form.ConnectSorvex("127.0.0.1", port)) << port;
    EXPECT_EQ(bed.loop.now(), start);
    EXPECT_EQ(bed.Log(),
              (std::vector<std::string>{
                  "dkvZephra|ConnectSorvex refused, the command port is not a number from 1 to 65535: 127.0.0.1:0",
                  "dkvZephra|ConnectSorvex refused, the command port is not a number from 1 to 65535: 127.0.0.1:65536",
                  "dkvZephra|ConnectSorvex refused, the command port is not a number from 1 to 65535: 127.0.0.1:-1",
                  "dkvZephra|ConnectSorvex refused, the command port is not a number from 1 to 65535: 127.0.0.1:x",
                  "dkvZephra|ConnectSorvex refused, the command port is not a number from 1 to 65535: 127.0.0.1:",
              }));
}

TEST(SorvexClient, ASecondCommandWhileOneIsUnderWayIsRefused) {
    PluginTestBed bed;
    QueueTimer& form = bed.state.QueueTimerForm();
    Jukebox jukebox;
    const std::string deaf = ClosedPort();

    // An event that comes during the wait of a first command starts a second one.
    std::optional<bool> second;
    forms::Timer interloper;
    interloper.Interval(3000);
    interloper.OnTimer = [&] {
        interloper.Enabled(false);
        second = form.ConnectSorvex("127.0.0.1", jukebox.Port());
    };
    interloper.Enabled(true);
    EXPECT_FALSE(form.ConnectSorvex("127.0.0.1", deaf));
    ASSERT_TRUE(second.has_value());
    EXPECT_FALSE(*second);
    EXPECT_EQ(jukebox.connections, 0);
    EXPECT_EQ(
        bed.Log(),
        (std::vector<std::string>{"dkvZephra|ConnectSorvex refused, another Sorvex command is being sent: 127.0.0.1:" +
                                  jukebox.Port()}));

    // Once the first has ended the socket is free again.
    EXPECT_FALSE(form.SorvexBusy());
    ASSERT_TRUE(form.ConnectSorvex("127.0.0.1", jukebox.Port()));
    form.SendSorvex("stop");
    ASSERT_TRUE(bed.loop.runUntil([&] { return jukebox.ended; }, 30s));
    EXPECT_EQ(jukebox.received, "stop");
}

}  // namespace
}  // namespace zephra
