#include "core/SettingsReader.h"

#include <cmath>
#include <functional>

#include "callerid/ModemPort.h"
#include "callerid/Phonebook.h"
#include "core/ApplianceList.h"
#include "core/BuildFileList.h"
#include "core/Housekeeping.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/QueueTimer.h"
#include "core/TimerPool.h"
#include "core/WebServerState.h"
#include "host/HomeSeerDevices.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Err.h"
#include "vb/Strings.h"
#include "windows/FileSystemObject.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kDebugSource = "dkvZephra Debug";
constexpr const char* kTag = "InitZephraUtilities ";
constexpr const char* kSection = "Zephra Utilities";
constexpr const char* kIniFile = "dkvZephraUtilities.ini";
constexpr const char* kHostIniFile = "settings.ini";
constexpr const char* kHostSection = "Settings";
constexpr const char* kVoiceSection = "T2W";
constexpr const char* kTempFolder = "\\HTML\\ZephraTemp";
constexpr const char* kHtmlFolder = "\\HTML";
constexpr const char* kHtmlMark = "\\html";
constexpr const char* kDebugFile = "\\Data\\dkvZephra\\dkvZephra_TCPServerDebug.txt";
constexpr const char* kStartupFirst = "InitUtilities";
constexpr const char* kStartupSecond = "170";
constexpr const char* kNoSlideshowPath = "Slideshow path has not been specified";
constexpr const char* kSlideshowPathMissing = "Slideshow path ";
constexpr const char* kDoesNotExist = " does not exist";
constexpr const char* kShareMissing = "File share with Zephra in folder ";
constexpr const char* kGroupMissing = "Slideshow Group ";
constexpr const char* kFileOrFolder = " file or folder ";
constexpr const char* kComplete = "User Configuration Setup Initialization Complete";
constexpr const char* kCrLf = "\r\n";

constexpr int32_t kHousekeepingInterval = 60000;
constexpr int32_t kLongestTimer = 65535;
constexpr int32_t kDefaultPowerCycleTime = 5000;
constexpr int32_t kDefaultPowerUpTime = 75000;
constexpr int16_t kDefaultRowSeconds = 30;

// The switch conventions of the catalogue.
bool isOne(const std::string& v) { return v == "1"; }
bool numericNonZero(const std::string& v) { return vb::IsNumeric(vb::Variant(v)) && vb::CDbl(vb::Variant(v)) != 0; }
bool booleanText(const std::string& v) { return vb::CBool(vb::Variant(v)); }
bool equalsOne(const std::string& v) { return vb::toDouble(vb::Variant(v)) == 1; }

int16_t integerOr(const std::string& v, int16_t otherwise) {
    return vb::IsNumeric(vb::Variant(v)) ? vb::CInt(vb::Variant(v)) : otherwise;
}
int32_t longOr(const std::string& v, int32_t otherwise) {
    return vb::IsNumeric(vb::Variant(v)) ? vb::CLng(vb::Variant(v)) : otherwise;
}

// Whole seconds (as the language rounds them) in milliseconds, or nothing when the value is
// not numeric or the milliseconds do not fit a timer.
std::optional<int32_t> timerMilliseconds(const std::string& v) {
    if (!vb::IsNumeric(vb::Variant(v))) return std::nullopt;
    double seconds = vb::CDbl(vb::Variant(v));
    if (!(std::fabs(seconds) < 1e9)) return std::nullopt;
    int64_t ms = vb::roundToInteger(seconds) * 1000;
    if (ms <= 0 || ms > kLongestTimer) return std::nullopt;
    return static_cast<int32_t>(ms);
}

std::string comparablePath(const std::string& path) { return vb::Replace(vb::LCase(path), "/", "\\"); }

class SettingsReading {
public:
    explicit SettingsReading(PluginState& state) : state_(state), s_(state.settings) {}

