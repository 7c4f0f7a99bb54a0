// The friends file of the caller-ID phone book, named in any letter case in its folder: found
// whether "FriendsLocation" is a Linux path or a Windows path in the application folder, and the
// caller's name taken from it; a folder whose name on disk is UTF-8 is found by the setting's
// Windows-1252 text.

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

// The caller-ID text the plug-in logs for a call on the host's phone line 1 from 555-123-4567.
std::string CallerLogged(const HostFolder& folder) {
    ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
    if (!host.waitForLine("zephra-host: dkvZephra ready")) return "(no start)";
    host.writeLine(R"(CreateObject("hsPhone.Application").IncomingCall 1, "5551234567", "WIRELESS CALLER")");
    host.writeLine(R"(hs.Plugin("dkvZephra").ZephraSendHspCID "")");
    host.writeLine(R"(? "<done>")");
    if (!host.waitForLine("= <done>")) return "(no answer)";
    host.terminate();
    const std::string log = folder.log();
    const std::string mark = "| dkvZephra | (555) 123-4567 : ";
    const std::size_t at = log.rfind(mark);
    if (at == std::string::npos) return "(not logged)";
    return log.substr(at + mark.size(), log.find('\n', at) - at - mark.size());
}

TEST(FriendsFile, IsFoundWithoutRegardToCaseUnderALinuxOrAWindowsPath) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-friends-" + std::to_string(getpid()) + ".log");
    const std::filesystem::path linuxFolder =
        std::filesystem::temp_directory_path() / ("host-e2e-fr2-" + std::to_string(getpid()));
    {
        Appliances appliances(simLog);
        std::filesystem::create_directories(linuxFolder);
        std::ofstream(linuxFolder / "friends.txt", std::ios::binary) << "5551234567\tAnn Linux\r\n";
        const Lines cid = {"LogCID=1", "BrowserCIDResponse=1", "UseHSPPhoneBook=1", "useFriends=1"};

        Lines linux = cid;
        linux.push_back("FriendsLocation=" + linuxFolder.string());
        HostFolder atLinux(appliances, {"Kitchen"}, linux);
        EXPECT_EQ(CallerLogged(atLinux), "Ann Linux") << atLinux.log();
        EXPECT_FALSE(holds(atLinux.log(), "found no friends file")) << atLinux.log();

        Lines windows = cid;
        windows.push_back("FriendsLocation=C:\\fr3");
        HostFolder atWindows(appliances, {"Kitchen"}, windows);
        atWindows.write("fr3/FRIENDS.TXT", "5551234567\tAnn Windows\r\n");
        EXPECT_EQ(CallerLogged(atWindows), "Ann Windows") << atWindows.log();
        EXPECT_FALSE(holds(atWindows.log(), "found no friends file")) << atWindows.log();

        // A folder without the file is still named once, as the file was looked for.
        std::filesystem::remove(linuxFolder / "friends.txt");
        EXPECT_EQ(CallerLogged(atLinux), "WIRELESS CALLER");
        EXPECT_TRUE(holds(atLinux.log(), "found no friends file at " + (linuxFolder / "Friends.txt").string()))
            << atLinux.log();
    }
    std::filesystem::remove_all(linuxFolder);
    std::filesystem::remove(simLog);
}

// "FriendsLocation" is kept in the settings file's code page: "fr \xE9" there is the folder that
// a Linux user made as "fr é" (UTF-8), under a Linux path and in the application folder alike.
TEST(FriendsFile, AFolderWithAnAccentedNameIsFound) {
    const std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-friends-accent-" + std::to_string(getpid()) + ".log");
    const std::string tag = std::to_string(getpid());
    const std::filesystem::path linuxFolder = std::filesystem::temp_directory_path() / ("fr \xC3\xA9-" + tag);
    {
        Appliances appliances(simLog);
        std::filesystem::create_directories(linuxFolder);
        std::ofstream(linuxFolder / "Friends.txt", std::ios::binary) << "5551234567\tAnn Accent\r\n";
        const Lines cid = {"LogCID=1", "BrowserCIDResponse=1", "UseHSPPhoneBook=1", "useFriends=1"};

        Lines linux = cid;
        linux.push_back("FriendsLocation=" + (std::filesystem::temp_directory_path() / ("fr \xE9-" + tag)).string() +
                        "/");
        HostFolder atLinux(appliances, {"Kitchen"}, linux);
        EXPECT_EQ(CallerLogged(atLinux), "Ann Accent") << atLinux.log();
        EXPECT_FALSE(holds(atLinux.log(), "found no friends file")) << atLinux.log();

        Lines windows = cid;
        windows.push_back("FriendsLocation=C:\\Caf\xE9\\");
        HostFolder atWindows(appliances, {"Kitchen"}, windows);
        atWindows.write("caf\xC3\xA9/friends.txt", "5551234567\tAnn Caf\xE9\r\n");
        EXPECT_EQ(CallerLogged(atWindows), "Ann Caf\xE9") << atWindows.log();
        EXPECT_FALSE(holds(atWindows.log(), "found no friends file")) << atWindows.log();

        // Without the file the folder is named as the setting spells it.
        std::filesystem::remove(linuxFolder / "Friends.txt");
        EXPECT_EQ(CallerLogged(atLinux), "WIRELESS CALLER");
        EXPECT_TRUE(holds(atLinux.log(), "found no friends file at " +
                                             (std::filesystem::temp_directory_path() / ("fr \xE9-" + tag)).string() +
                                             "/Friends.txt"))
            << atLinux.log();
    }
    std::filesystem::remove_all(linuxFolder);
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
