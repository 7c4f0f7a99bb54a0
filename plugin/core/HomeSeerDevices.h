#pragma once
// The plug-in's host devices: its house code, the plug-in version device (unit 99), the
// caller-ID device, and the wrappers that hide the two host generations. Older hosts
// address devices by index and code; newer hosts (UseDeviceRefs) by reference. Every
// operation logs its own failures (source "dkvZephra") and goes on.

#include <cstdint>
#include <memory>
#include <string>

#include "homeseer/Device.h"

namespace zephra {

class PluginState;

// The host's "misc" bits the plug-in writes.
constexpr int32_t kMiscStatusOnly = 16;
constexpr int32_t kMiscQueueDevice = 32;
constexpr int32_t kMiscValueCallback = 0x8000;
constexpr int32_t kMiscPluginDevice = 0x8030;  // version device; caller-ID device on newer hosts
constexpr int32_t kMiscCallerIdOlder = 0x30;   // caller-ID device on older hosts

// The device with that reference (newer hosts) or index (older hosts); nullptr for none.
std::shared_ptr<homeseer::Device> hsGetDevice(PluginState& state, int32_t ref);
// A new device; the code is passed to the host only on older hosts (and only when not "").
int32_t hsNewDevice(PluginState& state, const std::string& name, const std::string& code);
// The reference of the device with that code; -1 when there is none (0 is a device).
int32_t hsDeviceExists(PluginState& state, const std::string& code);
// A new device at `code`: under the xAP host application the host takes the code itself;
// otherwise the plug-in sets the device's hc and dc. nullptr when the host gave none.
std::shared_ptr<homeseer::Device> NewHSDevice(PluginState& state, const std::string& name, const std::string& code);

// The plug-in version device at `code`, when missing.
void NewDevice(PluginState& state, const std::string& code);
// Creates the caller-ID device at `code` when it does not exist.
void CIDDevice(PluginState& state, const std::string& code);
// The house code of an existing device of the plug-in; "^" under the xAP host application;
// "" when there is none.
std::string GetHouseCode(PluginState& state);
// Settles HouseCode: found again through an existing device, or on a first start a new one
// from the host, with the version device made and the code recorded in the INI file.
void InitDevices(PluginState& state);
// Newer hosts: sets the value call-back bit in "misc" of every device of the plug-in.
void SetValueCallback(PluginState& state);

}  // namespace zephra
