#include "forms/SerialPort.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "vb/Error.h"

using namespace std::chrono_literals;
using namespace forms;

namespace {

// A pseudo-terminal: the test is the modem on the master side, the control opens the slave.
struct PseudoTerminal {
    PseudoTerminal() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) throw std::runtime_error("no pty");
        slave = ::ptsname(master);
    }
    ~PseudoTerminal() { ::close(master); }
    void modemSends(const std::string& text) const {
        ASSERT_EQ(::write(master, text.data(), text.size()), ssize_t(text.size()));
    }
    // What the control wrote, read until `count` bytes came (or a few seconds passed).
    std::string modemReads(std::size_t count) const {
        std::string got;
        char buf[256];
        for (int round = 0; got.size() < count && round < 250; ++round) {
            pollfd p{master, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0) got.append(buf, std::size_t(n));
        }
        return got;
    }
    int master = -1;
    std::string slave;
};

void expectError(int32_t number, const std::string& text, const std::function<void()>& call) {
    try {
        call();
        ADD_FAILURE() << "no error " << number;
    } catch (const vb::Error& e) {
        EXPECT_EQ(e.number(), number);
        EXPECT_EQ(e.description(), text);
    }
}

}  // namespace

TEST(SerialPort, ModemTextArrivesWithOnCommAndOutputReachesTheModem) {
    Loop loop(Loop::ClockKind::Manual);
    PseudoTerminal modem;
    setCommPortDevice(4, modem.slave);
    SerialPort com(loop);
    std::string received;
    std::vector<int> events;
    com.OnComm = [&] {
        received += com.Input();
        events.push_back(com.CommEvent());
    };
    com.InputLen = 0;
    com.RThreshold = 1;
    com.SThreshold = 0;
    com.Handshaking = 0;
    com.Settings("9600,n,8,1");
    com.CommPort(4);
    com.PortOpen(true);
    EXPECT_TRUE(com.PortOpen());

    com.Output("AT#CID=1\r\n");
    EXPECT_EQ(modem.modemReads(10), "AT#CID=1\r\n");

    modem.modemSends("RING\r\n\r\nNA");
    ASSERT_TRUE(loop.runUntil([&] { return received.size() == 10; }, 30s));
    modem.modemSends("ME = Robin\r\nNMBR = 5551234567\r\n");
    ASSERT_TRUE(loop.runUntil([&] { return received.size() == 41; }, 30s));
    EXPECT_EQ(received, "RING\r\n\r\nNAME = Robin\r\nNMBR = 5551234567\r\n");
    ASSERT_FALSE(events.empty());
    for (int e : events) EXPECT_EQ(e, comEvReceive);

    // Without a receive threshold the text waits for Input; InputLen limits one Input.
    com.RThreshold = 0;
    std::size_t eventsBefore = events.size();
    modem.modemSends(
        std::string("\x10\x00\xff"
                    "abc",
                    6));
    ASSERT_TRUE(loop.runUntil([&] { return com.InBufferCount() == 6; }, 30s));
    com.InputLen = 4;
    EXPECT_EQ(com.Input(), std::string("\x10\x00\xff"
                                       "a",
                                       4));
    EXPECT_EQ(com.InBufferCount(), 2);
    com.InputLen = 0;
    EXPECT_EQ(com.Input(), "bc");
    EXPECT_EQ(events.size(), eventsBefore);

    // Closed: nothing more arrives, and input and output are refused.
    com.PortOpen(false);
    modem.modemSends("RING\r\n");
    loop.runUntil([] { return false; }, 20ms);
    EXPECT_EQ(events.size(), eventsBefore);
    expectError(8018, "Operation valid only when the port is open", [&] { com.Input(); });
    expectError(8018, "Operation valid only when the port is open", [&] { com.Output("x"); });
    com.PortOpen(true);  // opens again
    com.PortOpen(false);
}