    void run() {
        handled([&] { hs_ = &state_.host(); });
        if (!hs_) return;
        prepare();
        handled([&] { readLastPowerCycleHour(); });
        handled([&] { makeTempFolder(); });
        chooseWebServer();
        handled([&] { openWebServerDebugLog(); });
        readCallerIdAndPageSettings();
        collectSlideshowFiles();
        readPowerAndDeviceSettings();
        handled([&] { DefineZephras(state_); });
        handled([&] { armHousekeeping(); });
        readSlideGroups();
        handled([&] { openModem(); });
        handled([&] { makeCallerIdDevice(); });
        state_.xap.XapCIDSent = false;
        handled([&] { BuildPhonebook(state_); });
        state_.web.PageEngine.reset();
        state_.web.PageEngineReady = false;
        handled([&] { WriteLog(*hs_, kSource, kComplete); });
    }

private:
    template <class Step>
    void handled(Step&& body) {
        if (vb::Try(std::forward<Step>(body))) return;
        if (!vb::Try([&] { WriteLog(state_.host(), kSource, kTag); })) vb::Err().Clear();
    }

    std::string read(const char* key, const char* defaultValue, const char* section = kSection,
                     const char* file = kIniFile) {
        return vb::Replace(hs_->GetIniSetting(section, key, defaultValue, file), "\"", "");
    }

    // One key: read, converted and stored by `store`; a failure keeps the previous value.
    void setting(const char* key, const char* defaultValue, const std::function<void(const std::string&)>& store) {
        handled([&] { store(read(key, defaultValue)); });
    }

    void log(const std::string& text) { WriteLog(*hs_, kSource, text); }

    // 1. A new start: no slideshow state, no half-read caller, an empty appliance list, the
    // start-up log line, and the six timer pairs free.
    void prepare() {
        state_.SlideshowMenuState = 0;
        state_.modem.NameDetected = false;
        state_.modem.NumberDetected = false;
        state_.appliances.reset();
        handled([&] { WriteStartupLog(*hs_, kStartupFirst, kStartupSecond); });
        for (int16_t i = 0; i < kTimerPoolSize; ++i) {
            ReleaseTimer(state_, i);
            ReleaseIETimer(state_, i);
        }
        handled([&] { appPath_ = hs_->GetAppPath(); });
    }

    // 2.
    void readLastPowerCycleHour() {
        std::string v = read("LastPowerCycleHour", "-1");
        s_.LastPowerCycleHour =
            vb::IsNumeric(vb::Variant(v)) ? vb::CInt(vb::Variant(v)) : static_cast<int16_t>(vb::Hour(vb::Now()) - 1);
        // The day the hour was saved on; a file that has none is taken to be of today.
        std::optional<vb::Date> day = vb::parseDate(read("LastPowerCycleDate", ""));
        s_.LastPowerCycleDate = PowerCycleDay(day ? *day : vb::Now());
    }

    // 3.
    void makeTempFolder() {
        s_.ZephraTempPath = appPath_ + kTempFolder;
        if (!fso_.FolderExists(s_.ZephraTempPath)) fso_.CreateFolder(s_.ZephraTempPath);
    }

    // 4.
    void chooseWebServer() {
        setting("TCPServerOption", "0", [&](const std::string& v) {
            s_.TCPServerOption = v;
            s_.OwnWebServer = v != "1";
        });
        setting("StyleSheet", "", [&](const std::string& v) { s_.StyleSheet = v; });
        setting("Background", "", [&](const std::string& v) { s_.Background = v; });
        setting("ServerPort", "", [&](const std::string& v) {
            s_.ServerPort = v;
            if (!vb::IsNumeric(vb::Variant(v))) s_.OwnWebServer = false;
        });
    }

    // 5.
    void openWebServerDebugLog() {
        if (!s_.OwnWebServer) return;
        s_.TCPDebug = booleanText(read("TCPDebug", "0"));
        if (!state_.web.Loaded) LoadTCPServer(state_);
        if (!s_.TCPDebug) return;
        const std::string path = appPath_ + kDebugFile;
        state_.web.ServerDebugLog.reset();
        fso_.CreateTextFile(path)->Close();
        state_.web.ServerDebugLog = fso_.OpenTextFile(path, windows::ForAppending);
    }

