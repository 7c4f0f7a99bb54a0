#include <gtest/gtest.h>

#include <functional>

#include "Support.h"
#include "vb/Operators.h"

using vb::Variant;
using vbtest::describe;
using vbtest::errorOf;

namespace {

using Binary = std::function<Variant(const Variant&, const Variant&)>;

struct Case {
    const char* name;
    Binary op;
    Variant a, b;
    const char* expected;  // describe() of the result
};

const Variant kNull = Variant::null();
const Variant kEmpty;
const int16_t kMaxInt = 32767;

}  // namespace

TEST(Operators, ArithmeticKeepsAndPromotesKinds) {
    const Case cases[] = {
        {"int+int", vb::add, int16_t{2}, int16_t{3}, "Integer 5"},
        {"int+int overflows to Long", vb::add, kMaxInt, int16_t{1}, "Long 32768"},
        {"long+long overflows to Double", vb::add, INT32_MAX, 1, "Double 2147483648"},
        {"byte+byte overflows to Integer", vb::add, uint8_t{200}, uint8_t{100}, "Integer 300"},
        {"int+long", vb::add, int16_t{1}, 1, "Long 2"},
        {"int+double", vb::add, int16_t{1}, 0.5, "Double 1.5"},
        {"long+single is Double", vb::add, 1, 0.5f, "Double 1.5"},
        {"int+single", vb::add, int16_t{1}, 0.5f, "Single 1.5"},
        {"string+string joins", vb::add, "1", "2", "String 12"},
        {"string+number converts", vb::add, "1", int16_t{2}, "Double 3"},
        {"empty+empty", vb::add, kEmpty, kEmpty, "Integer 0"},
        {"empty+string", vb::add, kEmpty, "a", "String a"},
        {"empty+long", vb::add, kEmpty, 5, "Long 5"},
        {"bool+bool", vb::add, true, true, "Integer -2"},
        {"null+1", vb::add, kNull, 1, "Null"},
        {"date+1", vb::add, vb::Date{46000.25}, int16_t{1}, "Date 12/10/2025 6:00:00 AM"},
        {"date-date", vb::subtract, vb::Date{46001}, vb::Date{46000}, "Double 1"},
        {"date-1", vb::subtract, vb::Date{46001}, 1, "Date 12/9/2025"},
        {"int-int", vb::subtract, int16_t{-32768}, int16_t{1}, "Long -32769"},
        {"string-string", vb::subtract, "5", "2", "Double 3"},
        {"int*int overflow", vb::multiply, int16_t{300}, int16_t{300}, "Long 90000"},
        {"long*long overflow", vb::multiply, 100000, 100000, "Double 10000000000"},
        {"currency*currency", vb::multiply, Variant::currency(15000), Variant::currency(15000), "Currency 2.25"},
        {"int/int is Double", vb::divide, int16_t{4}, int16_t{2}, "Double 2"},
        {"1/3", vb::divide, 1, 3, "Double 0.333333333333333"},
        {"single/int", vb::divide, 1.0f, int16_t{4}, "Single 0.25"},
        {"null/0", vb::divide, kNull, 0, "Null"},
        {"7\\2", vb::integerDivide, int16_t{7}, int16_t{2}, "Integer 3"},
        {"-7\\2", vb::integerDivide, -7, int16_t{2}, "Long -3"},
        {"7.5\\2 rounds first", vb::integerDivide, 7.5, 2, "Long 4"},
        {"6.5\\2 rounds to even", vb::integerDivide, 6.5, 2, "Long 3"},
        {"string\\int", vb::integerDivide, "9", int16_t{2}, "Long 4"},
        {"-32768\\-1", vb::integerDivide, int16_t{-32768}, int16_t{-1}, "Long 32768"},
        {"7 mod 3", vb::modulo, int16_t{7}, int16_t{3}, "Integer 1"},
        {"-7 mod 3", vb::modulo, int16_t{-7}, int16_t{3}, "Integer -1"},
        {"7.5 mod 3", vb::modulo, 7.5, int16_t{3}, "Long 2"},
        {"byte mod byte", vb::modulo, uint8_t{9}, uint8_t{4}, "Byte 1"},
        {"2^10", vb::power, int16_t{2}, int16_t{10}, "Double 1024"},
        {"4^0.5", vb::power, 4, 0.5, "Double 2"},
        {"a&b", vb::concatenate, "a", int16_t{1}, "String a1"},
        {"null&x", vb::concatenate, kNull, "x", "String x"},
        {"null&null", vb::concatenate, kNull, kNull, "Null"},
        {"1.5&true", vb::concatenate, 1.5, true, "String 1.5True"},
    };
    for (const Case& c : cases) EXPECT_EQ(describe(c.op(c.a, c.b)), c.expected) << c.name;
}

TEST(Operators, ArithmeticErrors) {
    EXPECT_EQ(errorOf([] { vb::divide(1, 0); }), 11);
    EXPECT_EQ(errorOf([] { vb::divide(0, 0); }), 6);
    EXPECT_EQ(errorOf([] { vb::divide(1, kEmpty); }), 11);
    EXPECT_EQ(errorOf([] { vb::integerDivide(1, 0.4); }), 11);
    EXPECT_EQ(errorOf([] { vb::modulo(5, 0); }), 11);
    EXPECT_EQ(errorOf([] { vb::add("a", 1); }), 13);
    EXPECT_EQ(errorOf([] { vb::multiply(1e200, 1e200); }), 6);
    EXPECT_EQ(errorOf([] { vb::power(-8, 1.0 / 3); }), 5);
    EXPECT_EQ(errorOf([] { vb::add(vb::Array::of({1}), 1); }), 13);
}

