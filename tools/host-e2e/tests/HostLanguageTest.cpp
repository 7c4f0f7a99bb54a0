// The script engine's language tests for RegExp, procedures in blocks, literal types and
// precedence, and the newer built-ins, run by zephra-host --run as a user's host script:
// each test file with assertion routines written in the script language, reporting through
// hs.WriteLog.

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "HostEndToEnd.h"

namespace host_e2e {
namespace {

using simkit::testing::ChildProcess;

// What the engine's test harness does natively: numbers of any kind are one kind, objects
// compare by identity; each failure is logged, and a last line counts them.
const char* const kAssertions = R"vbs(Dim HostChecks, HostFailures
HostChecks = 0 : HostFailures = 0
Function HostKind(v)
    If IsObject(v) Then
        HostKind = "object"
    ElseIf IsNumeric(v) And Not IsEmpty(v) And VarType(v) <> vbString And VarType(v) <> vbBoolean And VarType(v) <> vbDate Then
        HostKind = "number"
    Else
        HostKind = TypeName(v)
    End If
End Function
Function HostShow(v)
    If IsObject(v) Then
        HostShow = "(object)"
    ElseIf IsNull(v) Then
        HostShow = "Null"
    ElseIf IsArray(v) Then
        HostShow = "(array)"
    Else
        HostShow = TypeName(v) & " " & CStr(v)
    End If
End Function
Sub HostFailed(text)
    HostFailures = HostFailures + 1
    hs.WriteLog "check", "FAIL " & text
End Sub
Sub AssertEqual(actual, expected, message)
    Dim same
    HostChecks = HostChecks + 1
    same = HostKind(actual) = HostKind(expected)
    If same Then
        If IsObject(actual) Then
            same = actual Is expected
        ElseIf Not IsNull(actual) And Not IsArray(actual) Then
            same = actual = expected
        End If
    End If
    If Not same Then HostFailed message & ": got " & HostShow(actual) & ", expected " & HostShow(expected)
End Sub
Sub AssertTrue(condition, message)
    HostChecks = HostChecks + 1
    If VarType(condition) <> vbBoolean Then
        HostFailed message & ": not True (" & HostShow(condition) & ")"
    ElseIf Not condition Then
        HostFailed message & ": not True"
    End If
End Sub
Sub Fail(message)
    HostChecks = HostChecks + 1
    HostFailed "Fail: " & message
End Sub
)vbs";

const char* const kSummary = "\r\nhs.WriteLog \"check\", \"checks \" & HostChecks & \", failures \" & HostFailures\r\n";

std::string testScript(const std::string& name) {
    std::ifstream in(std::string(SCRIPT_TEST_DIR) + "/" + name + ".vbs", std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(HostLanguage, TheLanguageTestsPassInTheHost) {
    std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-language-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen"});
        for (const std::string name : {"regexp", "blocks", "literals", "builtins"}) {
            SCOPED_TRACE(name);
            std::string text = testScript(name);
            ASSERT_FALSE(text.empty());
            std::filesystem::path script = folder.write("Scripts/" + name + ".vbs", kAssertions + text + kSummary);
            ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args({"--run", script.string(), "--exit-when-idle"}));
            EXPECT_EQ(host.waitExit(3 * kWait), 0);  // the sanitizer build on a busy machine is slow
            std::string log = folder.log();
            std::size_t at = log.rfind("| check | checks ");
            ASSERT_NE(at, std::string::npos) << log;
            std::string summary = log.substr(at, log.find('\n', at) - at);
            EXPECT_TRUE(holds(summary, ", failures 0")) << log;
            EXPECT_FALSE(holds(summary, "| check | checks 0,")) << summary;
            EXPECT_FALSE(holds(log, name + ".vbs line")) << log;  // no error stopped the script
        }
    }
    std::filesystem::remove(simLog);
}

// The peak of a process's resident memory, in KiB (0 when unknown).
long peakMemoryOf(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

// A replacement that repeats the text before each match, on 100 000 characters: error 14 at
// once (it once grew to 5e9 characters, 7.7 GB, and held SIGTERM off for most of a minute), and
// a host busy repeating it still ends within a second of SIGTERM, its memory bounded.
TEST(HostLanguage, AReplacementRepeatingTheTextFailsAndSigtermEndsItsLoop) {
#if defined(__SANITIZE_ADDRESS__)
    constexpr int kSlower = 10;
#else
    constexpr int kSlower = 1;
#endif
    std::filesystem::path simLog =
        std::filesystem::temp_directory_path() / ("host-e2e-replace-" + std::to_string(getpid()) + ".log");
    {
        Appliances appliances(simLog);
        HostFolder folder(appliances, {"Kitchen"});
        ChildProcess host(ZEPHRA_HOST_PROGRAM, folder.args());
        ASSERT_TRUE(host.waitForLine("zephra-host: dkvZephra ready"));
        host.writeLine(R"(Set re = New RegExp : re.Global = True : re.Pattern = "a" : t = String(100000, "a"))");
        host.writeLine(R"(On Error Resume Next : r = re.Replace(t, "$`") : e = Err.Number & " " & Err.Description)");
        host.writeLine(R"(? "<" & e & ">")");
        std::optional<std::string> said = host.waitForLine("= <");
        ASSERT_TRUE(said);
        EXPECT_EQ(*said, "= <14 Out of string space>");

        host.writeLine(
            R"(hs.WriteLog "check", "replacing" : On Error Resume Next : Do : r = re.Replace(t, "$`") : Loop)");
        ASSERT_TRUE(host.waitForLine("| check | replacing"));
        EXPECT_LT(peakMemoryOf(host.pid()), 1024L * 1024) << "KiB";
        const auto sent = std::chrono::steady_clock::now();
        EXPECT_EQ(host.terminate(), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - sent, std::chrono::seconds(1) * kSlower);
        EXPECT_TRUE(holds(folder.log(), "| zephra-host | Stopped"));
    }
    std::filesystem::remove(simLog);
}

}  // namespace
}  // namespace host_e2e