    // 6. Keys 7 to 49.
    void readCallerIdAndPageSettings() {
        setting("InsertModemCrLf", "1", [&](const std::string& v) { s_.InsertModemCrLf = equalsOne(v); });
        setting("CIDSentry", "0", [&](const std::string& v) { s_.CIDSentry = equalsOne(v); });
        setting("GenerateCIDEvent", "0", [&](const std::string& v) { s_.GenerateCIDEvent = isOne(v); });
        setting("LogCID", "0", [&](const std::string& v) { s_.LogCID = isOne(v); });
        setting("ZcidCIDResponse", "0", [&](const std::string& v) { s_.ZcidCIDResponse = isOne(v); });
        setting("BrowserCIDResponse", "0", [&](const std::string& v) { s_.BrowserCIDResponse = isOne(v); });
        setting("SoundCIDResponse", "0", [&](const std::string& v) { s_.SoundCIDResponse = isOne(v); });
        setting("CIDCommPort", "", [&](const std::string& v) { s_.CIDCommPort = v; });
        setting("CIDPortString", "9600,n,8,1", [&](const std::string& v) { s_.CIDPortString = v; });
        setting("CIDModemInitString", "AT#CID=1", [&](const std::string& v) { s_.CIDModemInitString = v; });
        setting("CIDNamePrefix", "NAME =", [&](const std::string& v) { s_.CIDNamePrefix = v; });
        setting("CIDNumberPrefix", "NMBR =", [&](const std::string& v) { s_.CIDNumberPrefix = v; });
        setting("CIDEventGroup", "", [&](const std::string& v) { s_.CIDEventGroup = v; });
        setting("FriendsLocation", "",
                [&](const std::string& v) { s_.FriendsLocation = (!v.empty() && v.back() != '\\') ? v + "\\" : v; });
        setting("useFriends", "0", [&](const std::string& v) { s_.useFriends = numericNonZero(v); });
        setting("ExcludeHSPLocation", "0", [&](const std::string& v) { s_.ExcludeHSPLocation = numericNonZero(v); });
        setting("useHSPPhoneBook", "0", [&](const std::string& v) { s_.useHSPPhoneBook = numericNonZero(v); });
        setting("PushDelay", "5", [&](const std::string& v) { s_.PushDelay = integerOr(v, 5); });
        setting("HomeseerIP", "192.168.0.1", [&](const std::string& v) { s_.HomeseerIP = v; });
        handled([&] { s_.svrport = read("svrport", "81", kHostSection, kHostIniFile); });
        setting("CIDLineNumber", "1", [&](const std::string& v) { s_.CIDLineNumber = integerOr(v, 1); });
        setting("UDPDelay", "", [&](const std::string& v) {
            // Milliseconds a timer can wait: 0 to 65535.
            double ms = vb::IsNumeric(vb::Variant(v)) ? vb::CDbl(vb::Variant(v)) : 0;
            s_.UDPDelay = vb::CLng(vb::Variant(std::clamp(ms, 0.0, double{kLongestTimer})));
        });
        setting("SorvexCommandPort", "1024", [&](const std::string& v) { s_.SorvexCommandPort = v; });
        setting("StatusOnly", "0", [&](const std::string& v) { s_.StatusOnly = booleanText(v); });
        setting("DontRandomize", "0", [&](const std::string& v) { s_.DontRandomize = numericNonZero(v); });
        setting("LEDMotionTime", "", [&](const std::string& v) { s_.LEDMotionTime = longOr(v, 999999); });
        setting("jpg", "1", [&](const std::string& v) { s_.jpg = numericNonZero(v); });
        setting("gif", "1", [&](const std::string& v) { s_.gif = numericNonZero(v); });
        setting("bmp", "0", [&](const std::string& v) { s_.bmp = numericNonZero(v); });
        setting("IncludeHeaderLinks", "1", [&](const std::string& v) { s_.IncludeHeaderLinks = numericNonZero(v); });
        setting("Wallpaper", "0", [&](const std::string& v) { s_.Wallpaper = numericNonZero(v); });
        setting("SleepMonitorInterval", "0", [&](const std::string& v) { s_.SleepMonitorInterval = integerOr(v, 0); });
        setting("AwakenOnMotion", "0", [&](const std::string& v) { s_.AwakenOnMotion = numericNonZero(v); });
        setting("StartSlildeshow", "0", [&](const std::string& v) { s_.StartSlildeshow = numericNonZero(v); });
        setting("SlideshowNoMotionTime", "0",
                [&](const std::string& v) { s_.SlideshowNoMotionTime = integerOr(v, 0); });
        setting("TextStyle", "Arial", [&](const std::string& v) { s_.TextStyle = v; });
        setting("TextFontSize", "7", [&](const std::string& v) { s_.TextFontSize = v; });
        setting("TextBackground", "Blue", [&](const std::string& v) { s_.TextBackground = v; });
        setting("TextForeground", "Yellow", [&](const std::string& v) { s_.TextForeground = v; });
        setting("LinksFile", "links_touchscreen.htm", [&](const std::string& v) { s_.LinksFile = v; });
        setting("Links", "links_touchscreen.htm", [&](const std::string& v) { s_.Links = v; });
        setting("ImageServer", "", [&](const std::string& v) { s_.ImageServer = v; });
        setting("ImagePath", "", [&](const std::string& v) { s_.ImagePath = vb::Replace(v, "\\", "/"); });
    }

