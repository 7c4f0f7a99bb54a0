#include "core/ApplianceList.h"

#include <optional>
#include <vector>

#include "core/FastString.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/Zephra.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kDebugSource = "dkvZephra Debug";
constexpr const char* kTag = "DefineZephras ";
constexpr const char* kSection = "Zephra Names";
constexpr const char* kIniFile = "dkvZephraUtilities.ini";

// The fields of one line of "Zephra Names".
struct ApplianceLine {
    std::string key;
    std::vector<std::string> fields;
    std::string name;
};

// A line as the section holds it, or nothing for a line that is dropped.
std::optional<ApplianceLine> parseLine(const std::string& line) {
    if (vb::Trim(line).empty()) return std::nullopt;
    std::vector<std::string> parts = vb::Split(line, "=");
    if (parts.size() != 2 || parts[0].empty() || parts[1].empty()) return std::nullopt;
    ApplianceLine parsed{parts[0], vb::Split(parts[1], ","), {}};
    parsed.name = vb::Trim(vb::LCase(parsed.fields[0]));
    if (parsed.name.empty()) return std::nullopt;
    return parsed;
}

class Definition {
public:
    explicit Definition(PluginState& state) : state_(state), table_(state.appliances) {}

    void run() {
        for (ZephraEntry& slot : table_.slots) slot.ZephraActive = false;
        std::string text;
        handled([&] { text = sectionText(); });
        if (text.empty()) {
            table_.slots[0].ZephraDC.clear();
        } else {
            for (const std::string& line : vb::Split(text, std::string(1, '\0'))) defineLine(line);
        }
        compact();
        collectCallerIdNames();
    }

private:
    std::string sectionText() {
        std::string text = vb::Replace(state_.host().GetINISection(kSection, kIniFile), "\"", "");
        return vb::Replace(vb::Replace(text, "~1", "["), "~2", "]");
    }

    void debug(const std::string& text) {
        if (state_.settings.DebugLog) WriteLog(state_.host(), kDebugSource, text);
    }

    template <class Step>
    void handled(Step&& body) {
        if (!vb::Try(std::forward<Step>(body))) WriteLog(state_.host(), kSource, kTag);
    }

    int32_t slotFor(const std::string& name) {
        for (int32_t i = 0; i <= table_.last(); ++i)
            if (table_.slots[i].Name == name) return i;
        debug("DefineZephras Not Found Ubound =" + std::to_string(table_.last()));
        if (current_ >= table_.last()) table_.slots.emplace_back();
        int32_t slot = table_.last();
        table_.AppendedSlotMark = static_cast<int16_t>(slot - 1);
        return slot;
    }

    void readFields(ZephraEntry& entry, const ApplianceLine& line) {
        const std::vector<std::string>& f = line.fields;
        entry.PowerDevice.clear();
        entry.X10Server.clear();
        entry.MotionDevice.clear();
        entry.ZephraDC.clear();
        entry.SlideGroup = 0;
        entry.DoCID = false;
        if (f.size() > 1) entry.ZephraDC = f[1];
        if (f.size() > 2) entry.PowerDevice = vb::UCase(f[2]);
        if (f.size() > 3) entry.MotionDevice = vb::UCase(f[3]);
        if (f.size() > 4) handled([&] { entry.SlideGroup = vb::CInt(vb::Variant(f[4])); });
        if (f.size() > 5) entry.DoCID = f[5] == "1";
        if (f.size() > 6) entry.X10Server = f[6];
    }

    void defineLine(const std::string& text) {
        std::optional<ApplianceLine> line = parseLine(text);
        if (!line) return;
        const int32_t slot = slotFor(line->name);
        ZephraEntry& entry = table_.slots[slot];
        entry.ZephraActive = true;
        if (std::size_t at = line->key.find('/'); at != std::string::npos) {
            entry.IP = vb::Trim(line->key.substr(0, at));
            entry.Computer = vb::Trim(line->key.substr(at + 1));
        } else {
            entry.IP = entry.Computer = line->key;
        }
        readFields(entry, *line);
        if (entry.ZephraDC.empty()) {
            entry.ZephraActive = false;
        } else {
            makeObject(entry, slot, line->name);
        }
        if (!table_.slots[table_.last()].Name.empty()) current_ = table_.last();
    }

    void makeObject(ZephraEntry& entry, int32_t slot, const std::string& name) {
        entry.Name = name;
        if (!entry.Object) {
            debug("Initializing New Zephra " + name);
            handled([&] { entry.Object = Zephra::Create(state_); });
        } else {
            debug("Initializing Existing Zephra " + name);
        }
        if (!entry.Object) return;
        Zephra& z = *entry.Object;
        handled([&] {
            z.setName(entry.Name);
            z.setIP(entry.IP);
            z.setComputer(entry.Computer);
            z.setDeviceCodeBase(entry.ZephraDC);
        });
        handled([&] {
            z.setPowerDevice(entry.PowerDevice);
            z.setMotionDevice(entry.MotionDevice);
            z.setEnableSlideshow(entry.SlideGroup);
            z.setDoCID(entry.DoCID);
            z.setMotionOffMinutes(0);
            z.setX10Server(entry.X10Server);
        });
        handled([&] {
            debug("DefineZephras HouseCode=" + state_.HouseCode + ", ZephraDC(" + std::to_string(slot) +
                  ")=" + entry.ZephraDC + ", DC=" + std::to_string(vb::CInt(vb::Variant(entry.ZephraDC.substr(1)))));
        });
    }

    // Slots of appliances that are no longer defined are dropped; the last slot stays.
    void compact() {
        if (table_.AppendedSlotMark < 1) return;
        for (int32_t i = 0; i <= table_.last(); ++i) {
            debug("DefineZephras ZephraActive(" + std::to_string(i) + ")=" +
                  (table_.slots[i].ZephraActive ? "True" : "False"));
            if (!table_.slots[i].ZephraActive && i < table_.last()) table_.slots.erase(table_.slots.begin() + i);
        }
    }

    void collectCallerIdNames() {
        FastString names;
        for (const ZephraEntry& entry : table_.slots)
            if (entry.DoCID) names.Add("," + entry.Name);
        table_.CIDZephraNames = names.value().size() > 1 ? names.value().substr(1) : std::string();
    }

    PluginState& state_;
    ApplianceTable& table_;
    int32_t current_ = -1;
};

}  // namespace

// Device codes for appliances that have none, their host devices and the removal of devices
// no appliance covers come with the device module.
void DefineZephras(PluginState& state) { Definition(state).run(); }

}  // namespace zephra
