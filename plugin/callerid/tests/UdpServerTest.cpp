// The UDP caller-ID and command server over real sockets on 127.0.0.x: clients subscribe
// with one byte, the list lives in the registry, datagrams are 136 bytes.

#include "callerid/UdpServer.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/udp.hpp>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <optional>

#include "callerid/frmOptions.h"
#include "core/QueueTimer.h"
#include "core/tests/PluginTestBed.h"
#include "vb/Err.h"
#include "windows/Registry.h"

namespace zephra {
namespace {

namespace asio = boost::asio;
using udp = asio::ip::udp;
using namespace std::chrono_literals;
using testing::PluginTestBed;

// A client program on an appliance: a socket on its own loopback address.
class Client {
public:
    Client(const std::string& ip, uint16_t port) : socket_(io_, udp::endpoint(asio::ip::make_address(ip), port)) {}

    uint16_t Port() const { return socket_.local_endpoint().port(); }
    std::string Ip() const { return socket_.local_endpoint().address().to_string(); }

    void Send(const std::string& bytes, uint16_t serverPort) {
        socket_.send_to(asio::buffer(bytes), udp::endpoint(asio::ip::make_address("127.0.0.1"), serverPort));
    }

    // The next datagram, waiting at most `wait` of real time.
    std::optional<std::string> Receive(std::chrono::milliseconds wait = 300ms) {
        pollfd fd{socket_.native_handle(), POLLIN, 0};
        if (::poll(&fd, 1, static_cast<int>(wait.count())) <= 0) return std::nullopt;
        std::string buffer(65536, '\0');
        udp::endpoint from;
        buffer.resize(socket_.receive_from(asio::buffer(buffer), from));
        return buffer;
    }

private:
    asio::io_context io_;
    udp::socket socket_;
};

std::string Clients(const std::string& key, const std::string& otherwise = "(none)") {
    return windows::GetSetting(kUdpAppName, "Clients", key, otherwise);
}

std::string Datagram(uint8_t type, const std::string& first, const std::string& second) {
    std::string bytes(136, '\0');
    bytes[0] = static_cast<char>(type);
    bytes.replace(8, first.size(), first);
    bytes.replace(72, second.size(), second);
    return bytes;
}

// A bound server and clients that listen on its remote port.
class UdpServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        windows::SaveSetting(kUdpAppName, "Options", "RemotePort", std::to_string(first.Port()));
        windows::SaveSetting(kUdpAppName, "Options", "LocalPort", "0");
        InitUDP(bed.state);
        serverPort = static_cast<uint16_t>(bed.state.QueueTimerForm().Winsock1.LocalPort);
        bed.host->ClearCalls();
    }

    Client ClientAt(const std::string& ip) { return Client(ip, first.Port()); }

    // Sends one datagram from `c` and lets the server take it: it has when the registry or
    // a log changed, else after a while.
    void Arrive(Client& c, const std::string& bytes) {
        auto snapshot = [&] {
            std::ifstream in(bed.app.path() / "registry.ini");
            std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            return text + std::to_string(bed.host->Calls().size()) +
                   (bed.state.Part<UdpServerState>().window ? bed.state.Part<UdpServerState>().window->LogText
                                                            : std::string());
        };
        const std::string before = snapshot();
        c.Send(bytes, serverPort);
        bed.loop.runUntil([&] { return snapshot() != before; }, 300ms);
    }

    void Subscribe(Client& c) { Arrive(c, std::string(1, '\1')); }

    PluginTestBed bed;
    Client first{"127.0.0.2", 0};
    uint16_t serverPort = 0;
};

