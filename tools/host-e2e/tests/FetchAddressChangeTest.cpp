// Where appliances fetch from is said again when a save on the status page changes it: the new
// address, the warning for an address that is not this machine's, and the warning for a loopback
// address while an appliance is elsewhere on the network; a save that changes none of it says
// nothing more.

#include <gtest/gtest.h>

#include <memory>

#include "HostEndToEnd.h"
#include "web/tests/PageForm.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

std::string Request(const std::string& method, const std::string& body = {}) {
    std::string text = method + " /status HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: Mozilla/5.0\r\n";
    if (method == "POST")
        text += "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: " + std::to_string(body.size()) +
                "\r\n";
    return text + "\r\n" + body;
}

// How many lines of `log` hold `text`.
std::size_t Count(const std::string& log, const std::string& text) {
    std::size_t n = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
}

TEST(FetchAddressChange, ASaveThatChangesWhereAppliancesFetchFromSaysItAndItsWarnings) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-fetch-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        simkit::testing::ReservedPort reserved;
        const std::string port = std::to_string(reserved.port());
        HostFolder folder(appliances, {"Kitchen", "Hall"}, {"ServerPort=" + port});
        folder.write("Config/dkvZephraUtilities.ini",
                     folder.read("Config/dkvZephraUtilities.ini") +
                         "[STATUS]\r\nShowControl=False\r\nShowSetup=True\r\nShowReceiveMessages=False\r\n"
                         "ShowStatus=2\r\n");
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        ASSERT_TRUE(accepts(reserved.port()));
        auto save = [&](const std::map<std::string, std::string>& change) {
            const std::string page = answerTo(reserved.port(), Request("GET"));
            const std::string answer =
                answerTo(reserved.port(), Request("POST", zephra::testing::FormPost(page, "Save", change)));
            EXPECT_EQ(answer.find("saveproblem"), std::string::npos) << answer.substr(0, 2000);
        };
        const std::string fetch = "| dkvZephra | Appliances fetch spoken files and pages from http://";
        const std::string warning = "| dkvZephra | Warning: HomeseerIP \"";
        EXPECT_EQ(Count(folder.log(), fetch + "127.0.0.1:" + port + "/\n"), 1u) << folder.log();

        // An address that is not this machine's: said at the save, with its warning.
        save({{"HSIP", "192.0.2.1"}});
        std::string log = folder.log();
        EXPECT_EQ(Count(log, fetch + "192.0.2.1:" + port + "/\n"), 1u) << log;
        EXPECT_EQ(Count(log, warning + "192.0.2.1\" is not an address of this machine"), 1u) << log;

        // A save, or a reading, that changes none of it says nothing more.
        save({});
        host.writeLine("ZephraReloadSettings");
        host.writeLine("? \"<done>\"");
        ASSERT_TRUE(host.waitForLine("= <done>"));
        EXPECT_EQ(Count(folder.log(), fetch), 2u) << folder.log();

        // Back on loopback, while the hall moves to an address elsewhere on the network.
        save({{"HSIP", "127.0.0.1"}, {"IP1", "192.0.2.30"}});
        log = folder.log();
        EXPECT_EQ(Count(log, fetch + "127.0.0.1:" + port + "/\n"), 2u) << log;
        EXPECT_EQ(Count(log, warning + "127.0.0.1\" is a loopback address, which only this machine reaches: "
                                       "appliances hall (192.0.2.30) will fail to fetch spoken files and pages from "
                                       "it"),
                  1u)
            << log;
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
