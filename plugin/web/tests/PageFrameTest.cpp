// The page frame: start procedures, access log, cells, fragments, links, scroller, header
// and footer, against a recording host and request and response objects of the test.

#include "web/PageFrame.h"

#include <gtest/gtest.h>

#include <map>

#include "automation/Class.h"
#include "core/tests/PluginTestBed.h"
#include "web/Request.h"
#include "web/tests/PageTestObjects.h"
#include "vb/Array.h"

namespace zephra {
namespace {

using testing::FakeRequest;
using testing::FakeResponse;
using testing::PluginTestBed;

struct FrameBed : PluginTestBed {
    FrameBed() {
        state.Part<PageFrameState>().Request = vb::ObjectRef(request);
        state.Part<PageFrameState>().Response = vb::ObjectRef(response);
    }
    // The start sequence the status page runs before it builds a page.
    bool Start(const std::string& agent) {
        request->variables["HTTP_USER_AGENT"] = agent;
        XStartMiscFunctionsASP(state);
        XSecurityCheck(state);
        return xStartHeaderASP(state);
    }
    std::shared_ptr<FakeRequest> request = std::make_shared<FakeRequest>();
    std::shared_ptr<FakeResponse> response = std::make_shared<FakeResponse>();
};

TEST(PageFrame, StartTellsTheApplianceBrowserAndTheHostVersion) {
    FrameBed bed;
    EXPECT_TRUE(bed.Start("Mozilla/4.0 (QNX; Voyager)"));
    EXPECT_TRUE(bed.Start("Zephra browser"));
    EXPECT_FALSE(bed.Start("zephra browser"));
    EXPECT_EQ(bed.state.Part<PageFrameState>().MenuFlag, "0");

    const std::pair<const char*, float> versions[] = {
        {"1.7 Build 44", 1.744f}, {"1.5.37", 1.537f}, {"", 1.538f}, {"abc", 1.6f}, {"2.0 Beta 3", 2.03f}};
    for (const auto& [text, number] : versions) {
        bed.host->SetVersion(text);
        EXPECT_FLOAT_EQ(NumericHSVersion(bed.state), number) << text;
        bed.Start("x");
        EXPECT_EQ(bed.state.Part<PageFrameState>().HostVersionOk, number >= 1.538f) << text;
    }
    EXPECT_EQ(fnPageName(bed.state), "status");
    bed.request->variables["PATH_INFO"] = "/status";
    EXPECT_EQ(fnPageName(bed.state), "/status");
}

TEST(PageFrame, AccessLogRedirectsAndLogsOnlyUnderSecurity) {
    FrameBed bed;
    bed.request->variables["PATH_INFO"] = "\\unauthorized.asp";
    LogAuthorized(bed.state);
    EXPECT_TRUE(bed.response->redirects.empty());

    bed.request->variables["PATH_INFO"] = "\\status";
    bed.state.Part<PageFrameState>().SecurityMode = "None";
    LogAuthorized(bed.state);
    bed.state.Part<PageFrameState>().SecurityMode = "basic";
    LogAuthorized(bed.state);
    bed.state.Part<PageFrameState>().SecurityMode = "ENHANCED";
    bed.state.Part<PageFrameState>().UserName = "ann";
    LogAuthorized(bed.state);
    EXPECT_EQ(bed.response->redirects, std::vector<std::string>(3, "/unauthorized.asp"));
    const auto log = bed.host->Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].source, "Unauthorized");
    EXPECT_EQ(log[0].text.rfind("Anonymous Guest at 127.0.0.9 attempted to access status at ", 0), 0u);
    EXPECT_EQ(log[1].text.rfind("ann at 127.0.0.9 attempted to access status at ", 0), 0u);
    EXPECT_EQ(log[1].text.substr(log[1].text.size() - 2), ". ");
}

TEST(PageFrame, MenuRowLogsHitsSavesDefaultsAndLinksAlerts) {
    FrameBed bed;
    bed.host->SetIniText("web_settings.ini", "[Settings]\nlogpagehits=1\n");
    EXPECT_EQ(MenuRow(bed.state, "status"), "");
    EXPECT_EQ(bed.host->GetIniSetting("header.asp", "useMenuRow", "", "includes.ini"), "0");
    EXPECT_EQ(bed.Log().back(), "Web Log|status was accessed by 127.0.0.9");

    bed.host->SetIniText("web_settings.ini", "[Settings]\nusesecurity=1\n");
    bed.host->SetIniText("WeatherData.ini", "[WeatherCom_CurrentData]\nAlertIDs=A1,,B2\n");
    bed.host->SetIniText("includes.ini", "[header.asp]\nuseAlerts=1\n");
    bed.state.Part<PageFrameState>().SecurityMode = "None";
    EXPECT_EQ(MenuRow(bed.state, "status"),
              "<a href=\"/weather/alerts/?alertId=A1\" target=\"_blank\">Weather Alert 1</a> | "
              "<a href=\"/weather/alerts/?alertId=B2\" target=\"_blank\">Weather Alert 2</a><br>\r\n");
    EXPECT_EQ(bed.host->GetIniSetting("Settings", "logpagehits", "", "web_settings.ini"), "0");

    bed.state.Part<PageFrameState>().SecurityMode = "Enhanced";
    MenuRow(bed.state, "status");
    EXPECT_EQ(bed.response->redirects, std::vector<std::string>{"/unauthorized.asp"});
}

