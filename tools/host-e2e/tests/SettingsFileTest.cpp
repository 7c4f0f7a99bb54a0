// Settings files as people leave them: damaged lines in the plug-in's and the host's files are
// each told once in the host's log, naming the file and the line; the rest is read and works.

#include <gtest/gtest.h>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t found = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++found;
    return found;
}

TEST(SettingsFile, DamagedLinesAreLoggedOnceNamingTheFileAndTheLine) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-ini-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen", "Hall"});
        // A unit entry with a control character, and a line of random bytes, after the two appliances.
        std::string plugin = folder.read("Config/dkvZephraUtilities.ini");
        plugin += "127.0.0.4/den=\"De\x01n\"\r\n\x8f\xa3\xf1\xfe\r\n";
        folder.write("Config/dkvZephraUtilities.ini", plugin);
        std::string host = folder.read("Config/settings.ini");
        host += std::string("gps\0=1\r\n", 8);
        folder.write("Config/settings.ini", host);
        std::size_t pluginLines = 0;
        for (char c : plugin) pluginLines += c == '\n';

        ChildProcess program(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(program.waitForLine("zephra-host: dkvZephra ready"));
        program.writeLine("? \"<\" & ZephraNames & \">\"");
        const std::optional<std::string> names = program.waitForLine("= <");
        ASSERT_TRUE(names);
        EXPECT_EQ(*names, "= <kitchen,hall>");
        EXPECT_EQ(program.terminate(), 0);

        const std::string log = folder.log();
        const std::string tail = " (not a section or an entry, or holding a control character): it is not read";
        const std::string first = "The settings file Config\\dkvZephraUtilities.ini has a damaged line " +
                                  std::to_string(pluginLines - 1) + tail;
        const std::string second =
            "The settings file Config\\dkvZephraUtilities.ini has a damaged line " + std::to_string(pluginLines) + tail;
        EXPECT_EQ(count(log, first), 1u) << log;
        EXPECT_EQ(count(log, second), 1u) << log;
        EXPECT_EQ(count(log, "The settings file Config\\settings.ini has a damaged line 3" + tail), 1u) << log;
        EXPECT_EQ(count(log, "has a damaged line"), 3u) << log;
    }
    std::filesystem::remove(simLog);
}

// Values typed by hand that do not convert (a number too large, a switch that is no number, a
// slide row's seconds, a unit entry's slide group): each is named in the log with its file,
// section, key and value and takes its default; the web server, whose debug switch is among
// them, still listens, and the appliance whose entry holds one obeys its commands.
TEST(SettingsFile, BadValuesAreNamedAndTakeTheirDefaults) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-values-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        simkit::testing::ReservedPort reserved;
        const int serverPort = reserved.port();
        HostFolder folder(appliances, {"Kitchen,[1,,,x,1", "Hall,[11"},
                          {"ServerPort=" + std::to_string(serverPort), "TCPDebug=abc", "PushDelay=40000",
                           "InsertModemCrLf=yes", "SlideASP0=\"pics,99999\""});

        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        EXPECT_TRUE(accepts(serverPort));
        host.writeLine(R"(hs.SetDeviceValue "[5",1 : hs.SetDeviceValue "[14",2)");
        EXPECT_TRUE(appliances.waitFor("kitchen", "/led.shtml?m1 ok mailled=on"));
        EXPECT_TRUE(appliances.waitFor("hall", "/led.shtml?t2 ok topled=blink"));
        EXPECT_EQ(host.terminate(), 0);

        const std::string log = folder.log();
        const std::string failed = "| dkvZephra | InitZephraUtilities  Line 0 ";
        const std::string main = ": dkvZephraUtilities.ini [Zephra Utilities] ";
        EXPECT_EQ(count(log, failed + "Type mismatch" + main + "TCPDebug=abc, 0 is used\n"), 1u) << log;
        EXPECT_EQ(count(log, failed + "Overflow" + main + "PushDelay=40000, 5 is used\n"), 1u) << log;
        EXPECT_EQ(count(log, failed + "Type mismatch" + main + "InsertModemCrLf=yes, 1 is used\n"), 1u) << log;
        EXPECT_EQ(count(log, failed + "Overflow" + main + "SlideASP0=pics,99999 (Secs), its default is used\n"), 1u)
            << log;
        const std::string kitchen = appliances.http("kitchen");
        EXPECT_EQ(
            count(log, "| dkvZephra | DefineZephras  Line 0 Type mismatch: dkvZephraUtilities.ini [Zephra Names] " +
                           kitchen.substr(0, kitchen.find(':')) + "/" + kitchen +
                           "=\"Kitchen,[1,,,x,1\" (Slide), 0 is used\n"),
            1u)
            << log;
        // Every failure of the reading says what failed.
        EXPECT_EQ(count(log, "InitZephraUtilities  Line"), 4u) << log;
    }
    std::filesystem::remove(simLog);
}

// Unit entries typed by hand that make no appliance or a different one than meant: a port alone
// after the "/" (the address meant "IP/IP:port") is named in the log and makes no appliance, so
// that its commands and queries go as for an appliance not configured; a comment after the
// closing quote is named with the field it went into.
TEST(SettingsFile, AnEntryThatMakesNoApplianceOrAnotherIsNamed) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-entries-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {});
        const std::string kitchen = appliances.http("kitchen");
        const std::string port = kitchen.substr(kitchen.find(':') + 1);
        const std::string hall = appliances.http("hall");
        const std::string hallKey = "127.0.0.3/" + hall;
        folder.write("Config/dkvZephraUtilities.ini", folder.read("Config/dkvZephraUtilities.ini") + "127.0.0.2/" +
                                                          port + "=\"Kitchen\"\r\n" + hallKey +
                                                          "=\"Hall,[1\" ; main screen\r\n");

        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        host.writeLine(R"(ZephraVolume "kitchen", 30)");
        host.writeLine(R"(? "<" & ZephraVolumeStatus("kitchen") & "|" & ZephraVolumeStatus("garage") & ">")");
        const std::optional<std::string> volumes = host.waitForLine("= <");
        ASSERT_TRUE(volumes);
        EXPECT_EQ(*volumes, "= <-1|-1>");  // neither is configured: no volume is known
        host.writeLine(R"(? "<" & ZephraNames & ">")");
        const std::optional<std::string> names = host.waitForLine("= <");
        ASSERT_TRUE(names);
        EXPECT_EQ(*names, "= <hall>");
        EXPECT_EQ(host.terminate(), 0);
        EXPECT_TRUE(appliances.matching("kitchen", "/volume.shtml").empty());

        const std::string log = folder.log();
        EXPECT_EQ(count(log, "| dkvZephra | Zephra Names: the entry \"127.0.0.2/" + port +
                                 "=Kitchen\" is not used: it names a port alone after \"/\", no computer (write it "
                                 "as 127.0.0.2/127.0.0.2:" +
                                 port + ")\n"),
                  1u)
            << log;
        EXPECT_EQ(count(log, "Appliance \"kitchen\" is not configured"), 1u) << log;
        EXPECT_EQ(count(log, "| dkvZephra | Zephra Names: the entry \"" + hallKey +
                                 "=Hall,[1 ; main screen\" has text after its closing quote (a comment?): it makes "
                                 "the appliance \"Hall\" and puts the text into its field ID: \"[1 ; main screen\"\n"),
                  1u)
            << log;
    }
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
