// The script control's API as hosts call it: AddCode, modules, Run, Eval, time-out, objects, errors.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>

#include "ScriptHarness.h"
#include "automation/CallByName.h"
#include "automation/Registry.h"
#include "script/ScriptControl.h"
#include "vb/Dictionary.h"
#include "vb/Error.h"

namespace {

using script::ScriptControl;

int32_t errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const vb::Error& e) {
        return e.number();
    }
    return 0;
}

vb::Variant run(ScriptControl& sc, const std::string& name, std::vector<vb::Variant> args = {}) {
    return sc.Run(name, args);
}

TEST(ScriptControl, SyntaxErrorAddsNothingAndReportsWhere) {
    ScriptControl sc;
    std::string code = "Function Good()\r\n  Good = 1\r\nEnd Function\r\nx = (1 +\r\n";
    EXPECT_EQ(errorOf([&] { sc.AddCode(code); }), 1023);
    const script::ErrorInfo& e = sc.lastError();
    EXPECT_EQ(e.Number, 1023);
    EXPECT_EQ(e.Description, "Expected expression");
    EXPECT_EQ(e.Source, "Microsoft VBScript compilation error");
    EXPECT_EQ(e.Line, 4);
    EXPECT_EQ(e.Column, 8);
    EXPECT_EQ(e.Text, "x = (1 +");
    // Nothing of the text was defined.
    EXPECT_EQ(errorOf([&] { run(sc, "Good"); }), 35);

    EXPECT_EQ(errorOf([&] { sc.AddCode("If x Then\r\n y = 1\r\n"); }), 1014);  // Expected 'End'
    EXPECT_EQ(errorOf([&] { sc.AddCode("x = 1 2"); }), 1025);                  // Expected end of statement
    EXPECT_EQ(errorOf([&] { sc.AddCode("x = \"open"); }), 1033);               // Unterminated string constant
    EXPECT_EQ(errorOf([&] { sc.AddCode("Next"); }), 1055);
    EXPECT_EQ(errorOf([&] { sc.AddCode(")"); }), 1024);  // Expected statement
    EXPECT_EQ(errorOf([&] { sc.AddCode("Exit Do"); }), 1039);
    EXPECT_EQ(errorOf([&] { sc.AddCode("Sub S(a, b)\r\nEnd Sub\r\nS(1, 2)"); }), 1044);
    EXPECT_EQ(errorOf([&] { sc.AddCode("x = #not a date#"); }), 1002);
    EXPECT_EQ(sc.lastError().Line, 1);

    // The control's Error object answers the same, late-bound; Clear empties it.
    vb::Variant error(sc.Error());
    EXPECT_EQ(vb::CLng(automation::getProperty(error, "Number")), 1002);
    automation::callByName(error, "Clear");
    EXPECT_EQ(vb::CLng(automation::getProperty(error, "Number")), 0);
}

TEST(ScriptControl, LaterDefinitionReplacesEarlier) {
    ScriptControl sc;
    sc.AddCode("Dim kept : kept = 5\r\nFunction F() : F = 1 : End Function");
    sc.AddCode("Function F() : F = 2 : End Function\r\nDim kept");
    EXPECT_EQ(vb::CLng(run(sc, "F")), 2);
    EXPECT_EQ(vb::CLng(sc.Eval("kept")), 5);  // a second Dim keeps the value
    sc.AddCode("Function F(x) : F = x * 3 : End Function");
    EXPECT_EQ(vb::CLng(run(sc, "f", {vb::Variant(int16_t{4})})), 12);
}

TEST(ScriptControl, ModulesHaveTheirOwnNamesAndSeeTheGlobalOnes) {
    ScriptControl sc;
    sc.AddCode("Function Shared() : Shared = \"global\" : End Function");
    vb::Variant modules(sc.Modules());
    vb::Variant main = automation::callByName(modules, "Add", {vb::Variant("Main")});
    automation::callByName(main, "AddCode",
                           {vb::Variant("Function Main(t) : Main = Shared() & \":\" & t : End Function")});
    EXPECT_EQ(vb::CStr(automation::callByName(main, "Run", {vb::Variant("Main"), vb::Variant("x")})), "global:x");
    // The module's procedure is not a global name.
    EXPECT_EQ(errorOf([&] { run(sc, "Main", {vb::Variant("x")}); }), 35);
    // Modules("Main") finds it again; the count includes the global module.
    vb::Variant again(sc.Modules(vb::Variant("main")));
    EXPECT_EQ(vb::CStr(automation::getProperty(again, "Name")), "Main");
    EXPECT_EQ(vb::CLng(automation::getProperty(modules, "Count")), 2);
    // Adding "Main" again starts it afresh: the old code is gone.
    vb::Variant fresh = automation::callByName(modules, "Add", {vb::Variant("Main")});
    automation::callByName(fresh, "AddCode", {vb::Variant("Function Other() : Other = 1 : End Function")});
    EXPECT_EQ(errorOf([&] { automation::callByName(fresh, "Run", {vb::Variant("Main"), vb::Variant("x")}); }), 35);
    EXPECT_EQ(vb::CLng(automation::getProperty(modules, "Count")), 2);
    EXPECT_EQ(errorOf([&] { automation::getProperty(modules, "Item", {vb::Variant("None")}); }), 9);
}

