#pragma once
// The appliance list: the INI section "Zephra Names" turned into the appliance table, one
// slot and one appliance object per appliance.

#include <cstdint>
#include <optional>
#include <string>

namespace zephra {

class PluginState;

// Units of the plug-in's house code that the appliance list looks after: an appliance's ten
// devices lie at its base unit and the nine after it; base units handed out are 1, 11, ...
// 61; devices of units 1 to 63 that no appliance covers are removed.
constexpr int32_t kFirstApplianceUnit = 1;
constexpr int32_t kLastApplianceUnit = 63;
constexpr int32_t kDevicesPerAppliance = 10;

// The unit of the caller-ID device: 91, or 61 on hosts below version 16100. It is never
// handed out to an appliance nor removed as uncovered.
int32_t CallerIdUnit(const PluginState& state);

// The base unit of an appliance's device code (house code, then unit): none when what follows
// the house code is not a 16-bit number. Such a code stands for no device: searches pass it by.
std::optional<int16_t> BaseUnitOf(const std::string& code);

// Reads section "Zephra Names" (key: IP, or IP "/" computer; value: name, base device code,
// power device, motion device, slide group, caller-ID switch, X10 server) into the table,
// which the caller has emptied, and makes an appliance object for every appliance that has
// a base device code. An appliance without one gets the first free base unit, and its line
// is saved back complete. Malformed lines are dropped without a message. Afterwards the
// caller-ID appliances' names are collected and the host devices of units 1 to 63 that no
// appliance covers are deleted.
void DefineZephras(PluginState& state);

}  // namespace zephra
