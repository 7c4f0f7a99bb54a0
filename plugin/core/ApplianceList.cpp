#include "core/ApplianceList.h"

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "core/FastString.h"
#include "core/HomeSeerDevices.h"
#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/SettingsChecks.h"
#include "core/SettingsTable.h"
#include "core/Zephra.h"
#include "homeseer/Device.h"
#include "vb/CodePage.h"
#include "vb/Collection.h"
#include "vb/Conversions.h"
#include "vb/Err.h"
#include "vb/ErrorNumbers.h"
#include "vb/Strings.h"
#include "windows/CaseFold.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kDebugSource = "dkvZephra Debug";
constexpr const char* kTag = "DefineZephras ";
constexpr const char* kRemoving = "Removing virtual device ";
constexpr const char* kUnitIgnored = "DefineZephras units not marked, base unit outside 0 to 63: ";
constexpr const char* kNoUnit = "DefineZephras: the device code of ";
constexpr const char* kNoUnitTail = " has no unit number; the appliance has no devices: ";
constexpr const char* kSilentDevices = "SetSilentDeviceCollection";
constexpr const char* kLeftOut = "DefineZephras: no free device code for ";
constexpr const char* kLeftOutWhy = " (the base units ";
constexpr const char* kLeftOutHouseCode = " of house code ";
constexpr const char* kLeftOutTail = " all hold devices); left out of the appliances";

constexpr int32_t kNewCallerIdUnitVersion = 16100;
constexpr int32_t kCallerIdUnit = 91;
constexpr int32_t kOlderCallerIdUnit = 61;
constexpr int32_t kNoDevice = -1;

// The fields of a unit's entry the list uses, by their controls; the units' row of the settings
// table says where each stands in the entry.
constexpr const char* kName = "aName";
constexpr const char* kCode = "aDC";
constexpr const char* kPower = "aPower";
constexpr const char* kMotion = "aMotion";
constexpr const char* kSlideGroup = "Option";
constexpr const char* kDoCID = "aDoCID";
constexpr const char* kX10Server = "aX10Server";

// The fields of one line of "Zephra Names".
struct ApplianceLine {
    std::string key;
    std::vector<std::string> fields;
    std::string written;  // the name as the entry holds it
    std::string name;     // trimmed, lower case: the appliance's name
};

// Why an entry of the section is not used; the settings are typed by hand, so the log says.
constexpr const char* kEntryNotUsed = "Zephra Names: the entry \"";
constexpr const char* kEntryNotUsedTail = "\" is not used: ";
constexpr const char* kNoEquals = "it has no \"=\" between the address and the name";
constexpr const char* kManyEquals = "it has more than one \"=\" (a comment after the value?)";
constexpr const char* kNoAddress = "it names no address before \"=\"";
constexpr const char* kNoValue = "it names no appliance after \"=\"";
constexpr const char* kNoName = "its first field, the appliance's name, is empty";
constexpr const char* kNoComputer = "it names no computer after \"/\"";
constexpr const char* kPortAlone = "it names a port alone after \"/\", no computer (write it as ";
constexpr const char* kNotAnAddress = "its address before \"=\" is none: ";
constexpr const char* kWrittenTwice = "it is the entry of ";
constexpr const char* kWrittenTwiceTail = " written a second time, without its device code; the entry is blanked";
constexpr std::size_t kShownEntry = 200;  // the log shows no more of a long entry
constexpr const char* kCommentInField = " and puts the text into its field ";
constexpr const char* kTextAfterQuote = "\" has text after its closing quote (a comment?): it makes the appliance \"";

// True when the value of a "key=value" line is quoted and more than blanks follow the closing quote.
bool HasTextAfterQuote(const std::string& line) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    const std::string value = vb::Trim(line.substr(equals + 1));
    if (value.size() < 2 || value.front() != '"') return false;
    const std::size_t close = value.find('"', 1);
    return close != std::string::npos && !vb::Trim(value.substr(close + 1)).empty();
}

