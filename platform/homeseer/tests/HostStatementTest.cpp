// The statement form of host scripts: reading lines, and running them against the host.

#include <gtest/gtest.h>

#include "homeseer/HostStatement.h"
#include "homeseer/RecordingHost.h"
#include "homeseer/StatementScript.h"
#include "homeseer/tests/FakePlugin.h"
#include "vb/Conversions.h"
#include "windows/testing/ErrorNumber.h"

namespace homeseer {
namespace {

// The statement as text: path with arguments, then the trailing arguments.
std::string shown(const HostStatementLine& s) {
    auto args = [](const std::vector<vb::Variant>& list) {
        std::string text;
        for (const vb::Variant& a : list) {
            if (!text.empty()) text += ",";
            text += a.isMissing() ? "_" : vb::TypeName(a) + ":" + vb::CStr(a);
        }
        return text;
    };
    std::string text;
    for (const StatementStep& step : s.path) {
        if (!text.empty()) text += ".";
        text += step.member;
        if (step.args) text += "(" + args(*step.args) + ")";
    }
    return text + " [" + args(s.args) + "]";
}

std::string syntaxError(std::string_view line) {
    try {
        ParseHostStatement(line);
    } catch (const vb::Error& e) {
        return std::to_string(e.number()) + " " + e.description();
    }
    return "no error";
}

TEST(HostStatement, ReadsOperationsWithQuotedTextsNumbersAndOmittedArguments) {
    EXPECT_EQ(shown(ParseHostStatement("ZephraSpeak \"kitchen, den\", \"say \"\"hi\"\"\"")),
              "ZephraSpeak [String:kitchen, den,String:say \"hi\"]");
    EXPECT_EQ(shown(ParseHostStatement("  ZephraVolume(\"hall\", 40)\r")), "ZephraVolume(String:hall,Long:40) []");
    EXPECT_EQ(shown(ParseHostStatement("Op 1, , -2.5, 3000000000, true, FALSE,")),
              "Op [Long:1,_,Double:-2.5,Double:3000000000,Boolean:True,Boolean:False,_]");
    EXPECT_EQ(shown(ParseHostStatement("ZephraNames")), "ZephraNames []");
    EXPECT_EQ(shown(ParseHostStatement("Op()")), "Op() []");
    EXPECT_EQ(shown(ParseHostStatement("hs.Plugin(\"dkvZephra\").ZephraSpeak \"den\", \"\"")),
              "hs.Plugin(String:dkvZephra).ZephraSpeak [String:den,String:]");
    EXPECT_EQ(shown(ParseHostStatement("&hs.Plugin(\"dkvZephra\").ZephraSendHspCID(\"\")")),
              "hs.Plugin(String:dkvZephra).ZephraSendHspCID(String:) []");
    for (const char* empty : {"", "   ", "' a comment", "Rem a remark", "rem"})
        EXPECT_TRUE(ParseHostStatement(empty).path.empty()) << empty;
    EXPECT_EQ(shown(ParseHostStatement("Remove 1")), "Remove [Long:1]");
}

TEST(HostStatement, LinesThatAreNotStatementsGiveAnErrorSayingWhere) {
    EXPECT_EQ(syntaxError("Op \"open"), "1002 Syntax error: text not closed at column 4");
    EXPECT_EQ(syntaxError("Op \"a\" \"b\""), "1002 Syntax error: a comma was expected between arguments at column 8");
    EXPECT_EQ(syntaxError("Op kitchen"),
              "1002 Syntax error: a text in double quotes, a number, True or False was expected at column 4");
    EXPECT_EQ(syntaxError("Op(1, 2"), "1002 Syntax error: \")\" is missing at column 8");
    EXPECT_EQ(syntaxError("Op(1) 2"), "1002 Syntax error: unexpected text after the arguments at column 7");
    EXPECT_EQ(syntaxError("1abc"), "1002 Syntax error: a name was expected at column 1");
    EXPECT_EQ(syntaxError("Op 1.2.3"), "1002 Syntax error: a number has two decimal points at column 7");
    EXPECT_EQ(syntaxError("Op 12abc"), "1002 Syntax error: a number was expected at column 6");
    EXPECT_EQ(syntaxError("hs."), "1002 Syntax error: a name was expected at column 4");
    EXPECT_EQ(syntaxError(std::string(kMaxStatementLength + 1, 'a')), "1002 Syntax error: the line is too long");
    // Random bytes never crash the reader.
    std::string noise;
    for (int i = 0; i < 2000; ++i) {
        noise += static_cast<char>((i * 7919) % 251 + 1);
        try {
            ParseHostStatement(noise.substr(noise.size() > 40 ? noise.size() - 40 : 0));
        } catch (const vb::Error& e) {
            EXPECT_EQ(e.number(), 1002);
        }
    }
}

TEST(StatementScript, RunsStatementsOnThePluginOrTheHostAndReportsFailingLines) {
    auto hs = std::make_shared<RecordingHost>();
    auto plugin = std::make_shared<testing::FakePlugin>();
    std::vector<std::string> errors;
    StatementScript script(hs, "dkvZephra", [&](const std::string& line) { errors.push_back(line); });
    EXPECT_EQ(windows::testing::errorNumber([&] { script.RunStatement("Echo 1"); }), 424);  // no plug-in yet
    EXPECT_EQ(windows::testing::errorNumber([&] { script.RunStatement("hs"); }), 1002);

    hs->addPlugin("dkvZephra", plugin);
    EXPECT_EQ(vb::CStr(script.RunStatement("Echo \"a\", 2")), "a|2");
    EXPECT_EQ(vb::CStr(script.RunStatement("hs.Plugin(\"DKVZEPHRA\").Echo(\"b\")")), "b");
    hs->NewDevice("Zephra Volume", "Q9");
    script.RunStatement("hs.SetDeviceValue \"Q9\", 70");
    EXPECT_EQ(hs->DeviceValue("Q9"), 70);
    EXPECT_TRUE(script.RunStatement("' nothing").isEmpty());

    script.RunScript("Echo \"one\"\nEcho \"two\nhs.NoSuchMember 1\r\nEcho \"three\"\n", "demo.txt");
    EXPECT_EQ(plugin->calls, (std::vector<std::string>{"Echo a|2", "Echo b", "Echo one", "Echo three"}));
    EXPECT_EQ(errors, (std::vector<std::string>{
                          "demo.txt line 2: Error 1002: Syntax error: text not closed at column 6",
                          "demo.txt line 3: Error 438: Object doesn't support this property or method"}));
}

}  // namespace
}  // namespace homeseer
