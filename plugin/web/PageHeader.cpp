// The page header: the HTML head, the body tag, the fragments, the links row, the title and
// logo bar, and the scrolling text, as the host web server writes them.

#include <array>
#include <string>

#include "core/FastString.h"
#include "core/PluginState.h"
#include "core/RequestItems.h"
#include "vb/Array.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Strings.h"
#include "web/PageFrame.h"
#include "web/PageFrameDetail.h"
#include "windows/FileSystemObject.h"

namespace zephra {

using namespace page_frame;

namespace {

constexpr std::size_t kPositions = 12;

// The header's arguments after the settings and defaults have been applied.
struct HeaderArgs {
    std::array<std::string, kPositions> at;
    bool textForm = false;
    std::string bodyText;      // the text form's complete body attribute text
    bool noBodySheet = false;  // the text form had a third piece
    std::string scrollSwitch;  // "usePageScroll"
};

// A position of the array form: the setting `key` when empty; when that is empty too, the
// fallback is saved and used.
std::string FromSetting(PluginState& state, const std::string& given, const std::string& key,
                        const std::string& fallback) {
    if (!given.empty()) return given;
    std::string value = HeaderSetting(state, key);
    if (value.empty() && !fallback.empty()) {
        SaveHeaderSetting(state, key, fallback);
        value = fallback;
    }
    return value;
}

void ReadArrayForm(PluginState& state, const vb::Array& given, HeaderArgs& args) {
    auto& at = args.at;
    for (std::size_t i = 0; i < kPositions; ++i) {
        const int32_t index = given.lbound() + static_cast<int32_t>(i);
        if (given.dimensions() == 1 && index <= given.ubound()) at[i] = vb::CStr(given.at(index));
    }
    if (at[0].empty()) {
        at[0] = HeaderSetting(state, "strPageTitle");
        if (at[0].empty()) SaveHeaderSetting(state, "strPageTitle", "n/a");  // this page shows " "
    }
    at[5] = FromSetting(state, at[5], "strShowLinks", "OldStyle");
    at[6] = FromSetting(state, at[6], "strRefresh", "0");
    at[7] = FromSetting(state, at[7], "strHeader", "");
    at[8] = FromSetting(state, at[8], "strLogoYN", "Yes");
    if (at[9].empty()) {
        at[9] = Setting(state, kSettingsSection, "usesecurity", kWebSettings);
        if (at[9].empty()) at[9] = FromSetting(state, at[9], "UseSecurity", "None");
    }
    at[10] = FromSetting(state, at[10], "HideTitle", "0");
}

void ReadTextForm(PluginState& state, const std::string& text, HeaderArgs& args) {
    args.textForm = true;
    if (!text.empty()) {
        const auto pieces = vb::Split(text, ",,");
        args.at[0] = pieces[0];
        if (pieces.size() > 1) args.at[1] = args.bodyText = pieces[1];
        args.noBodySheet = pieces.size() > 2;
    }
    args.at[9] = state.Part<PageFrameState>().SecurityMode;
}

void ApplyDefaults(HeaderArgs& args) {
    auto& at = args.at;
    if (at[0].empty()) at[0] = " ";
    if (at[5].empty()) at[5] = "OLDSTYLE";
    if (at[6].empty()) at[6] = "0";
    if (at[8].empty()) at[8] = "Yes";
    if (at[10].empty()) at[10] = "0";
    if (at[9].empty()) at[9] = "None";
}

std::string HtmlFile(PluginState& state, const std::string& name) {
    return FileContents(state, HostPath(state, "\\html\\" + name));
}

// A fragment for the appliance browser falls back to the one for every browser.
std::string Fragment(PluginState& state, const std::string& applianceName, const std::string& name) {
    if (state.Part<PageFrameState>().ApplianceBrowser) {
        const std::string text = HtmlFile(state, applianceName);
        if (text != kNoFile) return text;
    }
    return HtmlFile(state, name);
}

// The links row for the links switch, with the menu row text after it.
std::string LinksRow(PluginState& state, const std::string& linksSwitch) {
    std::string row;
    std::string menu = " ";
    const std::string upper = vb::UCase(linksSwitch);
    if (upper == "YES") {
        row = LinkFile(state);
        if (row == kNoFile) row = HSLinks(state);
    } else if (upper == "NO") {
    } else if (upper == "OLDSTYLE") {
        row = HtmlFile(state, state.Part<PageFrameState>().ApplianceBrowser ? "links_touchscreen.htm" : "links.htm");
        if (row == kNoFile) row.clear();
    } else {
        menu = MenuRow(state, linksSwitch);
    }
    if (state.Part<PageFrameState>().ApplianceBrowser) return row + "<div align=\"center\">" + menu + "</div>";
    return row + menu;
}

std::string LogoBar(PluginState& state, const HeaderArgs& args, int& cells) {
    const PageFrameState& frame = state.Part<PageFrameState>();
    auto shown = [&](const std::string& key) { return HeaderSetting(state, key).empty(); };
    FastString bar;
    auto cell = [&](const std::string& text) {
        bar.Add(text);
        ++cells;
    };
    bar.Add("<tr class=\"logobar\">");
    if (shown("logoShowClock"))
        cell("<td><img height=\"25\" src=\"/clock.gif\" alt=\"The time is " + vb::CStr(vb::Variant(vb::Now())) +
             "\" align=\"absmiddle\" border=\"0\"></td>");
    if (shown("logoShowDate")) cell("<td>" + vb::CStr(vb::Variant(vb::Today())) + "</td>");
    if (shown("logoShowTime")) cell("<td nowrap>" + HtmlFile(state, "javascript\\clock.js") + "</td>");
    if (shown("logoShowSunrise"))
        cell("<td nowrap><img src=\"/sunrise.gif\" height=\"25\" alt=\"Sunrise is at " + frame.SunriseText +
             ".\" align=\"absmiddle\" border=\"0\"> <b>Sunrise:</b> " + frame.SunriseText + "</td>");
    if (shown("logoShowSunset"))
        cell("<td nowrap><img src=\"/sunset.gif\" height=\"25\" alt=\"Sunset is at " + frame.SunsetText +
             ".\" align=\"absmiddle\" border=\"0\"> <b>Sunset:</b> " + frame.SunsetText + "</td>");
    if (shown("logoShowWeatherManTemp")) {
        const std::string temperature = Setting(state, kCurrentWeather, "Temp", kWeather);
        if (!temperature.empty())
            cell("<td nowrap><b>Temp:</b> <img border=\"0\" align=\"absmiddle\" alt=\"Temperature is " + temperature +
                 " degrees \" src=\"/weathericons/dewpoint/t" + temperature + ".gif\" ></td>");
    }
    if (shown("logoShowUsername")) {
        const std::string mode = vb::UCase(args.at[9]);
        if (mode == "ENHANCED") cell("<td nowrap><b>User:</b> " + frame.UserName + "</td>");
        if (mode == "BASIC") cell("<td nowrap><b>User:</b> " + vb::UCase(frame.UserName) + "</td>");
    }
    const std::string link = HeaderSetting(state, "logoImageLink");
    std::string logo = "<td align=\"right\" colspan=\"1\">";
    if (link.empty()) {
        logo +=
            "<a href=\"/stat\" target=\"_top\"><img alt=\"Link to HomeSeer Devices.\"  width=\"133\" height=\"25\" "
            "src=\"/pluginlogo.JPG\" border=\"0\"></a>";
    } else if (vb::UCase(link) == "NONE") {
        logo += "<img alt=\"HomeSeer Logo\" width=\"133\" height=\"25\" src=\"/pluginlogo.JPG\" border=\"0\">";
    } else {
        logo += "<a href=\"" + link + "\" target=\"_top\"><img alt=\"Link to " + link +
                ".\"  width=\"133\" height=\"25\" src=\"/pluginlogo.JPG\" border=\"0\"></a>";
    }
    cell(logo + "</td></tr>");
    return bar.value();
}

void WriteHeader(PluginState& state, HeaderArgs& args, FastString& out) {
    PageFrameState& frame = state.Part<PageFrameState>();
    const bool appliance = frame.ApplianceBrowser;
    auto& at = args.at;

    // Sunrise and sunset: the host's own, or what xAP last said under the xAP host.
    if (state.IsSetup) {
        frame.SunriseText = state.xap.XapSunrise;
        frame.SunsetText = state.xap.XapSunset;
    } else {
        frame.SunriseText = state.Host().Sunrise();
        frame.SunsetText = state.Host().Sunset();
    }
    std::string onLoad;
    std::string autoRefresh;
    if (frame.HostVersionOk) {
        onLoad = Setting(state, kSettingsSection, "BODY_OnLoad", "");
        autoRefresh = Setting(state, kSettingsSection, "auto_refresh", "");
    }

    out.Add("<html><head><title>" + StripHTML(state, at[0]) + "</title>");
    const std::string sheet = !at[4].empty() ? at[4] : args.noBodySheet ? "styleNoBody.css" : "style.css";
    out.Add("<link rel=\"stylesheet\" type=\"text/css\" href=\"/" + sheet + "\">");
    out.Add("<meta HTTP-EQUIV=\"EXPIRES\" CONTENT=\"0\">");
    out.Add("<meta HTTP-EQUIV=\"Pragma\" CONTENT=\"no-cache\">");
    const std::string& refresh = at[6];
    if (refresh == "1" && autoRefresh > "0") {
        out.Add("<meta HTTP-EQUIV=\"refresh\" CONTENT=\"" + autoRefresh + "\">");
    } else if (refresh > "1" && vb::IsNumeric(vb::Variant(refresh))) {
        out.Add("<meta HTTP-EQUIV=\"refresh\" CONTENT=\"" + refresh + "\">");
    }
    if (!at[7].empty() && at[7] != "No_Logo" && at[7] != "no") out.Add(at[7]);
    const std::string meta = Fragment(state, "meta_touchscreen.htm", "meta.htm");
    if (meta != kNoFile) out.Add(meta);
    out.Add("</head>");

    std::string attributes;
    if (args.bodyText.empty()) {
        attributes = at[1];
        if (!appliance) {
            if (!at[2].empty() || !at[3].empty()) {
                attributes += " style=\"";
                if (!at[2].empty()) attributes += " background-color: " + at[2] + "; ";
                if (!at[3].empty()) attributes += " background-image: url(" + at[3] + ");";
                attributes += "\"";
            }
        } else {
            if (!at[2].empty()) attributes += std::string(" ") + " bgcolor=\"" + at[2] + "\"";
            if (!at[3].empty()) attributes += std::string(" ") + " background=\"" + at[3] + "\"";
        }
    }
    if (!args.bodyText.empty()) {
        out.Add("<body " + args.bodyText + ">");
    } else if (!attributes.empty()) {
        out.Add("<body " + attributes + ">");
    } else if (!onLoad.empty()) {
        out.Add(meta + "<body onload=\"" + onLoad + "\" >");
    } else {
        out.Add("<body>");
    }

    if (windows::FileSystemObject().FileExists(HostPath(state, "\\html\\images\\blank.gif")))
        out.Add(
            "<table border=\"0\"><tr><td><a href=\"#pagecontent\"><img src=\"/images/cancel.gif\" height=1 border=0 "
            "width=1 alt=\"Jump to page content.\"></a></td></tr></table>");
    const std::string head = Fragment(state, "head_touchscreen.htm", "head.htm");
    if (head != kNoFile) out.Add(head);

    bool linksDone = false;
    const std::string location = HeaderSetting(state, "linkslocation");
    if (location.empty()) SaveHeaderSetting(state, "linkslocation", "1");  // this page: "0"
    if (location == "1" && appliance) {
        out.Add(LinksRow(state, at[5]));
        linksDone = true;
    }

    const std::string& title = at[0];
    const bool titleShown = at[10] == "0" && title != "n/a";
    if (appliance) {
        if (titleShown) out.Add("<div align=\"center\"><strong>" + title + "</strong></div>");
    } else {
        const std::string logoSwitch = vb::UCase(at[8]);
        int cells = 0;
        std::string bar;
        if (logoSwitch != "NO_LOGO" && logoSwitch != "NO_LOGO_SLIDE") bar = LogoBar(state, args, cells);
        if (!bar.empty() && titleShown && !title.empty()) {
            out.Add("<table border=\"0\" cellpadding=\"0\" cellspacing=\"0\" width=\"100%\" summary=\"Logo Bar\">");
            out.Add("<tr><td colspan=\"" + std::to_string(cells) + "\" class=\"pagetitle\">" + title + "</td></tr>");
            out.Add(bar);
            out.Add("</table>");
        }
    }

    if (!args.textForm) {
        args.scrollSwitch = HeaderSetting(state, "usePageScroll");
        if (args.scrollSwitch.empty()) SaveHeaderSetting(state, "usePageScroll", "0");
    }
    const std::string& scrollName = at[11];
    if (scrollName != "None" && !(args.scrollSwitch != "1" && scrollName.empty()))
        out.Add(PageScroll(state, scrollName.empty() ? "Default" : scrollName));

    if (!linksDone) out.Add(LinksRow(state, at[5]));
    out.Add("<a name=\"pagecontent\"></a>");
}

}  // namespace

std::string CustomHeader(PluginState& state, const vb::Variant& header) {
    FastString out;
    Trapped(state, " CustomHeader: ", [&] {
        HeaderArgs args;
        if (header.isArray()) {
            ReadArrayForm(state, header.array(), args);
        } else {
            ReadTextForm(state, vb::CStr(header), args);
        }
        ApplyDefaults(args);
        state.Part<PageFrameState>().SecurityMode = args.at[9];
        WriteHeader(state, args, out);
    });
    return out.value();
}

}  // namespace zephra
