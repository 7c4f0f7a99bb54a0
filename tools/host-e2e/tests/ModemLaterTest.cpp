// A caller-ID modem that is not plugged in when zephra-host starts (a USB modem): its missing
// device is said once, and the host serves on. That it is then looked for every minute, found and
// its calls announced is shown on the loop's clock beside the modem's code.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST(ModemLater, AModemMissingAtTheStartIsSaidOnceAndTheHostServesOn) {
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
        EXPECT_FALSE(holds(folder.log(), "Modem Comm Port 3 Opened")) << folder.log();
        EXPECT_TRUE(answerTo(folder.webPort(), "GET / HTTP/1.0\r\n\r\n").starts_with("HTTP/1."));
        EXPECT_EQ(host.terminate(), 0);
        EXPECT_EQ(Count(folder.log(), notFound), 1u) << folder.log();
    }
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
