#include "core/LogWriter.h"
#include "forms/Loop.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "homeseer/testing/RecordingHost.h"
#include "vb/Err.h"
#include "windows/FileErrors.h"
#include "windows/testing/ErrorNumber.h"
#include "windows/testing/TempAppFolder.h"

namespace zephra {
namespace {

using homeseer::RecordingHost;
using windows::testing::errorNumber;
using windows::testing::TempAppFolder;
using Line = RecordingHost::LogLine;

class LogWriterTest : public ::testing::Test {
protected:
    void SetUp() override { vb::Err().Clear(); }
    void TearDown() override { vb::Err().Clear(); }
    RecordingHost hs;
};

TEST_F(LogWriterTest, WithoutAPendingErrorTheMessageIsLoggedUnchanged) {
    WriteLog(hs, "dkvZephra", "Startup Initialization Complete");
    WriteLog(hs, "dkvZephra Debug kitchen", "Send=AT#CID=1");
    EXPECT_EQ(hs.Log(), (std::vector<Line>{{"dkvZephra", "Startup Initialization Complete"},
                                           {"dkvZephra Debug kitchen", "Send=AT#CID=1"}}));
}

TEST_F(LogWriterTest, APendingErrorIsAppendedOnceAndCleared) {
    vb::Err().set(vb::Error(5, "Invalid procedure call or argument", "", 40));
    WriteLog(hs, "dkvZephra", "SetVoice");
    EXPECT_EQ(vb::Err().Number, 0);
    WriteLog(hs, "dkvZephra", "SetVoice");
    EXPECT_EQ(hs.Log(), (std::vector<Line>{{"dkvZephra", "SetVoice Line 40 Invalid procedure call or argument"},
                                           {"dkvZephra", "SetVoice"}}));
}

TEST_F(LogWriterTest, AFailedStepOfAHandlerIsLoggedWithItsLine) {
    bool done = vb::Try([] { throw windows::FileNotFound(); }, 12);
    EXPECT_FALSE(done);
    WriteLog(hs, "dkvZephra", "ComputeWavTime for a.wav ");
    vb::Try([] { throw windows::PathNotFound(); });
    WriteLog(hs, "dkvZephra kitchen", "InitZephraUtilities ");
    EXPECT_EQ(hs.Log(), (std::vector<Line>{{"dkvZephra", "ComputeWavTime for a.wav  Line 12 File not found"},
                                           {"dkvZephra kitchen", "InitZephraUtilities  Line 0 Path not found"}}));
}

TEST_F(LogWriterTest, AFailingHostCallRaisesAndTheErrorIsStillConsumed) {
    vb::Err().set(vb::Error(53, "File not found", "", 7));
    hs.FailNext("Writelog", vb::Error(438, "Object doesn't support this property or method"));
    EXPECT_EQ(errorNumber([&] { WriteLog(hs, "dkvZephra", "TextToWavFile"); }), 438);
    EXPECT_EQ(vb::Err().Number, 0);
    EXPECT_EQ(hs.Log(), (std::vector<Line>{{"dkvZephra", "TextToWavFile Line 7 File not found"}}));
}

TEST_F(LogWriterTest, TheStartUpLogMakesItsFoldersAndAppendsOneLinePerCall) {
    TempAppFolder app;
    forms::Loop loop(forms::Loop::ClockKind::Manual);
    using namespace std::chrono;
    loop.setLocalNow(local_days{2026y / 12 / 8} + hours{19} + minutes{37} + seconds{12});
    WriteStartupLog(hs, "InitUtilities", "170");
    loop.advance(hours{5});
    WriteStartupLog(hs, "InitUtilities", "170");
    ASSERT_TRUE(std::filesystem::is_directory(app.path() / "Data" / "dkvZephra"));
    EXPECT_EQ(app.read("Data/dkvZephra/StartupLog.txt"),
              "12/8/2026 7:37:12 PM | InitUtilities | 170\r\n"
              "12/9/2026 12:37:12 AM | InitUtilities | 170\r\n");
}

TEST_F(LogWriterTest, TheStartUpLogFindsExistingFoldersWithoutRegardToCaseAndRaisesItsFailures) {
    TempAppFolder app;
    app.write("DATA/DKVZEPHRA/startuplog.TXT", "earlier\r\n");
    WriteStartupLog(hs, "InitUtilities", "170");
    std::string text = app.read("DATA/DKVZEPHRA/startuplog.TXT");
    EXPECT_EQ(text.substr(0, 9), "earlier\r\n");
    EXPECT_NE(text.find(" | InitUtilities | 170\r\n"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(app.path() / "Data"));

    TempAppFolder blocked;
    blocked.write("Data", "a file where the folder belongs");
    EXPECT_EQ(errorNumber([&] { WriteStartupLog(hs, "InitUtilities", "170"); }), 58);
}

}  // namespace
}  // namespace zephra
