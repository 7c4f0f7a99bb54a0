// modem-sim run as a program; the test is the plug-in's side of the pseudo-terminal.

#include "simkit/testing/ChildProcess.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

using simkit::testing::ChildProcess;

namespace {

class ScriptFile {
public:
    explicit ScriptFile(const std::string& text)
        : path_(std::filesystem::temp_directory_path() /
                ("modem-script-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".txt")) {
        std::ofstream(path_) << text;
    }
    ~ScriptFile() { std::filesystem::remove(path_); }
    std::string path() const { return path_.string(); }

private:
    static inline int counter = 0;
    std::filesystem::path path_;
};

// The serial port as the plug-in opens it.
class PortSide {
public:
    explicit PortSide(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {}
    ~PortSide() {
        if (fd_ >= 0) close(fd_);
    }
    bool isOpen() const { return fd_ >= 0; }

    // Exactly count bytes, or what came within five seconds.
    std::string read(std::size_t count) {
        std::string bytes;
        while (bytes.size() < count) {
            pollfd poller{fd_, POLLIN, 0};
            if (poll(&poller, 1, 5000) <= 0) break;
            char chunk[256];
            const ssize_t got = ::read(fd_, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (got <= 0) break;
            bytes.append(chunk, static_cast<std::size_t>(got));
        }
        return bytes;
    }
    // As many bytes as expected holds, to compare with it.
    std::string readAs(const std::string& expected) { return read(expected.size()); }
    void write(const std::string& bytes) {
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

private:
    int fd_;
};

std::string withoutTime(const std::optional<std::string>& line) {
    return line ? line->substr(line->find(' ') + 1) : "(no line)";
}

}  // namespace

TEST(ModemSimRun, PlaysTheScriptStepByStepAndLogsTheInitString) {
    ScriptFile script(
        "expect AT#CID\n"
        "RING\n"
        "wait 60000\n"
        "NAME = JOHN DOE\n"
        "NMBR = 5551234\n"
        "wait 60000\n"
        "raw ###DATE1208...NMBR5551234...NAMEJANE+++\\r\n");
    ChildProcess modem(MODEM_SIM_PATH, {"--step", script.path()});
    const auto path = modem.readLine();
    ASSERT_TRUE(path);
    EXPECT_EQ(path->rfind("/dev/pts/", 0), 0u);
    PortSide port(*path);
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(withoutTime(modem.waitForLine("expect")), "modem expect \"AT#CID\"");

    port.write("AT#CID=1\r\n");
    EXPECT_EQ(withoutTime(modem.waitForLine(" in ")), "modem in AT#CID=1");
    EXPECT_EQ(port.readAs("RING\r\n"), "RING\r\n");
    EXPECT_EQ(withoutTime(modem.waitForLine("wait")), "modem wait 60000");

    modem.writeLine("");
    EXPECT_EQ(port.readAs("NAME = JOHN DOE\r\nNMBR = 5551234\r\n"), "NAME = JOHN DOE\r\nNMBR = 5551234\r\n");
    EXPECT_EQ(withoutTime(modem.waitForLine("wait")), "modem wait 60000");
    modem.writeLine("");
    EXPECT_EQ(port.readAs("###DATE1208...NMBR5551234...NAMEJANE+++\r"), "###DATE1208...NMBR5551234...NAMEJANE+++\r");
    EXPECT_EQ(withoutTime(modem.waitForLine("done")), "modem done");
    EXPECT_EQ(modem.waitExit(), 0);

    std::vector<std::string> sent;
    for (const auto& line : modem.lines())
        if (line.find(" out ") != std::string::npos) sent.push_back(withoutTime(line));
    EXPECT_EQ(sent, (std::vector<std::string>{"modem out RING", "modem out NAME = JOHN DOE", "modem out NMBR = 5551234",
                                              "modem out ###DATE1208...NMBR5551234...NAMEJANE+++\\r"}));
}

TEST(ModemSimRun, NoDelaysPlaysAnHourLongScriptAtOnce) {
    ScriptFile script("RING\nwait 3600000\nNMBR = 5551234\nwait 3600000\nRING\n");
    ChildProcess modem(MODEM_SIM_PATH, {"--no-delays", script.path()});
    PortSide port(*modem.readLine());
    EXPECT_EQ(port.readAs("RING\r\nNMBR = 5551234\r\nRING\r\n"), "RING\r\nNMBR = 5551234\r\nRING\r\n");
    EXPECT_EQ(modem.waitExit(), 0);
}

TEST(ModemSimRun, StepWithoutMoreInputPlaysTheRestAndStayKeepsLogging) {
    ScriptFile script("RING\nwait 60000\nRING\n");
    ChildProcess modem(MODEM_SIM_PATH, {"--step", "--stay", script.path()});
    PortSide port(*modem.readLine());
    EXPECT_EQ(port.readAs("RING\r\n"), "RING\r\n");
    modem.closeStdin();
    EXPECT_EQ(port.readAs("RING\r\n"), "RING\r\n");
    EXPECT_EQ(withoutTime(modem.waitForLine("done")), "modem done");

    // After the script, lines are still logged; one cut short is logged when the modem is stopped.
    port.write("ATZ\rATH0");
    EXPECT_EQ(withoutTime(modem.waitForLine(" in ")), "modem in ATZ");
    EXPECT_EQ(modem.terminate(), 0);
    EXPECT_EQ(withoutTime(modem.waitForLine(" in ")), "modem in ATH0");
}

TEST(ModemSimRun, RefusesABadScript) {
    ScriptFile script("RING\nwait soon\n");
    ChildProcess bad(MODEM_SIM_PATH, {script.path()});
    EXPECT_EQ(bad.waitExit(), 2);
    ChildProcess missing(MODEM_SIM_PATH, {"/nonexistent/script.txt"});
    EXPECT_EQ(missing.waitExit(), 2);
}