TEST(ScriptControl, RunPassesObjectsAndWritesBackByRefArguments) {
    ScriptControl sc;
    sc.AddCode(
        "Function Fill(d, n)\r\n"
        "  d.Add \"n\", n : n = n + 1 : Fill = d.Count\r\n"
        "End Function");
    auto dict = std::make_shared<vb::Dictionary>();
    std::vector<vb::Variant> args{vb::Variant(vb::ObjectRef(dict)), vb::Variant(int32_t{41})};
    EXPECT_EQ(vb::CLng(sc.Run("Fill", args)), 1);
    EXPECT_EQ(vb::CLng(dict->Item(vb::Variant("n"))), 41);
    EXPECT_EQ(vb::CLng(args[1]), 42);
    EXPECT_EQ(errorOf([&] { run(sc, "Fill"); }), 450);  // wrong number of arguments
}

TEST(ScriptControl, EndlessLoopStopsAtTheTimeout) {
    ScriptControl sc;
    // A manual clock: each reading moves it on by one millisecond.
    auto now = std::make_shared<std::chrono::steady_clock::time_point>();
    sc.setClock([now] { return *now += std::chrono::milliseconds(1); });
    sc.setTimeout(500);
    EXPECT_EQ(sc.Timeout(), 500);
    EXPECT_EQ(errorOf([&] { sc.AddCode("Sub Spin()\r\n On Error Resume Next\r\n Do\r\n Loop\r\nEnd Sub\r\nSpin"); }),
              script::kTimeoutError);
    EXPECT_EQ(sc.lastError().Description, "The operation was canceled");
    EXPECT_EQ(sc.lastError().Line, 3);  // the loop that was running
    // The code stays defined and the control goes on working.
    EXPECT_EQ(errorOf([&] { run(sc, "Spin"); }), script::kTimeoutError);
    EXPECT_EQ(vb::CLng(sc.Eval("1 + 1")), 2);
    // Without a time-out the same clock never stops a finite script.
    sc.setTimeout(-1);
    sc.AddCode("Dim i, n : For i = 1 To 100000 : n = n + 1 : Next");
    EXPECT_EQ(vb::CLng(sc.Eval("n")), 100000);
}

// A host object through which a script tells another thread that it has got as far as the call.
class Signal : public automation::Dispatch<Signal> {
public:
    static constexpr std::string_view className = "Signal";
    static void describe(automation::Members<Signal>& m) { m.method<&Signal::Reached>("Reached"); }
    void Reached() {
        if (!reached_.exchange(true)) promise_.set_value();
    }
    void wait() { promise_.get_future().wait(); }

private:
    std::atomic<bool> reached_{false};
    std::promise<void> promise_;
};

TEST(ScriptControl, ACancelFromAnotherThreadStopsTheScriptAndEveryLaterOne) {
    ScriptControl sc;
    sc.setTimeout(0);
    auto spinning = std::make_shared<Signal>();
    sc.AddObject("spinning", spinning);
    std::function<void()> cancel = sc.canceller();
    // The cancel comes once the script is in its loop, however late a busy machine starts it.
    std::thread stopper([cancel, spinning] {
        spinning->wait();
        cancel();
    });
    EXPECT_EQ(
        errorOf([&] {
            sc.AddCode("Sub Spin()\r\n On Error Resume Next : spinning.Reached\r\n Do\r\n Loop\r\nEnd Sub\r\nSpin");
        }),
        script::kTimeoutError);
    spinning->Reached();  // lets the stopper end even when the script never got there
    stopper.join();
    EXPECT_EQ(sc.lastError().Description, "The operation was canceled");
    EXPECT_EQ(sc.lastError().Line, 3);
    EXPECT_EQ(errorOf([&] { run(sc, "Spin"); }), script::kTimeoutError);
    // The canceller may outlive the control.
    ScriptControl* gone = new ScriptControl;
    std::function<void()> late = gone->canceller();
    delete gone;
    late();
}

