#pragma once
// The host keeps its devices across runs in one file (the host program's
// "Config/zephra-host-devices.ini"): section "Devices" lists the references, section
// "Device " & reference holds a device's properties and the state kept for its code.
// Section "X10" holds the last known state of each X10 code switched at some time, so that a
// power switch left off is still off after a restart: code=status,lastchange.
// Texts are written escaped ("\\", "\r", "\n", "\xHH" for other control characters), so
// that any device text reads back byte for byte.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "homeseer/DeviceStore.h"
#include "homeseer/X10Status.h"

namespace homeseer {

// Writes every device of the store, and the X10 states when given (the file replaced whole;
// raises 75 on failure).
void SaveDevices(const DeviceStore& store, const std::filesystem::path& file, const X10Status* x10 = nullptr);

// Adds the devices of the file to the store (and its X10 states to `x10` when given); a
// missing file adds none. Answers a note for each of the first five entries of a kind (devices,
// X10 states) that could not be read back (which are skipped), and one that counts the rest.
std::vector<std::string> LoadDevices(DeviceStore& store, const std::filesystem::path& file, X10Status* x10 = nullptr);

// The escaping used in the file.
std::string EscapeDeviceText(std::string_view text);
std::string UnescapeDeviceText(std::string_view text);
// A whole number written in the file (digits with an optional sign, nothing else); none otherwise.
std::optional<int32_t> WholeNumberInFile(std::string_view text);

}  // namespace homeseer
