#pragma once
// The application folder of the host program. On first run it is made with its folders
// "Config" (the INI files and the phone component's contacts file), "HTML", "Data" and
// "Scripts", and with starting files that are never overwritten afterwards: the settings (the
// plug-in's web server and status page on port 8082, the appliances fetching from this
// machine's own address), and the pictures the page frame names.

#include <filesystem>
#include <string>

#include "homeseer/IniStore.h"

namespace homeseer {

constexpr const char* kHostSettingsSection = "Settings";
constexpr const char* kWebPortKey = "svrport";
// Without the key the host serves on the port the plug-in then assumes too; the first run
// writes 8081, which needs no privileges.
constexpr const char* kDefaultWebPort = "81";
constexpr const char* kLatitudeKey = "latitude";
constexpr const char* kXapSettingsSection = "xAP";  // the xAP network (XapConnection.h)
constexpr const char* kLongitudeKey = "longitude";
constexpr const char* kPluginSettingsFile = "dkvZephraUtilities.ini";
constexpr const char* kPluginSettingsSection = "Zephra Utilities";
// The address the plug-in sends appliances to, for its own pages and those it hands over.
constexpr const char* kPluginAddressKey = "HomeseerIP";
constexpr const char* kContactsFile = "phone-contacts.txt";
constexpr const char* kDevicesFile = "zephra-host-devices.ini";
constexpr const char* kEventsFile = "zephra-host-events.ini";

// Makes what is missing of the layout (raises std::filesystem::filesystem_error when the
// folder cannot be made).
void PrepareAppFolder(const std::filesystem::path& folder);

}  // namespace homeseer