// A host object that runs a statement in the control that called it, and drops its error.
class Reentry : public automation::Dispatch<Reentry> {
public:
    static constexpr std::string_view className = "Reentry";
    static void describe(automation::Members<Reentry>& m) { m.method<&Reentry::RunQuietly>("RunQuietly"); }
    void RunQuietly(const std::string& statement) {
        try {
            sc->ExecuteStatement(statement);
        } catch (const vb::Error&) {}
    }
    ScriptControl* sc = nullptr;
};

TEST(ScriptControl, AStatementRunFromInsideAScriptKeepsTheOuterErrorPlace) {
    ScriptControl sc;
    auto reentry = std::make_shared<Reentry>();
    reentry->sc = &sc;
    sc.AddObject("re", reentry);
    sc.AddCode("Sub Outer()\r\n  re.RunQuietly \"x = 1 / 0\"\r\n  Dim a\r\n  a = \"t\" + 1\r\nEnd Sub");
    EXPECT_EQ(errorOf([&] { run(sc, "Outer"); }), 13);
    EXPECT_EQ(sc.lastError().Line, 4);
    EXPECT_EQ(sc.lastError().Column, 2);
    // The inner statement's own failure is reported where it happened.
    EXPECT_EQ(errorOf([&] { sc.ExecuteStatement("re.RunQuietly \"y = 1\" : z = 1 / 0"); }), 11);
    EXPECT_EQ(sc.lastError().Column, 24);
}

TEST(ScriptControl, AddObjectWithAndWithoutMembers) {
    ScriptControl sc;
    auto thing = std::make_shared<script::testing::NativeThing>();
    sc.AddObject("thing", thing, false);
    EXPECT_EQ(vb::CLng(sc.Eval("thing.Value")), 7);
    sc.AddCode("Option Explicit\r\nFunction Bare() : Bare = Value : End Function");
    EXPECT_EQ(errorOf([&] { run(sc, "Bare"); }), 500);
    EXPECT_EQ(sc.lastError().Description, "Variable is undefined: 'Value'");

    ScriptControl withMembers;
    auto host = std::make_shared<script::testing::NativeThing>();
    withMembers.AddObject("hs", host, true);
    withMembers.AddCode("Dim x : x = 3 : Twice x : Value = x * 10");
    EXPECT_EQ(host->Value(), 60);
    EXPECT_EQ(host->Calls(), 1);
    EXPECT_EQ(vb::CLng(withMembers.Eval("hs.Value + Value")), 120);
    // Script names win over the object's members.
    withMembers.AddCode("Function Calls() : Calls = \"mine\" : End Function");
    EXPECT_EQ(vb::CStr(withMembers.Eval("Calls")), "mine");
}

TEST(ScriptControl, AnUndefinedNameIsNamedInTheError) {
    ScriptControl sc;
    EXPECT_EQ(errorOf([&] { sc.ExecuteStatement("x = 1\r\nZephraSpeek \"hall\", \"hello\""); }), 13);
    EXPECT_EQ(sc.lastError().Description, "Type mismatch: 'ZephraSpeek'");
    EXPECT_EQ(sc.lastError().Line, 2);
    EXPECT_EQ(errorOf([&] { sc.Eval("Lenn(\"abc\")"); }), 13);
    EXPECT_EQ(sc.lastError().Description, "Type mismatch: 'Lenn'");
    EXPECT_EQ(errorOf([&] { sc.Eval("x(1)"); }), 13);
    EXPECT_EQ(sc.lastError().Description, "Type mismatch: 'x'");
    EXPECT_EQ(errorOf([&] { run(sc, "Nowhere"); }), 35);
    EXPECT_EQ(sc.lastError().Description, "Sub or Function not defined: 'Nowhere'");
    // An error of a value, not of a name, keeps the plain text; a script reads the same in Err.
    EXPECT_EQ(errorOf([&] { sc.Eval("\"a\" * 2"); }), 13);
    EXPECT_EQ(sc.lastError().Description, "Type mismatch");
    sc.AddCode("On Error Resume Next\r\nMispelt 1\r\nDim said : said = Err.Description");
    EXPECT_EQ(vb::CStr(sc.Eval("said")), "Type mismatch: 'Mispelt'");
}

