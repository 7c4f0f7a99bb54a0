#include <gtest/gtest.h>

#include "Support.h"
#include "vb/Math.h"

using vbtest::errorOf;

TEST(Math, FunctionsAndTheirErrors) {
    EXPECT_DOUBLE_EQ(vb::Sqr(16), 4);
    EXPECT_DOUBLE_EQ(vb::Log(1), 0);
    EXPECT_EQ(errorOf([] { vb::Sqr(-1); }), 5);
    EXPECT_EQ(errorOf([] { vb::Log(0); }), 5);
    EXPECT_EQ(errorOf([] { vb::Exp(1000); }), 6);
    EXPECT_NEAR(vb::Atn(1) * 4, 3.14159265358979, 1e-12);
}

TEST(Math, RndIsRepeatableFromASeed) {
    float a = vb::Rnd(-3);
    float b = vb::Rnd();
    EXPECT_EQ(vb::Rnd(0), b);
    EXPECT_EQ(vb::Rnd(-3), a);
    EXPECT_EQ(vb::Rnd(), b);
    vb::Randomize(42);
    float c = vb::Rnd();
    for (int i = 0; i < 1000; ++i) {
        float r = vb::Rnd();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
    }
    EXPECT_NE(c, vb::Rnd());
}
