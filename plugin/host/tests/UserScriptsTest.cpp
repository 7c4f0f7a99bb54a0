// The user script: real script files in a fresh application folder, the script queue on the
// manual clock.

#include "host/UserScripts.h"

#include <gtest/gtest.h>

#include "core/QueueTimer.h"
#include "core/tests/PluginTestBed.h"
#include "host/Script.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "windows/testing/ErrorNumber.h"

namespace zephra {
namespace {

using namespace std::chrono_literals;
using testing::PluginTestBed;
using Lines = std::vector<std::string>;

script::ScriptControl& Control(PluginTestBed& bed) { return *bed.state.QueueTimerForm().ScriptControl1; }

// An expression evaluated in module "Main".
std::string EvalMain(PluginTestBed& bed, const std::string& expression) {
    vb::Variant module(Control(bed).Modules(vb::Variant("Main")));
    return vb::CStr(std::static_pointer_cast<script::Module>(module.object())->Eval(expression));
}

// Files of the scripts folder.
void WriteScript(PluginTestBed& bed, const std::string& name, const std::string& text) {
    bed.app.write("Scripts/" + name, text);
}

// Every call of "Main" appends its text and ";" to `calls`.
constexpr const char* kRecordingMain =
    "Dim calls\r\n"
    "Sub Main(t)\r\n"
    "  calls = calls & t & \";\"\r\n"
    "End Sub\r\n";

TEST(UserScripts, IncludedFilesLoadFirstInEveryForm) {
    PluginTestBed bed;
    WriteScript(bed, "dkvZephra.txt",
                "#include \"first.txt\"\r\n"
                "order = order & \"main,\"\r\n"
                "#INCLUDE \"\\lib\\second.txt\" order = order & \"rest,\"\r\n"
                "#include \"missing.txt\"\r\n" +
                    std::string(kRecordingMain));
    WriteScript(bed, "first.txt", "#Include \" C:\\Shared\\drive.txt \"\r\norder = order & \"first,\"\r\n");
    WriteScript(bed, "lib/second.txt",
                "#include \"lib\\third.txt\"\r\n"
                "#include \"\\\\Shared\\unc.txt\"\r\n"
                "order = order & \"second,\"\r\n");
    WriteScript(bed, "lib/third.txt", "order = order & \"third,\"\r\n");
    // Includes are found from the scripts folder, never from the including file's folder;
    // a name with a drive letter or "\\" is used unchanged.
    WriteScript(bed, "lib/lib/third.txt", "order = order & \"wrong third,\"\r\n");
    WriteScript(bed, "Shared/drive.txt", "order = order & \"wrong drive,\"\r\n");
    bed.app.write("Shared/drive.txt", "order = order & \"drive,\"\r\n");
    bed.app.write("Shared/unc.txt", "order = order & \"unc,\"\r\n");

    RunScriptFile(bed.state);
    ASSERT_TRUE(bed.state.scripts.UserScript);
    EXPECT_EQ(EvalMain(bed, "order"), "drive,first,third,unc,second,main,rest,");
    EXPECT_EQ(bed.Log(), Lines{});  // the directives are not code, a missing include is skipped
    EXPECT_EQ(bed.state.scripts.UserScript->Filename(), "dkvZephra.txt");
    EXPECT_EQ(bed.state.scripts.UserScript->FileDate(), vb::DateSerial(1980, 1, 1));
    // The code went into module "Main", not the global one.
    EXPECT_EQ(windows::testing::errorNumber([&] { Control(bed).Eval("order"); }), 0);
    EXPECT_EQ(vb::CStr(Control(bed).Eval("order")), "");
}

TEST(UserScripts, QueuedTextsReachMainInOrderInOneTick) {
    PluginTestBed bed;
    WriteScript(bed, "dkvZephra.txt", kRecordingMain);
    RunScriptFile(bed.state);
    forms::Timer& timer = bed.state.QueueTimerForm().ScriptQueueTimer;
    EXPECT_FALSE(timer.Enabled());

    QueueScriptText(bed.state, "first");
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 5);
    QueueScriptText(bed.state, "second");
    QueueScriptText(bed.state, "third");
    EXPECT_EQ(EvalMain(bed, "calls"), "");  // nothing runs before the tick
    bed.loop.advance(5ms);
    EXPECT_EQ(EvalMain(bed, "calls"), "first;second;third;");
    EXPECT_TRUE(bed.state.scripts.ScriptQueue.empty());
    EXPECT_FALSE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 60000);

    // The next text starts the timer again at 5 ms.
    QueueScriptText(bed.state, "fourth");
    EXPECT_EQ(timer.Interval(), 5);
    bed.loop.advance(4ms);
    EXPECT_EQ(EvalMain(bed, "calls"), "first;second;third;");
    bed.loop.advance(1ms);
    EXPECT_EQ(EvalMain(bed, "calls"), "first;second;third;fourth;");
    EXPECT_EQ(bed.Log(), Lines{});
}

