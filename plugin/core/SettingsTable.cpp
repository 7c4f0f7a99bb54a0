#include "core/SettingsTable.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <utility>

#include "core/Housekeeping.h"
#include "core/Settings.h"
#include "homeseer/Host.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Strings.h"
#include "windows/CaseFold.h"

namespace zephra::settings {

namespace {

using S = ZephraSettings;

constexpr int32_t kLongestTimer = 65535;
constexpr int32_t kDefaultPowerCycleTime = 5000;
constexpr int32_t kDefaultPowerUpTime = 75000;
constexpr const char* kHtmlFolder = "\\HTML";
constexpr const char* kHtmlMark = "\\html";
constexpr const char* kShareMissing = "File share with Zephra in folder ";
constexpr const char* kDoesNotExist = " does not exist";

bool Numeric(const std::string& v) { return vb::IsNumeric(vb::Variant(v)); }

// --- Reading rules: the switch conventions and the plain conversions -----------------------

template <std::string S::*Field>
void AsText(ReadValue& v) {
    v.settings.*Field = v.text;
}

// An address: blanks around it would end up inside every URL made of it.
template <std::string S::*Field>
void TrimmedText(ReadValue& v) {
    v.settings.*Field = vb::Trim(v.text);
}

// True only for exactly "1".
template <bool S::*Field>
void IsOne(ReadValue& v) {
    v.settings.*Field = v.text == "1";
}

// True when the number is exactly 1; a text that is no number is an error.
template <bool S::*Field>
void EqualsOne(ReadValue& v) {
    v.settings.*Field = vb::toDouble(vb::Variant(v.text)) == 1;
}

// True when numeric and not 0.
template <bool S::*Field>
void NumericNonZero(ReadValue& v) {
    v.settings.*Field = Numeric(v.text) && vb::CDbl(vb::Variant(v.text)) != 0;
}

// A number (0 false), or the words True and False; any other text is an error.
template <bool S::*Field>
void BooleanText(ReadValue& v) {
    v.settings.*Field = vb::CBool(vb::Variant(v.text));
}

template <int16_t S::*Field, int16_t Otherwise>
void IntegerOr(ReadValue& v) {
    v.settings.*Field = Numeric(v.text) ? vb::CInt(vb::Variant(v.text)) : Otherwise;
}

template <int32_t S::*Field, int32_t Otherwise>
void LongOr(ReadValue& v) {
    v.settings.*Field = Numeric(v.text) ? vb::CLng(vb::Variant(v.text)) : Otherwise;
}

// --- Reading rules of single settings --------------------------------------------------------

// Not numeric: the hour before the current one.
void PowerCycleHourRule(ReadValue& v) {
    v.settings.LastPowerCycleHour =
        Numeric(v.text) ? vb::CInt(vb::Variant(v.text)) : static_cast<int16_t>(vb::Hour(vb::Now()) - 1);
}

// The day the hour was saved on; a file that has none is taken to be of today.
void PowerCycleDate(ReadValue& v) {
    std::optional<vb::Date> day = vb::parseDate(v.text);
    v.settings.LastPowerCycleDate = PowerCycleDay(day ? *day : vb::Now());
}

// "1" hands the appliances' pages to the host's web server.
void ServerOption(ReadValue& v) {
    v.settings.TCPServerOption = v.text;
    v.settings.OwnWebServer = v.text != "1";
}

// The plug-in's own server needs a port to listen on.
void ServerPort(ReadValue& v) {
    v.settings.ServerPort = v.text;
    if (!Numeric(v.text)) v.settings.OwnWebServer = false;
}

// A folder: the phone book's file name is appended to it.
void FriendsFolder(ReadValue& v) {
    v.settings.FriendsLocation = (!v.text.empty() && v.text.back() != '\\') ? v.text + "\\" : v.text;
}

// Milliseconds a timer can wait: 0 to 65535.
void UdpDelay(ReadValue& v) {
    double ms = Numeric(v.text) ? vb::CDbl(vb::Variant(v.text)) : 0;
    v.settings.UDPDelay = vb::CLng(vb::Variant(std::clamp(ms, 0.0, double{kLongestTimer})));
}

// A web path.
void ForwardSlashes(ReadValue& v) { v.settings.ImagePath = vb::Replace(v.text, "\\", "/"); }

// Kept when numeric and above 0, else "20"; held as text and as a number.
void SlideInterval(ReadValue& v) {
    std::string kept = Numeric(v.text) && vb::CInt(vb::Variant(v.text)) > 0 ? v.text : "20";
    int16_t seconds = vb::CInt(vb::Variant(kept));
    v.settings.SlideshowUpdateInterval = kept;
    v.settings.SlideshowUpdateSeconds = seconds;
}

// Whole seconds (as the language rounds them) in milliseconds, or 5000 when the value is not
// numeric or the milliseconds do not fit a timer.
void PowerCycleTime(ReadValue& v) {
    std::optional<int32_t> ms;
    if (Numeric(v.text)) {
        double seconds = vb::CDbl(vb::Variant(v.text));
        if (std::fabs(seconds) < 1e9) {
            int64_t whole = vb::roundToInteger(seconds) * 1000;
            if (whole > 0 && whole <= kLongestTimer) ms = static_cast<int32_t>(whole);
        }
    }
    v.settings.PowerCycleTime = ms.value_or(kDefaultPowerCycleTime);
}

// A list of hours: blanks dropped.
void WithoutBlanks(ReadValue& v) { v.settings.PowerCycleInterval = vb::Replace(v.text, " ", ""); }

// The part after the first "\html" ("/" alike, any case), kept only when that file exists
// below the HTML folder.
void PushPage(ReadValue& v) {
    std::string page = v.text;
    int32_t i = vb::InStr(vb::Replace(vb::LCase(page), "/", "\\"), kHtmlMark);
    if (i >= 1) page = vb::Mid(page, i + 5);
    v.settings.DefaultPushPage = v.checks.FileExists(v.checks.AppPath() + kHtmlFolder + "\\" + page) ? page : "";
}

// Seconds in milliseconds; not numeric: 75 seconds.
void PowerUpTime(ReadValue& v) {
    v.settings.PowerUpTime =
        Numeric(v.text) ? vb::CLng(vb::Variant(vb::CLng(vb::Variant(v.text)) * 1000.0)) : kDefaultPowerUpTime;
}

// A folder that must exist; a missing one is logged and not kept.
void WindowsShare(ReadValue& v) {
    v.settings.WindowsShare = v.text;
    if (v.text.empty() || v.checks.FolderExists(v.text)) return;
    v.checks.Log(kShareMissing + v.text + kDoesNotExist);
    v.settings.WindowsShare.clear();
}

// One switch per sound, from a comma list; a missing element is off.
void Sounds(ReadValue& v) {
    std::vector<std::string> list = vb::Split(v.text, ",");
    for (std::size_t i = 0; i < v.settings.SoundEnabled.size(); ++i)
        v.settings.SoundEnabled[i] = i < list.size() && list[i] == "1";
}

// --- Reading rules of the families: a slide row's index tells its group (1 first) and row --------

constexpr int16_t kDefaultRowSeconds = 30;

int GroupOf(int index) { return index / kSlideRows + 1; }
int RowOf(int index) { return index % kSlideRows; }

void SlidePath(ReadValue& v) { v.settings.SlideRowPath[GroupOf(v.index)][RowOf(v.index)] = v.text; }

// Not numeric: 30 seconds.
void SlideSeconds(ReadValue& v) {
    v.settings.SlideRowSeconds[GroupOf(v.index)][RowOf(v.index)] =
        Numeric(v.text) ? vb::CInt(vb::Variant(v.text)) : kDefaultRowSeconds;
}

// None: where the host computer serves the appliances' files.
void GroupServer(ReadValue& v) {
    v.settings.GroupServerPath[v.index + 1] = v.text.empty() ? ApplianceServer(v.settings) : v.text;
}

// None: the HTML folder.
void GroupFolder(ReadValue& v) {
    v.settings.GroupFolderPath[v.index + 1] = v.text.empty() ? v.checks.AppPath() + kHtmlFolder : v.text;
}

// --- The table ------------------------------------------------------------------------------

using enum ReadStep;
constexpr auto Definitions = PageSection::Definitions;
constexpr auto Power = PageSection::Power;
constexpr auto Screen = PageSection::Screen;
constexpr auto CID = PageSection::CID;
constexpr auto T = Fill::Text;
constexpr auto N = Fill::LeadingNumber;
constexpr auto W = Fill::WholeNumber;
constexpr bool Q = true;  // written between double quotes

// Columns: section, key; reading {step, default, rule}; dialog {control, fill, load default,
// load order, write order, quoted, key as written, caption}; page {section, line, cell, ...}.
const Setting kSettings[] = {
    {kMain, "LastPowerCycleHour", {PowerCycleHour, "-1", PowerCycleHourRule}, {}, {}},
    {kMain, "LastPowerCycleDate", {PowerCycleHour, "", PowerCycleDate}, {}, {}},
    {kMain,
     "TCPServerOption",
     {WebServer, "0", ServerOption},
     {"aTCPServerOption", Fill::ServerOption, "0", 29, 8, Q},
     {.section = Definitions, .line = 11, .cell = 1, .span = "3", .standaloneOnly = true, .keptUnlessPosted = true}},
    {kMain,
     "StyleSheet",
     {WebServer, "", AsText<&S::StyleSheet>},
     {"aStyleSheet", T, "", 28, 15, Q},
     {.section = Definitions, .line = 9, .cell = 2, .label = "Style_Sheet&nbsp;", .size = 20, .tight = true}},
    {kMain,
     "Background",
     {WebServer, "", AsText<&S::Background>},
     {"aBackground", T, "", 27, 16, Q},
     {.section = Definitions, .line = 9, .cell = 3, .label = "Back Color&nbsp;", .size = 12, .tight = true}},
    {kMain,
     "ServerPort",
     {WebServer, "", ServerPort},
     {"aServerPort", T, "", 26, 14, Q},
     {.section = Definitions, .line = 9, .cell = 1, .label = "Server Port&nbsp;", .size = 3, .tight = true},
     nullptr,
     Check::Port},
    {kMain,
     "TCPDebug",
     {ServerDebug, "0", BooleanText<&S::TCPDebug>},
     {"aTCPDebug", W, "0", 62, 7, Q, nullptr, "Server Debug "},
     {.section = Definitions, .line = 13, .cell = 3}},
    {kMain,
     "InsertModemCrLf",
     {Keys, "1", EqualsOne<&S::InsertModemCrLf>},
     {"aInsertModemCrLf", N, "1", 18, 34, false, nullptr, "Auto-complete Name/Nmbr CrLf"},
     {.section = CID, .line = 5, .cell = 3}},
    {kMain,
     "CIDSentry",
     {Keys, "0", EqualsOne<&S::CIDSentry>},
     {"aCIDSentry", N, "0", 4, 17, false, nullptr, "CID Sentry Name and Number"},
     {.section = CID, .line = 7, .cell = 2}},
    {kMain,
     "GenerateCIDEvent",
     {Keys, "0", IsOne<&S::GenerateCIDEvent>},
     {"aGenerateCIDEvent", N, "0", 2, 18, false, nullptr, "Toggle CID Device for 10 seconds"},
     {.section = CID, .line = 8, .cell = 2, .align = "Left"}},
    {kMain,
     "LogCID",
     {Keys, "0", IsOne<&S::LogCID>},
     {"aLogCID", N, "0", 3, 19, false, nullptr, "Record in HS Log"},
     {.section = CID, .line = 8, .cell = 3, .align = "Left"}},
    {kMain,
     "ZcidCIDResponse",
     {Keys, "0", IsOne<&S::ZcidCIDResponse>},
     {"aZcidCIDResponse", N, "0", 5, 20, false, nullptr, "ZCID Name and Number"},
     {.section = CID, .line = 7, .cell = 1}},
    {kMain,
     "BrowserCIDResponse",
     {Keys, "0", IsOne<&S::BrowserCIDResponse>},
     {"aBrowserCIDResponse", N, "0", 6, 21, false, nullptr, "Browser Name and Number"},
     {.section = CID, .line = 7, .cell = 3, .align = "Left"}},
    {kMain,
     "SoundCIDResponse",
     {Keys, "0", IsOne<&S::SoundCIDResponse>},
     {"aSoundCIDResponse", N, "0", 7, 22, false, nullptr, "Spoken CID Response"},
     {.section = CID, .line = 8, .cell = 1, .align = "Left"}},
    {kMain,
     "CIDCommPort",
     {Keys, "", AsText<&S::CIDCommPort>},
     {"aCIDCommPort", T, "", 8, 23, Q},
     {.section = CID, .line = 4, .cell = 1, .label = "Comm Port&nbsp;", .size = 2}},
    {kMain,
     "CIDPortString",
     {Keys, "9600,n,8,1", AsText<&S::CIDPortString>},
     {"aCIDPortString", T, "9600,n,8,1", 9, 24},
     {.section = CID, .line = 4, .cell = 2, .label = "Port Setup&nbsp;", .size = 10}},
    {kMain,
     "CIDModemInitString",
     {Keys, "AT#CID=1", AsText<&S::CIDModemInitString>},
     {"aCIDModemInitString", T, "AT#CID=1", 10, 25},
     {.section = CID, .line = 4, .cell = 3, .label = "Modem Init&nbsp;", .size = 15}},
    {kMain,
     "CIDNamePrefix",
     {Keys, "NAME =", AsText<&S::CIDNamePrefix>},
     {"aCIDNamePrefix", T, "NAME =", 11, 26},
     {.section = CID, .line = 5, .cell = 1, .label = "Name Prefix&nbsp;", .size = 6}},
    {kMain,
     "CIDNumberPrefix",
     {Keys, "NMBR =", AsText<&S::CIDNumberPrefix>},
     {"aCIDNumberPrefix", T, "NMBR =", 12, 27},
     {.section = CID, .line = 5, .cell = 2, .label = "Number Prefix&nbsp;", .size = 6}},
    {kMain,
     "CIDEventGroup",
     {Keys, "", AsText<&S::CIDEventGroup>},
     {"aCIDEventGroup", T, "", 13, 28},
     {.section = CID, .line = 2, .cell = 2, .label = "Event Group Name&nbsp;", .size = 40, .span = "2"}},
    {kMain,
     "FriendsLocation",
     {Keys, "", FriendsFolder},
     {"aFriendsLocation", T, "", 17, 33},
     {.section = CID, .line = 11, .cell = 1, .part = 1, .label = "&nbsp;", .size = 50},
     "Use Friends.txt located at folder"},
    {kMain,
     "useFriends",
     {Keys, "0", NumericNonZero<&S::useFriends>},
     {"aUseFriends", N, "0", 16, 31, false, "UseFriends", "Use Friends.txt located at folder:"},
     {.section = CID, .line = 11, .cell = 1, .span = "3", .align = "Left"}},
    {kMain,
     "ExcludeHSPLocation",
     {Keys, "0", NumericNonZero<&S::ExcludeHSPLocation>},
     {"aExcludeHSPLocation", N, "0", 15, 32, false, nullptr, "Exclude Location From HSP"},
     {.section = CID, .line = 10, .cell = 3, .align = "Left"}},
    {kMain,
     "useHSPPhoneBook",
     {Keys, "0", NumericNonZero<&S::useHSPPhoneBook>},
     {"aUseHSPPhoneBook", N, "0", 14, 30, false, "UseHSPPhoneBook", "Use HSP Address Book"},
     {.section = CID, .line = 10, .cell = 2, .align = "Left"}},
    {kMain,
     "PushDelay",
     {Keys, "5", IntegerOr<&S::PushDelay, 5>},
     {"aPushDelay", T, "5", 21, 10, Q},
     {.section = Definitions,
      .line = 3,
      .cell = 1,
      .label = "Seconds for Server to Respond&nbsp;",
      .size = 2,
      .tight = true}},
    {kMain,
     "HomeseerIP",
     {Keys, "192.168.0.1", TrimmedText<&S::HomeseerIP>},
     {"aHSIP", T, "192.168.0.1", 22, 11, Q},
     {.section = Definitions, .line = 2, .cell = 1, .label = "Server IP&nbsp;", .size = 12, .marksSection = true},
     nullptr,
     Check::Address},
    {kHostSection, "svrport", {Keys, "81", AsText<&S::svrport>}, {}, {}},
    {kMain,
     "CIDLineNumber",
     {Keys, "1", IntegerOr<&S::CIDLineNumber, 1>},
     {"aLineNumber", Fill::NumericText, "1", 23, 29, Q},
     {.section = CID, .line = 2, .cell = 1, .label = "Line Number&nbsp;", .size = 2, .marksSection = true}},
    {kMain,
     "UDPDelay",
     {Keys, "", UdpDelay},
     {"aUDPDelay", T, "", 19, 2},
     {.section = Definitions,
      .line = 7,
      .cell = 3,
      .label = "Add&nbsp;",
      .size = 2,
      .after = "&nbsp;Milliseconds delay after UDP command",
      .tight = true},
     "Milliseconds delay after UDP command"},
    {kMain,
     "SorvexCommandPort",
     {Keys, "1024", AsText<&S::SorvexCommandPort>},
     {"aSorvexCommandPort", T, "1024", 1, 1, Q},
     {},
     "Command Port"},
    {kMain,
     "StatusOnly",
     {Keys, "0", BooleanText<&S::StatusOnly>},
     {"aStatusOnly", W, "0", 25, 13, Q, nullptr, "Disable Control Buttons"},
     {.section = Definitions, .line = 3, .cell = 3}},
    // The menus take a missing value as "1" (listed), the dialog shows it unchecked.
    {kMain,
     "inMenu",
     {None, "1"},
     {"aMenu", W, "0", 24, 12, Q, nullptr, "Include in Menu"},
     {.section = Definitions, .line = 3, .cell = 2, .label = "&nbsp;Include In Menu"}},
    {kMain,
     "DontRandomize",
     {Keys, "0", NumericNonZero<&S::DontRandomize>},
     {"aDontRandomize", N, "0", 40, 45, false, nullptr, "Do not randomize image sequence"},
     {.section = Screen, .line = 14, .cell = 2}},
    {kMain,
     "LEDMotionTime",
     {Keys, "", LongOr<&S::LEDMotionTime, 999999>},
     {"aLEDMotionTime", T, "", 30, 43},
     {.section = Screen,
      .line = 3,
      .cell = 2,
      .label = "Turn off LEDs if Motion for&nbsp;",
      .size = 3,
      .after = "&nbsp;Secs",
      .span = "2"}},
    {kMain,
     "jpg",
     {Keys, "1", NumericNonZero<&S::jpg>},
     {"ajpg", N, "1", 37, 35, false, nullptr, "jpg"},
     {.section = Screen, .line = 13, .cell = 1, .label = "&nbsp;Include jpg"}},
    {kMain,
     "gif",
     {Keys, "1", NumericNonZero<&S::gif>},
     {"agif", N, "1", 38, 36, false, nullptr, "gif"},
     {.section = Screen, .line = 13, .cell = 2, .label = "&nbsp;Include gif"}},
    {kMain,
     "bmp",
     {Keys, "0", NumericNonZero<&S::bmp>},
     {"abmp", N, "0", 39, 37, false, nullptr, "bmp"},
     {.section = Screen, .line = 13, .cell = 3, .label = "&nbsp;Include bmp"}},
    {kMain,
     "IncludeHeaderLinks",
     {Keys, "1", NumericNonZero<&S::IncludeHeaderLinks>},
     {"aIncludeHeaderLinks", N, "1", 41, 47, false, nullptr, "Include Header Links"},
     {.section = Screen, .line = 6, .cell = 2}},
    {kMain,
     "Wallpaper",
     {Keys, "0", NumericNonZero<&S::Wallpaper>},
     {"aWallpaper", N, "0", 42, 49, false, nullptr, "Show Slides as Tiled Wallpaper"},
     {.section = Screen, .line = 14, .cell = 1}},
    {kMain,
     "SleepMonitorInterval",
     {Keys, "0", IntegerOr<&S::SleepMonitorInterval, 0>},
     {"aSleepInterval", T, "0", 31, 44},
     {.section = Power, .line = 2, .cell = 3, .label = "Check for Sleep Mode Every&nbsp;", .size = 2}},
    {kMain,
     "AwakenOnMotion",
     {Keys, "0", NumericNonZero<&S::AwakenOnMotion>},
     {"aAwakenOnMotion", N, "0", 43, 46, false, nullptr, "Awaken if Motion"},
     {.section = Screen, .line = 2, .cell = 1}},
    {kMain,
     "StartSlildeshow",
     {Keys, "0", NumericNonZero<&S::StartSlildeshow>},
     {"aStartSlildeshow", N, "0", 44, 48, false, nullptr, "Start Sllideshow on New Motion Detected"},
     {.section = Screen, .line = 3, .cell = 1}},
    // The reader takes a missing value as 0 minutes, the dialog shows it empty.
    {kMain,
     "SlideshowNoMotionTime",
     {Keys, "0", IntegerOr<&S::SlideshowNoMotionTime, 0>},
     {"aSlideshowNoMotionTime", T, "", 45, 50},
     {.section = Screen,
      .line = 2,
      .cell = 2,
      .label = "Stop Slideshow After no Motion for&nbsp;",
      .size = 3,
      .after = "&nbsp;Mins",
      .span = "2"}},
    {kMain,
     "TextStyle",
     {Keys, "Arial", AsText<&S::TextStyle>},
     {"aTextStyle", T, "Arial", 32, 41},
     {.section = Screen, .line = 5, .cell = 1, .label = "Face&nbsp;", .size = 4, .marksSection = true}},
    {kMain,
     "TextFontSize",
     {Keys, "7", AsText<&S::TextFontSize>},
     {"aTextFontSize", T, "7", 35, 40},
     {.section = Screen, .line = 6, .cell = 1, .label = "Size&nbsp;", .size = 4}},
    {kMain,
     "TextBackground",
     {Keys, "Blue", AsText<&S::TextBackground>},
     {"aTextBackground", T, "Blue", 34, 39},
     {.section = Screen, .line = 5, .cell = 3, .label = "Back Color&nbsp;", .size = 4}},
    {kMain,
     "TextForeground",
     {Keys, "Yellow", AsText<&S::TextForeground>},
     {"aTextForeground", T, "Yellow", 33, 38},
     {.section = Screen, .line = 5, .cell = 2, .label = "Fore Color&nbsp;", .size = 4}},
    {kMain,
     "LinksFile",
     {Keys, "links_touchscreen.htm", AsText<&S::LinksFile>},
     {"aLinksFile", T, "links_touchscreen.htm", 47, 51},
     {.section = Screen, .line = 6, .cell = 3, .label = "Links File&nbsp;", .size = 20}},
    {kMain,
     "Links",
     {Keys, "links_touchscreen.htm", AsText<&S::Links>},
     {"aLinks", T, "links_touchscreen.htm", 46, 52},
     {.section = Screen,
      .line = 15,
      .cell = 1,
      .label = "Page when Exiting Slideshow (base=\\HTML)&nbsp;",
      .size = 40,
      .span = "3"}},
    {kMain,
     "ImageServer",
     {Keys, "", AsText<&S::ImageServer>},
     {"aImageServer", T, "", 50, 54},
     {.section = Screen,
      .line = 12,
      .cell = 1,
      .label = "Server Path to Slideshow Files&nbsp;",
      .size = 60,
      .span = "3",
      .align = "Right"}},
    {kMain,
     "ImagePath",
     {Keys, "", ForwardSlashes},
     {"aImagePath", T, "", 49, 53},
     {.section = Screen,
      .line = 11,
      .cell = 1,
      .label = "Folder Path to Slideshow Files&nbsp;",
      .size = 60,
      .span = "3",
      .align = "Right"}},
    {kMain,
     "SlideshowPath",
     {SlideshowFolder, "", AsText<&S::SlideshowPath>},
     {"aSlideshowPath", T, "", 48, 55},
     {.section = Screen,
      .line = 10,
      .cell = 1,
      .label = "File Path to Slideshow Files&nbsp;",
      .size = 60,
      .span = "3",
      .align = "Right"}},
    // The reader takes a missing value as 20 seconds, the dialog shows it empty.
    {kMain,
     "SlideshowUpdateInterval",
     {PowerAndDevices, "20", SlideInterval},
     {"aUpdateInterval", T, "", 51, 56},
     {.section = Screen, .line = 14, .cell = 3, .label = "Change Slide Every&nbsp;", .size = 4, .after = "&nbsp;secs"}},
    {kMain,
     "MaxPixels",
     {PowerAndDevices, "100000", LongOr<&S::MaxPixels, 100000>},
     {"aMaxPixels", T, "100000", 36, 42},
     {.section = Screen, .line = 8, .cell = 1, .label = "Max Pixels in Image&nbsp;", .size = 8, .span = "3"}},
    {kMain,
     "PowerCycleTime",
     {PowerAndDevices, "5", PowerCycleTime},
     {"aPowerCycleTime", T, "5", 52, 57},
     {.section = Power,
      .line = 2,
      .cell = 2,
      .label = "Wait&nbsp;",
      .size = 2,
      .after = "&nbsp;Seconds between power off and power on"},
     "Seconds between power off and power on"},
    // The reader takes a missing value as "0" (hours given: the housekeeping tick runs), the
    // dialog shows it empty.
    {kMain,
     "PowerCycleInterval",
     {PowerAndDevices, "0", WithoutBlanks},
     {"aPowerCycleInterval", T, "", 53, 58},
     {.section = Power,
      .line = 2,
      .cell = 1,
      .label = "Power Cycle on Hours (comma separated)&nbsp;",
      .size = 8,
      .marksSection = true}},
    {kMain,
     "noResponseAction",
     {PowerAndDevices, "0", NumericNonZero<&S::noResponseAction>},
     {"anoResponseAction", N, "0", 54, 59, false, nullptr, "Cycle Power After 5 no Responses"},
     {.section = Power, .line = 3, .cell = 1}},
    {kMain,
     "DefaultPushPage",
     {PowerAndDevices, "", PushPage},
     {"aDefaultPushPage", T, "", 55, 60},
     {.section = Power,
      .line = 3,
      .cell = 2,
      .label = "Default Page After Power Cycle (\\HTML)&nbsp;",
      .size = 30,
      .span = "2"}},
    {kMain,
     "PowerUpTime",
     {PowerAndDevices, "75", PowerUpTime},
     {"aPowerUpTime", T, "75", 56, 61},
     {.section = Power,
      .line = 5,
      .cell = 1,
      .label = "Wait&nbsp;",
      .size = 3,
      .after = "&nbsp;Seconds after power cycle  OR Wait for browser to appear on file share ",
      .span = "3"},
     "Seconds after power cycle"},
    {kMain,
     "WindowsShare",
     {PowerAndDevices, "", WindowsShare},
     {"aWindowsShare", T, "", 57, 62},
     {.section = Power, .line = 5, .cell = 1, .part = 1, .label = "", .size = 60},
     "Wait for browser to appear on file share"},
    {kMain,
     "FontColor",
     {PowerAndDevices, "white", AsText<&S::FontColor>},
     {"aFontColor", T, "white", 20, 9, Q},
     {.section = Definitions, .line = 2, .cell = 3, .label = "Font Color", .size = 4}},
    {kMain,
     "UseZephraServer",
     {PowerAndDevices, "0", IsOne<&S::UseZephraServer>},
     {"aUseZephraServer", W, "0", 60, 4, Q, nullptr, "Use UDP when Possible"},
     {.section = Definitions, .line = 7, .cell = 2}},
    {kMain,
     "ShowSlides",
     {PowerAndDevices, "0", IsOne<&S::ShowSlides>},
     {"aShowSlides", W, "0", 58, 6, Q, nullptr, "Show Slide List in Log"},
     {.section = Definitions, .line = 13, .cell = 2}},
    {kMain,
     "DebugLog",
     {PowerAndDevices, "0", IsOne<&S::DebugLog>},
     {"aDebugLog", W, "0", 59, 5, Q, nullptr, "General Debug "},
     {.section = Definitions, .line = 13, .cell = 1}},
    {kMain,
     "CommandRetries",
     {PowerAndDevices, "", IntegerOr<&S::CommandRetries, 0>},
     {"aCommandRetries", T, "", 61, 3},
     {.section = Definitions, .line = 7, .cell = 1, .label = "Command Retries&nbsp;", .size = 2, .tight = true}},
    {kVoice,
     "T2WVoice",
     {PowerAndDevices, "Microsoft Mary", AsText<&S::T2WVoice>},
     {"aVoiceCB", Fill::Voice, "Microsoft Mary", 63, 63, Q},
     {.section = Definitions, .line = 2, .cell = 2, .label = "TTS Voice&nbsp;", .size = 12}},
    {kMain,
     "Sounds",
     {PowerAndDevices, "", Sounds},
     {"Check1", Fill::Sounds, "", 64, 64, Q},
     {.section = Definitions, .line = 5, .cell = 1, .align = "Left"}},
    // Read at load by the host interface as stored, quotes and all: any text makes a proxy.
    {kMain, "RunAsXapNode", {}, {}, {}},
    // Milliseconds the pages' script engine lets a script run.
    {kMain, "ScriptTimeout", {None, "60000"}, {}, {}},
    // The I/O code the host gave the plug-in's devices, kept when they are made.
    {kMain, "HouseCode", {}, {}, {}},
    // "1" once the dialog's writer has offered the picture resizer.
    {kMain, "ResizeQuestion", {}, {}, {}},
};

// --- The families -----------------------------------------------------------------------------

using enum FieldFill;

// The key of a unit's entry: its address (IP, or IP "/" computer).
const FamilyField kUnitKey{
    .control = "aIP",
    .check = Check::UnitAddress,
    .heading = "IP",
    .page = {.line = 1, .cell = 2, .size = 15, .tight = true, .wideName = true, .align = "Left"}};

// A unit's entry: its fields in stored order.
const FamilyField kUnitFields[] = {
    {.control = "aName",
     .check = Check::UnitField,
     .posted = "Location",
     .heading = "Location",
     .page = {.line = 1, .cell = 1, .size = 10, .tight = true, .align = "Left", .marksSection = true}},
    {.control = "aDC",
     .fill = Code,
     .check = Check::UnitField,
     .heading = "ID",
     .page = {.line = 1, .cell = 3, .align = "Left"},
     .named = "Device Code"},
    {.control = "aPower",
     .check = Check::UnitField,
     .heading = "Power",
     .page = {.line = 1, .cell = 4, .size = 2, .tight = true, .wideName = true, .align = "Left"}},
    {.control = "aMotion",
     .check = Check::UnitField,
     .heading = "Motion",
     .page = {.line = 1, .cell = 5, .size = 2, .tight = true, .wideName = true, .align = "Left"}},
    {.control = "Option", .fill = SlideGroup, .heading = "Slide", .page = {.line = 1, .cell = 6, .align = "Left"}},
    {.control = "aDoCID",
     .fill = Switch,
     .posted = "CID",
     .heading = "CID",
     .page = {.line = 1, .cell = 7, .align = "Left"}},
    // The xAP target of a unit's X10 power device: a page that did not show it keeps what is stored.
    {.control = "aX10Server",
     .check = Check::UnitField,
     .heading = "xAP Target Address for X10 Power",
     .shownWith = "aPower",
     .page = {.line = 2,
              .cell = 1,
              .size = 45,
              .tight = true,
              .wideName = true,
              .span = "4",
              .align = "Left",
              .xapHostOnly = true,
              .keptUnlessPosted = true}},
};

const FamilyField kSlideRowFields[] = {
    {.control = "aSlideASP",
     .check = Check::ListField,
     .rule = SlidePath,
     .heading = "FilePath",
     .page = {.size = 80, .span = "2", .align = "Left", .marksSection = true}},
    {.control = "aDwell",
     .check = Check::ListField,
     .rule = SlideSeconds,
     .heading = "Secs",
     .page = {.size = 3, .align = "Left"}},
};

const FamilyField kSlideGroupPathFields[] = {
    {.control = "aServerPathGroup",
     .check = Check::Text,
     .rule = GroupServer,
     .key = "ServerPathGroup",
     .page = {.label = "Server Path&nbsp;", .size = 70, .span = "3", .align = "Left"}},
    {.control = "aFolderPathGroup",
     .check = Check::Text,
     .rule = GroupFolder,
     .key = "FolderPathGroup",
     .page = {.label = "Folder Path&nbsp;&nbsp;&nbsp;", .size = 70, .span = "3", .align = "Left"}},
};

// Columns: section, keys, prefix, count, fields, key field, empty without separator, page.
const Family kFamilies[] = {
    {"Zephra Names", FamilyKeys::Address, nullptr, kUnitSlots, kUnitFields, &kUnitKey, false, PageSection::Units},
    {kMain, FamilyKeys::Numbered, "SlideASP", kSlideRowKeys, kSlideRowFields, nullptr, true, PageSection::SlideGroup},
    {kMain, FamilyKeys::PerField, nullptr, kSlideGroups, kSlideGroupPathFields, nullptr, false,
     PageSection::SlideGroup},
};

std::string WithoutLeadingA(const std::string& name) { return name.starts_with('a') ? name.substr(1) : name; }

}  // namespace

const char* FileOf(const char* section) { return std::string_view(section) == kHostSection ? kHostIniFile : kIniFile; }

std::span<const Setting> SettingsTable() { return kSettings; }

std::vector<const Setting*> InOrder(int Dialog::*order) {
    std::vector<const Setting*> rows;
    for (const Setting& row : kSettings)
        if (row.dialog.*order > 0) rows.push_back(&row);
    std::sort(rows.begin(), rows.end(),
              [&](const Setting* a, const Setting* b) { return a->dialog.*order < b->dialog.*order; });
    return rows;
}

const Setting* FindSetting(const std::string& section, const std::string& key) {
    for (const Setting& s : kSettings)
        if (windows::EqualsNoCase(s.section, section) && windows::EqualsNoCase(s.key, key)) return &s;
    return nullptr;
}

const Setting* FindControlSetting(const std::string& control) {
    for (const Setting& s : kSettings)
        if (s.dialog.control && control == s.dialog.control) return &s;
    return nullptr;
}

const Setting& MainSetting(std::string_view key) {
    const Setting* row = FindSetting(kMain, std::string(key));
    if (!row) throw std::logic_error("no setting " + std::string(key));
    return *row;
}

std::string StoredText(homeseer::Host& hs, const Setting& row) {
    return hs.GetIniSetting(row.section, row.key, row.read.fallback, FileOf(row.section));
}

std::string ReadText(homeseer::Host& hs, const Setting& row) { return vb::Replace(StoredText(hs, row), "\"", ""); }

void SaveText(homeseer::Host& hs, const Setting& row, const std::string& value) {
    hs.SaveIniSetting(row.section, row.key, value, FileOf(row.section));
}

std::string PageField(const Setting& setting) { return WithoutLeadingA(setting.dialog.control); }

std::string SectionMark(PageSection section) {
    for (const Setting& row : kSettings)
        if (row.page.section == section && row.page.marksSection) return PageField(row);
    for (const Family& family : kFamilies)
        for (const FamilyField& field : family.fields)
            if (family.page == section && field.page.marksSection) return PostedName(field, 0);
    return {};
}

std::string NamedEntry(const char* section, const std::string& entry) {
    constexpr std::size_t kShown = 200;
    std::string shown = entry.substr(0, kShown);
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    if (entry.size() > kShown) shown += "...";
    return std::string(FileOf(section)) + " [" + section + "] " + shown;
}

std::string BadValueLine(const std::string& failed, const std::string& named, const std::string& used) {
    return failed + ": " + named + ", " + (used.empty() ? std::string("its default") : used) + " is used";
}

std::string ApplianceServer(const ZephraSettings& settings) {
    return "http://" + settings.HomeseerIP + ":" + (settings.OwnWebServer ? settings.ServerPort : settings.svrport);
}

std::span<const Family> Families() { return kFamilies; }
const Family& Units() { return kFamilies[0]; }
const Family& SlideRows() { return kFamilies[1]; }
const Family& SlideGroupPaths() { return kFamilies[2]; }

std::vector<FamilyKey> KeysOf(const Family& family, int index) {
    std::vector<FamilyKey> keys;
    if (family.keys == FamilyKeys::Address) return keys;
    for (int i = 0; i < family.count; ++i) {
        if (index >= 0 && i != index) continue;
        if (family.keys == FamilyKeys::PerField) {
            for (const FamilyField& field : family.fields) keys.push_back({field.key + std::to_string(i), i, {&field}});
            continue;
        }
        FamilyKey key{family.prefix + std::to_string(i), i, {}};
        for (const FamilyField& field : family.fields) key.fields.push_back(&field);
        keys.push_back(std::move(key));
    }
    return keys;
}

std::vector<std::string> FieldsOf(const Family& family, const std::string& value) {
    if (family.keys == FamilyKeys::PerField) return {value};
    if (family.emptyWithoutSeparator && value.find(',') == std::string::npos)
        return std::vector<std::string>(family.fields.size());
    std::vector<std::string> fields = vb::Split(value, ",");
    if (family.keys == FamilyKeys::Numbered && fields.size() < family.fields.size())
        fields.resize(family.fields.size());
    return fields;
}

// What a kind of value may not hold if it is to read back as written: every value loses its
// double quotes on reading and ends at a line break; a unit's entry is split at "=" and its
// fields at "," (its address is listed among others with ","); a slide row's two fields at ",".
// Brackets inside a value read back as they are (device codes of the bracket house hold them).
std::string Unstorable(const std::string& text, Check kind) {
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\r') return "CR";
        if (c == '\n') return "LF";
        if (c == '\0') return "NUL";
        if ((u < 0x20 && c != '\t') || u == 0x7f) return "control character " + std::to_string(u);
        bool bad = c == '"';
        const bool unitKey = kind == Check::UnitKey || kind == Check::UnitAddress;
        if (kind == Check::UnitField || unitKey) bad = bad || c == '=';
        if (kind == Check::UnitField || kind == Check::UnitAddress || kind == Check::ListField) bad = bad || c == ',';
        if (bad) return std::string("'") + c + "'";
    }
    // A key starting so would read as a section header or a comment.
    const std::string key = vb::Trim(text);
    if ((kind == Check::UnitKey || kind == Check::UnitAddress) && (key.starts_with("[") || key.starts_with(";")))
        return std::string("'") + key.front() + "' at its start";
    return {};
}

