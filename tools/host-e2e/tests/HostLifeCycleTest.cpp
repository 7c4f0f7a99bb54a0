// The whole life cycle of the plug-in in zephra-host against two stand-in appliances: start,
// operations typed as host statements, an X10 motion event delivered through the host and
// the plug-in's reaction, an appliance whose power is off, and shut-down on SIGTERM.

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

class HostLifeCycle : public ::testing::Test {
protected:
    std::filesystem::path simLog_ =
        std::filesystem::temp_directory_path() / ("host-e2e-life-" + std::to_string(getpid()) + ".log");
    Appliances appliances_{simLog_};
    // The kitchen's power switch is A3 and its motion sensor B4; motion wakes an appliance.
    HostFolder folder_{appliances_, {"Kitchen,,A3,B4", "Hall"}, {"AwakenOnMotion=1"}};

    ~HostLifeCycle() override { std::filesystem::remove(simLog_); }

    // The value that the host prints for "? expression".
    static std::string valueOf(ChildProcess& host, const std::string& expression) {
        host.writeLine("? \"<\" & (" + expression + ") & \">\"");
        std::optional<std::string> line = host.waitForLine("= <");
        if (!line) return "(no answer)";
        return line->substr(3, line->size() - 4);
    }

    // The value of the expression once it is `expected` (the last value after kWait). An appliance
    // logs its answer as it sends it, and the plug-in takes the answer in a moment later: a state
    // that follows the answers is asked again until the plug-in has caught up.
    static std::string settledValueOf(ChildProcess& host, const std::string& expression, const std::string& expected) {
        const auto deadline = std::chrono::steady_clock::now() + kWait;
        std::string value = valueOf(host, expression);
        while (value != expected && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            value = valueOf(host, expression);
        }
        return value;
    }
};

TEST_F(HostLifeCycle, StartsServesOperationsAndX10MotionAndStopsCleanlyOnSigterm) {
    ChildProcess host(ZEPHRA_HOST_PROGRAM, folder_.args());
    ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
    EXPECT_TRUE(holds(folder_.log(), "| dkvZephra | Startup Initialization Complete"));
    EXPECT_EQ(valueOf(host, "ZephraNames"), "kitchen,hall");
    EXPECT_EQ(valueOf(host, "hs.Plugin(\"dkvZephra\").ZEPHRAIPS"), "127.0.0.2,127.0.0.3");

    // The host has never switched the kitchen's power switch: it is not off, and both are served.
    EXPECT_NE(valueOf(host, "ZephraVolume(\"kitchen,hall\", 30)"), "");
    ASSERT_TRUE(appliances_.waitFor("hall", "/volume.shtml?30 ok volume=30"));
    ASSERT_TRUE(appliances_.waitFor("kitchen", "/volume.shtml?30 ok volume=30"));

    // Switched off, the kitchen is skipped, and the call answers "" while the hall is still served.
    host.writeLine("hs.ExecX10 \"A3\", \"off\"");
    EXPECT_EQ(valueOf(host, "ZephraVolume(\"kitchen,hall\", 35)"), "");
    ASSERT_TRUE(appliances_.waitFor("hall", "/volume.shtml?35 ok volume=35"));
    EXPECT_TRUE(appliances_.matching("kitchen", "volume.shtml?35").empty());

    host.writeLine("hs.ExecX10 \"A3\", \"on\"");
    std::string token = valueOf(host, "ZephraLED(\"kitchen\", \"top blink\")");
    EXPECT_EQ(token.substr(0, 2), "1.") << token;
    EXPECT_EQ(valueOf(host, "hs.Plugin(\"dkvZephra\").ZephraVolumeEx(\"kitchen;55\") <> \"\""), "True");
    host.writeLine("ZephraSleep \"kitchen\", \"sleep\"");
    host.writeLine("ZephraMailLedEx \"hall;on\"");
    ASSERT_TRUE(appliances_.waitFor("kitchen", "/screen.shtml?0 ok awake=0"));
    ASSERT_TRUE(appliances_.waitFor("hall", "/led.shtml?m1 ok mailled=on"));
    EXPECT_EQ(appliances_.lines("kitchen"), (Lines{"/volume.shtml?30 ok volume=30", "/led.shtml?t2 ok topled=blink",
                                                   "/volume.shtml?55 ok volume=55", "/screen.shtml?0 ok awake=0"}));
    EXPECT_EQ(valueOf(host, "ZephraSleepStatus(\"kitchen\") & \" \" & ZephraTopLEDStatus(\"kitchen\")"), "sleep blink");
    EXPECT_EQ(valueOf(host, "ZephraCommandBusy(\"kitchen\", \"" + token + "\")"), "False");

    // Motion at the kitchen's sensor: the host hands the X10 event to the plug-in, which
    // wakes the kitchen; motion elsewhere, and the sensor going off, change nothing.
    host.writeLine("hs.ExecX10 \"C9\", \"on\"");
    host.writeLine("hs.ExecX10 \"B4\", \"on\"");
    ASSERT_TRUE(appliances_.waitFor("kitchen", "/screen.shtml?1 ok awake=1"));
    host.writeLine("hs.ExecX10 \"B4\", \"off\"");
    EXPECT_EQ(valueOf(host, "hs.IsOff(\"B4\") & \" \" & ZephraSleepStatus(\"kitchen\")"), "True awake");
    EXPECT_EQ(appliances_.matching("kitchen", "/screen.shtml").size(), 2u);
    EXPECT_TRUE(appliances_.matching("hall", "/screen.shtml").empty());

    // A spoken file played on both appliances: each fetches it from the host's web server.
    std::string file = valueOf(host, "ZephraTextToWav(\"The doorbell rang\")");
    EXPECT_EQ(file, "ZephraTempFile1.wav");
    host.writeLine("ZephraWav \"kitchen,hall\", \"" + file + "\"");
    for (const char* name : {"kitchen", "hall"})
        ASSERT_TRUE(appliances_.waitFor(name, "ok wav=\"http://127.0.0.1:" + std::to_string(folder_.webPort()) +
                                                  "/ZephraTemp/ZephraTempFile1.wav\""))
            << name;
    EXPECT_EQ(settledValueOf(host, "ZephraIsSpeaking(\"\")", "False"), "False");

    // Shut-down: nothing of the host is left running, its web server is closed.
    EXPECT_TRUE(childrenOf(host.pid()).empty());
    EXPECT_TRUE(accepts(folder_.webPort()));
    EXPECT_EQ(host.terminate(), 0);
    EXPECT_FALSE(accepts(folder_.webPort()));
    EXPECT_TRUE(holds(folder_.log(), "| zephra-host | Stopped"));
    EXPECT_FALSE(holds(folder_.log(), "Unhandled error"));
    // The plug-in kept its appliances' devices, with their base codes saved back.
    EXPECT_TRUE(holds(folder_.read("Config/dkvZephraUtilities.ini"), "\"Kitchen,~11,A3,B4,0,0,\""));
}

