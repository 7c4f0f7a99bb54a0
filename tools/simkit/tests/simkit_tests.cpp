#include "simkit/PrintableText.h"
#include "simkit/SimLog.h"
#include "simkit/WholeNumber.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <unistd.h>

using namespace simkit;

TEST(PrintableText, KeepsEveryLogLineOneLine) {
    EXPECT_EQ(printable("NAME = JOHN DOE"), "NAME = JOHN DOE");
    EXPECT_EQ(printable(std::string("a\r\nb\t\"c\"\\\0\x7f\xe9", 12)), "a\\r\\nb\\t\\\"c\\\"\\\\\\x00\\x7f\\xe9");
    EXPECT_EQ(quoted("x y"), "\"x y\"");
}

TEST(PrintableText, DecodesPercentEscapesAndLeavesBrokenOnesAlone) {
    EXPECT_EQ(percentDecoded("0%205"), "0 5");
    EXPECT_EQ(percentDecoded("a%2fb%2Fc"), "a/b/c");
    EXPECT_EQ(percentDecoded("100%"), "100%");
    EXPECT_EQ(percentDecoded("%zz%4"), "%zz%4");
    EXPECT_EQ(percentDecoded("+"), "+");
}

TEST(SimLog, WritesTimeWhoWhatOutcomeLines) {
    const auto path = std::filesystem::temp_directory_path() / ("simlog-" + std::to_string(getpid()) + ".log");
    {
        SimLog log(path.string());
        log.line("kitchen", "/led.shtml?t1", "ok topled=on");
        log.line("modem", "in", {});
    }
    std::ifstream in(path);
    std::string first, second;
    std::getline(in, first);
    std::getline(in, second);
    std::filesystem::remove(path);
    EXPECT_TRUE(std::regex_match(first, std::regex(R"(\d\d:\d\d:\d\d\.\d\d\d kitchen /led\.shtml\?t1 ok topled=on)")))
        << first;
    EXPECT_TRUE(std::regex_match(second, std::regex(R"(\d\d:\d\d:\d\d\.\d\d\d modem in)"))) << second;
    EXPECT_THROW(SimLog("/nonexistent-dir/x.log"), std::runtime_error);
}

TEST(WholeNumber, TakesPlainDigitsUpToTheLimitOnly) {
    EXPECT_EQ(wholeNumber("0", 10), 0);
    EXPECT_EQ(wholeNumber("100", 100), 100);
    EXPECT_EQ(wholeNumber("101", 100), std::nullopt);
    for (const char* bad : {"", "-1", "+1", " 1", "1 ", "1.5", "0x10", "99999999999999999999"})
        EXPECT_EQ(wholeNumber(bad, 1000000), std::nullopt) << bad;
}