TEST(UserScripts, TextsWithNoScriptAreDropped) {
    PluginTestBed bed;
    RunScriptFile(bed.state);
    EXPECT_FALSE(bed.state.scripts.UserScript);
    QueueScriptText(bed.state, "lost");
    QueueScriptText(bed.state, "lost too");
    bed.loop.advance(5ms);
    EXPECT_TRUE(bed.state.scripts.ScriptQueue.empty());
    EXPECT_FALSE(bed.state.QueueTimerForm().ScriptQueueTimer.Enabled());

    // A script that has gone at the next load is dropped: its "Main" is not called.
    WriteScript(bed, "dkvZephra.txt", kRecordingMain);
    RunScriptFile(bed.state);
    QueueScriptText(bed.state, "kept");
    bed.loop.advance(5ms);
    std::filesystem::remove(bed.app.path() / "Scripts" / "dkvZephra.txt");
    RunScriptFile(bed.state);
    EXPECT_FALSE(bed.state.scripts.UserScript);
    QueueScriptText(bed.state, "dropped");
    bed.loop.advance(5ms);
    EXPECT_EQ(EvalMain(bed, "calls"), "kept;");
    EXPECT_EQ(bed.Log(), Lines{});
}

TEST(UserScripts, SyntaxErrorsAreLoggedPerFileAndTheLoadingGoesOn) {
    PluginTestBed bed;
    WriteScript(bed, "dkvZephra.txt",
                "#include \"bad.txt\"\r\n"
                "#include \"good.txt\"\r\n"
                "x = (1 + \r\n" +
                    std::string(kRecordingMain));
    WriteScript(bed, "bad.txt", "y = 1\r\nIf y Then\r\n");
    WriteScript(bed, "good.txt", "order = \"good\"\r\n");
    WriteScript(bed, "empty.txt", "");
    RunScriptFile(bed.state);
    EXPECT_EQ(bed.Log(), (Lines{
                             "dkvZephra|Error in script syntax Expected 'End' / bad.txt Expected 'End'@ Line 3 col 0",
                             "dkvZephra|Error in script syntax Expected expression / dkvZephra.txt Expected "
                             "expression@ Line 3 col 9",
                         }));
    EXPECT_EQ(EvalMain(bed, "order"), "good");
    EXPECT_EQ(vb::Err().Number, 0);
    EXPECT_EQ(Control(bed).lastError().Number, 0);

    // A file that cannot be read is logged with the pending error; the rest loads.
    bed.host->ClearCalls();
    WriteScript(bed, "dkvZephra.txt", "#include \"empty.txt\"\r\n" + std::string(kRecordingMain));
    RunScriptFile(bed.state);
    EXPECT_EQ(bed.Log(), Lines{"dkvZephra|Script-AccumulateReferences  Line 0 Input past end of file"});
    QueueScriptText(bed.state, "runs");
    bed.loop.advance(5ms);
    EXPECT_EQ(EvalMain(bed, "calls"), "runs;");
}

TEST(UserScripts, RunTimeErrorsOfMainAreLoggedAndTheQueueGoesOn) {
    PluginTestBed bed;
    WriteScript(bed, "dkvZephra.txt",
                "Dim calls\r\n"
                "Sub Main(t)\r\n"
                "  calls = calls & t & \";\"\r\n"
                "  If t = \"divide\" Then x = 1 / 0\r\n"
                "  If t = \"call\" Then NoSuchProcedure t\r\n"
                "  If t = \"spin\" Then\r\n"
                "    Do\r\n"
                "    Loop\r\n"
                "  End If\r\n"
                "End Sub\r\n");
    RunScriptFile(bed.state);
    // The control's time-out runs on its own clock: each reading moves it on by 1 ms.
    auto now = std::make_shared<std::chrono::steady_clock::time_point>();
    Control(bed).setClock([now] { return *now += 1ms; });
    for (const char* text : {"one", "divide", "two", "call", "spin", "three"}) QueueScriptText(bed.state, text);
    bed.loop.advance(5ms);
    EXPECT_EQ(EvalMain(bed, "calls"), "one;divide;two;call;spin;three;");
    EXPECT_EQ(bed.Log(), (Lines{
                             "dkvZephra|Script Run Error Division by zero / 11 - Division by zero@ Line 4 col 23",
                             "dkvZephra|Script Run Error Type mismatch: 'NoSuchProcedure' / 13 - Type mismatch: "
                             "'NoSuchProcedure'@ Line 5 col 21",
                             "dkvZephra|Script Run Error The operation was canceled / -2147467260 - The operation "
                             "was canceled@ Line 7 col 4",
                         }));
    EXPECT_EQ(vb::Err().Number, 0);
    EXPECT_EQ(Control(bed).lastError().Number, 0);

    // A result comes back; a script without "Main" fails each call with a log line.
    EXPECT_EQ(bed.state.scripts.UserScript->Run("Main", "direct").kind(), vb::VarKind::Empty);
    WriteScript(bed, "dkvZephra.txt", "Function Other(t) : Other = t & \"!\" : End Function\r\n");
    RunScriptFile(bed.state);
    EXPECT_EQ(vb::CStr(bed.state.scripts.UserScript->Run("Other", "back")), "back!");
    bed.host->ClearCalls();
    QueueScriptText(bed.state, "nowhere");
    bed.loop.advance(5ms);
    EXPECT_EQ(bed.Log(), Lines{"dkvZephra|Script Run Error Sub or Function not defined: 'Main' / 35 - Sub or "
                               "Function not defined: 'Main'@ Line 0 col 0"});
}

