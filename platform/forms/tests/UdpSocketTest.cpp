#include "forms/UdpSocket.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/PortNotes.h"
#include "vb/Error.h"

using namespace std::chrono_literals;
using namespace forms;

namespace {

// A caller-ID datagram as the server sends it: type, seven zero bytes, two 64-byte fields.
std::string callerIdDatagram() {
    std::string d(1, '\x03');
    d += std::string(7, '\0');
    d += "Robin" + std::string(59, '\0');
    d += "(555) 123-4567" + std::string(50, '\0');
    return d;
}

}  // namespace

TEST(UdpSocket, DatagramsArriveWithTheirSendersAddressAndPort) {
    Loop loop(Loop::ClockKind::Manual);
    UdpSocket server(loop);
    server.Bind(0, "127.0.0.1");
    EXPECT_EQ(server.State(), sckOpen);
    ASSERT_NE(server.LocalPort, 0);
    std::vector<Datagram> got;
    server.OnDataArrival = [&](const Datagram& d) { got.push_back(d); };

    UdpSocket second(loop), third(loop);
    second.Bind(0, "127.0.0.2");
    third.Bind(0, "127.0.0.3");
    for (UdpSocket* client : {&second, &third}) {
        client->RemoteHost = "127.0.0.1";
        client->RemotePort = server.LocalPort;
    }
    second.SendData("\x01");
    ASSERT_TRUE(loop.runUntil([&] { return got.size() == 1; }, 30s));
    third.SendData(callerIdDatagram());
    ASSERT_TRUE(loop.runUntil([&] { return got.size() == 2; }, 30s));
    second.SendData("");
    ASSERT_TRUE(loop.runUntil([&] { return got.size() == 3; }, 30s));

    EXPECT_EQ(got[0].Data, "\x01");
    EXPECT_EQ(got[0].RemoteHostIP, "127.0.0.2");
    EXPECT_EQ(got[0].RemotePort, second.LocalPort);
    EXPECT_EQ(got[1].Data, callerIdDatagram());
    EXPECT_EQ(got[1].Data.size(), 136u);
    EXPECT_EQ(got[1].RemoteHostIP, "127.0.0.3");
    EXPECT_EQ(got[1].RemotePort, third.LocalPort);
    EXPECT_EQ(got[2].Data, "");

    // An answer goes back to the sender's address and port.
    std::vector<Datagram> answers;
    third.OnDataArrival = [&](const Datagram& d) { answers.push_back(d); };
    server.RemoteHost = got[1].RemoteHostIP;
    server.RemotePort = got[1].RemotePort;
    server.SendData("ok");
    ASSERT_TRUE(loop.runUntil([&] { return !answers.empty(); }, 30s));
    EXPECT_EQ(answers[0].Data, "ok");
    EXPECT_EQ(answers[0].RemoteHostIP, "127.0.0.1");
    EXPECT_EQ(answers[0].RemotePort, server.LocalPort);
}

TEST(UdpSocket, ClosedSocketRaisesNothingAndBindsAgain) {
    Loop loop(Loop::ClockKind::Manual);
    auto server = std::make_unique<UdpSocket>(loop);
    server->Bind(0, "127.0.0.1");
    int32_t port = server->LocalPort;
    int arrivals = 0;
    server->OnDataArrival = [&](const Datagram&) { ++arrivals; };

    UdpSocket client(loop);  // sending from a closed control binds it to any port
    client.RemoteHost = "127.0.0.1";
    client.RemotePort = port;
    client.SendData("before close");
    EXPECT_EQ(client.State(), sckOpen);
    server->Close();
    EXPECT_EQ(server->State(), sckClosed);
    loop.runUntil([] { return false; }, 20ms);
    EXPECT_EQ(arrivals, 0);

    server->Bind(port, "127.0.0.1");
    client.SendData("after");
    ASSERT_TRUE(loop.runUntil([&] { return arrivals == 1; }, 30s));
    client.SendData("to a released control");
    server.reset();
    loop.runUntil([] { return false; }, 20ms);
    EXPECT_EQ(arrivals, 1);
}

TEST(UdpSocket, BindErrorsAreTheControls) {
    Loop loop(Loop::ClockKind::Manual);
    UdpSocket first(loop), second(loop);
    first.Bind(0, "127.0.0.1");
    try {
        second.Bind(first.LocalPort, "127.0.0.1");
        FAIL();
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), 10048);
        EXPECT_EQ(e.description(), "Address in use");
    }
    EXPECT_EQ(second.State(), sckClosed);
    try {
        first.Bind(0, "127.0.0.1");
        FAIL();
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), 40020);
        EXPECT_EQ(e.description(), "Invalid operation at current state");
    }
    second.RemoteHost = "127.0.0.1";
    second.RemotePort = 70000;
    EXPECT_THROW(second.SendData("x"), vb::Error);
}

TEST(UdpSocket, AHandlerMayRunTheLoopUntilTheNextDatagram) {
    Loop loop(Loop::ClockKind::Manual);
    UdpSocket server(loop), client(loop);
    server.Bind(0, "127.0.0.1");
    std::vector<std::string> got;
    server.OnDataArrival = [&](const Datagram& d) {
        got.push_back(d.Data);
        if (d.Data != "first") return;
        bool arrived = loop.runUntil([&] { return got.size() == 2; }, 30s);  // re-enters the loop
        got.push_back(arrived ? "waited" : "timed out");
    };
    client.RemoteHost = "127.0.0.1";
    client.RemotePort = server.LocalPort;
    client.SendData("first");
    client.SendData("second");
    ASSERT_TRUE(loop.runUntil([&] { return got.size() == 3; }, 30s));
    EXPECT_EQ(got, (std::vector<std::string>{"first", "second", "waited"}));
}

TEST(UdpSocket, BindsAreNotedForTheHostsPortReportAndSendingAloneIsNot) {
    Loop loop(Loop::ClockKind::Manual);
    UdpSocket server(loop), taken(loop), sender(loop);
    const std::size_t before = NotedPorts().size();
    server.Bind(0, "127.0.0.1");
    EXPECT_THROW(taken.Bind(server.LocalPort, "127.0.0.1"), vb::Error);
    sender.RemoteHost = "127.0.0.1";
    sender.RemotePort = server.LocalPort;
    sender.SendData("x");
    std::vector<PortNote> notes = NotedPorts();
    ASSERT_EQ(notes.size(), before + 2);
    EXPECT_EQ(PortText(notes[before]), "UDP 127.0.0.1:" + std::to_string(server.LocalPort));
    EXPECT_EQ(notes[before + 1].port, server.LocalPort);
    EXPECT_FALSE(notes[before + 1].failure.empty());
    EXPECT_EQ(PortText(notes[before + 1]).rfind("UDP 127.0.0.1:" + std::to_string(server.LocalPort) + ": ", 0), 0u);
}
