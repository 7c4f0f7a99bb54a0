// The page engine: host include files, the runner's call order, pages converted once, and
// pages that use the page frame through the engine's native names.

#include "web/HTMLIncludes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "core/tests/PluginTestBed.h"
#include "web/tests/PageTestObjects.h"

namespace zephra {
namespace {

using testing::FakeRequest;
using testing::FakeResponse;
using testing::PluginTestBed;

struct EngineBed : PluginTestBed {
    std::string Slide(const std::string& page, const std::string& dwell = "30") {
        return ASPSlide(state, vb::ObjectRef(request), vb::ObjectRef(response), page, dwell);
    }
    // The texts the scripts logged with the source "order".
    std::vector<std::string> Order() {
        std::vector<std::string> lines;
        for (const auto& line : host->Log())
            if (line.source == "order") lines.push_back(line.text);
        host->ClearCalls();
        return lines;
    }
    bool Logged(const std::string& start) {
        const auto lines = Log();
        return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
    }
    std::shared_ptr<FakeRequest> request = std::make_shared<FakeRequest>();
    std::shared_ptr<FakeResponse> response = std::make_shared<FakeResponse>();
};

const char* const kNewsPage =
    "<%\r\nDim greeting\r\ngreeting = \"Hello \" & Request.ServerVariables(\"REMOTE_ADDR\")\r\n"
    "hs.WriteLog \"order\", \"page\"\r\n%>\r\n"
    "<html><head></head><body>\r\n<%= greeting %>\r\n"
    "<% Response.Write FormatCell(\"c\", \"TABLEROWODD\", \"\", \"\") %>\r\n"
    "<p>\"quoted\" <%= Twice(21) %></p>\r\n<!--#include file=\"../Scripts/helper.txt\"-->\r\n</body></html>\r\n";

TEST(PageEngine, RunsTheHostIncludesInOrderAndConvertsEachPageOnce) {
    EngineBed bed;
    bed.app.write("HTML/includes/style.asp", "<% Dim styleLoaded : styleLoaded = True %>");
    bed.app.write(
        "HTML/includes/misc_functions.asp",
        "<%\r\nSub startmiscfunctionsasp()\r\nhs.WriteLog \"order\", \"startmisc\"\r\nEnd Sub\r\n"
        "Sub SecurityCheck()\r\nResponse.Write \"unused\"\r\nhs.WriteLog \"order\", \"security\"\r\nEnd Sub\r\n%>");
    bed.app.write("HTML/includes/header.asp",
                  "<%\r\nFunction startheaderasp()\r\nhs.WriteLog \"order\", \"header \" & styleLoaded\r\n"
                  "startheaderasp = False\r\nEnd Function\r\n%>");
    // An include file that includes itself is loaded once.
    bed.app.write("HTML/includes/menu_functions.asp", "<!--#include file=\"includes/menu_functions.asp\"-->\r\n");
    bed.app.write("Scripts/helper.txt", "Function Twice(x)\r\nTwice = 2 * x\r\nEnd Function\r\n");
    bed.app.write("HTML/slides/news.asp", kNewsPage);

    const std::string expected =
        "<html><head><meta http-equiv=\"Refresh\" content=\"30; URL=/ZephraSlideshow.asp\"></head><body>"
        "Hello 127.0.0.9<td class=\"TABLEROWODD\" >c</td><p>\"quoted\" 42</p></body></html>";
    EXPECT_EQ(bed.Slide("\\slides\\news.asp"), expected);
    EXPECT_TRUE(bed.Logged("dkvZephra|Page include skipped, already being loaded: includes\\menu_functions.asp"))
        << ::testing::PrintToString(bed.Log());
    EXPECT_EQ(bed.Order(), (std::vector<std::string>{"startmisc", "security", "header True", "page"}));

    bed.request->variables["REMOTE_ADDR"] = "127.0.0.8";
    EXPECT_EQ(bed.Slide("Slides\\NEWS.asp"), vb::Replace(expected, "127.0.0.9", "127.0.0.8"));
    EXPECT_EQ(bed.Order(), (std::vector<std::string>{"security", "header True", "page"}));
    EXPECT_EQ(bed.state.web.ConvertedPages, (std::vector<std::string>{"", "\\slides\\news.asp"}));

    // A settings reload drops the engine: the next page builds it again.
    bed.state.web.PageEngineReady = false;
    bed.Slide("\\slides\\news.asp");
    EXPECT_EQ(bed.Order().front(), "startmisc");
}

TEST(PageEngine, PagesWithoutHostIncludesUseThePageFrame) {
    EngineBed bed;
    bed.app.write("HTML/tail.htm", "<img src=\"POWERED.JPG\">");
    bed.app.write("HTML/frame.asp",
                  "<% Response.Write CustomHeader(\"Frame\") %>\r\n<% Dim s : Set s = New FastString\r\n"
                  "s.add \"a\" : s.add \"b\" : Response.Write s.value %>\r\n<% Response.Write CustomFooter() %>\r\n");
    const std::string html = bed.Slide("frame.asp", "25");
    EXPECT_EQ(html.rfind("<html><head><title>Frame</title>", 0), 0u) << html << ::testing::PrintToString(bed.Log());
    EXPECT_NE(html.find("<meta HTTP-EQUIV=\"refresh\" CONTENT=\"25\">"), std::string::npos) << html;
    EXPECT_NE(html.find("<a name=\"pagecontent\"></a>ab<img src=\"/powered.jpg\">"), std::string::npos) << html;
    EXPECT_EQ(html.substr(html.size() - 16), "</body></html>\r\n");

    // A page that is missing, or that does not compile, answers a black slide that refreshes
    // after its time, and the log names the page.
    const std::string refreshOnly =
        "<html><head><meta http-equiv=\"Refresh\" content=\"25; URL=/ZephraSlideshow.asp\"></head>"
        "<body bgcolor='black'></body></html>";
    EXPECT_EQ(bed.Slide("missing.asp", "25"), refreshOnly);
    EXPECT_TRUE(bed.Logged("dkvZephra|ASPAdd 53 "));
    EXPECT_TRUE(bed.Logged("dkvZephra|ASPSlide 35 missing.asp  Line 0 Sub or Function not defined"));
    bed.app.write("HTML/broken.asp", "<% If x Then %>");
    EXPECT_EQ(bed.Slide("broken.asp", "25"), refreshOnly);
    EXPECT_TRUE(bed.Logged("dkvZephra|AccumulateHTMLString: "));
    EXPECT_TRUE(bed.Logged("dkvZephra|ASPSlide 35 broken.asp "));
    // Asked again, the page fails the same way and the slideshow still goes on.
    EXPECT_EQ(bed.Slide("broken.asp", "25"), refreshOnly);
    // A page that calls a function nothing defines fails when it runs, the log naming the
    // function, rather than showing nothing where its value would be.
    bed.app.write("HTML/undefined.asp", "<html><body><p><%= Helper() %></p></body></html>\r\n");
    EXPECT_EQ(bed.Slide("undefined.asp", "25"), refreshOnly);
    EXPECT_TRUE(bed.Logged("dkvZephra|ASPSlide 13 undefined.asp  Line 6 Type mismatch: 'Helper'"))
        << ::testing::PrintToString(bed.Log());
}

TEST(PageEngine, AnIncludeLineNamingNoFileIsSkippedAndTheScanGoesOn) {
    EngineBed bed;
    // A helper whose comment speaks of includes before the include it makes.
    bed.app.write("Scripts/one.txt",
                  "' helpers #include other helpers\r\n'#include \"four.txt\"\r\nFunction One()\r\nOne = 1\r\nEnd "
                  "Function\r\n");
    bed.app.write("Scripts/four.txt", "Function Four()\r\nFour = 4\r\nEnd Function\r\n");
    bed.app.write("Scripts/two.txt", "Function Two()\r\nTwo = 2\r\nEnd Function\r\n");
    // An included HTML file whose comment speaks of includes, with includes after it.
    bed.app.write("HTML/parts.asp",
                  "<!-- each #include below loads one helper -->\r\n<!--#include file=\"../Scripts/one.txt\"-->\r\n"
                  "<!--#include file=\"../Scripts/two.txt\"-->\r\n<%\r\nFunction Three()\r\nThree = 3\r\nEnd "
                  "Function\r\n%>\r\n");
    bed.app.write("HTML/count.asp",
                  "<!--#include file=\"parts.asp\"-->\r\n<html><body><%= One() %><%= Two() %><%= Three() %><%= Four() "
                  "%></body></html>\r\n");
    const std::string html = bed.Slide("count.asp");
    EXPECT_NE(html.find("<body>1234</body>"), std::string::npos) << html << ::testing::PrintToString(bed.Log());
}

// An include that would leave the application folder is refused and named in the log; the page
// runs without what the file would have defined.
TEST(PageEngine, AnIncludeLeavingTheApplicationFolderIsRefusedAndSaidSo) {
    EngineBed bed;
    const std::filesystem::path outside = bed.app.path().parent_path() / "outside-helper.asp";
    std::ofstream(outside, std::ios::binary) << "<%\r\nFunction Helper()\r\nHelper = 7\r\nEnd Function\r\n%>\r\n";
    bed.app.write("HTML/out.asp",
                  "<!--#include file=\"../../outside-helper.asp\"-->\r\n<html><body><%= Helper() %></body></html>\r\n");
    const std::string html = bed.Slide("out.asp", "35");
    std::filesystem::remove(outside);
    EXPECT_EQ(html.find("7</body>"), std::string::npos) << html;
    EXPECT_TRUE(
        bed.Logged("dkvZephra|Page include refused, it leads out of the application folder: "
                   "..\\..\\outside-helper.asp"))
        << ::testing::PrintToString(bed.Log());
}

}  // namespace
}  // namespace zephra
