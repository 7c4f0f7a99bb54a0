// libFuzzer target over the web server's request parser (built with ZEPHRA_FUZZ, clang).

#include <cstddef>
#include <cstdint>

#include "RequestFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    zephra::fuzz::RequestFuzzOne(data, size);
    return 0;
}
