#pragma once
// xAP v1.2 on the wire: the text of the messages the host sends for the plug-in and of its
// heartbeats, the parsing of received datagrams into blocks, and address matching.
//
// A message is blocks of "name", "{", lines "key=value", "}", each line ended by a line
// feed; the first block is the header ("xap-header", or "xap-hbeat" for heartbeats):
//
//   xap-header        v=12, hop=1, uid=FF123400, class=..., source=vendor.device.instance
//   {                 (":sub.address" after the source for a sub-device), target=... when
//   ...               addressed; then the body blocks
//   }

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace homeseer {

// The largest datagram xAP carries; longer ones are refused.
constexpr std::size_t kXapMaxDatagram = 1500;
constexpr int kXapPort = 3639;

struct XapBlock {
    std::string name;
    // "key=value" without line ends; a hex value ("key!48656C6C6F") is given as its bytes
    // ("key=Hello").
    std::vector<std::string> lines;
    // The value of the key (compared without regard to case); none when it is missing.
    std::optional<std::string> value(std::string_view key) const;
};

// Who the node is: its address and the first six hexadecimal digits of its UIDs
// ("FF" for the local network, then four for the device).
struct XapIdentity {
    std::string source;     // vendor.device.instance
    std::string uidPrefix;  // e.g. "FF1234"
};

// One message of the plug-in as its host sends it. `body` is the pairs of the first block,
// each key, Chr(1), value, joined by Chr(0), possibly followed by further blocks as literal
// text that begins with a line feed and "}" (passed through unchanged). `subAddress` follows
// the source after ":"; `uidPart` ends the UID ("00" when empty).
std::string FrameXapMessage(const XapIdentity& node, const std::string& target, const std::string& messageClass,
                            const std::string& section, const std::string& body, const std::string& subAddress,
                            const std::string& uidPart);

// The heartbeat "xap-hbeat.alive": the interval in seconds and the port the node listens on.
std::string FrameXapHeartbeat(const XapIdentity& node, int intervalSeconds, int port);

struct XapParsed {
    XapBlock header;             // "xap-header" or "xap-hbeat"
    std::vector<XapBlock> body;  // the blocks after the header, in order
    bool heartbeat() const;
};

struct XapParsing {
    std::optional<XapParsed> message;  // none: `error` says why
    std::string error;
};

// Parses one datagram: lines end in LF or CR LF; blank lines and blanks around lines are
// ignored. A line's key ends at its first "=" or "!"; after "!" the value is pairs of
// hexadecimal digits, decoded. Refused: over 1,500 bytes, control characters other than tab,
// CR and LF, a block without braces or with a line that is neither "key=value" nor "key!hex",
// hex digits that are not whole pairs, a first block that is no header, a header without
// class or source.
XapParsing ParseXapDatagram(std::string_view datagram);

// xAP address matching without regard to case: the pattern's levels (separated by "." or
// ":") each match one level, "*" any one, ">" every level that follows (none included).
bool XapAddressMatches(std::string_view pattern, std::string_view address);

}  // namespace homeseer
