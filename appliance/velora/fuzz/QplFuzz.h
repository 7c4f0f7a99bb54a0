#pragma once
// The fuzz entry over ".qpl" playlist reading: the bytes are read as a playlist file and the
// entries written back. Crashes, sanitizer reports and broken limits are the findings.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace velora::fuzz {

void QplFuzzOne(const uint8_t* data, size_t size);

// Well-formed and odd playlist files, the starting points for mutation.
std::vector<std::string> Seeds();

}  // namespace velora::fuzz
