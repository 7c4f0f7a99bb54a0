#include <gtest/gtest.h>

#include <cmath>

#include "Support.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"

using vb::Variant;
using vbtest::describe;
using vbtest::errorOf;

TEST(Conversions, CIntRoundsHalfToEvenAndOverflows) {
    struct Case {
        Variant in;
        int expected;  // value, or -(error number) - 100000
    };
    const Case cases[] = {
        {2.5, 2},   {3.5, 4},       {-2.5, -2},   {-3.5, -4},    {2.4999, 2},      {"2.5", 2},         {" 12 ", 12},
        {true, -1}, {Variant(), 0}, {"&H10", 16}, {"1e3", 1000}, {32767.4, 32767}, {-32768.5, -32768},
    };
    for (const Case& c : cases) EXPECT_EQ(vb::CInt(c.in), c.expected) << describe(c.in);
    EXPECT_EQ(errorOf([] { vb::CInt(32767.5); }), 6);
    EXPECT_EQ(errorOf([] { vb::CInt(-32769); }), 6);
    EXPECT_EQ(errorOf([] { vb::CInt("abc"); }), 13);
    EXPECT_EQ(errorOf([] { vb::CInt(""); }), 13);
    EXPECT_EQ(errorOf([] { vb::CInt(Variant::null()); }), 94);
}

TEST(Conversions, CLngAndCByteRanges) {
    EXPECT_EQ(vb::CLng(2147483647.4), 2147483647);
    EXPECT_EQ(vb::CLng(-2147483648.5), INT32_MIN);
    EXPECT_EQ(vb::CLng("1,000"), 1000);
    EXPECT_EQ(vb::CLng(0.5), 0);
    EXPECT_EQ(vb::CLng(1.5), 2);
    EXPECT_EQ(errorOf([] { vb::CLng(2147483647.5); }), 6);
    EXPECT_EQ(errorOf([] { vb::CLng(1e300); }), 6);
    EXPECT_EQ(vb::CByte(255.4), 255);
    EXPECT_EQ(errorOf([] { vb::CByte(-1); }), 6);
    EXPECT_EQ(errorOf([] { vb::CSng(1e300); }), 6);
}

