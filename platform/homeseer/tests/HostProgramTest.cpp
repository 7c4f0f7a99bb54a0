// The host program as a child process, with the test plug-in library (TestPlugin.cpp).

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "simkit/testing/ChildProcess.h"
#include "simkit/testing/HttpGet.h"
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
    EXPECT_EQ(recorded(app_.path()),
              (std::vector<std::string>{"Name", "Capabilities", "AccessLevel", "RegisterCallback clsHSCallback",
                                        "InitIO 0", "Device made [1", "ShutdownIO"}));
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

std::string logText(const std::filesystem::path& app) { return fileText(app / "Data/zephra-host.log"); }

// The port of a console line "zephra-host: listening on TCP 0.0.0.0:PORT (...)".
std::string portOf(const std::string& line) {
    const std::size_t colon = line.find(':', line.find("TCP ")) + 1;
    return line.substr(colon, line.find(' ', colon) - colon);
}

TEST_F(HostProgram, LinesOnStandardInputRunAsVBScriptOneAfterAnother) {
    ChildProcess host(ZEPHRA_HOST_PROGRAM, args());
    ASSERT_TRUE(host.waitForLine("zephra-host: TestPlug ready"));
    host.writeLine("? Echo(\"a, \"\"b\"\"\", 2, , True)");
    ASSERT_TRUE(host.waitForLine("= a, \"b\"|2|(missing)|True"));
    host.writeLine("hs.ExecX10 \"a5\", \"on\"");
    host.writeLine("hs.SetDeviceValue \"[1\", 7");
    // The events are posted behind the lines already waiting; once this answers, they wait
    // before any line written afterwards.
    host.writeLine("? Echo(\"sync\")");
    ASSERT_TRUE(host.waitForLine("= sync"));
    host.writeLine("Echo \"not closed");
    host.writeLine("x = 5");
    host.writeLine("hs.WriteLog \"t\", x * 2");
    ASSERT_TRUE(host.waitForLine("stdin line 5, column 6: Error 1033: Unterminated string constant"));
    ASSERT_TRUE(host.waitForLine("| t | 10"));
    host.writeLine("? hs.isOn(\"A5\") & \" \" & hs.Plugin(\"testplug\").Echo(\"late\")");
    ASSERT_TRUE(host.waitForLine("= True late"));
    host.writeLine("NoSuchOperation 1");
    ASSERT_TRUE(host.waitForLine("stdin line 9, column 1: Error 13: Type mismatch: 'NoSuchOperation'"));
    // A line that waits keeps the host serving events, and the next line runs after it.
    host.writeLine("hs.WaitSecs 0.3 : Echo \"first\"");
    host.writeLine("? Echo(\"second\")");
    ASSERT_TRUE(host.waitForLine("= second"));
    EXPECT_EQ(host.terminate(), 0);

    std::vector<std::string> lines = recorded(app_.path());
    std::vector<std::string> run(lines.begin() + 6, lines.end());
    ASSERT_GE(run.size(), 3u);
    std::sort(run.begin() + 1, run.begin() + 4);  // the events and "sync" in either order
    EXPECT_EQ(run, (std::vector<std::string>{"Echo a, \"b\"|2|(missing)|True", "Echo sync", "HSEvent 1 A5 2",
                                             "SetIO [1 19 7", "Echo late", "Echo first", "Echo second", "ShutdownIO"}));
}

TEST_F(HostProgram, ARunScriptEndsWhenDoneAndThePluginIsIdle) {
    app_.write("Scripts/demo.vbs",
               "\xEF\xBB\xBF' a host script, saved with a byte-order mark\r\n"
               "Option Explicit\r\n"
               "Class Greeter\r\n"
               "  Public Prefix\r\n"
               "  Public Function Greet(name) : Greet = Echo(Prefix & name) : End Function\r\n"
               "End Class\r\n"
               "Dim plugin, g, seen, item\r\n"
               "Set plugin = hs.Plugin(\"TestPlug\")\r\n"
               "plugin.StayBusy 200\r\n"
               "Set seen = CreateObject(\"Scripting.Dictionary\")\r\n"
               "Set g = New Greeter : g.Prefix = \"hi \"\r\n"
               "seen.Add \"one\", g.Greet(\"one\")\r\n"
               "On Error Resume Next\r\n"
               "plugin.NoSuchOperation\r\n"
               "hs.WriteLog \"demo\", \"skipped error \" & Err.Number\r\n"
               "On Error Goto 0\r\n"
               "For Each item In seen.Keys : hs.WriteLog \"demo\", item & \"=\" & seen(item) : Next\r\n"
               "hs.WaitSecs 0.05\r\n");
    ChildProcess host(ZEPHRA_HOST_PROGRAM,
                      args({"--run", (app_.path() / "Scripts/demo.vbs").string(), "--exit-when-idle"}));
    EXPECT_EQ(host.waitExit(), 0);
    std::vector<std::string> lines = recorded(app_.path());
    std::vector<std::string> run(lines.begin() + 6, lines.end());
    EXPECT_EQ(run, (std::vector<std::string>{"StayBusy 200", "Echo hi one", "Idle", "ShutdownIO"}));
    std::string log = logText(app_.path());
    EXPECT_NE(log.find("| demo | skipped error 438\n"), std::string::npos);
    EXPECT_NE(log.find("| demo | one=hi one\n"), std::string::npos);
    EXPECT_EQ(log.find("Error"), std::string::npos);
}