// Start-up steps that fail (the caller-ID UDP port held by another program, a "ShowStatus"
// that is no number) and an appliance whose device code has no unit number: each is named in
// the log, the start-up completes and device commands reach the other appliances.
TEST(HostStartUp, FailingStepsAreNamedAndDeviceCommandsStillWork) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-startup-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen,[1", "Hall,[11"});
        const int taken = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        socklen_t size = sizeof address;
        ASSERT_EQ(bind(taken, reinterpret_cast<sockaddr*>(&address), size), 0);
        ASSERT_EQ(getsockname(taken, reinterpret_cast<sockaddr*>(&address), &size), 0);
        folder.write("registry/zephra/registry.ini",
                     "[Zephra\\Options]\r\nLocalPort=" + std::to_string(ntohs(address.sin_port)) + "\r\n");
        std::string settings = folder.read("Config/dkvZephraUtilities.ini");
        // An entry before them whose device code has no unit number.
        folder.write("Config/dkvZephraUtilities.ini",
                     settings + "127.0.0.6/127.0.0.6:1=\"Attic,[1x\"\r\n[STATUS]\r\nShowStatus=abc\r\n");

        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        host.writeLine(R"(hs.SetDeviceValue "[5",1 : hs.SetDeviceValue "[14",2)");
        EXPECT_TRUE(appliances.waitFor("kitchen", "/led.shtml?m1 ok mailled=on"));
        EXPECT_TRUE(appliances.waitFor("hall", "/led.shtml?t2 ok topled=blink"));
        const std::string log = folder.log();
        EXPECT_TRUE(holds(log, "| dkvZephra | ReadStatusOptions: [STATUS] ShowStatus=abc (Type mismatch), 2 is used"))
            << log;
        EXPECT_TRUE(holds(log, "| dkvZephra | InitHW InitUDP ")) << log;
        EXPECT_TRUE(holds(log, "| dkvZephra | DefineZephras: the device code of attic has no unit number")) << log;
        EXPECT_FALSE(holds(log, "SetZephraIO")) << log;
        EXPECT_TRUE(holds(log, "| dkvZephra | Startup Initialization Complete")) << log;
        EXPECT_EQ(host.terminate(), 0);
        close(taken);
    }
    std::filesystem::remove(simLog);
}

// A devices file with 100,000 damaged X10 lines: the host starts, names the first five and counts
// the rest in one line, and keeps the states it could read.
TEST(HostStartUp, ADevicesFileFullOfDamagedX10LinesIsToldInSixLines) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-badx10-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen"});
        std::string devices = "[X10]\r\nC5=2,46000\r\n";
        for (int i = 0; i < 100000; ++i) devices += "Q" + std::to_string(i) + "=2,46000\r\n";
        folder.write("Config/zephra-host-devices.ini", devices);
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        EXPECT_EQ(host.terminate(), 0);
        const std::string log = folder.log();
        std::size_t lines = 0;
        for (std::size_t at = log.find("could not be read back"); at != std::string::npos;
             at = log.find("could not be read back", at + 1))
            ++lines;
        EXPECT_EQ(lines, 6u) << log.substr(0, 4000);
        EXPECT_TRUE(holds(log, "| zephra-host | X10 state Q0 could not be read back\n")) << log.substr(0, 4000);
        EXPECT_TRUE(holds(log, "| zephra-host | X10 state Q4 could not be read back\n")) << log.substr(0, 4000);
        EXPECT_TRUE(holds(log, "| zephra-host | and 99995 more X10 states could not be read back\n"))
            << log.substr(0, 4000);
        // The good state was kept and is saved again; the damaged ones are gone.
        const std::string saved = folder.read("Config/zephra-host-devices.ini");
        EXPECT_TRUE(holds(saved, "C5=2,")) << saved.substr(0, 2000);
        EXPECT_FALSE(holds(saved, "Q1=")) << saved.substr(0, 2000);
    }
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
