#pragma once
// The page frame of the plug-in's web pages (module `Headers`): the start procedures that run
// before a page is built, the page header, the table cell looks, the links bar, the scrolling
// text and the footer, all in the host web server's own style. The appliances' browser gets
// simpler mark-up and its own fragment files where one exists.
//
// The frame keeps one module state for the whole plug-in; every page request overwrites it.
// The caller stores the request and response objects (PageFrameState::Request, ::Response)
// and runs XStartMiscFunctionsASP, XSecurityCheck and xStartHeaderASP before the header.
// No procedure lets an error escape: each logs its tag through WriteLog and returns what it
// has built so far.

#include <cstdint>
#include <string>
#include <vector>

#include "vb/Variant.h"

namespace zephra {

class PluginState;

struct PageFrameState {
    // The current request's objects: the plug-in's own or the host's (late-bound).
    vb::Variant Request;
    vb::Variant Response;
    // The frame's text settings, emptied before every page.
    std::string SecurityMode;  // "ENHANCED", "BASIC" or "None" once the header has run
    std::string SlidingMenu;
    std::string MenuStyle;
    std::string MenuConnection;  // the host's menu database; nothing ever fills it
    std::vector<std::string> TouchScreenAddresses;
    // Nothing in the frame sets the user; they keep these values.
    std::string UserName;
    int16_t UserLevel = 0;
    bool ApplianceBrowser = false;
    bool HostVersionOk = false;  // the host version is at least 1.538
    std::string MenuFlag;        // "0" once xStartHeaderASP has run
    std::string SunriseText;
    std::string SunsetText;
};

// The marker for a missing, empty or all-space fragment file.
inline constexpr const char* kNoFile = "No File";

// Start procedures.
void XStartMiscFunctionsASP(PluginState& state);
void XSecurityCheck(PluginState& state);
// The appliance-browser flag: the user agent holds "Zephra" or "QNX" (case-sensitive).
bool xStartHeaderASP(PluginState& state);
// The host's version as a number: "1.7 Build 44" gives 1.744; empty 1.538; not numeric 1.6.
float NumericHSVersion(PluginState& state);
// The request's "PATH_INFO" from the character after its last "\".
std::string fnPageName(PluginState& state);
// Logs an access above the user's level (ENHANCED and BASIC modes) and redirects the
// response to "/unauthorized.asp"; nothing for that page itself.
void LogAuthorized(PluginState& state);

// The links file links.htm (links_touchscreen.htm for the appliance browser), or kNoFile.
std::string LinkFile(PluginState& state);
// The navigation row under the title; "" when the frame renders none.
std::string MenuRow(PluginState& state, const std::string& menuName);
// One table cell, from "<td " to "</td>".
std::string FormatCell(PluginState& state, const std::string& text, const std::string& style,
                       const std::string& colspan, const std::string& align);
// The page's head and the top of its body; `header` is an array of up to twelve values or a text.
std::string CustomHeader(PluginState& state, const vb::Variant& header);

// The whole text of a fragment file, or kNoFile.
std::string FileContents(PluginState& state, const std::string& path);
// The host's standard links bar.
std::string HSLinks(PluginState& state);
// The scrolling-text script for `name` ("Default": the weather lines); "" with nothing to scroll.
std::string PageScroll(PluginState& state, const std::string& name);
std::string PageScrollWeatherman(PluginState& state);
// The page footer, ending "</body></html>" CR LF.
std::string XCustomFooter(PluginState& state);

}  // namespace zephra
