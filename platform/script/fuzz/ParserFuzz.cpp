// libFuzzer target: the script parser and a bounded run of the engine.
#include <cstddef>
#include <cstdint>

#include "FuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    script::fuzz::runInput(data, size);
    return 0;
}
