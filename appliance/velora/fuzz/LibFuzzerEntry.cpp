// libFuzzer target over playlist-file reading (built with ZEPHRA_FUZZ, clang).

#include <cstddef>
#include <cstdint>

#include "QplFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    velora::fuzz::QplFuzzOne(data, size);
    return 0;
}
