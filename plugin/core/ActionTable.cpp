#include "core/ActionTable.h"

namespace zephra {

const std::array<std::string_view, kActionCount> ActionTable = {
    "Send to ZCID",
    "Show CID",
    "TBD1",
    "TBD2",
    "Put to Sleep",
    "Awaken",
    "Awaken Forever",
    "Power Cycle",
    "Turn Backlight Off",
    "Turn Backlight On",
    "Turn Off Top LED",
    "Turn On Top LED",
    "Blink Top LED",
    "Turn Off Mail LED",
    "Turn On Mail LED",
    "Blink Mail LED",
    "Show Browser Nav Buttons",
    "Hide Browser Nav Buttons",
    "Play Cancel Sound",
    "Play Check Sound",
    "Play Copy Sound",
    "Play Cut Sound",
    "Play Delete Sound",
    "Play Help Sound",
    "Play Major Sound",
    "Play Close Sound",
    "Play Open Sound",
    "Play High Sound",
    "Play Low Sound",
    "Play Paste Sound",
    "Play Print Sound",
    "Play Down Sound",
    "Play Up Sound",
    "Play Snap",
    "Play Warm Sound",
    "Play Sleep Sound",
    "Play Wake Sound",
    "Set Sounds Volume to 0%",
    "Set Sounds Volume to 25%",
    "Set Sounds Volume to 50%",
    "Set Sounds Volume to 75%",
    "Set Sounds Volume to 100%",
    "Set Master Volume to 0%",
    "Set Master Volume to 25%",
    "Set Master Volume to 50%",
    "Set Master Volume to 75%",
    "Set Master Volume to 100%%",
};

const std::array<std::string_view, kActionCount> StatusTextTable = {
    "Sent to ZCID",
    "Showed CID",
    "TBD1",
    "TBD2",
    "Sleeping",
    "Awake",
    "Always Awake",
    "Power Cycle",
    "Backlight Off",
    "Backlight On",
    "Top LED Off",
    "Top LED On",
    "Top LED Blinking",
    "Mail LED Off",
    "Mail LED On",
    "Mail LED Blinking",
    "Browser Nav Buttons Showing",
    "Full Screen Browser",
    "Played Cancel Sound",
    "Played Check Sound",
    "Played Copy Sound",
    "Played Cut Sound",
    "Played Delete Sound",
    "Played Help Sound",
    "Played Major Sound",
    "Played Close Sound",
    "Played Open Sound",
    "Played High Sound",
    "Played Low Sound",
    "Played Paste Sound",
    "Played Print Sound",
    "Played Down Sound",
    "Played Up Sound",
    "Played Snap",
    "Played Warm Sound",
    "Played Sleep Sound",
    "Played Wake Sound",
    "Sounds Volume at 0%",
    "Sounds Volume at 25%",
    "Sounds Volume at 50%",
    "Sounds Volume at 75%",
    "Sounds Volume at 100%",
    "Master Volume at 0%",
    "Master Volume at 25%",
    "Master Volume at 50%",
    "Master Volume at 75%",
    "Master Volume at 100%%",
};

const std::array<std::string_view, kActionCount> StatusImageTable = {
    "CID.gif",         "CID.gif",        "noCID.gif",        "noCID.gif",        "Zephra-off.gif", "Zephra-on.gif",
    "Zephra-on.gif",   "Zephra-on.gif",  "BacklightOff.gif", "BacklightOn.gif",  "TopLEDOff.gif",  "TopLEDOn.gif",
    "TopLEDBlink.gif", "MailLEDOff.gif", "MailLEDOn.gif",    "MailLEDBlink.gif", "BrowserNav.gif", "BrowserFull.gif",
    "sound.gif",       "sound.gif",      "sound.gif",        "sound.gif",        "sound.gif",      "sound.gif",
    "sound.gif",       "sound.gif",      "sound.gif",        "sound.gif",        "sound.gif",      "sound.gif",
    "sound.gif",       "sound.gif",      "sound.gif",        "sound.gif",        "sound.gif",      "sound.gif",
    "sound.gif",       "level_1.gif",    "level_3.gif",      "level_5.gif",      "level_7.gif",    "level_10.gif",
    "level_1.gif",     "level_3.gif",    "level_5.gif",      "level_7.gif",      "level_10.gif",
};

const std::array<std::string_view, kDeviceGroupCount> DeviceGroupTable = {
    "Display", "Awake", "Backlight", "Top LED", "Mail LED", "Browser", "Sounds", "Sounds Volume", "Volume", "Reserved",
};

int16_t ActionGroup(int32_t index) {
    // The first action index of each group, in group order.
    static constexpr std::array<int32_t, 9> firstOfGroup = {0, 4, 8, 10, 13, 16, 18, 37, 42};
    if (index < 0 || index >= kActionCount) return 9;
    int16_t group = 0;
    while (group + 1 < static_cast<int16_t>(firstOfGroup.size()) && index >= firstOfGroup[group + 1]) ++group;
    return group;
}

}  // namespace zephra
