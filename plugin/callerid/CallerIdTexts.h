#pragma once
// The texts of the caller-ID road: log lines, debug lines, echo-window marks and the names
// that stand for callers without one.

namespace zephra::cidtext {

inline constexpr const char* kSource = "dkvZephra";
inline constexpr const char* kDebugSource = "dkvZephra Debug";
inline constexpr const char* kCrLf = "\r\n";

// Modem input.
inline constexpr const char* kCommStatusDebug = "Comm Status = ";
inline constexpr const char* kCommBufferDebug = ", Comm Buffer = >";
inline constexpr const char* kCommEventCode = "dkvZephra Comm Event Code=";
inline constexpr const char* kCommBufferDiscarded = "ProcessCommData discarded modem text without a line end: ";
inline constexpr const char* kCharacters = " characters";
inline constexpr const char* kDoModemDebug = "DoModem Received Text=";
inline constexpr const char* kNetCallerIdDebug = "DoModemNetCallerID = ";
inline constexpr const char* kNetCallerIdNameDebug = "DoModemNetCallerID [Name]= ";
inline constexpr const char* kNetCallerIdNumberDebug = " [Number]=";
inline constexpr const char* kEchoName = " ... Name=";
inline constexpr const char* kEchoNumber = " ... Number=";
inline constexpr const char* kEchoTail = " ... ";
inline constexpr const char* kEchoTimeFormat = "hh:mm:ss";
inline constexpr const char* kEchoTimeBar = " |  ";
inline constexpr const char* kRing = "RING";
inline constexpr const char* kRecordStart = "###DATE";
inline constexpr const char* kRecordEnd = "+++\r";
inline constexpr const char* kRecordName = "...NAME";
inline constexpr const char* kRecordNumber = "...NMBR";
inline constexpr const char* kNoRecordNumber = "(000)000-0000";
inline constexpr const char* kProcessCommDataTag = "ProcessCommData ";
inline constexpr const char* kDoModemTag = "DoModem ";
inline constexpr const char* kDoModemNetCallerIdTag = "DoModemNetCallerID ";
inline constexpr const char* kScrollTag = " ScrollEchoWindows: ";

// Caller-ID processing.
inline constexpr const char* kCidDetected = " ... CID Detected ... ";
inline constexpr const char* kProcessDebug = "ProcessModemInput NumberDetected=";
inline constexpr const char* kProcessNameDetected = ", NameDetected=";
inline constexpr const char* kProcessName = ", Name=";
inline constexpr const char* kProcessNumber = ", Number=";
inline constexpr const char* kProcessModemInputTag = "ProcessModemInput ";
inline constexpr const char* kUnknown = "Unknown";
inline constexpr const char* kWithheld = "WITHHELD";
inline constexpr const char* kOutOfArea = "OUT";
inline constexpr const char* kPhoneFrom = "Phone from ";
inline constexpr const char* kFrom = " from ";
inline constexpr const char* kFromShort = "/";
inline constexpr const char* kCallTimeFormat = "dddd h:mm AMPM";
inline constexpr const char* kLookupSeparator = " : ";

// Phone-book lookup and the host phone.
inline constexpr const char* kLookupDebug = "Phonebook Entry Exists=";
inline constexpr const char* kLookupNumber = ", Number=";
inline constexpr const char* kLookupDefaultName = ", Default Name=";
inline constexpr const char* kLookupResult = ", Lookup=";
inline constexpr const char* kLookupTag = "HSPAddressBookLookup ";
inline constexpr const char* kMessageCIDEventTag = "MessageCIDEvent";
inline constexpr const char* kNoHostPhoneName = "HSP Not Available";
inline constexpr const char* kNoHostPhoneNumber = "1234567890";

// Phone books.
inline constexpr const char* kFriendsFile = "Friends.txt";
inline constexpr const char* kBuildPhonebookTag = "BuildPhonebook ";
inline constexpr const char* kBuildFriendsTag = "BuildFriendsPhonebook ";
inline constexpr const char* kBuildHSPTag = "BuildHSPPhonebook ";
inline constexpr const char* kAddHSPTag = "AddHSP ";
inline constexpr const char* kFriendsFileMissing = "BuildFriendsPhonebook found no friends file at ";
inline constexpr const char* kFriendsLineTooLong =
    "BuildFriendsPhonebook skipped a line longer than 4096 characters: line ";
inline constexpr const char* kHome = "home";
inline constexpr const char* kCell = "cell";
inline constexpr const char* kWork = "work";
inline constexpr const char* kOr = " or ";

}  // namespace zephra::cidtext