// Why the address before "=" names no computer to send to: "IP/" or "IP/8080" (a port alone,
// which would be taken for a host named by a number); "" when it names one.
std::string ComputerFault(const std::string& key) {
    const std::size_t slash = key.find('/');
    if (slash == std::string::npos) return {};
    const std::string ip = vb::Trim(key.substr(0, slash));
    const std::string computer = vb::Trim(key.substr(slash + 1));
    const std::string port = !computer.empty() && computer.front() == ':' ? computer.substr(1) : computer;
    if (port.empty()) return kNoComputer;
    if (port.find_first_not_of("0123456789") != std::string::npos) return {};
    return kPortAlone + ip + "/" + ip + ":" + port + ")";
}

// A line as the section holds it, or nothing for a line that is dropped (`why` says why, and
// stays empty for a blank line).
std::optional<ApplianceLine> ParseLine(const std::string& line, std::string& why) {
    settings::UnitEntry entry = settings::ParseUnitEntry(line);
    // Indexed by the fault; a blank line goes without a word.
    static constexpr const char* kWhy[] = {"", "", kNoEquals, kManyEquals, kNoAddress, kNoValue};
    if (entry.fault != settings::EntryFault::None) {
        why = kWhy[static_cast<int>(entry.fault)];
        return std::nullopt;
    }
    if (why = ComputerFault(entry.key); !why.empty()) return std::nullopt;
    // Held to the editors' check, so that a hand-made entry the page and the window would refuse
    // makes no appliance that sends to nowhere.
    if (const std::string what = settings::Problem(entry.key, settings::Check::UnitAddress); !what.empty()) {
        why = kNotAnAddress + what;
        return std::nullopt;
    }
    ApplianceLine parsed{std::move(entry.key), std::move(entry.fields), {}, {}};
    parsed.written = settings::FieldOf(settings::Units(), parsed.fields, kName).value_or("");
    parsed.name = vb::Trim(vb::LCase(parsed.written));
    if (parsed.name.empty()) {
        why = kNoName;
        return std::nullopt;
    }
    return parsed;
}

class Definition {
public:
    explicit Definition(PluginState& state) : state_(state), table_(state.appliances) {}

    void Run() {
        Handled([&] { InitDevices(state_); });
        houseCode_ = state_.HouseCode;
        callerIdUnit_ = CallerIdUnit(state_);
        for (ZephraEntry& slot : table_.slots) slot.ZephraActive = false;
        std::string text;
        Handled([&] { text = SectionText(); });
        if (text.empty()) {
            table_.slots[0].ZephraDC.clear();
        } else {
            lines_ = vb::Split(text, std::string(1, '\0'));
            for (std::size_t i = 0; i < lines_.size(); ++i)
                DefineLine(lines_[i], i < rawLines_.size() ? rawLines_[i] : lines_[i]);
        }
        Compact();
        Handled([&] { CollectCallerIdAppliances(); });
        ReportLeftOut();
        RemoveUncoveredDevices();
    }

private:
    std::string SectionText() {
        const char* section = settings::Units().section;
        const std::string raw = state_.Host().GetINISection(section, settings::FileOf(section));
        rawLines_ = vb::Split(raw, std::string(1, '\0'));
        return settings::UnescapedUnitText(vb::Replace(raw, "\"", ""));
    }

    void Debug(const std::string& text) {
        if (state_.settings.DebugLog) WriteLog(state_.Host(), kDebugSource, text);
    }

    void Log(const std::string& text) { WriteLog(state_.Host(), kSource, text); }

    // A failure is logged under the tag; one while an entry is defined names the entry (and
    // what is used in place of a field that does not convert).
    void Handled(const std::function<void()>& body, const std::string& named = {}, const std::string& used = {}) {
        if (vb::Try(body)) return;
        const std::string failed = kTag + TakePendingError();
        const std::string line = named.empty()  ? failed
                                 : used.empty() ? failed + ": " + named
                                                : settings::BadValueLine(failed, named, used);
        if (!vb::Try([&] { Log(line); })) vb::Err().Clear();
    }

