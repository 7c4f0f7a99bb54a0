#include "core/ApplianceLookups.h"

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/Zephra.h"
#include "vb/Err.h"
#include "vb/Strings.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kDebugSource = "dkvZephra Debug";
constexpr const char* kOneTag = "GetOneZephraObject ";
constexpr const char* kObjectsTag = "GetZephraObjects ";
constexpr const char* kCount = ", count=";
constexpr const char* kNotConfigured = "Appliance \"";
constexpr const char* kNotConfiguredTail =
    "\" is not configured: no line of [Zephra Names] in dkvZephraUtilities.ini has that name or IP";

void LogFailure(PluginState& state, const char* tag) {
    if (!vb::Try([&] { WriteLog(state.Host(), kSource, tag); })) vb::Err().Clear();
}

// The selector's pieces: split at "," when it holds one, else at every blank; empty pieces
// stay.
std::vector<std::string> SelectorPieces(const std::string& selector) {
    const std::string lower = vb::LCase(selector);
    return vb::Split(lower, lower.find(',') == std::string::npos ? " " : ",");
}

const ZephraEntry* FirstMatch(const ApplianceTable& table, const std::string& piece) {
    for (const ZephraEntry& slot : table.slots)
        if (slot.Object && (slot.Name == piece || slot.IP == piece)) return &slot;
    return nullptr;
}

// A command or query for an appliance that no line configures does nothing: said once per
// name, so that a misspelt name is found without a line per command.
void NoteUnknown(PluginState& state, const std::string& name) {
    std::set<std::string>& logged = state.appliances.UnknownNames;
    if (name.empty() || logged.contains(name) || logged.size() >= ApplianceTable::kMaxUnknownNames) return;
    logged.insert(name);
    if (!vb::Try([&] { WriteLog(state.Host(), kSource, kNotConfigured + name + kNotConfiguredTail); }))
        vb::Err().Clear();
}

}  // namespace

std::shared_ptr<Zephra> GetOneZephraObject(PluginState& state, const std::string& name) {
    std::shared_ptr<Zephra> found;
    if (!vb::Try([&] {
            const std::string s = vb::Trim(vb::LCase(name));
            for (const ZephraEntry& slot : state.appliances.slots) {
                if (!slot.Object) continue;
                if (slot.IP == s || slot.Name == s || s.empty()) {
                    found = slot.Object;
                    return;
                }
            }
        }))
        LogFailure(state, kOneTag);
    if (!found) NoteUnknown(state, vb::Trim(vb::LCase(name)));
    return found;
}

ZephraObjects GetZephraObjects(PluginState& state, const std::string& selector) {
    ZephraObjects objects;
    if (!vb::Try([&] {
            const ApplianceTable& table = state.appliances;
            if (vb::Trim(selector).empty()) {
                for (const ZephraEntry& slot : table.slots)
                    if (slot.Object) objects.push_back(slot.Object);
                return;
            }
            for (const std::string& piece : SelectorPieces(selector)) {
                const std::string name = vb::Trim(piece);
                if (const ZephraEntry* slot = FirstMatch(table, name)) objects.push_back(slot->Object);
                else NoteUnknown(state, name);
            }
        }))
        LogFailure(state, kObjectsTag);
    if (state.settings.DebugLog && !vb::Try([&] {
            WriteLog(state.Host(), kDebugSource, kObjectsTag + selector + kCount + std::to_string(objects.size()));
        }))
        vb::Err().Clear();
    return objects;
}

bool IsAvailable(PluginState&, Zephra& zephra) {
    if (zephra.PowerCycleInProgress() || zephra.PowerDevice().empty()) return true;
    const bool off = zephra.PowerReportedOff();
    zephra.NoteSkippedForPower(off);
    return !off;
}

}  // namespace zephra
