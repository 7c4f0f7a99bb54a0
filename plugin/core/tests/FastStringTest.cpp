#include "core/FastString.h"

#include <gtest/gtest.h>

#include <string>

TEST(FastString, JoinsPiecesInOrderAndResets) {
    FastString s;
    EXPECT_EQ(s.value(), "");
    s.Add("a");
    s.Add("b");
    EXPECT_EQ(s.value(), "ab");
    EXPECT_EQ(s.value(), "ab");  // reading leaves it as it is
    s.Add("");
    s.Add(int64_t{-42});
    s.Add(7);
    EXPECT_EQ(s.value(), "ab-427");

    s.Reset();
    EXPECT_EQ(s.value(), "");
    std::string expected;
    for (int i = 0; i < 101; ++i) {
        std::string piece = "<td>" + std::to_string(i) + "</td>";
        s.Add(piece);
        expected += piece;
    }
    EXPECT_EQ(s.value(), expected);
    s.Add(std::string("\0x", 2));  // text is kept byte for byte
    EXPECT_EQ(s.value().size(), expected.size() + 2);
}
