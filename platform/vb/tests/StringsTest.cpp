#include <gtest/gtest.h>

#include "Support.h"
#include "vb/PercentDecode.h"
#include "vb/PercentEncode.h"
#include "vb/Strings.h"

using vb::CompareMethod;
using vbtest::errorOf;

TEST(Strings, InStrFindsFromStartWithBothCompares) {
    struct Case {
        int32_t start;
        const char* s;
        const char* find;
        CompareMethod method;
        int32_t expected;
    };
    const auto B = CompareMethod::Binary;
    const auto T = CompareMethod::Text;
    const Case cases[] = {
        {1, "abcabc", "bc", B, 2},
        {3, "abcabc", "bc", B, 5},
        {6, "abcabc", "bc", B, 0},
        {7, "abcabc", "c", B, 0},
        {4, "abc", "", B, 0},
        {3, "abc", "", B, 3},
        {1, "", "", B, 0},
        {1, "abc", "B", B, 0},
        {1, "abc", "B", T, 2},
        {1,
         "Stra\xdf"
         "e",
         "\xdf", T, 5},
        {1, "\xc9t\xe9", "\xe9T", T, 1},
        {1, "ab", "abc", B, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(vb::InStr(c.start, c.s, c.find, c.method), c.expected) << c.s << "/" << c.find;
    EXPECT_EQ(errorOf([] { vb::InStr(0, "a", "a"); }), 5);
    EXPECT_EQ(vb::InStr("hello", "l"), 3);
}

TEST(Strings, InStrRevSearchesBackwards) {
    EXPECT_EQ(vb::InStrRev("abcabc", "bc"), 5);
    EXPECT_EQ(vb::InStrRev("abcabc", "bc", 5), 2);
    EXPECT_EQ(vb::InStrRev("abcabc", "BC", -1, CompareMethod::Text), 5);
    EXPECT_EQ(vb::InStrRev("abc", "", 2), 2);
    EXPECT_EQ(vb::InStrRev("abc", "a", 4), 0);
    EXPECT_EQ(vb::InStrRev("", "a"), 0);
    EXPECT_EQ(errorOf([] { vb::InStrRev("a", "a", 0); }), 5);
}

TEST(Strings, LeftRightMid) {
    EXPECT_EQ(vb::Left("hello", 2), "he");
    EXPECT_EQ(vb::Left("hello", 10), "hello");
    EXPECT_EQ(vb::Right("hello", 3), "llo");
    EXPECT_EQ(vb::Right("hello", 0), "");
    EXPECT_EQ(vb::Mid("hello", 2), "ello");
    EXPECT_EQ(vb::Mid("hello", 2, 2), "el");
    EXPECT_EQ(vb::Mid("hello", 9), "");
    EXPECT_EQ(vb::Mid("hello", 4, 99), "lo");
    EXPECT_EQ(errorOf([] { vb::Mid("a", 0); }), 5);
    EXPECT_EQ(errorOf([] { vb::Left("a", -1); }), 5);
    EXPECT_EQ(errorOf([] { vb::Mid("a", 1, -1); }), 5);
    EXPECT_EQ(vb::Len("h\xe9llo"), 5);
}

TEST(Strings, ReplaceWithStartCountAndCompare) {
    EXPECT_EQ(vb::Replace("a-b-c", "-", "+"), "a+b+c");
    EXPECT_EQ(vb::Replace("a-b-c", "", "+"), "a-b-c");
    EXPECT_EQ(vb::Replace("a-b-c", "-", ""), "abc");
    EXPECT_EQ(vb::Replace("a-b-c", "-", "+", 1, 1), "a+b-c");
    EXPECT_EQ(vb::Replace("a-b-c", "-", "+", 3), "b+c");  // the part before start is dropped
    EXPECT_EQ(vb::Replace("abc", "b", "x", 4), "");
    EXPECT_EQ(vb::Replace("Response.Write x", "response.write", "fs.add", 1, -1, CompareMethod::Text), "fs.add x");
    EXPECT_EQ(vb::Replace("aaa", "aa", "a"), "aa");
    EXPECT_EQ(vb::Replace("x", "x", "xx"), "xx");
    EXPECT_EQ(errorOf([] { vb::Replace("a", "a", "b", 0); }), 5);
}

TEST(Strings, SplitKeepsEmptyPieces) {
    using V = std::vector<std::string>;
    EXPECT_EQ(vb::Split("a,,b,", ","), (V{"a", "", "b", ""}));
    EXPECT_EQ(vb::Split("a b"), (V{"a", "b"}));
    EXPECT_EQ(vb::Split("", ","), V{});
    EXPECT_EQ(vb::Split("abc", ""), V{"abc"});
    EXPECT_EQ(vb::Split("a,b,c", ",", 2), (V{"a", "b,c"}));
    EXPECT_EQ(vb::Split("a,b,c", ",", 0), V{});
    EXPECT_EQ(vb::Split("aXbxc", "x", -1, CompareMethod::Text), (V{"a", "b", "c"}));
    EXPECT_EQ(vb::Split("a||b", "||"), (V{"a", "b"}));
    vb::Array a = vb::toArray(vb::Split("x;y", ";"));
    EXPECT_EQ(a.lbound(), 0);
    EXPECT_EQ(a.ubound(), 1);
    EXPECT_EQ(vb::Join(a, "|"), "x|y");
    EXPECT_EQ(vb::toArray({}).ubound(), -1);
    const std::vector<std::string> parts{"a", "b"};
    EXPECT_EQ(vb::Join(parts), "a b");
    EXPECT_EQ(vb::Join(vb::Array::of({1, "x", 2.5, true}), ","), "1,x,2.5,True");
    const std::vector<std::string> files{"a.JPG", "b.gif", "c.jpg"};
    EXPECT_EQ(vb::Filter(files, ".jpg", true, CompareMethod::Text), (V{"a.JPG", "c.jpg"}));
    EXPECT_EQ(vb::Filter(files, ".jpg", false), (V{"a.JPG", "b.gif"}));
}

TEST(Strings, TrimCaseAndCharacters) {
    EXPECT_EQ(vb::Trim("  a b \t "), "a b \t");
    EXPECT_EQ(vb::Trim("\ta "), "\ta");
    EXPECT_EQ(vb::LTrim("  a "), "a ");
    EXPECT_EQ(vb::RTrim("  a "), "  a");
    EXPECT_EQ(vb::Trim("   "), "");
    EXPECT_EQ(vb::UCase("abc\xe9\xff\x9a"), "ABC\xc9\x9f\x8a");
    EXPECT_EQ(vb::LCase("ABC\xc9\xd7"), "abc\xe9\xd7");
    EXPECT_EQ(vb::UCase("\xdf"), "\xdf");
    EXPECT_EQ(vb::Space(3), "   ");
    EXPECT_EQ(vb::String(3, "xyz"), "xxx");
    EXPECT_EQ(vb::String(2, 65), "AA");
    EXPECT_EQ(vb::StrComp("a", "B"), 1);
    EXPECT_EQ(vb::StrComp("a", "B", CompareMethod::Text), -1);
    EXPECT_EQ(vb::StrComp("a", "A", CompareMethod::Text), 0);
    EXPECT_EQ(vb::StrReverse("abc"), "cba");
    EXPECT_EQ(vb::Chr(2), "\x02");
    EXPECT_EQ(vb::Asc("A"), 65);
    EXPECT_EQ(vb::Asc("\xe9"), 233);
    EXPECT_EQ(vb::ChrW(0x20AC), "\x80");
    EXPECT_EQ(vb::ChrW(0x4E00), "?");
    EXPECT_EQ(vb::AscW("\x80"), 0x20AC);
    EXPECT_EQ(errorOf([] { vb::Chr(256); }), 5);
    EXPECT_EQ(errorOf([] { vb::Asc(""); }), 5);
    EXPECT_EQ(errorOf([] { vb::Space(-1); }), 5);
}

namespace {

TEST(PercentDecoded, EachCallersRulesForOddEscapes) {
    using vb::PercentRules;
    // Kept as they came.
    EXPECT_EQ(vb::PercentDecoded("a%2fb%2Fc%20d"), "a/b/c d");
    EXPECT_EQ(vb::PercentDecoded("100%"), "100%");
    EXPECT_EQ(vb::PercentDecoded("%zz%4+"), "%zz%4+");
    // Refused, and a NUL with them.
    const PercentRules strict{false, false, PercentRules::BadEscape::Fail, 0, true};
    EXPECT_EQ(vb::PercentDecoded("/a%20b", strict), "/a b");
    EXPECT_EQ(vb::PercentDecoded("/a%2", strict), std::nullopt);
    EXPECT_EQ(vb::PercentDecoded("/a%00", strict), std::nullopt);
    // Computed, as the request object's pages expect: "+" a blank first, upper-case digits only,
    // nothing below a blank.
    const PercentRules form{true, true, PercentRules::BadEscape::Compute, 32, false};
    EXPECT_EQ(vb::PercentDecoded("a+b%2B", form), "a b+");
    EXPECT_EQ(vb::PercentDecoded("%4a", form), "?");
    EXPECT_EQ(vb::PercentDecoded("%zz%0A.", form), "  .");
    EXPECT_EQ(vb::PercentDecoded("x%", form), "x ");
    EXPECT_EQ(vb::PercentDecoded("%4", form), "@");
}

// Expected texts worked by hand from the URL standard's unreserved set (letters, digits, "-._~").
TEST(PercentEncoded, UnreservedBytesStayAndTheCallerKeepsItsOwn) {
    EXPECT_EQ(vb::PercentEncoded("AZaz09-._~"), "AZaz09-._~");
    EXPECT_EQ(vb::PercentEncoded("a b/c+d%e#f?g'h"), "a%20b%2Fc%2Bd%25e%23f%3Fg%27h");
    EXPECT_EQ(vb::PercentEncoded(std::string("\xE9\x80\x00\x7F", 4)), "%E9%80%00%7F");
    // A path keeps its separators.
    EXPECT_EQ(vb::PercentEncoded("pic s/caf\xE9 #1.jpg", "/"), "pic%20s/caf%E9%20%231.jpg");
    // A URL already written keeps its reserved marks and its escapes.
    EXPECT_EQ(vb::PercentEncoded("http://h:81/a b?x=1&y=%20#f", ":/?#[]@!$&'()*+,;=%"),
              "http://h:81/a%20b?x=1&y=%20#f");
    EXPECT_EQ(vb::PercentEncoded(""), "");
}

}  // namespace