TEST(ServerDatagram, IsTheTypeSevenZerosAndTwoFieldsOf64Bytes) {
    std::string bytes = ServerDatagram(kCallerIdDatagram, "JOHN", "(555) 123-4567");
    EXPECT_EQ(bytes, Datagram(3, "JOHN", "(555) 123-4567"));
    EXPECT_EQ(bytes.size(), 136u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\3\0\0\0\0\0\0\0", 8));
    EXPECT_EQ(bytes.substr(12, 60), std::string(60, '\0'));
    EXPECT_EQ(bytes.substr(86, 50), std::string(50, '\0'));

    // Texts longer than a field are cut at its end, so that the layout holds; the code
    // page's bytes count one each.
    std::string longName(70, 'n');
    std::string accented = "Ren\xe9";
    bytes = ServerDatagram(kCommandDatagram, longName, accented);
    EXPECT_EQ(bytes.size(), 136u);
    EXPECT_EQ(bytes, Datagram(6, std::string(64, 'n'), accented));
}

TEST_F(UdpServerTest, InitUDPEmptiesTheListAndBindsTheLocalPort) {
    windows::SaveSetting(kUdpAppName, "Clients", "ClientMax", "2");
    windows::SaveSetting(kUdpAppName, "Clients", "1", "127.0.0.7");
    windows::SaveSetting(kUdpAppName, "Clients", "2", "-127.0.0.8");
    bed.state.Part<UdpServerState>().window = std::make_shared<frmOptions>(bed.state);
    bed.state.QueueTimerForm().Winsock1.Close();
    InitUDP(bed.state);
    EXPECT_EQ(Clients("ClientMax"), "0");
    EXPECT_EQ(Clients("1"), "");
    EXPECT_EQ(Clients("2"), "");
    EXPECT_EQ(windows::GetSetting(kUdpAppName, "Options", "LocalPort"), "0");
    EXPECT_NE(bed.state.QueueTimerForm().Winsock1.LocalPort, 0);
    EXPECT_TRUE(bed.state.Part<UdpServerState>().ServerLogToHost);
    const std::string remote = std::to_string(first.Port());
    EXPECT_EQ(
        bed.Log(),
        (std::vector<std::string>{
            "dkvZephra ZephraServer Info|Zephra - Clearing CID Client Database...",
            "dkvZephra ZephraServer Info|Zephra - Initializing I/O... (LocalPort=0, RemotePort=" + remote + ")"}));
    const std::string& text = bed.state.Part<UdpServerState>().window->LogText;
    EXPECT_NE(text.find("~!~dkvZephra ZephraServer Info~!~Zephra - Clearing CID Client Database...\r\n"),
              std::string::npos);
}

TEST_F(UdpServerTest, ClientsSubscribeUnsubscribeAndSubscribeAgain) {
    Client second = ClientAt("127.0.0.3");
    Subscribe(first);
    EXPECT_EQ(Clients("ClientMax"), "1");
    EXPECT_EQ(Clients("1"), "127.0.0.2");
    Subscribe(second);
    Subscribe(first);  // already listed: nothing changes
    EXPECT_EQ(Clients("ClientMax"), "2");
    EXPECT_EQ(Clients("2"), "127.0.0.3");
    EXPECT_TRUE(IsRegisteredClient(bed.state, "127.0.0.2"));

    Arrive(first, std::string("\2 and the rest is ignored"));
    EXPECT_EQ(Clients("1"), "-127.0.0.2");
    EXPECT_EQ(Clients("ClientMax"), "2");
    EXPECT_FALSE(IsRegisteredClient(bed.state, "127.0.0.2"));
    EXPECT_TRUE(IsRegisteredClient(bed.state, "127.0.0.3"));
    EXPECT_FALSE(IsRegisteredClient(bed.state, "127.0.0.4"));

    Subscribe(first);
    EXPECT_EQ(Clients("1"), "127.0.0.2");
    EXPECT_EQ(Clients("ClientMax"), "2");
    EXPECT_EQ(ClientEntries(), (std::vector<std::string>{"127.0.0.2", "127.0.0.3"}));
}

TEST_F(UdpServerTest, UnknownAndEmptyDatagramsAreLoggedInDebugModeAndChangeNothing) {
    windows::SaveSetting(kUdpAppName, "Options", "Debug", "True");
    bed.state.Part<UdpServerState>().ServerDebug = true;
    bed.state.Part<UdpServerState>().window = std::make_shared<frmOptions>(bed.state);
    Subscribe(first);
    Arrive(first, std::string("\3hello"));
    Arrive(first, std::string());
    EXPECT_EQ(Clients("ClientMax"), "1");
    EXPECT_EQ(Clients("1"), "127.0.0.2");
    EXPECT_EQ(bed.Log(), (std::vector<std::string>{"dkvZephra Debug|CID Client Subcribe Request from 127.0.0.2",
                                                   "dkvZephra Debug|Unknown data received from 127.0.0.2",
                                                   "dkvZephra Debug|Empty Message Received from 127.0.0.2"}));

    // Without the registry's debug switch nothing is logged.
    windows::SaveSetting(kUdpAppName, "Options", "Debug", "False");
    bed.host->ClearCalls();
    Arrive(first, std::string("\2"));
    EXPECT_EQ(Clients("1"), "-127.0.0.2");
    EXPECT_TRUE(bed.Log().empty());
}

TEST_F(UdpServerTest, AFullListNeverLocksOutAnAppliance) {
    // 1,024 subscribers from other addresses fill the list, one datagram each.
    std::string text = "[Zephra\\Clients]\nClientMax=1024\n";
    for (int k = 1; k <= kClientListCap; ++k)
        text += std::to_string(k) + "=10.0." + std::to_string(k / 250) + "." + std::to_string(k % 250) + "\n";
    std::ofstream(bed.app.path() / "registry.ini", std::ios::app) << text;
    ASSERT_EQ(Clients("ClientMax"), "1024");
    bed.state.appliances.slots[0].IP = "127.0.0.2";
    bed.state.appliances.slots[0].Name = "kitchen";

    // The appliance takes the place of the oldest subscriber; the list keeps its order.
    Subscribe(first);
    EXPECT_EQ(Clients("ClientMax"), "1024");
    EXPECT_EQ(Clients("1"), "10.0.0.2");
    EXPECT_EQ(Clients("1023"), "10.0.4.24");
    EXPECT_EQ(Clients("1024"), "127.0.0.2");
    EXPECT_TRUE(IsRegisteredClient(bed.state, "127.0.0.2"));
    EXPECT_EQ(bed.Log(), (std::vector<std::string>{"dkvZephra ZephraServer Warning|CID client list is full; 10.0.0.1 "
                                                   "gave way to 127.0.0.2"}));

    // Another client that is no appliance is refused...
    bed.host->ClearCalls();
    Client other = ClientAt("127.0.0.4");
    Subscribe(other);
    EXPECT_FALSE(IsRegisteredClient(bed.state, "127.0.0.4"));
    EXPECT_EQ(bed.Log(), (std::vector<std::string>{"dkvZephra ZephraServer Warning|CID client list is full; subscribe "
                                                   "request refused from 127.0.0.4"}));
    // ... until an entry unsubscribes: its slot is the first to give way, to anyone.
    windows::SaveSetting(kUdpAppName, "Clients", "5", "-10.0.0.6");
    bed.host->ClearCalls();
    Subscribe(other);
    EXPECT_EQ(Clients("5"), "10.0.0.7");
    EXPECT_EQ(Clients("1023"), "127.0.0.2");
    EXPECT_EQ(Clients("1024"), "127.0.0.4");
    EXPECT_EQ(bed.Log(), (std::vector<std::string>{"dkvZephra ZephraServer Warning|CID client list is full; -10.0.0.6 "
                                                   "gave way to 127.0.0.4"}));

    // A list of appliances only, full: nothing gives way and the subscribe is refused.
    std::string appliances = "[Zephra\\Clients]\nClientMax=1024\n";
    for (int k = 1; k <= kClientListCap; ++k) appliances += std::to_string(k) + "=127.0.0.2\n";
    windows::DeleteSetting(kUdpAppName, "Clients");
    std::ofstream(bed.app.path() / "registry.ini", std::ios::app) << appliances;
    ZephraEntry hall;
    hall.IP = "127.0.0.4";
    hall.Name = "hall";
    bed.state.appliances.slots.push_back(hall);
    bed.host->ClearCalls();
    Subscribe(other);
    EXPECT_EQ(Clients("1"), "127.0.0.2");
    EXPECT_EQ(Clients("1024"), "127.0.0.2");
    EXPECT_EQ(bed.Log(), (std::vector<std::string>{"dkvZephra ZephraServer Warning|CID client list is full; subscribe "
                                                   "request refused from 127.0.0.4"}));
}

TEST_F(UdpServerTest, AClientMaxOutOfRangeIsClampedAndLoggedAndTheServerStarts) {
    windows::SaveSetting(kUdpAppName, "Clients", "ClientMax", "40000");
    windows::SaveSetting(kUdpAppName, "Clients", "1", "127.0.0.7");
    bed.state.QueueTimerForm().Winsock1.Close();
    bed.host->ClearCalls();
    InitUDP(bed.state);
    EXPECT_EQ(Clients("ClientMax"), "0");
    EXPECT_EQ(Clients("1"), "");
    serverPort = static_cast<uint16_t>(bed.state.QueueTimerForm().Winsock1.LocalPort);
    ASSERT_NE(serverPort, 0);
    const std::vector<std::string> log = bed.Log();
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1], "dkvZephra ZephraServer Warning|ClientMax out of range: 40000; taken as 1024");
    Subscribe(first);
    EXPECT_EQ(Clients("1"), "127.0.0.2");

    // Read at any time, such a value (or one that is no number) never fails a send.
    windows::SaveSetting(kUdpAppName, "Clients", "ClientMax", "-70000");
    EXPECT_EQ(ClientEntries(), std::vector<std::string>{});
    windows::SaveSetting(kUdpAppName, "Clients", "ClientMax", "many");
    EXPECT_FALSE(IsRegisteredClient(bed.state, "127.0.0.2"));
    windows::SaveSetting(kUdpAppName, "Clients", "ClientMax", "1e9");
    EXPECT_EQ(ClientEntries().size(), static_cast<std::size_t>(kClientListCap));
}