TEST(PageFrame, CellsHaveTheApplianceLooksOrTheStyleClass) {
    FrameBed bed;
    EXPECT_EQ(FormatCell(bed.state, "x", "TABLEROWODD", "2", ""), "<td class=\"TABLEROWODD\" colspan=\"2\" >x</td>");
    EXPECT_EQ(FormatCell(bed.state, "x", "tablerowodd", "", "left"),
              "<td class=\"tablerowodd\" align=\"left\" >x</td>");
    bed.Start("QNX");
    EXPECT_EQ(FormatCell(bed.state, "x", "tableheader", "", ""),
              "<td bgcolor=\"#63639C\" ><font face=\"Verdana, Arial, sans-serif\" size=\"2\" color=\"#FFFFFF\">"
              "<b>x</b></font></td>");
    EXPECT_EQ(FormatCell(bed.state, "x", "TABLEROWEVEN", "3", "center"),
              "<td bgcolor=\"#949494\" colspan=\"3\" align=\"center\" ><font face=\"Verdana, Arial, sans-serif\" "
              "size=\"2\" color=\"#000000\">x</font></td>");
    EXPECT_EQ(FormatCell(bed.state, "x", "MYCLASS", "", ""), "<td ></td>");
}

TEST(PageFrame, FragmentsLinksScrollerAndFooter) {
    FrameBed bed;
    const std::string app = bed.host->GetAppPath();
    bed.app.write("html/spaces.htm", "   ");
    bed.app.write("html/crlf.htm", "\r\n");
    bed.app.write("html/text.htm", "  hi  ");
    bed.app.write("html/big.htm", std::string(40000, 'x'));
    EXPECT_EQ(FileContents(bed.state, app + "\\html\\spaces.htm"), "No File");
    EXPECT_EQ(FileContents(bed.state, app + "\\html\\missing.htm"), "No File");
    EXPECT_EQ(FileContents(bed.state, app + "\\html\\crlf.htm"), "\r\n");
    EXPECT_EQ(FileContents(bed.state, app + "\\html\\text.htm"), "  hi  ");
    EXPECT_EQ(FileContents(bed.state, app + "\\html\\big.htm").size(), 40000u);

    bed.app.write("html/links_touchscreen.htm", "touch links");
    EXPECT_EQ(LinkFile(bed.state), "No File");
    bed.Start("QNX");
    EXPECT_EQ(LinkFile(bed.state), "touch links");

    // An older host: no phone, voice or custom pages, and no version in the footer.
    bed.host->SetIniText("",
                         "[Settings]\ngLaunchHSPhone=1\nwebvenabled=True\ngCustomPageFile1=http://x/y\n"
                         "gCustomPageDesc1=X\ngCustomPageFile2=page.htm\ngCustomPageDesc2=P\n");
    bed.host->SetVersion("1.5.37");
    bed.Start("Mozilla");
    const std::string fixed =
        "<p><a href=\"/\">Home</a> | <a href=\"/stat\">Status</a> | <a href=\"/tope\">Events</a> | "
        "<a href=\"/elog\">Log</a> | <a href=\"/ctrl\">Control Device</a> | <a href=\"/devs\">Poll Device</a> | "
        "<a href=\"/tvgm\">TV/Video Game</a> | <a href=\"/setp\">Setup</a> | ";
    EXPECT_EQ(HSLinks(bed.state),
              fixed + "<a href=\"/html_help/hlp_contents.htm\">Help</a> | <a href=\"/logo\">Log Out</a></p>");
    bed.host->SetVersion("2.0.0");
    bed.Start("Mozilla");
    EXPECT_EQ(HSLinks(bed.state), fixed +
                                      " <a href=\"vmail0\">Messages</a> | <a href = \"/voic\">Voice</a> | "
                                      "<a href=\"/html_help/hlp_contents.htm\">Help</a> | <a href=\"http://x/y\">X</a>"
                                      "| <a href=\"/page.htm\">P</a>| <a href=\"/logo\">Log Out</a></p>");

    EXPECT_EQ(PageScroll(bed.state, "a|b"), "No File");
    bed.app.write("html/javascript/page_scroll.js", "s(******REPLACE_PAGESCROLL******)e");
    EXPECT_EQ(
        PageScroll(bed.state, "a|b"),
        "swcontent[0]=\"<font class='pagescrolltext'>a</font>\";wcontent[1]=\"<font class='pagescrolltext'>b</font>\";e");
    EXPECT_EQ(PageScroll(bed.state, "default"), "swcontent[0]=\"<font class='pagescrolltext'>default</font>\";e");

    bed.host->SetIniText("WeatherData.ini",
                         "[WeatherCom_CurrentData]\nTemp=70\nReport_City=Town\nCondition=Sunny\n"
                         "AlertIDs=Z\n[AccuWeather_HighLowData]\nHigh_Temp=80\nLow_Temp=60\n"
                         "[WeatherCom_ExtForecast]\nExtForecast0=" +
                             std::string(215, 'f') + "\nExtForecast1=" + std::string(216, 'g') + "\n");
    const std::string style = " style='color: red;' ";
    const std::string end = " <a href='/weathericons/weatherstats.asp#alerts'>View Alerts</a>  \"; ";
    EXPECT_EQ(PageScrollWeatherman(bed.state),
              "wcontent[3]= \"<font class='pagescrolltext' " + style + ">There are Weather Alerts for Town.</font> " +
                  end + "wcontent[0]= \"<font class='pagescrolltext' " + style +
                  ">Town Currently: Sunny Temp: 70&#176;F  Todays High: 80&#176;F   Todays Low: 60&#176;F</font> " +
                  end + "wcontent[1]= \"<font class='pagescrolltext' " + style + ">Forecast for " +
                  std::string(215, 'f') + "</font> " + end + "wcontent[2]= \"<font class='pagescrolltext' " + style +
                  ">Forecast for " + std::string(215, 'g') + "...</font> " + end);

    bed.app.write("html/tail.htm", "<tail>");
    bed.host->SetIniText("web_settings.ini", "[Settings]\nshowhsversion=Yes\nshowhssystime=Yes\n");
    const std::string footer = XCustomFooter(bed.state);
    EXPECT_EQ(footer.rfind("<tail><div class=\"footer\">Version: 2.0.0<br>System Uptime: ", 0), 0u);
    EXPECT_EQ(footer.substr(footer.size() - 22), "</div></body></html>\r\n");
    bed.Start("QNX");
    EXPECT_EQ(XCustomFooter(bed.state),
              "<br><br><div align=\"center\"><form><input type=button value=\" << \" onClick=\"history.back()\">"
              "<input type=button value=\"Refresh\" onClick=\"history.go(0)\"><input type=button value=\" >> \" "
              "onClick=\"history.forward()\"></form></div></body></html>\r\n");
}

