#include "windows/FileSystemObject.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "windows/testing/ErrorNumber.h"
#include "windows/testing/TempAppFolder.h"
#include "windows/AppFolder.h"

namespace windows {
namespace {

namespace fs = std::filesystem;
using testing::errorNumber;
using testing::TempAppFolder;

TEST(FileSystemObject, ExistenceIsAskedWithoutRegardToCaseAndNeverRaises) {
    TempAppFolder app;
    FileSystemObject fso;
    app.write("Scripts/dkvZephra.txt", "");
    EXPECT_TRUE(fso.FileExists(AppFolder() + "\\Scripts\\dkvzephra.TXT"));
    EXPECT_FALSE(fso.FileExists("\\Scripts"));
    EXPECT_TRUE(fso.FolderExists("C:\\SCRIPTS"));
    EXPECT_FALSE(fso.FolderExists("\\Scripts\\dkvZephra.txt"));
    EXPECT_FALSE(fso.FileExists(""));
    EXPECT_FALSE(fso.FileExists("..\\..\\etc\\passwd"));
    EXPECT_FALSE(fso.FolderExists("\\Missing"));
}

TEST(FileSystemObject, CreateFolderRaisesAsWindowsDoes) {
    TempAppFolder app;
    FileSystemObject fso;
    Folder data = fso.CreateFolder(AppFolder() + "\\Data");
    EXPECT_EQ(data.Path(), AppFolder() + "\\Data");
    EXPECT_TRUE(fs::is_directory(app.path() / "Data"));
    fso.CreateFolder(AppFolder() + "\\data\\dkvZephra");
    EXPECT_TRUE(fs::is_directory(app.path() / "Data" / "dkvZephra"));
    EXPECT_EQ(errorNumber([&] { fso.CreateFolder("\\DATA"); }), 58);
    EXPECT_EQ(errorNumber([&] { fso.CreateFolder("\\No\\Such"); }), 76);
    EXPECT_EQ(errorNumber([&] { fso.CreateFolder("..\\Outside"); }), 76);
}

TEST(FileSystemObject, CreateAndOpenTextFileRaiseAsWindowsDoes) {
    TempAppFolder app;
    FileSystemObject fso;
    app.write("Data/old.txt", "old text");
    EXPECT_EQ(errorNumber([&] { fso.CreateTextFile("\\Data\\OLD.txt", false); }), 58);
    EXPECT_EQ(app.read("Data/old.txt"), "old text");
    fso.CreateTextFile("\\Data\\OLD.txt")->Close();
    EXPECT_EQ(app.read("Data/old.txt"), "");
    EXPECT_EQ(errorNumber([&] { fso.CreateTextFile("\\Missing\\x.txt"); }), 76);
    EXPECT_EQ(errorNumber([&] { fso.CreateTextFile("\\Data"); }), 70);

    EXPECT_EQ(errorNumber([&] { fso.OpenTextFile("\\Data\\none.txt"); }), 53);
    EXPECT_EQ(errorNumber([&] { fso.OpenTextFile("\\Missing\\none.txt", ForAppending, true); }), 76);
    EXPECT_EQ(errorNumber([&] { fso.OpenTextFile("\\Data\\old.txt", 3); }), 5);
    fso.OpenTextFile("\\Data\\made.txt", ForAppending, true)->Write("x");
    EXPECT_EQ(app.read("Data/made.txt"), "x");
}

TEST(FileSystemObject, CopyFileIntoAFolderOrOverAFile) {
    TempAppFolder app;
    FileSystemObject fso;
    app.write("Sounds/Bell.wav", "RIFF bell");
    app.write("HTML/ZephraTemp/other.wav", "old");
    fso.CopyFile("\\sounds\\bell.WAV", "\\html\\zephratemp\\");
    EXPECT_EQ(app.read("HTML/ZephraTemp/Bell.wav"), "RIFF bell");
    fso.CopyFile("\\Sounds\\Bell.wav", "\\HTML\\ZephraTemp\\OTHER.wav");
    EXPECT_EQ(app.read("HTML/ZephraTemp/other.wav"), "RIFF bell");
    EXPECT_EQ(errorNumber([&] { fso.CopyFile("\\Sounds\\Bell.wav", "\\HTML\\ZephraTemp\\other.wav", false); }), 58);
    EXPECT_EQ(errorNumber([&] { fso.CopyFile("\\Sounds\\None.wav", "\\HTML\\x.wav"); }), 53);
    EXPECT_EQ(errorNumber([&] { fso.CopyFile("\\Sounds\\Bell.wav", "\\Nowhere\\"); }), 76);
    EXPECT_EQ(errorNumber([&] { fso.CopyFile("\\Sounds\\Bell.wav", "\\HTML"); }), 70);
}

TEST(FileSystemObject, GetFileReadsSizeAndDateFromDisk) {
    TempAppFolder app;
    FileSystemObject fso;
    auto native = app.write("HTML/ZephraTemp/ZephraTempFile1.wav", std::string(15667, 'x'));
    std::chrono::system_clock::time_point when =
        std::chrono::sys_days{std::chrono::year{2026} / 12 / 8} + std::chrono::hours{19} + std::chrono::minutes{37};
    fs::last_write_time(native, std::chrono::file_clock::from_sys(when));

    File f = fso.GetFile("\\html\\ZEPHRATEMP\\zephratempfile1.WAV");
    EXPECT_EQ(f.Name(), "ZephraTempFile1.wav");
    EXPECT_EQ(f.Path(), "\\HTML\\ZephraTemp\\ZephraTempFile1.wav");
    EXPECT_EQ(f.Size(), 15667);
    EXPECT_EQ(f.DateLastModified(), when);
    f.Delete();
    EXPECT_FALSE(fs::exists(native));
    EXPECT_EQ(errorNumber([&] { f.Size(); }), 53);
    EXPECT_EQ(errorNumber([&] { fso.GetFile("\\HTML\\ZephraTemp\\ZephraTempFile1.wav"); }), 53);
    EXPECT_EQ(errorNumber([&] { fso.DeleteFile("\\HTML\\ZephraTemp\\ZephraTempFile1.wav"); }), 53);
    EXPECT_EQ(errorNumber([&] { fso.DeleteFile("\\HTML\\ZephraTemp"); }), 53);
}

TEST(FileSystemObject, GetFolderListsFilesAndSubfoldersInWindowsOrder) {
    TempAppFolder app;
    FileSystemObject fso;
    app.write("HTML/Slides/b.jpg", "");
    app.write("HTML/Slides/A.gif", "");
    app.write("HTML/Slides/c.BMP", "");
    app.write("HTML/Slides/Zoo/z.jpg", "");
    app.write("HTML/Slides/autumn/x.jpg", "");
    fs::create_directory_symlink(app.path() / "HTML", app.path() / "HTML" / "Slides" / "loop");

    Folder slides = fso.GetFolder(AppFolder() + "\\html\\slides");
    EXPECT_EQ(slides.Name(), "Slides");
    EXPECT_EQ(slides.Path(), AppFolder() + "\\HTML\\Slides");
    std::vector<std::string> files, paths, folders;
    for (const File& f : slides.Files()) files.push_back(f.Name()), paths.push_back(f.Path());
    for (const Folder& f : slides.SubFolders()) folders.push_back(f.Name());
    EXPECT_EQ(files, (std::vector<std::string>{"A.gif", "b.jpg", "c.BMP"}));
    EXPECT_EQ(paths[0], AppFolder() + "\\HTML\\Slides\\A.gif");
    EXPECT_EQ(folders, (std::vector<std::string>{"autumn", "Zoo"}));  // the linked folder is left out
    EXPECT_EQ(slides.SubFolders()[1].Files()[0].Path(), AppFolder() + "\\HTML\\Slides\\Zoo\\z.jpg");
    EXPECT_EQ(errorNumber([&] { fso.GetFolder("\\HTML\\None"); }), 76);
    EXPECT_EQ(errorNumber([&] { fso.GetFolder("\\HTML\\Slides\\b.jpg"); }), 76);
}

TEST(FileSystemObject, ExtensionNamesAndBuiltPaths) {
    FileSystemObject fso;
    EXPECT_EQ(fso.GetExtensionName("C:\\HTML\\Slides\\photo.JPEG"), "JPEG");
    EXPECT_EQ(fso.GetExtensionName("archive.tar.gz"), "gz");
    EXPECT_EQ(fso.GetExtensionName("C:\\dir.d\\README"), "");
    EXPECT_EQ(fso.GetExtensionName("name."), "");
    EXPECT_EQ(fso.GetExtensionName(""), "");
    EXPECT_EQ(fso.BuildPath("C:\\HTML", "a.txt"), "C:\\HTML\\a.txt");
    EXPECT_EQ(fso.BuildPath("C:\\HTML\\", "a.txt"), "C:\\HTML\\a.txt");
    EXPECT_EQ(fso.BuildPath("C:\\HTML", "\\a.txt"), "C:\\HTML\\a.txt");
    EXPECT_EQ(fso.BuildPath("C:", "a.txt"), "C:a.txt");
    EXPECT_EQ(fso.BuildPath("", "a.txt"), "a.txt");
}

}  // namespace
}  // namespace windows