// Ports typed by hand: one that is no number is named and the default used; one that cannot be
// bound fails the start-up step naming its setting.
TEST_F(UdpServerTest, APortThatIsNoNumberOrCannotBeBoundIsNamed) {
    windows::SaveSetting(kUdpAppName, "Options", "RemotePort", "x");
    bed.state.QueueTimerForm().Winsock1.Close();
    bed.host->ClearCalls();
    InitUDP(bed.state);
    EXPECT_EQ(bed.state.QueueTimerForm().Winsock1.RemotePort, 4550);
    EXPECT_NE(bed.state.QueueTimerForm().Winsock1.LocalPort, 0);
    EXPECT_EQ(windows::GetSetting(kUdpAppName, "Options", "RemotePort"), "x");  // the user's text stays
    const std::vector<std::string> log = bed.Log();
    EXPECT_NE(std::find(log.begin(), log.end(),
                        "dkvZephra|InitHW InitUDP Line 0 Type mismatch: registry [Zephra\\Options] RemotePort=x, "
                        "4550 is used"),
              log.end())
        << ::testing::PrintToString(log);

    windows::SaveSetting(kUdpAppName, "Options", "LocalPort", "99999");
    bed.state.QueueTimerForm().Winsock1.Close();
    EXPECT_FALSE(vb::Try([&] { InitUDP(bed.state); }));
    EXPECT_TRUE(vb::Err().Description.ends_with(": registry [Zephra\\Options] LocalPort=99999"))
        << vb::Err().Description;
    vb::Err().Clear();
}

