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
    // A path that merely resembles the folder's is mapped under it.
    EXPECT_EQ(MapPath(AppFolder() + "2\\x").native, app.path() / (app.path().relative_path().string() + "2") / "x");
}

TEST(PathMap, EmptyAndNulPathsAreRefused) {
    TempAppFolder app;
    EXPECT_EQ(errorNumber([] { MapPath(""); }), 5);
    EXPECT_EQ(errorNumber([] { MapPath(std::string("a\0b", 3)); }), 52);
}

}  // namespace
}  // namespace windows
