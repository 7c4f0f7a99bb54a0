// Text pages as the appliances' browsers get them, byte for byte.

#include "core/WrapHTML.h"

#include <gtest/gtest.h>

#include "core/tests/PluginTestBed.h"

namespace zephra {
namespace {

using testing::PluginTestBed;

const std::string kButton =
    "<br><br><div align=\"center\"><form><input type=button value=\"Return\" onClick=\"history.go(-1)\"></form></div>";

TEST(TextPage, AReturnAfterTheDelayOrAHiddenFrameWithoutOne) {
    PluginTestBed bed;
    bed.app.write("HTML/ZephraTemp/keep.txt", "");
    WrapHTML(bed.state, "ZephraTemp/ZephraTempFilekitchen3.html", "Blue", "Yellow", "7", "Arial",
             "Line one\r\nLine <two> & \nthree", 5);
    EXPECT_EQ(bed.app.read("HTML/ZephraTemp/ZephraTempFilekitchen3.html"),
              "<HTML><HEAD>\r\n"
              "<SCRIPT LANGUAGE='JavaScript'>function delaySubmit(){setTimeout('restore()',5000);}"
              "function restore(){history.go(-1);}</SCRIPT></HEAD><BODY BGCOLOR='Blue' onload='delaySubmit()'>\r\n"
              "<BR><BR><BR><p align='center'>\r\n"
              "<FONT SIZE=7 FACE=Arial COLOR=Yellow><B>Line one<BR>Line <two> & \nthree</B></FONT>" +
                  kButton +
                  "</p>\r\n"
                  "</BODY>\r\n"
                  "</HTML>\r\n");

    // No delay: no onload, and the frame that loads the appliance's own toggle page.
    WrapHTML(bed.state, "ZephraTemp/ZephraTempFilekitchen3.html", "Black", "White", "5", "Verdana", "Call", 0);
    EXPECT_EQ(bed.app.read("HTML/ZephraTemp/ZephraTempFilekitchen3.html"),
              "<HTML><HEAD>\r\n"
              "<SCRIPT LANGUAGE='JavaScript'>function delaySubmit(){setTimeout('restore()',0000);}"
              "function restore(){history.go(-1);}</SCRIPT></HEAD><BODY BGCOLOR='Black'>\r\n"
              "<BR><BR><BR><p align='center'>\r\n"
              "<FONT SIZE=5 FACE=Verdana COLOR=White><B>Call</B></FONT>" +
                  kButton +
                  "</p>\r\n"
                  "</BODY>\r\n"
                  "<div><center><IFRAME frameborder=0 align='middle' scrolling='no' name='hiddenframe' "
                  "src='http://localhost/toggleBrowser.shtml'></IFRAME></center></div>\r\n"
                  "</HTML>\r\n");
    EXPECT_TRUE(bed.log().empty());
}

TEST(TextPage, TheLinksFileIsReadWholeAtEachPageAndAMissingOneIsLogged) {
    PluginTestBed bed;
    bed.state.settings.IncludeHeaderLinks = true;
    bed.state.settings.LinksFile = "links_touchscreen.htm";
    bed.app.write("HTML/links_touchscreen.htm", "<a href='/'>Home</a>\r\n<a href='/x'>X</a>");
    WrapHTML(bed.state, "page.html", "Blue", "Yellow", "7", "Arial", "Hi", 3);
    const std::string page = bed.app.read("HTML/page.html");
    EXPECT_NE(page.find("onload='delaySubmit()'>\r\n<a href='/'>Home</a>\r\n<a href='/x'>X</a>\r\n"
                        "<BR><BR><BR><p align='center'>\r\n"),
              std::string::npos)
        << page;
    EXPECT_NE(page.find("setTimeout('restore()',3000);"), std::string::npos);

    bed.app.write("HTML/links_touchscreen.htm", "<b>new</b>");
    WrapHTML(bed.state, "page.html", "Blue", "Yellow", "7", "Arial", "Hi", 3);
    EXPECT_NE(bed.app.read("HTML/page.html").find("'>\r\n<b>new</b>\r\n<BR>"), std::string::npos);

    // Without the links file the page is written all the same.
    std::filesystem::remove(bed.app.path() / "HTML/links_touchscreen.htm");
    WrapHTML(bed.state, "page.html", "Blue", "Yellow", "7", "Arial", "Hi", 3);
    EXPECT_NE(bed.app.read("HTML/page.html").find("onload='delaySubmit()'>\r\n<BR><BR><BR>"), std::string::npos);
    ASSERT_EQ(bed.log().size(), 1u);
    EXPECT_EQ(bed.log()[0], "dkvZephra|WrapHTML  Line 0 File not found");
}

}  // namespace
}  // namespace zephra
