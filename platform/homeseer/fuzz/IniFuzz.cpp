// libFuzzer target: the INI reader as the host's settings files and the registry use it. The
// input is a file's text; it is read as a document, then from disk through the registry and the
// host's INI store (each kept parsed), changed and written back, and read again.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "homeseer/IniStore.h"
#include "vb/Error.h"
#include "windows/IniDocument.h"
#include "windows/Registry.h"
#include "windows/testing/TempAppFolder.h"

namespace {

// Names the settings readers ask for, and a few the input may hold.
const char* const kSections[] = {"Zephra Utilities", "Zephra Names", "T2W", "Zephra\\Clients", "Zephra\\Options", ""};
const char* const kKeys[] = {"DebugLog", "ClientMax", "1", "LocalPort", "HomeseerIP", " key ", ""};

void readEverything(const windows::IniDocument& document) {
    for (const char* section : kSections) {
        for (const char* key : kKeys) (void)document.Get(section, key);
        (void)document.Section(section);
    }
}

// Changes that may be refused (error 5): the document stays readable either way.
void change(windows::IniDocument& document, std::string_view text) {
    const std::string value(text.substr(0, 40));
    try {
        document.Set("Zephra Utilities", "DebugLog", value);
    } catch (const vb::Error&) {}
    document.Set("Zephra Names", "10.0.0.5/den", "\"Den,~121,,,0,0,\"");
    document.Set("New Section", "key", "value");
    document.RemoveKey("Zephra Utilities", "HomeseerIP");
    document.ClearSection("T2W");
    document.RemoveSection("Zephra\\Options");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static windows::testing::TempAppFolder* app = new windows::testing::TempAppFolder;
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    windows::IniDocument document(text);
    readEverything(document);
    change(document, text);
    windows::IniDocument again(document.Text());
    readEverything(again);

    // The same text as files on disk: the host's settings file and the registry.
    const std::filesystem::path config = app->path() / "Config" / "dkvZephraUtilities.ini";
    std::filesystem::create_directories(config.parent_path());
    std::ofstream(config, std::ios::binary | std::ios::trunc).write(text.data(), static_cast<std::streamsize>(size));
    homeseer::IniStore store;
    for (const char* section : kSections) {
        if (!*section) continue;
        for (const char* key : kKeys) (void)store.Get(section, key, "default", "dkvZephraUtilities.ini");
        (void)store.Section(section, "dkvZephraUtilities.ini");
    }
    try {
        store.Save("Zephra Utilities", "PushDelay", "5", "dkvZephraUtilities.ini");
        store.Clear("Zephra Names", "dkvZephraUtilities.ini");
    } catch (const vb::Error&) {}

    windows::Registry registry(app->path() / "registry.ini");
    std::ofstream(app->path() / "registry.ini", std::ios::binary | std::ios::trunc)
        .write(text.data(), static_cast<std::streamsize>(size));
    (void)registry.GetAllSettings("Zephra", "Clients");
    (void)registry.GetSetting("Zephra", "Clients", "ClientMax", "0");
    try {
        registry.SaveSettings("Zephra", "Clients", {{"ClientMax", "1"}, {"1", "127.0.0.2"}});
        registry.DeleteSetting("Zephra", "Options");
    } catch (const vb::Error&) {}
    (void)registry.GetSetting("Zephra", "Clients", "1");
    return 0;
}