TEST_F(UdpServerTest, CallerIdGoesToTheActiveClientsTheTargetNames) {
    std::string name = "P";
    std::string number = "O";
    EXPECT_EQ(UDPSendCID(bed.state, name, number, ""), "Error: No CID Clients Defined. Unable to send data.");

    Client one = ClientAt("127.0.0.1");
    Client ten = ClientAt("127.0.0.10");
    Client gone = ClientAt("127.0.0.3");
    Subscribe(one);
    Subscribe(ten);
    Subscribe(gone);
    Arrive(gone, std::string("\2"));

    EXPECT_EQ(UDPSendCID(bed.state, name, number, ""), "Send CID data to all defined clients");
    EXPECT_EQ(name, "Private Caller");  // the caller's variables change too
    EXPECT_EQ(number, "Unknown Number");
    EXPECT_EQ(one.Receive(), Datagram(3, "Private Caller", "Unknown Number"));
    EXPECT_EQ(ten.Receive(), Datagram(3, "Private Caller", "Unknown Number"));
    EXPECT_FALSE(gone.Receive(50ms));

    // One address occurring inside another selects nothing of it.
    name = "o";
    number = "p";
    EXPECT_EQ(UDPSendCID(bed.state, name, number, "127.0.0.1"), "Send CID data to all defined clients");
    EXPECT_EQ(one.Receive(), Datagram(3, "Unknown Name", "Private Number"));
    EXPECT_FALSE(ten.Receive(50ms));

    // A comma list names each of its addresses; an unsubscribed one gets nothing.
    std::string caller = "JOHN DOE";
    std::string phone = "(555)123-4567";
    UDPSendCID(bed.state, caller, phone, "127.0.0.10, 127.0.0.3,127.0.0.1");
    EXPECT_EQ(one.Receive(), Datagram(3, "JOHN DOE", "(555)123-4567"));
    EXPECT_EQ(ten.Receive(), Datagram(3, "JOHN DOE", "(555)123-4567"));
    EXPECT_FALSE(gone.Receive(50ms));
    UDPSendCID(bed.state, caller, phone, "127.0.0.100");
    EXPECT_FALSE(one.Receive(50ms));
    EXPECT_FALSE(ten.Receive(50ms));
}

