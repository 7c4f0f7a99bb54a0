#include "homeseer/testing/RecordingHost.h"

#include <gtest/gtest.h>

#include "windows/testing/ErrorNumber.h"

namespace homeseer {
namespace {

using windows::testing::errorNumber;
using Call = RecordingHost::Call;

TEST(RecordingHost, RecordsEveryCallInOrderAndAnswersScriptedSettings) {
    RecordingHost hs;
    hs.SetIniText("dkvZephraUtilities.ini", "[T2W]\r\nT2WVoice=\"English (America)\"\r\n");
    hs.SetAppPath("C:\\Program Files\\HomeSeer");
    Host& host = hs;
    EXPECT_EQ(host.GetIniSetting("t2w", "T2WVOICE", "Microsoft Mary", "DKVZEPHRAUTILITIES.INI"),
              "\"English (America)\"");
    host.SaveIniSetting("Zephra Names", "10.0.0.5", "Den", "dkvZephraUtilities.ini");
    host.Writelog("dkvZephra", "InitHW ");
    EXPECT_EQ(host.GetAppPath(), "C:\\Program Files\\HomeSeer");
    EXPECT_EQ(host.GetINISection("zephra names", "dkvZephraUtilities.ini"), "10.0.0.5=Den");

    EXPECT_EQ(hs.Calls(), (std::vector<Call>{
                              {"GetIniSetting", {"t2w", "T2WVOICE", "Microsoft Mary", "DKVZEPHRAUTILITIES.INI"}},
                              {"SaveIniSetting", {"Zephra Names", "10.0.0.5", "Den", "dkvZephraUtilities.ini"}},
                              {"Writelog", {"dkvZephra", "InitHW "}},
                              {"GetAppPath", {}},
                              {"GetINISection", {"zephra names", "dkvZephraUtilities.ini"}},
                          }));
    EXPECT_EQ(hs.Log(), (std::vector<RecordingHost::LogLine>{{"dkvZephra", "InitHW "}}));
    EXPECT_EQ(hs.IniText("dkvzephrautilities.ini"),
              "[T2W]\r\nT2WVoice=\"English (America)\"\r\n[Zephra Names]\r\n10.0.0.5=Den\r\n");
}

TEST(RecordingHost, AScriptedFailureRaisesOnceAfterBeingRecorded) {
    RecordingHost hs;
    hs.FailNext("Writelog", vb::Error(70, "Permission denied"));
    EXPECT_EQ(errorNumber([&] { hs.Writelog("dkvZephra", "one"); }), 70);
    hs.Writelog("dkvZephra", "two");
    EXPECT_EQ(hs.Log().size(), 2u);
    EXPECT_EQ(hs.Version(), "2.5.0.81");
}

}  // namespace
}  // namespace homeseer
