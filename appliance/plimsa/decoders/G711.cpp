#include "plimsa/decoders/G711.h"

#include <array>

#include "plimsa/decoders/SampleOut.h"

namespace plimsa {

namespace {

constexpr int kSignBit = 0x80;
constexpr int kSegmentMask = 0x70;
constexpr int kSegmentShift = 4;
constexpr int kStepMask = 0x0F;
constexpr int kMuLawBias = 0x84;

using Table = std::array<int16_t, 256>;

template <typename Decode>
Table BuildTable(Decode decode) {
    Table table{};
    for (int byte = 0; byte < 256; ++byte) table[byte] = decode(static_cast<uint8_t>(byte));
    return table;
}

}  // namespace

int16_t MuLawDecode(uint8_t byte) {
    // Stored bit-inverted: sign, 3-bit segment, 4-bit step.
    const int value = ~byte & 0xFF;
    int magnitude = ((value & kStepMask) << 3) + kMuLawBias;
    magnitude <<= (value & kSegmentMask) >> kSegmentShift;
    return static_cast<int16_t>((value & kSignBit) ? kMuLawBias - magnitude : magnitude - kMuLawBias);
}

int16_t ALawDecode(uint8_t byte) {
    // The even bits are stored inverted; a set sign bit means a positive sample.
    const int value = byte ^ 0x55;
    int magnitude = (value & kStepMask) << 4;
    const int segment = (value & kSegmentMask) >> kSegmentShift;
    if (segment == 0) {
        magnitude += 8;
    } else {
        magnitude += 0x108;
        magnitude <<= segment - 1;
    }
    return static_cast<int16_t>((value & kSignBit) ? magnitude : -magnitude);
}

const int16_t* initMuLaw() {
    static const Table table = BuildTable(MuLawDecode);
    return table.data();
}

const int16_t* initALaw() {
    static const Table table = BuildTable(ALawDecode);
    return table.data();
}

int MuALawDecompress(const uint8_t* input, uint32_t n, uint8_t* output, const int16_t* table) {
    uint32_t offset = 0;
    for (uint32_t i = 0; i < n; ++i) offset = PutSample(output, offset, table[input[i]]);
    return static_cast<int>(offset);
}

}  // namespace plimsa