TEST_F(UdpServerTest, CommandsGoToAllClientsOrToOneRegisteredClient) {
    EXPECT_EQ(UDPSendCommand(bed.state, "Beep", "3", ""), "Error: No CID Clients Defined. Unable to send data.");
    Client second = ClientAt("127.0.0.3");
    Subscribe(first);
    Subscribe(second);

    EXPECT_EQ(UDPSendCommand(bed.state, "Beep", "3", "all"), "Sent Command data to all defined clients");
    EXPECT_EQ(first.Receive(), Datagram(6, "Beep", "3"));
    EXPECT_EQ(second.Receive(), Datagram(6, "Beep", "3"));
    EXPECT_EQ(UDPSendCommand(bed.state, "TopLed", "on", ""), "Sent Command data to all defined clients");
    EXPECT_EQ(first.Receive(), Datagram(6, "TopLed", "on"));
    EXPECT_EQ(second.Receive(), Datagram(6, "TopLed", "on"));

    EXPECT_EQ(UDPSendCommand(bed.state, "Screen", "off", "127.0.0.3"), "Send Command data to all defined clients");
    EXPECT_EQ(second.Receive(), Datagram(6, "Screen", "off"));
    EXPECT_FALSE(first.Receive(50ms));

    Arrive(first, std::string("\2"));
    EXPECT_EQ(UDPSendCommand(bed.state, "MailLed", "blink", "127.0.0.2"),
              "Error: Client is not Registered. Unable to send data.");
    EXPECT_EQ(UDPSendCommand(bed.state, "MailLed", "blink", "127.0.0.9"),
              "Error: Client is not Registered. Unable to send data.");
    EXPECT_FALSE(first.Receive(50ms));
    EXPECT_EQ(UDPSendCommand(bed.state, "Execute", "x", "ALL"), "Sent Command data to all defined clients");
    EXPECT_FALSE(first.Receive(50ms));
    EXPECT_EQ(second.Receive(), Datagram(6, "Execute", "x"));
    EXPECT_EQ(bed.Log(),
              (std::vector<std::string>{
                  "dkvZephra|127.0.0.2 is not currently a registered client and unable to send command MailLed",
                  "dkvZephra|127.0.0.9 is not currently a registered client and unable to send command MailLed"}));
}