TEST(PageFrame, HeaderOnAFreshHostSavesItsDefaultsAndShowsTheLogoBar) {
    FrameBed bed;
    bed.app.write("html/links.htm", "<links>");
    bed.host->SetIniText("includes.ini", "[header.asp]\nlogoShowClock=0\nlogoShowDate=0\nlogoShowTime=0\n");
    bed.Start("Mozilla");
    const std::string header = CustomHeader(bed.state, vb::Array::of({}));
    const std::string sun = bed.host->Sunrise();
    const std::string set = bed.host->Sunset();
    EXPECT_EQ(
        header,
        "<html><head><title> </title><link rel=\"stylesheet\" type=\"text/css\" href=\"/style.css\">"
        "<meta HTTP-EQUIV=\"EXPIRES\" CONTENT=\"0\"><meta HTTP-EQUIV=\"Pragma\" CONTENT=\"no-cache\"></head><body>"
        "<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" width=\"100%\" summary=\"Logo Bar\">"
        "<tr><td colspan=\"3\" class=\"pagetitle\"> </td></tr><tr class=\"logobar\">"
        "<td nowrap><img src=\"/sunrise.gif\" height=\"25\" alt=\"Sunrise is at " +
            sun + ".\" align=\"absmiddle\" border=\"0\"> <b>Sunrise:</b> " + sun +
            "</td>"
            "<td nowrap><img src=\"/sunset.gif\" height=\"25\" alt=\"Sunset is at " +
            set + ".\" align=\"absmiddle\" border=\"0\"> <b>Sunset:</b> " + set +
            "</td>"
            "<td align=\"right\" colspan=\"1\"><a href=\"/stat\" target=\"_top\"><img alt=\"Link to HomeSeer Devices.\""
            "  width=\"133\" height=\"25\" src=\"/pluginlogo.JPG\" border=\"0\"></a></td></tr></table>"
            "<links> <a name=\"pagecontent\"></a>");
    auto saved = [&](const std::string& key) { return bed.host->GetIniSetting("header.asp", key, "", "includes.ini"); };
    EXPECT_EQ(saved("strPageTitle"), "n/a");
    EXPECT_EQ(saved("strShowLinks"), "OldStyle");
    EXPECT_EQ(saved("strRefresh"), "0");
    EXPECT_EQ(saved("strLogoYN"), "Yes");
    EXPECT_EQ(saved("UseSecurity"), "None");
    EXPECT_EQ(saved("HideTitle"), "0");
    EXPECT_EQ(saved("linkslocation"), "1");
    EXPECT_EQ(saved("usePageScroll"), "0");
    EXPECT_EQ(bed.state.Part<PageFrameState>().SecurityMode, "None");

    // The next page: the title "n/a" shows in the title element only.
    const std::string next = CustomHeader(bed.state, vb::Array::of({}));
    EXPECT_NE(next.find("<title>n/a</title>"), std::string::npos);
    EXPECT_EQ(next.find("Logo Bar"), std::string::npos);
}

