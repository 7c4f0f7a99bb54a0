#include <gtest/gtest.h>
#include "vb/Variant.h"
TEST(Smoke, Builds) { EXPECT_EQ(vb::TypeName(vb::Variant()), "Empty"); }
