#pragma once
// The fuzz entry over the readers and decoders: every reader builds a stream from the bytes and
// plays and seeks it; every codec decodes the bytes directly. Crashes and sanitizer reports are
// the findings.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plimsa::fuzz {

void PlimsaFuzzOne(const uint8_t* data, size_t size);

// Well-formed files of every format and coding, the starting points for mutation.
std::vector<std::vector<uint8_t>> Seeds();

}  // namespace plimsa::fuzz
