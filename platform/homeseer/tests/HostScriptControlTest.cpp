// Host scripts in VBScript: lines and script files run against the host and the plug-in in
// one namespace, their errors reported with their place, time limits.

#include <gtest/gtest.h>

#include <chrono>

#include "homeseer/HostScriptControl.h"
#include "homeseer/testing/RecordingHost.h"
#include "homeseer/tests/FakePlugin.h"

namespace homeseer {
namespace {

class HostScripts : public ::testing::Test {
protected:
    HostScripts() { hs_->addPlugin("dkvZephra", plugin_); }

    std::optional<std::string> line(const std::string& text) { return script_.RunLine(text, "stdin", ++number_); }

    std::shared_ptr<RecordingHost> hs_ = std::make_shared<RecordingHost>();
    std::shared_ptr<testing::FakePlugin> plugin_ = std::make_shared<testing::FakePlugin>();
    std::vector<std::string> errors_;
    HostScriptControl script_{hs_, [this](const std::string& text) { errors_.push_back(text); }};
    int number_ = 0;
};

TEST_F(HostScripts, LinesCallThePluginBareOrThroughHsAndShareTheirNames) {
    // Before the plug-in is added only `hs` reaches it.
    line("Echo 1");
    line("hs.Plugin(\"dkvZephra\").Echo \"via hs\"");
    script_.AddPlugin("dkvZephra", plugin_);
    line("Echo \"a, \"\"b\"\"\", 2, , True");
    line("  dkvZephra.Echo(-2.5)\r");
    EXPECT_EQ(line("? Echo(\"x\", 3000000000)"), "x|3000000000");
    EXPECT_EQ(line("? hs.Plugin(\"DKVZEPHRA\").Echo()"), "");
    EXPECT_EQ(plugin_->calls, (std::vector<std::string>{"Echo via hs", "Echo a, \"b\"|2|(missing)|True", "Echo -2.5",
                                                        "Echo x|3000000000", "Echo "}));

    // Statements keep what they define for the lines after them; results print as the console shows them.
    EXPECT_EQ(line("x = 5"), std::nullopt);
    line("hs.WriteLog \"t\", x * 2");
    EXPECT_EQ(hs_->Log().back(), (RecordingHost::LogLine{"t", "10"}));
    hs_->NewDevice("Zephra Volume", "Q9");
    line("hs.SetDeviceValue \"Q9\", 70");
    EXPECT_EQ(hs_->DeviceValue("Q9"), 70);
    EXPECT_EQ(line("?hs.DeviceValue(\"Q9\") + x"), "75");
    EXPECT_EQ(line("? hs.isOn(\"A5\")"), "False");
    EXPECT_EQ(line("? hs"), "HSApplication");
    EXPECT_EQ(line("? Null"), "Null");
    EXPECT_EQ(line("? Array(1, 2)"), "Variant()");
    line("MsgBox \"x is \" & x");
    EXPECT_EQ(errors_.back(), "x is 5");
    errors_.pop_back();
    EXPECT_EQ(line("' a comment"), std::nullopt);
    EXPECT_EQ(line(""), std::nullopt);

    // Errors name the line and the column (from 1) and the next line runs.
    EXPECT_EQ(line("Echo \"not closed"), std::nullopt);
    line("hs.NoSuchMember 1");
    line("x = 1 : y = x / 0");
    line("? 1 +");
    line("If x Then");
    EXPECT_EQ(line("? x"), "1");
    EXPECT_EQ(errors_, (std::vector<std::string>{
                           "stdin line 1, column 1: Error 13: Type mismatch: 'Echo'",
                           "stdin line 18, column 6: Error 1033: Unterminated string constant",
                           "stdin line 19, column 1: Error 438: Object doesn't support this property or method",
                           "stdin line 20, column 9: Error 11: Division by zero",  // the statement that failed
                           "stdin line 21, column 6: Error 1023: Expected expression",
                           "stdin line 22, column 10: Error 1014: Expected 'End'",
                       }));
}

TEST_F(HostScripts, AScriptFileRunsItsTopLevelCodeAndKeepsWhatItDefines) {
    script_.AddPlugin("dkvZephra", plugin_);
    const char* text =
        "Option Explicit\r\n"
        "Class Room\r\n"
        "  Public Name, Level\r\n"
        "  Public Function Say(text) : Say = Echo(Name, text, Level) : End Function\r\n"
        "End Class\r\n"
        "Dim rooms, r, key\r\n"
        "Set rooms = CreateObject(\"Scripting.Dictionary\")\r\n"
        "For Each key In Array(\"kitchen\", \"den\")\r\n"
        "  Set r = New Room : r.Name = key : r.Level = Len(key) * 10\r\n"
        "  rooms.Add key, r\r\n"
        "Next\r\n"
        "On Error Resume Next\r\n"
        "hs.NoSuchMember\r\n"
        "hs.WriteLog \"script\", \"error \" & Err.Number & \": \" & Err.Description\r\n"
        "On Error Goto 0\r\n"
        "rooms(\"den\").Say \"Hello\"\r\n"
        "Sub Announce(text)\r\n"
        "  For Each key In rooms.Keys : rooms(key).Say text : Next\r\n"
        "End Sub\r\n";
    EXPECT_TRUE(script_.RunScript(text, "demo.vbs")) << ::testing::PrintToString(errors_);
    EXPECT_EQ(
        hs_->Log(),
        (std::vector<RecordingHost::LogLine>{{"script", "error 438: Object doesn't support this property or method"}}));
    // Its procedures and variables are there for the lines and events after it.
    line("Announce \"Bye\"");
    EXPECT_EQ(line("? rooms.Count & \" \" & TypeName(rooms(\"kitchen\"))"), "2 Room");
    EXPECT_EQ(plugin_->calls,
              (std::vector<std::string>{"Echo den|Hello|30", "Echo kitchen|Bye|70", "Echo den|Bye|30"}));
    EXPECT_TRUE(errors_.empty());

    // A syntax error anywhere runs nothing of the file; a run-time error stops it where it happens.
    EXPECT_FALSE(script_.RunScript("hs.WriteLog \"a\", \"b\"\r\nIf x Then\r\n  y = 1\r\nEnd Iff\r\n", "broken.vbs"));
    EXPECT_FALSE(script_.RunScript(
        "Dim z\r\nhs.WriteLog \"before\", \"1\"\r\n  z = \"a\" * 2\r\nhs.WriteLog \"after\", \"2\"\r\n", "fails.vbs"));
    EXPECT_EQ(errors_, (std::vector<std::string>{"broken.vbs line 4, column 5: Error 1012: Expected 'If'",
                                                 "fails.vbs line 3, column 3: Error 13: Type mismatch"}));
    ASSERT_EQ(hs_->Log().size(), 2u);  // "a" of the broken file never ran
    EXPECT_EQ(hs_->Log().back(), (RecordingHost::LogLine{"before", "1"}));
    EXPECT_TRUE(script_.RunScript("hs.WriteLog \"still\", \"here\"", "next.vbs"));
}

TEST_F(HostScripts, ALineStopsAfterAMinuteAScriptFileRunsOn) {
    // Each reading of the clock moves it on by a second.
    auto now = std::make_shared<std::chrono::steady_clock::time_point>();
    script_.setClock([now] { return *now += std::chrono::seconds(1); });
    line("Do : Loop");
    EXPECT_EQ(errors_,
              (std::vector<std::string>{"stdin line 1, column 1: Error -2147467260: The operation was canceled"}));
    EXPECT_TRUE(script_.RunScript("Dim i, n : For i = 1 To 100000 : n = n + 1 : Next", "long.vbs"));
    EXPECT_EQ(line("? n"), "100000");

    // Canceled (a host that is ending): the script running now and every later one stop.
    script_.canceller()();
    EXPECT_FALSE(script_.RunScript("Do : Loop", "spin.vbs"));
    EXPECT_EQ(errors_.back(), "spin.vbs line 1, column 1: Error -2147467260: The operation was canceled");
}

}  // namespace
}  // namespace homeseer
