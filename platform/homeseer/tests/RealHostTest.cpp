#include "homeseer/RealHost.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <sstream>

#include "windows/testing/TempAppFolder.h"
#include "windows/AppFolder.h"

namespace homeseer {
namespace {

using windows::testing::TempAppFolder;

// Log time stamps are local: the tests run in UTC.
class RealHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* tz = std::getenv("TZ");
        savedTz_ = tz ? std::optional<std::string>(tz) : std::nullopt;
        setenv("TZ", "UTC", 1);
        tzset();
    }
    void TearDown() override {
        if (savedTz_) setenv("TZ", savedTz_->c_str(), 1);
        else unsetenv("TZ");
        tzset();
    }
    static std::chrono::system_clock::time_point at(int h, int m, int s) {
        return std::chrono::sys_days{std::chrono::year{2026} / 12 / 8} + std::chrono::hours{h} +
               std::chrono::minutes{m} + std::chrono::seconds{s};
    }
    std::optional<std::string> savedTz_;
};

TEST_F(RealHostTest, LogLinesGoToTheConsoleAndTheLogFile) {
    TempAppFolder app;
    std::ostringstream console;
    auto now = at(19, 37, 12);
    RealHost hs(console, [&] { return now; });
    hs.Writelog("dkvZephra", "Startup Initialization Complete");
    now = at(19, 37, 13);
    hs.Writelog("dkvZephra Debug kitchen", "Send=AT#CID=1\r\n");
    const std::string expected =
        "2026-12-08 19:37:12 | dkvZephra | Startup Initialization Complete\n"
        "2026-12-08 19:37:13 | dkvZephra Debug kitchen | Send=AT#CID=1\\r\\n\n";
    EXPECT_EQ(console.str(), expected);
    EXPECT_EQ(app.read("Data/zephra-host.log"), expected);
}

TEST_F(RealHostTest, AnswersTheApplicationPathVersionAndSettings) {
    TempAppFolder app;
    std::ostringstream console;
    RealHost hs(console);
    EXPECT_EQ(hs.GetAppPath(), app.path().string());
    EXPECT_EQ(hs.Version(), "2.5.0.81");
    hs.SetVersion("1.7.44");
    EXPECT_EQ(hs.Version(), "1.7.44");
    hs.SaveIniSetting("Zephra Names", "10.0.0.5", "Den", "dkvZephraUtilities.ini");
    hs.SaveIniSetting("Zephra Names", "10.0.0.6", "Hall", "dkvZephraUtilities.ini");
    EXPECT_EQ(hs.GetIniSetting("zephra names", "10.0.0.6", "", "dkvzephrautilities.ini"), "Hall");
    EXPECT_EQ(hs.GetINISection("Zephra Names", "dkvZephraUtilities.ini"), std::string("10.0.0.5=Den\0"
                                                                                      "10.0.0.6=Hall",
                                                                                      26));
    hs.ClearINISection("Zephra Names", "dkvZephraUtilities.ini");
    EXPECT_EQ(hs.GetINISection("Zephra Names", "dkvZephraUtilities.ini"), "");
}

}  // namespace
}  // namespace homeseer
