#include "program/AppLayout.h"

#include <fstream>
#include <string>

#include "forms/MachineAddresses.h"
#include "program/FirstRunPictures.h"

namespace homeseer {

namespace {

constexpr const char* kFolders[] = {"Config", "HTML", "Data", "Scripts"};

const char* const kSettingsText =
    "[Settings]\r\n"
    "svrport=8081\r\n"
    "latitude=51.48\r\n"
    "longitude=0.0\r\n"
    "[xAP]\r\n"
    "; enabled=1 makes zephra-host an xAP node; broadcast= the network's broadcast address\r\n"
    "enabled=0\r\n"
    "broadcast=255.255.255.255\r\n"
    "port=3639\r\n";

// The plug-in's own web server, and with it the status page, on a port beside the host's; the
// appliances fetch from this machine's own address.
std::string PluginSettingsText() {
    return "[" + std::string(kPluginSettingsSection) +
           "]\r\n"
           "ServerPort=\"8082\"\r\n" +
           kPluginAddressKey + "=\"" + forms::OwnAddress() +
           "\"\r\n"
           "[Zephra Names]\r\n";
}

const char* const kContactsText =
    "; The phone component's address book: one contact a line, fields separated by TAB:\r\n"
    "; First\tlast\thome_phone\tcell_phone\tbusiness_phone\tannounce_local_wav\r\n";

void writeIfMissing(const std::filesystem::path& file, const std::string& text) {
    std::error_code ec;
    if (std::filesystem::exists(file, ec)) return;
    std::ofstream out(file, std::ios::binary);
    out << text;
}

}  // namespace

void PrepareAppFolder(const std::filesystem::path& folder) {
    for (const char* name : kFolders) std::filesystem::create_directories(folder / name);
    writeIfMissing(folder / "Config" / kHostSettingsFile, kSettingsText);
    writeIfMissing(folder / "Config" / kPluginSettingsFile, PluginSettingsText());
    writeIfMissing(folder / "Config" / kContactsFile, kContactsText);
    // Named by the page frame from the web folder's root: a first run has them as an installation does.
    for (const FirstRunPicture& picture : FirstRunPictures()) {
        std::error_code ec;
        const std::filesystem::path file = folder / "HTML" / picture.name;
        if (std::filesystem::exists(file, ec)) continue;
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(picture.bytes), static_cast<std::streamsize>(picture.size));
    }
}

}  // namespace homeseer
