// The fuzzing entry over the frame parser, the front end, the file information and the decoder.
#pragma once

#include <cstddef>
#include <cstdint>

namespace brisko::test {

// Decodes `data` in every way the plug-in would: the pull reader in the mode chosen by the first
// byte, the front end over small chunks, and the file information. Returns the frames decoded.
int BriskoFuzzOne(const std::uint8_t* data, std::size_t size);

}  // namespace brisko::test