    // The web address under which the host computer serves the appliances' files.
    std::string defaultServer() const {
        return "http://" + s_.HomeseerIP + ":" + (s_.OwnWebServer ? s_.ServerPort : s_.svrport);
    }

    // 7. The main slideshow's pictures.
    void collectSlideshowFiles() {
        s_.SlideFiles.clear();
        handled([&] {
            s_.SlideshowPath = read("SlideshowPath", "");
            if (s_.SlideshowPath.empty()) {
                s_.StartSlildeshow = false;
                log(kNoSlideshowPath);
                return;
            }
            if (s_.ImagePath.empty()) s_.ImagePath = appPath_ + kHtmlFolder;
            if (s_.ImageServer.empty()) s_.ImageServer = defaultServer();
            const std::string folder = vb::Replace(s_.ImagePath + "\\" + s_.SlideshowPath, "/", "\\");
            if (fso_.FolderExists(folder)) {
                BuildFileList(state_, fso_.GetFolder(folder), s_.ImageServer, s_.ImagePath, s_.SlideFiles);
            } else {
                s_.StartSlildeshow = false;
                log(kSlideshowPathMissing + folder + kDoesNotExist);
            }
        });
    }

    // "DefaultPushPage": the part after the first "\html" ("/" alike, any case), kept only
    // when that file exists below the HTML folder.
    std::string defaultPushPage(std::string page) {
        int32_t i = vb::InStr(comparablePath(page), kHtmlMark);
        if (i >= 1) page = vb::Mid(page, i + 5);
        return fso_.FileExists(appPath_ + kHtmlFolder + "\\" + page) ? page : std::string();
    }

    // 8. Keys 51 to 65.
    void readPowerAndDeviceSettings() {
        setting("SlideshowUpdateInterval", "20", [&](const std::string& v) {
            std::string kept = vb::IsNumeric(vb::Variant(v)) && vb::CInt(vb::Variant(v)) > 0 ? v : "20";
            int16_t seconds = vb::CInt(vb::Variant(kept));
            s_.SlideshowUpdateInterval = kept;
            s_.SlideshowUpdateSeconds = seconds;
        });
        setting("MaxPixels", "100000", [&](const std::string& v) { s_.MaxPixels = longOr(v, 100000); });
        setting("PowerCycleTime", "5", [&](const std::string& v) {
            s_.PowerCycleTime = timerMilliseconds(v).value_or(kDefaultPowerCycleTime);
        });
        setting("PowerCycleInterval", "0",
                [&](const std::string& v) { s_.PowerCycleInterval = vb::Replace(v, " ", ""); });
        setting("noResponseAction", "0", [&](const std::string& v) { s_.noResponseAction = numericNonZero(v); });
        setting("DefaultPushPage", "", [&](const std::string& v) { s_.DefaultPushPage = defaultPushPage(v); });
        setting("PowerUpTime", "75", [&](const std::string& v) {
            s_.PowerUpTime = vb::IsNumeric(vb::Variant(v)) ? vb::CLng(vb::Variant(vb::CLng(vb::Variant(v)) * 1000.0))
                                                           : kDefaultPowerUpTime;
        });
        setting("WindowsShare", "", [&](const std::string& v) {
            s_.WindowsShare = v;
            if (v.empty() || fso_.FolderExists(v)) return;
            log(kShareMissing + v + kDoesNotExist);
            s_.WindowsShare.clear();
        });
        setting("FontColor", "white", [&](const std::string& v) { s_.FontColor = v; });
        setting("UseZephraServer", "0", [&](const std::string& v) { s_.UseZephraServer = isOne(v); });
        setting("ShowSlides", "0", [&](const std::string& v) { s_.ShowSlides = isOne(v); });
        setting("DebugLog", "0", [&](const std::string& v) { s_.DebugLog = isOne(v); });
        setting("CommandRetries", "", [&](const std::string& v) { s_.CommandRetries = integerOr(v, 0); });
        handled([&] { s_.T2WVoice = read("T2WVoice", "Microsoft Mary", kVoiceSection); });
        setting("Sounds", "", [&](const std::string& v) {
            std::vector<std::string> sounds = vb::Split(v, ",");
            for (std::size_t i = 0; i < s_.SoundEnabled.size(); ++i)
                s_.SoundEnabled[i] = i < sounds.size() && sounds[i] == "1";
        });
    }

