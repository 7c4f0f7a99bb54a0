// The user script in zephra-host: "dkvZephra.txt" in the scripts folder, loaded by the
// plug-in's start-up with its "#include" files, includes first, a broken include reported
// in the host's log while the rest loads; an include that would leave the application folder is
// refused with a line that names it, and the error of the code that needed it is logged too.

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

// Each file notes that it was loaded, through a file the test reads. A comment that mentions
// the directive comes first: it is no directive, and the includes after it still load.
const char* const kUserScript =
    "' helpers come in through #include lines\r\n"
    "#INCLUDE \"notes.txt\"\r\n"
    "#include \"\\broken.txt\" ' the rest of this line stays\r\n"
    "Note \"main file loaded\"\r\n"
    "Sub Main(text)\r\n"
    "    Note \"Main \" & text\r\n"
    "End Sub\r\n";
const char* const kNotes =
    "Const NotesFile = \"\\Data\\user-script.txt\"\r\n"
    "Sub Note(text)\r\n"
    "    Dim fso, f\r\n"
    "    Set fso = CreateObject(\"Scripting.FileSystemObject\")\r\n"
    "    Set f = fso.OpenTextFile(NotesFile, 8, True)\r\n"
    "    f.WriteLine text\r\n"
    "    f.Close\r\n"
    "End Sub\r\n"
    "Note \"notes loaded\"\r\n";
const char* const kBroken = "Sub Broken(\r\n  x = \r\nEnd Sub\r\n";

TEST(UserScript, LoadsAtStartUpWithItsIncludesFirstAndReportsABrokenInclude) {
    std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-user-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen"});
        folder.write("Scripts/dkvZephra.txt", kUserScript);
        folder.write("Scripts/notes.txt", kNotes);
        folder.write("Scripts/broken.txt", kBroken);
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        EXPECT_EQ(folder.read("Data/user-script.txt"), "notes loaded\r\nmain file loaded\r\n");
        EXPECT_TRUE(holds(folder.log(),
                          "| dkvZephra | Error in script syntax Expected identifier / \\broken.txt "
                          "Expected identifier@ Line 1 col 11\n"))
            << folder.log();
        // The plug-in goes on serving after the script's error.
        host.writeLine("ZephraBacklight \"kitchen\", \"off\"");
        EXPECT_TRUE(appliances.waitFor("kitchen", "/scrOff.shtml ok backlight=off"));
        EXPECT_EQ(host.terminate(), 0);
    }
    std::filesystem::remove(simLog);
}

TEST(UserScript, AnIncludeFromOutsideTheApplicationFolderIsRefusedAndSaidSo) {
    std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-user-out-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen"});
        // Beside the application folder: a file the script may not reach.
        const std::filesystem::path outside =
            folder.path().parent_path() / ("helpers-" + std::to_string(getpid()) + ".txt");
        std::ofstream(outside, std::ios::binary) << "Function Helper()\r\n    Helper = \"outside\"\r\nEnd Function\r\n";
        const std::string include = "..\\..\\" + outside.filename().string();
        folder.write("Scripts/dkvZephra.txt", std::string(kNotes) + "#include \"" + include +
                                                  "\"\r\n"
                                                  "#include \"missing.txt\"\r\n"
                                                  "Note \"helper says \" & Helper()\r\n"
                                                  "Note \"main file loaded\"\r\n");
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        host.writeLine(R"(? "<done>")");
        ASSERT_TRUE(host.waitForLine("= <done>"));
        const std::string log = folder.log();
        EXPECT_TRUE(holds(
            log, "| dkvZephra | Script include refused, it leads out of the application folder: " + include + "\n"))
            << log;
        // The code after it fails where it calls what the file would have defined, and says so.
        EXPECT_TRUE(holds(log, "| dkvZephra | Error in script syntax ")) << log;
        EXPECT_TRUE(holds(log, "'Helper'")) << log;
        // A missing include is still skipped without a word.
        EXPECT_FALSE(holds(log, "missing.txt")) << log;
        EXPECT_EQ(folder.read("Data/user-script.txt"), "notes loaded\r\n");
        EXPECT_EQ(host.terminate(), 0);
        std::filesystem::remove(outside);
    }
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
