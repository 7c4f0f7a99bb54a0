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

}  // namespace
}  // namespace host_e2e