UnitEntry ParseUnitEntry(const std::string& line) {
    auto fault = [](EntryFault why) {
        UnitEntry none;
        none.fault = why;
        return none;
    };
    if (vb::Trim(line).empty()) return fault(EntryFault::Blank);
    std::vector<std::string> parts = vb::Split(line, "=");
    if (parts.size() < 2) return fault(EntryFault::NoEquals);
    if (parts.size() > 2) return fault(EntryFault::ManyEquals);
    if (parts[0].empty()) return fault(EntryFault::NoAddress);
    if (parts[1].empty()) return fault(EntryFault::NoValue);
    return {parts[0], FieldsOf(Units(), parts[1])};
}

std::string EntryKey(const std::string& address) {
    const std::size_t slash = address.find('/');
    if (slash == std::string::npos) return address;
    const std::string ip = vb::Trim(address.substr(0, slash));
    return ip == vb::Trim(address.substr(slash + 1)) ? ip : address;
}

bool SameEntry(const std::string& a, const std::string& b) {
    return windows::EqualsNoCase(vb::Trim(EntryKey(a)), vb::Trim(EntryKey(b)));
}

std::optional<std::string> FieldOf(const Family& family, const std::vector<std::string>& fields,
                                   std::string_view control) {
    for (std::size_t i = 0; i < family.fields.size() && i < fields.size(); ++i)
        if (control == family.fields[i].control) return fields[i];
    return std::nullopt;
}