TEST_F(UdpServerTest, CallerIdForOtherClientsSkipsTheAppliances) {
    Client appliance = ClientAt("127.0.0.3");
    Subscribe(first);
    Subscribe(appliance);
    bed.state.appliances.slots[0].IP = "127.0.0.3";
    bed.state.appliances.slots[0].Name = "kitchen";
    SendCIDToOtherClients(bed.state, "JOHN", "5551234");
    EXPECT_EQ(first.Receive(), Datagram(3, "JOHN", "5551234"));
    EXPECT_FALSE(appliance.Receive(50ms));
}

TEST_F(UdpServerTest, ServerLogShowsDebugLinesOnlyInDebugModeAndReportsErrors) {
    bed.state.Part<UdpServerState>().window = std::make_shared<frmOptions>(bed.state);
    ServerLog(bed.state, "quiet", kLogDebug);
    EXPECT_TRUE(bed.Log().empty());
    bed.state.Part<UdpServerState>().ServerDebug = true;
    ServerLog(bed.state, "loud", kLogDebug);
    ServerLog(bed.state, "careful", kLogWarning);
    vb::Err().set(vb::Error(13, "Type mismatch"));
    ReportServerError(bed.state, "Winsock Receive()");
    EXPECT_EQ(vb::Err().Number, 0);
    EXPECT_EQ(bed.Log(), (std::vector<std::string>{
                             "dkvZephra Debug|loud", "dkvZephra ZephraServer Warning|careful",
                             "dkvZephra ZephraServer Error|An unexpected error occured in the Winsock Receive() "
                             "function/subroutine:  [13] Type mismatch"}));
    const std::string& text = bed.state.Part<UdpServerState>().window->LogText;
    EXPECT_EQ(text.find("quiet"), std::string::npos);
    EXPECT_NE(text.find("~!~dkvZephra Debug~!~loud\r\n"), std::string::npos);
}

TEST_F(UdpServerTest, TheServerWindowTestsKeepsTheDebugModeAndDiscardsItsLogWhenClosed) {
    auto window = std::make_shared<frmOptions>(bed.state);
    bed.state.Part<UdpServerState>().window = window;
    Subscribe(first);
    window->Load();
    EXPECT_EQ(window->Caption, "Zephra");
    EXPECT_FALSE(window->DebugMode);

    window->TestCommandButton_Click();
    EXPECT_EQ(first.Receive(), Datagram(6, "TopLed", "on"));
    window->TestCommandButton_Click();
    EXPECT_EQ(first.Receive(), Datagram(6, "TopLed", "off"));
    window->TestMessageButton_Click();
    EXPECT_EQ(first.Receive(), Datagram(3, "Test Caller", "(123)456-7890"));

    window->AdvancedInfoButton_Click();
    EXPECT_NE(window->LogText.find("Registered CID clients:\r\n--> 127.0.0.2\r\n\r\n"), std::string::npos);
    EXPECT_NE(window->LogText.find("~!~dkvZephra ZephraServer Info~!~Sending Test Command.\r\n"), std::string::npos);
    window->txtArray_DblClick();
    EXPECT_EQ(window->LogText, "");

    window->DebugMode = true;
    ServerLog(bed.state, "kept", kLogInfo);
    window->cmdArray_Click(0);
    EXPECT_FALSE(window->Loaded());
    EXPECT_EQ(window->LogText, "");
    EXPECT_TRUE(bed.state.Part<UdpServerState>().ServerDebug);
    EXPECT_EQ(windows::GetSetting(kUdpAppName, "Options", "Debug"), "True");

    // The next line opens the window again, empty, with the stored debug mode.
    ServerLog(bed.state, "again", kLogInfo);
    EXPECT_TRUE(window->Loaded());
    EXPECT_TRUE(window->DebugMode);
    EXPECT_EQ(window->LogText.find("kept"), std::string::npos);
    EXPECT_NE(window->LogText.find("again"), std::string::npos);
}

}  // namespace
}  // namespace zephra