    // --- One line ----------------------------------------------------------------------

    int32_t SlotFor(const std::string& name) {
        for (int32_t i = 0; i <= table_.Last(); ++i)
            if (table_.slots[i].Name == name) return i;
        Debug("DefineZephras Not Found Ubound =" + std::to_string(table_.Last()));
        if (current_ >= table_.Last()) table_.slots.emplace_back();
        int32_t slot = table_.Last();
        table_.AppendedSlotMark = static_cast<int16_t>(slot - 1);
        return slot;
    }

    // The list keeps the power and motion devices upper case; the dialog and the page show them
    // as they are stored.
    void ReadFields(ZephraEntry& entry, const ApplianceLine& line, const std::string& named) {
        auto field = [&](const char* control) { return settings::FieldOf(settings::Units(), line.fields, control); };
        entry.PowerDevice.clear();
        entry.X10Server.clear();
        entry.MotionDevice.clear();
        entry.ZephraDC.clear();
        entry.SlideGroup = 0;
        entry.DoCID = false;
        if (auto code = field(kCode)) entry.ZephraDC = *code;
        if (auto power = field(kPower)) entry.PowerDevice = vb::UCase(*power);
        if (auto motion = field(kMotion)) entry.MotionDevice = vb::UCase(*motion);
        if (auto group = field(kSlideGroup))
            Handled([&] { entry.SlideGroup = settings::GroupNumber(*group); },
                    named + " (" + Heading(kSlideGroup) + ")", "0");
        if (auto cid = field(kDoCID)) entry.DoCID = settings::SwitchedOn(*cid);
        if (auto server = field(kX10Server)) entry.X10Server = *server;
    }

    // The text after the closing quote joined the value's last field: the line names that field
    // when it is not the name, since the name alone would look right.
    static std::string CommentLine(const std::string& text, const ApplianceLine& line) {
        std::string said = kEntryNotUsed + text.substr(0, kShownEntry) + kTextAfterQuote + line.written + "\"";
        const std::span<const settings::FamilyField> fields = settings::Units().fields;
        const std::size_t last = line.fields.size() - 1;
        if (last == 0 || last >= fields.size()) return said;
        return said + kCommentInField + Heading(fields[last].control) + ": \"" + vb::Trim(line.fields[last]) + "\"";
    }

    // A field's column as the units' row of the settings table heads it.
    static std::string Heading(std::string_view control) {
        for (const settings::FamilyField& f : settings::Units().fields)
            if (control == f.control && f.heading) return f.heading;
        return std::string(control);
    }

    void NotUsed(const std::string& entry, const std::string& why) {
        Log(kEntryNotUsed + entry.substr(0, kShownEntry) + kEntryNotUsedTail + why);
    }

    // `raw`: the line as written, quotes and all; a value with text after its closing quote
    // made a name that took the text in.
    void DefineLine(const std::string& text, const std::string& raw) {
        const bool commented = HasTextAfterQuote(raw);
        const std::string named = settings::NamedEntry(settings::Units().section, raw);
        std::string why;
        std::optional<ApplianceLine> line = ParseLine(text, why);
        if (!line) {
            if (!why.empty()) Handled([&] { NotUsed(text, why); });
            return;
        }
        if (WrittenTwice(*line)) {
            Handled([&] { Blank(line->key); }, named);
            Handled([&] { NotUsed(text, kWrittenTwice + settings::EntryKey(line->key) + kWrittenTwiceTail); });
            return;
        }
        const int32_t slot = SlotFor(line->name);
        ZephraEntry& entry = table_.slots[slot];
        entry.ZephraActive = true;
        if (std::size_t at = line->key.find('/'); at != std::string::npos) {
            entry.IP = vb::Trim(line->key.substr(0, at));
            entry.Computer = vb::Trim(line->key.substr(at + 1));
        } else {
            entry.IP = entry.Computer = line->key;
        }
        ReadFields(entry, *line, named);
        if (commented) Handled([&] { Log(CommentLine(text, *line)); });
        if (entry.ZephraDC.empty()) Handled([&] { HandOutBaseCode(entry, line->written, line->key); }, named);
        if (entry.ZephraDC.empty()) {
            entry.ZephraActive = false;
            // One line after the walk names every appliance left out this way, and why.
            leftOut_.push_back(line->name);
        } else {
            MakeObject(entry, slot, line->name, named);
        }
        if (!table_.slots[table_.Last()].Name.empty()) current_ = table_.Last();
    }

