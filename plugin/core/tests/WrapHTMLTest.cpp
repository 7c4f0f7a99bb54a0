// Text pages as the appliance's browser reads them, line by line.

#include "core/WrapHTML.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/tests/PluginTestBed.h"

namespace zephra {
namespace {

using testing::PluginTestBed;

TEST(WrapHTML, WritesThePageLineByLine) {
    PluginTestBed bed;
    bed.app.write("HTML/ZephraTemp/keep.txt", "");
    WrapHTML(bed.state, "ZephraTemp/page.html", "Blue", "Yellow", "7", "Arial", "Two\r\nlines & <i>\nLF", 3);
    EXPECT_EQ(bed.app.read("HTML/ZephraTemp/page.html"),
              "<HTML><HEAD>\r\n"
              "<SCRIPT LANGUAGE='JavaScript'>function delaySubmit(){setTimeout('restore()',3000);}function "
              "restore(){history.go(-1);}</SCRIPT></HEAD><BODY BGCOLOR='Blue' onload='delaySubmit()'>\r\n"
              "<BR><BR><BR><p align='center'>\r\n"
              "<FONT SIZE=7 FACE=Arial COLOR=Yellow><B>Two<BR>lines & <i>\nLF</B></FONT><br><br><div "
              "align=\"center\"><form><input type=button value=\"Return\" "
              "onClick=\"history.go(-1)\"></form></div></p>\r\n"
              "</BODY>\r\n"
              "</HTML>\r\n");
    EXPECT_TRUE(bed.Log().empty());
}

TEST(WrapHTML, WithoutADelayLoadsTheAppliancesTogglePageAndCanCarryTheLinks) {
    PluginTestBed bed;
    bed.app.write("HTML/links_touchscreen.htm", "<a href='/'>Home</a>");
    bed.state.settings.IncludeHeaderLinks = true;
    bed.state.settings.LinksFile = "links_touchscreen.htm";
    WrapHTML(bed.state, "page.html", "Red", "White", "5", "Tahoma", "Hi", 0);
    const std::string page = bed.app.read("HTML/page.html");
    EXPECT_NE(page.find("<BODY BGCOLOR='Red'>\r\n<a href='/'>Home</a>\r\n<BR><BR><BR>"), std::string::npos);
    EXPECT_NE(page.find("</BODY>\r\n<div><center><IFRAME frameborder=0 align='middle' scrolling='no' "
                        "name='hiddenframe' src='http://localhost/toggleBrowser.shtml'></IFRAME></center></div>\r\n"
                        "</HTML>\r\n"),
              std::string::npos);

    // A missing links file is named once, not at every page; the page goes on without it.
    bed.state.settings.LinksFile = "gone.htm";
    const std::string missing =
        "dkvZephra|WrapHTML links file " + bed.app.path().string() + "/html/gone.htm  Line 0 File not found";
    for (int i = 0; i < 3; ++i) WrapHTML(bed.state, "page.html", "Red", "White", "5", "Tahoma", "Hi", 0);
    EXPECT_EQ(bed.Log(), std::vector<std::string>{missing});
    EXPECT_NE(bed.app.read("HTML/page.html").find("<BODY BGCOLOR='Red'>\r\n<BR><BR><BR>"), std::string::npos);
    // Found again and lost again, it is named again.
    bed.app.write("HTML/gone.htm", "<a href='/'>Back</a>");
    WrapHTML(bed.state, "page.html", "Red", "White", "5", "Tahoma", "Hi", 0);
    EXPECT_NE(bed.app.read("HTML/page.html").find("<a href='/'>Back</a>"), std::string::npos);
    std::filesystem::remove(bed.app.path() / "HTML/gone.htm");
    WrapHTML(bed.state, "page.html", "Red", "White", "5", "Tahoma", "Hi", 0);
    EXPECT_EQ(bed.Log(), (std::vector<std::string>{missing, missing}));

    // A missing folder is logged; the page goes on.
    WrapHTML(bed.state, "nofolder/page.html", "Red", "White", "5", "Tahoma", "Hi", 0);
    EXPECT_EQ(bed.Log().back(), "dkvZephra|WrapHTML  Line 0 Object variable or With block variable not set");
}

}  // namespace
}  // namespace zephra
