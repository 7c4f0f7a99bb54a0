#include "homeseer/IniStore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "windows/testing/ErrorNumber.h"
#include "windows/testing/TempAppFolder.h"

namespace homeseer {
namespace {

using windows::testing::errorNumber;
using windows::testing::TempAppFolder;
using namespace std::string_literals;

constexpr const char* kIni = "dkvZephraUtilities.ini";

TEST(IniStore, AMissingFileOrKeyGivesTheDefault) {
    TempAppFolder app;
    IniStore ini;
    EXPECT_EQ(ini.Get("Zephra Utilities", "PushDelay", "5", kIni), "5");
    EXPECT_EQ(ini.Section("Zephra Names", kIni), "");
    ini.Clear("Zephra Names", kIni);
    EXPECT_FALSE(std::filesystem::exists(app.path() / "Config"));
    app.write("Config/dkvZephraUtilities.ini", "[Zephra Utilities]\r\nDebugLog=1\r\n");
    EXPECT_EQ(ini.Get("Zephra Utilities", "PushDelay", "5", kIni), "5");
    EXPECT_EQ(ini.Get("T2W", "T2WVoice", "Microsoft Mary", kIni), "Microsoft Mary");
}

TEST(IniStore, MissingEmptyUnreadableAndDamagedFilesAreToldOnceNamingFileAndLine) {
    TempAppFolder app;
    IniStore ini;
    std::vector<std::string> told;
    ini.setNotice([&](const std::string& text) { told.push_back(text); }, {"settings.ini", kIni});
    EXPECT_EQ(ini.Get("Zephra Utilities", "PushDelay", "5", kIni), "5");
    EXPECT_EQ(ini.Get("Zephra Utilities", "DebugLog", "0", kIni), "0");  // told once, not per setting
    EXPECT_EQ(ini.Get("Other", "x", "d", "other.ini"), "d");             // not one the host expects
    ASSERT_EQ(told, (std::vector<std::string>{"The settings file Config\\dkvZephraUtilities.ini is missing: every "
                                              "setting in it takes its default"}));

    app.write("Config/settings.ini", "");
    EXPECT_EQ(ini.Get("Settings", "svrport", "81", ""), "81");
    EXPECT_EQ(told.back(), "The settings file Config\\settings.ini is empty: every setting in it takes its default");

    // Damaged lines: random bytes, a NUL and a control character in a unit entry; the rest reads.
    told.clear();
    app.write("Config/dkvZephraUtilities.ini",
              "[Zephra Utilities]\r\n; a comment\r\nPushDelay=7\r\n\x8f\xa3\xf1\r\n"
              "[Zephra Names]\r\n127.0.0.2/k=\"Kitchen\"\r\n127.0.0.3/h=\"Ha\x01ll\"\r\n"
              "Serve\0rPort=99\r\n\r\n"s);
    EXPECT_EQ(ini.Get("Zephra Utilities", "PushDelay", "5", kIni), "7");
    EXPECT_EQ(ini.Section("Zephra Names", kIni), "127.0.0.2/k=\"Kitchen\"");
    EXPECT_EQ(told, (std::vector<std::string>{
                        "The settings file Config\\dkvZephraUtilities.ini has a damaged line 4 (not a section or an "
                        "entry, or holding a control character): it is not read",
                        "The settings file Config\\dkvZephraUtilities.ini has a damaged line 7 (not a section or an "
                        "entry, or holding a control character): it is not read",
                        "The settings file Config\\dkvZephraUtilities.ini has a damaged line 8 (not a section or an "
                        "entry, or holding a control character): it is not read"}));
    // A save keeps the damaged lines and tells them no more; the same in another file is told too.
    ini.Save("Zephra Utilities", "PushDelay", "8", kIni);
    EXPECT_EQ(ini.Get("Zephra Utilities", "PushDelay", "5", kIni), "8");
    EXPECT_EQ(told.size(), 3u);
    app.write("Config/other.ini", "[a]\r\nbroken\r\n");
    EXPECT_EQ(ini.Get("a", "b", "", "other.ini"), "");
    EXPECT_EQ(told.back(),
              "The settings file Config\\other.ini has a damaged line 2 (not a section or an entry, or "
              "holding a control character): it is not read");

    // A file that cannot be read (here a folder in its place); a file of garbage is told in short.
    std::filesystem::remove(app.path() / "Config/settings.ini");
    std::filesystem::create_directory(app.path() / "Config/settings.ini");
    EXPECT_EQ(ini.Get("Settings", "svrport", "81", ""), "81");
    EXPECT_EQ(told.back(),
              "The settings file Config\\settings.ini cannot be read: every setting in it takes its default");
    told.clear();
    std::string garbage;
    for (int i = 0; i < 100; ++i) garbage += "junk\r\n";
    app.write("Config/garbage.ini", garbage);
    ini.Get("a", "b", "", "garbage.ini");
    ASSERT_EQ(told.size(), 21u);
    EXPECT_EQ(told.back(), "The settings file Config\\garbage.ini has 80 more damaged lines");
}

TEST(IniStore, SavedSettingsAreWrittenInTheHostsFormat) {
    TempAppFolder app;
    IniStore ini;
    ini.Save("Zephra Utilities", "DebugLog", "\"1\"", kIni);
    ini.Save("Zephra Names", "10.0.0.5/den", "\"Den,~121,,,0,0,\"", kIni);
    ini.Save("zephra utilities", "DEBUGLOG", "\"0\"", kIni);
    EXPECT_EQ(app.read("Config/dkvZephraUtilities.ini"),
              "[Zephra Utilities]\r\nDebugLog=\"0\"\r\n[Zephra Names]\r\n10.0.0.5/den=\"Den,~121,,,0,0,\"\r\n");
    EXPECT_EQ(ini.Get("ZEPHRA UTILITIES", "debuglog", "", "DKVZEPHRAUTILITIES.INI"), "\"0\"");
}

TEST(IniStore, FilesAreFoundWithoutRegardToCase) {
    TempAppFolder app;
    app.write("config/SETTINGS.INI", "[Settings]\r\nsvrport=8081\r\n");
    IniStore ini;
    EXPECT_EQ(ini.Get("settings", "SvrPort", "81", "settings.ini"), "8081");
    ini.Save("Settings", "gPassword", "x", "settings.ini");
    EXPECT_EQ(app.read("config/SETTINGS.INI"), "[Settings]\r\nsvrport=8081\r\ngPassword=x\r\n");
}

// Pages read the host's own settings ("BODY_OnLoad", "auto_refresh") without naming the file.
TEST(IniStore, AnEmptyFileNameIsTheHostsOwnSettings) {
    TempAppFolder app;
    app.write("Config/Settings.INI", "[Settings]\r\nsvrport=8081\r\nBODY_OnLoad=start()\r\n");
    IniStore ini;
    EXPECT_EQ(ini.Get("settings", "body_onload", "", ""), "start()");
    EXPECT_EQ(ini.Get("Settings", "auto_refresh", "none", ""), "none");
    ini.Save("Settings", "auto_refresh", "30", "");
    EXPECT_EQ(app.read("Config/Settings.INI"),
              "[Settings]\r\nsvrport=8081\r\nBODY_OnLoad=start()\r\nauto_refresh=30\r\n");
    EXPECT_EQ(ini.Get("Settings", "auto_refresh", "", "settings.ini"), "30");
    EXPECT_EQ(errorNumber([&] { ini.Clear("Settings", ""); }), 52);
    EXPECT_EQ(app.read("Config/Settings.INI").size(), 64u);  // the section is kept
}

TEST(IniStore, SectionsAreHandedOutJoinedByNul) {
    TempAppFolder app;
    app.write("Config/dkvZephraUtilities.ini",
              "[Zephra Names]\r\n192.168.0.20/kitchenpc=\"Kitchen,~11,A3,A4,1,1,\"\r\n; a comment\r\n"
              "10.0.0.5 = Den\r\n[Received]\r\nk=v\r\n");
    IniStore ini;
    EXPECT_EQ(ini.Section("zephra names", kIni),
              "192.168.0.20/kitchenpc=\"Kitchen,~11,A3,A4,1,1,\"\0"s
              "10.0.0.5= Den");
    ini.Clear("ZEPHRA NAMES", kIni);
    EXPECT_EQ(ini.Section("Zephra Names", kIni), "");
    EXPECT_EQ(ini.Section("Received", kIni), "k=v");
}

TEST(IniStore, ADamagedFileReadsAndKeepsItsBytes) {
    TempAppFolder app;
    std::string garbage =
        "\x7f"
        "ELF\x02\x01\x01\0\0\0\n\xff\xd8\xff\xe0\0\x10JFIF=\0\n"s;
    app.write("Config/dkvZephraUtilities.ini", garbage + "[Zephra Utilities]\nServerPort=8080\n\x01\x02\n");
    IniStore ini;
    EXPECT_EQ(ini.Get("Zephra Utilities", "ServerPort", "", kIni), "8080");
    EXPECT_EQ(ini.Section("Zephra Utilities", kIni), "ServerPort=8080");
    ini.Save("Zephra Utilities", "TCPDebug", "0", kIni);
    std::string text = app.read("Config/dkvZephraUtilities.ini");
    const std::string kept =
        "\x7f"
        "ELF\x02\x01\x01\0\0\0\r\n\xff\xd8\xff\xe0\0\x10JFIF=\0\r\n[Zephra Utilities]\r\n"s;
    EXPECT_EQ(text.substr(0, kept.size()), kept);
    EXPECT_EQ(ini.Get("Zephra Utilities", "TCPDebug", "", kIni), "0");
}

TEST(IniStore, BadNamesAndValuesAreRefusedAndLoseNothing) {
    TempAppFolder app;
    IniStore ini;
    ini.Save("Zephra Utilities", "HomeseerIP", "192.168.0.1", kIni);
    std::string before = app.read("Config/dkvZephraUtilities.ini");
    EXPECT_EQ(errorNumber([&] { ini.Save("Zephra Utilities", "HomeseerIP", "x\r\nDebugLog=1", kIni); }), 5);
    EXPECT_EQ(errorNumber([&] { ini.Get("S", "k", "", "..\\..\\etc\\passwd"); }), 52);
    EXPECT_EQ(errorNumber([&] { ini.Save("S", "k", "v", "sub/x.ini"); }), 52);
    EXPECT_EQ(errorNumber([&] { ini.Section("S", ""); }), 52);
    EXPECT_EQ(app.read("Config/dkvZephraUtilities.ini"), before);
}

// A section replaced within a batch: cleared and refilled in the one write of the file, or not at
// all when an entry of the batch cannot be stored.
TEST(IniStore, ASectionIsReplacedInTheBatchsOneWrite) {
    TempAppFolder app;
    IniStore ini;
    app.write("Config/dkvZephraUtilities.ini", "[Received]\r\na~b=A;1\r\nc~d=C;\r\n[STATUS]\r\nShowStatus=2\r\n");
    const std::string before = app.read("Config/dkvZephraUtilities.ini");
    EXPECT_EQ(
        errorNumber([&] {
            ini.SaveAll({{"Received", "", "", true}, {"Received", "e~f", "E;"}, {"STATUS", "ShowStatus", "1\n"}}, kIni);
        }),
        5);
    EXPECT_EQ(app.read("Config/dkvZephraUtilities.ini"), before);
    ini.SaveAll({{"Received", "", "", true}, {"Received", "e~f", "E;"}, {"STATUS", "ShowStatus", "1"}}, kIni);
    EXPECT_EQ(app.read("Config/dkvZephraUtilities.ini"), "[Received]\r\ne~f=E;\r\n[STATUS]\r\nShowStatus=1\r\n");
}

// A settings file is parsed once and kept until it changes on disk: an edit that keeps its size
// and time is not seen (no program makes one), any other is.
TEST(IniStore, AFileIsParsedOnceAndReadAgainWhenItChanges) {
    TempAppFolder app;
    IniStore ini;
    std::string big = "[Zephra Utilities]\r\nDebugLog=1\r\n";
    for (int k = 0; k < 200000; ++k) big += "[Section " + std::to_string(k) + "]\r\n";
    const auto file = app.write("Config/dkvZephraUtilities.ini", big);
    const auto longAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(file, longAgo);
    for (int read = 0; read < 2000; ++read) ASSERT_EQ(ini.Get("Zephra Utilities", "DebugLog", "", kIni), "1");
    EXPECT_EQ(ini.Get("section 199999", "x", "none", kIni), "none");

    big.replace(big.find("DebugLog=1"), 10, "DebugLog=0");
    app.write("Config/dkvZephraUtilities.ini", big);
    std::filesystem::last_write_time(file, longAgo);
    EXPECT_EQ(ini.Get("Zephra Utilities", "DebugLog", "", kIni), "1");  // kept
    app.write("Config/dkvZephraUtilities.ini", "[Zephra Utilities]\r\nDebugLog=2\r\n");
    EXPECT_EQ(ini.Get("Zephra Utilities", "DebugLog", "", kIni), "2");
    ini.Save("Zephra Utilities", "PushDelay", "5", kIni);
    EXPECT_EQ(app.read("Config/dkvZephraUtilities.ini"), "[Zephra Utilities]\r\nDebugLog=2\r\nPushDelay=5\r\n");
}

}  // namespace
}  // namespace homeseer