TEST(Conversions, ValReadsTheLeadingNumber) {
    struct Case {
        const char* in;
        double expected;
    };
    const Case cases[] = {
        {"  12abc", 12}, {"&H1F", 31},   {"1e3", 1000},       {"&O17", 15},       {"&17", 15}, {"", 0},
        {"abc", 0},      {"1 2 3", 123}, {"-12.5e2x", -1250}, {".5", 0.5},        {"3.0", 3},  {" 3", 3},
        {"x", 0},        {"&HFFFF", -1}, {"&HFFFFFFFF", -1},  {"&H10000", 65536}, {"1e", 1},   {"1,000", 1},
        {"+7", 7},       {"\t\n42", 42}, {"12 e 2", 1200},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(vb::Val(c.in), c.expected) << c.in;
    EXPECT_EQ(errorOf([] { vb::Val("1e999"); }), 6);
    EXPECT_EQ(errorOf([] { vb::Val("&H1FFFFFFFF"); }), 6);
    EXPECT_DOUBLE_EQ(vb::Val("&O9"), 0);
}

TEST(Conversions, IsNumericFollowsTheLanguage) {
    struct Case {
        Variant in;
        bool expected;
    };
    const Case cases[] = {
        {" 12 ", true},  {"1e5", true},      {"&H10", true},       {"", false},       {"abc", false},
        {"1,000", true}, {"$5", true},       {"-1.5", true},       {"1.5.2", false},  {"12abc", false},
        {"1e", false},   {".", false},       {"&H", false},        {Variant(), true}, {Variant::null(), false},
        {true, true},    {int16_t{3}, true}, {vb::Date{1}, false}, {"1 2", false},    {",5", false},
    };
    for (const Case& c : cases) EXPECT_EQ(vb::IsNumeric(c.in), c.expected) << describe(c.in);
}

TEST(Conversions, CStrPrintsNumbersAsTheLanguage) {
    struct Case {
        Variant in;
        const char* expected;
    };
    const Case cases[] = {
        {0.1 + 0.2, "0.3"},
        {1e16, "1E+16"},
        {1e15, "1E+15"},
        {123456789012345.0, "123456789012345"},
        {1.5e-5, "1.5E-05"},
        {0.0001, "0.0001"},
        {-0.0, "0"},
        {1.0 / 3, "0.333333333333333"},
        {-2.5, "-2.5"},
        {100.0, "100"},
        {2.0 / 3, "0.666666666666667"},
        {float(0.1f), "0.1"},
        {float(1.0f / 3), "0.3333333"},
        {int16_t{-5}, "-5"},
        {int32_t{70000}, "70000"},
        {true, "True"},
        {false, "False"},
        {Variant(), ""},
        {uint8_t{200}, "200"},
        {Variant::currency(15000), "1.5"},
        {Variant::currency(-1), "-0.0001"},
        {vb::Date{0.5}, "12:00:00 PM"},
        {vb::Date{46000}, "12/9/2025"},
        {vb::Date{46000.75}, "12/9/2025 6:00:00 PM"},
    };
    for (const Case& c : cases) EXPECT_EQ(vb::CStr(c.in), c.expected) << describe(c.in);
    EXPECT_EQ(errorOf([] { vb::CStr(Variant::null()); }), 94);
    EXPECT_EQ(vb::Str(5), " 5");
    EXPECT_EQ(vb::Str(-2.5), "-2.5");
    EXPECT_EQ(vb::Str("7"), " 7");
}

TEST(Conversions, CBoolTakesTrueFalseAndNumbers) {
    EXPECT_TRUE(vb::CBool("True"));
    EXPECT_FALSE(vb::CBool("false"));
    EXPECT_TRUE(vb::CBool("TRUE"));
    EXPECT_TRUE(vb::CBool("1"));
    EXPECT_FALSE(vb::CBool("0"));
    EXPECT_TRUE(vb::CBool("-1"));
    EXPECT_TRUE(vb::CBool(0.5));
    EXPECT_FALSE(vb::CBool(Variant()));
    EXPECT_EQ(errorOf([] { vb::CBool("x"); }), 13);
    EXPECT_EQ(errorOf([] { vb::CBool(""); }), 13);
    EXPECT_EQ(errorOf([] { vb::CBool(Variant::null()); }), 94);
}

TEST(Conversions, HexOctAndWholeNumbers) {
    EXPECT_EQ(vb::Hex(255), "FF");
    EXPECT_EQ(vb::Hex(int16_t{-1}), "FFFF");
    EXPECT_EQ(vb::Hex(-1), "FFFFFFFF");
    EXPECT_EQ(vb::Hex(2.5), "2");
    EXPECT_EQ(vb::Hex(Variant()), "0");
    EXPECT_EQ(vb::Oct(8), "10");
    EXPECT_EQ(vb::Oct(int16_t{-1}), "177777");
    EXPECT_EQ(describe(vb::Fix(-2.5)), "Double -2");
    EXPECT_EQ(describe(vb::Int(-2.5)), "Double -3");
    EXPECT_EQ(describe(vb::Int(int16_t{7})), "Integer 7");
    EXPECT_EQ(describe(vb::Int("2.7")), "Double 2");
    EXPECT_EQ(describe(vb::Int(vb::Date{46000.75})), "Date 12/9/2025");
    EXPECT_TRUE(vb::Fix(Variant::null()).isNull());
    EXPECT_EQ(describe(vb::Round(2.5)), "Double 2");
    EXPECT_EQ(describe(vb::Round(3.5)), "Double 4");
    EXPECT_EQ(describe(vb::Round(0.125, 2)), "Double 0.12");
    EXPECT_EQ(describe(vb::Round(2.567, 2)), "Double 2.57");
    EXPECT_EQ(describe(vb::Round(int32_t{5}, 2)), "Long 5");
    EXPECT_EQ(errorOf([] { vb::Round(1.5, -1); }), 5);
    EXPECT_EQ(describe(vb::Abs(int16_t{-32768})), "Long 32768");
    EXPECT_EQ(describe(vb::Abs(-2.5)), "Double 2.5");
    EXPECT_EQ(describe(vb::Abs(true)), "Integer 1");
    EXPECT_EQ(vb::Sgn(-0.1), -1);
    EXPECT_EQ(vb::Sgn(Variant()), 0);
    EXPECT_EQ(describe(vb::CCur(1.23456)), "Currency 1.2346");
}

TEST(Conversions, CDateReadsUsDatesAndSerials) {
    vb::setClock([] { return vb::DateSerial(2026, 12, 8); });
    struct Case {
        const char* in;
        const char* expected;
    };
    const Case cases[] = {
        {"12/8/2026", "12/8/2026"},
        {"12/08/26", "12/8/2026"},
        {"2026-12-08", "12/8/2026"},
        {"Dec 8, 2026", "12/8/2026"},
        {"December 8 2026", "12/8/2026"},
        {"Tuesday, December 08, 2026", "12/8/2026"},
        {"08-Dec-26", "12/8/2026"},
        {"8 December 1999", "12/8/1999"},
        {"3/15", "3/15/2026"},
        {"3:04 PM", "3:04:00 PM"},
        {"15:04:05", "3:04:05 PM"},
        {"12/8/2026 15:04:05", "12/8/2026 3:04:05 PM"},
        {"12/8/2026 3:04:05 AM", "12/8/2026 3:04:05 AM"},
        {"12:00 AM", "12:00:00 AM"},
        {"2/29/2024", "2/29/2024"},
    };
    for (const Case& c : cases) EXPECT_EQ(vb::CStr(Variant(vb::CDate(c.in))), c.expected) << c.in;
    for (const char* bad : {"2/30/2024", "13/13/2026", "25:00", "hello", "", "5", "1.5", "12/8/2026 3 PMX"})
        EXPECT_FALSE(vb::IsDate(bad)) << bad;
    EXPECT_EQ(errorOf([] { vb::CDate("x"); }), 13);
    EXPECT_DOUBLE_EQ(vb::CDate(46000.5).serial, 46000.5);
    EXPECT_TRUE(vb::IsDate(Variant(vb::Date{1})));
    EXPECT_FALSE(vb::IsDate(5));
    vb::setClock(nullptr);
}
