#include "ServerDatagram.h"

#include "simkit/PrintableText.h"

#include <algorithm>

namespace appliance_sim {

namespace {

bool allZero(std::span<const std::uint8_t> bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b == 0; });
}

// A field's text runs to its first zero byte; what follows in its slot must be padding.
std::string fieldText(std::span<const std::uint8_t> slot, bool& badPadding) {
    const auto zero = std::find(slot.begin(), slot.end(), std::uint8_t{0});
    if (!allZero(std::span<const std::uint8_t>(zero, slot.end()))) badPadding = true;
    return std::string(slot.begin(), zero);
}

void decodeOversize(std::span<const std::uint8_t> fields, ServerDatagram& datagram) {
    const auto firstSlot = fields.first(fieldSize);
    if (std::find(firstSlot.begin(), firstSlot.end(), std::uint8_t{0}) != firstSlot.end()) {
        // The name fitted: the long text is the second one, running to the end.
        datagram.field1 = fieldText(firstSlot, datagram.badPadding);
        datagram.field2 = fieldText(fields.subspan(fieldSize), datagram.badPadding);
        return;
    }
    // The name ran over: the second text takes the last 64 bytes when it fitted its slot.
    const auto lastSlot = fields.last(fieldSize);
    datagram.field2 = fieldText(lastSlot, datagram.badPadding);
    datagram.field1 = std::string(fields.begin(), fields.end() - fieldSize);
}

}  // namespace

ServerDatagram decodeServerDatagram(std::span<const std::uint8_t> bytes) {
    ServerDatagram datagram;
    datagram.length = bytes.size();
    if (bytes.empty()) {
        datagram.tooShort = true;
        return datagram;
    }
    datagram.type = bytes[0];
    if (bytes.size() < datagramSize) {
        datagram.tooShort = true;
        return datagram;
    }
    if (!allZero(bytes.subspan(1, fieldOffset - 1))) datagram.badPadding = true;
    const auto fields = bytes.subspan(fieldOffset);
    if (bytes.size() > datagramSize) {
        datagram.oversize = true;
        decodeOversize(fields, datagram);
        return datagram;
    }
    datagram.field1 = fieldText(fields.first(fieldSize), datagram.badPadding);
    datagram.field2 = fieldText(fields.subspan(fieldSize), datagram.badPadding);
    return datagram;
}

std::string describe(const ServerDatagram& datagram) {
    std::string text;
    if (datagram.tooShort) {
        text = "malformed length=" + std::to_string(datagram.length);
        if (datagram.length > 0) text += " type=" + std::to_string(datagram.type);
        return text;
    }
    if (datagram.type == typeCallerId)
        text = "cid name=" + simkit::quoted(datagram.field1) + " number=" + simkit::quoted(datagram.field2);
    else if (datagram.type == typeCommand)
        text = "command name=" + simkit::quoted(datagram.field1) + " argument=" + simkit::quoted(datagram.field2);
    else
        text = "unknown type=" + std::to_string(datagram.type) + " field1=" + simkit::quoted(datagram.field1) +
               " field2=" + simkit::quoted(datagram.field2);
    if (datagram.oversize) text += " length=" + std::to_string(datagram.length) + " oversize";
    if (datagram.badPadding) text += " bad-padding";
    return text;
}

}  // namespace appliance_sim
