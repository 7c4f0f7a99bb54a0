#pragma once
// The status page's fixed texts: settings, log tags and the page's mark-up pieces.

namespace zephra::status_text {

inline constexpr const char* kSource = "dkvZephra";
inline constexpr const char* kIniFile = "dkvZephraUtilities.ini";
inline constexpr const char* kStatusSection = "STATUS";
inline constexpr const char* kReceivedSection = "Received";
// The hidden field that carries what the page showed as stored, for its save.
inline constexpr const char* kDrawnField = "drawn";
// Saves refused because the page no longer matches what is stored.
inline constexpr const char* kOutOfDate = "the page is out of date: reload it.";
inline constexpr const char* kRemovedSince = " was removed since the page was drawn: reload the page.";
// A unit row whose appliance another editor gave another address meanwhile.
inline constexpr const char* kReaddressedSince = " was given another address since the page was drawn (";
inline constexpr const char* kReaddressedTail = " now): reload the page.";
// The hidden field that lists the check boxes the page shows.
inline constexpr const char* kBoxesField = "boxes";
// What a save did, shown on the page that answers it.
inline constexpr const char* kSavedLead = "Saved: ";
inline constexpr const char* kNothingChanged = "no setting was changed.";
inline constexpr const char* kFiltersSaved = "messages of interest";
inline constexpr const char* kSetupNotShown =
    " is a setup option, and the page shows none: tick \"Include Setup Options\", save, and post it again.";
inline constexpr const char* kNoFreeRow = "no unit row is free for ";
inline constexpr const char* kReload = ": reload the page.";

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
