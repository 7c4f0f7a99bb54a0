#pragma once
// The appliance's control pages and the texts they answer with; the plug-in reads the body text of
// "screen.shtml?p" ("1" when awake), and only the completion of the others.

#include <string_view>

namespace appliance_sim::page_texts {

inline constexpr std::string_view ledPage = "/led.shtml";
inline constexpr std::string_view screenOnPage = "/scrOn.shtml";
inline constexpr std::string_view screenOffPage = "/scrOff.shtml";
inline constexpr std::string_view beepPage = "/beep.shtml";
inline constexpr std::string_view screenPage = "/screen.shtml";
inline constexpr std::string_view gotoUrlPage = "/gotoURL.shtml";
inline constexpr std::string_view volumePage = "/volume.shtml";
inline constexpr std::string_view loadWavPage = "/loadWav.shtml";
inline constexpr std::string_view toggleBrowserPage = "/toggleBrowser.shtml";
inline constexpr std::string_view fullScreenToggle = "/cgi-bin/firef4";

inline constexpr std::string_view gotoUrlPrefix = "M=GOTO_URL&S=";

inline constexpr std::string_view bodyOk = "<html><body>OK</body></html>";
inline constexpr std::string_view bodyAwake = "<html><body>1</body></html>";
inline constexpr std::string_view bodyAsleep = "<html><body>0</body></html>";
inline constexpr std::string_view bodyError = "<html><body>Error</body></html>";
inline constexpr std::string_view bodyNotFound = "<html><body>Not Found</body></html>";

}  // namespace appliance_sim::page_texts
