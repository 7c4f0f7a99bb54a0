#include "core/FetchAddressNotice.h"

#include <string>
#include <vector>

#include "core/LogWriter.h"
#include "core/PluginState.h"
#include "core/SettingsTable.h"
#include "forms/MachineAddresses.h"

namespace zephra {

namespace {

constexpr const char* kSource = "dkvZephra";
constexpr const char* kFetchFrom = "Appliances fetch spoken files and pages from ";
constexpr const char* kHandedOver =
    "Pages the plug-in's web server does not serve are handed over to the host's "
    "web server at http://";
constexpr const char* kNotOwnAddress = "Warning: HomeseerIP \"";
constexpr const char* kNotOwnAddressTail =
    "\" is not an address of this machine: appliances will fail to fetch spoken files and pages from it; give "
    "HomeseerIP this machine's address on the status page or in Config/dkvZephraUtilities.ini";
constexpr const char* kLoopbackTail = "\" is a loopback address, which only this machine reaches: ";
constexpr const char* kLoopbackAppliances =
    " will fail to fetch spoken files and pages from it; give HomeseerIP this machine's network address on the "
    "status page or in Config/dkvZephraUtilities.ini";

// What was told last, so that a reading that changes nothing of it tells nothing.
struct FetchAddressTold {
    bool told = false;
    std::vector<std::string> lines;
};

// The appliances not on loopback, each as "name (address)", joined with ", ".
std::string AppliancesOffLoopback(const PluginState& state) {
    std::string list;
    for (const ZephraEntry& slot : state.appliances.slots) {
        if (slot.Name.empty() || slot.IP.empty() || forms::IsLoopbackAddress(slot.IP)) continue;
        list += (list.empty() ? "" : ", ") + slot.Name + " (" + slot.IP + ")";
    }
    return list;
}

std::vector<std::string> FetchAddressLines(const PluginState& state) {
    const ZephraSettings& s = state.settings;
    std::vector<std::string> lines{kFetchFrom + settings::ApplianceServer(s) + "/"};
    // What the plug-in's own server does not serve, it hands over to the host's server.
    if (s.OwnWebServer) lines.push_back(kHandedOver + s.HomeseerIP + ":" + s.svrport + "/");
    if (!forms::IsOwnAddress(s.HomeseerIP)) {
        lines.push_back(kNotOwnAddress + s.HomeseerIP + kNotOwnAddressTail);
    } else if (forms::IsLoopbackAddress(s.HomeseerIP)) {
        const std::string elsewhere = AppliancesOffLoopback(state);
        if (!elsewhere.empty())
            lines.push_back(kNotOwnAddress + s.HomeseerIP + kLoopbackTail + "appliances " + elsewhere +
                            kLoopbackAppliances);
    }
    return lines;
}

void Tell(PluginState& state, std::vector<std::string> lines) {
    FetchAddressTold& told = state.Part<FetchAddressTold>();
    told.told = true;
    told.lines = lines;
    for (const std::string& line : lines) WriteLog(state.Host(), kSource, line);
}

}  // namespace

void TellFetchAddress(PluginState& state) { Tell(state, FetchAddressLines(state)); }

void TellFetchAddressChange(PluginState& state) {
    const FetchAddressTold& told = state.Part<FetchAddressTold>();
    if (!told.told) return;
    std::vector<std::string> lines = FetchAddressLines(state);
    if (lines != told.lines) Tell(state, std::move(lines));
}

}  // namespace zephra