// The modem goes away (the other end of its pseudo-terminal closes, as a USB modem unplugged):
// the control says so and closes; once a modem is back under the same name it opens again.
TEST(SerialPort, ALineThatGoesAwayClosesThePortAndSaysSoAndOpensAgainOnceBack) {
    Loop loop(Loop::ClockKind::Manual);
    const std::string link = ::testing::TempDir() + "serial-lost-" + std::to_string(::getpid());
    auto first = std::make_unique<PseudoTerminal>();
    std::filesystem::remove(link);
    std::filesystem::create_symlink(first->slave, link);
    setCommPortDevice(6, link);
    SerialPort com(loop);
    std::string received;
    std::vector<std::string> lost;
    com.OnComm = [&] { received += com.Input(); };
    com.OnLost = [&](const std::string& why) { lost.push_back(why); };
    com.RThreshold = 1;
    com.CommPort(6);
    com.PortOpen(true);
    first->modemSends("RING\r\n");
    ASSERT_TRUE(loop.runUntil([&] { return received == "RING\r\n"; }, 30s));

    first.reset();
    ASSERT_TRUE(loop.runUntil([&] { return !lost.empty(); }, 30s));
    EXPECT_EQ(lost.size(), 1u);
    EXPECT_FALSE(lost[0].empty());
    EXPECT_FALSE(com.PortOpen());
    expectError(8018, "Operation valid only when the port is open", [&] { com.Input(); });

    PseudoTerminal second;
    std::filesystem::remove(link);
    std::filesystem::create_symlink(second.slave, link);
    com.PortOpen(true);
    second.modemSends("NMBR = 5551234\r\n");
    ASSERT_TRUE(loop.runUntil([&] { return received == "RING\r\nNMBR = 5551234\r\n"; }, 30s));
    com.Output("ATZ\r\n");
    EXPECT_EQ(second.modemReads(5), "ATZ\r\n");
    EXPECT_EQ(lost.size(), 1u);
    com.PortOpen(false);
    std::filesystem::remove(link);
}

TEST(SerialPort, SettingsAndPortErrorsAreTheControls) {
    Loop loop(Loop::ClockKind::Manual);
    PseudoTerminal modem;
    SerialPort com(loop);
    for (const char* bad : {"9600,x,8,1", "9600,n,8", "abc,n,8,1", "9601,n,8,1", "9600,n,9,1", "9600,n,8,3",
                            "9600,n,8,1.5", "9600,n,8,1,1", ""})
        expectError(380, "Invalid property value", [&] { com.Settings(bad); });
    EXPECT_EQ(com.Settings(), "9600,n,8,1");
    com.Settings("19200,E,7,2");
    EXPECT_EQ(com.Settings(), "19200,E,7,2");
    com.Settings("1200,o,8,1");
    expectError(8002, "Invalid port number", [&] { com.CommPort(0); });
    expectError(8002, "Invalid port number", [&] { com.CommPort(256); });

    setCommPortDevice(12, "/nonexistent/ttyZ");
    com.CommPort(12);
    expectError(8002, "Invalid port number: the device /nonexistent/ttyZ is missing", [&] { com.PortOpen(true); });
    EXPECT_FALSE(com.PortOpen());

    setCommPortDevice(12, modem.slave);
    com.PortOpen(true);
    expectError(8005, "Port already open", [&] { com.PortOpen(true); });
    expectError(8000, "Operation not valid while the port is opened", [&] { com.CommPort(3); });
    com.Settings("9600,n,8,1");  // taken while open
    EXPECT_EQ(com.CommPort(), 12);
}

TEST(SerialPort, PortNumbersMapToDevices) {
    ::unsetenv("ZEPHRA_COMM7");
    EXPECT_EQ(CommPortDevice(7), "/dev/ttyS6");
    EXPECT_EQ(CommPortDevice(1), "/dev/ttyS0");
    ::setenv("ZEPHRA_COMM7", "/dev/pts/99", 1);
    EXPECT_EQ(CommPortDevice(7), "/dev/pts/99");
    setCommPortDevice(7, "/dev/ttyUSB0");
    EXPECT_EQ(CommPortDevice(7), "/dev/ttyUSB0");
    ::unsetenv("ZEPHRA_COMM7");
}
