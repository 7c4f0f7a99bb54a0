// Text that reaches the runtime from requests, files and modems is arbitrary: every reading
// and formatting function must answer it or raise a language error, never crash or hang.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "Support.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Format.h"
#include "vb/Operators.h"
#include "vb/Strings.h"

namespace {

std::string randomText(std::mt19937& rng) {
    static const std::string alphabet = "0123456789&HhOo eEdD+-.,$:/\\\"APMapmyqwnstcDecJanMonday%#;\t\xe9\xff";
    std::uniform_int_distribution<std::size_t> length(0, 24), pick(0, alphabet.size() - 1), byte(0, 255);
    std::string s;
    std::size_t n = length(rng);
    for (std::size_t i = 0; i < n; ++i) s += (i % 7 == 6) ? static_cast<char>(byte(rng)) : alphabet[pick(rng)];
    return s;
}

// Runs a step; a language error is a fine answer, anything else fails the test.
template <class Step>
void answers(Step&& step, const std::string& input) {
    try {
        step();
    } catch (const vb::Error&) {
    } catch (const std::exception& e) {
        ADD_FAILURE() << "unexpected " << e.what() << " for [" << input << "]";
    }
}

}  // namespace

TEST(RandomInput, ReadingAndFormattingNeverCrash) {
    std::mt19937 rng(20261208);
    vb::setClock([] { return vb::DateSerial(2026, 12, 8); });
    for (int i = 0; i < 20000; ++i) {
        std::string s = randomText(rng);
        std::string p = randomText(rng);
        vb::Variant v(s);
        answers([&] { vb::parseNumber(s); }, s);
        answers([&] { vb::Val(s); }, s);
        answers([&] { vb::IsNumeric(v); }, s);
        answers([&] { vb::IsDate(v); }, s);
        answers([&] { vb::CInt(v); }, s);
        answers([&] { vb::CBool(v); }, s);
        answers([&] { vb::CDate(v); }, s);
        answers([&] { vb::Format(v, p); }, s + " / " + p);
        answers([&] { vb::Format(vb::Variant(1234.5678), p); }, p);
        answers([&] { vb::formatDate(vb::DateSerial(2026, 12, 8), p); }, p);
        answers([&] { vb::compare(v, vb::Variant(p), vb::CompareMethod::Text); }, s);
        answers([&] { vb::add(v, vb::Variant(int16_t{1})); }, s);
        answers([&] { vb::Replace(s, p, s); }, s);
        answers([&] { vb::Split(s, p); }, s);
    }
    vb::setClock(nullptr);
}

TEST(RandomInput, HugeRequestsAreRefusedWithLanguageErrors) {
    using vbtest::errorOf;
    EXPECT_EQ(errorOf([] { vb::Space(INT32_MAX); }), 14);
    EXPECT_EQ(errorOf([] { vb::String(INT32_MAX, "x"); }), 14);
    std::string big(1 << 20, 'a');
    EXPECT_EQ(errorOf([&] { vb::Replace(big, "a", std::string(1024, 'b')); }), 14);
    EXPECT_EQ(errorOf([] { vb::Array({{0, 1 << 30}}); }), 7);
    EXPECT_EQ(errorOf([] { vb::Year(vb::Date{1e300}); }), 6);
    EXPECT_EQ(errorOf([] { vb::CDate(std::nan("")); }), 6);
    EXPECT_EQ(vb::Format(1.5, "0." + std::string(60, '0') + "E+00").size(), 66u);
}