TEST_F(HostProgram, AScriptThatFailsIsReportedWithItsPlaceAndTheHostGoesOn) {
    // A syntax error: nothing of the file runs; ending idle, the status says the script failed.
    app_.write("Scripts/broken.vbs", "Echo \"never\"\r\nFor i = 1 To 3\r\n  Echo i\r\nNext x y\r\n");
    {
        ChildProcess host(ZEPHRA_HOST_PROGRAM,
                          args({"--run", (app_.path() / "Scripts/broken.vbs").string(), "--exit-when-idle"}));
        EXPECT_TRUE(
            host.waitForLine("| zephra-host | broken.vbs line 4, column 8: Error 1025: Expected end of statement"));
        EXPECT_EQ(host.waitExit(), 1);
    }
    EXPECT_EQ(recorded(app_.path()).back(), "ShutdownIO");
    EXPECT_NE(logText(app_.path()).find("broken.vbs line 4, column 8: Error 1025"), std::string::npos);

    // A run-time error stops the script where it happens; the host serves on until told to stop.
    app_.write("Scripts/fails.vbs",
               "Echo \"before\"\r\nDim d : Set d = CreateObject(\"Scripting.Dictionary\")\r\n"
               "d.Add \"k\", 1 : d.Add \"k\", 2\r\nEcho \"after\"\r\n");
    ChildProcess host(ZEPHRA_HOST_PROGRAM, args({"--run", (app_.path() / "Scripts/fails.vbs").string()}));
    EXPECT_TRUE(
        host.waitForLine("fails.vbs line 3, column 16: Error 457: This key is already associated with an "
                         "element of this collection"));
    EXPECT_EQ(host.waitExit(std::chrono::milliseconds(300)), -1);  // still running
    EXPECT_EQ(host.terminate(), 0);
    std::vector<std::string> lines = recorded(app_.path());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Echo before"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Echo after"), 0);
    EXPECT_EQ(lines.back(), "ShutdownIO");

    // A script that cannot be read fails the same way.
    ChildProcess missing(ZEPHRA_HOST_PROGRAM,
                         args({"--run", (app_.path() / "Scripts/none.vbs").string(), "--exit-when-idle"}));
    EXPECT_EQ(missing.waitExit(), 1);
}

TEST_F(HostProgram, ASignalStopsAScriptThatLoopsOrWaits) {
    for (const char* body : {"Do : Loop", "Do : hs.WaitSecs 30 : Loop"}) {
        app_.write("Scripts/loop.vbs", std::string("hs.WriteLog \"loop\", \"started\"\r\n") + body + "\r\n");
        ChildProcess host(ZEPHRA_HOST_PROGRAM, args({"--run", (app_.path() / "Scripts/loop.vbs").string()}));
        ASSERT_TRUE(host.waitForLine("| loop | started")) << body;
        kill(host.pid(), SIGINT);
        EXPECT_TRUE(host.waitForLine("loop.vbs line 2, column 1: Error -2147467260: The operation was canceled"))
            << body;
        EXPECT_EQ(host.waitExit(), 0) << body;
        EXPECT_EQ(recorded(app_.path()).back(), "ShutdownIO") << body;
    }
}

TEST_F(HostProgram, StandardInputEndingWithExitWhenIdleEndsTheProgram) {
    ChildProcess host(ZEPHRA_HOST_PROGRAM, args({"--exit-when-idle"}));
    ASSERT_TRUE(host.waitForLine("zephra-host: TestPlug ready"));
    host.writeLine("Echo \"last\"");
    host.closeStdin();
    EXPECT_EQ(host.waitExit(), 0);
    EXPECT_EQ(recorded(app_.path()).back(), "ShutdownIO");
}