TEST(Operators, NegationKeepsKinds) {
    EXPECT_EQ(describe(vb::negate(int16_t{-32768})), "Long 32768");
    EXPECT_EQ(describe(vb::negate(INT32_MIN)), "Double 2147483648");
    EXPECT_EQ(describe(vb::negate(true)), "Integer 1");
    EXPECT_EQ(describe(vb::negate(kEmpty)), "Integer 0");
    EXPECT_EQ(describe(vb::negate("2.5")), "Double -2.5");
    EXPECT_TRUE(vb::negate(kNull).isNull());
}

TEST(Operators, LogicalOperatorsAreBitwiseWithNullRules) {
    const Case cases[] = {
        {"true and false", vb::logicalAnd, true, false, "Boolean False"},
        {"true or false", vb::logicalOr, true, false, "Boolean True"},
        {"12 and 10", vb::logicalAnd, int16_t{12}, int16_t{10}, "Integer 8"},
        {"12 or 3", vb::logicalOr, int16_t{12}, 3, "Long 15"},
        {"true and 5", vb::logicalAnd, true, int16_t{5}, "Integer 5"},
        {"byte xor byte", vb::logicalXor, uint8_t{5}, uint8_t{3}, "Byte 6"},
        {"2.6 and 3", vb::logicalAnd, 2.6, 3, "Long 3"},
        {"null and false", vb::logicalAnd, kNull, false, "Boolean False"},
        {"null and true", vb::logicalAnd, kNull, true, "Null"},
        {"null and 0", vb::logicalAnd, kNull, int16_t{0}, "Integer 0"},
        {"null or true", vb::logicalOr, kNull, true, "Boolean True"},
        {"null or false", vb::logicalOr, false, kNull, "Null"},
        {"null xor true", vb::logicalXor, kNull, true, "Null"},
        {"true eqv true", vb::logicalEqv, true, true, "Boolean True"},
        {"true eqv false", vb::logicalEqv, true, false, "Boolean False"},
        {"true imp false", vb::logicalImp, true, false, "Boolean False"},
        {"false imp null", vb::logicalImp, false, kNull, "Boolean True"},
        {"true imp null", vb::logicalImp, true, kNull, "Null"},
        {"null imp true", vb::logicalImp, kNull, true, "Boolean True"},
        {"'True' and true", vb::logicalAnd, "True", true, "Boolean True"},
    };
    for (const Case& c : cases) EXPECT_EQ(describe(c.op(c.a, c.b)), c.expected) << c.name;
    EXPECT_EQ(describe(vb::logicalNot(true)), "Boolean False");
    EXPECT_EQ(describe(vb::logicalNot(int16_t{0})), "Integer -1");
    EXPECT_EQ(describe(vb::logicalNot(kEmpty)), "Integer -1");
    EXPECT_EQ(describe(vb::logicalNot(uint8_t{1})), "Byte 254");
    EXPECT_EQ(describe(vb::logicalNot(1.4)), "Long -2");
    EXPECT_TRUE(vb::logicalNot(kNull).isNull());
}

TEST(Operators, Comparisons) {
    using vb::CompareMethod;
    using vb::Comparison;
    using vb::MixedCompare;
    struct Cmp {
        Variant a, b;
        CompareMethod method;
        MixedCompare mixed;
        Comparison expected;
    };
    const auto B = CompareMethod::Binary;
    const auto T = CompareMethod::Text;
    const auto C = MixedCompare::Convert;
    const auto N = MixedCompare::NumberLess;
    const Cmp cases[] = {
        {int16_t{1}, 1.0, B, C, Comparison::Equal},
        {2, 10, B, C, Comparison::Less},
        {"2", "10", B, C, Comparison::Greater},
        {"10", 10, B, C, Comparison::Equal},
        {"10", 9, B, C, Comparison::Greater},
        {10, "10", B, N, Comparison::Less},
        {"10", 10, B, N, Comparison::Greater},
        {"abc", "ABC", B, C, Comparison::Greater},
        {"abc", "ABC", T, C, Comparison::Equal},
        {"\xe9t\xe9", "\xc9T\xc9", T, C, Comparison::Equal},
        {"a", "b", T, C, Comparison::Less},
        {"_", "a", T, C, Comparison::Less},
        {kEmpty, "", B, C, Comparison::Equal},
        {kEmpty, 0, B, C, Comparison::Equal},
        {kEmpty, kEmpty, B, C, Comparison::Equal},
        {kEmpty, -1, B, C, Comparison::Greater},
        {true, -1, B, C, Comparison::Equal},
        {kNull, 1, B, C, Comparison::Null},
        {kNull, kNull, B, C, Comparison::Null},
        {vb::Date{46000}, "12/9/2025", B, C, Comparison::Equal},
        {vb::Date{46000}, 46000.5, B, C, Comparison::Less},
        {true, "True", B, C, Comparison::Equal},
        {"false", false, B, C, Comparison::Equal},
        {true, "0", B, C, Comparison::Less},
    };
    for (const Cmp& c : cases)
        EXPECT_EQ(vb::compare(c.a, c.b, c.method, c.mixed), c.expected) << describe(c.a) << " vs " << describe(c.b);
    EXPECT_EQ(errorOf([] { vb::compare("abc", 1); }), 13);
    EXPECT_EQ(describe(vb::equal(1, "1")), "Boolean True");
    EXPECT_EQ(describe(vb::notEqual(1, 2)), "Boolean True");
    EXPECT_EQ(describe(vb::lessOrEqual(2, 2)), "Boolean True");
    EXPECT_EQ(describe(vb::greater("b", "a")), "Boolean True");
    EXPECT_EQ(describe(vb::greaterOrEqual(1, 2)), "Boolean False");
    EXPECT_TRUE(vb::less(kNull, 1).isNull());
}
