// The page frame's smaller pieces: table cells, fragment files, the links bar, the scrolling
// text with its weather lines, and the footer.

#include <string>

#include "core/FastString.h"
#include "core/PluginState.h"
#include "vb/Strings.h"
#include "web/PageFrame.h"
#include "web/PageFrameDetail.h"
#include "windows/FileSystemObject.h"

namespace zephra {

using namespace page_frame;

namespace {

// The appliance browser's fixed look of a table style.
struct CellLook {
    const char* style;
    bool bold;
    const char* colour;
    const char* background;
};
constexpr CellLook kCellLooks[] = {
    {"TABLECOLUMN", true, "#FFFFFF", "#31639C"},      {"TABLEHEADER", true, "#FFFFFF", "#63639C"},
    {"TABLEROWODD", false, "#000000", "#C0C0C0"},     {"TABLEROWEVEN", false, "#000000", "#949494"},
    {"TABLECELLCUSTOM", false, "#FFFFFF", "#000000"},
};
constexpr const char* kCellFace = "Verdana, Arial, sans-serif";
constexpr const char* kCellSize = "2";

const CellLook* LookOf(const std::string& style) {
    const std::string upper = vb::UCase(style);
    for (const auto& look : kCellLooks)
        if (upper == look.style) return &look;
    return nullptr;
}

constexpr const char* kFixedLinks =
    "<p><a href=\"/\">Home</a> | <a href=\"/stat\">Status</a> | <a href=\"/tope\">Events</a> | "
    "<a href=\"/elog\">Log</a> | <a href=\"/ctrl\">Control Device</a> | <a href=\"/devs\">Poll Device</a> | "
    "<a href=\"/tvgm\">TV/Video Game</a> | <a href=\"/setp\">Setup</a> | ";
constexpr const char* kScrollMarker = "(******REPLACE_PAGESCROLL******)";
constexpr int32_t kForecastLength = 215;

std::string Forecast(PluginState& state, const std::string& key) {
    std::string text = Setting(state, "WeatherCom_ExtForecast", key, kWeather);
    if (vb::Len(text) > kForecastLength) text = vb::Left(text, kForecastLength) + "...";
    return text;
}

}  // namespace

std::string FormatCell(PluginState& state, const std::string& text, const std::string& style,
                       const std::string& colspan, const std::string& align) {
    FastString content;
    FastString attributes;
    Trapped(state, " FormatCell: ", [&] {
        if (state.Part<PageFrameState>().ApplianceBrowser) {
            if (const CellLook* look = LookOf(style)) {
                const std::string inner = look->bold ? "<b>" + text + "</b>" : text;
                content.Add(std::string("<font face=\"") + kCellFace + "\" size=\"" + kCellSize + "\" color=\"" +
                            look->colour + "\">" + inner + "</font>");
                attributes.Add(std::string("bgcolor=\"") + look->background + "\" ");
            }
        } else {
            content.Add(text);
            attributes.Add("class=\"" + style + "\" ");
        }
        if (!colspan.empty()) attributes.Add("colspan=\"" + colspan + "\" ");
        if (!align.empty()) attributes.Add("align=\"" + align + "\" ");
    });
    return "<td " + attributes.value() + ">" + content.value() + "</td>";
}

// Fragment files of any size are read whole.
std::string FileContents(PluginState& state, const std::string& path) {
    std::string text = kNoFile;
    Trapped(state, "FileContents: ", [&] {
        windows::FileSystemObject fso;
        if (!fso.FileExists(path) || fso.GetFile(path).Size() <= 0) return;
        auto stream = fso.OpenTextFile(path);
        std::string whole = stream->ReadAll();
        stream->Close();
        if (!vb::Trim(whole).empty()) text = std::move(whole);
    });
    return text;
}

std::string HSLinks(PluginState& state) {
    FastString links;
    Trapped(state, "HSLinks: ", [&] {
        const bool newer = state.Part<PageFrameState>().HostVersionOk;
        auto hostSetting = [&](const std::string& key) {
            return newer ? Setting(state, kSettingsSection, key, "") : std::string();
        };
        links.Add(kFixedLinks);
        if (hostSetting("gLaunchHSPhone") == "1") links.Add(" <a href=\"vmail0\">Messages</a> | ");
        if (hostSetting("webvenabled") == "True") links.Add("<a href = \"/voic\">Voice</a> | ");
        links.Add("<a href=\"/html_help/hlp_contents.htm\">Help</a> ");
        for (int page = 1; page <= 4; ++page) {
            const std::string file = hostSetting("gCustomPageFile" + std::to_string(page));
            if (file.empty()) continue;
            const std::string description = hostSetting("gCustomPageDesc" + std::to_string(page));
            const bool asIs = vb::Left(file, 1) == "/" || vb::Left(file, 4) == "http";
            links.Add("| <a href=\"" + std::string(asIs ? "" : "/") + file + "\">" + description + "</a>");
        }
        links.Add("| <a href=\"/logo\">Log Out</a>");
        links.Add("</p>");
    });
    return links.value();
}

std::string PageScroll(PluginState& state, const std::string& name) {
    std::string script;
    Trapped(state, "PageScroll: ", [&] {
        FastString lines;
        if (name == "Default") {
            lines.Add(PageScrollWeatherman(state));
        } else {
            const auto pieces = vb::Split(name, "|");
            for (std::size_t i = 0; i < pieces.size(); ++i)
                lines.Add("wcontent[" + std::to_string(i) + "]=\"<font class='pagescrolltext'>" + pieces[i] +
                          "</font>\";");
        }
        if (lines.value().empty()) return;
        const std::string scroller = FileContents(state, HostPath(state, "\\html\\javascript\\page_scroll.js"));
        script = vb::Replace(scroller, kScrollMarker, lines.value());
    });
    return script;
}

std::string PageScrollWeatherman(PluginState& state) {
    FastString lines;
    Trapped(state, "PageScrollWeatherman: ", [&] {
        auto current = [&](const std::string& key) { return Setting(state, kCurrentWeather, key, kWeather); };
        auto highLow = [&](const std::string& key) { return Setting(state, "AccuWeather_HighLowData", key, kWeather); };
        const std::string city = current("Report_City");
        const std::string condition = current("Condition");
        const std::string temperature = current("Temp");
        const std::string high = highLow("High_Temp");
        const std::string low = highLow("Low_Temp");
        const std::string first = Forecast(state, "ExtForecast0");
        const std::string second = Forecast(state, "ExtForecast1");
        const bool alerts = !current("AlertIDs").empty();
        const std::string style = alerts ? " style='color: red;' " : "";
        const std::string link = alerts ? " <a href='/weathericons/weatherstats.asp#alerts'>View Alerts</a> " : "";
        const std::string end = link + " \"; ";
        auto open = [&](int index) {
            return "wcontent[" + std::to_string(index) + "]= \"<font class='pagescrolltext' " + style + ">";
        };
        if (alerts) lines.Add(open(3) + "There are Weather Alerts for " + city + ".</font> " + end);
        lines.Add(open(0) + city + " Currently: " + condition + " Temp: " + temperature +
                  "&#176;F  Todays High: " + high + "&#176;F   Todays Low: " + low + "&#176;F</font> " + end);
        lines.Add(open(1) + "Forecast for " + first + "</font> " + end);
        lines.Add(open(2) + "Forecast for " + second + "</font> " + end);
    });
    return lines.value();
}

std::string XCustomFooter(PluginState& state) {
    FastString footer;
    Trapped(state, "XCustomFooter: ", [&] {
        if (state.Part<PageFrameState>().ApplianceBrowser) {
            footer.Add("<br><br>");
            footer.Add("<div align=\"center\"><form>");
            footer.Add("<input type=button value=\" << \" onClick=\"history.back()\">");
            footer.Add("<input type=button value=\"Refresh\" onClick=\"history.go(0)\">");
            footer.Add("<input type=button value=\" >> \" onClick=\"history.forward()\">");
            footer.Add("</form></div>");
        } else {
            const std::string tail = FileContents(state, HostPath(state, "\\html\\tail.htm"));
            if (tail != kNoFile) footer.Add(tail);
            const bool newer = state.Part<PageFrameState>().HostVersionOk;
            auto shown = [&](const std::string& key) {
                return newer ? Setting(state, kSettingsSection, key, kWebSettings) : std::string("No");
            };
            std::string text;
            if (shown("showhsversion") == "Yes") text += "Version: " + state.Host().Version() + "<br>";
            if (shown("showhssystime") == "Yes") text += "System Uptime: " + state.Host().SystemUpTime();
            if (!text.empty()) footer.Add("<div class=\"footer\">" + text + "</div>");
        }
    });
    footer.Add("</body></html>\r\n");
    return footer.value();
}

}  // namespace zephra
