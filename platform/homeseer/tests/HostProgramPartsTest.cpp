// The host program's command line and first-run layout.

#include <gtest/gtest.h>

#include "forms/MachineAddresses.h"

#include "program/AppLayout.h"
#include "program/HostOptions.h"
#include "windows/testing/TempAppFolder.h"

namespace homeseer {
namespace {

TEST(HostOptions, ReadsTheCommandLine) {
    OptionsReading r = ParseHostOptions({"--app-dir", "/tmp/app", "--run", "demo.txt", "--exit-when-idle"});
    ASSERT_TRUE(r.options);
    EXPECT_EQ(r.options->appDir, "/tmp/app");
    EXPECT_EQ(r.options->runFile, "demo.txt");
    EXPECT_TRUE(r.options->exitWhenIdle);
    EXPECT_EQ(r.options->plugin, "");
    EXPECT_EQ(r.options->webAddress, "");  // every address

    EXPECT_EQ(ParseHostOptions({"--run", "x"}).message, "--app-dir is required");
    EXPECT_EQ(ParseHostOptions({"--app-dir"}).message, "--app-dir needs a value");
    EXPECT_EQ(ParseHostOptions({"--app-dir", "a", "--verbose"}).message, "unknown option --verbose");
    EXPECT_TRUE(ParseHostOptions({"--help"}).help);

    // The web address is an IP address the server can bind, or "" for every address.
    for (const char* good : {"127.0.0.1", "10.231.7.1", "::1", ""}) {
        OptionsReading address = ParseHostOptions({"--app-dir", "a", "--web-address", good});
        ASSERT_TRUE(address.options) << good;
        EXPECT_EQ(address.options->webAddress, good);
    }
    for (const char* bad : {"1.2.3.999", "1.2.3", "localhost", "10.0.0.1 ", "abc"})
        EXPECT_EQ(ParseHostOptions({"--app-dir", "a", "--web-address", bad}).message,
                  "--web-address: \"" + std::string(bad) + "\" is not an IP address");
}

TEST(AppLayout, TheFirstRunMakesTheFoldersAndStartingFilesAndLaterRunsKeepThem) {
    windows::testing::TempAppFolder app;
    std::filesystem::path folder = app.path() / "new app";
    PrepareAppFolder(folder);
    for (const char* name : {"Config", "HTML", "Data", "Scripts"})
        EXPECT_TRUE(std::filesystem::is_directory(folder / name)) << name;
    EXPECT_EQ(app.read("new app/Config/settings.ini"),
              "[Settings]\r\nsvrport=8081\r\nlatitude=51.48\r\nlongitude=0.0\r\n[xAP]\r\n"
              "; enabled=1 makes zephra-host an xAP node; broadcast= the network's broadcast address\r\n"
              "enabled=0\r\nbroadcast=255.255.255.255\r\nport=3639\r\n");
    // The plug-in's web server, and its status page, on a port of its own beside the host's; the
    // appliances fetch from this machine's own address.
    EXPECT_EQ(app.read("new app/Config/dkvZephraUtilities.ini"),
              "[Zephra Utilities]\r\nServerPort=\"8082\"\r\nHomeseerIP=\"" + forms::OwnAddress() +
                  "\"\r\n[Zephra Names]\r\n");
    // The pictures the page frame names from the web folder's root, real pictures of their kinds.
    for (const char* gif : {"clock.gif", "sunrise.gif", "sunset.gif"})
        EXPECT_EQ(app.read(std::string("new app/HTML/") + gif).substr(0, 6), "GIF89a") << gif;
    EXPECT_EQ(app.read("new app/HTML/pluginlogo.JPG").substr(0, 3), "\xFF\xD8\xFF");
    app.write("new app/Config/settings.ini", "[Settings]\r\nsvrport=9000\r\n");
    app.write("new app/HTML/clock.gif", "mine");
    PrepareAppFolder(folder);
    EXPECT_EQ(app.read("new app/Config/settings.ini"), "[Settings]\r\nsvrport=9000\r\n");
    EXPECT_EQ(app.read("new app/HTML/clock.gif"), "mine");
}

}  // namespace
}  // namespace homeseer
