// Text written into pages, checked against the character references written out by hand.

#include <gtest/gtest.h>

#include "web/HtmlEncode.h"

namespace zephra::testing {
namespace {

TEST(HtmlEncode, TheFiveMarkupCharactersBecomeReferencesAndNothingElseChanges) {
    EXPECT_EQ(HTMLEncode("Tom & Jerry's <b>\"show\"</b>"), "Tom &amp; Jerry&#39;s &lt;b&gt;&quot;show&quot;&lt;/b&gt;");
    EXPECT_EQ(HTMLEncode("&amp;"), "&amp;amp;");
    EXPECT_EQ(HTMLEncode("caf\xE9 \t\r\n%20+"), "caf\xE9 \t\r\n%20+");
    EXPECT_EQ(HTMLEncode(""), "");
}

}  // namespace
}  // namespace zephra::testing
