// libFuzzer target over the readers and decoders (built with ZEPHRA_FUZZ, clang).

#include <cstddef>
#include <cstdint>

#include "PlimsaFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    plimsa::fuzz::PlimsaFuzzOne(data, size);
    return 0;
}
