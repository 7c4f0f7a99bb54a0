#pragma once
// The host's X10 status table: for every X10 code (house letter A to P, unit 1 to 16) its
// last known status and the time it changed. A code never switched since the host started
// has the status kStatusUnknown: neither on nor off.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "homeseer/Host.h"
#include "vb/Date.h"

namespace homeseer {

class X10Status {
public:
    struct Address {
        char house;    // 'A' .. 'P'
        int32_t unit;  // 1 .. 16
    };
    // What the host tells the registered event call-backs about one X10 command.
    struct Event {
        Address address;
        int32_t command;  // kX10On, kX10Off, kX10Dim, kX10Bright
    };

    static constexpr int32_t kX10On = 2;
    static constexpr int32_t kX10Off = 3;
    static constexpr int32_t kX10Dim = 4;
    static constexpr int32_t kX10Bright = 5;

    // "a5", "P16": the address; anything else (other houses, unit 0, 17, leading zeros,
    // blanks): none.
    static std::optional<Address> parse(std::string_view code);
    // "on", "OFF", "dim", "bright": the command number; anything else: none.
    static std::optional<int32_t> commandNumber(std::string_view command);

    int32_t status(Address a) const;
    vb::Date lastChange(Address a) const;
    // Sets the status; the change time moves only when the status changes.
    void set(Address a, int32_t status, vb::Date when);
    void setLastChange(Address a, vb::Date when);

    // The codes switched at some time, in code order, with what the table keeps of them.
    struct Known {
        Address address;
        int32_t status;
        vb::Date lastChange;
    };
    std::vector<Known> known() const;
    // Puts back what `known` gave (a status and its change time as they were).
    void restore(const Known& entry);

private:
    struct Slot {
        int32_t status = kStatusUnknown;
        vb::Date lastChange{};
    };
    static std::size_t indexOf(Address a);

    std::array<Slot, 16 * 16> slots_{};
};

}  // namespace homeseer
