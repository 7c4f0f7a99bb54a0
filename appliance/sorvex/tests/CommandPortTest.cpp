// The command protocol over loopback TCP: every command and its reply, the line rules, and
// clients that send half a line, vanish, or never read.
#include <gtest/gtest.h>

#include "CommandPort.h"
#include "SorvexTesting.h"

namespace sorvex {
namespace {

using testing::Client;
using testing::RunFor;
using testing::RunUntil;

class RecordingActions : public CommandActions {
public:
    void play() override { calls.push_back("play"); }
    void stop() override { calls.push_back("stop"); }
    void pause() override { calls.push_back("pause"); }
    void prev() override { calls.push_back("prev"); }
    void next() override { calls.push_back("next"); }
    void launch(const std::string& path) override { calls.push_back("launch[" + path + "]"); }
    void clear() override { calls.push_back("clear"); }
    void save(const std::string& directory, const std::string& name) override {
        calls.push_back("save[" + directory + "][" + name + "]");
    }
    std::string status() override {
        calls.push_back("status");
        return statusText;
    }
    void quit() override { calls.push_back("quit"); }
    void exitProgram() override { calls.push_back("exit"); }

    std::vector<std::string> calls;
    std::string statusText = "mode stop\n";
};

class CommandPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(port.open(0), 0);
        ASSERT_GT(port.boundPort(), 0);
    }
    // Sends the text on a connection of its own, closes its sending side and returns what came back.
    std::string exchange(const std::string& text) {
        Client client("127.0.0.2", port.boundPort());
        EXPECT_TRUE(client.connected());
        client.send(text);
        client.shutdownWrite();
        EXPECT_TRUE(client.awaitClosed());
        return client.received();
    }

    RecordingActions actions;
    CommandPort port{actions};
};

TEST_F(CommandPortTest, EveryCommandAndItsReply) {
    const std::string ok = "200 OK\n";
    EXPECT_EQ(exchange("PLAY\nPlay\nplay\n"), ok + ok + ok);
    EXPECT_EQ(exchange("stop\npause\nprev\nback\nnext\nforward\nclear\n"), ok + ok + ok + ok + ok + ok + ok);
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"play", "play", "play", "stop", "pause", "prev", "prev",
                                                        "next", "next", "clear"}));
    actions.calls.clear();

    // Launch and save take everything after the first blank; without one they only answer.
    EXPECT_EQ(exchange("launch /music/a b.mp3\nlaunch\nlaunch \nlaunchX\nLAUNCH  /x\n"), ok + ok + ok + ok + ok);
    EXPECT_EQ(exchange("save /tmp/list.m3u\nsave list.m3u\nsave /list.m3u\nsaveX\nsave\n"), ok + ok + ok + ok + ok);
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"launch[/music/a b.mp3]", "launch[ /x]", "save[/tmp][list.m3u]",
                                                        "save[.][list.m3u]", "save[][list.m3u]"}));
    actions.calls.clear();

    // Status text before the reply; unknown lines (a trailing blank included) are refused.
    EXPECT_EQ(exchange("status\n"), "mode stop\n200 OK\n");
    actions.statusText = "mode play\ntime 65\nlength 200\nartist A\nalbum B\ntrack C\n";
    EXPECT_EQ(exchange("STATUS\r\n"), actions.statusText + ok);
    EXPECT_EQ(exchange("play \n status\nplayer\n"),
              "500 Unrecognized command\n500 Unrecognized command\n500 Unrecognized command\n");
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"status", "status"}));
}

TEST_F(CommandPortTest, LineEnds) {
    // "\r\n" runs the command once: the '\n' is an empty line without a reply.
    EXPECT_EQ(exchange("play\r\n\r\n\n"), "200 OK\n");
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"play"}));
    actions.calls.clear();

    // The plug-in's habit: the command without a line end, then the close. It runs; the reply is lost.
    {
        Client client("127.0.0.2", port.boundPort());
        client.send("stop");
        client.close();
        ASSERT_TRUE(RunUntil([&] { return actions.calls.size() == 1 && port.connections() == 0; }));
        EXPECT_EQ(actions.calls[0], "stop");
    }
    EXPECT_EQ(exchange("next"), "");
    EXPECT_EQ(actions.calls.back(), "next");

    // A 2,500-character line runs as a 1,999-character line and a 501-character one.
    EXPECT_EQ(exchange(std::string(2500, 'x') + "\n"), "500 Unrecognized command\n500 Unrecognized command\n");
    actions.calls.clear();
    EXPECT_EQ(exchange("launch " + std::string(1992, 'a') + "bcd\n"), "200 OK\n500 Unrecognized command\n");
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"launch[" + std::string(1992, 'a') + "]"}));
}

TEST_F(CommandPortTest, HalfALineHoldsNothingUp) {
    Client slow("127.0.0.2", port.boundPort());
    slow.send("sta");
    RunFor(std::chrono::milliseconds(50));
    // Another client is served meanwhile; the half line is not run.
    EXPECT_EQ(exchange("play\n"), "200 OK\n");
    EXPECT_EQ(actions.calls, (std::vector<std::string>{"play"}));
    slow.send("tus\n");
    ASSERT_TRUE(slow.awaitReceived("mode stop\n200 OK\n"));
    EXPECT_EQ(slow.received(), "mode stop\n200 OK\n");
}

TEST_F(CommandPortTest, DisconnectQuitAndVanishingClients) {
    {
        Client client("127.0.0.2", port.boundPort());
        client.send("disconnect\nplay\n");
        ASSERT_TRUE(client.awaitClosed());
        EXPECT_EQ(client.received(), "200 OK\n");
        RunFor(std::chrono::milliseconds(20));
        EXPECT_TRUE(actions.calls.empty());  // the line after "disconnect" went with the connection
        EXPECT_EQ(port.connections(), 0u);
    }
    {
        Client client("127.0.0.2", port.boundPort());
        client.send("quit\n");
        ASSERT_TRUE(client.awaitReceived("200 OK\n"));
        EXPECT_EQ(actions.calls, (std::vector<std::string>{"quit", "exit"}));
    }
    actions.calls.clear();
    // Clients that send many status lines and go without reading: no reply may end the process.
    for (int i = 0; i < 20; ++i) {
        Client client("127.0.0.2", port.boundPort());
        std::string lines;
        for (int j = 0; j < 200; ++j) lines += "status\n";
        client.send(lines);
        client.close();
        // The test's own thread runs the loop: each client is served before the next one
        // connects, so the listening queue never fills.
        ASSERT_TRUE(RunUntil([&] { return port.connections() == 0 && actions.calls.size() > 0; }));
        actions.calls.clear();
    }
    // One that never reads while asking on and on is dropped before its replies pile up.
    actions.statusText = std::string(8000, 's') + "\n";
    Client greedy("127.0.0.2", port.boundPort());
    std::string lines;
    for (int j = 0; j < 2000; ++j) lines += "status\n";
    greedy.send(lines);
    ASSERT_TRUE(RunUntil([&] { return port.connections() == 0; }));
    EXPECT_EQ(exchange("status\n"), actions.statusText + "200 OK\n");
}

TEST(CommandPortOpen, ABusyPortIsReported) {
    RecordingActions actions;
    CommandPort first(actions), second(actions);
    ASSERT_EQ(first.open(0), 0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(second.open(first.boundPort()), -1);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("bind: "), std::string::npos);
}

}  // namespace
}  // namespace sorvex
