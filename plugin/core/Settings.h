#pragma once
// The settings variables: after each reading (InitZephraUtilities) every key of section
// "Zephra Utilities" is held here under the key's own name, converted, together with the
// values the reader derives from them. Other modules read these fields and do not ask the
// host for a setting again. Before the first reading texts are "", numbers 0, switches false.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zephra {

// Slide groups 1 to 3 (index 0 unused), rows 0 to 4 per group.
constexpr int kSlideGroups = 3;
constexpr int kSlideRows = 5;
// One switch per appliance sound of the action table.
constexpr int kSoundCount = 19;

// A list of pictures with the sizes the slideshow page measures (-1 until measured);
// element 0 is the empty entry when the folder holds no picture.
struct PictureList {
    std::vector<std::string> files{std::string()};
    std::vector<int32_t> widths{-1};
    std::vector<int32_t> heights{-1};

    void Clear() { *this = PictureList(); }
};

struct ZephraSettings {
    // Web server and pages.
    int16_t LastPowerCycleHour = 0;
    std::string LastPowerCycleDate;  // "yyyy-mm-dd" of LastPowerCycleHour
    std::string TCPServerOption;
    std::string StyleSheet;
    std::string Background;
    std::string ServerPort;
    bool TCPDebug = false;

    // Caller ID.
    bool InsertModemCrLf = false;
    bool CIDSentry = false;
    bool GenerateCIDEvent = false;
    bool LogCID = false;
    bool ZcidCIDResponse = false;
    bool BrowserCIDResponse = false;
    bool SoundCIDResponse = false;
    std::string CIDCommPort;
    std::string CIDPortString;
    std::string CIDModemInitString;
    std::string CIDNamePrefix;
    std::string CIDNumberPrefix;
    std::string CIDEventGroup;
    std::string FriendsLocation;
    bool useFriends = false;
    bool ExcludeHSPLocation = false;
    bool useHSPPhoneBook = false;

    // Appliances and their pages.
    int16_t PushDelay = 0;
    std::string HomeseerIP;
    std::string svrport;  // the host web server's port (file "settings.ini")
    int16_t CIDLineNumber = 0;
    int32_t UDPDelay = 0;  // milliseconds, 0 to 65535
    std::string SorvexCommandPort;
    bool StatusOnly = false;
    bool DontRandomize = false;
    int32_t LEDMotionTime = 0;
    bool jpg = false;
    bool gif = false;
    bool bmp = false;
    bool IncludeHeaderLinks = false;
    bool Wallpaper = false;
    int16_t SleepMonitorInterval = 0;  // minutes
    bool AwakenOnMotion = false;
    bool StartSlildeshow = false;
    int16_t SlideshowNoMotionTime = 0;
    std::string TextStyle;
    std::string TextFontSize;
    std::string TextBackground;
    std::string TextForeground;
    std::string LinksFile;
    std::string Links;
    std::string ImageServer;
    std::string ImagePath;
    std::string SlideshowPath;
    std::string SlideshowUpdateInterval;  // seconds, as text
    int16_t SlideshowUpdateSeconds = 0;   // the same as a number
    int32_t MaxPixels = 0;
    int32_t PowerCycleTime = 0;  // milliseconds, 1 to 65535
    std::string PowerCycleInterval;
    bool noResponseAction = false;
    std::string DefaultPushPage;
    int32_t PowerUpTime = 0;  // milliseconds
    std::string WindowsShare;
    std::string FontColor;
    bool UseZephraServer = false;
    bool ShowSlides = false;
    bool DebugLog = false;
    int16_t CommandRetries = 0;
    std::string T2WVoice;                          // section "T2W"
    std::array<bool, kSoundCount> SoundEnabled{};  // key "Sounds"

    // Derived.
    std::string ZephraTempPath;  // application folder & "\HTML\ZephraTemp"
    bool OwnWebServer = false;   // the plug-in's own web server serves the appliances
    int16_t SleepCountdown = 0;  // minutes until the next sleep-state poll
    PictureList SlideFiles;      // the main slideshow's pictures, relative to ImagePath

    // Slide groups, index 1 to 3.
    std::array<std::string, kSlideGroups + 1> GroupServerPath{};
    std::array<std::string, kSlideGroups + 1> GroupFolderPath{};
    std::array<PictureList, kSlideGroups + 1> GroupFiles{};
    std::array<std::array<std::string, kSlideRows>, kSlideGroups + 1> SlideRowPath{};
    std::array<std::array<int16_t, kSlideRows>, kSlideGroups + 1> SlideRowSeconds{};
    std::array<std::array<int32_t, kSlideRows>, kSlideGroups + 1> SlideRowWidth{};
    std::array<std::array<int32_t, kSlideRows>, kSlideGroups + 1> SlideRowHeight{};

    std::string CIDDeviceCode;  // the plug-in's caller-ID device
};

}  // namespace zephra
