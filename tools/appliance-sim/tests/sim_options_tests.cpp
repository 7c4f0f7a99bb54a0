#include "SimOptions.h"

#include <gtest/gtest.h>

using namespace appliance_sim;

TEST(SimOptions, ReadsAppliancesFaultsAndClients) {
    const auto options =
        parseSimOptions({"--appliance", "kitchen=127.0.0.2:8080", "--appliance=hall=127.0.0.3:0", "--control",
                         "127.0.0.1:0", "--udp-server", "127.0.0.1:4550", "--udp-port", "4551", "--slow", "kitchen=250",
                         "--drop=hall=2", "--silent", "hall", "--marker-dir", "/tmp/m", "--log", "/tmp/sim.log"});
    ASSERT_EQ(options.appliances.size(), 2u);
    const auto& kitchen = options.appliances[0];
    EXPECT_EQ(kitchen.name, "kitchen");
    EXPECT_EQ(kitchen.http.address().to_string(), "127.0.0.2");
    EXPECT_EQ(kitchen.http.port(), 8080);
    EXPECT_EQ(kitchen.faults.slowMs, 250);
    ASSERT_TRUE(kitchen.udpLocal);
    EXPECT_EQ(kitchen.udpLocal->address().to_string(), "127.0.0.2");
    EXPECT_EQ(kitchen.udpLocal->port(), 4551);
    EXPECT_EQ(kitchen.udpServer->port(), 4550);
    EXPECT_EQ(kitchen.markerDir, "/tmp/m");
    const auto& hall = options.appliances[1];
    EXPECT_EQ(hall.faults.dropNext, 2);
    EXPECT_TRUE(hall.faults.silent);
    EXPECT_EQ(options.logFile, "/tmp/sim.log");
    ASSERT_TRUE(options.control);

    const auto bare = parseSimOptions({"--appliance", "a=localhost:0"});
    EXPECT_FALSE(bare.appliances[0].udpLocal);
    EXPECT_EQ(bare.appliances[0].http.address().to_string(), "127.0.0.1");
}

TEST(SimOptions, RefusesAddressesOffThisMachineAndBadNames) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--appliance", "kitchen=192.168.1.20:80"},
        {"--appliance", "kitchen=10.0.0.1:80"},
        {"--appliance", "kitchen=example.com:80"},
        {"--appliance", "kitchen=127.0.0.2"},
        {"--appliance", "kitchen=127.0.0.2:70000"},
        {"--appliance", "../etc=127.0.0.2:80"},
        {"--appliance", "two words=127.0.0.2:80"},
        {"--appliance", "a=127.0.0.2:80", "--appliance", "a=127.0.0.3:80"},
        {"--appliance", "a=127.0.0.2:80", "--udp-server", "192.168.0.1:4550"},
        {"--appliance", "a=127.0.0.2:80", "--udp-server", "127.0.0.1:0"},
        {"--appliance", "a=127.0.0.2:80", "--slow", "b=100"},
        {"--appliance", "a=127.0.0.2:80", "--slow", "a=-5"},
        {"--appliance", "a=127.0.0.2:80", "--drop", "a"},
        {"--appliance", "a=127.0.0.2:80", "--control"},
        {"--appliance", "a=127.0.0.2:80", "--frobnicate"},
    };
    for (const auto& args : bad) {
        std::string shown;
        for (const auto& arg : args) shown += arg + " ";
        EXPECT_THROW(parseSimOptions(args), std::invalid_argument) << shown;
    }
}
