#pragma once
// Texts of the host interface: what it writes to the host's log, the settings it reads,
// the menu captions it registers, and the slideshow stub page it writes.

#include <array>
#include <string_view>

namespace zephra::hosttext {

// The plug-in's name: the host lists it so, and it is the source of every log line.
inline constexpr const char* kPluginName = "dkvZephra";
inline constexpr const char* kSource = "dkvZephra";
inline constexpr const char* kDebugSource = "dkvZephra Debug";
// The type name of the xAP host application's callback object.
inline constexpr const char* kSetupTypeName = "Setup";

// Settings.
inline constexpr const char* kIniFile = "dkvZephraUtilities.ini";
inline constexpr const char* kVersionSection = "Zephra";
inline constexpr const char* kVersionKey = "ZephraUtilitiesVersion";
inline constexpr const char* kReceivedSection = "Received";
inline constexpr const char* kDevicesSection = "Devices";
inline constexpr const char* kDeviceMessagesSection = "Device Messages";
inline constexpr const char* kStatusSection = "STATUS";

// Registration.
inline constexpr const char* kNoHost = "Unable to access HS interface";
inline constexpr const char* kVersionLine = "Version ";
inline constexpr const char* kRegistered = " Registered, XAP=";
// The menu entries, in the order they are registered; "Browser" only under the xAP host.
inline constexpr const char* kMenuBrowser = "Browser";
inline constexpr const char* kMenuSetup = "GUI Setup";
inline constexpr const char* kMenuServer = "Zephra Server";
inline constexpr const char* kMenuStartSlideshow = "Start Slideshow";
inline constexpr const char* kMenuStopSlideshow = "Stop Slideshow";
inline constexpr const char* kMenuModem = "Modem Window";
inline constexpr const char* kMenuResetQueue = "Reset Queue";
inline constexpr const char* kMenuDisable = "Disable Plugin";
inline constexpr const char* kMenuEnable = "Enable Plugin";
inline constexpr const char* kMenuTest = "Test";
inline constexpr const char* kMenuHelp = "Help";
inline constexpr std::array<const char*, 10> kMenuEntries = {
    kMenuSetup,      kMenuServer,  kMenuStartSlideshow, kMenuStopSlideshow, kMenuModem,
    kMenuResetQueue, kMenuDisable, kMenuEnable,         kMenuTest,          kMenuHelp};
inline constexpr const char* kStatusPage = "\\status";
inline constexpr const char* kLocalhost = "http://localhost:";
inline constexpr const char* kHelpPage = "\\HTML\\Help\\dkvZephra\\dkvZephra_Readme.htm";
// This host has no browser to start: the address it would open is logged instead.
inline constexpr const char* kOpenAddress = "Open in a browser: ";
inline constexpr const char* kSampleCallerId = "NMBR = 1234567890\r\nNAME = Robin Tallis\r\n";

// Members that log.
inline constexpr const char* kLearnIR =
    "Press OK to initiate the learn process on the Sample device.\r\n"
    "After pressing OK, point your remote at the learn window and press the key your wish to learn.";
inline constexpr const char* kSetIO = "SetIO ";
inline constexpr const char* kButtonPressTag = "ButtonPress";
inline constexpr const char* kButtonPress = "Button Press, Location=";
inline constexpr const char* kButtonPressButton = ", Button=";
inline constexpr const char* kButtonPressHouse = ", HouseCode=";
inline constexpr const char* kButtonDeviceFound = "Button Device Found, Location is ";
inline constexpr const char* kButtonLocationFound = "Button Location Found";
inline constexpr const char* kButtonFound = "Button Found";
inline constexpr const char* kButtonSetValue = "Button SetDeviceValue=";
inline constexpr const char* kLocationSuffix = " Zephra";
inline constexpr const char* kTriggerActionSource = "TriggerAction";
inline constexpr const char* kTriggerActionTag = "TriggerAction: ";
inline constexpr const char* kTriggerPrefix = "Zephra";
inline constexpr const char* kActionTo = " to ";
inline constexpr const char* kActionAnd = " AND ";
inline constexpr const char* kActionZephra = " Zephra";
inline constexpr const char* kModifyActionUISource = "ModifyActionUI";
inline constexpr const char* kModifyActionUITag = "ModifyActionUI: ";
inline constexpr const char* kModifyControl = "Modify Control Top/Left/Width ";
inline constexpr const char* kActionUIError = "Action UI Error: ";
inline constexpr const char* kSelectMenuTag = "SelectMenu: ";
inline constexpr const char* kSetZephraIOTag = "SetZephraIO: ";
inline constexpr const char* kSetZephraIOComplete = "SetZephraIO Initialization Complete=";
inline constexpr const char* kSetZephraIOUnits = "SetZephraIO Lowest/Highest=";
inline constexpr const char* kUpdateButtonsTag = "UpdateButtons: ";

// Start-up.
inline constexpr const char* kInitHWTag = "InitHW ";
inline constexpr const char* kStartupComplete = "Startup Initialization Complete";
inline constexpr const char* kBadStatusValue = "ReadStatusOptions: [STATUS] ";
inline constexpr const char* kFilterTag = "InitFilterDictionary";
inline constexpr const char* kDeviceTag = "InitDeviceDictionary";
inline constexpr const char* kLineWithoutEquals = " skipped a line without \"=\": ";
inline constexpr const char* kNoHostPhone = "Unable to Create hsp Object ";
inline constexpr const char* kNoHostPhoneNumber = ",#=";
inline constexpr const char* kHostPhoneType = "InitHSP type = ";
inline constexpr const char* kHostPhoneApplication = ", is Application = ";
inline constexpr const char* kHostPhoneClass = "hsPhone.Application";
inline constexpr const char* kSlideshowStubFile = "\\HTML\\ZephraSlideshow.asp";
// The slideshow stub page: it runs in the host's web server and asks the plug-in for the
// slideshow page.
inline constexpr std::array<std::string_view, 13> kSlideshowStub = {
    "<%",
    "On Error Resume Next",
    "Response.Write hs.GetPlugins(\"dkvZephra\").ZephraSlideshowASP(request, Response)",
    "If Err.Number <> 0 Then",
    "    Err.Clear",
    "    For Each c In hs.GetPlugins",
    "        If LCase(c) = \"dkvzephra\" Then",
    "            Response.write c.ZephraSlideshowASP(request, Response)",
    "            Exit For",
    "        End If",
    "    Next",
    "End If",
    "%>",
};

// Script operations.
inline constexpr const char* kTempFile = "ZephraTempFile";
inline constexpr const char* kWavExtension = ".wav";
inline constexpr const char* kCoordinationTag = "ZephraSlideshowStatus: ";
inline constexpr const char* kSorvexTag = "ZephraSorvex";
inline constexpr const char* kNoSorvex = "Unable to connect to Sorvex at Zephra ";
inline constexpr const char* kLinksAction = "links";
inline constexpr const char* kRemoteAddress = "REMOTE_ADDR";

// The xAP host application, to which a proxy instance forwards its configuration.
inline constexpr const char* kXapHostClass = "xapdkvZephra.Application";

}  // namespace zephra::hosttext
