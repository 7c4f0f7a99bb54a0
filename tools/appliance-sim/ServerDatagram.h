#pragma once
// The datagrams the plug-in's UDP server sends to subscribed clients, and the subscription bytes
// a client sends to it.

#include <cstdint>
#include <span>
#include <string>

namespace appliance_sim {

constexpr std::uint8_t subscribeByte = 1;
constexpr std::uint8_t unsubscribeByte = 2;

constexpr std::uint8_t typeCallerId = 3;
constexpr std::uint8_t typeCommand = 6;
constexpr std::size_t fieldOffset = 8;
constexpr std::size_t fieldSize = 64;
constexpr std::size_t datagramSize = fieldOffset + 2 * fieldSize;  // 136

struct ServerDatagram {
    std::size_t length = 0;
    std::uint8_t type = 0;
    std::string field1;       // caller name, or command name
    std::string field2;       // caller number, or argument
    bool tooShort = false;    // fewer than 136 bytes
    bool oversize = false;    // a text longer than 64 characters pushed the layout out
    bool badPadding = false;  // bytes 1-7 or a field's padding are not all zero
};

// Decodes one datagram. Each field is a text followed by zero bytes up to 64; a text of 64 or more
// characters has no zero after it, which makes the datagram longer than 136 bytes.
ServerDatagram decodeServerDatagram(std::span<const std::uint8_t> bytes);

// One log-line form: cid name="..." number="...", command name="..." argument="...", or
// unknown type=N ...; flags such as length=N oversize follow.
std::string describe(const ServerDatagram& datagram);

}  // namespace appliance_sim
