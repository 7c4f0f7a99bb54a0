// libFuzzer target over the decoder (built with the fuzz preset).
#include <cstddef>
#include <cstdint>

#include "FuzzEntry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    brisko::test::BriskoFuzzOne(data, size);
    return 0;
}