// Parentheses after a name call a procedure or a built-in, or index an array or an object: a
// name that is none of them fails, inside a procedure as at the top level, and says its name.
TEST(ScriptControl, ParenthesesAfterANameThatIsNoProcedureFail) {
    ScriptControl sc;
    auto thing = std::make_shared<script::testing::NativeThing>();
    sc.AddObject("thing", thing, false);
    sc.AddObject("hs", std::make_shared<script::testing::NativeThing>(), true);
    sc.AddCode(
        "Function Page()\r\n  Dim s\r\n  s = \"<p>\"\r\n  s = s & Helper()\r\n  Page = s\r\nEnd Function\r\n"
        "Sub Bare()\r\n  Helper\r\nEnd Sub\r\n"
        "Sub Called()\r\n  Call Helper\r\nEnd Sub\r\n"
        "Function Scalar()\r\n  Dim v\r\n  v = 3\r\n  Scalar = v()\r\nEnd Function\r\n"
        "Function Indexed()\r\n  Dim v : v = 3\r\n  Indexed = v(0)\r\nEnd Function\r\n"
        "Function Assigned()\r\n  Helper = 3\r\n  Assigned = Helper()\r\nEnd Function\r\n"
        "Function Caught()\r\n  On Error Resume Next\r\n  Dim x : x = Helper()\r\n"
        "  Caught = Err.Number & \" \" & Err.Description & \" \" & Err.Source & \" \" & IsEmpty(x)\r\nEnd Function\r\n"
        "Function Unset()\r\n  Unset = IsEmpty(Helper) And IsEmpty(Other)\r\nEnd Function\r\n"
        "Function Twice(n) : Twice = 2 * n : End Function\r\n"
        "Function Seven() : Seven = 7 : End Function\r\n"
        "Dim calls : calls = 0\r\nSub Count() : calls = calls + 1 : End Sub\r\n"
        "Class Box\r\n  Public Items\r\n  Private total\r\n  Function Add(n) : total = total + n : Add = Sum() : End Function\r\n"
        "  Function Sum() : Sum = total : End Function\r\n  Property Get Size() : Size = total : End Property\r\nEnd Class\r\n"
        "Function Working()\r\n  Dim a(2), d, b, r\r\n  a(1) = \"one\"\r\n  Set d = CreateObject(\"Scripting.Dictionary\")\r\n"
        "  d(\"k\") = \"kay\"\r\n  Set b = New Box\r\n  b.Add 2\r\n"
        "  r = Len(\"abc\") & Seven() & Seven & Twice(4) & a(1) & d(\"k\") & b.Add(3) & b.Sum() & b.Size()\r\n"
        "  r = r & thing.Value() & Value() & TypeName(hs()) & UCase(Left(\"xyz\", 2))\r\n"
        "  Count : Call Count : Call Count() : Count()\r\n  Working = r & calls\r\nEnd Function\r\n");

    // Without Option Explicit: error 13 naming the function, with the line of the call.
    EXPECT_EQ(errorOf([&] { run(sc, "Page"); }), 13);
    EXPECT_EQ(sc.lastError().Description, "Type mismatch: 'Helper'");
    EXPECT_EQ(sc.lastError().Source, "Microsoft VBScript runtime error");
    EXPECT_EQ(sc.lastError().Line, 4);
    EXPECT_EQ(errorOf([&] { run(sc, "Bare"); }), 13);
    EXPECT_EQ(sc.lastError().Description, "Type mismatch: 'Helper'");
    EXPECT_EQ(sc.lastError().Line, 8);
    EXPECT_EQ(errorOf([&] { run(sc, "Called"); }), 13);
    EXPECT_EQ(sc.lastError().Line, 11);
    EXPECT_EQ(errorOf([&] { sc.ExecuteStatement("x = Helper()"); }), 13);
    EXPECT_EQ(sc.lastError().Description, "Type mismatch: 'Helper'");
    // A variable holding no array and no object has nothing to index, with or without an index.
    EXPECT_EQ(errorOf([&] { run(sc, "Scalar"); }), 13);
    EXPECT_EQ(sc.lastError().Description, "Type mismatch: 'v'");
    EXPECT_EQ(sc.lastError().Line, 16);
    EXPECT_EQ(errorOf([&] { run(sc, "Indexed"); }), 13);
    EXPECT_EQ(sc.lastError().Description, "Type mismatch: 'v'");
    EXPECT_EQ(errorOf([&] { run(sc, "Assigned"); }), 13);
    EXPECT_EQ(sc.lastError().Description, "Type mismatch: 'Helper'");
    EXPECT_EQ(errorOf([&] { sc.ExecuteStatement("Dim top : top = 3 : x = top()"); }), 13);
    EXPECT_EQ(sc.lastError().Description, "Type mismatch: 'top'");
    // A script's handler catches it.
    EXPECT_EQ(vb::CStr(run(sc, "Caught")), "13 Type mismatch: 'Helper' Microsoft VBScript runtime error True");
    // The name alone, without parentheses, is an empty variable.
    EXPECT_TRUE(vb::CBool(run(sc, "Unset")));
    EXPECT_TRUE(vb::CBool(sc.Eval("IsEmpty(Helper)")));
    // Procedures, built-ins, arrays, objects, class members and host members still answer.
    EXPECT_EQ(vb::CStr(run(sc, "Working")), "3778onekay55577NativeThingXY4");

    // With Option Explicit the name is an undefined variable.
    ScriptControl strict;
    strict.AddCode(
        "Option Explicit\r\nFunction Page()\r\n  Page = \"<p>\" & Helper()\r\nEnd Function\r\n"
        "Sub Bare()\r\n  Helper\r\nEnd Sub\r\n");
    EXPECT_EQ(errorOf([&] { run(strict, "Page"); }), 500);
    EXPECT_EQ(strict.lastError().Description, "Variable is undefined: 'Helper'");
    EXPECT_EQ(strict.lastError().Line, 3);
    EXPECT_EQ(errorOf([&] { run(strict, "Bare"); }), 500);
    EXPECT_EQ(strict.lastError().Description, "Variable is undefined: 'Helper'");
}