TEST_F(HostProgram, TheEndOfStandardInputEndsTheProgramWithTheLastStatementsStatus) {
    {
        ChildProcess host(ZEPHRA_HOST_PROGRAM, args());
        host.writeLine("? 6*7");
        host.closeStdin();
        EXPECT_EQ(host.waitExit(), 0);
        EXPECT_NE(std::find(host.lines().begin(), host.lines().end(), "= 42"), host.lines().end());
        EXPECT_EQ(recorded(app_.path()).back(), "ShutdownIO");
    }
    {
        ChildProcess host(ZEPHRA_HOST_PROGRAM, args());
        host.writeLine("? 1");
        host.writeLine("NoSuchOperation 1");
        host.closeStdin();
        EXPECT_EQ(host.waitExit(), 1);
    }
    {
        // Only the last statement counts.
        ChildProcess host(ZEPHRA_HOST_PROGRAM, args());
        host.writeLine("NoSuchOperation 1");
        host.writeLine("Echo \"after\"");
        host.closeStdin();
        EXPECT_EQ(host.waitExit(), 0);
    }
}

TEST_F(HostProgram, SaysWhatListensWhereAndWhichPortsCouldNotBeOpened) {
    ChildProcess first(ZEPHRA_HOST_PROGRAM, args());
    std::optional<std::string> listening = first.waitForLine("zephra-host: listening on TCP 0.0.0.0:");
    ASSERT_TRUE(listening);
    const std::string what = " (the host's HTML server, \"svrport\" in Config/settings.ini)";
    ASSERT_TRUE(listening->ends_with(what)) << *listening;
    const std::string port = portOf(*listening);
    EXPECT_EQ(first.waitForLine("zephra-host: TestPlug ready"), "zephra-host: TestPlug ready");

    // A second host on the same folder finds the port taken, and says so before it is ready.
    TempAppFolder other;
    other.write("Config/settings.ini", "[Settings]\r\nsvrport=" + port + "\r\n");
    ChildProcess second(ZEPHRA_HOST_PROGRAM, {"--app-dir", other.path().string(), "--plugin", ZEPHRA_TEST_PLUGIN});
    std::optional<std::string> refused = second.waitForLine("zephra-host: cannot listen on ");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->rfind("zephra-host: cannot listen on TCP 0.0.0.0:" + port + what + ": ", 0), 0u) << *refused;
    EXPECT_EQ(second.waitForLine("zephra-host: TestPlug ready"),
              "zephra-host: TestPlug ready (1 port not opened, above)");
    EXPECT_EQ(second.terminate(), 0);
    EXPECT_EQ(first.terminate(), 0);
}

// Started as a service manager starts it (standard input /dev/null or closed, no --run), the
// host reads nothing and serves until a signal stops it.
TEST_F(HostProgram, WithNothingOnStandardInputItServesUntilASignal) {
    app_.write("HTML/hello.htm", "<p>served</p>");
    for (simkit::testing::Input input : {simkit::testing::Input::DevNull, simkit::testing::Input::Closed}) {
        ChildProcess host(ZEPHRA_HOST_PROGRAM, args(), input);
        std::optional<std::string> listening = host.waitForLine("zephra-host: listening on TCP 0.0.0.0:");
        ASSERT_TRUE(listening);
        const std::string port = portOf(*listening);
        ASSERT_TRUE(host.waitForLine("zephra-host: TestPlug ready"));
        EXPECT_EQ(host.readLine(), "zephra-host: standard input holds no statements: serving until SIGTERM or SIGINT");
        // Well past the idle check that ends a host whose statements have ended.
        for (int i = 0; i < 3; ++i) {
            simkit::testing::HttpAnswer page =
                simkit::testing::httpGet(simkit::testing::endpointOf("127.0.0.1:" + port), "/hello.htm");
            EXPECT_EQ(page.status, 200u) << page.error;
            EXPECT_EQ(page.body, "<p>served</p>");
            EXPECT_EQ(host.waitExit(std::chrono::milliseconds(300)), -1);  // still serving
        }
        EXPECT_EQ(host.terminate(), 0);
        EXPECT_EQ(recorded(app_.path()).back(), "ShutdownIO");
    }
    // --exit-when-idle still ends it, once the plug-in is idle.
    ChildProcess idle(ZEPHRA_HOST_PROGRAM, args({"--exit-when-idle"}), simkit::testing::Input::DevNull);
    EXPECT_EQ(idle.waitExit(), 0);
}

TEST_F(HostProgram, AMissingPluginLibraryOrAppFolderFailsClearly) {
    ChildProcess missing(ZEPHRA_HOST_PROGRAM,
                         {"--app-dir", app_.path().string(), "--plugin", (app_.path() / "nothing.so").string()});
    EXPECT_EQ(missing.waitExit(), 1);
    ChildProcess noFolder(ZEPHRA_HOST_PROGRAM, {"--plugin", ZEPHRA_TEST_PLUGIN});
    EXPECT_EQ(noFolder.waitExit(), 2);
}

}  // namespace
