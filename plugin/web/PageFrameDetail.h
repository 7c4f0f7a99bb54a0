#pragma once
// What the page frame's procedures share: their error trap (which the page engine and the
// slideshow page use too), the host settings files they read and the paths of the host's
// fragment files.

#include <functional>
#include <string>

namespace zephra {

class PluginState;

namespace page_frame {

inline constexpr const char* kSource = "dkvZephra";
inline constexpr const char* kIncludes = "includes.ini";
inline constexpr const char* kHeaderSection = "header.asp";
inline constexpr const char* kWebSettings = "web_settings.ini";
inline constexpr const char* kSettingsSection = "Settings";
inline constexpr const char* kWeather = "WeatherData.ini";
inline constexpr const char* kCurrentWeather = "WeatherCom_CurrentData";

// Runs the body; a run-time error is logged as `tag` (WriteLog adds line and description)
// and false returned.
bool Trapped(PluginState& state, const char* tag, const std::function<void()>& body);

// A host setting, "" when missing; the host's own settings when `file` is empty.
std::string Setting(PluginState& state, const std::string& section, const std::string& key, const std::string& file);
void Save(PluginState& state, const std::string& section, const std::string& key, const std::string& value,
          const std::string& file);
// A setting of "header.asp" in "includes.ini", "" when missing.
std::string HeaderSetting(PluginState& state, const std::string& key);
// Saves `value` as a setting of "header.asp" in "includes.ini".
void SaveHeaderSetting(PluginState& state, const std::string& key, const std::string& value);

// The host's application path followed by `relative` (which begins with "\").
std::string HostPath(PluginState& state, const std::string& relative);

// A server variable of the current request.
std::string ServerVariable(PluginState& state, const std::string& name);

}  // namespace page_frame
}  // namespace zephra
