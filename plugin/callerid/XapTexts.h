#pragma once
// The texts of the xAP module: message classes, sections and keys it sends and reads, and
// its log lines.

namespace zephra::xaptext {

inline constexpr const char* kSource = "dkvZephra";
inline constexpr const char* kUnknown = "Unknown";

// Log tags of the routines' error handlers.
inline constexpr const char* kXapCIDTag = "XapCID ";
inline constexpr const char* kSendXapBSCTag = "SendXapBSC ";
inline constexpr const char* kBSCQueryTag = "BSCQuery";
inline constexpr const char* kBSCCmdTag = "BSCCmd";
inline constexpr const char* kToHexTag = "ToHex ";
inline constexpr const char* kOnXapMessageTag = "OnXapMessage";
inline constexpr const char* kUpdateDeviceStatusTag = "UpdateDeviceStatus";
inline constexpr const char* kToHexTooLarge = "ToHex: value too large, 0 used instead: ";
inline constexpr const char* kSendQueueFull = "XapSendQueue full, message dropped: ";
inline constexpr const char* kScriptQueueFull = "ScriptRunQueue full, text dropped: ";

// The host callback object's member.
inline constexpr const char* kSendXapMessage = "SendXapMessage";

// Caller ID.
inline constexpr const char* kCidIncoming = "CID.Incoming";
inline constexpr const char* kPluginUid = "00";
inline constexpr const char* kWithheld = "Withheld";
inline constexpr const char* kAvailable = "Available";
inline constexpr const char* kVoice = "Voice";

// Basic status and control.
inline constexpr const char* kBscEvent = "xapBSC.Event";
inline constexpr const char* kBscInfo = "xAPBSC.Info";
inline constexpr const char* kBscValues = "xAPBSC.Values";
inline constexpr const char* kBscQuery = "xAPBSC.query";
inline constexpr const char* kBscCmd = "xAPBSC.cmd";
inline constexpr const char* kOutputState = "output.state";
inline constexpr const char* kValuesBlock = "values.";
inline constexpr const char* kZephraLevel = "zephra";
inline constexpr const char* kUnitPadding = "zephra__________";
inline constexpr const char* kModemName = "Modem";
inline constexpr const char* kModemLevel2 = "Zephra_CID____91";
inline constexpr const char* kModemGroup = "Switch";

// Reception.
inline constexpr const char* kOsdDisplay = "xAP-OSD.Display";
inline constexpr const char* kTtsSpeak = "tts.speak";
inline constexpr const char* kXapVoice = "xap.voice";
inline constexpr const char* kX10Event = "xAP-X10.event";
inline constexpr const char* kTimeToday = "Time.Today";
inline constexpr const char* kHomeseerControl = "Homeseer.Control";
inline constexpr const char* kButtonPressBlock = "Button.Press";
inline constexpr const char* kApplianceTarget = "dkv.dkvZephra.";

}  // namespace zephra::xaptext