TEST(ScriptControl, RuntimeErrorsReportNumberSourceAndLine) {
    ScriptControl sc;
    auto thing = std::make_shared<script::testing::NativeThing>();
    sc.AddObject("thing", thing, false);
    sc.AddCode(
        "Sub Fails()\r\n  Dim a\r\n  a = 1\r\n  thing.Raise 321\r\nEnd Sub\r\nSub Div()\r\n  x = 1 / 0\r\nEnd Sub");
    EXPECT_EQ(errorOf([&] { run(sc, "Fails"); }), 321);
    EXPECT_EQ(sc.lastError().Source, "NativeThing");
    EXPECT_EQ(sc.lastError().Description, "Native failure 321");
    EXPECT_EQ(sc.lastError().Line, 4);
    EXPECT_EQ(sc.lastError().Column, 2);
    EXPECT_EQ(errorOf([&] { run(sc, "Div"); }), 11);
    EXPECT_EQ(sc.lastError().Source, "Microsoft VBScript runtime error");
    EXPECT_EQ(sc.lastError().Line, 7);
    // Top-level statements before the failing one have run; definitions stay.
    EXPECT_EQ(
        errorOf([&] {
            sc.AddCode("Dim before : before = 1\r\nFunction After() : After = 2 : End Function\r\nError1 = 1 / 0");
        }),
        11);
    EXPECT_EQ(vb::CLng(sc.Eval("before + After()")), 3);
}

TEST(ScriptControl, EvalExecuteStatementAndReset) {
    ScriptControl sc;
    std::vector<std::string> log;
    sc.setLog([&](const std::string& s) { log.push_back(s); });
    sc.ExecuteStatement("Dim total : total = 40 + 2");
    EXPECT_EQ(vb::CLng(sc.Eval("total")), 42);
    sc.ExecuteStatement("MsgBox \"hello \" & total");
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0], "hello 42");
    EXPECT_EQ(errorOf([&] { sc.Eval("1 +"); }), 1023);
    sc.AddObject("thing", std::make_shared<script::testing::NativeThing>(), false);
    sc.Reset();
    EXPECT_TRUE(sc.Eval("IsEmpty(total)").boolean());
    EXPECT_EQ(errorOf([&] { sc.Eval("thing.Value"); }), 424);  // the object went with Reset
}

TEST(ScriptControl, ResetFreesObjectsThatReferToEachOther) {
    ScriptControl sc;
    std::vector<std::string> log;
    sc.setLog([&](const std::string& s) { log.push_back(s); });
    sc.AddCode(
        "Class N : Public other : Private Sub Class_Terminate() : MsgBox \"gone\" : End Sub : End Class\r\n"
        "Dim a, b : Set a = New N : Set b = New N : Set a.other = b : Set b.other = a\r\n"
        "Set a = Nothing : Set b = Nothing");
    EXPECT_TRUE(log.empty());  // a cycle: reference counting alone never frees it
    sc.Reset();
    EXPECT_EQ(log, (std::vector<std::string>{"gone", "gone"}));
}

TEST(ScriptControl, LongChainsOfObjectsAreReleasedWithoutDeepRecursion) {
    ScriptControl sc;
    sc.setTimeout(-1);
    sc.AddCode(
        "Class Node : Public NextNode : End Class\r\n"
        "Dim head, n, i : Set head = Nothing : For i = 1 To 300000 : Set n = New Node : Set n.NextNode = head : Set head = n : Next\r\n"
        "Set n = Nothing : Set head = Nothing");
    EXPECT_TRUE(sc.Eval("head Is Nothing").boolean());
}

