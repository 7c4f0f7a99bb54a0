// A caller-ID modem plugged in after zephra-host started (a USB modem): its device is missing at
// the start, which the log says once, and within a minute of its coming it is opened, set up and
// its calls announced.

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(ModemLater, AModemPluggedInAfterTheStartIsFoundAndItsCallsAnnounced) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-modemlater-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen"}, {"CIDCommPort=3", "LogCID=1"});
        const std::filesystem::path link = folder.path() / "ttyUSB-later";
        setenv("ZEPHRA_COMM3", link.c_str(), 1);
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        unsetenv("ZEPHRA_COMM3");
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        const std::string notFound = "| dkvZephra | Modem Comm Port 3 not found: the device " + link.string() +
                                     " is missing; trying again every minute\n";
        EXPECT_EQ(Count(folder.log(), notFound), 1u) << folder.log();

        // The modem comes 2 s later.
        std::this_thread::sleep_for(std::chrono::seconds(2));
        const std::filesystem::path script = folder.write(
            "modem.txt", "expect AT#CID\nRING\nDATE = 1208\nTIME = 1937\nNMBR = 5551234\nNAME = JOHN DOE\n");
        ChildProcess modem(MODEM_SIM_PATH,
                           {"--stay", "--log", (folder.path() / "modem.log").string(), script.string()});
        const std::optional<std::string> pty = modem.readLine();
        ASSERT_TRUE(pty && !pty->empty());
        std::filesystem::create_symlink(*pty, link);

        // Looked for every minute: found within one, and the caller announced.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(100);
        while (!holds(folder.log(), "| dkvZephra | 555-1234 : JOHN DOE") && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
        const std::string log = folder.log();
        EXPECT_TRUE(holds(log, "| dkvZephra | 555-1234 : JOHN DOE")) << log;
        EXPECT_EQ(Count(log, "| dkvZephra | dkvZephra Modem Comm Port 3 Opened\n"), 1u) << log;
        EXPECT_EQ(Count(log, notFound), 1u) << log;
        EXPECT_TRUE(holds(folder.read("modem.log"), "AT#CID")) << folder.read("modem.log");
        EXPECT_EQ(host.terminate(), 0);
        std::filesystem::remove(link);
    }
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
