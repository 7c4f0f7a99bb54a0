#pragma once
// The host keeps its devices across runs in one file (the host program's
// "Config/zephra-host-devices.ini"): section "Devices" lists the references, section
// "Device " & reference holds a device's properties and the state kept for its code.
// Texts are written escaped ("\\", "\r", "\n", "\xHH" for other control characters), so
// that any device text reads back byte for byte.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "homeseer/DeviceStore.h"

namespace homeseer {

// Writes every device of the store (the file replaced whole; raises 75 on failure).
void SaveDevices(const DeviceStore& store, const std::filesystem::path& file);

// Adds the devices of the file to the store; a missing file adds none. Answers one note
// per entry that could not be read back (which is skipped).
std::vector<std::string> LoadDevices(DeviceStore& store, const std::filesystem::path& file);

// The escaping used in the file.
std::string EscapeDeviceText(std::string_view text);
std::string UnescapeDeviceText(std::string_view text);
// A whole number written in the file (digits with an optional sign, nothing else); none otherwise.
std::optional<int32_t> WholeNumberInFile(std::string_view text);

}  // namespace homeseer
