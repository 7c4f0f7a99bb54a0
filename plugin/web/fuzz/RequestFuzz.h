#pragma once
// The fuzz entry over the web server's request parser: the bytes as one received request text,
// parsed and read back member by member, added as a later body packet, and framed as the server
// frames a connection's text. Crashes, sanitizer reports and broken promises (a control byte out
// of Decode, a frame longer than its text) are the findings.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zephra::fuzz {

// Inputs are cut to this size: a little more than the longest header block the server takes.
constexpr std::size_t kMaxInput = 20 * 1024;

void RequestFuzzOne(const uint8_t* data, std::size_t size);

// Well-formed and odd requests, the starting points for mutation.
std::vector<std::string> Seeds();

}  // namespace zephra::fuzz
