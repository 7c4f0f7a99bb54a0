#include "windows/Registry.h"

#include <gtest/gtest.h>

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
