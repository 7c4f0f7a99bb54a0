// The page frame's start procedures, the access log, the links file and the menu row.

#include <string>

#include "automation/CallByName.h"
#include "core/LogWriter.h"
#include "core/PageRequest.h"
#include "core/PluginState.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/Strings.h"
#include "web/PageFrame.h"
#include "web/PageFrameDetail.h"
#include "windows/FileSystemObject.h"

namespace zephra {

namespace page_frame {

bool Trapped(PluginState& state, const char* tag, const std::function<void()>& body) {
    if (vb::Try(body)) return true;
    vb::Try([&] { WriteLog(state.Host(), kSource, tag); });
    return false;
}

std::string Setting(PluginState& state, const std::string& section, const std::string& key, const std::string& file) {
    return state.Host().GetIniSetting(section, key, "", file);
}

void Save(PluginState& state, const std::string& section, const std::string& key, const std::string& value,
          const std::string& file) {
    state.Host().SaveIniSetting(section, key, value, file);
}

std::string HeaderSetting(PluginState& state, const std::string& key) {
    return Setting(state, kHeaderSection, key, kIncludes);
}

void SaveHeaderSetting(PluginState& state, const std::string& key, const std::string& value) {
    Save(state, kHeaderSection, key, value, kIncludes);
}

std::string HostPath(PluginState& state, const std::string& relative) { return state.Host().GetAppPath() + relative; }

std::string ServerVariable(PluginState& state, const std::string& name) {
    return vb::CStr(automation::callByName(state.Part<PageFrameState>().Request, page_request::kServerVariables,
                                           {vb::Variant(name)}));
}

}  // namespace page_frame

using namespace page_frame;

namespace {

constexpr const char* kUnauthorizedPage = "unauthorized.asp";
constexpr const char* kUnauthorizedAddress = "/unauthorized.asp";
constexpr float kFirstNewHost = 1.538f;
// The page frame has no menu database, so every page counts at this level.
constexpr int16_t kPageSecurityLevel = 10;
constexpr const char* kWeatherAlertPath = "/weather/alerts/";

bool SecurityEnforced(const std::string& mode) {
    const std::string upper = vb::UCase(mode);
    return upper == "ENHANCED" || upper == "BASIC";
}

}  // namespace

void XStartMiscFunctionsASP(PluginState& state) {
    Trapped(state, " XStartMiscFunctionsASP: ", [&] {
        PageFrameState& frame = state.Part<PageFrameState>();
        frame.SecurityMode.clear();
        frame.SlidingMenu.clear();
        frame.MenuStyle.clear();
        frame.MenuConnection.clear();
        frame.TouchScreenAddresses.clear();
    });
}

// The user would come from the host's menu database, which the frame has no connection to;
// and the mode was just emptied by XStartMiscFunctionsASP. The user keeps its name and level.
void XSecurityCheck(PluginState& state) {
    Trapped(state, "XSecurityCheck: ", [] {});
}

bool xStartHeaderASP(PluginState& state) {
    PageFrameState& frame = state.Part<PageFrameState>();
    Trapped(state, "xStartHeaderASP ", [&] {
        frame.ApplianceBrowser = false;
        frame.HostVersionOk = NumericHSVersion(state) >= kFirstNewHost;
        frame.MenuFlag = "0";
        const std::string agent = ServerVariable(state, "HTTP_USER_AGENT");
        frame.ApplianceBrowser = vb::InStr(agent, "Zephra") > 0 || vb::InStr(agent, "QNX") > 0;
    });
    return frame.ApplianceBrowser;
}

float NumericHSVersion(PluginState& state) {
    float version = 0;
    Trapped(state, "NumericHSVersion: ", [&] {
        std::string text = state.Host().Version();
        for (const char* noise : {"Build", "Beta", " "}) text = vb::Replace(text, noise, "");
        const auto parts = vb::Split(text, ".");
        std::string joined;
        for (std::size_t i = 0; i < parts.size(); ++i) joined += (i == 1 ? "." : "") + parts[i];
        if (joined.empty()) joined = "1.538";
        version = vb::IsNumeric(vb::Variant(joined)) ? vb::CSng(vb::Variant(joined)) : 1.6f;
    });
    return version;
}

std::string fnPageName(PluginState& state) {
    std::string name;
    Trapped(state, "fnPageName: ", [&] {
        const std::string path = ServerVariable(state, "PATH_INFO");
        name = vb::Mid(path, vb::InStrRev(path, "\\") + 1);
    });
    return name;
}

void LogAuthorized(PluginState& state) {
    Trapped(state, "LogAuthorized: ", [&] {
        PageFrameState& frame = state.Part<PageFrameState>();
        const std::string page = fnPageName(state);
        if (page == kUnauthorizedPage) return;
        const std::string mode = vb::UCase(frame.SecurityMode);
        const std::string attempt = ServerVariable(state, page_request::kRemoteAddr) + " attempted to access " + page +
                                    " at " + vb::CStr(vb::Variant(vb::Now())) + ". ";
        if (mode == "ENHANCED") {
            state.Host().Writelog("Unauthorized", frame.UserName + " at " + attempt);
        } else if (mode == "BASIC") {
            state.Host().Writelog("Unauthorized", "Anonymous Guest at " + attempt);
        }
        automation::callByName(frame.Response, "Redirect", {vb::Variant(kUnauthorizedAddress)});
    });
}

std::string LinkFile(PluginState& state) {
    std::string text;
    Trapped(state, "LinkFile: ", [&] {
        const std::string suffix = state.Part<PageFrameState>().ApplianceBrowser ? "_touchscreen" : "";
        text = FileContents(state, HostPath(state, "\\html\\links" + suffix + ".htm"));
    });
    return text;
}

std::string MenuRow(PluginState& state, const std::string& menuName) {
    std::string row;
    Trapped(state, "MenuRow: ", [&] {
        PageFrameState& frame = state.Part<PageFrameState>();
        bool rendered = !Setting(state, kSettingsSection, "usesecurity", kWebSettings).empty();
        if (!rendered && HeaderSetting(state, "useMenuRow").empty()) SaveHeaderSetting(state, "useMenuRow", "0");

        const std::string hits = Setting(state, kSettingsSection, "logpagehits", kWebSettings);
        if (hits == "1") {
            const std::string who = frame.UserName.empty() ? ServerVariable(state, page_request::kRemoteAddr)
                                                           : " the user: " + frame.UserName;
            WriteLog(state.Host(), "Web Log", menuName + " was accessed by " + who);
        } else if (hits.empty()) {
            Save(state, kSettingsSection, "logpagehits", "0", kWebSettings);
        }
        if (!rendered) return;

        if (SecurityEnforced(frame.SecurityMode) && kPageSecurityLevel > frame.UserLevel) LogAuthorized(state);

        const std::string alerts = Setting(state, kCurrentWeather, "AlertIDs", kWeather);
        std::string useAlerts = HeaderSetting(state, "useAlerts");
        if (useAlerts.empty()) {
            SaveHeaderSetting(state, "useAlerts", "0");
            useAlerts = "0";
        }
        if (useAlerts != "1" || alerts.empty()) return;
        const auto ids = vb::Split(alerts, ",");
        int count = 0;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            if (ids[i].empty()) continue;
            ++count;
            row += std::string("<a href=\"") + kWeatherAlertPath + "?alertId=" + ids[i] +
                   "\" target=\"_blank\">Weather Alert " + std::to_string(count) + "</a>";
            row += i + 1 == ids.size() ? "<br>\r\n" : " | ";
        }
    });
    return row;
}

}  // namespace zephra
