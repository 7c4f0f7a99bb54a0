#include "windows/PathMap.h"

#include <gtest/gtest.h>

#include "windows/testing/ErrorNumber.h"
#include "windows/testing/TempAppFolder.h"
#include "windows/AppFolder.h"

namespace windows {
namespace {

using testing::errorNumber;
using testing::TempAppFolder;

TEST(PathMap, EveryWindowsFormLandsUnderTheApplicationFolder) {
    TempAppFolder app;
    auto want = app.path() / "HTML" / "ZephraTemp" / "a.wav";
    EXPECT_EQ(MapPath("C:\\HTML\\ZephraTemp\\a.wav").native, want);
    EXPECT_EQ(MapPath("d:/HTML/ZephraTemp/a.wav").native, want);
    EXPECT_EQ(MapPath("\\HTML\\ZephraTemp\\a.wav").native, want);
    EXPECT_EQ(MapPath("\\\\HTML\\ZephraTemp\\a.wav").native, want);
    EXPECT_EQ(MapPath("HTML\\ZephraTemp\\a.wav").native, want);
    EXPECT_EQ(MapPath(AppFolder() + "\\HTML\\ZephraTemp\\a.wav").native, want);
    EXPECT_EQ(MapPath(AppFolder() + "/HTML//ZephraTemp/./a.wav").native, want);
    EXPECT_EQ(MapPath("C:\\").native, app.path());
    EXPECT_EQ(MapPath(AppFolder()).native, app.path());
}

TEST(PathMap, WindowsFormKeepsTheRootAsWritten) {
    TempAppFolder app;
    EXPECT_EQ(MapPath("c:/HTML/a.txt").windows, "C:\\HTML\\a.txt");
    EXPECT_EQ(MapPath("\\HTML\\a.txt").windows, "\\HTML\\a.txt");
    EXPECT_EQ(MapPath("\\\\server\\share").windows, "\\\\server\\share");
    EXPECT_EQ(MapPath(AppFolder() + "\\HTML").windows, AppFolder() + "\\HTML");
    EXPECT_EQ(MapPath("Data\\x.txt").windows, AppFolder() + "\\Data\\x.txt");
    EXPECT_EQ(MapPath("C:\\").windows, "C:\\");
    EXPECT_EQ(MapPath("C:\\HTML\\a.txt").name, "a.txt");
}

TEST(PathMap, ExistingNamesAreFoundWithoutRegardToCase) {
    TempAppFolder app;
    auto file = app.write("HTML/ZephraTemp/Spoken.WAV", "x");
    MappedPath p = MapPath("c:\\html\\zephratemp\\spoken.wav");
    EXPECT_EQ(p.native, file);
    EXPECT_EQ(p.windows, "C:\\HTML\\ZephraTemp\\Spoken.WAV");
    // A missing tail keeps its spelling, below the folders that were found.
    EXPECT_EQ(MapPath("\\html\\New\\Name.txt").native, app.path() / "HTML" / "New" / "Name.txt");
}

TEST(PathMap, AnExactNameWinsOverOneDifferingInCase) {
    TempAppFolder app;
    app.write("Data/a.txt", "lower");
    app.write("Data/A.txt", "upper");
    app.write("Data/b.TXT", "");
    EXPECT_EQ(MapPath("\\Data\\A.txt").native.filename(), "A.txt");
    EXPECT_EQ(MapPath("\\Data\\a.txt").native.filename(), "a.txt");
    EXPECT_EQ(MapPath("\\data\\B.txt").native.filename(), "b.TXT");
}

TEST(PathMap, ClimbingOutOfTheApplicationFolderIsRefused) {
    TempAppFolder app;
    EXPECT_EQ(errorNumber([] { MapPath("..\\secret.txt"); }), 76);
    EXPECT_EQ(errorNumber([] { MapPath("HTML\\..\\..\\etc\\passwd"); }), 76);
    EXPECT_EQ(errorNumber([] { MapPath("../../etc/passwd"); }), 76);
    EXPECT_EQ(errorNumber([] { MapPath(AppFolder() + "\\..\\other"); }), 76);
    EXPECT_EQ(errorNumber([] { MapPath("C:\\..\\x"); }), 76);
    // ".." that stays inside is resolved.
    EXPECT_EQ(MapPath("HTML\\..\\Data\\x.txt").native, app.path() / "Data" / "x.txt");
    // A path that merely resembles the folder's is a Linux path of its own.
    EXPECT_EQ(MapPath(AppFolder() + "2\\x").native, std::filesystem::path(AppFolder() + "2") / "x");
}

TEST(PathMap, EmptyAndNulPathsAreRefused) {
    TempAppFolder app;
    EXPECT_EQ(errorNumber([] { MapPath(""); }), 5);
    EXPECT_EQ(errorNumber([] { MapPath(std::string("a\0b", 3)); }), 52);
}

TEST(PathMap, ALinuxPathIsTakenAsItStands) {
    TempAppFolder app;
    // A folder the user typed, a file name the plug-in added after a "\".
    EXPECT_EQ(MapPath("/home/me/friends\\Friends.txt").native, std::filesystem::path("/home/me/friends/Friends.txt"));
    EXPECT_EQ(MapPath("/home/me/friends\\Friends.txt").name, "Friends.txt");
    EXPECT_EQ(MapPath("/").native, std::filesystem::path("/"));
    // No name is looked up by case outside the application folder.
    EXPECT_EQ(MapPath("/TMP").native, std::filesystem::path("/TMP"));
    // Drive letters and "\" paths keep their mapping; the folder's own path keeps finding by case.
    auto file = app.write("Data/Friends.txt", "x");
    EXPECT_EQ(MapPath("C:\\Data\\friends.txt").native, file);
    EXPECT_EQ(MapPath("\\data\\friends.txt").native, file);
    EXPECT_EQ(MapPath(AppFolder() + "/data/FRIENDS.txt").native, file);
    EXPECT_EQ(MapPath(AppFolder() + "\\data\\FRIENDS.txt").native, file);
    // A file made through a Linux path lands there.
    EXPECT_EQ(MapPath(app.path().string() + "x/a.txt").native,
              std::filesystem::path(app.path().string() + "x") / "a.txt");
}

// The plug-in's texts are Windows-1252 ("caf\xE9"); names on this machine are UTF-8
// ("caf\xC3\xA9"): an existing name is found either way, a new one is made in UTF-8, and names
// read back from the disk come in the code page.
TEST(PathMap, CodePageNamesMeetUtf8NamesOnDisk) {
    TempAppFolder app;
    auto page = app.write("HTML/pages/caf\xC3\xA9.htm", "x");
    MappedPath p = MapPath("\\HTML\\pages\\caf\xE9.htm");
    EXPECT_EQ(p.native, page);
    EXPECT_EQ(p.windows, "\\HTML\\pages\\caf\xE9.htm");
    EXPECT_EQ(p.name, "caf\xE9.htm");
    // In another letter case, and asked for by its UTF-8 bytes.
    EXPECT_EQ(MapPath("C:\\html\\PAGES\\CAF\xE9.HTM").native, page);
    EXPECT_EQ(MapPath("C:\\html\\PAGES\\CAF\xE9.HTM").windows, "C:\\HTML\\pages\\caf\xE9.htm");
    EXPECT_EQ(MapPath("\\HTML\\pages\\caf\xC3\xA9.htm").native, page);
    // A folder of such a name on the way, and a new name below it.
    app.write("R\xC3\xA9sum\xC3\xA9s/a.txt", "x");
    EXPECT_EQ(MapPath("\\r\xE9sum\xE9s\\new \xE9t\xE9.txt").native,
              app.path() / "R\xC3\xA9sum\xC3\xA9s" / "new \xC3\xA9t\xC3\xA9.txt");
    EXPECT_EQ(MapPath("\\r\xE9sum\xE9s\\new \xE9t\xE9.txt").windows, "\\R\xE9sum\xE9s\\new \xE9t\xE9.txt");
    // A name on disk that is no UTF-8, or holds what the code page has not, is kept byte for byte.
    auto legacy = app.write("Data/old\xE9.txt", "x");
    EXPECT_EQ(MapPath("\\Data\\old\xE9.txt").native, legacy);
    EXPECT_EQ(TextName("old\xE9.txt"), "old\xE9.txt");
    EXPECT_EQ(TextName("\xE6\x97\xA5.txt"), "\xE6\x97\xA5.txt");
    EXPECT_EQ(TextName("\xE2\x82\xAC 5.txt"), "\x80 5.txt");
    EXPECT_EQ(DiskName("\x80 5.txt"), "\xE2\x82\xAC 5.txt");
    // Under a Linux path too, the folder's own UTF-8 name found by the text.
    const std::string outside = app.path().string() + "-fr";
    std::filesystem::create_directories(outside + " \xC3\xA9");
    EXPECT_EQ(MapPath(outside + " \xE9\\Friends.txt").native, std::filesystem::path(outside + " \xC3\xA9/Friends.txt"));
    EXPECT_EQ(MapPath(outside + " \xE9\\Friends.txt").windows, outside + " \xE9/Friends.txt");
    std::filesystem::remove_all(outside + " \xC3\xA9");
}

// A name holding a character the code page has not (an emoji) stays in its UTF-8 bytes: read
// from the disk so, it names a new file so too, not the UTF-8 of its bytes read as the code page.
TEST(PathMap, AUtf8NameOutsideTheCodePageIsMadeAsItIs) {
    TempAppFolder app;
    const std::string smile = "\xF0\x9F\x98\x80";
    app.write("HTML/ZephraTemp/.keep", "");
    EXPECT_EQ(DiskName(smile + ".jpg"), smile + ".jpg");
    EXPECT_EQ(MapPath("\\HTML\\ZephraTemp\\" + smile + ".jpg").native,
              app.path() / "HTML" / "ZephraTemp" / (smile + ".jpg"));
    EXPECT_EQ(TextName(DiskName(smile + " caf\xC3\xA9.jpg")), smile + " caf\xC3\xA9.jpg");
    // Bytes that are no UTF-8 are still the code page's.
    EXPECT_EQ(DiskName("\xF0\x9F.jpg"), "\xC3\xB0\xC5\xB8.jpg");
}

TEST(PathMap, LeavingTheApplicationFolderIsTold) {
    TempAppFolder app;
    EXPECT_TRUE(LeavesAppFolder("C:\\Scripts\\..\\..\\outside.txt"));
    EXPECT_TRUE(LeavesAppFolder(AppFolder() + "\\Scripts\\..\\..\\x.txt"));
    EXPECT_FALSE(LeavesAppFolder("C:\\Scripts\\..\\Data\\x.txt"));
    EXPECT_FALSE(LeavesAppFolder("C:\\Scripts\\missing.txt"));
    EXPECT_FALSE(LeavesAppFolder(""));
}

}  // namespace
}  // namespace windows
