#include "windows/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "windows/testing/ErrorNumber.h"
#include "windows/testing/TempAppFolder.h"

namespace windows {
namespace {

using testing::errorNumber;
using testing::TempAppFolder;

TEST(IniFile, AnOversizedFileIsReadInPartAndNeverRewritten) {
    TempAppFolder app;
    std::string text = "[Options]\nLocalPort=4551\n";
    while (text.size() <= 17u * 1024 * 1024)
        text += "padding line that makes the file far larger than any settings file\n";
    auto file = app.write("huge.ini", text);
    EXPECT_EQ(ReadIniFile(file).Get("Options", "LocalPort"), "4551");
    EXPECT_EQ(errorNumber([&] { ReadIniFileForUpdate(file); }), 75);
    EXPECT_EQ(std::filesystem::file_size(file), text.size());
}

TEST(IniFile, WritingMakesTheFoldersAndReplacesTheFileWhole) {
    TempAppFolder app;
    auto file = app.path() / "Config" / "new.ini";
    IniDocument document;
    document.Set("Settings", "svrport", "81");
    WriteIniFile(file, document);
    EXPECT_EQ(app.read("Config/new.ini"), "[Settings]\r\nsvrport=81\r\n");
    EXPECT_FALSE(std::filesystem::exists(app.path() / "Config" / "new.ini.new"));
    EXPECT_EQ(ReadIniFile(app.path() / "Config" / "missing.ini").Text(), "");
}

}  // namespace
}  // namespace windows