    // A line without a device code whose appliance another line of the section defines under
    // the same entry key, with a code: the second copy a save-back made of "IP/IP" as "IP". The
    // code stands (scripts and events name its devices); this copy would only hand out another.
    bool WrittenTwice(const ApplianceLine& line) {
        if (settings::FieldOf(settings::Units(), line.fields, kCode).value_or("") != "") return false;
        for (const std::string& text : lines_) {
            std::string why;
            std::optional<ApplianceLine> other = ParseLine(text, why);
            if (!other || other->key == line.key || other->name != line.name) continue;
            if (!settings::SameEntry(other->key, line.key)) continue;
            if (!vb::Trim(settings::FieldOf(settings::Units(), other->fields, kCode).value_or("")).empty()) return true;
        }
        return false;
    }

    void Blank(const std::string& key) {
        const char* section = settings::Units().section;
        state_.Host().SaveIniSetting(section, key, settings::kBlankedEntry, settings::FileOf(section));
    }

    // The first base unit whose device does not exist yet; never the block that holds the
    // caller-ID device.
    void HandOutBaseCode(ZephraEntry& entry, const std::string& writtenName, const std::string& lineKey) {
        for (int32_t unit = kFirstApplianceUnit; unit <= kLastApplianceUnit; unit += kDevicesPerAppliance) {
            if (callerIdUnit_ >= unit && callerIdUnit_ < unit + kDevicesPerAppliance) continue;
            const std::string code = houseCode_ + std::to_string(unit);
            if (hsDeviceExists(state_, code) != kNoDevice) continue;
            entry.ZephraDC = code;
            SaveLineBack(entry, writtenName, lineKey);
            return;
        }
    }

    // Written under the key the entry's address makes; a line stored under another spelling of
    // it ("IP/IP") is blanked in the same change, so that one entry holds the appliance.
    void SaveLineBack(const ZephraEntry& entry, const std::string& writtenName, const std::string& lineKey) {
        const std::string key = entry.Computer == entry.IP ? entry.IP : entry.IP + "/" + entry.Computer;
        const std::string code = settings::EscapedUnitText(entry.ZephraDC, true);
        Debug("DefineZephras Saving Name " + writtenName + " at " + code);
        const std::map<std::string_view, std::string> fields = {{kName, writtenName},
                                                                {kCode, entry.ZephraDC},
                                                                {kPower, entry.PowerDevice},
                                                                {kMotion, entry.MotionDevice},
                                                                {kSlideGroup, std::to_string(entry.SlideGroup)},
                                                                {kDoCID, entry.DoCID ? "1" : "0"},
                                                                {kX10Server, entry.X10Server}};
        // The fields in the units' order; one the list does not keep is written empty.
        const settings::Family& units = settings::Units();
        std::string value;
        const char* separator = "";
        for (const settings::FamilyField& f : units.fields) {
            auto known = fields.find(f.control);
            value +=
                std::exchange(separator, ",") +
                (known == fields.end() ? std::string()
                                       : settings::EscapedUnitText(known->second, f.fill == settings::FieldFill::Code));
        }
        const std::string stored = "\"" + value + "\"";
        if (windows::EqualsNoCase(vb::Trim(lineKey), vb::Trim(key))) {
            state_.Host().SaveIniSetting(units.section, key, stored, settings::FileOf(units.section));
            return;
        }
        state_.Host().SaveIniSettings({{units.section, key, stored}, {units.section, lineKey, settings::kBlankedEntry}},
                                      settings::FileOf(units.section));
    }