TEST(ScriptControl, LateBoundAsThePagesUseIt) {
    script::registerClasses();  // what a host does once at start
    vb::Variant sc(automation::CreateObject("MSScriptControl.ScriptControl"));
    automation::letProperty(sc, "Language", vb::Variant("VBScript"));
    automation::letProperty(sc, "AllowUI", vb::Variant(true));
    auto host = std::make_shared<script::testing::NativeThing>();
    automation::callByName(sc, "AddObject", {vb::Variant("hs"), vb::Variant(vb::ObjectRef(host)), vb::Variant(true)});
    automation::letProperty(sc, "Timeout", vb::Variant(int32_t{60000}));
    automation::callByName(
        sc, "AddCode",
        {vb::Variant("Dim Request, Response\r\nsub setObjects(pRequest,pResponse)\r\nSet Request = pRequest\r\n"
                     "Set Response = pResponse\r\nEnd sub\r\n")});
    auto request = std::make_shared<script::testing::NativeThing>();
    request->setItem(vb::Variant("x"), vb::Variant("42"));
    automation::callByName(
        sc, "Run", {vb::Variant("setObjects"), vb::Variant(vb::ObjectRef(request)), vb::Variant(vb::ObjectRef(host))});
    EXPECT_EQ(vb::CStr(automation::callByName(sc, "Eval", {vb::Variant("Request(\"x\") & Request.Item(\"x\")")})),
              "4242");
    EXPECT_EQ(errorOf([&] { automation::letProperty(sc, "Language", vb::Variant("JScript")); }), 5);
}

TEST(ScriptControl, BadInputIsASyntaxErrorNeverACrash) {
    ScriptControl sc;
    EXPECT_EQ(errorOf([&] { sc.AddCode("x = " + std::string(5000, '(') + "1" + std::string(5000, ')')); }), 1001);
    std::string chain = "x = 1";
    for (int i = 0; i < 5000; ++i) chain += " + 1";
    EXPECT_EQ(errorOf([&] { sc.AddCode(chain); }), 1001);
    std::string ifs;
    for (int i = 0; i < 1000; ++i) ifs += "If x Then\r\n";
    EXPECT_EQ(errorOf([&] { sc.AddCode(ifs); }), 1001);
    EXPECT_EQ(errorOf([&] { sc.AddCode("x = 1" + std::string(500, '0') + "\r\n"); }), 1031);
    EXPECT_EQ(errorOf([&] { sc.AddCode("x = &HFFFFFFFFF"); }), 1031);
    EXPECT_EQ(errorOf([&] { sc.AddCode("Class C\r\n Public x\r\n"); }), 1014);
    EXPECT_EQ(errorOf([&] { sc.AddCode("Do\r\n"); }), 1019);
    EXPECT_EQ(errorOf([&] { sc.AddCode("If x Then\r\nElse\r\n a = 1\r\nElse\r\n b = 2\r\nEnd If"); }), 1014);
    EXPECT_EQ(errorOf([&] { sc.AddCode("Select Case x\r\nCase Else\r\n a = 1\r\nCase Else\r\nEnd Select"); }), 1014);
    EXPECT_EQ(errorOf([&] { sc.AddCode("For i = 1 To\r\n"); }), 1023);
    EXPECT_EQ(errorOf([&] { sc.AddCode(std::string("\x01\xff\x80 garbage")); }), 1032);
    EXPECT_EQ(errorOf([&] { sc.AddCode(std::string("x = 1\0y", 7)); }), 1025);
    // Run-time depth: endless recursion runs out of stack space.
    sc.AddCode("Function R(n) : R = R(n + 1) : End Function");
    EXPECT_EQ(errorOf([&] { run(sc, "R", {vb::Variant(int16_t{0})}); }), 28);
    EXPECT_EQ(sc.lastError().Description, "Out of stack space");
}

}  // namespace

