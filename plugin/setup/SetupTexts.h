#pragma once
// Texts of the setup dialog and its settings writer: the settings file and its sections,
// the log tags, the labels it shows, the resizer question and the host event it creates.

#include <cstdint>

#include "core/SettingsChecks.h"

namespace zephra::setuptext {

inline constexpr const char* kSource = "dkvZephra";
inline constexpr const char* kDebugSource = "dkvZephra Debug";

inline constexpr const char* kIniFile = "dkvZephraUtilities.ini";
inline constexpr const char* kResizeQuestion = "ResizeQuestion";
// The value of a unit entry that every reader skips (its name field is empty).
inline constexpr const char* kBlankedUnit = "\",,\"";

// Log tags; the log writer appends the error's line and description.
inline constexpr const char* kLoadTag = "Setup ";
inline constexpr const char* kWriteTag = "OK Button ";
inline constexpr const char* kFindEventTag = "FindEvent ";
inline constexpr const char* kCreateEventTag = "CreateCIDEVent ";
inline constexpr const char* kSavingName = "OK Click Saving Name ";
inline constexpr const char* kSavingAt = " at ";
// A refusal's words are the settings check's own.
using settings::kNothingSaved;
inline constexpr const char* kOfRow = " of row ";
// Two unit rows of one address, as the status page words it.
inline constexpr const char* kSameAddress = " holds the address of ";
// Two unit rows whose device codes share devices (each code and the nine after it).
inline constexpr const char* kSameCodes = " shares device codes with ";
inline constexpr const char* kCodesTo = " to ";
// The other unit of a refusal, stored after the editor's rows were drawn.
inline constexpr const char* kStoredMeanwhile = ", stored by another editor meanwhile";
// A unit edited in the window whose entry others removed or re-addressed meanwhile.
inline constexpr const char* kUnitGone = " was removed or given another address since the window opened (its entry ";
inline constexpr const char* kUnitGoneTail =
    " is no longer in the settings); press Cancel and open the window again to see the units as they are now.";
// A unit edited in the window whose entry's address holds another appliance now.
inline constexpr const char* kUnitReplacedTail =
    " holds another appliance now); press Cancel and open the window again to see the units as they are now.";
// A unit added in the window when others have filled every row meanwhile.
inline constexpr const char* kNoFreeRow =
    " cannot be added: every unit row holds an appliance since the window opened; press Cancel and open the window "
    "again.";
inline constexpr const char* kSaveFailed = "The settings could not be saved: ";

inline constexpr const char* kNoDisplay =
    "The setup window needs a display (none is open: DISPLAY is not set or cannot be reached); the same settings are "
    "on the status page, ";
inline constexpr const char* kStatusAddress = "http://localhost:";
inline constexpr const char* kStatusPath = "/status";
inline constexpr const char* kStatusPageOff =
    "The setup window needs a display (none is open: DISPLAY is not set or cannot be reached), and the status page, "
    "which edits the same settings, is off: give \"ServerPort\" a port number and \"TCPServerOption\" any value "
    "but 1 in Config/dkvZephraUtilities.ini, then reload the settings";

inline constexpr const char* kVersionLabel = "Version ";
inline constexpr const char* kHouseCodeLabel = "Plugin House Code is ";

// The picture resizer, offered once.
inline constexpr const char* kResizerClass = "SfImageResize.ImageResize";
inline constexpr const char* kShellClass = "Wscript.Shell";
inline constexpr const char* kResizerQuestion =
    "Images can be rescaled to work with Zephra.  sfImageResize is used  to perform this function.  "
    "Click Yes to download this component for personal use only.";
// A save from the web page cannot wait for a box: the question counts as answered no.
inline constexpr const char* kResizerNotAsked = "Resizer download not offered from the web page, answered no: ";
inline constexpr const char* kDownloadScript = "\\Scripts\\DownloadAndExecute.vbs";
inline constexpr const char* kResizerPage = "http://www.example.com/sfimageresize/download.htm";
inline constexpr const char* kResizerInstaller = "\\HTML\\ZephraTemp\\sfImageResizeSetup.exe";

// The host event that hands the host phone's callers to the plug-in.
inline constexpr const char* kCIDEventName = "dkvZephra CID";
inline constexpr const char* kCIDEventScript = "&hs.Plugin(\"dkvZephra\").ZephraSendHspCID(\"\")";
inline constexpr int16_t kCIDEventAbsTime = 10;
inline constexpr int16_t kCIDPhoneEvent = 4;
inline constexpr int32_t kCIDMiscNewer = 0xC000;
inline constexpr int16_t kCIDMiscOlder = 0x4000;

}  // namespace zephra::setuptext
