#pragma once
// Appliances found by name: one appliance by name or IP address, a selection from an
// appliance selector, and whether an appliance may be sent commands now. They read the
// appliance table and never change it; slots that hold no appliance object are passed over.

#include <memory>
#include <string>
#include <vector>

namespace zephra {

class PluginState;
class Zephra;

// References to the table's appliance objects, in the order found; one may occur twice.
using ZephraObjects = std::vector<std::shared_ptr<Zephra>>;

// The first appliance whose IP or name equals `name` (lower-cased, then trimmed), compared
// exactly; an empty name gives the first appliance. Null when none matches.
std::shared_ptr<Zephra> GetOneZephraObject(PluginState& state, const std::string& name);

// The appliances a selector names. Empty or blank: every appliance, in table order (none
// when none is configured). Otherwise the lower-cased selector is split at "," when it holds
// one, else at every blank; each trimmed piece adds the first appliance whose name or IP
// equals it, and a piece that matches none adds nothing.
ZephraObjects GetZephraObjects(PluginState& state, const std::string& selector);

// False only when the appliance is not in a power cycle, has a power device, and the host
// reports that device off (one it has never switched is not off); the first of a run of such
// answers is logged. Host failures reach the caller.
bool IsAvailable(PluginState& state, Zephra& zephra);

}  // namespace zephra
