// A test-only Layer I bitstream writer: header, allocations, scale factors and samples written
// directly, so that Layer I streams exist without an outside encoder.
#pragma once

#include <cstdint>
#include <vector>

namespace brisko::test {

struct Layer1Stream {
    int id = 1;        // 1 MPEG-1, 0 MPEG-2
    int srIndex = 0;   // 44.1 / 22.05 kHz
    int brIndex = 12;  // 384 kbit/s (MPEG-1), 192 kbit/s (MPEG-2)
    int mode = 0;      // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    int modeExt = 0;
    bool crc = false;  // write a (dummy) CRC after the header
    int frames = 60;
    int subbands = 16;  // subbands that carry tones (from subband 0)
};

// Frames of tones (a different one per subband and channel), quantised with 6-bit allocations.
std::vector<std::uint8_t> writeLayer1(const Layer1Stream& s);

}  // namespace brisko::test
