// Text pages as the appliances' browsers get them: the page without a delay byte for byte,
// and the links block read afresh for every page.

#include "core/WrapHTML.h"

#include <gtest/gtest.h>

#include "core/tests/PluginTestBed.h"

namespace zephra {
namespace {

using testing::PluginTestBed;

TEST(TextPage, WithoutADelayThePageStaysAndLoadsTheAppliancesTogglePage) {
    PluginTestBed bed;
    bed.app.write("HTML/ZephraTemp/keep.txt", "");
    WrapHTML(bed.state, "ZephraTemp/ZephraTempFilekitchen3.html", "Black", "White", "5", "Verdana",
             "555 \r\n Front Desk\r\nTuesday 7:05 PM", 0);
    EXPECT_EQ(bed.app.read("HTML/ZephraTemp/ZephraTempFilekitchen3.html"),
              "<HTML><HEAD>\r\n"
              "<SCRIPT LANGUAGE='JavaScript'>function delaySubmit(){setTimeout('restore()',0000);}"
              "function restore(){history.go(-1);}</SCRIPT></HEAD><BODY BGCOLOR='Black'>\r\n"
              "<BR><BR><BR><p align='center'>\r\n"
              "<FONT SIZE=5 FACE=Verdana COLOR=White><B>555 <BR> Front Desk<BR>Tuesday 7:05 PM</B></FONT>"
              "<br><br><div align=\"center\"><form><input type=button value=\"Return\" "
              "onClick=\"history.go(-1)\"></form></div></p>\r\n"
              "</BODY>\r\n"
              "<div><center><IFRAME frameborder=0 align='middle' scrolling='no' name='hiddenframe' "
              "src='http://localhost/toggleBrowser.shtml'></IFRAME></center></div>\r\n"
              "</HTML>\r\n");
    EXPECT_TRUE(bed.Log().empty());
}

TEST(TextPage, TheLinksFileIsReadAfreshForEveryPage) {
    PluginTestBed bed;
    bed.state.settings.IncludeHeaderLinks = true;
    bed.state.settings.LinksFile = "links_touchscreen.htm";
    bed.app.write("HTML/links_touchscreen.htm", "<a href='/'>Home</a>\r\n<a href='/x'>X</a>");
    WrapHTML(bed.state, "page.html", "Blue", "Yellow", "7", "Arial", "Hi", 3);
    EXPECT_NE(bed.app.read("HTML/page.html")
                  .find("onload='delaySubmit()'>\r\n<a href='/'>Home</a>\r\n<a href='/x'>X</a>\r\n"
                        "<BR><BR><BR><p align='center'>\r\n"),
              std::string::npos);
    bed.app.write("HTML/links_touchscreen.htm", "<b>new</b>");
    WrapHTML(bed.state, "page.html", "Blue", "Yellow", "7", "Arial", "Hi", 3);
    EXPECT_NE(bed.app.read("HTML/page.html").find("'>\r\n<b>new</b>\r\n<BR>"), std::string::npos);
    EXPECT_TRUE(bed.Log().empty());
}

}  // namespace
}  // namespace zephra
