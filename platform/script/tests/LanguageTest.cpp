// Runs every script of tests/scripts as one test: the script asserts through native routines.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ScriptHarness.h"
#include "script/ScriptControl.h"
#include "vb/DateTime.h"
#include "windows/testing/TempAppFolder.h"

namespace {

std::vector<std::string> scriptNames() {
    std::vector<std::string> names;
    for (auto& e : std::filesystem::directory_iterator(SCRIPT_TEST_DIR))
        if (e.path().extension() == ".vbs") names.push_back(e.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class LanguageTest : public ::testing::TestWithParam<std::string> {};

TEST_P(LanguageTest, ScriptPasses) {
    windows::testing::TempAppFolder folder;
    // 8 December 2026, 15:04:05, for the date functions.
    vb::setClock([] { return vb::Date{46364.0 + (15 * 3600 + 4 * 60 + 5) / 86400.0}; });
    auto assertions = std::make_shared<script::testing::Assertions>();
    auto native = std::make_shared<script::testing::NativeThing>();
    script::ScriptControl sc;
    std::vector<std::string> log;
    sc.setLog([&](const std::string& s) { log.push_back(s); });
    sc.AddObject("Check", assertions, true);
    sc.AddObject("Native", native, false);
    std::string code = readFile(std::filesystem::path(SCRIPT_TEST_DIR) / (GetParam() + ".vbs"));
    try {
        sc.AddCode(code);
    } catch (const vb::Error& e) {
        ADD_FAILURE() << "error " << e.number() << " " << e.description() << " at line " << sc.lastError().Line
                      << " column " << sc.lastError().Column << ": " << sc.lastError().Text;
    }
    vb::setClock({});
    for (const std::string& f : assertions->failures) ADD_FAILURE() << f;
    EXPECT_GT(assertions->checks, 0);
}

INSTANTIATE_TEST_SUITE_P(Scripts, LanguageTest, ::testing::ValuesIn(scriptNames()),
                         [](const auto& info) { return info.param; });

}  // namespace