    void MakeObject(ZephraEntry& entry, int32_t slot, const std::string& name, const std::string& named) {
        entry.Name = name;
        if (!entry.Object) entry.Object = CarriedFor(entry);
        if (!entry.Object) {
            Debug("Initializing New Zephra " + name);
            Handled([&] { entry.Object = Zephra::Create(state_); });
        } else {
            Debug("Initializing Existing Zephra " + name);
        }
        if (entry.Object) {
            Zephra& z = *entry.Object;
            Handled(
                [&] {
                    z.LetName(entry.Name);
                    z.LetIP(entry.IP);
                    z.LetComputer(entry.Computer);
                    z.LetDeviceCodeBase(entry.ZephraDC);
                },
                named);
            Handled(
                [&] {
                    z.LetPowerDevice(entry.PowerDevice);
                    z.LetMotionDevice(entry.MotionDevice);
                    z.LetEnableSlideshow(entry.SlideGroup);
                    z.LetDoCID(entry.DoCID);
                    z.LetMotionOffMinutes(0);
                    z.LetX10Server(entry.X10Server);
                },
                named);
        }
        Handled([&] { MarkUnits(entry, slot); }, named);
        if (!entry.PowerDevice.empty() && state_.IsSetup)
            Handled([&] { state_.Host().SetDeviceStatusNoReport(entry.PowerDevice, homeseer::kStatusOn, 0); });
    }

    // The object an appliance of the same address had before the settings were read again: it
    // keeps its queued commands, a wait under way and its timers, so that a reload loses none.
    std::shared_ptr<Zephra> CarriedFor(const ZephraEntry& entry) {
        auto& carried = table_.Carried;
        for (auto it = carried.begin(); it != carried.end(); ++it) {
            if (*it && vb::equalsFolded((*it)->IP(), entry.IP) && vb::equalsFolded((*it)->Computer(), entry.Computer)) {
                std::shared_ptr<Zephra> object = std::move(*it);
                carried.erase(it);
                return object;
            }
        }
        return nullptr;
    }

    // The appliance's ten units count as covered; only units 1 to 63 are looked after.
    void MarkUnits(const ZephraEntry& entry, int32_t slot) {
        const std::optional<int16_t> base = BaseUnitOf(entry.ZephraDC);
        if (!base) {
            Log(kNoUnit + entry.Name + kNoUnitTail + entry.ZephraDC);
            return;
        }
        const int32_t unit = *base;
        Debug("DefineZephras HouseCode=" + houseCode_ + ", ZephraDC(" + std::to_string(slot) + ")=" + entry.ZephraDC +
              ", DC=" + std::to_string(unit));
        if (entry.ZephraDC.substr(0, 1) != houseCode_) return;
        if (unit < 0 || unit > kLastApplianceUnit) {
            Log(kUnitIgnored + entry.Name + " " + entry.ZephraDC);
            return;
        }
        for (int32_t u = std::max(unit, kFirstApplianceUnit);
             u < unit + kDevicesPerAppliance && u <= kLastApplianceUnit; ++u)
            unitUsed_[static_cast<std::size_t>(u)] = true;
    }

    // --- After the last line -------------------------------------------------------------

    // Slots of appliances that are no longer defined are dropped; the last slot stays.
    void Compact() {
        if (table_.AppendedSlotMark < 1) return;
        for (int32_t i = 0; i <= table_.Last(); ++i) {
            Debug("DefineZephras ZephraActive(" + std::to_string(i) +
                  ")=" + (table_.slots[i].ZephraActive ? "True" : "False"));
            if (!table_.slots[i].ZephraActive && i < table_.Last()) table_.slots.erase(table_.slots.begin() + i);
        }
    }