namespace {
// Each escaped character and the digit after "~" that stands for it.
constexpr std::pair<char, char> kUnitEscapes[] = {{'~', '0'}, {'[', '1'}, {']', '2'}};
}  // namespace

std::string EscapedUnitText(const std::string& typed, bool deviceCode) {
    // "~" first; the brackets only in a device code, other fields keep them as typed.
    const auto* last = deviceCode ? std::end(kUnitEscapes) : std::begin(kUnitEscapes) + 1;
    std::string stored;
    stored.reserve(typed.size());
    for (const char c : typed) {
        const auto* escape =
            std::find_if(std::begin(kUnitEscapes), last, [&](const std::pair<char, char>& e) { return e.first == c; });
        if (escape == last) {
            stored += c;
        } else {
            stored += '~';
            stored += escape->second;
        }
    }
    return stored;
}

std::string UnescapedUnitText(const std::string& stored) {
    std::string typed;
    typed.reserve(stored.size());
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const auto* escape =
            stored[i] != '~' || i + 1 == stored.size()
                ? std::end(kUnitEscapes)
                : std::find_if(std::begin(kUnitEscapes), std::end(kUnitEscapes),
                               [&](const std::pair<char, char>& e) { return e.second == stored[i + 1]; });
        if (escape == std::end(kUnitEscapes)) {
            typed += stored[i];
        } else {
            typed += escape->first;
            ++i;
        }
    }
    return typed;
}

bool SwitchedOn(const std::string& text) { return text == "1"; }

int16_t GroupNumber(const std::string& text) { return vb::CInt(vb::Variant(text)); }

std::string PostedName(const FamilyField& field, int index) {
    const std::string name = field.posted ? field.posted : WithoutLeadingA(field.control);
    return name + std::to_string(field.fill == FieldFill::SlideGroup ? index + 1 : index);
}

}  // namespace zephra::settings
