#pragma once
// The action table: the 47 appliance actions in their fixed order, with the status text and
// icon shown on a device after each, and the ten device groups an appliance's devices stand
// for. The index of an action is its identity everywhere (trigger actions, device values,
// status texts).

#include <array>
#include <cstdint>
#include <string_view>

#include "vb/Error.h"
#include "vb/ErrorNumbers.h"

namespace zephra {

constexpr int16_t kActionCount = 47;
constexpr int16_t kDeviceGroupCount = 10;

extern const std::array<std::string_view, kActionCount> ActionTable;
extern const std::array<std::string_view, kActionCount> StatusTextTable;
// Icon files under the web path "/images/Zephra/".
extern const std::array<std::string_view, kActionCount> StatusImageTable;
extern const std::array<std::string_view, kDeviceGroupCount> DeviceGroupTable;

// The entry of a table at `index`, as the language reads an array element: error 9
// "Subscript out of range" outside the table.
template <std::size_t N>
std::string_view TableEntry(const std::array<std::string_view, N>& table, int32_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= N) vb::raise(vb::errors::SubscriptOutOfRange);
    return table[static_cast<std::size_t>(index)];
}

// The device group of an action index: 0-3 Display, 4-7 Awake, 8-9 Backlight, 10-12 Top LED,
// 13-15 Mail LED, 16-17 Browser, 18-36 Sounds, 37-41 Sounds Volume, 42-46 Volume; any other
// index 9 (the queue device's group).
int16_t ActionGroup(int32_t index);

}  // namespace zephra