    // The names the caller-ID reactions select, and (under the xAP host application) the
    // tenth device of each such appliance, which stays silent on the xAP network.
    void CollectCallerIdAppliances() {
        FastString names;
        auto silent = std::make_shared<vb::Collection>();
        for (const ZephraEntry& entry : table_.slots) {
            if (!entry.DoCID || !entry.Object) continue;
            names.Add("," + entry.Name);
            const std::optional<int16_t> unit = BaseUnitOf(entry.ZephraDC);
            if (!unit) continue;  // named in the log when its units were marked
            Handled([&] {
                silent->Add(
                    vb::Variant(entry.ZephraDC.substr(0, 1) + std::to_string(*unit + kDevicesPerAppliance - 1)));
            });
        }
        table_.CIDZephraNames = names.value().size() > 1 ? names.value().substr(1) : std::string();
        if (!state_.IsSetup) return;
        if (!state_.CallbackObject) vb::raise(vb::errors::ObjectNotSet);
        std::vector<vb::Variant> args = {vb::Variant(vb::ObjectRef(silent))};
        state_.CallbackObject->call(kSilentDevices, vb::Method, args);
    }

    // Appliances without a device code are dropped; one line says which and why, since their
    // commands find no appliance afterwards.
    void ReportLeftOut() {
        if (leftOut_.empty()) return;
        std::string names;
        for (const std::string& name : leftOut_) names += (names.empty() ? "" : ", ") + name;
        std::vector<std::string> units;
        for (int32_t unit = kFirstApplianceUnit; unit <= kLastApplianceUnit; unit += kDevicesPerAppliance)
            if (callerIdUnit_ < unit || callerIdUnit_ >= unit + kDevicesPerAppliance)
                units.push_back(std::to_string(unit));
        std::string unitText = units.back();
        if (units.size() > 1) {
            unitText = units.front();
            for (std::size_t i = 1; i + 1 < units.size(); ++i) unitText += ", " + units[i];
            unitText += " and " + units.back();
        }
        Handled(
            [&] { Log(kLeftOut + names + kLeftOutWhy + unitText + kLeftOutHouseCode + houseCode_ + kLeftOutTail); });
    }

    void RemoveUncoveredDevices() {
        for (int32_t unit = kFirstApplianceUnit; unit <= kLastApplianceUnit; ++unit) {
            if (unitUsed_[static_cast<std::size_t>(unit)] || unit == callerIdUnit_) continue;
            Handled([&] { RemoveDevice(houseCode_ + std::to_string(unit)); });
        }
    }

    void RemoveDevice(const std::string& code) {
        const int32_t ref = hsDeviceExists(state_, code);
        if (ref == kNoDevice) return;
        std::shared_ptr<homeseer::Device> device = hsGetDevice(state_, ref);
        if (!device) vb::raise(vb::errors::ObjectNotSet);
        state_.Host().DeleteDevice(device->ref());
        if (!state_.IsSetup) Log(kRemoving + code);
    }

    PluginState& state_;
    ApplianceTable& table_;
    std::string houseCode_;
    int32_t callerIdUnit_ = kCallerIdUnit;
    std::array<bool, kLastApplianceUnit + 1> unitUsed_{};
    int32_t current_ = -1;
    std::vector<std::string> leftOut_;   // names of lines for which no base code was free
    std::vector<std::string> rawLines_;  // the section's lines as written, quotes and all
    std::vector<std::string> lines_;     // the same, read: quotes removed, escapes undone
};

}  // namespace

int32_t CallerIdUnit(const PluginState& state) {
    return state.HostVersionNumber >= kNewCallerIdUnitVersion ? kCallerIdUnit : kOlderCallerIdUnit;
}

std::optional<int16_t> BaseUnitOf(const std::string& code) {
    if (code.empty()) return std::nullopt;
    int16_t unit = 0;
    if (vb::Try([&] { unit = vb::CInt(vb::Variant(code.substr(1))); })) return unit;
    vb::Err().Clear();
    return std::nullopt;
}

void DefineZephras(PluginState& state) { Definition(state).Run(); }

}  // namespace zephra
