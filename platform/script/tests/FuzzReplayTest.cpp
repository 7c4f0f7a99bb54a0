// Replays the fuzzing entry over mutations of the test scripts and of hand-made fragments,
// a fixed number of times with a fixed seed, so that every build (the sanitizer one too)
// exercises the parser and the engine on malformed input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "../fuzz/FuzzEntry.h"

namespace {

std::vector<std::string> seeds() {
    std::vector<std::string> all = {
        "If x Then\r\n y = 1\r\nElse\r\n y = 2\r\nEnd If",
        "Class C : Public x : Public Default Property Get V() : V = x : End Property : End Class\r\n"
        "Set o = New C : o.x = 1 : r = o",
        "Do While i < 10 : i = i + 1 : Loop",
        "Function F(ByRef a, ByVal b) : F = a & b : End Function : x = F(1, 2)",
        "Select Case 3 : Case 1, 2 : y = 1 : Case 3 To 4 : y = 2 : Case Is > 9 : y = 3 : Case Else : End Select",
        "x = #12/8/2026# : y = &HFF : z = \"a\"\"b\" : w = Array(1, 2)(1)",
        "On Error Resume Next : Err.Raise 5 : x = Err.Number : On Error GoTo 0",
        "Dim a(2, 3) : ReDim Preserve b(4) : Erase a : For Each e In a : Next",
        "With CreateObject(\"Scripting.Dictionary\") : .Add 1, 2 : x = .Item(1) : End With",
        "x = Eval(\"1 + 2\") : Execute \"y = 3\" : Set f = GetRef(\"F\")",
        "If x Then\r\n Function G(a) : G = -a ^ 2 : End Function\r\nEnd If\r\nFor i = 1 To 2\r\n Private Sub H() : End Sub\r\nNext\r\ny = G(&HFFFFFFFF&) + &O17& + &H8000",
        "Set re = New RegExp : re.Pattern = \"^(\\w+)\\s*(a+)+$\" : re.Global = True : re.IgnoreCase = True : "
        "re.MultiLine = True : Set ms = re.Execute(\"ab\" & vbLf & \"aaa\") : For Each m In ms : "
        "x = m.Value & m.FirstIndex & m.Length & m.SubMatches(0) : Next : y = re.Replace(\"a b\", \"$2$1$&$`$'$$\")",
        "Select Case x : Case 1, 2 + 3, y : z = 1 : Case Else : End Select",
        "x = Escape(\"a b\") & Unescape(\"%u20AC%4\") & RGB(300, 2, 3) & SetLocale(\"en-gb\") & GetLocale & ScriptEngineBuildVersion",
    };
    // The language tests, and inputs that once found a fault.
    std::filesystem::path here(SCRIPT_TEST_DIR);
    for (const auto& folder : {here, here.parent_path() / "fuzz-regressions"}) {
        for (auto& e : std::filesystem::directory_iterator(folder)) {
            std::ifstream in(e.path(), std::ios::binary);
            std::stringstream s;
            s << in.rdbuf();
            all.push_back(s.str());
        }
    }
    return all;
}

const char* const kTokens[] = {
    "If ",
    " Then",
    "End If",
    "(",
    ")",
    "\"",
    "#",
    "&H",
    " _\r\n",
    "Do\r\n",
    "Loop",
    ":",
    "Class ",
    "Sub ",
    "Function ",
    "End Sub",
    "Next",
    "For i = 1 To ",
    ",",
    ".",
    "Set ",
    "= New ",
    "Me",
    "\r\n",
    "'",
    "Rem ",
    "Select Case ",
    "Case ",
    "With ",
    "End With",
    "ReDim Preserve ",
    "Exit For",
    "Property Get ",
    "999999999999",
    "1e308",
    "Not ",
    " Mod ",
    " Is ",
    "\xff",
    "\0",
    "^",
    "-",
    "&O7&",
    "New RegExp",
    ".Pattern = \"",
    "(a+)+",
    "[",
    "\\",
    "$1",
    ".Execute(",
    ".SubMatches(",
};

std::string mutate(std::string s, std::mt19937& rng) {
    auto pick = [&](std::size_t n) {
        return n == 0 ? std::size_t{0} : std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
    };
    int steps = 1 + static_cast<int>(pick(4));
    for (int i = 0; i < steps; ++i) {
        std::size_t at = pick(s.size() + 1);
        switch (pick(5)) {
        case 0:
            if (!s.empty()) s[pick(s.size())] = static_cast<char>(pick(256));
            break;
        case 1:
            if (at < s.size()) s.erase(at, pick(s.size() - at) + 1);
            break;
        case 2: {
            std::size_t len = pick(64);
            s.insert(at, s.substr(pick(s.size() + 1), len));
            break;
        }
        case 3: s.insert(at, kTokens[pick(std::size(kTokens))]); break;
        default: s.resize(at); break;
        }
    }
    return s;
}

TEST(FuzzReplay, MutatedScriptsNeverCrashOrHang) {
    std::vector<std::string> base = seeds();
    std::mt19937 rng(20261208);
    for (int round = 0; round < 10000; ++round) {
        std::string input = mutate(base[round % base.size()], rng);
        script::fuzz::runInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    }
    for (const std::string& s : base) script::fuzz::runInput(reinterpret_cast<const uint8_t*>(s.data()), s.size());
    SUCCEED();
}

}  // namespace
