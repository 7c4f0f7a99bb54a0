#include "homeseer/X10Status.h"

#include <cctype>

#include "windows/CaseFold.h"

namespace homeseer {

std::optional<X10Status::Address> X10Status::parse(std::string_view code) {
    if (code.size() < 2 || code.size() > 3) return std::nullopt;
    char house = static_cast<char>(std::toupper(static_cast<unsigned char>(code[0])));
    if (house < 'A' || house > 'P') return std::nullopt;
    std::string_view digits = code.substr(1);
    if (digits[0] == '0') return std::nullopt;
    int32_t unit = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        unit = unit * 10 + (c - '0');
    }
    if (unit < 1 || unit > 16) return std::nullopt;
    return Address{house, unit};
}

std::optional<int32_t> X10Status::commandNumber(std::string_view command) {
    if (windows::EqualsNoCase(command, "on")) return kX10On;
    if (windows::EqualsNoCase(command, "off")) return kX10Off;
    if (windows::EqualsNoCase(command, "dim")) return kX10Dim;
    if (windows::EqualsNoCase(command, "bright")) return kX10Bright;
    return std::nullopt;
}

std::size_t X10Status::indexOf(Address a) {
    return static_cast<std::size_t>(a.house - 'A') * 16 + static_cast<std::size_t>(a.unit - 1);
}

int32_t X10Status::status(Address a) const { return slots_[indexOf(a)].status; }

vb::Date X10Status::lastChange(Address a) const { return slots_[indexOf(a)].lastChange; }

void X10Status::set(Address a, int32_t status, vb::Date when) {
    Slot& slot = slots_[indexOf(a)];
    if (slot.status != status) slot.lastChange = when;
    slot.status = status;
}

void X10Status::setLastChange(Address a, vb::Date when) { slots_[indexOf(a)].lastChange = when; }

std::vector<X10Status::Known> X10Status::known() const {
    std::vector<Known> all;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        const Slot& slot = slots_[i];
        if (slot.status == kStatusUnknown) continue;
        const Address a{static_cast<char>('A' + i / 16), static_cast<int32_t>(i % 16 + 1)};
        all.push_back({a, slot.status, slot.lastChange});
    }
    return all;
}

void X10Status::restore(const Known& entry) {
    Slot& slot = slots_[indexOf(entry.address)];
    slot.status = entry.status;
    slot.lastChange = entry.lastChange;
}

}  // namespace homeseer
