// .asp pages converted into page functions, byte for byte.

#include "web/ConvertASP.h"

#include <gtest/gtest.h>

#include "core/tests/PluginTestBed.h"
#include "vb/Strings.h"

namespace zephra {
namespace {

using testing::PluginTestBed;

const std::string kHead = "\r\nDim fs\r\nFunction dkvZephra_5cpage_2easp()\r\nSet fs = New FastString\r\n";
const std::string kTail = "\r\ndkvZephra_5cpage_2easp = fs.value\r\nSet fs = Nothing\r\nend Function\r\n";

std::string Convert(PluginTestBed& bed, const std::string& text, const std::string& dwell = "30") {
    ConvertASPState page;
    page.PageFunctionName = PageFunctionNameOf("\\page.asp");
    return ConvertPage(bed.state, page, text, dwell);
}

TEST(ConvertASP, PageFunctionNamesKeepLettersAndDigitsAndEscapeTheRest) {
    EXPECT_EQ(PageFunctionNameOf("\\Slides\\News.asp"), "dkvZephra_5cslides_5cnews_2easp");
    EXPECT_EQ(PageFunctionNameOf("my-slide.asp"), "dkvZephramy_2dslide_2easp");
    EXPECT_NE(PageFunctionNameOf("a b"), PageFunctionNameOf("ab"));
    EXPECT_NE(PageFunctionNameOf("a_20b"), PageFunctionNameOf("a b"));
}

TEST(ConvertASP, LiteralPagesBecomeOneAddPerLine) {
    PluginTestBed bed;
    EXPECT_EQ(Convert(bed, "<html><head></head>\r\n<p class=\"x\">Hi</p>\r\n</html>\r\nZ"),
              kHead +
                  "fs.add \"<html><head><meta http-equiv=\"\"Refresh\"\" content=\"\"30; "
                  "URL=/ZephraSlideshow.asp\"\"></head>\"\r\nfs.add \"<p class=\"\"x\"\">Hi</p>\"\r\nfs.add "
                  "\"</html>\"\r\nfs.add \"Z\"" +
                  "\r\n" + kTail);
    // A literal beginning with a quote, and code writing an empty text, are kept whole.
    EXPECT_EQ(Convert(bed, "<HTML>\r\n\"q\"\r\n<% Response.Write \"\" & x %>\r\n"),
              kHead +
                  "fs.add \"<HTML><HEAD><meta http-equiv=\"\"Refresh\"\" content=\"\"30; "
                  "URL=/ZephraSlideshow.asp\"\"></HEAD>\"\r\nfs.add \"\"\"q\"\"\"\r\n fs.add \"\" & x \r\n" +
                  kTail);
}

// A page saved on Linux (LF alone) or an old Mac (CR alone) converts as the same page with CR LF.
TEST(ConvertASP, EveryLineEndIsTakenAsCrLf) {
    PluginTestBed bed;
    const std::string crlf =
        "<%\r\nDim a\r\na = 6 * 7\r\n%>\r\n<html><head></head>\r\n<h1>News <%= a %></h1>\r\n</html>\r\n";
    const std::string expected = Convert(bed, crlf);
    EXPECT_EQ(Convert(bed, vb::Replace(crlf, "\r\n", "\n")), expected);
    EXPECT_EQ(Convert(bed, vb::Replace(crlf, "\r\n", "\r")), expected);
    EXPECT_EQ(Convert(bed, "<%\nDim a\r\na = 6 * 7\n%>\r\n<html><head></head>\n<h1>News <%= a %></h1>\r\n</html>\n"),
              expected);
    EXPECT_EQ(WithCrLf("a\n\nb\r\r\nc\r"), "a\r\n\r\nb\r\n\r\nc\r\n");
}

TEST(ConvertASP, DeclarationsBeforeTheHeadAndProceduresAfterTheTail) {
    PluginTestBed bed;
    const std::string page =
        "<%\r\nDIM a\r\nConst b = 2\r\na = b\r\n%>\r\n<html><head></head>\r\n"
        "<%= a %>\r\n<% RESPONSE.WRITE(\"w\") %>\r\n<%\r\nx = 1\r\nSub Helper()\r\nfs.add \"h\"\r\nEnd Sub\r\n%>\r\n"
        "<p>after</p>\r\n";
    EXPECT_EQ(
        Convert(bed, page),
        "\r\nDIM a\r\nConst b = 2\r\n" + kHead +
            "a = b\r\nfs.add \"<html><head><meta http-equiv=\"\"Refresh\"\" "
            "content=\"\"30; URL=/ZephraSlideshow.asp\"\"></head>\"\r\nfs.add  a \r\n fs.add(\"w\") \r\n\r\nx = 1\r\n" +
            kTail + "Sub Helper()\r\nfs.add \"h\"\r\nEnd Sub\r\nfs.add \"<p>after</p>\"\r\n");
}

TEST(ConvertASP, HeaderCallsArePaddedToTheSlidesTime) {
    PluginTestBed bed;
    const std::string one = Convert(bed, "<% x = CustomHeader(\"T\") %>", "45");
    EXPECT_NE(one.find("CustomHeader(\"T\",,,,,,45)"), std::string::npos);
    EXPECT_EQ(one.find("Refresh"), std::string::npos);
    const std::string eight = Convert(bed, "<% x = customheader(Array(f(1),2,3,4,5,6,7,8)) %>", "9");
    EXPECT_NE(eight.find("customheader(Array(f(1),2,3,4,5,6,9,8))"), std::string::npos);
}

TEST(ConvertASP, RefreshTimesAreReplacedOrInserted) {
    PluginTestBed bed;
    const std::string own =
        Convert(bed,
                "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-1\">"
                "<meta http-equiv=\"refresh\" content=\"60; URL=/mine.asp\"></head></html>",
                "12");
    EXPECT_NE(own.find("charset=iso-8859-1"), std::string::npos);
    EXPECT_NE(own.find("content=\"\"12; URL=/mine.asp\"\""), std::string::npos);
    // Neither HTML nor HEAD, and an empty page: the refresh is the function's first literal.
    const std::string bare = kHead +
                             "fs.add \"<HTML><HEAD><meta http-equiv=\"\"Refresh\"\" content=\"\"7; "
                             "URL=/ZephraSlideshow.asp\"\"></HEAD>\"\r\n";
    EXPECT_EQ(Convert(bed, "<p>x</p>", "7"), bare + "fs.add \"<p>x</p>\"\r\n" + kTail);
    EXPECT_EQ(Convert(bed, "", "7"), bare + kTail);
}

TEST(ConvertASP, IncludeDirectivesStandOnLinesOfTheirOwn) {
    PluginTestBed bed;
    EXPECT_EQ(Convert(bed, "<HTML>a<!--#include file=\"inc.asp\"-->b\r\n<!-- #include virtual=\"/x.asp\" -->\r\n"),
              kHead +
                  "fs.add \"<HTML><HEAD><meta http-equiv=\"\"Refresh\"\" content=\"\"30; "
                  "URL=/ZephraSlideshow.asp\"\"></HEAD>a\"\r\n<!--#include file=\"inc.asp\"-->\r\nfs.add \"b\"\r\n"
                  "<!-- #include virtual=\"/x.asp\" -->\r\n" +
                  kTail);
}

}  // namespace
}  // namespace zephra
