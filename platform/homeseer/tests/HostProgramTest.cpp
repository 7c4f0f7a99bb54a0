// The host program as a child process, with the test plug-in library (TestPlugin.cpp).

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "simkit/testing/ChildProcess.h"
#include "windows/testing/TempAppFolder.h"

namespace {

using simkit::testing::ChildProcess;
using windows::testing::TempAppFolder;

std::vector<std::string> recorded(const std::filesystem::path& app) {
    std::ifstream file(app / "Data" / "test-plugin.txt");
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

std::string fileText(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
}

class HostProgram : public ::testing::Test {
protected:
    void SetUp() override {
        // Any free port for the web server, so that runs do not collide.
        app_.write("Config/settings.ini", "[Settings]\r\nsvrport=0\r\n");
    }
    std::vector<std::string> args(std::vector<std::string> more = {}) const {
        std::vector<std::string> a{"--app-dir", app_.path().string(), "--plugin", ZEPHRA_TEST_PLUGIN};
        a.insert(a.end(), more.begin(), more.end());
        return a;
    }

    TempAppFolder app_;
};

TEST_F(HostProgram, DrivesThePluginInTheHostsOrderAndShutsDownOnSigterm) {
    {
        ChildProcess host(ZEPHRA_HOST_PROGRAM, args());
        ASSERT_TRUE(host.waitForLine("zephra-host: TestPlug ready"));
        EXPECT_EQ(host.terminate(), 0);
    }
    EXPECT_EQ(recorded(app_.path()), (std::vector<std::string>{"Name", "Capabilities", "AccessLevel",
                                                               "RegisterCallback clsHSCallback", "InitIO 0",
                                                               "Device made [1", "ShutdownIO"}));
    for (const char* folder : {"Config", "HTML", "Data", "Scripts"})
        EXPECT_TRUE(std::filesystem::is_directory(app_.path() / folder)) << folder;
    EXPECT_EQ(fileText(app_.path() / "Config/settings.ini"), "[Settings]\r\nsvrport=0\r\n");  // kept as it was
    EXPECT_TRUE(std::filesystem::exists(app_.path() / "Config/dkvZephraUtilities.ini"));
    EXPECT_NE(fileText(app_.path() / "Data/zephra-host.log").find("| zephra-host | Stopped"), std::string::npos);

    // The device the plug-in made is kept for the next run, which finds it.
    {
        ChildProcess host(ZEPHRA_HOST_PROGRAM, args());
        ASSERT_TRUE(host.waitForLine("zephra-host: TestPlug ready"));
        kill(host.pid(), SIGINT);
        EXPECT_EQ(host.waitExit(), 0);
    }
    std::vector<std::string> second = recorded(app_.path());
    ASSERT_EQ(second.size(), 14u);
    EXPECT_EQ(second[12], "Device found 1001");
    EXPECT_EQ(second[13], "ShutdownIO");
}

TEST_F(HostProgram, StatementsReachThePluginAndTheHostRaisesEventsIntoIt) {
    ChildProcess host(ZEPHRA_HOST_PROGRAM, args());
    ASSERT_TRUE(host.waitForLine("zephra-host: TestPlug ready"));
    host.writeLine("Echo \"a, \"\"b\"\"\", 2, , True");
    ASSERT_TRUE(host.waitForLine("= a, \"b\"|2|(missing)|True"));
    host.writeLine("hs.ExecX10 \"a5\", \"on\"");
    host.writeLine("hs.SetDeviceValue \"[1\", 7");
    // The events are posted behind the statements already waiting; once this answers,
    // they wait before any statement written afterwards.
    host.writeLine("Echo \"sync\"");
    ASSERT_TRUE(host.waitForLine("= sync"));
    host.writeLine("Echo \"not closed");
    host.writeLine("hs.Plugin(\"testplug\").Echo(\"late\")");
    ASSERT_TRUE(host.waitForLine("stdin line 5: Error 1002: Syntax error: text not closed at column 6"));
    ASSERT_TRUE(host.waitForLine("= late"));
    host.writeLine("hs.isOn(\"A5\")");
    ASSERT_TRUE(host.waitForLine("= True"));
    host.writeLine("NoSuchOperation");
    ASSERT_TRUE(host.waitForLine("stdin line 8: Error 438: Object doesn't support this property or method"));
    EXPECT_EQ(host.terminate(), 0);

    std::vector<std::string> lines = recorded(app_.path());
    std::vector<std::string> run(lines.begin() + 6, lines.end());
    ASSERT_GE(run.size(), 3u);
    std::sort(run.begin() + 1, run.begin() + 4);  // the events and "sync" in either order
    EXPECT_EQ(run, (std::vector<std::string>{"Echo a, \"b\"|2|(missing)|True", "Echo sync", "HSEvent 1 A5 2",
                                             "SetIO [1 19 7", "Echo late", "ShutdownIO"}));
}

TEST_F(HostProgram, ARunScriptEndsWhenDoneAndThePluginIsIdle) {
    app_.write("Scripts/work.txt", "' a host script\r\nStayBusy 200\r\nEcho \"one\"\r\nEcho oops\r\nhs.WaitSecs 0.05\r\n");
    ChildProcess host(ZEPHRA_HOST_PROGRAM, args({"--run", (app_.path() / "Scripts/work.txt").string(), "--exit-when-idle"}));
    EXPECT_EQ(host.waitExit(), 0);
    std::vector<std::string> lines = recorded(app_.path());
    std::vector<std::string> run(lines.begin() + 6, lines.end());
    EXPECT_EQ(run, (std::vector<std::string>{"StayBusy 200", "Echo one", "Idle", "ShutdownIO"}));
    EXPECT_NE(fileText(app_.path() / "Data/zephra-host.log")
                  .find("work.txt line 4: Error 1002: Syntax error: a text in double quotes, a number, True or "
                        "False was expected at column 6"),
              std::string::npos);
}

TEST_F(HostProgram, StandardInputEndingWithExitWhenIdleEndsTheProgram) {
    ChildProcess host(ZEPHRA_HOST_PROGRAM, args({"--exit-when-idle"}));
    ASSERT_TRUE(host.waitForLine("zephra-host: TestPlug ready"));
    host.writeLine("Echo \"last\"");
    host.closeStdin();
    EXPECT_EQ(host.waitExit(), 0);
    EXPECT_EQ(recorded(app_.path()).back(), "ShutdownIO");
}

TEST_F(HostProgram, AMissingPluginLibraryOrAppFolderFailsClearly) {
    ChildProcess missing(ZEPHRA_HOST_PROGRAM, {"--app-dir", app_.path().string(), "--plugin",
                                               (app_.path() / "nothing.so").string()});
    EXPECT_EQ(missing.waitExit(), 1);
    ChildProcess noFolder(ZEPHRA_HOST_PROGRAM, {"--plugin", ZEPHRA_TEST_PLUGIN});
    EXPECT_EQ(noFolder.waitExit(), 2);
}

}  // namespace