namespace {

TEST(ScriptControl, CaseRangesAndComparisonsAreRefusedWhereTheyStand) {
    ScriptControl sc;
    EXPECT_EQ(errorOf([&] { sc.AddCode("Select Case x\r\nCase 4 To 6\r\n y = 1\r\nEnd Select"); }), 1025);
    EXPECT_EQ(sc.lastError().Line, 2);
    EXPECT_EQ(sc.lastError().Column, 7);  // at "To"
    EXPECT_EQ(sc.lastError().Description, "Expected end of statement");
    EXPECT_EQ(errorOf([&] { sc.AddCode("Select Case x\r\n  Case Is >= 10\r\nEnd Select"); }), 1023);
    EXPECT_EQ(sc.lastError().Line, 2);
    EXPECT_EQ(sc.lastError().Column, 7);  // at "Is"
    EXPECT_EQ(sc.lastError().Description, "Expected expression");
}

TEST(ScriptControl, ProceduresInsideBlocksAreTheModulesOwn) {
    ScriptControl sc;
    sc.AddCode("If Hour(Now) > 99 Then\r\n  Function Later(x)\r\n    Later = x + 1\r\n  End Function\r\nEnd If");
    EXPECT_EQ(vb::CLng(run(sc, "Later", {vb::Variant(int16_t{1})})), 2);
    EXPECT_EQ(vb::CLng(sc.Eval("Later(41)")), 42);
    // A procedure inside a procedure or a class stays refused.
    EXPECT_EQ(errorOf([&] { sc.AddCode("Sub A()\r\n If True Then\r\n  Sub B()\r\n  End Sub\r\n End If\r\nEnd Sub"); }),
              1024);
    EXPECT_EQ(sc.lastError().Line, 3);
    EXPECT_EQ(
        errorOf([&] {
            sc.AddCode(
                "Class C\r\n Sub M()\r\n  Do\r\n   Function F() : End Function\r\n  Loop\r\n End Sub\r\nEnd Class");
        }),
        1024);
}

TEST(ScriptControl, RegExpFromTheHost) {
    // A RegExp made by the script, used by the host late-bound, and one made by the host.
    ScriptControl sc;
    sc.AddCode(
        "Function Words() : Set Words = New RegExp : Words.Pattern = \"\\w+\" : Words.Global = True : End Function");
    vb::Variant re = run(sc, "Words");
    vb::Variant text("one two three");
    vb::Variant matches = automation::callByName(re, "Execute", {text});
    EXPECT_EQ(vb::CLng(automation::getProperty(matches, "Count")), 3);
    vb::Variant made(automation::CreateObject("vbscript.regexp"));
    EXPECT_EQ(vb::TypeName(made), "IRegExp2");
}

// How much slower the sanitizer build runs: its time ceilings are that much wider.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kSlower = 10;
#else
constexpr int kSlower = 1;
#endif

// A match bounded by the text it has: a count longer than the text, or a needed character the
// text lacks, ends at once; a match that would read too much raises error 28 once its reads are
// spent (a tenth of a second or so on a quiet machine). The ceilings leave room for a busy machine
// and the sanitizer build, and still catch the unbounded matcher (seconds, and minutes sanitized).
TEST(ScriptControl, HopelessMatchesEndAtOnce) {
    const auto atOnce = std::chrono::seconds(1) * kSlower, spent = std::chrono::seconds(5) * kSlower;
    ScriptControl sc;
    sc.setTimeout(0);
    sc.ExecuteStatement("Set re = New RegExp : long = String(100000, \"a\") & \"b\"");
    auto test = [&](const std::string& pattern, const std::string& text, std::chrono::nanoseconds ceiling) {
        sc.ExecuteStatement("re.Pattern = \"" + pattern + "\"");
        auto t0 = std::chrono::steady_clock::now();
        int32_t error = errorOf([&] { sc.ExecuteStatement("r = re.Test(" + text + ")"); });
        auto took = std::chrono::steady_clock::now() - t0;
        EXPECT_LT(took, ceiling) << pattern;
        return error != 0 ? vb::Variant(error) : sc.Eval("r");
    };
    EXPECT_EQ(vb::CStr(test("a{2147483647}", "long", atOnce)), "False");
    EXPECT_EQ(vb::CStr(test("a{1000000}", "long", atOnce)), "False");
    EXPECT_EQ(vb::CStr(test("a*a*a*a*a*c", "String(5000, \"a\")", atOnce)), "False");
    EXPECT_EQ(vb::CStr(test("a{50000}b", "long", spent)), "28");
    EXPECT_EQ(vb::CStr(test("a{50000}", "long", atOnce)), "True");
}

// The processor time of this thread so far: what a search costs, whatever else the machine runs.
std::chrono::nanoseconds threadTime() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

// Form checks as script writers write them, on short texts that do not match: a backtracking
// search tries a million ways and answers False (the matcher's own bound once stopped it with
// error 28 from 15 digits, or from 13 words of `^(\w+\s?)*$`, 40 characters); a match still has
// its groups, and a search past the read budget still raises 28. The ceilings are processor
// time, ten times wider in the sanitizer build: a search of 20 words takes about 0.3 s.
TEST(ScriptControl, ValidationPatternsAnswerOnShortTextsThatDoNotMatch) {
    const auto underASecond = std::chrono::seconds(1) * kSlower, spent = std::chrono::seconds(5) * kSlower;
    ScriptControl sc;
    sc.setTimeout(0);
    sc.ExecuteStatement("Set re = New RegExp");
    auto answer = [&](const std::string& statement, std::chrono::nanoseconds ceiling) {
        auto t0 = threadTime();
        int32_t error = errorOf([&] { sc.ExecuteStatement("r = " + statement); });
        EXPECT_LT(threadTime() - t0, ceiling) << statement;
        return error != 0 ? std::to_string(error) : vb::CStr(sc.Eval("r"));
    };
    sc.ExecuteStatement("re.Pattern = \"^(\\d+)*$\"");
    for (int digits : {13, 14, 15, 20}) {
        const std::string text = "String(" + std::to_string(digits) + ", \"7\") & \"x\"";
        EXPECT_EQ(answer("re.Test(" + text + ")", underASecond), "False") << digits << " digits";
    }
    EXPECT_EQ(answer("re.Test(String(20, \"7\"))", underASecond), "True");
    EXPECT_EQ(answer("re.Test(String(40, \"7\") & \"x\")", spent), "28");

    sc.ExecuteStatement("re.Pattern = \"^(\\w+\\s?)*$\"");
    for (int words : {12, 13, 20}) {
        // "ab ab ... ab !": 13 words are 40 characters.
        sc.ExecuteStatement("t = Replace(Space(" + std::to_string(words) + "), \" \", \"ab \") & \"!\"");
        EXPECT_EQ(answer("Len(t)", underASecond), std::to_string(words * 3 + 1));
        EXPECT_EQ(answer("re.Test(t)", underASecond), "False") << words << " words";
        EXPECT_EQ(answer("re.Execute(t).Count", underASecond), "0") << words << " words";
        EXPECT_EQ(answer("re.Replace(t, \"[$1]\") = t", underASecond), "True") << words << " words";
    }
    sc.ExecuteStatement("t = Replace(Space(20), \" \", \"ab \")");
    EXPECT_EQ(answer("re.Execute(t)(0).SubMatches(0)", underASecond), "ab ");
    EXPECT_EQ(answer("re.Replace(t, \"<$1>\")", underASecond), "<ab >");
    // A back reference keeps the groups while searching.
    sc.ExecuteStatement("re.Pattern = \"(\\w)\\1\"");
    EXPECT_EQ(answer("re.Execute(\"abccd\")(0).FirstIndex", underASecond), "2");
}

// A replacement that repeats the text before or after each match stops with error 14 at the
// longest text the runtime builds, as every other string operation does: on 100 000 characters
// it would otherwise grow to 5e9 characters, gigabytes of memory.
TEST(ScriptControl, ReplacementsRepeatingTheTextStopAtTheLongestText) {
    ScriptControl sc;
    sc.setTimeout(0);
    sc.ExecuteStatement("Set re = New RegExp : re.Global = True : re.Pattern = \"a\" : t = String(100000, \"a\")");
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(errorOf([&] { sc.ExecuteStatement("r = re.Replace(t, \"$`\")"); }), 14);
    EXPECT_EQ(sc.lastError().Description, "Out of string space");
    // Its length is reckoned before it is built; building 5e9 characters took minutes.
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(20) * kSlower);
    // The peak of the whole test, far below the longest text's gigabyte-long multiples.
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss, 2L * 1024 * 1024) << "KiB";
    // Below the longest text the result is whole, with the text before and after each match.
    EXPECT_EQ(vb::CStr(sc.Eval("Len(re.Replace(String(1000, \"a\"), \"$`\"))")), "499500");
    EXPECT_EQ(vb::CStr(sc.Eval("Len(re.Replace(String(1000, \"a\"), \"$'\"))")), "499500");
    EXPECT_EQ(vb::CStr(sc.Eval("re.Replace(\"abc\", \"[$`|$']\")")), "[|bc]bc");
}

// A cancel (what the host does on SIGTERM) ends a match under way, not only the statements
// around it: this match alone would read 2e9 characters and then fail with error 28, so the
// canceled error shows that the match itself stopped.
TEST(ScriptControl, ACancelEndsAMatchUnderWay) {
    ScriptControl sc;
    sc.setTimeout(0);
    auto matching = std::make_shared<Signal>();
    sc.AddObject("matching", matching);
    sc.AddCode(
        "Dim re, t\r\nSet re = New RegExp : re.Pattern = \"a{50000}b\"\r\nt = String(20000000, \"a\") & "
        "\"b\"\r\n"
        "Sub M()\r\n matching.Reached\r\n r = re.Test(t)\r\nEnd Sub");
    std::function<void()> cancel = sc.canceller();
    std::thread stopper([cancel, matching] {
        matching->wait();
        // Lets the match get under way; a slower start only means the match stops at its first read.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        cancel();
    });
    EXPECT_EQ(errorOf([&] { run(sc, "M"); }), script::kTimeoutError);
    matching->Reached();
    stopper.join();
    EXPECT_EQ(sc.lastError().Line, 6);  // the Test
}

}  // namespace
