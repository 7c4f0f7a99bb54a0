// The host's loop while a statement waits: a host script's wait inside a statement that queued
// commands, a script waiting in a loop, and the jukebox client's wait for an appliance that has
// no jukebox. Commands keep leaving, the plug-in's pages keep answering, and SIGTERM ends the
// host long before the wait would have ended.

#include <gtest/gtest.h>

#include <unistd.h>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;
using Clock = std::chrono::steady_clock;

// Far below the waits under way when the signal comes (a minute of script, 24 s of jukebox
// connects), far above what a loaded machine needs to end a process.
constexpr std::chrono::seconds kEndsLongBefore{20};

// The status line of the answer to `request` on 127.0.0.1:port; empty without an answer.
std::string statusLineOfRequest(int port, const std::string& request) {
    const std::string answer = answerTo(port, request);
    return answer.substr(0, answer.find("\r\n"));
}

std::string statusLineOf(int port, const std::string& target) {
    return statusLineOfRequest(port,
                               "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Mozilla/5.0\r\n\r\n");
}

// A save of the status page's display options.
std::string statusLineOfSave(int port) {
    const std::string body = "ShowStatus=2";
    return statusLineOfRequest(port,
                               "POST /status HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Mozilla/5.0\r\n"
                               "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                                   std::to_string(body.size()) + "\r\n\r\n" + body);
}

class HostLoop : public ::testing::Test {
protected:
    std::filesystem::path simLog_ =
        std::filesystem::temp_directory_path() / ("host-e2e-loop-" + std::to_string(getpid()) + ".log");
    Appliances appliances_{simLog_};
    simkit::testing::ReservedPort serverPort_;
    // Bound, never listening: the kitchen's jukebox port refuses every connect.
    simkit::testing::ReservedPort noJukebox_;
    // The kitchen on base [1, the hall on [11.
    HostFolder folder_{
        appliances_,
        {"Kitchen,[1", "Hall,[11"},
        {"ServerPort=" + std::to_string(serverPort_.port()), "SorvexCommandPort=" + std::to_string(noJukebox_.port())}};

    ~HostLoop() override { std::filesystem::remove(simLog_); }

    // SIGTERM while a wait is under way: the host ends cleanly, long before the wait would.
    void expectSigtermEndsItSoon(ChildProcess& host) {
        const auto sent = Clock::now();
        EXPECT_EQ(host.terminate(), 0);
        EXPECT_LT(Clock::now() - sent, kEndsLongBefore);
        EXPECT_TRUE(holds(folder_.log(), "| zephra-host | Stopped"));
    }
};

TEST_F(HostLoop, AWaitInsideAStatementKeepsCommandsPagesAndSignalsServed) {
    ChildProcess host(ZEPHRA_HOST_PROGRAM, folder_.args());
    ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
    host.writeLine(
        R"(hs.SetDeviceValue "[5",1 : hs.SetDeviceValue "[9",3 : hs.SetDeviceValue "[14",2 : hs.WaitSecs 1)");
    EXPECT_TRUE(appliances_.waitFor("kitchen", "/led.shtml?m1 ok mailled=on"));
    EXPECT_TRUE(appliances_.waitFor("kitchen", "/volume.shtml?75 ok volume=75"));
    EXPECT_TRUE(appliances_.waitFor("hall", "/led.shtml?t2 ok topled=blink"));
    // The same again, and a request after the statement: each still leaves the host.
    host.writeLine(R"(hs.SetDeviceValue "[15",1 : hs.SetDeviceValue "[4",2 : hs.WaitSecs 1)");
    host.writeLine(R"(hs.Plugin("dkvZephra").ZephraVolume "hall", 30)");
    EXPECT_TRUE(appliances_.waitFor("hall", "/led.shtml?m1 ok mailled=on"));
    EXPECT_TRUE(appliances_.waitFor("kitchen", "/led.shtml?t2 ok topled=blink"));
    EXPECT_TRUE(appliances_.waitFor("hall", "/volume.shtml?30 ok volume=30"));

    // A script waiting in a loop: the status page still answers and saves, an appliance is still driven
    // by the host's device commands, and SIGTERM ends the host.
    host.writeLine(R"(hs.SetDeviceValue "[19",50 : For i = 1 To 60 : hs.WaitSecs 1 : Next)");
    EXPECT_TRUE(appliances_.waitFor("hall", "/volume.shtml?50 ok volume=50"));
    EXPECT_EQ(statusLineOf(serverPort_.port(), "/status"), "HTTP/1.0 200 OK");
    EXPECT_EQ(statusLineOfSave(serverPort_.port()), "HTTP/1.0 200 OK");
    expectSigtermEndsItSoon(host);
}

TEST_F(HostLoop, TheJukeboxClientsWaitForAMissingJukeboxKeepsTheHostServing) {
    ChildProcess host(ZEPHRA_HOST_PROGRAM, folder_.args());
    ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
    host.writeLine(R"(hs.Plugin("dkvZephra").ZephraTest "kitchen")");
    host.writeLine(R"(hs.Plugin("dkvZephra").ZephraSorvex "kitchen", "play")");
    // The connects are refused and retried for 24 s; meanwhile the page answers and the
    // self-test's commands reach the kitchen.
    EXPECT_EQ(statusLineOf(serverPort_.port(), "/status"), "HTTP/1.0 200 OK");
    EXPECT_TRUE(appliances_.waitFor("kitchen", "/volume.shtml?"));
    EXPECT_FALSE(holds(folder_.log(), "Unable to connect to Sorvex"));
    expectSigtermEndsItSoon(host);
}

}  // namespace
}  // namespace host_e2e