TEST(UserScripts, AFileAlreadyOnTheIncludeChainIsSkipped) {
    PluginTestBed bed;
    WriteScript(bed, "dkvZephra.txt",
                "#include \"a.txt\"\r\n"
                "#include \"b.txt\"\r\n"
                "#include \"DKVZEPHRA.TXT\"\r\n"
                "order = order & \"main,\"\r\n" +
                    std::string(kRecordingMain));
    WriteScript(bed, "a.txt", "#include \"b.txt\"\r\norder = order & \"a,\"\r\n");
    WriteScript(bed, "b.txt", "#include \"C:\\Scripts\\A.TXT\"\r\norder = order & \"b,\"\r\n");
    RunScriptFile(bed.state);
    // b.txt is on the chain only below a.txt; included again beside it, it loads again.
    EXPECT_EQ(EvalMain(bed, "order"), "b,a,a,b,main,");
    EXPECT_EQ(bed.Log(), (Lines{
                             "dkvZephra|Script include skipped, already being loaded: C:\\Scripts\\A.TXT",
                             "dkvZephra|Script include skipped, already being loaded: b.txt",
                             "dkvZephra|Script include skipped, already being loaded: DKVZEPHRA.TXT",
                         }));
}

TEST(UserScripts, ASecondLoadReplacesMain) {
    PluginTestBed bed;
    WriteScript(bed, "dkvZephra.txt",
                "Dim version : version = 1\r\n"
                "Function Old() : Old = 1 : End Function\r\n"
                "Dim calls\r\nSub Main(t) : calls = calls & \"v1:\" & t & \";\" : End Sub\r\n");
    RunScriptFile(bed.state);
    QueueScriptText(bed.state, "a");
    bed.loop.advance(5ms);
    EXPECT_EQ(EvalMain(bed, "calls"), "v1:a;");

    WriteScript(bed, "dkvZephra.txt", "Dim calls\r\nSub Main(t) : calls = calls & \"v2:\" & t & \";\" : End Sub\r\n");
    RunScriptFile(bed.state);
    QueueScriptText(bed.state, "b");
    bed.loop.advance(5ms);
    EXPECT_EQ(EvalMain(bed, "calls"), "v2:b;");  // the old module's variables went with it
    EXPECT_EQ(EvalMain(bed, "IsEmpty(version)"), "True");
    EXPECT_EQ(windows::testing::errorNumber([&] { EvalMain(bed, "Old()"); }), 13);
    EXPECT_EQ(vb::CLng(Control(bed).Modules()->call("Count", vb::PropertyGet, {})), 2);
    EXPECT_EQ(bed.Log(), Lines{});
}

// A comment that mentions the directive is no directive: the includes after it load and the
// script runs.
TEST(UserScripts, ACommentMentioningTheDirectiveIsPassedOver) {
    PluginTestBed bed;
    WriteScript(bed, "dkvZephra.txt",
                "' helpers come in through #include lines\r\n"
                "#include \"one.txt\"\r\n"
                "order = order & \"main,\" ' see #include above\r\n"
                "#include \"two.txt\"\r\n" +
                    std::string(kRecordingMain));
    WriteScript(bed, "one.txt", "order = order & \"one,\"\r\n");
    WriteScript(bed, "two.txt", "order = order & \"two,\"\r\n");
    RunScriptFile(bed.state);
    ASSERT_TRUE(bed.state.scripts.UserScript);
    EXPECT_EQ(EvalMain(bed, "order"), "one,two,main,");
    EXPECT_EQ(bed.Log(), Lines{});
}

TEST(UserScripts, AnUnterminatedIncludeStaysAndTheScanGoesOn) {
    PluginTestBed bed;
    WriteScript(bed, "dkvZephra.txt",
                "#include \"one.txt\"\r\n"
                "#include \"two.txt\r\n"
                "#include \"three.txt\"\r\n" +
                    std::string(kRecordingMain));
    WriteScript(bed, "one.txt", "order = order & \"one,\"\r\n");
    WriteScript(bed, "two.txt", "order = order & \"two,\"\r\n");
    WriteScript(bed, "three.txt", "order = order & \"three,\"\r\n");
    RunScriptFile(bed.state);
    EXPECT_EQ(EvalMain(bed, "order"), "one,three,");
    EXPECT_EQ(bed.Log(), Lines{"dkvZephra|Error in script syntax Syntax error / dkvZephra.txt Syntax error@ Line 2 "
                               "col 0"});

    // A directive with no quotes at all at the end of the file.
    bed.host->ClearCalls();
    WriteScript(bed, "dkvZephra.txt", std::string(kRecordingMain) + "#include");
    RunScriptFile(bed.state);
    EXPECT_EQ(bed.Log(), Lines{"dkvZephra|Error in script syntax Syntax error / dkvZephra.txt Syntax error@ Line 5 "
                               "col 0"});
}

}  // namespace
}  // namespace zephra