    // 10. The one-minute housekeeping tick runs while there is a sleep poll or a daily
    // power cycle to keep.
    void armHousekeeping() {
        forms::Timer& timer = state_.queueTimer().Timer2;
        if (s_.PowerCycleInterval.empty() && s_.SleepMonitorInterval == 0) {
            timer.Enabled(false);
            return;
        }
        s_.SleepCountdown = s_.SleepMonitorInterval;
        timer.Interval(kHousekeepingInterval);
        timer.Enabled(true);
    }

    // 11. Slide groups 1 to 3, five rows each.
    void readSlideGroups() {
        for (int g = 1; g <= kSlideGroups; ++g) s_.GroupFiles[g].clear();
        for (int g = 1; g <= kSlideGroups; ++g) {
            std::string server, folder;
            handled([&] {
                server = read(("ServerPathGroup" + std::to_string(g - 1)).c_str(), "");
                if (server.empty()) server = defaultServer();
                folder = read(("FolderPathGroup" + std::to_string(g - 1)).c_str(), "");
                if (folder.empty()) folder = appPath_ + kHtmlFolder;
                s_.GroupServerPath[g] = server;
                s_.GroupFolderPath[g] = folder;
            });
            for (int r = 0; r < kSlideRows; ++r) handled([&] { readSlideRow(g, r, server, folder); });
        }
    }

    void readSlideRow(int g, int r, const std::string& server, const std::string& folder) {
        s_.SlideRowWidth[g][r] = -1;
        s_.SlideRowHeight[g][r] = -1;
        std::string v = read(("SlideASP" + std::to_string((g - 1) * kSlideRows + r)).c_str(), "");
        if (v.find(',') == std::string::npos) v = ",";
        std::vector<std::string> fields = vb::Split(v, ",");
        const std::string path = fields[0];
        s_.SlideRowPath[g][r] = path;
        s_.SlideRowSeconds[g][r] = integerOr(fields[1], kDefaultRowSeconds);
        if (vb::Trim(path).empty()) return;
        const std::string full = folder + (path.rfind('\\', 0) == 0 ? path : "\\" + path);
        if (s_.ShowSlides)
            WriteLog(*hs_, kDebugSource,
                     "Group " + std::to_string(g) + ", Row " + std::to_string(r) + " for Slideshow ");
        if (!fso_.FolderExists(full) && !fso_.FileExists(full)) {
            log(kGroupMissing + std::to_string(g) + kFileOrFolder + full + kDoesNotExist);
        } else if (path.find('.') == std::string::npos) {
            BuildFileList(state_, fso_.GetFolder(full), server, folder, s_.GroupFiles[g]);
        }
    }

    // 12. The modem port opens once per load; its init string follows a fresh opening only.
    void openModem() {
        if (state_.modem.CommPortOpen) return;
        state_.modem.CommPortOpen = InitCommPort(state_, s_.CIDCommPort);
        if (state_.modem.CommPortOpen && !s_.CIDModemInitString.empty())
            ModemSend(state_, s_.CIDModemInitString + kCrLf);
    }

    // 13.
    void makeCallerIdDevice() {
        s_.CIDDeviceCode = state_.HouseCode + std::to_string(CallerIdUnit(state_));
        CIDDevice(state_, s_.CIDDeviceCode);
    }

    PluginState& state_;
    ZephraSettings& s_;
    homeseer::Host* hs_ = nullptr;
    windows::FileSystemObject fso_;
    std::string appPath_;
};

}  // namespace

void InitZephraUtilities(PluginState& state) { SettingsReading(state).run(); }

}  // namespace zephra
