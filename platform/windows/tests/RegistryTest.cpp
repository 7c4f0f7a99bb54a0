#include "windows/Registry.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "windows/testing/ErrorNumber.h"
#include "windows/testing/TempAppFolder.h"

namespace windows {
namespace {

using testing::errorNumber;
using testing::TempAppFolder;
using namespace std::string_literals;

TEST(Registry, SettingsPersistInTheUserFile) {
    TempAppFolder app;
    auto file = app.path() / "user" / "registry.ini";
    {
        Registry registry(file);
        registry.SaveSetting("Zephra", "Clients", "ClientMax", "2");
        registry.SaveSetting("Zephra", "Clients", "1", "192.168.0.20");
        registry.SaveSetting("Zephra", "Clients", "2", "-192.168.0.21");
        registry.SaveSetting("Zephra", "Options", "Debug", "True");
        registry.SaveSetting("Other", "Clients", "ClientMax", "9");
    }
    Registry reopened(file);
    EXPECT_EQ(reopened.GetSetting("zephra", "CLIENTS", "clientmax", "0"), "2");
    EXPECT_EQ(reopened.GetSetting("Zephra", "Clients", "2"), "-192.168.0.21");
    EXPECT_EQ(reopened.GetSetting("Zephra", "Options", "Debug", "False"), "True");
    EXPECT_EQ(reopened.GetSetting("Zephra", "Options", "RemotePort", "4550"), "4550");
    EXPECT_EQ(reopened.GetSetting("Other", "Clients", "ClientMax"), "9");
    EXPECT_EQ(reopened.GetSetting("", "Clients", "ClientMax", "d"), "d");

    reopened.SaveSetting("Zephra", "clients", "CLIENTMAX", "3");
    EXPECT_EQ(Registry(file).GetSetting("Zephra", "Clients", "ClientMax"), "3");
}

// The file is kept parsed: a change on disk is seen, one that keeps size, time and identity is not
// (it cannot happen to a file that no program writes within the same instant).
TEST(Registry, TheFileIsReadAgainOnlyWhenItChangedOnDisk) {
    TempAppFolder app;
    auto file = app.path() / "registry.ini";
    Registry registry(file);
    registry.SaveSettings("Zephra", "Clients", {{"ClientMax", "2"}, {"1", "10.0.0.1"}, {"2", "10.0.0.2"}});
    EXPECT_EQ(
        registry.GetAllSettings("zephra", "clients"),
        (std::vector<std::pair<std::string, std::string>>{{"ClientMax", "2"}, {"1", "10.0.0.1"}, {"2", "10.0.0.2"}}));
    EXPECT_EQ(errorNumber([&] { registry.SaveSettings("Zephra", "Clients", {{"1", "x"}, {"2", "a\nb"}}); }), 5);
    EXPECT_EQ(registry.GetSetting("Zephra", "Clients", "1"), "10.0.0.1");

    auto rewrite = [&](const std::string& text) { std::ofstream(file, std::ios::binary | std::ios::trunc) << text; };
    const auto longAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    rewrite("[Zephra\\Clients]\r\nClientMax=2\r\n");
    std::filesystem::last_write_time(file, longAgo);
    EXPECT_EQ(registry.GetSetting("Zephra", "Clients", "1", "none"), "none");
    rewrite("[Zephra\\Clients]\r\nClientMax=3\r\n");
    std::filesystem::last_write_time(file, longAgo);
    EXPECT_EQ(registry.GetSetting("Zephra", "Clients", "ClientMax"), "2");  // kept: not read again
    rewrite("[Zephra\\Clients]\r\nClientMax=12\r\n");
    EXPECT_EQ(registry.GetSetting("Zephra", "Clients", "ClientMax"), "12");
    // Within the coarse time of the file system the text itself is compared.
    rewrite("[Zephra\\Clients]\r\nClientMax=13\r\n");
    EXPECT_EQ(registry.GetSetting("Zephra", "Clients", "ClientMax"), "13");
    std::filesystem::remove(file);
    EXPECT_EQ(registry.GetSetting("Zephra", "Clients", "ClientMax", "gone"), "gone");
}

TEST(Registry, DeletingAKeyOrASection) {
    TempAppFolder app;
    Registry registry(app.path() / "registry.ini");
    registry.SaveSetting("Zephra", "Clients", "1", "10.0.0.1");
    registry.SaveSetting("Zephra", "Clients", "2", "10.0.0.2");
    registry.SaveSetting("Zephra", "Options", "Debug", "False");
    registry.DeleteSetting("zephra", "clients", "1");
    EXPECT_EQ(registry.GetSetting("Zephra", "Clients", "1", "gone"), "gone");
    EXPECT_EQ(registry.GetSetting("Zephra", "Clients", "2"), "10.0.0.2");
    registry.DeleteSetting("Zephra", "Clients");
    EXPECT_EQ(registry.GetSetting("Zephra", "Clients", "2", "gone"), "gone");
    EXPECT_EQ(registry.GetSetting("Zephra", "Options", "Debug"), "False");
    EXPECT_EQ(errorNumber([&] { registry.DeleteSetting("Zephra", "Clients"); }), 5);
    EXPECT_EQ(errorNumber([&] { registry.DeleteSetting("Zephra", "Options", "None"); }), 5);
    EXPECT_EQ(errorNumber([&] { registry.SaveSetting("Zephra", "Options", "Debug", "a\nb"); }), 5);
}

TEST(Registry, ADamagedFileStillReads) {
    TempAppFolder app;
    auto file = app.write("registry.ini", "\xff\xfe\x00\x01\n[Zephra\\Options]\n\x00\x00\nLocalPort=4551\n"s);
    Registry registry(file);
    EXPECT_EQ(registry.GetSetting("Zephra", "Options", "LocalPort", "4550"), "4551");
    registry.SaveSetting("Zephra", "Options", "RemotePort", "4552");
    EXPECT_EQ(registry.GetSetting("Zephra", "Options", "RemotePort"), "4552");
    EXPECT_EQ(registry.GetSetting("Zephra", "Options", "LocalPort"), "4551");
}

}  // namespace
}  // namespace windows
