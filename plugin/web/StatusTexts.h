#pragma once
// The status page's fixed texts: settings, log tags and the page's mark-up pieces.

namespace zephra::status_text {

inline constexpr const char* kSource = "dkvZephra";
inline constexpr const char* kIniFile = "dkvZephraUtilities.ini";
inline constexpr const char* kStatusSection = "STATUS";
inline constexpr const char* kReceivedSection = "Received";
// The hidden field that tells a save which drawn page it comes from.
inline constexpr const char* kDrawnField = "drawn";
// A save refused because two units name the same address.
inline constexpr const char* kSameAddress = " holds the address of ";
inline constexpr const char* kUnit = "unit ";

inline constexpr const char* kTagStatusPage = "StatusPage: ";
inline constexpr const char* kTagStatusASP = "Status_ASP: ";
inline constexpr const char* kTagFormatScreen = "Status FormatScreen ";
inline constexpr const char* kTagControlPulldown = "ControlPulldown";
inline constexpr const char* kTagClientRequest = "Status ClientRequest ";
inline constexpr const char* kTagHsExec = "hsExec";
inline constexpr const char* kTagResetQueue = "ResetZephraQueue";
inline constexpr const char* kTagAddScriptButton = "AddScriptButton";
inline constexpr const char* kTagAddFilter = "AddFilter";
inline constexpr const char* kTagSaveFilter = "SaveFilterSettigs";

inline constexpr const char* kTable = "<Table width='600' border='5' frame='box'><tr>";
inline constexpr const char* kRow = "</tr><tr>";
inline constexpr const char* kHeader = "TABLEHEADER";
inline constexpr const char* kOdd = "TABLEROWODD";
inline constexpr const char* kEven = "TABLEROWEVEN";

}  // namespace zephra::status_text