TEST(PageFrame, HeaderTextFormRefreshAndApplianceBrowser) {
    FrameBed bed;
    bed.Start("Mozilla");
    const std::string text = CustomHeader(bed.state, vb::Variant("My <b>Page</b>,,bgcolor=red"));
    EXPECT_EQ(
        text.rfind("<html><head><title>My Page</title><link rel=\"stylesheet\" type=\"text/css\" href=\"/style.css\">",
                   0),
        0u);
    EXPECT_NE(text.find("</head><body bgcolor=red>"), std::string::npos);
    EXPECT_NE(CustomHeader(bed.state, vb::Variant("T,,a,,b")).find("href=\"/styleNoBody.css\""), std::string::npos);
    EXPECT_EQ(bed.host->GetIniSetting("header.asp", "strPageTitle", "", "includes.ini"), "");

    auto withRefresh = [&](const std::string& value) {
        return CustomHeader(bed.state, vb::Array::of({"T", "", "", "", "", "NO", vb::Variant(value)}));
    };
    EXPECT_NE(withRefresh("30").find("<meta HTTP-EQUIV=\"refresh\" CONTENT=\"30\">"), std::string::npos);
    EXPECT_EQ(withRefresh("05").find("refresh\""), std::string::npos);
    bed.host->SetIniText("", "[Settings]\nauto_refresh=15\nBODY_OnLoad=go()\n");
    EXPECT_NE(withRefresh("1").find("CONTENT=\"15\"></head>No File<body onload=\"go()\" >"), std::string::npos);

    bed.app.write("html/links_touchscreen.htm", "<touch>");
    bed.app.write("html/head_touchscreen.htm", "<top>");
    bed.host->SetIniText("includes.ini", "[header.asp]\nlinkslocation=1\n");
    bed.Start("QNX");
    const std::string appliance = CustomHeader(
        bed.state, vb::Array::of({"Title", "", "navy", "bg.gif", "", "oldstyle", "0", "", "no_logo_slide"}));
    EXPECT_NE(appliance.find("<body   bgcolor=\"navy\"  background=\"bg.gif\"><top><touch><div align=\"center\"> </div>"
                             "<div align=\"center\"><strong>Title</strong></div><a name=\"pagecontent\"></a>"),
              std::string::npos)
        << appliance;
}

TEST(PageFrame, ThePageNameUnderThePluginsServerIsThePathAnswered) {
    FrameBed bed;
    // The plug-in's own request object gives the path it answers; a header line of the same name
    // changes nothing.
    auto own = std::make_shared<Request>();
    own->remoteip("127.0.0.9");
    own->ParsePage("GET /pages/status?x=1 HTTP/1.1\r\nPATH_INFO: \\unauthorized.asp\r\nREMOTE_ADDR: 10.0.0.1\r\n\r\n");
    bed.state.Part<PageFrameState>().Request = vb::ObjectRef(own);
    EXPECT_EQ(fnPageName(bed.state), "status");
    bed.state.Part<PageFrameState>().SecurityMode = "basic";
    LogAuthorized(bed.state);
    const auto log = bed.host->Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].text.rfind("Anonymous Guest at 127.0.0.9 attempted to access status at ", 0), 0u) << log[0].text;
    EXPECT_EQ(bed.response->redirects, std::vector<std::string>(1, "/unauthorized.asp"));
}

}  // namespace
}  // namespace zephra
