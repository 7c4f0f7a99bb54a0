#include "homeseer/EventFile.h"

#include <optional>

#include "homeseer/DeviceFile.h"
#include "windows/IniFile.h"

namespace homeseer {

namespace {

constexpr const char* kListSection = "Events";
constexpr const char* kEventSection = "Event ";

windows::IniDocument documentOf(const EventStore& store) {
    windows::IniDocument doc;
    const std::size_t count = store.count();
    for (std::size_t i = 1; i <= count; ++i) doc.Set(kListSection, std::to_string(i), "");
    for (std::size_t i = 1; i <= count; ++i) {
        const std::shared_ptr<HostEvent> e = store.byIndex(static_cast<int32_t>(i));
        const std::string section = kEventSection + std::to_string(i);
        auto set = [&](std::string_view key, std::string_view value) {
            doc.Set(section, key, EscapeDeviceText(value));
        };
        set("Name", e->Name());
        set("scripts", e->scripts());
        set("Group", e->Group());
        set("ev_abs_time", std::to_string(e->ev_abs_time()));
        set("phone_line", std::to_string(e->phone_line()));
        set("phone_event", std::to_string(e->phone_event()));
        set("misc", std::to_string(e->misc()));
    }
    return doc;
}

// The event of one section; none when a number in it does not read back.
bool read(EventStore& store, const windows::IniDocument& doc, const std::string& section) {
    auto get = [&](std::string_view key) { return UnescapeDeviceText(doc.Get(section, key).value_or("")); };
    const std::optional<std::string> name = doc.Get(section, "Name");
    const auto evAbsTime = WholeNumberInFile(get("ev_abs_time"));
    const auto phoneLine = WholeNumberInFile(get("phone_line"));
    const auto phoneEvent = WholeNumberInFile(get("phone_event"));
    const auto misc = WholeNumberInFile(get("misc"));
    if (!name || !evAbsTime || !phoneLine || !phoneEvent || !misc) return false;
    std::shared_ptr<HostEvent> e = store.byIndex(store.add(UnescapeDeviceText(*name)));
    e->setScripts(get("scripts"));
    e->setGroup(get("Group"));
    e->setEvAbsTime(*evAbsTime);
    e->setPhoneLine(*phoneLine);
    e->setPhoneEvent(*phoneEvent);
    e->setMisc(*misc);
    return true;
}

}  // namespace

std::string EventsText(const EventStore& store) { return documentOf(store).Text(); }

void SaveEvents(const EventStore& store, const std::filesystem::path& file) {
    windows::WriteIniFile(file, documentOf(store));
}

std::vector<std::string> LoadEvents(EventStore& store, const std::filesystem::path& file) {
    std::vector<std::string> notes;
    const windows::IniDocument doc = windows::ReadIniFile(file);
    for (const auto& [key, unused] : doc.Section(kListSection)) {
        if (store.count() >= EventStore::kMaxEvents) {
            notes.push_back("events beyond " + std::to_string(EventStore::kMaxEvents) + " are not read back");
            break;
        }
        if (!read(store, doc, kEventSection + key)) notes.push_back("event " + key + " could not be read back");
    }
    return notes;
}

}  // namespace homeseer
