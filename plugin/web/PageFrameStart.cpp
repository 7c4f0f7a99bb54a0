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

bool trapped(PluginState& state, const char* tag, const std::function<void()>& body) {
    if (vb::Try(body)) return true;
    vb::Try([&] { WriteLog(state.host(), kSource, tag); });
    return false;
}

std::string setting(PluginState& state, const std::string& section, const std::string& key, const std::string& file) {
    return state.host().GetIniSetting(section, key, "", file);
}

void save(PluginState& state, const std::string& section, const std::string& key, const std::string& value,
          const std::string& file) {
    state.host().SaveIniSetting(section, key, value, file);
}

std::string headerSetting(PluginState& state, const std::string& key) {
    return setting(state, kHeaderSection, key, kIncludes);
}

void saveHeaderSetting(PluginState& state, const std::string& key, const std::string& value) {
    save(state, kHeaderSection, key, value, kIncludes);
}

std::string hostPath(PluginState& state, const std::string& relative) { return state.host().GetAppPath() + relative; }

std::string serverVariable(PluginState& state, const std::string& name) {
    return vb::CStr(automation::callByName(state.part<PageFrameState>().Request, page_request::kServerVariables,
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

bool securityEnforced(const std::string& mode) {
    const std::string upper = vb::UCase(mode);
    return upper == "ENHANCED" || upper == "BASIC";
}

}  // namespace

void XStartMiscFunctionsASP(PluginState& state) {
    trapped(state, " XStartMiscFunctionsASP: ", [&] {
        PageFrameState& frame = state.part<PageFrameState>();
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
    trapped(state, "XSecurityCheck: ", [] {});
}

bool xStartHeaderASP(PluginState& state) {
    PageFrameState& frame = state.part<PageFrameState>();
    trapped(state, "xStartHeaderASP ", [&] {
        frame.ApplianceBrowser = false;
        frame.HostVersionOk = NumericHSVersion(state) >= kFirstNewHost;
        frame.MenuFlag = "0";
        const std::string agent = serverVariable(state, "HTTP_USER_AGENT");
        frame.ApplianceBrowser = vb::InStr(agent, "Zephra") > 0 || vb::InStr(agent, "QNX") > 0;
    });
    return frame.ApplianceBrowser;
}

float NumericHSVersion(PluginState& state) {
    float version = 0;
    trapped(state, "NumericHSVersion: ", [&] {
        std::string text = state.host().Version();
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
    trapped(state, "fnPageName: ", [&] {
        const std::string path = serverVariable(state, "PATH_INFO");
        name = vb::Mid(path, vb::InStrRev(path, "\\") + 1);
    });
    return name;
}

void LogAuthorized(PluginState& state) {
    trapped(state, "LogAuthorized: ", [&] {
        PageFrameState& frame = state.part<PageFrameState>();
        const std::string page = fnPageName(state);
        if (page == kUnauthorizedPage) return;
        const std::string mode = vb::UCase(frame.SecurityMode);
        const std::string attempt = serverVariable(state, page_request::kRemoteAddr) + " attempted to access " + page +
                                    " at " + vb::CStr(vb::Variant(vb::Now())) + ". ";
        if (mode == "ENHANCED") {
            state.host().Writelog("Unauthorized", frame.UserName + " at " + attempt);
        } else if (mode == "BASIC") {
            state.host().Writelog("Unauthorized", "Anonymous Guest at " + attempt);
        }
        automation::callByName(frame.Response, "Redirect", {vb::Variant(kUnauthorizedAddress)});
    });
}

std::string LinkFile(PluginState& state) {
    std::string text;
    trapped(state, "LinkFile: ", [&] {
        const std::string suffix = state.part<PageFrameState>().ApplianceBrowser ? "_touchscreen" : "";
        text = FileContents(state, hostPath(state, "\\html\\links" + suffix + ".htm"));
    });
    return text;
}

std::string MenuRow(PluginState& state, const std::string& menuName) {
    std::string row;
    trapped(state, "MenuRow: ", [&] {
        PageFrameState& frame = state.part<PageFrameState>();
        bool rendered = !setting(state, kSettingsSection, "usesecurity", kWebSettings).empty();
        if (!rendered && headerSetting(state, "useMenuRow").empty()) saveHeaderSetting(state, "useMenuRow", "0");

        const std::string hits = setting(state, kSettingsSection, "logpagehits", kWebSettings);
        if (hits == "1") {
            const std::string who = frame.UserName.empty() ? serverVariable(state, page_request::kRemoteAddr)
                                                           : " the user: " + frame.UserName;
            WriteLog(state.host(), "Web Log", menuName + " was accessed by " + who);
        } else if (hits.empty()) {
            save(state, kSettingsSection, "logpagehits", "0", kWebSettings);
        }
        if (!rendered) return;

        if (securityEnforced(frame.SecurityMode) && kPageSecurityLevel > frame.UserLevel) LogAuthorized(state);

        const std::string alerts = setting(state, kCurrentWeather, "AlertIDs", kWeather);
        std::string useAlerts = headerSetting(state, "useAlerts");
        if (useAlerts.empty()) {
            saveHeaderSetting(state, "useAlerts", "0");
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
