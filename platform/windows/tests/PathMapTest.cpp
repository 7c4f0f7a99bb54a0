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

}  // namespace
}  // namespace windows
